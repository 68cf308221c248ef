#pragma once
// The archive commands of the window: checked files of the file list, a folder
// of the size list or of the directory tree into a zip archive, and the
// restore of an archive row of the file list.
//
// Wiring at install: actMoveToArchive (tool button and "Move checked to
// Archive"), the size list's MoveFolderToArchive, the tree's
// TreeMoveToArchiveItem and the file list's RestoreArchiveItem.
#include "gui/commands/CommandContext.h"
#include <QObject>
#include <memory>
#include <string>
#include <vector>

class ArchiveProgressWindow;
class DirTreeView;
class FileListPage;
class FolderListPage;
class IArchiveUi;
class ProgressGauge;

class ArchiveCommands : public QObject {
    Q_OBJECT
public:
    // The commands act on the checked rows of files, the selected row of
    // sizeList and the selected folder of tree; gauge shows their progress.
    ArchiveCommands(const CommandContext& context, ProgressGauge* gauge, FileListPage& files,
                    FolderListPage& sizeList, DirTreeView& tree);
    ~ArchiveCommands() override;

    void MoveCheckedToArchive();
    void FolderListMoveToArchiveClick();
    void TreeMoveToArchiveClick();
    void RestoreMorvaneArchiveClick();
    // Analyses folder and moves every file it records into an archive inside it.
    void ArchiveFolder(const QString& folder);

    // The progress window and error box; tests put their own here.
    IArchiveUi* Ui = nullptr;

    static QString MoveToArchiveHint();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool MoveFiles(const std::string& archiveName, const std::vector<std::string>& files,
                   std::vector<char>* handled);
    IArchiveUi* CurrentUi();

    CommandContext context_;
    FileListPage& files_;
    FolderListPage& sizeList_;
    DirTreeView& tree_;
    std::unique_ptr<ArchiveProgressWindow> progress_;
    bool shown_ = false;
};
