#pragma once
// The folder commands of the size list's and the directory tree's pop-up
// menus (open in the file manager, Trash, move, copy).
#include "gui/commands/CommandContext.h"
#include "gui/common/FolderActions.h"
#include <QObject>
#include <functional>
#include <memory>

class DirTreeView;
class FolderDialog;
class FolderListPage;
class ShellOpDialogs;

class FolderOperations : public QObject {
    Q_OBJECT
public:
    // The commands act on the size list's selected row and the tree's
    // selected folder; picker asks for the target folder.
    FolderOperations(const CommandContext& context, FolderListPage& sizeList, DirTreeView& tree,
                     FolderDialog& picker);
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

    CommandContext context_;
    FolderListPage& sizeList_;
    DirTreeView& tree_;
    FolderDialog& picker_;
    std::unique_ptr<ShellOpDialogs> dialogs_;
};
