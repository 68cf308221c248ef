#include "app/PagesSetup.h"
#include "app/DialogsInstall.h"
#include "app/MainFormU.h"
#include "views/ChartPagesInstall.h"
#include "views/FileListPage.h"
#include <QLayout>

// One line per page or dialog that plugs into the window.
void InstallPages(TForm1& form) {
    InstallChartPages(form);
    form.Page(TForm1::pgFileList)->layout()->addWidget(new TFileListPage(form));
    InstallDialogs(form);
}
