#include "gui/window/PagesSetup.h"
#include "gui/dialogs/MessageBoxes.h"
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
#include "gui/window/ChartPagesInstall.h"
#include "gui/window/DialogsInstall.h"
#include "gui/window/FolderOperations.h"
#include "gui/window/HousekeepingCommands.h"
#include "gui/window/MainWindow.h"
#include "platform/Errors.h"
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QSignalBlocker>
#include <QTabWidget>
#include <optional>

namespace {

void InstallTreemapPage(MainWindow& form) {
    auto* treemap = new TreemapPage(form.Session(), form.Commands());
    form.Page(MainWindow::pgTreemap)->layout()->addWidget(treemap);
    // A double click on a folder's tile does what one on its row in the size list does.
    QObject::connect(treemap, &TreemapPage::FolderActivated, form.FolderPage(),
                     &FolderListPage::RowActivated);
    QObject::connect(treemap, &TreemapPage::RemeasureRequested, &form, [&form] {
        try {
            form.AnalyseFolder(form.Session().CurrentFolder());
        } catch (const EMorvaneError& e) {
            ShowErrorMessage(&form, e.message());
        }
    });
    // The folder panel names the tile under the mouse, and what it named before after.
    auto before = std::make_shared<std::optional<QString>>();
    QObject::connect(treemap, &TreemapPage::HoverText, &form, [&form, before](const QString& text) {
        QLabel* panel = form.StatusPanel(4);
        if (text.isEmpty()) {
            if (*before) panel->setText(**before);
            before->reset();
            return;
        }
        if (!*before) *before = panel->text();
        panel->setText(text);
    });
    QObject::connect(form.Action(QStringLiteral("actSavePicture")), &QAction::triggered, treemap,
                     [&form, treemap] {
                         if (form.PageTabs()->currentIndex() == MainWindow::pgTreemap)
                             treemap->SavePictureAs();
                     });
}

} // namespace

// One line per page or dialog that plugs into the window.
void InstallPages(MainWindow& form) {
    AnalysisSession& session = form.Session();
    CommandTable& commands = form.Commands();
    InstallChartPages(form);
    auto* files = new FileListPage(session, commands, form.Activity());
    form.Page(MainWindow::pgFileList)->layout()->addWidget(files);
    auto* commander = new CommanderPage(session);
    form.Page(MainWindow::pgCommander)->layout()->addWidget(commander);
    auto* shortcuts = new ShortcutsPage(session, commands);
    form.Page(MainWindow::pgShortcuts)->layout()->addWidget(shortcuts);
    form.Page(MainWindow::pgTempFolders)->layout()->addWidget(new TempFoldersPage);
    form.SetPages(commander, files);
    InstallTreemapPage(form);

    // A page's text for the bottom box shows there without selecting a folder.
    QComboBox* bottomBox = form.HistoryCombo();
    auto showInBottomBox = [bottomBox](const QString& text) {
        const QSignalBlocker block(bottomBox);
        bottomBox->setEditText(text);
    };
    QObject::connect(commander, &CommanderPage::BottomBoxText, bottomBox, showInBottomBox);
    QObject::connect(shortcuts, &ShortcutsPage::BottomBoxText, bottomBox, showInBottomBox);
    // The file list's search goes on from the row last chosen in either list.
    QObject::connect(shortcuts, &ShortcutsPage::RowChosen, files, &FileListPage::SetSearchStart);

    new FolderOperations(form);
    InstallDialogs(form);
    InstallHousekeeping(form);
    InstallArchiveCommands(form);
    InstallHelp(form);
    InstallButtonImages(form);
}
