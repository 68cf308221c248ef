#include "gui/window/PagesSetup.h"
#include "gui/pages/ChartPagesInstall.h"
#include "gui/pages/CommanderPage.h"
#include "gui/pages/FileListPage.h"
#include "gui/window/DialogsInstall.h"
#include "gui/window/MainWindow.h"
#include <QLayout>

// One line per page or dialog that plugs into the window.
void InstallPages(MainWindow& form) {
    InstallChartPages(form);
    form.Page(MainWindow::pgFileList)->layout()->addWidget(new FileListPage(form));
    form.Page(MainWindow::pgCommander)->layout()->addWidget(new CommanderPage(form));
    InstallDialogs(form);
}
