#pragma once
// DirScanner measures one folder: one FolderRow per immediate subfolder (in the
// file system's order, names beginning with '.' left out), one row
// "<All files in this folder>" for the entries lying directly in it and, for the
// root of a mounted file system when asked, one "<Free Space>" row. On the way it
// records every entry at or above the minimum size as a FileRow.
//
// How the window uses it (one object for the window's whole life):
//     dirSize.FolderPath = CurrentFolder;          // ends in '/'
//     dirSize.IncludeFreeSpace = showFreeSpace;
//     DirScanner::SetMinFileSize(minKB * 1024);
//     dirSize.Progress = this;                     // IProgress*, may be null
//     dirSize.Measure();                           // SetProgressMax(n + 1), then
//                                                  // SetAddProgress(1) per row
//     read TotalGBText, EntryPaths/EntryMB/EntryKB (FolderRows) and
//     FilePaths()/FileMB()/FileKB()/FileDates() (FileRows); they stay until the next run.
//
// The walk records every entry in one whole-tree model (LastTree(): names as
// bytes, sizes and times as numbers); the size list and the FileRows are read
// from it, and their texts are made the first time one of the four lists is
// asked for, so a run that never shows the file list never pays for millions of texts.
//
// Walk rules: symbolic links are entries of their own size and never followed;
// kernel pseudo file systems (proc, sysfs, ...) are listed but never entered; a
// folder already on the descent path (a bind-mount loop) is not entered again; a
// folder that cannot be read counts 0. Subfolder rows may be walked by several
// threads (Threads); a thread that runs out of rows takes folders from a busy
// one. The lists and texts are the same as with one thread, and progress calls
// are made on the calling thread only.
#include "core/engine/Progress.h"
#include "core/engine/SizeText.h"
#include "core/tree/Tree.h"
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class DirScanner {
public:
    DirScanner();
    virtual ~DirScanner();
    DirScanner(const DirScanner&) = delete;
    DirScanner& operator=(const DirScanner&) = delete;

    QString FolderPath;     // the folder to measure, set before Measure
    QString TotalGBText;    // SizeText(suGB, total) of the last run, free space not included
    QStringList EntryPaths; // FolderRows: full paths
    QStringList EntryMB;
    QStringList EntryKB;
    bool IncludeFreeSpace = false;

    IProgress* Progress = nullptr;
    // Threads walking the subfolder rows: 1 = the calling thread alone,
    // 0 = one per core at first, more while they wait for the disk, up to
    // DefaultThreads of the folder.
    int Threads = 0;
    // The most threads of a walk when none are asked for: for a folder on a disk or a
    // network more than the cores (8 to 16), since a cold walk mostly waits for
    // reads; in memory (tmpfs) one per core, at most 4.
    static int DefaultThreads(const QString& folder);
    // Exact total of the last run (bytes x 10000), the free space not included.
    WideSizeValue TotalSize = 0;
    // Bytes of the last run's "<Free Space>" row (FreeBytes); none without one.
    std::optional<qint64> FreeSpaceBytes;
    // Folders the parallel walk of the last run passed from a busy thread to an idle one.
    int FoldersHandedOver = 0;
    // Threads the last run's walk ended with.
    int WalkThreads = 1;

    // The threshold for recording a FileRow, shared by all instances.
    static inline qint64 MinFileSizeBytes = 0;
    static void SetMinFileSize(qint64 bytes) { MinFileSizeBytes = bytes > 0 ? bytes : 0; }

    // FileRows of the last run: full paths, MB and KB texts, "dd.mmm.yy" of the last
    // modification. Made on first use; not to be called while a walk runs.
    const QStringList& FilePaths() const;
    const QStringList& FileMB() const;
    const QStringList& FileKB() const;
    const QStringList& FileDates() const;
    // Last access of each FileRow as the walk saw it; kAccessTimeUnknown for a
    // folder, whose access time the walk itself may have just changed by reading it.
    const std::vector<std::time_t>& FileAccessTimes() const;
    static constexpr std::time_t kAccessTimeUnknown = std::numeric_limits<std::time_t>::min();
    // Number of FileRows, without making their texts.
    qsizetype FileRowCount() const;
    // Reads the FileRows one at a time in the order of FilePaths(), making only
    // the current row's texts: writing out a long list then costs no texts of
    // its own. Not to be used while a walk runs.
    class FileRowCursor {
    public:
        explicit FileRowCursor(const DirScanner& scanner);
        ~FileRowCursor();
        // Moves to the next row (the first, on the first call); false after the last.
        bool Next();
        QString Path, MB, KB, Date;
        std::time_t AccessTime = kAccessTimeUnknown;

    private:
        struct State;
        std::unique_ptr<State> s_;
    };
    // One FileRow in parts: its folder (ending in '/', one string shared by the
    // folder's rows), its name, and its texts (equal texts share their characters).
    struct FileRowFacts {
        QString folder, name, mb, kb, date;
        std::time_t accessTime = kAccessTimeUnknown;
    };
    // Calls row for each FileRow in the order of FilePaths(); makes no list of
    // texts, so a long list costs only the current row. Not to be used while a
    // walk runs.
    void ForEachFileRow(const std::function<void(const FileRowFacts&)>& row) const;
    // The same rows for the entries below top in any tree (a run's or a
    // snapshot's), prefix being top's path ending in '/': in a run's order
    // (filesLast) or the recorded one, those of at least minSize bytes. A time
    // the tree does not know gives an empty date.
    static void ForEachFileRow(const Tree& tree, Tree::Index top, const QString& prefix,
                               bool filesLast, std::int64_t minSize,
                               const std::function<void(const FileRowFacts&)>& row);
    // How many rows that gives, without making their texts.
    static qsizetype FileRowCount(const Tree& tree, Tree::Index top, std::int64_t minSize);

    // The whole tree of the last complete Measure (every folder and file below
    // FolderPath, with totals); null before one and after a cancelled one.
    std::shared_ptr<const Tree> LastTree() const { return tree_; }

    // Clears the seven lists, then ListEntries(FolderPath), MeasureEntries(EntryPaths, FolderPath).
    // After Cancel the lists hold an unfinished run: check Cancelled() before using them.
    void Measure();

    // Stops a Measure running on another thread within a fraction of a second;
    // every later Measure of this object stops at once. Safe from any thread.
    void Cancel() { cancel_.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return cancel_.load(std::memory_order_relaxed); }

    // Takes over the rows and totals of other (a finished run), so a run made
    // on a separate scanner replaces this one's only once it is complete.
    void TakeResults(DirScanner& other);
    // Appends the FolderRow paths of folder to EntryPaths.
    void ListEntries(const QString& folder);
    // Walks the rows of entries into one tree, then fills EntryPaths, EntryMB,
    // EntryKB, TotalGBText (and TotalSize) from it.
    void MeasureEntries(const QStringList& entries, const QString& folder);
    // Byte total of a folder (x 10000), recording FileRows on the way; 0 when it cannot be read.
    WideSizeValue FolderBytes(const QString& folder, bool recurse);

    static QString AllFilesName();  // "<All files in this folder>"
    static QString FreeSpaceName(); // "<Free Space>"
    // The root of a mounted file system ("/", or a mount point).
    static bool IsDriveRoot(const QString& folder);
    // Bytes free for the caller on the file system holding folder; -1 when unknown.
    static qint64 FreeBytes(const QString& folder);

private:
    struct FileRowTexts {
        QStringList paths, mb, kb, dates;
        std::vector<std::time_t> atimes;
    };
    const FileRowTexts& Texts() const;
    void ClearFileRows();

    // The trees the FileRows are read from: the run's, then those FolderBytes
    // added; each with the path of its top and the minimum size of its rows.
    struct RowTree {
        std::shared_ptr<const Tree> tree;
        QString prefix;
        bool filesLast;
        std::int64_t minSize;
    };
    std::vector<RowTree> rowTrees_;
    std::shared_ptr<const Tree> tree_;
    qsizetype rowCount_ = 0;
    mutable std::unique_ptr<FileRowTexts> texts_;
    std::atomic<bool> cancel_{false};

    bool HasFreeSpaceRow(const QString& folder) const;
    void AddRowTree(std::shared_ptr<const Tree> tree, const QString& prefix, bool filesLast);
    int WorkerCount(int rows, const QString& folder) const;
    int FirstWorkerCount(int workers) const;
};
