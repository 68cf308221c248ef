#include "platform/FileTree.h"

#include "platform/DirSearch.h"
#include "platform/NativePath.h"
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

struct DirCloser {
    void operator()(DIR* d) const {
        if (d) closedir(d);
    }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // For a walk that may close the folder and open it again.
    int& handle() { return fd_; }
    // Closes now and reports the close's own failure (late write errors).
    int close() {
        int r = fd_ >= 0 ? ::close(fd_) : 0;
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

QString Name(const QByteArray& p) {
    return PathFromNative(p);
}

TreeResult Fail(const QString& verb, const QByteArray& path, int err) {
    return {false, false, OpError(verb, Name(path), err)};
}

// Levels of a walk that keep their folders open. Below them a folder is closed
// while its subfolder is worked on and opened again through the subfolder's
// "..", so neither the depth of a tree nor the limit of open files matters:
// every call works relative to an open folder, never on a whole path.
constexpr int kOpenLevels = 64;

// The parent folder of a walk step, closed meanwhile when the walk is deep.
class ParkedFolder {
public:
    ParkedFolder(int& fd, int depth) : fd_(fd) {
        struct stat st {};
        if (depth < kOpenLevels || fd < 0 || ::fstat(fd, &st) != 0) return;
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        parked_ = true;
        ::close(std::exchange(fd, -1));
    }
    ParkedFolder(const ParkedFolder&) = delete;
    ParkedFolder& operator=(const ParkedFolder&) = delete;
    // Opens the folder again through child's ".." (child stays open); false
    // when it cannot be found again as the same folder.
    bool Return(int child) {
        if (!parked_) return fd_ >= 0 || fd_ == AT_FDCWD;
        parked_ = false;
        fd_ = ReopenParentFolder(child < 0 ? -1 : fcntl(child, F_DUPFD_CLOEXEC, 0), dev_, ino_);
        return fd_ >= 0;
    }

private:
    int& fd_;
    dev_t dev_ = 0;
    ino_t ino_ = 0;
    bool parked_ = false;
};

// The folder holding path, opened, and path's last name in it; AT_FDCWD and
// the path itself when there is no parent to open. -1 with errno on failure.
int OpenParent(const QByteArray& path, QByteArray* name) {
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf('/');
    if (slash < 0 || p == "/") {
        *name = p;
        return AT_FDCWD;
    }
    *name = p.mid(slash + 1);
    const QByteArray dir = slash == 0 ? QByteArray("/") : p.left(slash);
    return ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

int OpenSubfolder(int dir, const QByteArray& name) {
    // O_NOFOLLOW: a folder swapped for a link meanwhile is not entered.
    return ::openat(dir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Entries of an open folder; the descriptor stays open for the caller.
std::vector<QByteArray> ListOpenDir(int fd, int* err = nullptr) {
    std::vector<QByteArray> names;
    const int dupFd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    DirPtr d(dupFd < 0 ? nullptr : fdopendir(dupFd));
    if (!d) {
        if (err) *err = errno;
        if (dupFd >= 0) ::close(dupFd);
        return names;
    }
    // errno tells a read error from the end, so it is cleared before each read.
    for (errno = 0; dirent* e = readdir(d.get()); errno = 0) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    if (err) *err = errno;
    return names;
}

TreeResult CopyFile(int srcDir, int dstDir, const QByteArray& name, const QByteArray& dstName,
                    const QByteArray& src, const QByteArray& dst, const struct stat& st,
                    const CopyProgress& progress) {
    Fd in(::openat(srcDir, name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) return Fail(QStringLiteral("read"), src, errno);
    Fd out(::openat(dstDir, dstName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) return Fail(QStringLiteral("create"), dst, errno);
    auto fail = [&](const QString& verb, const QByteArray& p, int err) {
        out.close();
        ::unlinkat(dstDir, dstName.constData(), 0);
        return Fail(verb, p, err);
    };
    bool useRange = true;
    std::vector<char> buf;
    for (;;) {
        ssize_t n = -1;
        if (useRange) {
            n = copy_file_range(in.get(), nullptr, out.get(), nullptr, 8 << 20, 0);
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                          errno == EOPNOTSUPP || errno == EBADF)) {
                useRange = false;
                continue;
            }
            if (n < 0) return fail(QStringLiteral("copy"), src, errno);
        } else {
            if (buf.empty()) buf.resize(1 << 20);
            n = ::read(in.get(), buf.data(), buf.size());
            if (n < 0) {
                if (errno == EINTR) continue;
                return fail(QStringLiteral("read"), src, errno);
            }
            for (ssize_t done = 0; done < n;) {
                ssize_t w = ::write(out.get(), buf.data() + done, size_t(n - done));
                if (w < 0) {
                    if (errno == EINTR) continue;
                    return fail(QStringLiteral("write"), dst, errno);
                }
                done += w;
            }
        }
        if (n == 0) break;
        if (progress && !progress(n)) {
            out.close();
            ::unlinkat(dstDir, dstName.constData(), 0);
            return {false, true, QString()};
        }
    }
    (void)fchown(out.get(), st.st_uid, st.st_gid); // only succeeds for root; fine
    fchmod(out.get(), st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out.get(), times);
    if (out.close() != 0) {
        int err = errno;
        ::unlinkat(dstDir, dstName.constData(), 0);
        return Fail(QStringLiteral("write"), dst, err);
    }
    return {};
}

// Copies the entry name of srcDir to dstName in dstDir. A folder that fails is
// left for the caller to remove whole.
struct TreeCopier {
    const CopyProgress& progress;
    QByteArray src, dst;  // the whole paths of the entry at hand, for messages only
    bool created = false; // the top entry was made

    TreeResult Copy(int& srcDir, int& dstDir, const QByteArray& name, const QByteArray& dstName,
                    int depth) {
        struct stat st;
        if (fstatat(srcDir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return Fail(QStringLiteral("read"), src, errno);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        if (S_ISREG(st.st_mode))
            return CopyFile(srcDir, dstDir, name, dstName, src, dst, st, progress);
        if (S_ISLNK(st.st_mode)) {
            QByteArray target(st.st_size > 0 ? st.st_size + 1 : 4096, '\0');
            ssize_t n = readlinkat(srcDir, name.constData(), target.data(), target.size());
            if (n < 0) return Fail(QStringLiteral("read"), src, errno);
            target.truncate(n);
            if (symlinkat(target.constData(), dstDir, dstName.constData()) != 0)
                return Fail(QStringLiteral("create"), dst, errno);
            utimensat(dstDir, dstName.constData(), times, AT_SYMLINK_NOFOLLOW);
            return {};
        }
        if (S_ISFIFO(st.st_mode)) {
            if (mkfifoat(dstDir, dstName.constData(), st.st_mode & 07777) != 0)
                return Fail(QStringLiteral("create"), dst, errno);
            utimensat(dstDir, dstName.constData(), times, AT_SYMLINK_NOFOLLOW);
            return {};
        }
        if (!S_ISDIR(st.st_mode)) return Fail(QStringLiteral("copy"), src, ENOTSUP);

        // Owner rwx while filling, the real bits afterwards.
        if (mkdirat(dstDir, dstName.constData(), 0700) != 0)
            return Fail(QStringLiteral("create"), dst, errno);
        if (depth == 0) created = true;
        Fd from(OpenSubfolder(srcDir, name));
        if (from.get() < 0) return Fail(QStringLiteral("read"), src, errno);
        Fd to(OpenSubfolder(dstDir, dstName));
        if (to.get() < 0) return Fail(QStringLiteral("create"), dst, errno);
        int err = 0;
        const auto names = ListOpenDir(from.get(), &err);
        if (err) return Fail(QStringLiteral("read"), src, err);
        TreeResult r;
        {
            ParkedFolder srcParent(srcDir, depth), dstParent(dstDir, depth);
            const qsizetype srcLength = src.size(), dstLength = dst.size();
            for (const QByteArray& n : names) {
                src += '/' + n;
                dst += '/' + n;
                r = Copy(from.handle(), to.handle(), n, n, depth + 1);
                src.truncate(srcLength);
                dst.truncate(dstLength);
                if (!r.ok) break;
            }
            const bool back = srcParent.Return(from.get()) & dstParent.Return(to.get());
            if (r.ok && !back) r = Fail(QStringLiteral("copy"), src, ENOENT);
        }
        if (!r.ok) return r;
        (void)fchown(to.get(), st.st_uid, st.st_gid);
        fchmod(to.get(), st.st_mode & 07777);
        futimens(to.get(), times);
        return {};
    }
};

// Removes the entry name of dir; path is its whole path, for messages only.
TreeResult RemoveAt(int& dir, const QByteArray& name, QByteArray& path, int depth) {
    struct stat st;
    if (fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(QStringLiteral("delete"), path, errno);
    if (!S_ISDIR(st.st_mode)) {
        if (unlinkat(dir, name.constData(), 0) != 0)
            return Fail(QStringLiteral("delete"), path, errno);
        return {};
    }
    // A folder without owner write or search permission cannot be emptied.
    if ((st.st_mode & 0700) != 0700)
        fchmodat(dir, name.constData(), (st.st_mode & 07777) | 0700, 0);
    Fd sub(OpenSubfolder(dir, name));
    int err = sub.get() < 0 ? errno : 0;
    const auto names = err ? std::vector<QByteArray>() : ListOpenDir(sub.get(), &err);
    if (err) return Fail(QStringLiteral("read"), path, err);
    TreeResult first;
    {
        ParkedFolder parent(dir, depth);
        const qsizetype length = path.size();
        for (const QByteArray& n : names) {
            if (sub.get() < 0) break;
            path += '/' + n;
            TreeResult r = RemoveAt(sub.handle(), n, path, depth + 1);
            path.truncate(length);
            if (!r.ok && first.ok) first = r;
        }
        if (!parent.Return(sub.get()) && first.ok)
            first = Fail(QStringLiteral("delete"), path, ENOENT);
    }
    if (!first.ok) return first;
    if (unlinkat(dir, name.constData(), AT_REMOVEDIR) != 0)
        return Fail(QStringLiteral("delete"), path, errno);
    return {};
}

std::int64_t BytesAt(int& dir, const QByteArray& name, int depth, std::int64_t* entries) {
    struct stat st;
    if (fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) return 0;
    if (entries) ++*entries;
    if (!S_ISDIR(st.st_mode)) return S_ISREG(st.st_mode) ? std::int64_t(st.st_size) : 0;
    Fd sub(OpenSubfolder(dir, name));
    if (sub.get() < 0) return 0;
    std::int64_t sum = 0;
    const auto names = ListOpenDir(sub.get());
    ParkedFolder parent(dir, depth);
    for (const QByteArray& n : names) {
        if (sub.get() < 0) break;
        sum += BytesAt(sub.handle(), n, depth + 1, entries);
    }
    parent.Return(sub.get());
    return sum;
}

void RemoveFilesAt(int dirFd, bool recursive, RemoveCount& count) {
    for (const QByteArray& n : ListOpenDir(dirFd)) {
        struct stat st;
        if (fstatat(dirFd, n.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISDIR(st.st_mode)) {
            ++(unlinkat(dirFd, n.constData(), 0) == 0 ? count.removed : count.failed);
        } else if (recursive) {
            // O_NOFOLLOW: a folder swapped for a link meanwhile is not entered.
            Fd sub(openat(dirFd, n.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (sub.get() >= 0) RemoveFilesAt(sub.get(), recursive, count);
        }
    }
}

} // namespace

RemoveCount RemoveFilesBelow(const QByteArray& dir, bool recursive) {
    RemoveCount count;
    Fd fd(::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() >= 0) RemoveFilesAt(fd.get(), recursive, count);
    return count;
}

QString ErrnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QString OpError(const QString& verb, const QString& path, int err) {
    return QStringLiteral("Cannot %1 \"%2\": %3").arg(verb, DisplayPath(path), ErrnoText(err));
}

TreeResult CopyTree(const QByteArray& src, const QByteArray& dst, const CopyProgress& progress) {
    QByteArray srcName, dstName;
    Fd srcDir(OpenParent(src, &srcName));
    if (srcDir.get() == -1) return Fail(QStringLiteral("read"), src, errno);
    Fd dstDir(OpenParent(dst, &dstName));
    if (dstDir.get() == -1) return Fail(QStringLiteral("create"), dst, errno);
    struct stat st;
    if (fstatat(dstDir.get(), dstName.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
        return Fail(QStringLiteral("create"), dst, EEXIST);
    TreeCopier copier{progress, src, dst};
    TreeResult r = copier.Copy(srcDir.handle(), dstDir.handle(), srcName, dstName, 0);
    // A partial copy goes again; a file removes its own part.
    QByteArray path = dst;
    if (!r.ok && copier.created) RemoveAt(dstDir.handle(), dstName, path, 0);
    return r;
}

TreeResult RemoveTree(const QByteArray& path) {
    QByteArray name, whole = path;
    Fd dir(OpenParent(path, &name));
    if (dir.get() == -1) return Fail(QStringLiteral("delete"), path, errno);
    return RemoveAt(dir.handle(), name, whole, 0);
}

std::int64_t TreeBytes(const QByteArray& path, std::int64_t* entries) {
    QByteArray name;
    Fd dir(OpenParent(path, &name));
    return dir.get() == -1 ? 0 : BytesAt(dir.handle(), name, 0, entries);
}
