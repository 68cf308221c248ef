#include "gui/window/PagesSetup.h"
#include "gui/commands/CompareCommands.h"
#include "gui/help/HelpCommands.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/ShortcutsPage.h"
#include "gui/pages/TempFoldersPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/ArchiveCommands.h"
#include "gui/window/ButtonImages.h"
#include "gui/window/ChartPagesInstall.h"
#include "gui/window/DialogsInstall.h"
#include "gui/window/FolderOperations.h"
#include "gui/window/HousekeepingCommands.h"
#include "gui/window/MainWindow.h"
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QSignalBlocker>
#include <QStatusBar>

// One line per page or dialog that plugs into the window.
void InstallPages(MainWindow& form) {
    AnalysisSession& session = form.Session();
    CommandTable& commands = form.Commands();
    ChartPages* charts = InstallChartPages(form);
    auto* files = new FileListPage(session, commands, form.Activity());
    form.Page(MainWindow::pgFileList)->layout()->addWidget(files);
    auto* commander = new CommanderPage(session);
    form.Page(MainWindow::pgCommander)->layout()->addWidget(commander);
    auto* shortcuts = new ShortcutsPage(session, commands);
    form.Page(MainWindow::pgShortcuts)->layout()->addWidget(shortcuts);
    form.Page(MainWindow::pgTempFolders)->layout()->addWidget(new TempFoldersPage);
    form.SetPages(commander, files);

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

    auto* compare = new CompareCommands(session, commands, *form.FolderPage(), *charts, &form);
    form.statusBar()->addPermanentWidget(compare->Panel());
    // After the charts' own fill: in change mode the bars then show the change.
    QObject::connect(&form, &MainWindow::ChartsFillRequested, compare,
                     &CompareCommands::ChartsFilled);

    new FolderOperations(form);
    InstallDialogs(form);
    InstallHousekeeping(form);
    InstallArchiveCommands(form);
    InstallHelp(form);
    InstallButtonImages(form);
}
