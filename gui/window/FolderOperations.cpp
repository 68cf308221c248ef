#include "gui/window/FolderOperations.h"
#include "core/cleanup/ProtectedFolders.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ShellOpDialogs.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/DirTreeView.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QTreeWidget>
#include <QUrl>

namespace {
QString WithoutDelimiter(QString p) {
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

const QString& TargetTitle() {
    static const QString title = QStringLiteral("Select target directory");
    return title;
}
} // namespace

FolderOperations::FolderOperations(const CommandContext& context, FolderListPage& sizeList,
                                   DirTreeView& tree, FolderDialog& picker)
    : QObject(&context.window), context_(context), sizeList_(sizeList), tree_(tree),
      picker_(picker), dialogs_(std::make_unique<ShellOpDialogs>(&context.window)) {
    setObjectName(QStringLiteral("FolderOperations"));
    auto on = [this](const char* name, void (FolderOperations::*handler)()) {
        if (QAction* a = context_.commands.Action(QLatin1String(name)))
            connect(a, &QAction::triggered, this, handler);
    };
    on("OpenFolderItem", &FolderOperations::OpenRowFolder);
    on("DeleteListFolderItem", &FolderOperations::DeleteRowFolder);
    on("MoveListFolderItem", &FolderOperations::MoveRowFolder);
    on("CopyListFolderItem", &FolderOperations::CopyRowFolder);
    on("CopyFolderItem", &FolderOperations::CopyTreeFolder);
    on("MoveFolderItem", &FolderOperations::MoveTreeFolder);
    on("DeleteFolderItem", &FolderOperations::DeleteTreeFolder);

    QTreeWidget* list = sizeList_.FolderList();
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& pos) {
        if (QTreeWidgetItem* item = list->itemAt(pos)) list->setCurrentItem(item);
        context_.commands.FolderListPopUp()->popup(list->viewport()->mapToGlobal(pos));
    });
}

FolderOperations::~FolderOperations() = default;

IShellOpUi* FolderOperations::Ui() const {
    return ShellUi ? ShellUi : dialogs_.get();
}

QString FolderOperations::RowFolder() const {
    return sizeList_.SelectedRowFolder();
}

void FolderOperations::Reanalyse() {
    try {
        context_.analyse(context_.session.CurrentFolder());
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(&context_.window, e.message());
    } catch (const std::exception& e) {
        ShowErrorMessage(&context_.window, QString::fromLocal8Bit(e.what()));
    }
}

void FolderOperations::OpenRowFolder() {
    const QString folder = RowFolder();
    if (!IsExistingFolder(folder)) return;
    OpenInShell(folder + QLatin1Char('/'));
}

void FolderOperations::DeleteRowFolder() {
    const QString folder = RowFolder();
    if (!IsExistingFolder(folder)) return;
    WaitCursor wait;
    {
        WaitCursor normal(Qt::ArrowCursor); // for the question
        RecycleFolder(folder, Ui());
    }
    Reanalyse();
}

void FolderOperations::MoveRowFolder() {
    TransferRowFolder(FO_MOVE);
}

void FolderOperations::CopyRowFolder() {
    TransferRowFolder(FO_COPY);
}

void FolderOperations::TransferRowFolder(int operation) {
    const QString folder = RowFolder();
    if (folder.isEmpty()) return;
    picker_.Directory = context_.session.CurrentFolder();
    picker_.Title = TargetTitle();
    if (!picker_.Execute()) return;
    const bool done = ShellOperationOnPath(folder, picker_.Directory, operation, Ui());
    // Only a finished move takes the folder away; then the sizes change too.
    if (!done || operation != FO_MOVE) return;
    QTreeWidget* list = sizeList_.FolderList();
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i)
        if (FolderListPage::RowFolder(list->topLevelItem(i)) == folder)
            std::unique_ptr<QTreeWidgetItem>(list->takeTopLevelItem(i));
    Reanalyse();
}

void FolderOperations::CopyTreeFolder() {
    TreeOperation(FO_COPY);
}

void FolderOperations::MoveTreeFolder() {
    TreeOperation(FO_MOVE);
}

void FolderOperations::DeleteTreeFolder() {
    TreeOperation(FO_DELETE);
}

void FolderOperations::TreeOperation(int operation) {
    const QString folder = tree_.SelectedFolder();
    if (!IsExistingFolder(folder)) return;
    picker_.Directory = folder;
    picker_.Title = TargetTitle();
    // Delete asks for a folder too: cancelling the picker cancels the deletion.
    if (!picker_.Execute()) return;
    ShellOperationOnPath(WithoutDelimiter(folder), picker_.Directory, operation, Ui());
}
