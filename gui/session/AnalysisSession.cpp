#include "gui/session/AnalysisSession.h"
#include "core/compare/FolderChanges.h"
#include "core/snapshot/Snapshot.h"
#include "core/snapshot/SnapshotRows.h"
#include "platform/FileInfo.h"
#include "platform/NativePath.h"
#include <QDir>
#include <QFileInfo>
#include <QStringListModel>

AnalysisSession::AnalysisSession(const QString& iniFileName, QObject* parent)
    : QObject(parent), iniFileName_(iniFileName), results_(std::make_unique<DirScanner>()),
      history_(new QStringListModel(this)) {
    connect(this, &AnalysisSession::RunStarted, this, [this] { SetComparison(nullptr); });
    connect(this, &AnalysisSession::ShownTreeChanged, this, [this] {
        if (comparison_ && comparison_->shown != ShownTree()) SetComparison(nullptr);
    });
}

void AnalysisSession::SetComparison(std::shared_ptr<const SnapshotComparison> comparison) {
    if (comparison == comparison_) return;
    comparison_ = std::move(comparison);
    emit ComparisonChanged();
}

AnalysisSession::~AnalysisSession() = default;

QString AnalysisSession::WithDelimiter(QString path) {
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}

QString AnalysisSession::ParentFolder(const QString& path) {
    QString p = path;
    while (p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (p.isEmpty()) return QStringLiteral("/"); // the root is its own parent
    const qsizetype i = p.lastIndexOf(QLatin1Char('/'));
    if (i < 0) return path;
    return p.left(i + 1);
}

QString AnalysisSession::SelectFolder(const QString& path) {
    if (path != currentFolder_) {
        const bool inSnapshot = InSnapshot(WithDelimiter(path));
        if (IsExistingFolder(path) || inSnapshot)
            currentFolder_ = WithDelimiter(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
        selectedInSnapshot_ = inSnapshot;
        emit CurrentFolderChanged(currentFolder_, path);
    }
    return path;
}

bool AnalysisSession::FolderThere(const QString& path) const {
    return IsExistingFolder(path) || InSnapshot(WithDelimiter(path));
}

QString AnalysisSession::FolderPanelText() const {
    return selectedInSnapshot_ ? SnapshotPanelText(currentFolder_) : DisplayPath(currentFolder_);
}

bool AnalysisSession::Measure(const QString& path, bool includeFreeSpace, IProgress* progress) {
    if (run_.Running()) return false;
    // A run of its own, so a cancelled one leaves the last complete run in place.
    auto run = std::make_unique<DirScanner>();
    run->Threads = results_->Threads;
    run->FolderPath = path;
    run->IncludeFreeSpace = includeFreeSpace;
    DirScanner::SetMinFileSize(qint64(MinFileSizeKB) * 1024);
    emit RunStarted(path);
    if (!run_.Execute(*run, progress)) {
        emit RunCancelled(path);
        return false;
    }
    results_->TakeResults(*run);
    run.reset();
    TotalGB = std::llround(StrToSizeFloat(results_->TotalGBText) * 10000.0);
    emit RunFinished(path);
    emit ShownTreeChanged();
    return true;
}

std::shared_ptr<const Tree> AnalysisSession::ShownTree() const {
    if (snapshot_) return snapshot_;
    return results_->LastTree();
}

Tree::Index AnalysisSession::CurrentNode() const {
    const std::shared_ptr<const Tree> tree = ShownTree();
    if (!tree || tree->Count() == 0) return Tree::kNone;
    QString path = currentFolder_;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    QString root = tree->RootPath();
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    if (path == root) return 0;
    // Only paths below the root belong to it (Find also takes relative ones).
    const QString rootSlash = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!path.startsWith(rootSlash)) return Tree::kNone;
    const Tree::Index at = tree->Find(path);
    return at != Tree::kNone && tree->At(at).IsFolder() ? at : Tree::kNone;
}

// --- snapshots ----------------------------------------------------------------

void AnalysisSession::OpenSnapshot(std::shared_ptr<const Snapshot> snapshot,
                                   const QString& fileName) {
    snapshot_ = std::move(snapshot);
    snapshotFile_ = QFileInfo(fileName).absoluteFilePath();
    emit SnapshotOpened(snapshotFile_);
    emit ShownTreeChanged();
}

QString AnalysisSession::SnapshotTop() const {
    return snapshot_ ? WithDelimiter(snapshot_->RootPath()) : QString();
}

std::uint32_t AnalysisSession::FindInSnapshot(const QString& folder) const {
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

bool AnalysisSession::InSnapshot(const QString& folder) const {
    return FindInSnapshot(folder) != Snapshot::kNone;
}

bool AnalysisSession::LoadSnapshotFolder(const QString& folder) {
    const std::uint32_t at = FindInSnapshot(folder);
    if (at == Snapshot::kNone) return false;
    SnapshotFolderRows rows = FolderRowsOf(*snapshot_, at);
    DirScanner& s = *results_;
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
    TotalGB = StrToSizeValue(s.TotalGBText);
    return true;
}

void AnalysisSession::CloseSnapshot() {
    if (!snapshot_) return;
    snapshot_.reset();
    snapshotFile_.clear();
    emit SnapshotClosed();
    emit ShownTreeChanged();
}

QString AnalysisSession::SnapshotPanelText(const QString& folder) const {
    // The snapshot's name first: the panel is narrow and cuts the end.
    return QStringLiteral("Snapshot %1: %2").arg(QFileInfo(snapshotFile_).fileName(), folder);
}
