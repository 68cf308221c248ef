#pragma once
// Folder pickers: BrowseForFolders for one-off picks, FolderDialog for the
// window's own folder dialog PD. Both go through one replaceable picker so
// tests can answer them without a modal dialog.
#include <QString>
#include <functional>

class QWidget;

// Shows a folder picker; returns the chosen folder or empty text on cancel.
using FolderPickHook = std::function<QString(QWidget* owner, const QString& title,
                                             const QString& start, const QString& root)>;
void SetFolderPickHook(FolderPickHook hook);

// Picker flag: show the selected folder's path as status text.
constexpr int BIF_STATUSTEXT = 4;

class BrowseForFolders {
public:
    // No preselection; empty text when cancelled.
    QString BrowseFolder(const QString& title, int flags);
    // Preselects path, rooted at root when given; on OK sets path and returns true.
    bool BrowseFolderFrom(QWidget* owner, QString& path, const QString& title, const QString& root,
                          int flags);
};

// The window's folder dialog: Directory, Title, Execute.
class FolderDialog {
public:
    explicit FolderDialog(QWidget* owner) : owner_(owner) {}
    QString Directory;
    QString Title;
    // True when the user chose a folder; Directory is then that folder.
    bool Execute();

private:
    QWidget* owner_;
};
