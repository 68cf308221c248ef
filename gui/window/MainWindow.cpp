#include "gui/window/MainWindow.h"
#include "core/settings/IniFile.h"
#include "gui/commands/CommandContext.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/ActivityIndicators.h"
#include "gui/common/ComboItems.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/DirTreeView.h"
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
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

void MainWindow::Guarded(const std::function<void()>& f) {
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
    QString ini = iniFileName;
    if (ini.isEmpty()) ini = qEnvironmentVariable("MORVANE_INI");
    if (ini.isEmpty())
        ini = DefaultIniFileName(
            AnalysisSession::WithDelimiter(QCoreApplication::applicationDirPath()));
    session_ = std::make_unique<AnalysisSession>(ini);
    SetIniMessageHandler([this](const QString& text) { ShowMessage(this, text); });
    folderPicker_ = std::make_unique<FolderDialog>(this);

    BuildLayout();
    ConnectCommands();
    ConnectSession();
    snapshots_ = new SnapshotView(*this, *session_);
    connect(snapshots_, &SnapshotView::Opened, this, &MainWindow::ApplyChartOptionsRequested);
    connect(snapshots_, &SnapshotView::FolderLoaded, this,
            [this](const QString& folder, const QString& panelText) {
                ShowSessionRows();
                FolderShown(folder, panelText);
                emit AnalysisDone(folder);
            });
    InstallPages();
    FormCreate(args);
}

MainWindow::~MainWindow() {
    FormDestroy();
    SetIniMessageHandler({});
}

void MainWindow::FormCreate(const QStringList& args) {
    // A settings file that cannot be made or read never stops the start: the
    // defaults hold and the user is told once.
    QString problem;
    try {
        EnsureIniFile(session_->IniFileName());
        const QFileInfo fi(session_->IniFileName());
        if (fi.exists() && !fi.isReadable())
            problem =
                QStringLiteral("The settings file %1 cannot be read.").arg(session_->IniFileName());
    } catch (const EMorvaneError& e) {
        problem = e.message();
    }
    const QString argument = args.value(0);

    try {
        LoadWindowState();
        ApplySettings();
    } catch (const std::exception& e) {
        if (problem.isEmpty()) {
            problem = QStringLiteral("The settings file %1 could not be read (%2). Morvane starts "
                                     "with its default settings.")
                          .arg(session_->IniFileName(), QString::fromLocal8Bit(e.what()));
        }
    }
    if (!problem.isEmpty()) ShowErrorMessage(this, problem);

    QAction* move = Action(QStringLiteral("Move"));
    if (pageControl_->currentIndex() != pgPieChart) move->setEnabled(false);
    Action(QStringLiteral("actExplodeBiggest"))->setEnabled(move->isEnabled());

    try {
        session_->SetStartFolder(ReadIniString(session_->IniFileName(), QStringLiteral("LastDir"),
                                               QStringLiteral("Start with"), QStringLiteral("/")));
    } catch (const std::exception&) {
        session_->SetStartFolder(QStringLiteral("/"));
    }

    // The first folder is already current when the start folder is the root,
    // so show it before selecting.
    panels_[4]->setText(session_->CurrentFolder());
    folderPicker_->Directory = session_->CurrentFolder();
    if (!argument.isEmpty() && !IsExistingFolder(argument)) {
        // Analysing anything else (the root, say) would be a walk nobody asked for.
        ShowErrorMessage(this, QStringLiteral("\"%1\" is not an existing folder; nothing was "
                                              "analysed.")
                                   .arg(DisplayPath(argument)));
        session_->SelectFolder(session_->StartFolder());
    } else if (!argument.isEmpty()) {
        session_->SelectFolder(argument);
        pageControl_->setCurrentIndex(pgBarChart);
        RunCurrentFolder();
        SetDirTreeOpen(false);
    } else {
        session_->SelectFolder(session_->StartFolder());
    }
    AdaptToPage();
}

void MainWindow::FormDestroy() {
    qApp->removeEventFilter(this);
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
    return index >= 0 && index < kPageCount ? pages_[index] : nullptr;
}

QAction* MainWindow::Action(const QString& name) const {
    return commands_->Action(name);
}

CommandContext MainWindow::PartsContext() {
    return {*this, *session_, *commands_,
            [this](const QString& folder) { return AnalyseFolder(folder); }};
}

// --- folder navigation ------------------------------------------------------

void MainWindow::CurrentFolderChanged(const QString& folder, const QString& requested) {
    folderPicker_->Directory = folder;
    panels_[4]->setText(session_->FolderPanelText());
    if (DirTreeOpen()) SyncDirTree(requested);
}

bool MainWindow::FolderThereOrSay(const QString& path) {
    if (session_->FolderThere(path)) return true;
    // A folder deleted while shown would give an empty list without a word.
    ShowErrorMessage(this, QStringLiteral("Directory does not exist"));
    return false;
}

void MainWindow::SyncDirTree(const QString& path) {
    if (dirTree_->SelectedFolder() == AnalysisSession::WithDelimiter(path) || path.isEmpty())
        return;
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
    AnalysisSession& session = *session_;
    if (session.Running()) return false;
    // Inside a shown snapshot nothing is read from the disk; outside it the
    // snapshot is left behind.
    if (session.InSnapshot(AnalysisSession::WithDelimiter(path))) {
        snapshots_->Show(AnalysisSession::WithDelimiter(path));
        return true;
    }
    session.CloseSnapshot();
    bool measured = false;
    try {
        const WaitCursor wait;
        measured = session.Measure(path, Action(QStringLiteral("FreeSpaceButt"))->isChecked(),
                                   activity_.get());
        if (measured) ShowSessionRows();
    } catch (...) {
        gauge_->ResetProgress();
        throw;
    }
    gauge_->ResetProgress();
    if (!measured) {
        if (closeAfterRun_) QTimer::singleShot(0, this, &QWidget::close);
        return false;
    }
    ReleaseFreeMemory(); // the rows of the run before
    emit AnalysisDone(path);
    if (closeAfterRun_) QTimer::singleShot(0, this, &QWidget::close);
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // The run's loop is on the stack: close once it has unwound.
    if (session_->Running()) {
        closeAfterRun_ = true;
        session_->CancelRun();
        e->ignore();
        return;
    }
    QMainWindow::closeEvent(e);
}

void MainWindow::RunCurrentFolder() {
    // Run while a run is going stops it.
    if (session_->Running()) {
        session_->CancelRun();
        return;
    }
    try {
        emit ApplyChartOptionsRequested();
        session_->CloseSnapshot(); // Run measures the real folder
        const QString folder = session_->CurrentFolder();
        if (!FolderThereOrSay(folder)) return;
        if (!AnalyseFolder(folder)) return;
        if (IsExistingFolder(folder)) {
            {
                const QSignalBlocker block(historyCombo_);
                historyCombo_->setEditText(folder);
            }
            AddTextToComboItems(historyCombo_, session_->HistorySize);
        }
    } catch (...) {
        // Run drops its errors.
    }
}

void MainWindow::UpOneDir() {
    const QString p = AnalysisSession::ParentFolder(session_->CurrentFolder());
    if (p == session_->CurrentFolder() || session_->Running()) return;
    Guarded([&] {
        session_->SelectFolder(p);
        AnalyseFolder(p);
    });
}

void MainWindow::BrowseForFolder() {
    folderPicker_->Directory = session_->CurrentFolder();
    folderPicker_->Title = QStringLiteral("Select directory and press Run to analyze");
    if (folderPicker_->Execute()) session_->SelectFolder(folderPicker_->Directory);
}

void MainWindow::DirTreeClick() {
    session_->SelectFolder(dirTree_->SelectedFolder());
    SyncLeftPane();
}

void MainWindow::RunSizeCheckClick() {
    if (session_->Running()) return;
    dirTree_->SuspendNotifications();
    Guarded([&] {
        session_->SelectFolder(dirTree_->SelectedFolder());
        AnalyseFolder(session_->CurrentFolder());
    });
    dirTree_->ResumeNotifications();
}

void MainWindow::FolderListDblClick(const QString& folder) {
    // The row's own folder: the list may show another folder than the current one.
    const QString p = AnalysisSession::WithDelimiter(folder);
    // During a run the list still shows the last one: no drill from it.
    if (session_->Running() || !FolderThereOrSay(p)) return;
    Guarded([&] {
        session_->SelectFolder(p);
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
        SyncDirTree(session_->CurrentFolder());
    } else {
        if (DirTreeOpen()) restoreWidth_ = dirTreeWidth_;
        mainSplitter_->setSizes({1, total});
        dirTreeWidth_ = 1;
    }
}

void MainWindow::OpenCloseDirTree() {
    SetDirTreeOpen(!DirTreeOpen());
}

// --- the folder list --------------------------------------------------------

void MainWindow::FillFolderList(const QStringList& paths, const QStringList& mb,
                                const QStringList& kb) {
    const QDateTime start = QDateTime::currentDateTime();
    if (!paths.isEmpty()) {
        activity_->BeginTiming(false);
        const auto totals = folderListPage_->FillFolderList(paths, mb, kb, gauge_);
        if (totals) {
            panels_[2]->setText(totals->MBText);
            panels_[3]->setText(totals->KBText);
            panels_[1]->setText(TotalText(session_->TotalGB(), QStringLiteral("GB")));
        }
        gauge_->ResetProgress();
    }
    activity_->ShowElapsed(ElapsedText(start, QDateTime::currentDateTime()));
}

void MainWindow::ShowSessionRows() {
    const AnalysisSession::FolderRows& rows = session_->ShownRows();
    FillFolderList(rows.paths, rows.mb, rows.kb);
    emit ChartsFillRequested(rows.paths, rows.mb);
}

void MainWindow::FillChartsFromList() {
    QStringList paths, mb;
    folderListPage_->RowsInOrder(paths, mb);
    emit ChartsFillRequested(paths, mb);
}

void MainWindow::FolderListColumnClick(QTreeWidget* list, int column) {
    if (SortByColumn(list, column, session_->SortState()) &&
        list == folderListPage_->FolderList()) {
        try {
            FillChartsFromList();
        } catch (...) {
            // A sort reports nothing.
        }
    }
}

void MainWindow::SortChartClick() {
    FolderListColumnClick(folderListPage_->FolderList(), 1);
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
    if (session_->Running() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        session_->CancelRun();
        return true;
    }
    if (!showHints_ && event->type() == QEvent::ToolTip) return true;
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ShowHints(bool on) {
    showHints_ = on;
}

void MainWindow::ShowAbout() {
    AboutDialog about(this);
    ExecModal(about);
}

// ApplySettings and ApplyFlatDesign: gui/window/ApplySettings.cpp.
