// The window's commands that open the settings and export dialogs and print
// the page shown.
#include "app/MainFormU.h"
#include "app/MessageBoxes.h"
#include "app/ModalHook.h"
#include "app/ViewRowSource.h"
#include "export/ExpSettingsForm.h"
#include "export/PlainPrint.h"
#include "export/PrintSheet.h"
#include "platform/Errors.h"
#include "settings/SettingsForm.h"
#include "views/ChartPages.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QTabWidget>
#include <QTreeWidget>
#include <optional>

void TForm1::Settings1Click() {
    try {
        TSettings dialog(iniFileName_, this);
        ExecModal(dialog);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
    ApplySettings();
}

void TForm1::ExportList1Click() {
    try {
        TExpSettingsForm dialog(iniFileName_, this);
        dialog.SetFolderName(currentFolder_);
        QTreeWidget* folderList = FolderList();
        std::optional<TViewRowSource> folders, files;
        if (folderList) folders.emplace(folderList->model());
        auto* fileView = findChild<QAbstractItemView*>(QStringLiteral("FileList"));
        if (fileView && fileView->model()) files.emplace(fileView->model());
        dialog.SetLists(folders ? &*folders : nullptr, files ? &*files : nullptr);
        dialog.SetTotals(TotalKBText, TotalMBText, NumberText(TotalGB / 10000.0L));
        if (auto* charts = findChild<TChartPages*>())
            dialog.SetPictureMaker([charts](int chart, const QString& jpg) {
                return charts->MakePicture(chart, jpg);
            });
        ExecModal(dialog);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void TForm1::actPrintExecute() {
    try {
        const int page = pageControl_ ? pageControl_->currentIndex() : -1;
        if (page == pgFolderList) {
            QStringList lines;
            bool ok = false;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            if (QTreeWidget* list = FolderList()) {
                const TViewRowSource rows(list->model());
                ok = SizeListPrintLines(rows, currentFolder_, lines);
            }
            QApplication::restoreOverrideCursor();
            if (!ok) ShowMessage(this, QStringLiteral("Failure generating print"));
            PrintTextLines(lines, 10, this);
        } else if (page == pgBarChart || page == pgPieChart) {
            if (auto* charts = findChild<TChartPages*>())
                PrintWidgetPicture(charts->ChartOf(page == pgBarChart ? 1 : 2), this);
        }
    } catch (const EMorvaneError& e) {
        QApplication::restoreOverrideCursor();
        ShowErrorMessage(this, e.message());
    }
}
