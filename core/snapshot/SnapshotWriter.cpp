#include "core/snapshot/SnapshotWriter.h"
#include "core/export/WholeFile.h"
#include "platform/DirSearch.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

QString ErrnoText(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

bool IsPseudoFs(int fd) {
    struct statfs sf {};
    if (::fstatfs(fd, &sf) != 0) return false;
    switch (static_cast<unsigned long>(sf.f_type)) {
    case 0x9fa0:
    case 0x62656572:
    case 0x1cd1:
    case 0x27e0eb:
    case 0x63677270:
    case 0x64626720:
    case 0x74726163:
    case 0x73636673:
    case 0x6165676c:
    case 0xcafe4a11:
    case 0x62656570:
    case 0xde5e81e4:
    case 0x19800202:
    case 0x65735543:
    case 0x42494e4d:
    case 0x0187:
    case 0x6e736673:
    case 0xf97cff8c:
        return true;
    default:
        return false;
    }
}

// Output buffered in large blocks; the first failure is kept and stops writing.
class JsonOut {
public:
    explicit JsonOut(int fd) : fd_(fd) { buf_.reserve(kBlock + 4096); }
    void Raw(const char* s, std::size_t n) {
        buf_.append(s, n);
        if (buf_.size() >= kBlock) Flush();
    }
    void Raw(const char* s) { Raw(s, std::strlen(s)); }
    void Number(std::uint64_t v) {
        char t[24];
        Raw(t, std::size_t(std::snprintf(t, sizeof t, "%llu", static_cast<unsigned long long>(v))));
    }
    // The name's bytes as they are; quotes, backslashes and control bytes escaped.
    void String(const char* s, std::size_t n) {
        buf_.push_back('"');
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            if (c == '"' || c == '\\') {
                buf_.push_back('\\');
                buf_.push_back(char(c));
            } else if (c < 0x20) {
                char t[8];
                std::snprintf(t, sizeof t, "\\u%04x", c);
                buf_.append(t, 6);
            } else {
                buf_.push_back(char(c));
            }
        }
        buf_.push_back('"');
        if (buf_.size() >= kBlock) Flush();
    }
    bool Flush() {
        for (std::size_t done = 0; done < buf_.size() && error_ == 0;) {
            const ssize_t w = ::write(fd_, buf_.data() + done, buf_.size() - done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0)
                error_ = w < 0 ? errno : EIO;
            else
                done += std::size_t(w);
        }
        buf_.clear();
        return error_ == 0;
    }
    int error() const { return error_; }

private:
    static constexpr std::size_t kBlock = 1 << 18;
    int fd_;
    int error_ = 0;
    std::string buf_;
};

class SnapshotWalk {
public:
    explicit SnapshotWalk(JsonOut& out) : out_(out) {}

    // The top folder, opened by the caller; its name is the full path.
    void Top(int fd, const QByteArray& path) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            throw EMorvaneError(QStringLiteral("cannot read %1: %2")
                                    .arg(DisplayPath(PathFromNative(path)), ErrnoText(errno)));
        }
        AddAncestors(path);
        out_.Raw("[");
        Entry(path.constData(), std::size_t(path.size()), st, true);
        if (IsPseudoFs(fd)) {
            ::close(fd);
            out_.Raw(",\"excluded\":\"kernfs\"}]");
            return;
        }
        out_.Raw("}");
        path_.emplace_back(st.st_dev, st.st_ino);
        Folder(fd, st.st_dev);
        out_.Raw("]");
    }
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;

private:
    // Levels that keep their folder open: at most 100, and a quarter of the
    // handles the process may open, so a low limit does not cut the walk.
    static std::size_t OpenLevels() {
        struct rlimit rl {};
        if (::getrlimit(RLIMIT_NOFILE, &rl) != 0 || rl.rlim_cur == RLIM_INFINITY) return 100;
        return std::clamp<std::size_t>(std::size_t(rl.rlim_cur / 4), 4, 100);
    }
    const std::size_t openLevels_ = OpenLevels();

    // {"name":..,"asize":..,"dsize":.. (and "dev" where the device changes); the
    // object is left open for the caller's marks.
    void Entry(const char* name, std::size_t n, const struct stat& st, bool withDev) {
        ++entries;
        out_.Raw("{\"name\":");
        out_.String(name, n);
        out_.Raw(",\"asize\":");
        out_.Number(std::uint64_t(st.st_size > 0 ? st.st_size : 0));
        out_.Raw(",\"dsize\":");
        out_.Number(std::uint64_t(st.st_blocks > 0 ? st.st_blocks : 0) * 512);
        if (withDev) {
            out_.Raw(",\"dev\":");
            out_.Number(std::uint64_t(st.st_dev));
        }
        // ncdu's extended field: the file list of a snapshot shows its dates.
        if (st.st_mtime >= 0) {
            out_.Raw(",\"mtime\":");
            out_.Number(std::uint64_t(st.st_mtime));
        }
        if (!S_ISDIR(st.st_mode)) {
            if (!S_ISREG(st.st_mode)) out_.Raw(",\"notreg\":true");
            bytes += std::uint64_t(st.st_size > 0 ? st.st_size : 0);
        }
    }

    // The entries of the open folder fd (closed here), each after ",\n".
    void Folder(int fd, dev_t dev) {
        const std::size_t depth = path_.size();
        if (depth > openLevels_) {
            const int still = Deep(fd, dev);
            if (still >= 0) ::close(still);
            return;
        }
        while (buffers_.size() <= depth)
            buffers_.push_back(std::make_unique_for_overwrite<char[]>(DirReader::kBufferSize));
        DirReader reader(fd, buffers_[depth].get());
        DirReader::Entry e{};
        while (reader.Next(e)) {
            const int child = Visit(fd, e.name, e.length, dev);
            if (child < 0) continue;
            struct stat st {};
            ::fstat(child, &st);
            path_.emplace_back(st.st_dev, st.st_ino);
            Folder(child, st.st_dev);
            path_.pop_back();
            out_.Raw("]");
        }
    }

    // Below the open levels a folder is read whole and closed while a subfolder
    // is walked, then opened again through the subfolder's "..", checked to be the
    // same folder; so no depth runs out of handles. Returns fd still open, or -1.
    int Deep(int fd, dev_t dev) {
        std::vector<std::pair<std::size_t, std::size_t>> entries;
        std::string names;
        {
            if (!deepBuffer_)
                deepBuffer_ = std::make_unique_for_overwrite<char[]>(DirReader::kBufferSize);
            DirReader reader(fd, deepBuffer_.get());
            DirReader::Entry e{};
            while (reader.Next(e)) {
                entries.emplace_back(names.size(), e.length);
                names.append(e.name, e.length + 1);
            }
            fd = reader.Release();
        }
        const auto self = path_.back();
        for (const auto& [off, len] : entries) {
            if (fd < 0) break;
            const int child = Visit(fd, names.data() + off, len, dev);
            if (child < 0) continue;
            struct stat st {};
            ::fstat(child, &st);
            ::close(fd);
            path_.emplace_back(st.st_dev, st.st_ino);
            const int back = Deep(child, st.st_dev);
            path_.pop_back();
            out_.Raw("]");
            fd = ReopenParentFolder(back, self.first, self.second);
        }
        return fd;
    }

    // Writes one entry of folder fd. Returns the open handle of a subfolder to
    // walk (its array and entry object already written), else -1.
    int Visit(int fd, const char* name, std::size_t n, dev_t dev) {
        if (name[0] == '.' && (n == 1 || (n == 2 && name[1] == '.'))) return -1;
        struct stat st {};
        if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return -1;
        out_.Raw(",\n");
        const bool isDir = S_ISDIR(st.st_mode);
        if (!isDir) {
            Entry(name, n, st, false);
            out_.Raw("}");
            return -1;
        }
        const bool otherDev = st.st_dev != dev;
        // Hidden folders and loops stay closed, as in the scanner's walk.
        if (name[0] == '.' || OnPath(st.st_dev, st.st_ino)) {
            out_.Raw("[");
            Entry(name, n, st, otherDev);
            out_.Raw(",\"excluded\":\"pattern\"}]");
            return -1;
        }
        const int child = DirReader::OpenDir(fd, name);
        if (child < 0) {
            out_.Raw("[");
            Entry(name, n, st, otherDev);
            out_.Raw(",\"read_error\":true}]");
            return -1;
        }
        if (otherDev && IsPseudoFs(child)) {
            ::close(child);
            out_.Raw("[");
            Entry(name, n, st, true);
            out_.Raw(",\"excluded\":\"kernfs\"}]");
            return -1;
        }
        out_.Raw("[");
        Entry(name, n, st, otherDev);
        out_.Raw("}");
        return child;
    }

    bool OnPath(dev_t dev, ino_t ino) const {
        for (const auto& p : path_)
            if (p.first == dev && p.second == ino) return true;
        return false;
    }
    void AddAncestors(const QByteArray& path) {
        struct stat st {};
        for (qsizetype i = 0; i < path.size(); ++i) {
            if (path.at(i) != '/') continue;
            const QByteArray up = i == 0 ? QByteArray("/") : path.left(i);
            if (up != path && ::stat(up.constData(), &st) == 0)
                path_.emplace_back(st.st_dev, st.st_ino);
        }
    }

    JsonOut& out_;
    std::vector<std::pair<dev_t, ino_t>> path_;
    std::vector<std::unique_ptr<char[]>> buffers_;
    std::unique_ptr<char[]> deepBuffer_;
};

} // namespace

SnapshotWriteResult WriteSnapshot(const QString& folder, const QString& target) {
    SnapshotWriteResult result;
    QString top = folder;
    while (top.size() > 1 && top.endsWith(QLatin1Char('/')))
        top.chop(1);
    const QByteArray native = NativePath(top);
    const int fd = DirReader::OpenDir(AT_FDCWD, native.constData(), true);
    if (fd < 0) {
        result.error = QStringLiteral("cannot read %1: %2").arg(DisplayPath(top), ErrnoText(errno));
        return result;
    }
    // A pipe or a device is written straight into; a file is written beside
    // itself and put in place only when complete.
    const bool special = IsSpecialTarget(target);
    QByteArray tempPath;
    int outFd = -1;
    if (special) {
        outFd = ::open(NativePath(target).constData(), O_WRONLY | O_CLOEXEC);
    } else {
        QString dir = target.left(target.lastIndexOf(QLatin1Char('/')) + 1);
        if (dir.isEmpty()) dir = QStringLiteral("./");
        tempPath = NativePath(dir) + ".morvane-snapshot-XXXXXX";
        outFd = ::mkostemp(tempPath.data(), O_CLOEXEC);
    }
    if (outFd < 0) {
        result.error =
            QStringLiteral("cannot write %1: %2").arg(DisplayPath(target), ErrnoText(errno));
        ::close(fd);
        return result;
    }
    auto discard = [&](const QString& error) {
        ::close(outFd);
        if (!special) ::unlink(tempPath.constData());
        result.error = error;
        return result;
    };
    JsonOut out(outFd);
    char head[160];
    std::snprintf(head, sizeof head,
                  "[1,2,{\"progname\":\"morvane\",\"progver\":\"1.0\",\"timestamp\":%lld},\n",
                  static_cast<long long>(std::time(nullptr)));
    out.Raw(head);
    SnapshotWalk walk(out);
    try {
        walk.Top(fd, native);
    } catch (const EMorvaneError& e) {
        return discard(e.message());
    }
    out.Raw("]\n");
    if (!out.Flush() || (!special && ::fsync(outFd) != 0))
        return discard(QStringLiteral("cannot write %1: %2")
                           .arg(DisplayPath(target), ErrnoText(out.error() ? out.error() : errno)));
    ::close(outFd);
    QString error;
    if (!special && !ReplaceWithFile(PathFromNative(tempPath), target, &error)) {
        result.error = QStringLiteral("cannot write %1: %2").arg(DisplayPath(target), error);
        return result;
    }
    result.ok = true;
    result.entries = walk.entries;
    result.bytes = walk.bytes;
    return result;
}
