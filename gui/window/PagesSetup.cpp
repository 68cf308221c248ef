#include "gui/window/PagesSetup.h"
#include "gui/pages/ChartPagesInstall.h"
#include "gui/pages/FileListPage.h"
#include "gui/window/ArchiveCommands.h"
#include "gui/window/DialogsInstall.h"
#include "gui/window/MainWindow.h"
#include <QLayout>

// One line per page or dialog that plugs into the window.
void InstallPages(MainWindow& form) {
    InstallChartPages(form);
    form.Page(MainWindow::pgFileList)->layout()->addWidget(new FileListPage(form));
    InstallDialogs(form);
    InstallArchiveCommands(form);
}
