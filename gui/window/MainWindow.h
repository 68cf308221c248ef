#pragma once
// The main window: builds the analysis session, the command table, the pages
// and the dialogs, and connects them.
//
// - The session (Session()) holds the current folder, the results of the last
//   complete run or the snapshot shown, the history and the run state; pages
//   follow its signals. Pages and dialogs never include this header: the
//   window hands them the session, the command table and the indicators.
// - Pages: PageTabs has seven pages by index (PageIndex). Page(i) is an empty
//   container with a QVBoxLayout (no margins); InstallPages
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
        pgTempFolders = 6
    };

    // iniFileName: the settings file (empty: $MORVANE_INI, else the default
    // place). args: the command line without the program name; a first
    // argument is a folder analysed at once.
    explicit MainWindow(const QString& iniFileName = {}, const QStringList& args = {},
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- what the window is built from ----------------------------------------
    AnalysisSession& Session() const { return *session_; }
    CommandTable& Commands() const { return *commands_; }
    QAction* Action(const QString& name) const;
    ActivityIndicators& Activity() const { return *activity_; }
    SnapshotView& Snapshots() const { return *snapshots_; }
    QWidget* Page(int index) const;
    QTabWidget* PageTabs() const { return pageControl_; }
    QToolBar* MainToolBar() const { return toolBar_; }
    QLabel* StatusPanel(int index) const;
    FolderListPage* FolderPage() const { return folderListPage_; }
    QComboBox* HistoryCombo() const { return historyCombo_; }
    QToolButton* But_CommandLine() const { return butCommandLine_; }
    DirTreeView* DirTree() const { return dirTree_; }
    FolderDialog& PD() { return *pd_; }
    // Set once by InstallPages.
    void SetPages(CommanderPage* commander, FileListPage* files);

    // --- window operations ------------------------------------------------------
    // Measures path and fills the list, the status bar and the charts. Throws
    // what the run throws (callers other than Run show it). The window's events
    // go on meanwhile: Esc or Run stops the walk, and then the views keep the
    // previous complete run and this returns false (as it does, doing nothing,
    // when another analysis is still going).
    bool AnalyseFolder(const QString& path);
    // True when path is a folder on the disk or in the shown snapshot; else
    // says "Directory does not exist".
    bool FolderThereOrSay(const QString& path);
    // Points the left pane, its label and the bottom box at the current folder.
    void SyncLeftPane();
    // The folder named above the left pane (the current folder without the page).
    QString LeftPaneFolder() const;
    // The last command run from the bottom box; it comes back there on the
    // commander page. Never stored.
    QString LastCommandLine() const { return lastCommandLine_; }
    void SetLastCommandLine(const QString& text) { lastCommandLine_ = text; }

    // Fills the list, status panels 1 to 3 and the charts with the rows the
    // session shows (after a run, a snapshot folder or a result file).
    void ShowSessionRows();
    // Fills the list and status panels 1 to 3 from three parallel lists.
    void FillFolderList(const QStringList& paths, const QStringList& mb, const QStringList& kb);
    // Rebuilds the charts in the list's current order.
    void FillChartsFromList();
    // The column-click sort of every list of the window.
    void FolderListColumnClick(QTreeWidget* list, int column);
    // Re-reads the settings the window uses; pages follow SettingsApplied.
    void ApplySettings();
    // Restyles the window for the design number (0 flat, 1 flat tool bars, 2 raised).
    void ApplyFlatDesign(int design);
    // The values ApplySettings read last.
    const WindowSettings& AppliedSettings() const { return appliedSettings_; }
    // Menu "Settings", menu "Print / Export List", command "Print visible sheet".
    void SettingsClick();
    void ExportListClick();
    void actPrintExecute();
    // Folder history entries and the bar's visibility.
    bool HistoryVisible() const;
    // Left pane collapsed to the splitter's minimum.
    bool DirTreeOpen() const;

    // Commands (also reachable through the actions).
    void actRunExecute();
    void actUpOneDirExecute();
    void actBrowseDirExecute();
    void actO_C_DirTreeExecute();
    void actToggleHistComboExecute();
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
    void actAboutExecute();
    void actShowHintsExecute(bool on);
    // Runs f; an error shows the standard error box.
    void Guarded(const std::function<void()>& f);

    // Below this width the left pane counts as collapsed.
    static constexpr int kTreeOpenWidth = 9;

    // First made, last gone: every part holds on to it.
    std::unique_ptr<AnalysisSession> session_;
    std::unique_ptr<FolderDialog> pd_;
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
    QWidget* pages_[7] = {};
    FolderListPage* folderListPage_ = nullptr;
    QWidget* comboPanel_ = nullptr;
    QToolButton* butCommandLine_ = nullptr;
    QComboBox* historyCombo_ = nullptr;
    int dirTreeWidth_ = 220; // current width of the left pane
    int restoreWidth_ = 220; // width before the pane was collapsed
    bool showHints_ = true;
    bool settingComboText_ = false;
};
