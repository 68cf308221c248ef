#include "gui/session/AnalysisSession.h"
#include "core/compare/FolderChanges.h"
#include "core/snapshot/Snapshot.h"
#include "core/tree/TreeRows.h"
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
    ShowTreeFolder(results_->LastTree(), 0, WithDelimiter(path));
    shownFiles_.folder = path;
    shownFiles_.runOrder = true;
    shownFiles_.minSize = DirScanner::MinFileSizeBytes;
    if (const auto free = results_->FreeSpaceBytes) {
        const WideSizeValue v = BytesToSizeValue(*free);
        shownRows_.paths.append(shownFiles_.prefix + DirScanner::FreeSpaceName());
        shownRows_.mb.append(SizeText(suMB, v));
        shownRows_.kb.append(SizeText(suKB, v));
    }
    emit RunFinished(path);
    emit ShownTreeChanged();
    return true;
}

// --- the rows shown -----------------------------------------------------------

void AnalysisSession::ShowTreeFolder(std::shared_ptr<const Tree> tree, Tree::Index node,
                                     const QString& prefix) {
    TreeFolderRows rows = FolderRowsOf(*tree, node, prefix);
    shownRows_ = {std::move(rows.paths), std::move(rows.mb), std::move(rows.kb)};
    shownTotal_ = rows.total;
    shownFiles_.tree = std::move(tree);
    shownFiles_.node = node;
    shownFiles_.prefix = prefix;
    shownFiles_.folder = prefix;
    shownFiles_.runOrder = false;
    shownFiles_.minSize = 0;
}

void AnalysisSession::ShowResultRows(const QStringList& paths, const QStringList& mb,
                                     const QStringList& kb) {
    // These rows are not the compared tree's.
    SetComparison(nullptr);
    shownRows_ = {paths, mb, kb};
    // The total of this analysis, not of the last run: its rows without the
    // free space. Summed wide: the KB x 1024 of rows near an exabyte passes 64 bits.
    WideSizeValue kbSum = 0;
    for (qsizetype i = 0; i < paths.size(); ++i)
        if (!paths[i].endsWith(DirScanner::FreeSpaceName())) kbSum += StrToWideSizeValue(kb[i]);
    shownTotal_ = kbSum * 1024;
}

qsizetype AnalysisSession::ShownFileCount() const {
    const auto& f = shownFiles_;
    return f.tree ? DirScanner::FileRowCount(*f.tree, f.node, f.minSize) : 0;
}

void AnalysisSession::ForEachShownFile(
    const std::function<void(const DirScanner::FileRowFacts&)>& row) const {
    const auto& f = shownFiles_;
    if (f.tree) DirScanner::ForEachFileRow(*f.tree, f.node, f.prefix, f.runOrder, f.minSize, row);
}

namespace {
QString SumText(const QStringList& texts, const QString& unit) {
    if (texts.isEmpty()) return {};
    WideSizeValue sum = 0;
    for (const QString& t : texts)
        sum += StrToWideSizeValue(t);
    return TotalText(sum, unit);
}
} // namespace

QString AnalysisSession::TotalMBText() const {
    return SumText(shownRows_.mb, QStringLiteral("MB"));
}

QString AnalysisSession::TotalKBText() const {
    return SumText(shownRows_.kb, QStringLiteral("KB"));
}

SizeValue AnalysisSession::TotalGB() const {
    return StrToSizeValue(SizeText(suGB, shownTotal_));
}

std::shared_ptr<const Tree> AnalysisSession::ShownTree() const {
    if (snapshot_) return snapshot_;
    return results_->LastTree();
}

Tree::Index AnalysisSession::FolderIn(const Tree& tree, const QString& folder) {
    if (tree.Count() == 0) return Tree::kNone;
    QString path = folder;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    QString root = tree.RootPath();
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    if (path == root) return 0;
    // Only paths below the root belong to it (Find also takes relative ones).
    const QString rootSlash = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!path.startsWith(rootSlash)) return Tree::kNone;
    const Tree::Index at = tree.Find(path);
    return at != Tree::kNone && tree.At(at).IsFolder() ? at : Tree::kNone;
}

Tree::Index AnalysisSession::CurrentNode() const {
    const std::shared_ptr<const Tree> tree = ShownTree();
    return tree ? FolderIn(*tree, currentFolder_) : Tree::kNone;
}

// --- snapshots ----------------------------------------------------------------

void AnalysisSession::OpenSnapshot(std::shared_ptr<const Snapshot> snapshot,
                                   const QString& fileName) {
    snapshot_ = std::move(snapshot);
    snapshotFile_ = QFileInfo(fileName).absoluteFilePath();
    results_ = std::make_unique<DirScanner>();
    emit SnapshotOpened(snapshotFile_);
    emit ShownTreeChanged();
}

QString AnalysisSession::SnapshotTop() const {
    return snapshot_ ? WithDelimiter(snapshot_->RootPath()) : QString();
}

std::uint32_t AnalysisSession::FindInSnapshot(const QString& folder) const {
    return snapshot_ ? FolderIn(*snapshot_, folder) : Snapshot::kNone;
}

bool AnalysisSession::InSnapshot(const QString& folder) const {
    return FindInSnapshot(folder) != Snapshot::kNone;
}

bool AnalysisSession::LoadSnapshotFolder(const QString& folder) {
    const std::uint32_t at = FindInSnapshot(folder);
    if (at == Snapshot::kNone) return false;
    ShowTreeFolder(snapshot_, at, WithDelimiter(snapshot_->Path(at)));
    shownFiles_.folder = folder;
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
