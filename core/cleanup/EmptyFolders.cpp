#include "core/cleanup/EmptyFolders.h"
#include "platform/DirSearch.h"
#include "platform/NativePath.h"
#include "platform/Trash.h"
#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

bool IsDotOrDotDot(const char* n) {
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

using DirId = std::pair<dev_t, ino_t>;

// Trash folders hold what was removed before: never listed, entered or removed.
bool IsTrashName(const QByteArray& name) {
    if (name == ".Trash") return true;
    return name.startsWith(".Trash-") && name.mid(7) == QByteArray::number(::getuid());
}

// A collected folder and what its read found.
struct CollectedFolder {
    QByteArray path;
    bool empty = false;        // nothing but "." and ".."
    bool otherContent = false; // something that is not a folder to enter
};

struct Collector {
    std::vector<CollectedFolder> list;
    std::set<DirId> descent;
    DirId homeTrash{};

    void Collect(const QByteArray& folder, const QByteArray& asGiven, bool followLink) {
        DirReader dir(DirReader::OpenDir(AT_FDCWD, folder.constData(), followLink));
        struct stat self {};
        if (dir.fd() < 0 || ::fstat(dir.fd(), &self) != 0) return;
        const DirId id{self.st_dev, self.st_ino};
        if (!descent.insert(id).second) return; // mounted below itself
        const std::size_t at = list.size();
        list.push_back({asGiven, true, false});
        QList<QByteArray> subfolders;
        DirReader::Entry e{};
        while (dir.Next(e)) {
            if (IsDotOrDotDot(e.name)) continue;
            list[at].empty = false;
            // Files and links are known from the entry type: no status call.
            struct stat st {};
            const bool maybeDir = e.type == DT_DIR || e.type == DT_UNKNOWN;
            const QByteArray name(e.name, qsizetype(e.length));
            // Links are not followed, and another file system (a mount point)
            // is not entered: its root cannot be removed anyway.
            if (!maybeDir || ::fstatat(dir.fd(), e.name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                !S_ISDIR(st.st_mode) || st.st_dev != self.st_dev || IsTrashName(name) ||
                DirId{st.st_dev, st.st_ino} == homeTrash) {
                list[at].otherContent = true;
                continue;
            }
            subfolders << name;
        }
        // A folder that could not be read whole is not known to be empty.
        if (dir.error() != 0) list[at].otherContent = true, list[at].empty = false;
        ::close(dir.Release());
        for (const QByteArray& sub : subfolders) {
            const QByteArray child = folder + sub + '/';
            Collect(child, child, false);
        }
        descent.erase(id);
    }
};

std::vector<CollectedFolder> Collect(const QByteArray& folder) {
    Collector c;
    struct stat st {};
    if (::stat(NativePath(HomeTrashDir()).constData(), &st) == 0)
        c.homeTrash = {st.st_dev, st.st_ino};
    // Searching folder + "*" without the delimiter would match its siblings.
    if (!folder.isEmpty()) c.Collect(folder.endsWith('/') ? folder : folder + '/', folder, true);
    return std::move(c.list);
}

QByteArray WithSlash(QByteArray path) {
    if (!path.endsWith('/')) path += '/';
    return path;
}

QByteArray WithoutSlash(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray LastComponent(const QByteArray& path) {
    const QByteArray p = WithoutSlash(path);
    return p.mid(p.lastIndexOf('/') + 1);
}

} // namespace

QList<QByteArray> CollectFolders(const QByteArray& folder) {
    QList<QByteArray> paths;
    for (const CollectedFolder& f : Collect(folder))
        paths << f.path;
    return paths;
}

bool IsFolderEmpty(const QByteArray& folder) {
    DirReader dir(DirReader::OpenDir(AT_FDCWD, folder.constData(), true));
    if (dir.fd() < 0) return false;
    DirReader::Entry e{};
    while (dir.Next(e))
        if (!IsDotOrDotDot(e.name)) return false;
    return dir.error() == 0;
}

bool MayTrashListedFolder(const QByteArray& folder, const QByteArray& startFolder) {
    // Without the trailing '/', a link is opened as itself and refused.
    const QByteArray path = WithoutSlash(folder);
    if (path.isEmpty() || WithoutSlash(startFolder) == path) return false;
    DirReader dir(DirReader::OpenDir(AT_FDCWD, path.constData(), false));
    struct stat self {};
    struct stat start {};
    if (dir.fd() < 0 || ::fstat(dir.fd(), &self) != 0) return false;
    if (::stat(startFolder.constData(), &start) == 0 && start.st_dev == self.st_dev &&
        start.st_ino == self.st_ino)
        return false;
    DirReader::Entry e{};
    while (dir.Next(e))
        if (!IsDotOrDotDot(e.name)) return false;
    return dir.error() == 0;
}

std::vector<CleanupRow> ListEmptyFolders(const QString& folder) {
    std::vector<CleanupRow> rows;
    if (folder.isEmpty()) return rows;
    const QList<QByteArray> list = CollectFolders(NativePath(folder));
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        if (!IsFolderEmpty(list[i])) continue;
        const QString path = PathFromNative(list[i]);
        rows.push_back(
            {PathFromNative(LastComponent(list[i])), path, QStringLiteral("Empty"), path, true});
    }
    return rows;
}

QStringList DeleteEmptyFolders(const QString& folder,
                               const std::function<bool(const QString&)>& sendToTrash) {
    QStringList removed;
    if (folder.isEmpty()) return removed;
    const QByteArray start = WithSlash(NativePath(folder));
    const std::vector<CollectedFolder> list = Collect(start);
    const QByteArray rootName = LastComponent(start);
    // The first entry is the start folder itself, which always stays. A folder
    // is tested again just before: its empty subfolders may have gone by then.
    for (std::size_t i = list.size(); i-- > 1;) {
        const QByteArray& entry = list[i].path;
        if (list[i].otherContent || LastComponent(entry) == rootName ||
            !MayTrashListedFolder(entry, start))
            continue;
        const QString path = PathFromNative(WithoutSlash(entry));
        if (sendToTrash(path)) removed << path;
    }
    return removed;
}
