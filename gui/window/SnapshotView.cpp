#include "gui/window/SnapshotView.h"
#include "core/snapshot/Snapshot.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/session/AnalysisSession.h"
#include "platform/Errors.h"
#include <QApplication>
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
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        read = std::make_shared<const Snapshot>(Snapshot::Read(fileName));
    } catch (const EMorvaneError& e) {
        QApplication::restoreOverrideCursor();
        ShowErrorMessage(&window_, e.message());
        return false;
    } catch (const std::bad_alloc&) {
        QApplication::restoreOverrideCursor();
        ShowErrorMessage(&window_, QStringLiteral("%1 is too large to open.").arg(fileName));
        return false;
    }
    QApplication::restoreOverrideCursor();
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
