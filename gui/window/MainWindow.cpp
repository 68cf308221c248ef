#include "gui/window/MainWindow.h"
#include "core/settings/IniFile.h"
#include "core/settings/IniSnapshot.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/ComboItems.h"
#include "gui/window/CommandTable.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/PagesSetup.h"
#include "gui/window/SnapshotView.h"
#include "platform/Errors.h"
#include "platform/Memory.h"
#include "platform/NativePath.h"
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {
QString WithDelimiter(QString p) {
    if (!p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    return p;
}

const char* const kPageCaptions[7] = {"Folder Size List", "Bar Chart", "Pie Chart",
                                      "File List",        "Comander",  "Clean Shortcuts",
                                      "Temp Folders"};

// Below this width the left pane counts as collapsed.
constexpr int kTreeOpenWidth = 9;
} // namespace

template <class F> void MainWindow::Guarded(F&& f) {
    try {
        f();
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    } catch (const std::exception& e) {
        ShowErrorMessage(this, QString::fromLocal8Bit(e.what()));
    }
}

MainWindow::MainWindow(const QString& iniFileName, const QStringList& args, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Morvane ++"));
    setMinimumSize(444, 350);
    programFolder_ = WithDelimiter(QCoreApplication::applicationDirPath());
    iniFileName_ = iniFileName;
    if (iniFileName_.isEmpty()) iniFileName_ = qEnvironmentVariable("MORVANE_INI");
    if (iniFileName_.isEmpty()) iniFileName_ = DefaultIniFileName(programFolder_);
    SetIniMessageHandler([this](const QString& text) { ShowMessage(this, text); });
    pd_ = std::make_unique<FolderDialog>(this);

    BuildLayout();
    ConnectCommands();
    InstallPages(*this);
    FormCreate(args);
}

MainWindow::~MainWindow() {
    FormDestroy();
    SetIniMessageHandler({});
}

void MainWindow::BuildLayout() {
    commands_ = new CommandTable(this);
    // The File menu's band follows the gauge's colours (BarColor, BarFontColor).
    commands_->BuildMainMenu(menuBar(), [this]() -> std::pair<QColor, QColor> {
        if (!gauge_) return {QColor(0, 0, 128), QColor(Qt::white)};
        return {gauge_->palette().color(QPalette::Base),
                gauge_->palette().color(QPalette::Highlight)};
    });

    toolBar_ = addToolBar(QStringLiteral("Main"));
    toolBar_->setObjectName(QStringLiteral("MainToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setIconSize(QSize(20, 20));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    elapsedLabel_ = new QLabel(this);
    elapsedLabel_->setObjectName(QStringLiteral("ElapsedLabel"));
    elapsedLabel_->setMinimumWidth(90);
    elapsedLabel_->setAlignment(Qt::AlignCenter);
    gauge_ = new ProgressGauge(this);
    gauge_->setObjectName(QStringLiteral("Gauge"));
    gauge_->setFixedSize(150, 16);
    commands_->BuildMainToolBar(toolBar_, elapsedLabel_, gauge_);

    // Status bar: five panels.
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    const int widths[5] = {80, 70, 100, 125, 500};
    for (int i = 0; i < 5; ++i) {
        panels_[i] = new QLabel(bar);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        panels_[i]->setMinimumWidth(widths[i]);
        panels_[i]->setContentsMargins(4, 0, 4, 0);
        panels_[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        bar->addWidget(panels_[i], i == 4 ? 1 : 0);
    }
    panels_[0]->setText(QStringLiteral("Total Size :"));
    QFont sf = bar->font();
    sf.setBold(true);
    sf.setPointSize(10);
    bar->setFont(sf);
    // The bold font needs more room than the classic widths give.
    const QFontMetrics fm(sf);
    panels_[0]->setMinimumWidth(std::max(widths[0], fm.horizontalAdvance(panels_[0]->text()) + 12));
    panels_[1]->setMinimumWidth(
        std::max(widths[1], fm.horizontalAdvance(QStringLiteral("9,999.99 GB")) + 12));
    panels_[2]->setMinimumWidth(
        std::max(widths[2], fm.horizontalAdvance(QStringLiteral("9,999,999.99 MB")) + 12));
    panels_[3]->setMinimumWidth(
        std::max(widths[3], fm.horizontalAdvance(QStringLiteral("9,999,999,999.99 KB")) + 12));

    // Left pane and page area.
    mainSplitter_ = new QSplitter(Qt::Horizontal, this);
    mainSplitter_->setObjectName(QStringLiteral("MainSplitter"));
    mainSplitter_->setHandleWidth(4);
    dirTree_ = new DirTreeView(mainSplitter_);
    dirTree_->setMinimumWidth(1);
    mainSplitter_->addWidget(dirTree_);

    auto* right = new QWidget(mainSplitter_);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(2);
    pageControl_ = new QTabWidget(right);
    pageControl_->setObjectName(QStringLiteral("PageTabs"));
    pageControl_->setDocumentMode(true);
    for (int i = 0; i < 7; ++i) {
        pages_[i] = new QWidget(pageControl_);
        pages_[i]->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        auto* l = new QVBoxLayout(pages_[i]);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(0);
        pageControl_->addTab(pages_[i], QString::fromLatin1(kPageCaptions[i]));
    }
    folderListPage_ = new FolderListPage(pages_[pgFolderList]);
    pages_[pgFolderList]->layout()->addWidget(folderListPage_);
    rightLayout->addWidget(pageControl_, 1);

    comboPanel_ = new QWidget(right);
    comboPanel_->setObjectName(QStringLiteral("ComboPanel"));
    auto* comboLayout = new QHBoxLayout(comboPanel_);
    comboLayout->setContentsMargins(0, 0, 0, 0);
    comboLayout->setSpacing(0);
    butCommandLine_ = new QToolButton(comboPanel_);
    butCommandLine_->setObjectName(QStringLiteral("But_CommandLine"));
    butCommandLine_->setFixedWidth(25);
    butCommandLine_->setIcon(
        ThemeIcon(QStringLiteral("utilities-terminal"), QStyle::SP_CommandLink));
    butCommandLine_->setAutoRaise(true);
    butCommandLine_->hide();
    comboLayout->addWidget(butCommandLine_);
    historyCombo_ = new QComboBox(comboPanel_);
    historyCombo_->setObjectName(QStringLiteral("HistoryCombo"));
    historyCombo_->setEditable(true);
    historyCombo_->setInsertPolicy(QComboBox::NoInsert);
    historyCombo_->setMaxVisibleItems(24);
    historyCombo_->setToolTip(QStringLiteral("Display a list of recent analyzed folders. Edit "
                                             "list with right mouse pop up menu"));
    historyCombo_->setContextMenuPolicy(Qt::CustomContextMenu);
    comboLayout->addWidget(historyCombo_, 1);
    rightLayout->addWidget(comboPanel_);
    comboPanel_->hide();

    mainSplitter_->addWidget(right);
    mainSplitter_->setStretchFactor(0, 0);
    mainSplitter_->setStretchFactor(1, 1);
    mainSplitter_->setCollapsible(0, true);
    mainSplitter_->setCollapsible(1, false);
    mainSplitter_->setSizes({dirTreeWidth_, 700});
    setCentralWidget(mainSplitter_);

    rotateTimer_ = new QTimer(this);
    rotateTimer_->setObjectName(QStringLiteral("RotateTimer"));
    rotateTimer_->setInterval(20);
    fileCountTimer_ = new QTimer(this);
    fileCountTimer_->setObjectName(QStringLiteral("FileCountTimer"));
    fileCountTimer_->setInterval(3000);
    elapsedTimer_ = new QTimer(this);
    elapsedTimer_->setObjectName(QStringLiteral("ElapsedTimer"));
    elapsedTimer_->setInterval(2000);
    connect(fileCountTimer_, &QTimer::timeout, fileCountTimer_, &QTimer::stop);
    connect(elapsedTimer_, &QTimer::timeout, this, [this] {
        elapsedLabel_->clear();
        elapsedTimer_->stop();
    });
    rotateTimer_->start();

    qApp->installEventFilter(this);
}

void MainWindow::ConnectCommands() {
    auto on = [this](const char* name, void (MainWindow::*handler)()) {
        connect(Action(QLatin1String(name)), &QAction::triggered, this, handler);
    };
    on("actRun", &MainWindow::actRunExecute);
    on("actUpOneDir", &MainWindow::actUpOneDirExecute);
    on("actBrowseDir", &MainWindow::actBrowseDirExecute);
    on("actO_C_DirTree", &MainWindow::actO_C_DirTreeExecute);
    on("actToggleHistCombo", &MainWindow::actToggleHistComboExecute);
    on("SortChart", &MainWindow::SortChartClick);
    connect(Action(QStringLiteral("ExitItem")), &QAction::triggered, this, [this] { close(); });
    on("actAbout", &MainWindow::actAboutExecute);
    on("RunSizeCheckItem", &MainWindow::RunSizeCheckClick);
    on("DeleteAllHistoryItems", &MainWindow::DeleteAllHistoryItemsClick);
    on("ShowAllHistoryItems", &MainWindow::ShowAllHistoryItemsClick);
    connect(Action(QStringLiteral("DeleteHistoryItem")), &QAction::triggered, this,
            [this] { RemoveComboEntry(historyCombo_); });
    connect(Action(QStringLiteral("actShowHints")), &QAction::toggled, this,
            &MainWindow::actShowHintsExecute);

    connect(pageControl_, &QTabWidget::currentChanged, this, [this](int index) {
        AdaptToPage();
        emit PageActivated(index);
    });
    connect(dirTree_, &DirTreeView::FolderClicked, this, &MainWindow::DirTreeClick);
    connect(dirTree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex i = dirTree_->indexAt(pos);
        if (i.isValid()) dirTree_->setCurrentIndex(i);
        commands_->DirTreePopUp()->popup(dirTree_->viewport()->mapToGlobal(pos));
    });
    connect(mainSplitter_, &QSplitter::splitterMoved, this, [this](int pos, int) {
        // Opening a collapsed tree shows the current folder.
        if (dirTreeWidth_ < kTreeOpenWidth && pos >= kTreeOpenWidth) SyncDirTree(currentFolder_);
        dirTreeWidth_ = pos;
    });
    connect(folderListPage_, &FolderListPage::RowActivated, this, &MainWindow::FolderListDblClick);
    connect(folderListPage_, &FolderListPage::ColumnClicked, this,
            [this](int column) { FolderListColumnClick(FolderList(), column); });
    connect(historyCombo_, &QComboBox::editTextChanged, this, &MainWindow::HistoryComboChange);
    connect(historyCombo_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        commands_->HistoryPop()->popup(historyCombo_->mapToGlobal(pos));
    });
    if (QLineEdit* edit = historyCombo_->lineEdit()) {
        edit->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(edit, &QWidget::customContextMenuRequested, this, [this, edit](const QPoint& pos) {
            commands_->HistoryPop()->popup(edit->mapToGlobal(pos));
        });
    }
}

void MainWindow::FormCreate(const QStringList& args) {
    // A settings file that cannot be made or read never stops the start: the
    // defaults hold and the user is told once.
    QString problem;
    try {
        EnsureIniFile(iniFileName_);
        const QFileInfo fi(iniFileName_);
        if (fi.exists() && !fi.isReadable())
            problem = QStringLiteral("The settings file %1 cannot be read.").arg(iniFileName_);
    } catch (const EMorvaneError& e) {
        problem = e.message();
    }
    const QString argument = args.value(0);

    scanner_ = std::make_unique<DirScanner>();
    scanner_->Progress = this;

    try {
        LoadWindowState();
        ApplySettings();
    } catch (const std::exception& e) {
        if (problem.isEmpty()) {
            problem = QStringLiteral("The settings file %1 could not be read (%2). Morvane starts "
                                     "with its default settings.")
                          .arg(iniFileName_, QString::fromLocal8Bit(e.what()));
        }
    }
    if (!problem.isEmpty()) ShowErrorMessage(this, problem);

    QAction* move = Action(QStringLiteral("Move"));
    if (pageControl_->currentIndex() != pgPieChart) move->setEnabled(false);
    Action(QStringLiteral("actExplodeBiggest"))->setEnabled(move->isEnabled());

    try {
        startFolder_ = ReadIniString(iniFileName_, QStringLiteral("LastDir"),
                                     QStringLiteral("Start with"), QStringLiteral("/"));
    } catch (const std::exception&) {
        startFolder_ = QStringLiteral("/");
    }

    // The first folder is already current when the start folder is the root,
    // so show it before selecting.
    panels_[4]->setText(currentFolder_);
    pd_->Directory = currentFolder_;
    if (!argument.isEmpty() && !IsExistingFolder(argument)) {
        // Analysing anything else (the root, say) would be a walk nobody asked for.
        ShowErrorMessage(this, QStringLiteral("\"%1\" is not an existing folder; nothing was "
                                              "analysed.")
                                   .arg(DisplayPath(argument)));
        SelectFolder(startFolder_);
    } else if (!argument.isEmpty()) {
        SelectFolder(argument);
        pageControl_->setCurrentIndex(pgBarChart);
        actRunExecute();
        SetDirTreeOpen(false);
    } else {
        SelectFolder(startFolder_);
    }
    AdaptToPage();
}

void MainWindow::FormDestroy() {
    qApp->removeEventFilter(this);
    scanner_.reset();
    try {
        emit StateSaving();
        SaveWindowState();
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    } catch (const std::exception& e) {
        ShowErrorMessage(this, QString::fromLocal8Bit(e.what()));
    }
}

QWidget* MainWindow::Page(int index) const {
    return index >= 0 && index < 7 ? pages_[index] : nullptr;
}

QAction* MainWindow::Action(const QString& name) const {
    return commands_->Action(name);
}

QLabel* MainWindow::StatusPanel(int index) const {
    return index >= 0 && index < 5 ? panels_[index] : nullptr;
}

IProgress& MainWindow::Gauge() {
    return *gauge_;
}

QTreeWidget* MainWindow::FolderList() const {
    return folderListPage_->FolderList();
}

void MainWindow::SetProgressMax(int max) {
    gauge_->SetProgressMax(max);
}

void MainWindow::SetAddProgress(int n) {
    gauge_->SetAddProgress(n);
}

// --- folder navigation ------------------------------------------------------

QString MainWindow::ParentFolder(const QString& path) {
    QString p = path;
    while (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (p.isEmpty()) return QStringLiteral("/"); // the root is its own parent
    const qsizetype i = p.lastIndexOf(QLatin1Char('/'));
    if (i < 0) return path;
    return p.left(i + 1);
}

QString MainWindow::SelectFolder(const QString& path) {
    if (path != currentFolder_) {
        const bool inSnapshot = Snapshots && Snapshots->Holds(WithDelimiter(path));
        if (IsExistingFolder(path) || inSnapshot)
            currentFolder_ = WithDelimiter(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
        pd_->Directory = currentFolder_;
        panels_[4]->setText(inSnapshot ? Snapshots->PanelText(currentFolder_)
                                       : DisplayPath(currentFolder_));
        emit CurrentFolderChanged(currentFolder_);
        if (DirTreeOpen()) SyncDirTree(path);
    }
    return path;
}

bool MainWindow::FolderThereOrSay(const QString& path) {
    if (IsExistingFolder(path) || (Snapshots && Snapshots->Holds(WithDelimiter(path)))) return true;
    // A folder deleted while shown would give an empty list without a word.
    ShowErrorMessage(this, QStringLiteral("Directory does not exist"));
    return false;
}

void MainWindow::SyncDirTree(const QString& path) {
    if (dirTree_->SelectedFolder() == WithDelimiter(path) || path.isEmpty()) return;
    if (!IsExistingFolder(path)) return;
    dirTree_->SuspendNotifications();
    try {
        dirTree_->SelectPath(path);
    } catch (...) {
        dirTree_->ResumeNotifications();
        throw;
    }
    dirTree_->ResumeNotifications();
}

bool MainWindow::AnalyseFolder(const QString& path) {
    if (analysisRun_.Running()) return false;
    // Inside a shown snapshot nothing is read from the disk; outside it the
    // snapshot is left behind.
    if (Snapshots && Snapshots->Holds(WithDelimiter(path))) {
        Snapshots->Show(WithDelimiter(path));
        return true;
    }
    if (Snapshots) Snapshots->Drop();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        // A run of its own, so a cancelled one leaves the last complete run in place.
        auto run = std::make_unique<DirScanner>();
        run->Threads = scanner_->Threads;
        run->FolderPath = path;
        run->IncludeFreeSpace = Action(QStringLiteral("FreeSpaceButt"))->isChecked();
        DirScanner::SetMinFileSize(qint64(MinFileSizeKB) * 1024);
        if (!analysisRun_.Execute(*run, this)) {
            QApplication::restoreOverrideCursor();
            gauge_->ResetProgress();
            if (closeAfterRun_) QTimer::singleShot(0, this, &QWidget::close);
            return false;
        }
        scanner_->TakeResults(*run);
        run.reset();
        TotalGB = std::llround(StrToSizeFloat(scanner_->TotalGBText) * 10000.0);
        FillFolderList(scanner_->EntryPaths, scanner_->EntryMB, scanner_->EntryKB);
        emit ChartsFillRequested(scanner_->EntryPaths, scanner_->EntryMB);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        gauge_->ResetProgress();
        throw;
    }
    QApplication::restoreOverrideCursor();
    gauge_->ResetProgress();
    ReleaseFreeMemory(); // the rows of the run before
    emit AnalysisDone(path);
    if (closeAfterRun_) QTimer::singleShot(0, this, &QWidget::close);
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // The run's loop is on the stack: close once it has unwound.
    if (analysisRun_.Running()) {
        closeAfterRun_ = true;
        analysisRun_.Cancel();
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}

void MainWindow::actRunExecute() {
    // Run while a run is going stops it.
    if (analysisRun_.Running()) {
        analysisRun_.Cancel();
        return;
    }
    try {
        emit ApplyChartOptionsRequested();
        if (Snapshots) Snapshots->Drop(); // Run measures the real folder
        if (!FolderThereOrSay(currentFolder_)) return;
        if (!AnalyseFolder(currentFolder_)) return;
        if (IsExistingFolder(currentFolder_)) {
            {
                const QSignalBlocker block(historyCombo_);
                historyCombo_->setEditText(currentFolder_);
            }
            AddTextToComboItems(historyCombo_, HistorySize);
        }
    } catch (...) {
        // Run drops its errors.
    }
}

void MainWindow::actUpOneDirExecute() {
    const QString p = ParentFolder(currentFolder_);
    if (p == currentFolder_ || analysisRun_.Running()) return;
    Guarded([&] {
        SelectFolder(p);
        AnalyseFolder(p);
    });
}

void MainWindow::actBrowseDirExecute() {
    pd_->Directory = currentFolder_;
    pd_->Title = QStringLiteral("Select directory and press Run to analyze");
    if (pd_->Execute()) SelectFolder(pd_->Directory);
}

void MainWindow::DirTreeClick() {
    SelectFolder(dirTree_->SelectedFolder());
    SyncLeftPane();
}

void MainWindow::SyncLeftPane() {
    if (Commander) Commander->FollowCurrentFolder();
    const QSignalBlocker block(historyCombo_);
    historyCombo_->setEditText(currentFolder_);
}

QString MainWindow::LeftPaneFolder() const {
    const QString label = Commander ? Commander->LeftFolderLabel() : QString();
    return label.isEmpty() ? currentFolder_ : label;
}

void MainWindow::RunSizeCheckClick() {
    if (analysisRun_.Running()) return;
    dirTree_->SuspendNotifications();
    Guarded([&] {
        SelectFolder(dirTree_->SelectedFolder());
        AnalyseFolder(currentFolder_);
    });
    dirTree_->ResumeNotifications();
}

void MainWindow::FolderListDblClick(const QString& folder) {
    // The row's own folder: the list may show another folder than the current one.
    const QString p = WithDelimiter(folder);
    // During a run the list still shows the last one: no drill from it.
    if (analysisRun_.Running() || !FolderThereOrSay(p)) return;
    Guarded([&] {
        SelectFolder(p);
        AnalyseFolder(p);
    });
}

// --- the left pane ------------------------------------------------------------

bool MainWindow::DirTreeOpen() const {
    return dirTreeWidth_ >= kTreeOpenWidth;
}

void MainWindow::SetDirTreeOpen(bool open) {
    QList<int> sizes = mainSplitter_->sizes();
    const int total = std::max(sizes.value(0) + sizes.value(1), width());
    if (open) {
        if (DirTreeOpen()) return;
        const int w = restoreWidth_ >= kTreeOpenWidth ? restoreWidth_ : 220;
        mainSplitter_->setSizes({w, std::max(total - w, 100)});
        dirTreeWidth_ = w;
        SyncDirTree(currentFolder_);
    } else {
        if (DirTreeOpen()) restoreWidth_ = dirTreeWidth_;
        mainSplitter_->setSizes({1, total});
        dirTreeWidth_ = 1;
    }
}

void MainWindow::actO_C_DirTreeExecute() {
    SetDirTreeOpen(!DirTreeOpen());
}

// --- the folder list --------------------------------------------------------

void MainWindow::FillFolderList(const QStringList& paths, const QStringList& mb,
                                const QStringList& kb) {
    const QDateTime start = QDateTime::currentDateTime();
    if (!paths.isEmpty()) {
        elapsedLabel_->clear();
        const auto totals = folderListPage_->FillFolderList(paths, mb, kb, gauge_);
        if (totals) {
            panels_[2]->setText(totals->MBText);
            panels_[3]->setText(totals->KBText);
            panels_[1]->setText(TotalText(TotalGB, QStringLiteral("GB")));
            TotalMBText = totals->MBText;
            TotalKBText = totals->KBText;
        }
        gauge_->ResetProgress();
    }
    elapsedLabel_->setText(ElapsedText(start, QDateTime::currentDateTime()));
    elapsedTimer_->start();
}

void MainWindow::FillChartsFromList() {
    QStringList paths, mb;
    folderListPage_->RowsInOrder(paths, mb);
    emit ChartsFillRequested(paths, mb);
}

void MainWindow::FolderListColumnClick(QTreeWidget* list, int column) {
    if (SortByColumn(list, column, sortState_) && list == FolderList()) {
        try {
            FillChartsFromList();
        } catch (...) {
            // A sort reports nothing.
        }
    }
}

void MainWindow::SortChartClick() {
    FolderListColumnClick(FolderList(), 1);
}

// --- history ----------------------------------------------------------------

void MainWindow::HistoryComboChange(const QString& text) {
    if (settingComboText_) return;
    const QString before = currentFolder_;
    SelectFolder(text);
    // Inside a shown snapshot the history moves at once: nothing is read from the disk.
    if (currentFolder_ != before && Snapshots && Snapshots->Holds(currentFolder_))
        Guarded([&] { AnalyseFolder(currentFolder_); });
}

void MainWindow::DeleteAllHistoryItemsClick() {
    if (!AskWarningYesNo(this, QStringLiteral("You are about to delete the complete History "
                                              "Listing\r\nAre you sure that you want to "
                                              "continue?")))
        return;
    const QSignalBlocker block(historyCombo_);
    const QString text = historyCombo_->currentText();
    historyCombo_->clear();
    historyCombo_->setEditText(text);
}

void MainWindow::ShowAllHistoryItemsClick() {
    QString text;
    for (const QString& s : ComboItems(historyCombo_))
        text += s + QLatin1Char('\n');
    ShowMessage(this, text);
}

bool MainWindow::HistoryVisible() const {
    return !comboPanel_->isHidden();
}

void MainWindow::actToggleHistComboExecute() {
    comboPanel_->setVisible(comboPanel_->isHidden());
}

// --- page changes, activation, hints ---------------------------------------------

void MainWindow::AdaptToPage() {
    QAction* move = Action(QStringLiteral("Move"));
    const int page = pageControl_->currentIndex();
    auto releaseMove = [move] {
        move->setChecked(false);
        move->setEnabled(false);
    };
    auto normalLook = [this] {
        QPalette p = historyCombo_->palette();
        const QColor back = FolderList()->palette().color(QPalette::Base);
        p.setColor(QPalette::Base, back);
        p.setColor(QPalette::Text, Qt::black);
        historyCombo_->setPalette(p);
        QFont f = historyCombo_->font();
        f.setBold(false);
        historyCombo_->setFont(f);
    };
    auto setText = [this](const QString& text) {
        if (historyCombo_->currentText() == text) return;
        settingComboText_ = true;
        historyCombo_->setEditText(text);
        settingComboText_ = false;
    };
    switch (page) {
    case pgFolderList:
    case pgBarChart:
    case pgFileList:
    case pgPieChart:
        if (page == pgPieChart)
            move->setEnabled(true);
        else
            releaseMove();
        butCommandLine_->hide();
        setText(currentFolder_);
        normalLook();
        break;
    case pgCommander: {
        SyncLeftPane();
        butCommandLine_->show();
        QPalette p = historyCombo_->palette();
        p.setColor(QPalette::Base, Qt::black);
        p.setColor(QPalette::Text, Qt::white);
        historyCombo_->setPalette(p);
        QFont f(QStringLiteral("Courier New"), historyCombo_->font().pointSize());
        f.setStyleHint(QFont::Monospace);
        f.setBold(true);
        historyCombo_->setFont(f);
        setText(LastCommandLine);
        break;
    }
    case pgShortcuts:
        releaseMove();
        butCommandLine_->hide();
        setText(QStringLiteral("Delete broken shortcuts and empty folders"));
        normalLook();
        break;
    default:
        break;
    }
    Action(QStringLiteral("actExplodeBiggest"))->setEnabled(move->isEnabled());
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    dirTreeWidth_ = DirTreeOpen() ? mainSplitter_->sizes().value(0) : dirTreeWidth_;
}

void MainWindow::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) AdaptToPage();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (analysisRun_.Running() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        analysisRun_.Cancel();
        return true;
    }
    if (!showHints_ && event->type() == QEvent::ToolTip) return true;
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::actShowHintsExecute(bool on) {
    showHints_ = on;
}

void MainWindow::actAboutExecute() {
    AboutDialog about(this);
    ExecModal(about);
}

// ApplySettings and ApplyFlatDesign: gui/window/ApplySettings.cpp.
