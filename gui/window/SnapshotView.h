#pragma once
// Opening a whole-tree snapshot (the JSON export of ncdu or gdu, or ours) to
// show in place of the disk, and showing its folders. The session keeps the
// snapshot; while it is shown, the window's analyses of the folders it holds
// are filled from it: double-click, chart clicks, Up one dir and the history
// move inside it without reading the disk. Run drops it and measures the real
// folder.
#include <QObject>
#include <QString>

class MainWindow;

class SnapshotView : public QObject {
    Q_OBJECT
public:
    explicit SnapshotView(MainWindow& form);

    // Reads fileName and shows its top folder. A file that cannot be read shows
    // its message and leaves the window as it was; false then.
    bool OpenFrom(const QString& fileName);
    // A file that starts as a JSON export (rather than a result file).
    static bool LooksLikeSnapshot(const QString& fileName);

    // Fills the size list, file rows, charts and totals with folder of the
    // snapshot; nothing when it holds no such folder.
    void Show(const QString& folder);

private:
    MainWindow& form_;
};
