#pragma once
// The dialogs of a shell file operation: confirmations, a progress window with
// Cancel, and error boxes, as a desktop file manager shows them.
#include "platform/ShellFileOp.h"
#include <QPointer>
#include <QProgressDialog>
#include <memory>

class InputBlocker;

class QWidget;

class ShellOpDialogs : public IShellOpUi {
public:
    explicit ShellOpDialogs(QWidget* owner);
    ~ShellOpDialogs() override;

    bool ConfirmTrash(const QStringList& paths) override;
    bool ConfirmCreateFolder(const QString& folder) override;
    ReplaceAnswer AskReplace(const QString& existing, const QString& source, bool more) override;
    void ShowError(const QString& message) override;
    void BeginProgress(const QString& title, std::int64_t totalBytes) override;
    bool StepProgress(const QString& current, std::int64_t bytesDone) override;
    void EndProgress() override;

private:
    // Questions and errors raised during the work belong to the progress window.
    QWidget* BoxParent();

    QWidget* owner_;
    QPointer<QProgressDialog> progress_;
    // The owner's window takes no input from the first step on, not only once
    // the progress window shows.
    std::unique_ptr<InputBlocker> blocker_;
    std::int64_t total_ = 0;
    int scale_ = 1;
};
