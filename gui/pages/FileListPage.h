#pragma once
// The "File List" page: every file the last run recorded, filtered by
// extensions, with the duplicate finder, the search and the operations on
// checked rows (move, copy, Trash).
#include "gui/pages/FileListModel.h"
#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QItemSelection;
class QLabel;
class QMenu;
class QTableView;
class QToolBar;
class QToolButton;
class ActivityIndicators;
class AnalysisSession;
class CommandTable;
class IniSnapshot;
class IShellOpUi;
class QTimer;

class FileListPage : public QWidget {
    Q_OBJECT
public:
    // The page lists the session's results, runs the commands of commands and
    // shows its progress and timings in activity.
    FileListPage(AnalysisSession& session, CommandTable& commands, ActivityIndicators& activity,
                 QWidget* parent = nullptr);
    ~FileListPage() override;

    // The rows shown, with their checks.
    FileListModel* Model = nullptr;

    // --- state -------------------------------------------------------------
    QStringList FilterEntries;
    int FileGaugeStep = 0;
    int FileSearchIndex = 0;
    QString LastSearchText;

    // Replaceable for tests: the shell operation's dialogs, the input box
    // (true on OK) and the list window of "Show file type".
    IShellOpUi* ShellUi = nullptr;
    std::function<bool(const QString& caption, const QString& prompt, QString& value)> InputQuery;
    std::function<void(const QString& text)> ShowListText;

    // The filter list and text kept in the settings file (the window's state).
    void LoadFilters(const IniSnapshot& ini);
    QString FilterText() const;
    void SaveFilterList(const QString& iniFile) const;
    // The next search starts after row (a row chosen in another list).
    void SetSearchStart(int row) { FileSearchIndex = row; }

    // --- file list and filters ----------------------------------------------
    void FillFileListButtonClick();
    // The rows the session shows, or rows given as paths with their size and date texts.
    void FillFileList(const AnalysisSession& session);
    void FillFileList(const QStringList& paths, const QStringList& kbTexts,
                      const QStringList& dateTexts);
    bool MatchesFilter(const QString& path) const;
    void ShowFileCount();
    void AddFilterItemClick();
    void DeleteFilterItemClick();
    void ShowAllEntriesClick();
    // The shared column sort of the window's lists.
    void SortByColumn(int column);
    // The same; returns the order it gave the rows (old index of each new
    // row), empty when the sort failed.
    std::vector<int> SortRows(int column);

    // --- duplicates and search ------------------------------------------------
    void FindDuplicates();
    void MarkDuplicates(bool compareSize, bool compareDate);
    void FindFileClick();
    int FindFileRow(const QString& text, int start);

    // --- checked rows -----------------------------------------------------
    void CheckRows(bool state, bool allRows);
    void SwapCheckedAndSelected();
    void FileListAction(const QString& target, int operation);
    // handled, when given, gets one flag per path: 1 when that item was done.
    bool ShellOperationOnList(const QStringList& paths, const QString& target, int operation,
                              std::vector<char>* handled = nullptr);
    void RemoveCheckedRows();
    // Removes the checked rows whose flag is set (one flag per checked row, in
    // order); true when any went.
    bool RemoveHandledRows(const std::vector<char>& handled);
    QStringList CheckedPaths() const;
    void MoveCheckedClick();
    void CopyCheckedClick();
    void DeleteCheckedToTrash();
    void FileListDblClick();
    void ShowRowMenu();
    void ShowFileTypeClick();
    // The text "Show file type" shows for path.
    static QString FileTypeText(const QString& path);

    // Rows selected, as flags per row; and the count of selected rows.
    std::vector<char> SelectedFlags() const;
    int SelectedCount() const;
    // The selected row when exactly one is selected, else -1.
    int SingleSelectedRow() const;
    void SelectRows(const std::vector<char>& selected);

signals:
    // "Restore Morvane Archive" on the row selected.
    void RestoreArchiveRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls; tests find them by object name.
    QTableView* fileList_ = nullptr;
    QToolBar* fileListToolBar_ = nullptr;
    QToolBar* fileActionsToolBar_ = nullptr; // the second row
    QToolButton* fillFileListButton_ = nullptr;
    QComboBox* filterCombo_ = nullptr;
    QCheckBox* invertFilterBox_ = nullptr;
    QCheckBox* detailsBox_ = nullptr;
    QLabel* fileCountLabel_ = nullptr;
    QToolButton* selectAllButton_ = nullptr;  // select all
    QToolButton* selectNoneButton_ = nullptr; // select none
    QToolButton* trashButton_ = nullptr;      // Trash
    QToolButton* duplicatesButton_ = nullptr; // duplicates
    QToolButton* findFileButton_ = nullptr;   // search
    QToolButton* archiveButton_ = nullptr;    // archive
    QMenu* rowMenu_ = nullptr;
    QMenu* filterMenu_ = nullptr;
    QAction* checkSelectedItem_ = nullptr;
    QAction* uncheckSelectedItem_ = nullptr;
    QAction* reverseCheckedItem_ = nullptr;
    QAction* restoreArchiveItem_ = nullptr; // wired by the archive commands
    QAction* moveCheckedItem_ = nullptr;
    QAction* copyCheckedItem_ = nullptr;
    QAction* showFileTypeItem_ = nullptr;

    void BuildToolBars();
    void BuildMenus();
    void FileListSelectItem(const QItemSelection& selected, const QItemSelection& deselected);
    void ShowLabelForAWhile(const QString& text);
    // Takes each row's folder, name, "Size (kb)" and "Date (Cr)" texts.
    using RowSink = std::function<void(const QString& folder, const QString& name,
                                       const QString& kb, const QString& date)>;
    void FillRows(qsizetype count, const std::function<void(const RowSink&)>& rows);

    // The shell operations' dialogs, made on first use for the window.
    IShellOpUi* Dialogs();

    AnalysisSession& session_;
    CommandTable& commands_;
    ActivityIndicators& activity_;
    QTimer* fileCountTimer_ = nullptr;
    std::unique_ptr<IShellOpUi> dialogs_;
};
