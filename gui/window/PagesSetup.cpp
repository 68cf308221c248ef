// The pages and command parts the window is built from, each handed the
// session, the command table and the widgets it works on.
#include "gui/commands/CommandContext.h"
#include "gui/commands/CommandTable.h"
#include "gui/commands/CompareCommands.h"
#include "gui/common/ActivityIndicators.h"
#include "gui/help/HelpCommands.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/pages/ShortcutsPage.h"
#include "gui/pages/TempFoldersPage.h"
#include "gui/pages/TreemapPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/ArchiveCommands.h"
#include "gui/window/ButtonImages.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/FolderOperations.h"
#include "gui/window/HousekeepingCommands.h"
#include "gui/window/MainWindow.h"
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <memory>
#include <optional>

// One line per page or part that plugs into the window.
void MainWindow::InstallPages() {
    AnalysisSession& session = *session_;
    CommandTable& commands = *commands_;
    const CommandContext context = PartsContext();
    ChartPages* charts = InstallChartPages();
    fileListPage_ = new FileListPage(session, commands, *activity_);
    Page(pgFileList)->layout()->addWidget(fileListPage_);
    commander_ = new CommanderPage(session);
    Page(pgCommander)->layout()->addWidget(commander_);
    auto* shortcuts = new ShortcutsPage(session, commands);
    Page(pgShortcuts)->layout()->addWidget(shortcuts);
    Page(pgTempFolders)->layout()->addWidget(new TempFoldersPage);
    InstallTreemapPage();

    // A page's text for the bottom box shows there without selecting a folder.
    QComboBox* bottomBox = historyCombo_;
    auto showInBottomBox = [bottomBox](const QString& text) {
        const QSignalBlocker block(bottomBox);
        bottomBox->setEditText(text);
    };
    connect(commander_, &CommanderPage::BottomBoxText, bottomBox, showInBottomBox);
    connect(shortcuts, &ShortcutsPage::BottomBoxText, bottomBox, showInBottomBox);
    // The file list's search goes on from the row last chosen in either list.
    connect(shortcuts, &ShortcutsPage::RowChosen, fileListPage_, &FileListPage::SetSearchStart);

    auto* compare = new CompareCommands(context, *folderListPage_, *charts);
    statusBar()->addPermanentWidget(compare->Panel());
    // After the charts' own fill: in change mode the bars then show the change.
    connect(this, &MainWindow::ChartsFillRequested, compare, &CompareCommands::ChartsFilled);

    new FolderOperations(context, *folderListPage_, *dirTree_, *folderPicker_);
    InstallHousekeeping(context,
                        toolBar_->widgetForAction(Action(QStringLiteral("actEmptyRecBin"))));
    new ArchiveCommands(context, activity_->Gauge(), *fileListPage_, *folderListPage_, *dirTree_);
    InstallHelp(*this, commands);
    InstallButtonImages(context);
}

void MainWindow::InstallTreemapPage() {
    auto* treemap = new TreemapPage(*session_, *commands_);
    Page(pgTreemap)->layout()->addWidget(treemap);
    // A double click on a folder's tile does what one on its row in the size list does.
    connect(treemap, &TreemapPage::FolderActivated, folderListPage_, &FolderListPage::RowActivated);
    connect(treemap, &TreemapPage::RemeasureRequested, this,
            [this] { Guarded([this] { AnalyseFolder(session_->CurrentFolder()); }); });
    // The folder panel names the tile under the mouse, and what it named before after.
    auto before = std::make_shared<std::optional<QString>>();
    QLabel* panel = panels_[4];
    connect(treemap, &TreemapPage::HoverText, panel, [panel, before](const QString& text) {
        if (text.isEmpty()) {
            if (*before) panel->setText(**before);
            before->reset();
            return;
        }
        if (!*before) *before = panel->text();
        panel->setText(text);
    });
    connect(Action(QStringLiteral("actSavePicture")), &QAction::triggered, treemap,
            [this, treemap] {
                if (pageControl_->currentIndex() == pgTreemap) treemap->SavePictureAs();
            });
}
