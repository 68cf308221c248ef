#pragma once
// A whole-tree snapshot (the JSON export of ncdu or gdu, or ours) shown in place
// of the disk. While one is shown, the window's analyses of the folders it holds
// are filled from it: double-click, chart clicks, Up one dir and the history move
// inside it without reading the disk. Run drops it and measures the real folder.
#include "core/snapshot/Snapshot.h"
#include <QObject>
#include <QString>
#include <memory>

class MainWindow;

class SnapshotView : public QObject {
    Q_OBJECT
public:
    explicit SnapshotView(MainWindow& form);
    ~SnapshotView() override;

    // Reads fileName and shows its top folder. A file that cannot be read shows
    // its message and leaves the window as it was; false then.
    bool OpenFrom(const QString& fileName);
    // A file that starts as a JSON export (rather than a result file).
    static bool LooksLikeSnapshot(const QString& fileName);

    bool IsShown() const { return snapshot_ != nullptr; }
    // folder (ending in '/') is a folder of the shown snapshot.
    bool Holds(const QString& folder) const;
    // Fills the size list, file rows, charts and totals with folder of the snapshot.
    void Show(const QString& folder);
    void Drop();
    // The status bar's folder panel while a snapshot is shown.
    QString PanelText(const QString& folder) const;

private:
    std::uint32_t Find(const QString& folder) const;
    MainWindow& form_;
    // Shared with the file rows the scanner keeps, which may outlive it here.
    std::shared_ptr<const Snapshot> snapshot_;
    QString fileName_;
};
