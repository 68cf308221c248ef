#pragma once
// The "Temp Folders" page: a list of folders holding temporary files, kept for
// later cleaning while the program runs. Cleaning itself is not supported yet.
#include <QWidget>

class QToolButton;
class QTreeWidget;

class TempFoldersPage : public QWidget {
    Q_OBJECT
public:
    explicit TempFoldersPage(QWidget* parent = nullptr);

    QTreeWidget* Folders = nullptr;
    QToolButton* AddButton = nullptr;
    QToolButton* RemoveButton = nullptr;
    QToolButton* EditButton = nullptr; // has no command yet
    QToolButton* DeleteFilesButton = nullptr;
    // Where the next "+ Add" picker opens; empty until the first pick.
    QString BrowseStart;

    void AddFolderClick();
    void RemoveFoldersClick();
    void DeleteFilesClick();
};
