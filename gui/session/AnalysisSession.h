#pragma once
// What the window analyses and shows, apart from its widgets: the current
// folder, the last complete run or the snapshot shown in place of the disk, the
// rows the views show, the folder history and whether a run is going. Pages
// and dialogs follow it through its signals and act through its operations;
// the window builds it and connects it to the views.
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/common/ListSort.h"
#include "gui/session/AnalysisRun.h"
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class QStringListModel;
class Snapshot;
struct SnapshotComparison;

class AnalysisSession : public QObject {
    Q_OBJECT
public:
    // iniFileName: the settings file the session and its views read.
    explicit AnalysisSession(const QString& iniFileName, QObject* parent = nullptr);
    ~AnalysisSession() override;

    QString IniFileName() const { return iniFileName_; }

    // --- the current folder ------------------------------------------------
    QString CurrentFolder() const { return currentFolder_; }
    // The folder the session started with (the last one of the session before).
    QString StartFolder() const { return startFolder_; }
    void SetStartFolder(const QString& folder) { startFolder_ = folder; }
    // Makes path current when it is a folder on the disk or in the snapshot
    // shown. Any path other than the current one announces CurrentFolderChanged
    // (with the current folder, changed or not, and path). Returns path.
    QString SelectFolder(const QString& path);
    // A folder on the disk or in the snapshot shown.
    bool FolderThere(const QString& path) const;
    // What the status bar names the current folder by.
    QString FolderPanelText() const;
    static QString ParentFolder(const QString& path);
    static QString WithDelimiter(QString path);

    // --- runs ----------------------------------------------------------------
    // The last complete run (its tree and rows); only Measure replaces it, and
    // opening a snapshot lets go of it (both may be large). The one place the
    // tree of a run is held.
    const DirScanner& Results() const { return *results_; }
    bool Running() const { return run_.Running(); }
    void CancelRun() { run_.Cancel(); }
    // Measures path on a worker thread, handling events meanwhile, into a
    // scanner of its own: the results change only when it finishes (true). A
    // cancelled run, or a call while another run goes, returns false. What the
    // walk throws is thrown again.
    bool Measure(const QString& path, bool includeFreeSpace, IProgress* progress);
    // Settings of the runs.
    int MinFileSizeKB = 0;
    int HistorySize = 20;

    // --- the rows the views show ----------------------------------------------
    // The size list, the charts and the file list show one folder of a tree:
    // the top of a finished run, or a folder of the snapshot shown (what
    // LoadSnapshotFolder last loaded). Both are read from the tree by the same
    // code. An opened result file, which holds no tree, replaces the size
    // list's rows only. The views keep showing them while the current folder
    // moves on, until the next run or folder shown.
    struct FolderRows {
        QStringList paths, mb, kb;
    };
    // The size list: a row per subfolder (names beginning with '.' left out),
    // the files of the folder and, after a run of a file system's root with
    // the free space asked for, the free space; in the recorded order.
    const FolderRows& ShownRows() const { return shownRows_; }
    // Shows the rows of an opened result file (sizes that parse) in the size list.
    void ShowResultRows(const QStringList& paths, const QStringList& mb, const QStringList& kb);
    // The file list: every entry below the folder shown, with its texts. A
    // run's rows come in its order (the entries of each subfolder first, then
    // those lying in the folder itself) and leave out files below the minimum
    // size of that run; a snapshot's come in its recorded order.
    qsizetype ShownFileCount() const;
    void ForEachShownFile(const std::function<void(const DirScanner::FileRowFacts&)>& row) const;
    // The folder the file list's rows come from, as it was asked for (ending in '/').
    QString ShownFilesFolder() const { return shownFiles_.folder; }
    // Totals of the size list's rows ("%n MB", "%n KB"; empty without rows)
    // and the total of the folder shown in GB x 10000, the free space not
    // included.
    QString TotalMBText() const;
    QString TotalKBText() const;
    SizeValue TotalGB() const;

    // --- a snapshot shown in place of the disk -------------------------------
    bool SnapshotShown() const { return snapshot_ != nullptr; }
    // folder (ending in '/') is a folder of the snapshot shown.
    bool InSnapshot(const QString& folder) const;
    void OpenSnapshot(std::shared_ptr<const Snapshot> snapshot, const QString& fileName);
    // Its top folder, ending in '/'.
    QString SnapshotTop() const;
    // Shows folder of the snapshot (ShownRows and the file list's rows); false
    // when the snapshot holds no such folder.
    bool LoadSnapshotFolder(const QString& folder);
    void CloseSnapshot();
    // The status bar's folder panel while a snapshot is shown.
    QString SnapshotPanelText(const QString& folder) const;

    // --- the whole tree shown -------------------------------------------------
    // The snapshot shown, else the whole tree of the last complete run; null
    // before either. Views keep the pointer while they read it (a new run or
    // snapshot replaces it here, not under them).
    std::shared_ptr<const Tree> ShownTree() const;
    // The node of ShownTree that is the current folder; Tree::kNone when the
    // tree does not hold it (no tree yet, or a folder outside it).
    Tree::Index CurrentNode() const;

    // --- the folder history ---------------------------------------------------
    // The entries of the history box: the box shows and edits this model.
    QStringListModel* History() const { return history_; }

    // The one column sort of the window's lists.
    ListSortState& SortState() { return sortState_; }

    // --- a comparison of the tree shown with an earlier snapshot ---------------
    // Null when not comparing. It lasts until the next run starts, another
    // tree or a result file's rows are shown, or until switched off
    // (SetComparison(nullptr)).
    std::shared_ptr<const SnapshotComparison> Comparison() const { return comparison_; }
    void SetComparison(std::shared_ptr<const SnapshotComparison> comparison);

signals:
    // folder: the current folder; requested: the path SelectFolder was given.
    void CurrentFolderChanged(const QString& folder, const QString& requested);
    void RunStarted(const QString& folder);
    void RunFinished(const QString& folder);
    void RunCancelled(const QString& folder);
    void SnapshotOpened(const QString& fileName);
    void SnapshotClosed();
    // ShownTree changed: a run finished, a snapshot was opened or closed.
    void ShownTreeChanged();
    void ComparisonChanged();

private:
    std::uint32_t FindInSnapshot(const QString& folder) const;
    // The folder of tree at folder (its root or below); Tree::kNone when none.
    static Tree::Index FolderIn(const Tree& tree, const QString& folder);
    // Shows node of tree: its size list (rows' paths beginning with prefix,
    // which ends in '/') and its file rows.
    void ShowTreeFolder(std::shared_ptr<const Tree> tree, Tree::Index node, const QString& prefix);

    QString iniFileName_;
    QString currentFolder_ = QStringLiteral("/");
    QString startFolder_;
    bool selectedInSnapshot_ = false;
    std::unique_ptr<DirScanner> results_;
    AnalysisRun run_;
    std::shared_ptr<const Snapshot> snapshot_;
    // What the views show; the tree stays as long as they show it, also once
    // the run or snapshot it came from has gone here.
    FolderRows shownRows_;
    WideSizeValue shownTotal_ = 0; // bytes x 10000
    struct {
        std::shared_ptr<const Tree> tree;
        Tree::Index node = Tree::kNone;
        QString prefix; // node's path, ending in '/'
        QString folder; // the same as it was asked for
        bool runOrder = false;
        std::int64_t minSize = 0;
    } shownFiles_;
    QString snapshotFile_;
    QStringListModel* history_;
    ListSortState sortState_;
    std::shared_ptr<const SnapshotComparison> comparison_;
};
