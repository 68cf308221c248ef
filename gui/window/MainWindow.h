#pragma once
// The main window: builds the analysis session, the command table, the pages
// and the dialogs, and connects them.
//
// - The session (Session()) holds the current folder, the results of the last
//   complete run or the snapshot shown, the history and the run state; pages
//   follow its signals. Pages, dialogs and the command parts never get the
//   window: it hands them the session, the command table (a CommandContext
//   for the command parts) and the few widgets each one works on.
// - Pages: the tab widget "PageTabs" has eight pages by index (PageIndex).
//   Page(i) ("TabSheet<i+1>") is an empty container with a QVBoxLayout (no
//   margins); InstallPages
//   (gui/window/PagesSetup.cpp) puts each page there and wires it, inside the
//   constructor, after the layout is built and before the window state is
//   loaded and ApplySettings runs, so connections made there see the restored
//   switches.
// - Commands: every action of the command table exists from the start, found by
//   name: Action("actSavePicture"). Connect `triggered` for the command,
//   `toggled` to follow a switch's state (restored switches are set with
//   setChecked, which fires `toggled` only).
// - Signals: AnalysisDone (after every fill of the list from a run or a
//   snapshot), ChartsFillRequested (paths and MB texts in list order: rebuild
//   the charts), ApplyChartOptionsRequested (Run applies the chart switches
//   first), PageActivated, SettingsApplied, StateSaving (before the window
//   state is written at destruction: write your own keys).
#include "core/settings/SettingsDefaults.h"
#include <QMainWindow>
#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class ActivityIndicators;
class AnalysisSession;
class ChartPages;
struct CommandContext;
class CommandTable;
class CommanderPage;
class DirTreeView;
class FileListPage;
class FolderDialog;
class FolderListPage;
class ProgressGauge;
class SnapshotView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    enum PageIndex {
        pgFolderList = 0,
        pgBarChart = 1,
        pgPieChart = 2,
        pgFileList = 3,
        pgCommander = 4,
        pgShortcuts = 5,
        pgTempFolders = 6,
        pgTreemap = 7
    };
    static constexpr int kPageCount = 8;

    // iniFileName: the settings file (empty: $MORVANE_INI, else the default
    // place). args: the command line without the program name; a first
    // argument is a folder analysed at once.
    explicit MainWindow(const QString& iniFileName = {}, const QStringList& args = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- what the window is built from ----------------------------------------
    // The pages, dialogs and command parts get these (and the few widgets each
    // works on) when the window builds them; tests find widgets by object name.
    AnalysisSession& Session() const { return *session_; }
    CommandTable& Commands() const { return *commands_; }
    QAction* Action(const QString& name) const;
    ActivityIndicators& Activity() const { return *activity_; }
    // The folder picker of Browse and the folder commands; it starts where the
    // last pick ended.
    FolderDialog& FolderPicker() { return *folderPicker_; }

    // --- window operations ------------------------------------------------------
    // Measures path and fills the list, the status bar and the charts. Throws
    // what the run throws (callers other than Run show it). The window's events
    // go on meanwhile: Esc or Run stops the walk, and then the views keep the
    // previous complete run and this returns false (as it does, doing nothing,
    // when another analysis is still going).
    bool AnalyseFolder(const QString& path);
    // The folder named above the left pane (the current folder without the page).
    QString LeftPaneFolder() const;
    // The last command run from the bottom box; it comes back there on the
    // commander page. Never stored.
    QString LastCommandLine() const { return lastCommandLine_; }

    // Fills the list, status panels 1 to 3 and the charts with the rows the
    // session shows (after a run, a snapshot folder or a result file).
    void ShowSessionRows();
    // Fills the list and status panels 1 to 3 from three parallel lists.
    void FillFolderList(const QStringList& paths, const QStringList& mb, const QStringList& kb);
    // A folder was shown without a run (from a snapshot): the status bar names
    // it by panelText and it joins the history, as after a run.
    void FolderShown(const QString& folder, const QString& panelText);
    // Rebuilds the charts in the list's current order.
    void FillChartsFromList();
    // The column-click sort of every list of the window.
    void FolderListColumnClick(QTreeWidget* list, int column);
    // The values ApplySettings read last.
    const WindowSettings& AppliedSettings() const { return appliedSettings_; }
    // Folder history entries and the bar's visibility.
    bool HistoryVisible() const;
    // Left pane collapsed to the splitter's minimum.
    bool DirTreeOpen() const;

    // Commands (also reachable through the actions).
    void RunCurrentFolder();
    void UpOneDir();
    void BrowseForFolder();
    void OpenCloseDirTree();
    void SortChartClick();

signals:
    void AnalysisDone(const QString& folder);
    void ChartsFillRequested(const QStringList& paths, const QStringList& mb);
    void ApplyChartOptionsRequested();
    void PageActivated(int index);
    void SettingsApplied();
    void StateSaving();

protected:
    void showEvent(QShowEvent* e) override;
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Puts the pages, the charts and the command parts into the window and wires
    // them (gui/window/PagesSetup.cpp, ChartPagesInstall.cpp).
    void InstallPages();
    ChartPages* InstallChartPages();
    void InstallTreemapPage();
    // What the command parts are built from.
    CommandContext PartsContext();
    QWidget* Page(int index) const;
    // True when path is a folder on the disk or in the shown snapshot; else
    // says "Directory does not exist".
    bool FolderThereOrSay(const QString& path);
    // Points the left pane, its label and the bottom box at the current folder.
    void SyncLeftPane();
    // Runs the bottom box's text as a command line in the left pane's folder.
    void RunCommandLine();
    // Re-reads the settings the window uses; pages follow SettingsApplied.
    void ApplySettings();
    // Restyles the window for the design number (0 flat, 1 flat tool bars, 2 raised).
    void ApplyFlatDesign(int design);
    // Menu "Settings", menu "Print / Export List", command "Print visible sheet".
    void SettingsClick();
    void ExportListClick();
    void PrintPage();
    void ToggleHistoryBar();
    void BuildLayout();
    void BuildStatusBar();
    void BuildPageArea();
    void ConnectCommands();
    void ConnectSession();
    void FormCreate(const QStringList& args);
    void FormDestroy();
    void AdaptToPage();
    void LoadWindowState();
    void SaveWindowState();
    void CurrentFolderChanged(const QString& folder, const QString& requested);
    void SyncDirTree(const QString& path);
    void SetDirTreeOpen(bool open);
    void DirTreeClick();
    void RunSizeCheckClick();
    void FolderListDblClick(const QString& folder);
    void HistoryComboChange(const QString& text);
    void DeleteAllHistoryItemsClick();
    void ShowAllHistoryItemsClick();
    void ShowAbout();
    void ShowHints(bool on);
    // Runs f; an error shows the standard error box.
    void Guarded(const std::function<void()>& f);

    // Below this width the left pane counts as collapsed.
    static constexpr int kTreeOpenWidth = 9;

    // First made, last gone: every part holds on to it.
    std::unique_ptr<AnalysisSession> session_;
    std::unique_ptr<FolderDialog> folderPicker_;
    std::unique_ptr<ActivityIndicators> activity_;
    bool closeAfterRun_ = false;
    WindowSettings appliedSettings_;
    QString lastCommandLine_;
    CommandTable* commands_ = nullptr;
    SnapshotView* snapshots_ = nullptr;
    CommanderPage* commander_ = nullptr;
    FileListPage* fileListPage_ = nullptr;
    // The right pane's folder remembered at start (kept across runs).
    QString rightDir_ = QStringLiteral("/");
    QToolBar* toolBar_ = nullptr;
    ProgressGauge* gauge_ = nullptr;
    QLabel* elapsedLabel_ = nullptr;
    QLabel* panels_[5] = {};
    QTimer* rotateTimer_ = nullptr;
    QTimer* elapsedTimer_ = nullptr;
    QSplitter* mainSplitter_ = nullptr;
    DirTreeView* dirTree_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    QWidget* pages_[kPageCount] = {};
    FolderListPage* folderListPage_ = nullptr;
    QWidget* comboPanel_ = nullptr;
    QToolButton* butCommandLine_ = nullptr;
    QComboBox* historyCombo_ = nullptr;
    int dirTreeWidth_ = 220; // current width of the left pane
    int restoreWidth_ = 220; // width before the pane was collapsed
    bool showHints_ = true;
    bool settingComboText_ = false;
};
