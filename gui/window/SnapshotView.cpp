#include "gui/window/SnapshotView.h"
#include "core/snapshot/Snapshot.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "platform/Errors.h"
#include <QApplication>
#include <QFile>

SnapshotView::SnapshotView(MainWindow& form) : QObject(&form), form_(form) {}

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
        ShowErrorMessage(&form_, e.message());
        return false;
    } catch (const std::bad_alloc&) {
        QApplication::restoreOverrideCursor();
        ShowErrorMessage(&form_, QStringLiteral("%1 is too large to open.").arg(fileName));
        return false;
    }
    QApplication::restoreOverrideCursor();
    AnalysisSession& session = form_.Session();
    session.OpenSnapshot(std::move(read), fileName);
    const QString top = session.SnapshotTop();
    emit form_.ApplyChartOptionsRequested();
    session.SelectFolder(top);
    Show(top);
    return true;
}

void SnapshotView::Show(const QString& folder) {
    AnalysisSession& session = form_.Session();
    if (!session.LoadSnapshotFolder(folder)) return;
    form_.ShowSessionRows();
    // Each folder shown joins the history, as after a run.
    form_.FolderShown(folder, session.SnapshotPanelText(folder));
    emit form_.AnalysisDone(folder);
}
