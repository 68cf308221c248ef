#include "app/PagesSetup.h"
#include "app/DialogsInstall.h"
#include "app/MainFormU.h"
#include "views/ChartPagesInstall.h"

// One line per page or dialog that plugs into the window.
void InstallPages(TForm1& form) {
    InstallChartPages(form);
    InstallDialogs(form);
}
