// The window's commands that open the settings and export dialogs and print
// the page shown.
#include "core/export/PlainPrint.h"
#include "gui/dialogs/ExportDialog.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/dialogs/PrintSheet.h"
#include "gui/dialogs/SettingsDialog.h"
#include "gui/pages/ChartPages.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ViewRowSource.h"
#include "platform/Errors.h"
#include <QAbstractItemView>
#include <QApplication>
#include <QTabWidget>
#include <QTreeWidget>
#include <optional>

void MainWindow::SettingsClick() {
    try {
        SettingsDialog dialog(iniFileName_, this);
        ExecModal(dialog);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
    ApplySettings();
}

void MainWindow::ExportListClick() {
    try {
        ExportDialog dialog(iniFileName_, this);
        dialog.SetFolderName(currentFolder_);
        QTreeWidget* folderList = FolderList();
        std::optional<ViewRowSource> folders, files;
        if (folderList) folders.emplace(folderList->model());
        auto* fileView = findChild<QAbstractItemView*>(QStringLiteral("FileList"));
        if (fileView && fileView->model()) files.emplace(fileView->model());
        dialog.SetLists(folders ? &*folders : nullptr, files ? &*files : nullptr);
        dialog.SetTotals(TotalKBText, TotalMBText, NumberText(TotalGB / 10000.0L));
        if (auto* charts = findChild<ChartPages*>())
            dialog.SetPictureMaker([charts](int chart, const QString& jpg) {
                return charts->MakePicture(chart, jpg);
            });
        ExecModal(dialog);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void MainWindow::actPrintExecute() {
    try {
        const int page = pageControl_ ? pageControl_->currentIndex() : -1;
        if (page == pgFolderList) {
            QStringList lines;
            bool ok = false;
            QApplication::setOverrideCursor(Qt::WaitCursor);
            if (QTreeWidget* list = FolderList()) {
                const ViewRowSource rows(list->model());
                ok = SizeListPrintLines(rows, currentFolder_, lines);
            }
            QApplication::restoreOverrideCursor();
            if (!ok) ShowMessage(this, QStringLiteral("Failure generating print"));
            PrintTextLines(lines, 10, this);
        } else if (page == pgBarChart || page == pgPieChart) {
            if (auto* charts = findChild<ChartPages*>())
                PrintWidgetPicture(charts->ChartOf(page == pgBarChart ? 1 : 2), this);
        }
    } catch (const EMorvaneError& e) {
        QApplication::restoreOverrideCursor();
        ShowErrorMessage(this, e.message());
    }
}
