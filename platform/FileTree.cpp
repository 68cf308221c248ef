#include "platform/FileTree.h"

#include "platform/NativePath.h"
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
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

std::vector<QByteArray> ListDir(const QByteArray& path, int* err) {
    std::vector<QByteArray> names;
    DirPtr d(opendir(path.constData()));
    if (!d) {
        *err = errno;
        return names;
    }
    while (dirent* e = readdir(d.get())) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    *err = 0;
    return names;
}

void KeepTimes(const QByteArray& dst, const struct stat& st, bool link) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, dst.constData(), times, link ? AT_SYMLINK_NOFOLLOW : 0);
}

TreeResult Fail(const QString& verb, const QByteArray& path, int err) {
    return {false, false, OpError(verb, Name(path), err)};
}

TreeResult CopyFile(const QByteArray& src, const QByteArray& dst, const struct stat& st,
                    const CopyProgress& progress) {
    Fd in(::open(src.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (in.get() < 0) return Fail(QStringLiteral("read"), src, errno);
    Fd out(::open(dst.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) return Fail(QStringLiteral("create"), dst, errno);
    auto fail = [&](const QString& verb, const QByteArray& p, int err) {
        out.close();
        ::unlink(dst.constData());
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
            ::unlink(dst.constData());
            return {false, true, QString()};
        }
    }
    (void)fchown(out.get(), st.st_uid, st.st_gid); // only succeeds for root; fine
    fchmod(out.get(), st.st_mode & 07777);
    const timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(out.get(), times);
    if (out.close() != 0) {
        int err = errno;
        ::unlink(dst.constData());
        return Fail(QStringLiteral("write"), dst, err);
    }
    return {};
}

TreeResult CopyAny(const QByteArray& src, const QByteArray& dst, const CopyProgress& progress) {
    struct stat st;
    if (lstat(src.constData(), &st) != 0) return Fail(QStringLiteral("read"), src, errno);
    if (S_ISREG(st.st_mode)) return CopyFile(src, dst, st, progress);
    if (S_ISLNK(st.st_mode)) {
        QByteArray target(st.st_size > 0 ? st.st_size + 1 : 4096, '\0');
        ssize_t n = readlink(src.constData(), target.data(), target.size());
        if (n < 0) return Fail(QStringLiteral("read"), src, errno);
        target.truncate(n);
        if (symlink(target.constData(), dst.constData()) != 0)
            return Fail(QStringLiteral("create"), dst, errno);
        KeepTimes(dst, st, true);
        return {};
    }
    if (S_ISFIFO(st.st_mode)) {
        if (mkfifo(dst.constData(), st.st_mode & 07777) != 0)
            return Fail(QStringLiteral("create"), dst, errno);
        KeepTimes(dst, st, false);
        return {};
    }
    if (!S_ISDIR(st.st_mode)) return Fail(QStringLiteral("copy"), src, ENOTSUP);

    // Owner rwx while filling, the real bits afterwards.
    if (mkdir(dst.constData(), 0700) != 0) return Fail(QStringLiteral("create"), dst, errno);
    int err = 0;
    const auto names = ListDir(src, &err);
    TreeResult r;
    if (err) r = Fail(QStringLiteral("read"), src, err);
    for (const QByteArray& n : names) {
        if (!r.ok) break;
        r = CopyAny(src + '/' + n, dst + '/' + n, progress);
    }
    if (!r.ok) {
        RemoveTree(dst);
        return r;
    }
    (void)lchown(dst.constData(), st.st_uid, st.st_gid);
    chmod(dst.constData(), st.st_mode & 07777);
    KeepTimes(dst, st, false);
    return {};
}

// Entries of an open folder; the descriptor stays open for the caller.
std::vector<QByteArray> ListOpenDir(int fd) {
    std::vector<QByteArray> names;
    const int dupFd = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (dupFd < 0) return names;
    DirPtr d(fdopendir(dupFd));
    if (!d) {
        ::close(dupFd);
        return names;
    }
    while (dirent* e = readdir(d.get())) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    return names;
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
    struct stat st;
    if (lstat(dst.constData(), &st) == 0) return Fail(QStringLiteral("create"), dst, EEXIST);
    return CopyAny(src, dst, progress);
}

TreeResult RemoveTree(const QByteArray& path) {
    struct stat st;
    if (lstat(path.constData(), &st) != 0) return Fail(QStringLiteral("delete"), path, errno);
    if (!S_ISDIR(st.st_mode)) {
        if (unlink(path.constData()) != 0) return Fail(QStringLiteral("delete"), path, errno);
        return {};
    }
    // A folder without owner write or search permission cannot be emptied.
    if ((st.st_mode & 0700) != 0700) chmod(path.constData(), (st.st_mode & 07777) | 0700);
    int err = 0;
    const auto names = ListDir(path, &err);
    if (err) return Fail(QStringLiteral("read"), path, err);
    TreeResult first;
    for (const QByteArray& n : names) {
        TreeResult r = RemoveTree(path + '/' + n);
        if (!r.ok && first.ok) first = r;
    }
    if (!first.ok) return first;
    if (rmdir(path.constData()) != 0) return Fail(QStringLiteral("delete"), path, errno);
    return {};
}

std::int64_t TreeBytes(const QByteArray& path, std::int64_t* entries) {
    struct stat st;
    if (lstat(path.constData(), &st) != 0) return 0;
    if (entries) ++*entries;
    if (!S_ISDIR(st.st_mode)) return S_ISREG(st.st_mode) ? std::int64_t(st.st_size) : 0;
    int err = 0;
    std::int64_t sum = 0;
    for (const QByteArray& n : ListDir(path, &err))
        sum += TreeBytes(path + '/' + n, entries);
    return sum;
}
