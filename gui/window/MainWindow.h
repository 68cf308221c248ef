#pragma once
// The main window.
//
// How a page or a dialog plugs in
// -------------------------------
// - Pages: PageTabs has seven pages by index (PageIndex). Page(i) is an empty
//   container with a QVBoxLayout (no margins); the owner adds its widgets:
//       form.Page(MainWindow::pgBarChart)->layout()->addWidget(new BarChartPage(...));
//   Page 0 is the folder size list (FolderList()).
// - Installing: add one call for your page to InstallPages() in
//   gui/window/PagesSetup.cpp. It runs inside the constructor after the layout is
//   built and before the window state is loaded and ApplySettings runs, so
//   connections made there see the restored switches.
// - Commands: every action of the command table exists from the start, found by
//   name: form.Action("actSavePicture"), form.Action("Move"). Connect
//   `triggered` for the command, `toggled` to follow a switch's state (restored
//   switches are set with setChecked, which fires `toggled` only).
// - The scanner: Scanner() (DirScanner&), its rows stay until the next run.
//   CurrentFolder(), SelectFolder(path), AnalyseFolder(path), IniFileName().
// - Signals: AnalysisDone (after every fill of the list from a run),
//   ChartsFillRequested (paths and MB texts in list order: rebuild the charts),
//   ApplyChartOptionsRequested (Run applies the chart switches first),
//   CurrentFolderChanged, PageActivated, SettingsApplied, StateSaving (before
//   the window state is written at destruction: write your own keys).
// - Progress: Gauge() is the IProgress of the tool bar gauge; StatusPanel(i)
//   the five status bar panels; ElapsedLabel() the elapsed-time label with ElapsedTimer.
// - Shared sort: FolderListColumnClick(list, column) sorts any QTreeWidget with
//   the window's one sort state (SortState()).
// - Two-pane page: Commander (set once the page is installed); LeftPaneFolder()
//   is the folder named above its left pane; SyncLeftPane() points that pane,
//   its label and the bottom box at the current folder.
// - Message boxes: gui/dialogs/MessageBoxes.h; folder pickers: gui/dialogs/FolderPickers.h.
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/settings/SettingsDefaults.h"
#include "gui/pages/ListSort.h"
#include "gui/window/AnalysisRun.h"
#include <QMainWindow>
#include <QStringList>
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
class CommandTable;
class CommanderPage;
class DirTreeView;
class FolderDialog;
class FolderListPage;
class ProgressGauge;
class SnapshotView;

class MainWindow : public QMainWindow, public IProgress {
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

    // --- what pages use -------------------------------------------------
    QString IniFileName() const { return iniFileName_; }
    QString ProgramFolder() const { return programFolder_; }
    DirScanner& Scanner() { return *scanner_; }
    QString CurrentFolder() const { return currentFolder_; }
    QString StartFolder() const { return startFolder_; }
    QString SelectFolder(const QString& path);
    // Measures path and fills the list, the status bar and the charts. Throws
    // what the run throws (callers other than Run show it). The window's events
    // go on meanwhile: Esc or Run stops the walk, and then the views keep the
    // previous complete run and this returns false (as it does, doing nothing,
    // when another analysis is still going).
    bool AnalyseFolder(const QString& path);
    bool AnalysisRunning() const { return analysisRun_.Running(); }
    // True when path is a folder on the disk or in the shown snapshot; else
    // says "Directory does not exist".
    bool FolderThereOrSay(const QString& path);
    void CancelAnalysis() { analysisRun_.Cancel(); }
    static QString ParentFolder(const QString& path);

    QWidget* Page(int index) const;
    QTabWidget* PageTabs() const { return pageControl_; }
    QAction* Action(const QString& name) const;
    CommandTable& Commands() const { return *commands_; }
    QToolBar* MainToolBar() const { return toolBar_; }
    QLabel* StatusPanel(int index) const;
    IProgress& Gauge();
    ProgressGauge* GaugeWidget() const { return gauge_; }
    QLabel* ElapsedLabel() const { return elapsedLabel_; }
    QTimer* RotateTimer() const { return rotateTimer_; }
    QTimer* FileCountTimer() const { return fileCountTimer_; }
    QTimer* ElapsedTimer() const { return elapsedTimer_; }
    QTreeWidget* FolderList() const;
    FolderListPage* FolderPage() const { return folderListPage_; }
    QComboBox* HistoryCombo() const { return historyCombo_; }
    QWidget* ComboPanel() const { return comboPanel_; }
    QToolButton* But_CommandLine() const { return butCommandLine_; }
    DirTreeView* DirTree() const { return dirTree_; }
    QSplitter* MainSplitter() const { return mainSplitter_; }
    FolderDialog& PD() { return *pd_; }
    ListSortState& SortState() { return sortState_; }

    // The filter combo box of the file list, set by its page so the window
    // state can load and save its list and text.
    QComboBox* FilterCombo = nullptr;
    // The snapshot shown in place of the disk, set when Open installs; analyses of
    // the folders it holds are filled from it.
    SnapshotView* Snapshots = nullptr;
    // The two-pane page, set by the page when it installs.
    CommanderPage* Commander = nullptr;
    // The right pane's folder remembered at start (kept across runs).
    QString RightDir = QStringLiteral("/");
    // Points the left pane, its label and the bottom box at the current folder.
    void SyncLeftPane();
    // The folder named above the left pane (the current folder without the page).
    QString LeftPaneFolder() const;
    // Stored tool bar image strip ("...1.bmp"); empty for the built-in images.
    QString ButtonImagesFile;
    // Totals of the last fill (status panels 2 and 3) and of the last run.
    QString TotalMBText, TotalKBText;
    SizeValue TotalGB = 0;
    // Settings read by ApplySettings.
    int HistorySize = 20;
    int MinFileSizeKB = 0;
    // The last command run from the bottom box; it comes back there on the
    // commander page. Never stored.
    QString LastCommandLine;

    // IProgress: the tool bar gauge.
    void SetProgressMax(int max) override;
    void SetAddProgress(int n) override;

    // Fills the list and status panels 1 to 3 from three parallel lists (a run
    // or an opened result file).
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
    WindowSettings AppliedSettings;
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
    void CurrentFolderChanged(const QString& folder);
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
    void ConnectCommands();
    void FormCreate(const QStringList& args);
    void FormDestroy();
    void AdaptToPage();
    void LoadWindowState();
    void SaveWindowState();
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
    template <class F> void Guarded(F&& f);

    QString iniFileName_;
    QString programFolder_;
    QString currentFolder_ = QStringLiteral("/");
    QString startFolder_;
    std::unique_ptr<DirScanner> scanner_;
    AnalysisRun analysisRun_;
    bool closeAfterRun_ = false;
    std::unique_ptr<FolderDialog> pd_;
    ListSortState sortState_;
    CommandTable* commands_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    ProgressGauge* gauge_ = nullptr;
    QLabel* elapsedLabel_ = nullptr;
    QLabel* panels_[5] = {};
    QTimer* rotateTimer_ = nullptr;
    QTimer* fileCountTimer_ = nullptr;
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
