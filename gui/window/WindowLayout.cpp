// The window's layout (tool bar, status bar, left pane, pages, bottom box)
// and the wiring of its own commands and of the session to it.
#include "gui/commands/CommandTable.h"
#include "gui/common/ActivityIndicators.h"
#include "gui/common/AppIcons.h"
#include "gui/common/ComboItems.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/MainWindow.h"
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const char* const kPageCaptions[MainWindow::kPageCount] = {
    "Folder Size List", "Bar Chart",       "Pie Chart",    "File List",
    "Comander",         "Clean Shortcuts", "Temp Folders", "Treemap"};
} // namespace

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
    BuildStatusBar();
    BuildPageArea();

    elapsedTimer_ = new QTimer(this);
    elapsedTimer_->setObjectName(QStringLiteral("ElapsedTimer"));
    elapsedTimer_->setInterval(2000);
    connect(elapsedTimer_, &QTimer::timeout, this, [this] {
        elapsedLabel_->clear();
        elapsedTimer_->stop();
    });
    activity_ = std::make_unique<ActivityIndicators>(gauge_, elapsedLabel_, elapsedTimer_);

    qApp->installEventFilter(this);
}

void MainWindow::BuildStatusBar() {
    // Five panels.
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
}

void MainWindow::BuildPageArea() {
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
    for (int i = 0; i < kPageCount; ++i) {
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
    butCommandLine_->setToolTip(QStringLiteral("Execute Command line in the\nleft directory pane"));
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
    // The entries are the session's history; the box shows and edits them.
    historyCombo_->setModel(session_->History());
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
}

void MainWindow::ConnectCommands() {
    auto on = [this](const char* name, void (MainWindow::*handler)()) {
        connect(Action(QLatin1String(name)), &QAction::triggered, this, handler);
    };
    on("actRun", &MainWindow::RunCurrentFolder);
    on("actUpOneDir", &MainWindow::UpOneDir);
    on("actBrowseDir", &MainWindow::BrowseForFolder);
    on("actO_C_DirTree", &MainWindow::OpenCloseDirTree);
    on("actToggleHistCombo", &MainWindow::ToggleHistoryBar);
    on("SortChart", &MainWindow::SortChartClick);
    connect(Action(QStringLiteral("ExitItem")), &QAction::triggered, this, [this] { close(); });
    on("actAbout", &MainWindow::ShowAbout);
    on("RunSizeCheckItem", &MainWindow::RunSizeCheckClick);
    on("SettingsItem", &MainWindow::SettingsClick);
    on("ExportListItem", &MainWindow::ExportListClick);
    on("actPrint", &MainWindow::PrintPage);
    on("DeleteAllHistoryItems", &MainWindow::DeleteAllHistoryItemsClick);
    on("ShowAllHistoryItems", &MainWindow::ShowAllHistoryItemsClick);
    connect(Action(QStringLiteral("DeleteHistoryItem")), &QAction::triggered, this,
            [this] { RemoveComboEntry(historyCombo_); });
    connect(Action(QStringLiteral("actShowHints")), &QAction::toggled, this,
            &MainWindow::ShowHints);

    connect(pageControl_, &QTabWidget::currentChanged, this, [this](int index) {
        AdaptToPage();
        if (commander_) {
            commander_->SetActive(index == pgCommander);
            // On a change of page only: the window's activation after any dialog
            // must not take the right pane away from where the user went.
            if (index == pgCommander) commander_->PageShown();
        }
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
        if (dirTreeWidth_ < kTreeOpenWidth && pos >= kTreeOpenWidth)
            SyncDirTree(session_->CurrentFolder());
        dirTreeWidth_ = pos;
    });
    connect(folderListPage_, &FolderListPage::RowActivated, this, &MainWindow::FolderListDblClick);
    connect(folderListPage_, &FolderListPage::ColumnClicked, this,
            [this](int column) { FolderListColumnClick(folderListPage_->FolderList(), column); });
    connect(butCommandLine_, &QToolButton::clicked, this, &MainWindow::RunCommandLine);
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

void MainWindow::ConnectSession() {
    connect(session_.get(), &AnalysisSession::CurrentFolderChanged, this,
            &MainWindow::CurrentFolderChanged);
    connect(session_.get(), &AnalysisSession::SnapshotClosed, this,
            [this] { panels_[4]->setText(session_->CurrentFolder()); });
}
