// The window's commands that open the settings and export dialogs and print
// the page shown.
#include "core/export/PlainPrint.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/ExportDialog.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/dialogs/PrintSheet.h"
#include "gui/dialogs/SettingsDialog.h"
#include "gui/pages/ChartPages.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
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
        SettingsDialog dialog(session_->IniFileName(), this);
        ExecModal(dialog);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
    ApplySettings();
}

void MainWindow::ExportListClick() {
    try {
        const AnalysisSession& session = *session_;
        ExportDialog dialog(session.IniFileName(), this);
        dialog.SetFolderName(session.CurrentFolder());
        QTreeWidget* folderList = folderListPage_->FolderList();
        std::optional<ViewRowSource> folders, files;
        if (folderList) folders.emplace(folderList->model());
        auto* fileView = findChild<QAbstractItemView*>(QStringLiteral("FileList"));
        if (fileView && fileView->model()) files.emplace(fileView->model());
        dialog.SetLists(folders ? &*folders : nullptr, files ? &*files : nullptr);
        dialog.SetTotals(session.TotalKBText(), session.TotalMBText(),
                         NumberText(session.TotalGB() / 10000.0L));
        if (auto* charts = findChild<ChartPages*>())
            dialog.SetPictureMaker([charts](int chart, const QString& jpg) {
                return charts->MakePicture(chart, jpg);
            });
        ExecModal(dialog);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void MainWindow::PrintPage() {
    try {
        const int page = pageControl_ ? pageControl_->currentIndex() : -1;
        if (page == pgFolderList) {
            QStringList lines;
            bool ok = false;
            if (QTreeWidget* list = folderListPage_->FolderList()) {
                const WaitCursor wait;
                const ViewRowSource rows(list->model());
                ok = SizeListPrintLines(rows, session_->CurrentFolder(), lines);
            }
            if (!ok) ShowMessage(this, QStringLiteral("Failure generating print"));
            PrintTextLines(lines, 10, this);
        } else if (page == pgBarChart || page == pgPieChart) {
            if (auto* charts = findChild<ChartPages*>())
                PrintWidgetPicture(charts->ChartOf(page == pgBarChart ? 1 : 2), this);
        }
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}
