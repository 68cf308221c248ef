#include "platform/Trash.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QUrl>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Enc(const QString& s) {
    return NativePath(s);
}

bool IsOwnDir(const QString& dir) {
    struct stat st;
    return lstat(Enc(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid();
}

// Why an existing trash folder is not used: it must be a real folder of this
// user. A link is refused rather than followed, so that neither a move nor
// emptying the trash reaches whatever it points to.
QString TrashDirProblem(const QString& dir) {
    struct stat st;
    if (lstat(Enc(dir).constData(), &st) != 0)
        return OpError(QStringLiteral("open the trash folder"), dir, errno);
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("The trash folder \"%1\" is a symbolic link. It is left alone: "
                              "nothing goes into it and nothing in it is removed.")
            .arg(DisplayPath(dir));
    if (!IsOwnDir(dir))
        return QStringLiteral("The trash folder \"%1\" is not usable.").arg(DisplayPath(dir));
    return {};
}

// 0 when files/ (or info/) of a trash is a real folder or absent (*present
// tells which), else the errno that keeps it from being read as one.
int TrashSubdirState(const QString& dir, bool* present) {
    struct stat st;
    *present = false;
    if (lstat(Enc(dir).constData(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(st.st_mode)) return S_ISLNK(st.st_mode) ? ELOOP : ENOTDIR;
    *present = true;
    return 0;
}

// Creates dir (0700) with files/ and info/ below it.
bool PrepareTrash(const QString& dir, QString* error) {
    QString why;
    if (mkdir(Enc(dir).constData(), 0700) != 0 && errno != EEXIST)
        why = OpError(QStringLiteral("create the trash folder"), dir, errno);
    else
        why = TrashDirProblem(dir);
    for (const QString& d : {dir + QStringLiteral("/files"), dir + QStringLiteral("/info")}) {
        bool present = false;
        if (!why.isEmpty()) break;
        if (mkdir(Enc(d).constData(), 0700) != 0 && errno != EEXIST)
            why = OpError(QStringLiteral("create the trash folder"), d, errno);
        else if (const int err = TrashSubdirState(d, &present))
            why = OpError(QStringLiteral("use the trash folder"), d, err);
    }
    if (error && !why.isEmpty()) *error = why;
    return why.isEmpty();
}

// The top folder of the file system holding path: the last ancestor on the same device.
QString TopDir(const QString& path, dev_t dev) {
    QString top = path;
    for (;;) {
        const QString parent = QFileInfo(top).path();
        struct stat st;
        if (parent == top || lstat(Enc(parent).constData(), &st) != 0 || st.st_dev != dev)
            return top;
        top = parent;
    }
}

QString CleanAbsolute(const QString& path) {
    QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    return p;
}

// Device of the home trash, or of its nearest existing ancestor.
bool HomeTrashDevice(dev_t* dev) {
    QString p = HomeTrashDir();
    for (;;) {
        struct stat st;
        if (stat(Enc(p).constData(), &st) == 0) {
            *dev = st.st_dev;
            return true;
        }
        const QString parent = QFileInfo(p).path();
        if (parent == p) return false;
        p = parent;
    }
}

// The name an item takes in files/ (its info file adds ".trashinfo"): its own
// name, with ".n" before the extension for the nth item of that name. A long
// name is cut, between characters and keeping a short extension, so that the
// info file's name fits the file system's limit; Path= keeps the real name.
QByteArray TrashEntryName(const QByteArray& name, int n) {
    constexpr qsizetype kLimit = NAME_MAX - qsizetype(sizeof(".trashinfo") - 1);
    constexpr qsizetype kLongestKeptExtension = 16;
    const qsizetype dot = name.lastIndexOf('.');
    QByteArray stem = dot > 0 ? name.left(dot) : name;
    QByteArray ext = dot > 0 ? name.mid(dot) : QByteArray();
    const QByteArray tag = n > 1 ? '.' + QByteArray::number(n) : QByteArray();
    if (stem.size() + tag.size() + ext.size() > kLimit) {
        if (ext.size() > kLongestKeptExtension) stem = name, ext.clear();
        qsizetype keep = kLimit - tag.size() - ext.size();
        for (int back = 0; back < 3 && (uchar(stem[keep]) & 0xC0) == 0x80; ++back)
            --keep;
        stem.truncate(keep);
    }
    return stem + tag + ext;
}

bool WriteAll(int fd, const QByteArray& data) {
    for (qsizetype done = 0; done < data.size();) {
        ssize_t w = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += w;
    }
    return true;
}

} // namespace

QString HomeTrashDir() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || !QDir::isAbsolutePath(data))
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data) + QStringLiteral("/Trash");
}

QString TrashInfoPathText(const QString& path) {
    return QString::fromLatin1(NativePath(path).toPercentEncoding("/"));
}

QString TrashDirFor(const QString& path, QString* error) {
    struct stat st;
    if (lstat(Enc(path).constData(), &st) != 0) {
        if (error) *error = OpError(QStringLiteral("find"), path, errno);
        return {};
    }
    dev_t homeDev;
    if (HomeTrashDevice(&homeDev) && homeDev == st.st_dev) {
        const QString home = HomeTrashDir();
        QDir().mkpath(QFileInfo(home).path());
        return PrepareTrash(home, error) ? home : QString();
    }
    const QString top = TopDir(CleanAbsolute(path), st.st_dev);
    const QString uid = QString::number(getuid());
    // An administrator's shared .Trash (sticky, not a link) comes first.
    struct stat ts;
    const QString shared = top + QStringLiteral("/.Trash");
    if (lstat(Enc(shared).constData(), &ts) == 0 && S_ISDIR(ts.st_mode) && (ts.st_mode & S_ISVTX)) {
        const QString dir = shared + QLatin1Char('/') + uid;
        if (PrepareTrash(dir, nullptr)) return dir;
    }
    const QString own =
        (top == QLatin1String("/") ? QString() : top) + QStringLiteral("/.Trash-") + uid;
    return PrepareTrash(own, error) ? own : QString();
}

bool MoveToTrash(const QString& path, QString* error, TrashedItem* item,
                 const QString& recordedPath) {
    QString p = CleanAbsolute(path);
    const QString recorded = recordedPath.isEmpty() ? p : CleanAbsolute(recordedPath);
    if (p == QLatin1String("/")) {
        if (error) *error = QStringLiteral("The root folder cannot be moved to the trash.");
        return false;
    }
    const QString trash = TrashDirFor(p, error);
    if (trash.isEmpty()) return false;
    if (p == trash || p.startsWith(trash + QLatin1Char('/')) ||
        trash.startsWith(p + QLatin1Char('/'))) {
        if (error) *error = QStringLiteral("\"%1\" holds the trash itself.").arg(DisplayPath(p));
        return false;
    }
    // Relative paths for a trash at the top of a file system, absolute for the home trash.
    QString infoPath = recorded;
    const QString trashParent = QFileInfo(trash).path();
    const QString topTrashParent =
        trash.endsWith(QStringLiteral("/.Trash/") + QString::number(getuid()))
            ? QFileInfo(trashParent).path()
            : trashParent;
    if (trash != HomeTrashDir()) {
        const QString base = topTrashParent == QLatin1String("/") ? QString() : topTrashParent;
        if (recorded.startsWith(base + QLatin1Char('/'))) infoPath = recorded.mid(base.size() + 1);
    }
    const QByteArray info =
        "[Trash Info]\nPath=" + TrashInfoPathText(infoPath).toUtf8() +
        "\nDeletionDate=" + QDateTime::currentDateTime().toString(Qt::ISODate).left(19).toUtf8() +
        "\n";

    const QByteArray name = Enc(QFileInfo(recorded).fileName());
    for (int n = 1; n < 100000; ++n) {
        const QByteArray unique = TrashEntryName(name, n);
        const QByteArray infoFile = Enc(trash) + "/info/" + unique + ".trashinfo";
        const QByteArray target = Enc(trash) + "/files/" + unique;
        // The info file claims the name; it exists before the item moves.
        int fd = ::open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            if (error) *error = OpError(QStringLiteral("write"), PathFromNative(infoFile), errno);
            return false;
        }
        struct stat st;
        if (lstat(target.constData(), &st) == 0) { // an orphan left by someone else
            ::close(fd);
            ::unlink(infoFile.constData());
            continue;
        }
        const bool written = WriteAll(fd, info) && fsync(fd) == 0;
        const int werr = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(infoFile.constData());
            if (error)
                *error = OpError(QStringLiteral("write"), PathFromNative(infoFile),
                                 written ? errno : werr);
            return false;
        }
        if (::rename(Enc(p).constData(), target.constData()) != 0) {
            const int err = errno;
            ::unlink(infoFile.constData());
            if (error) *error = OpError(QStringLiteral("move to the trash"), p, err);
            return false;
        }
        if (item) *item = {p, PathFromNative(target), PathFromNative(infoFile)};
        return true;
    }
    if (error) *error = OpError(QStringLiteral("move to the trash"), p, EEXIST);
    return false;
}

bool RestoreFromTrash(const TrashedItem& item, QString* error) {
    struct stat st;
    if (lstat(Enc(item.original).constData(), &st) == 0) {
        if (error) *error = OpError(QStringLiteral("restore"), item.original, EEXIST);
        return false;
    }
    if (::rename(Enc(item.trashed).constData(), Enc(item.original).constData()) != 0) {
        if (error) *error = OpError(QStringLiteral("restore"), item.original, errno);
        return false;
    }
    ::unlink(Enc(item.infoFile).constData());
    return true;
}

bool SendToRecycleBin(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return MoveToTrash(p);
}

QStringList AllTrashDirs() {
    QStringList dirs{HomeTrashDir()};
    const QString uid = QString::number(getuid());
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        QString root = v.rootPath();
        if (root == QLatin1String("/")) root.clear();
        // A shared .Trash counts only as the sticky folder it must be, never through a link.
        struct stat ts;
        const QString shared = root + QStringLiteral("/.Trash");
        const bool sharedOk = lstat(Enc(shared).constData(), &ts) == 0 && S_ISDIR(ts.st_mode) &&
                              (ts.st_mode & S_ISVTX);
        for (const QString& d : {sharedOk ? shared + QLatin1Char('/') + uid : QString(),
                                 root + QStringLiteral("/.Trash-") + uid}) {
            if (!d.isEmpty() && !dirs.contains(d) && IsOwnDir(d)) dirs << d;
        }
    }
    return dirs;
}

TrashContents QueryTrash(const QStringList& trashDirs) {
    TrashContents c;
    for (const QString& dir : trashDirs) {
        const QString filesDir = dir + QStringLiteral("/files");
        bool present = false;
        struct stat ds;
        // A linked trash is refused everywhere: its target is not counted either.
        int err = lstat(Enc(dir).constData(), &ds) == 0 && S_ISLNK(ds.st_mode)
                      ? ELOOP
                      : TrashSubdirState(filesDir, &present);
        if (present) {
            DIR* d = opendir(Enc(filesDir).constData());
            if (!d) {
                err = errno;
            } else {
                const QByteArray base = Enc(filesDir) + '/';
                while (const dirent* e = readdir(d)) {
                    if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
                        continue;
                    ++c.items;
                    c.bytes += TreeBytes(base + e->d_name);
                }
                closedir(d);
            }
        }
        if (err && !c.error) c.error = err;
    }
    return c;
}

bool EmptyTrash(const QStringList& trashDirs, QString* error) {
    bool ok = true;
    auto fail = [&](const QString& why) {
        if (error && ok) *error = why;
        ok = false;
    };
    for (const QString& dir : trashDirs) {
        const QString files = dir + QStringLiteral("/files/");
        const QString info = dir + QStringLiteral("/info/");
        struct stat st;
        if (lstat(Enc(dir).constData(), &st) != 0 && errno == ENOENT) continue; // nothing in it
        if (const QString why = TrashDirProblem(dir); !why.isEmpty()) {
            fail(why);
            continue;
        }
        bool hasFiles = false, hasInfo = false;
        int err = TrashSubdirState(dir + QStringLiteral("/files"), &hasFiles);
        if (!err) err = TrashSubdirState(dir + QStringLiteral("/info"), &hasInfo);
        if (err) {
            fail(OpError(QStringLiteral("empty the trash folder"), dir, err));
            continue;
        }
        // Listed as bytes, so names that are not UTF-8 go too.
        for (const QString& n : hasFiles ? EntryNames(files) : QStringList()) {
            if (const TreeResult r = RemoveTree(Enc(files + n)); !r.ok) {
                fail(r.error);
                continue;
            }
            ::unlink(Enc(info + n + QStringLiteral(".trashinfo")).constData());
        }
        // Info files whose item is gone.
        for (const QString& n : hasInfo ? EntryNames(info) : QStringList()) {
            if (!n.endsWith(QLatin1String(".trashinfo"))) continue;
            struct stat st;
            const QString item = files + n.left(n.size() - 10);
            if (lstat(Enc(item).constData(), &st) != 0) ::unlink(Enc(info + n).constData());
        }
        ::unlink(Enc(dir + QStringLiteral("/directorysizes")).constData());
    }
    return ok;
}
