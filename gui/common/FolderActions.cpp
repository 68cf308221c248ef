#include "gui/common/FolderActions.h"
#include "core/cleanup/ProtectedFolders.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/MessageBoxes.h"
#include "platform/NativePath.h"
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

namespace {
OpenInShellHook& OpenHook() {
    static OpenInShellHook hook;
    return hook;
}
} // namespace

void SetOpenInShellHook(OpenInShellHook hook) {
    OpenHook() = std::move(hook);
}

void OpenInShell(const QString& path) {
    if (OpenHook()) {
        OpenHook()(path);
        return;
    }
    QDesktopServices::openUrl(FileUrl(path));
}

bool RecycleFolder(const QString& path, IShellOpUi* ui) {
    try {
        ShellFileOp op(ui);
        return op.Run(FO_DELETE, {path}, QString(), FOF_ALLOWUNDO) == sorOk;
    } catch (...) {
        return false;
    }
}

bool ShellOperationOnPath(const QString& path, const QString& target, int operation,
                          IShellOpUi* ui) {
    // The operation shows its own progress; its questions need the normal cursor.
    WaitCursor normal(Qt::ArrowCursor);
    try {
        ShellFileOp op(ui);
        return op.Run(operation, {path}, target,
                      FOF_ALLOWUNDO | FOF_SIMPLEPROGRESS | FOF_NOCONFIRMMKDIR) == sorOk;
    } catch (...) {
        return false;
    }
}

bool CheckFolderAllowed(QWidget* owner, const QString& folder) {
    return CheckFolderAllowed(folder, [owner](const QString& text) { ShowMessage(owner, text); });
}
