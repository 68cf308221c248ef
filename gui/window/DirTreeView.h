#pragma once
// The directory tree of the left pane: the file system's folders, hidden ones
// included, from the root down.
#include <QTreeView>

class QFileSystemModel;
class QTimer;

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

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Keeps the folder selected from the program in view while the folders
    // above it are still being read.
    void KeepInView();

    QFileSystemModel* model_;
    QTimer* keepInView_;
    QString shown_; // the folder to keep in view; empty once the user takes over
    int suspended_ = 0;
};
