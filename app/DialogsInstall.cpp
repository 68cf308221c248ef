#include "app/DialogsInstall.h"
#include "app/MainFormU.h"
#include <QAction>

void InstallDialogs(TForm1& form) {
    auto wire = [&form](const char* name, void (TForm1::*handler)()) {
        if (QAction* action = form.Action(QLatin1String(name)))
            QObject::connect(action, &QAction::triggered, &form,
                             [&form, handler] { (form.*handler)(); });
    };
    wire("Settings1", &TForm1::Settings1Click);
    wire("ExportList1", &TForm1::ExportList1Click);
    wire("actPrint", &TForm1::actPrintExecute);
}
