#include "gui/window/DialogsInstall.h"
#include "gui/window/MainWindow.h"
#include <QAction>

void InstallDialogs(MainWindow& form) {
    auto wire = [&form](const char* name, void (MainWindow::*handler)()) {
        if (QAction* action = form.Action(QLatin1String(name)))
            QObject::connect(action, &QAction::triggered, &form,
                             [&form, handler] { (form.*handler)(); });
    };
    wire("SettingsItem", &MainWindow::SettingsClick);
    wire("ExportListItem", &MainWindow::ExportListClick);
    wire("actPrint", &MainWindow::actPrintExecute);
}
