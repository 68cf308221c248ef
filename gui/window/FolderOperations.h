#pragma once
// The folder commands of the size list's and the directory tree's pop-up
// menus (open in the file manager, Trash, move, copy) and the protected-folder
// check with its messages.
#include "platform/ShellFileOp.h"
#include <QObject>
#include <functional>
#include <memory>

class MainWindow;
class QWidget;
class ShellOpDialogs;

// Opens path in the desktop's file manager (xdg-open); the result is not
// examined. Tests replace the opener.
using OpenInShellHook = std::function<void(const QString& path)>;
void SetOpenInShellHook(OpenInShellHook hook);
void OpenInShell(const QString& path);

// Sends path to the Trash, asking first through ui. True when it went.
bool RecycleFolder(const QString& path, IShellOpUi* ui);
// Moves or copies path into the folder target, or trashes it (target unused),
// with the file manager's questions, progress and errors shown through ui.
bool ShellOperationOnPath(const QString& path, const QString& target, int operation,
                          IShellOpUi* ui);

// True when folder may be used; otherwise one message box per reason to refuse.
bool CheckFolderAllowed(QWidget* owner, const QString& folder);

class FolderOperations : public QObject {
    Q_OBJECT
public:
    explicit FolderOperations(MainWindow& form);
    ~FolderOperations() override;

    // Answers the shell operations' questions; the window's dialogs when null.
    IShellOpUi* ShellUi = nullptr;

    // The size list's pop-up menu, on the selected row.
    void OpenRowFolder();
    void DeleteRowFolder();
    void MoveRowFolder();
    void CopyRowFolder();
    // The directory tree's pop-up menu, on the selected folder.
    void CopyTreeFolder();
    void MoveTreeFolder();
    void DeleteTreeFolder();

private:
    // The selected row's folder; empty without a row and for the pseudo rows.
    QString RowFolder() const;
    void TransferRowFolder(int operation);
    void TreeOperation(int operation);
    // Measures CurrentFolder again; a failure shows the error box.
    void Reanalyse();
    IShellOpUi* Ui() const;

    MainWindow& form_;
    std::unique_ptr<ShellOpDialogs> dialogs_;
};
