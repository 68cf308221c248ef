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

    void AddFolderClick();
    void RemoveFoldersClick();
    void DeleteFilesClick();

private:
    // The controls; tests find them by object name.
    QTreeWidget* folders_ = nullptr;
    QToolButton* addButton_ = nullptr;
    QToolButton* removeButton_ = nullptr;
    QToolButton* editButton_ = nullptr; // has no command yet
    QToolButton* deleteFilesButton_ = nullptr;
    // Where the next "+ Add" picker opens; empty until the first pick.
    QString browseStart_;
};
