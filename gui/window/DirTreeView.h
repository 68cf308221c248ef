#pragma once
// The directory tree of the left pane: the file system's folders, hidden ones
// included, from the root down.
#include <QTreeView>

class QFileSystemModel;

class DirTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit DirTreeView(QWidget* parent = nullptr);

    // The selected folder with a trailing "/", or "?" when nothing is selected.
    QString SelectedFolder() const;
    // Selects path, expanding the tree down to it. Throws EMorvaneError
    // "Invalid Path Name" for an empty path.
    void SelectPath(const QString& path);
    // While suspended, selecting from the program raises no FolderClicked.
    void SuspendNotifications() { ++suspended_; }
    void ResumeNotifications() {
        if (suspended_ > 0) --suspended_;
    }
    bool NotificationsSuspended() const { return suspended_ > 0; }

signals:
    // The user clicked a folder (mouse or keyboard selection).
    void FolderClicked();

private:
    QFileSystemModel* model_;
    int suspended_ = 0;
};
