#include "gui/window/SnapshotView.h"
#include "core/snapshot/Snapshot.h"
#include "gui/common/SnapshotFile.h"
#include "gui/session/AnalysisSession.h"
#include <QFile>
#include <QWidget>

SnapshotView::SnapshotView(QWidget& window, AnalysisSession& session)
    : QObject(&window), window_(window), session_(session) {}

bool SnapshotView::LooksLikeSnapshot(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QByteArray head = f.read(64).trimmed();
    return head.startsWith('[');
}

bool SnapshotView::OpenFrom(const QString& fileName) {
    std::shared_ptr<const Snapshot> read;
    if (!WithSnapshotFile(&window_, fileName,
                          [&read](std::shared_ptr<const Snapshot> s) { read = std::move(s); }))
        return false;
    session_.OpenSnapshot(std::move(read), fileName);
    const QString top = session_.SnapshotTop();
    emit Opened();
    session_.SelectFolder(top);
    Show(top);
    return true;
}

void SnapshotView::Show(const QString& folder) {
    if (!session_.LoadSnapshotFolder(folder)) return;
    emit FolderLoaded(folder, session_.SnapshotPanelText(folder));
}
