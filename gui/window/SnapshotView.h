#pragma once
// Opening a whole-tree snapshot (the JSON export of ncdu or gdu, or ours) to
// show in place of the disk, and showing its folders. The session keeps the
// snapshot; while it is shown, the window's analyses of the folders it holds
// are filled from it: double-click, chart clicks, Up one dir and the history
// move inside it without reading the disk. Run drops it and measures the real
// folder.
#include <QObject>
#include <QString>

class AnalysisSession;
class QWidget;

class SnapshotView : public QObject {
    Q_OBJECT
public:
    // window: the parent of its messages.
    SnapshotView(QWidget& window, AnalysisSession& session);

    // Reads fileName and shows its top folder. A file that cannot be read shows
    // its message and leaves the window as it was; false then.
    bool OpenFrom(const QString& fileName);
    // A file that starts as a JSON export (rather than a result file).
    static bool LooksLikeSnapshot(const QString& fileName);

    // Loads folder of the snapshot into the session's rows; nothing when it
    // holds no such folder.
    void Show(const QString& folder);

signals:
    // A snapshot was read and is about to show its top folder.
    void Opened();
    // The session's rows now hold folder: the views show them, the status bar
    // names it by panelText and it joins the history, as after a run.
    void FolderLoaded(const QString& folder, const QString& panelText);

private:
    QWidget& window_;
    AnalysisSession& session_;
};
