#include "core/engine/DirScanner.h"
#include "core/engine/WalkPool.h"
#include "core/tree/TreeRows.h"
#include "platform/DirSearch.h"
#include "platform/NativePath.h"
#include <QFile>
#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <thread>
#include <unistd.h>

namespace {

QString WithDelimiter(const QString& folder) {
    if (folder.endsWith(QLatin1Char('/'))) return folder;
    return folder + QLatin1Char('/');
}

// A tree's root is named by the folder's path without the delimiter ("/" stays).
QByteArray RootName(const QString& folder) {
    QByteArray p = NativePath(folder);
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    return p;
}

QByteArray LastName(const QString& path) {
    const QByteArray p = NativePath(path);
    return p.mid(p.lastIndexOf('/') + 1);
}

} // namespace

DirScanner::DirScanner() = default;
DirScanner::~DirScanner() = default;

QString DirScanner::AllFilesName() {
    return QStringLiteral("<All files in this folder>");
}
QString DirScanner::FreeSpaceName() {
    return QStringLiteral("<Free Space>");
}

bool DirScanner::IsDriveRoot(const QString& folder) {
    const QString p = WithDelimiter(folder);
    if (p == QLatin1String("/")) return true;
    const QByteArray native = NativePath(p);
    struct statx sx {};
    if (::statx(AT_FDCWD, native.constData(), 0, STATX_INO, &sx) != 0) return false;
    if ((sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) &&
        (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT))
        return true;
    struct stat self {
    }, up{};
    if (::stat(native.constData(), &self) != 0 || ::stat((native + "..").constData(), &up) != 0)
        return false;
    return self.st_dev != up.st_dev || self.st_ino == up.st_ino;
}

qint64 DirScanner::FreeBytes(const QString& folder) {
    struct statvfs sv {};
    if (::statvfs(NativePath(folder).constData(), &sv) != 0) return -1;
    qint64 bytes = 0;
    if (__builtin_mul_overflow(sv.f_bavail, sv.f_frsize, &bytes))
        return std::numeric_limits<qint64>::max();
    return bytes;
}

bool DirScanner::HasFreeSpaceRow(const QString& folder) const {
    return IncludeFreeSpace && IsDriveRoot(folder);
}

int DirScanner::DefaultThreads(const QString& folder) {
    const int cores = std::max(1, int(std::thread::hardware_concurrency()));
    // In memory there is nothing to wait for: one thread per core does it all.
    struct statfs fs {};
    if (::statfs(QFile::encodeName(folder).constData(), &fs) == 0 &&
        (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC))
        return std::min(cores, 4);
    // On a disk or a network the walk mostly waits for folders and inodes that
    // are not cached yet; more threads keep more reads in flight, which the
    // device serves together (cold, 8 threads walk about twice as fast as 2 on
    // 2 cores; warm they cost a few per cent).
    return std::clamp(cores, 8, 16);
}

int DirScanner::WorkerCount(int rows, const QString& folder) const {
    if (rows < 1) return 1;
    // Even one row is worth several threads: they take folders out of it.
    return std::clamp(Threads > 0 ? Threads : DefaultThreads(folder), 1, 16);
}

int DirScanner::FirstWorkerCount(int workers) const {
    // Unless a count is asked for, the walk starts with one thread per core and
    // adds threads only while they wait for the disk.
    if (Threads > 0) return workers;
    return std::min(workers, std::max(1, int(std::thread::hardware_concurrency())));
}

void DirScanner::Measure() {
    EntryPaths.clear();
    EntryMB.clear();
    EntryKB.clear();
    FreeSpaceBytes.reset();
    ClearFileRows();
    tree_.reset();
    ListEntries(FolderPath);
    MeasureEntries(EntryPaths, FolderPath);
}

void DirScanner::ListEntries(const QString& folder) {
    const QString p = WithDelimiter(folder);
    const int fd = DirReader::OpenDir(AT_FDCWD, NativePath(p).constData(), true);
    if (fd >= 0) {
        DirReader reader(fd);
        DirReader::Entry e{};
        struct stat st {};
        while (reader.Next(e) && !Cancelled()) {
            if (e.name[0] == '.') continue;
            bool isDir = e.type == DT_DIR;
            if (e.type == DT_UNKNOWN)
                isDir = ::fstatat(fd, e.name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            if (isDir) EntryPaths.append(JoinName(p, e.name, e.length));
        }
    }
    EntryPaths.append(p + AllFilesName());
    if (HasFreeSpaceRow(p)) EntryPaths.append(p + FreeSpaceName());
}

void DirScanner::MeasureEntries(const QStringList& entries, const QString& folder) {
    const bool freeRow = HasFreeSpaceRow(folder);
    const int n = std::max<int>(0, int(entries.size()) - (freeRow ? 2 : 1));
    // entries may be EntryPaths itself; keep a copy of the rows to walk.
    const QStringList rows = entries.mid(0, n);
    const MountTypes mounts;
    if (Progress) Progress->SetProgressMax(n + 1);

    // Each row is walked into a part of its own; the parts become one tree.
    std::vector<std::unique_ptr<TreePart>> parts;
    parts.reserve(std::size_t(n));
    FoldersHandedOver = 0;
    WalkThreads = 1;
    const int workers = WorkerCount(n, folder);
    if (workers <= 1) {
        Walker walker(mounts, cancel_);
        for (const QString& row : rows) {
            if (Cancelled()) return;
            auto part = std::make_unique<TreePart>();
            walker.Folder(row, true, *part);
            parts.push_back(std::move(part));
            if (Progress) Progress->SetAddProgress(1);
        }
    } else {
        WalkPool pool(rows, mounts, cancel_, FirstWorkerCount(workers), workers);
        for (int i = 0; i < n; ++i) {
            if (Cancelled()) return;
            std::unique_ptr<TreePart> part;
            std::int64_t bytes = 0;
            if (!pool.Row(i, part, bytes)) break;
            parts.push_back(std::move(part));
            if (Progress) Progress->SetAddProgress(1);
        }
        pool.Rethrow();
        FoldersHandedOver = pool.HandedOver();
        WalkThreads = pool.Threads();
    }

    if (Cancelled()) return;
    Walker walker(mounts, cancel_);
    TreePart own;
    struct stat top {};
    walker.Folder(folder, false, own, 0, &top);
    if (Progress) Progress->SetAddProgress(1);
    if (Cancelled()) return;
    std::vector<QByteArray> names;
    names.reserve(std::size_t(n));
    for (const QString& row : rows)
        names.push_back(LastName(row));
    tree_ = std::make_shared<const Tree>(TreePart::Join(RootName(folder), top, own, parts, names));

    const QString prefix = WithDelimiter(folder);
    TreeFolderRows sizes = FolderRowsOf(*tree_, 0, prefix);
    EntryPaths = std::move(sizes.paths);
    EntryMB = std::move(sizes.mb);
    EntryKB = std::move(sizes.kb);
    TotalSize = sizes.total;
    TotalGBText = SizeText(suGB, sizes.total);
    if (freeRow) {
        const qint64 f = FreeBytes(prefix);
        FreeSpaceBytes = f;
        EntryPaths.append(prefix + FreeSpaceName());
        EntryMB.append(SizeText(suMB, BytesToSizeValue(f)));
        EntryKB.append(SizeText(suKB, BytesToSizeValue(f)));
    }
    AddRowTree(tree_, prefix, true);
}

WideSizeValue DirScanner::FolderBytes(const QString& folder, bool recurse) {
    const MountTypes mounts;
    Walker walker(mounts, cancel_);
    TreePart part;
    struct stat top {};
    const std::int64_t bytes = walker.Folder(folder, recurse, part, 0, &top);
    auto tree = std::make_shared<const Tree>(TreePart::Join(RootName(folder), top, part));
    AddRowTree(std::move(tree), WithDelimiter(folder), false);
    return BytesToSizeValue(bytes);
}

void DirScanner::TakeResults(DirScanner& other) {
    FolderPath = other.FolderPath;
    TotalGBText = other.TotalGBText;
    EntryPaths.swap(other.EntryPaths);
    EntryMB.swap(other.EntryMB);
    EntryKB.swap(other.EntryKB);
    IncludeFreeSpace = other.IncludeFreeSpace;
    TotalSize = other.TotalSize;
    FreeSpaceBytes = other.FreeSpaceBytes;
    FoldersHandedOver = other.FoldersHandedOver;
    WalkThreads = other.WalkThreads;
    rowTrees_.swap(other.rowTrees_);
    tree_.swap(other.tree_);
    std::swap(rowCount_, other.rowCount_);
    texts_.swap(other.texts_);
}
