#include "gui/window/PagesSetup.h"
#include "gui/help/HelpCommands.h"
#include "gui/pages/ChartPagesInstall.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/ShortcutsPage.h"
#include "gui/pages/TempFoldersPage.h"
#include "gui/window/ArchiveCommands.h"
#include "gui/window/ButtonImages.h"
#include "gui/window/DialogsInstall.h"
#include "gui/window/FolderOperations.h"
#include "gui/window/HousekeepingCommands.h"
#include "gui/window/MainWindow.h"
#include <QLayout>

// One line per page or dialog that plugs into the window.
void InstallPages(MainWindow& form) {
    InstallChartPages(form);
    form.Page(MainWindow::pgFileList)->layout()->addWidget(new FileListPage(form));
    form.Page(MainWindow::pgCommander)->layout()->addWidget(new CommanderPage(form));
    form.Page(MainWindow::pgShortcuts)->layout()->addWidget(new ShortcutsPage(form));
    form.Page(MainWindow::pgTempFolders)->layout()->addWidget(new TempFoldersPage(form));
    new FolderOperations(form);
    InstallDialogs(form);
    InstallHousekeeping(form);
    InstallArchiveCommands(form);
    InstallHelp(form);
    InstallButtonImages(form);
}
