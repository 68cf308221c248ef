#include "gui/window/SnapshotView.h"
#include "core/snapshot/SnapshotRows.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/window/ComboItems.h"
#include "gui/window/MainWindow.h"
#include "platform/Errors.h"
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalBlocker>

SnapshotView::SnapshotView(MainWindow& form) : QObject(&form), form_(form) {}
SnapshotView::~SnapshotView() = default;

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
    snapshot_ = std::move(read);
    fileName_ = QFileInfo(fileName).absoluteFilePath();
    QString top = snapshot_->RootPath();
    if (!top.endsWith(QLatin1Char('/'))) top += QLatin1Char('/');
    emit form_.ApplyChartOptionsRequested();
    form_.SelectFolder(top);
    Show(top);
    return true;
}

std::uint32_t SnapshotView::Find(const QString& folder) const {
    if (!snapshot_) return Snapshot::kNone;
    QString path = folder;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QString root = snapshot_->RootPath();
    // Only paths at or below the top folder belong to it (Find also takes relative ones).
    const QString rootSlash = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (path != root && !path.startsWith(rootSlash)) return Snapshot::kNone;
    const std::uint32_t at = snapshot_->Find(path);
    return at != Snapshot::kNone && snapshot_->At(at).IsFolder() ? at : Snapshot::kNone;
}

bool SnapshotView::Holds(const QString& folder) const {
    return Find(folder) != Snapshot::kNone;
}

void SnapshotView::Show(const QString& folder) {
    const std::uint32_t at = Find(folder);
    if (at == Snapshot::kNone) return;
    SnapshotFolderRows rows = FolderRowsOf(*snapshot_, at);
    DirScanner& s = form_.Scanner();
    s.FolderPath = folder;
    s.EntryPaths = std::move(rows.paths);
    s.EntryMB = std::move(rows.mb);
    s.EntryKB = std::move(rows.kb);
    s.TotalSize = rows.total;
    s.TotalGBText = SizeText(suGB, rows.total);
    // The file list of the folder, as a run would record it; its texts are made
    // only when the list is asked for (a million rows take seconds).
    auto files = std::make_shared<SnapshotFileRowSource>(*snapshot_, at);
    const int n = files->RowCount();
    s.SetFileRows(n, [files, keep = snapshot_](const DirScanner::FileRowSink& row) {
        for (int i = 0; i < files->RowCount(); ++i)
            row(files->FullPath(i), SizeText(suMB, BytesToSizeValue(files->Bytes(i))),
                files->SubItem(i, 4), files->SubItem(i, 1));
    });
    form_.TotalGB = StrToSizeValue(s.TotalGBText);
    form_.FillFolderList(s.EntryPaths, s.EntryMB, s.EntryKB);
    emit form_.ChartsFillRequested(s.EntryPaths, s.EntryMB);
    form_.StatusPanel(4)->setText(PanelText(folder));
    {
        // Each folder shown joins the history, as after a run.
        const QSignalBlocker block(form_.HistoryCombo());
        form_.HistoryCombo()->setEditText(folder);
        AddTextToComboItems(form_.HistoryCombo(), form_.HistorySize);
    }
    emit form_.AnalysisDone(folder);
}

void SnapshotView::Drop() {
    if (!snapshot_) return;
    snapshot_.reset();
    fileName_.clear();
    form_.StatusPanel(4)->setText(form_.CurrentFolder());
}

QString SnapshotView::PanelText(const QString& folder) const {
    // The snapshot's name first: the panel is narrow and cuts the end.
    return QStringLiteral("Snapshot %1: %2").arg(QFileInfo(fileName_).fileName(), folder);
}
