#pragma once
// The shell file operation: move or copy several files and folders into a
// folder, or delete them into the Trash, as one operation. The dialogs a file
// manager shows (confirmations, progress, errors) go through IShellOpUi, which
// the window implements; with the silent flags, or without a UI, none is shown.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

enum ShellOperation : int { FO_MOVE = 1, FO_COPY = 2, FO_DELETE = 3 };

enum ShellOpFlags : int {
    FOF_SILENT = 0x4,
    FOF_NOCONFIRMATION = 0x10,
    FOF_ALLOWUNDO = 0x40,
    FOF_SIMPLEPROGRESS = 0x100,
    FOF_NOCONFIRMMKDIR = 0x200,
};

// Answers to "replace the existing item?".
enum class ReplaceAnswer { Replace, ReplaceAll, Skip, Cancel };

class IShellOpUi {
public:
    virtual ~IShellOpUi() = default;
    // Before anything is deleted into the Trash.
    virtual bool ConfirmTrash(const QStringList& paths) = 0;
    // Before a missing target folder is created.
    virtual bool ConfirmCreateFolder(const QString& folder) = 0;
    // An item of the same name exists in the target folder.
    virtual ReplaceAnswer AskReplace(const QString& existing, const QString& source, bool more) = 0;
    virtual void ShowError(const QString& message) = 0;
    // Progress: total is known before the work starts; returning false cancels.
    virtual void BeginProgress(const QString& title, std::int64_t totalBytes) = 0;
    virtual bool StepProgress(const QString& current, std::int64_t bytesDone) = 0;
    virtual void EndProgress() = 0;
};

// Result codes of Run: 0 only when every source was handled.
enum ShellOpResult : int {
    sorOk = 0,
    sorCancelled = 1223, // the shell's "cancelled by the user"
    sorFailed = 2,
    sorPartly = 3, // some sources were skipped by the user
};

class ShellFileOp {
public:
    // ui may be null: then nothing is asked and existing items are never replaced.
    explicit ShellFileOp(IShellOpUi* ui = nullptr) : ui_(ui) {}

    int Run(int operation, const QStringList& sources, const QString& target, int flags);

    // Why the last Run failed (empty after success or cancel).
    const QString& LastError() const { return error_; }
    // Sources the last Run moved, copied or trashed completely.
    const QStringList& Handled() const { return handled_; }
    // One flag per source given to the last Run: 1 when it was handled completely
    // (0 for a skipped one, or one with a skipped entry in a merged folder).
    const std::vector<char>& HandledFlags() const { return handledFlags_; }

private:
    struct TransferItem;
    struct MergedFolder;
    struct TransferPlan;
    int Fail(const QString& message);
    int Transfer(bool move, const QStringList& sources, const QString& target);
    int Plan(TransferPlan& plan, int top, const QString& source, const QString& dest, bool more);
    int AskReplace(TransferPlan& plan, TransferItem& item, bool more);
    int Execute(bool move, TransferPlan& plan, const QStringList& sources);
    void MarkHandled(int index, const QStringList& sources);
    int Trash(const QStringList& sources);
    bool Asks() const;
    bool ShowsProgress() const;

    IShellOpUi* ui_;
    QString error_;
    QStringList handled_;
    std::vector<char> handledFlags_;
    int flags_ = 0;
};
