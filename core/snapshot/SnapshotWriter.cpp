#include "core/snapshot/SnapshotWriter.h"
#include "core/engine/DirScanner.h"
#include "core/export/WholeFile.h"
#include "core/tree/Tree.h"
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

// {"name":..,"asize":..,"dsize":.. (and "dev" where the device changes); the
// object is left open for the caller's marks.
void Entry(const Tree& t, Tree::Index i, JsonOut& out, SnapshotWriteResult& r) {
    const Tree::Node& n = t.At(i);
    ++r.entries;
    out.Raw("{\"name\":");
    out.String(t.NameData(i), n.nameLen);
    const std::int64_t size = t.OwnSize(i);
    out.Raw(",\"asize\":");
    out.Number(std::uint64_t(size > 0 ? size : 0));
    out.Raw(",\"dsize\":");
    out.Number(t.DiskBytes(i));
    if (n.flags & Tree::OtherDevice) {
        out.Raw(",\"dev\":");
        out.Number(t.Device(i));
    }
    // ncdu's extended field: the file list of a snapshot shows its dates.
    if (const auto m = t.ModifiedTime(i); m && *m >= 0) {
        out.Raw(",\"mtime\":");
        out.Number(std::uint64_t(*m));
    }
    if (!n.IsFolder()) {
        if (n.flags & Tree::NotRegular) out.Raw(",\"notreg\":true");
        r.bytes += std::uint64_t(size > 0 ? size : 0);
    }
}

// The whole tree, a folder as an array of its own entry and its entries; kept
// without recursion, however deep the tree goes.
void WriteTree(const Tree& t, JsonOut& out, SnapshotWriteResult& r) {
    std::vector<Tree::Index> open; // folders whose array is still open
    for (Tree::Index i = 0; i < t.Count();) {
        while (!open.empty() && t.At(open.back()).end <= i) {
            out.Raw("]");
            open.pop_back();
        }
        if (i > 0) out.Raw(",\n");
        const Tree::Node& n = t.At(i);
        if (!n.IsFolder()) {
            Entry(t, i, out, r);
            out.Raw("}");
            ++i;
            continue;
        }
        out.Raw("[");
        Entry(t, i, out, r);
        const char* mark = (n.flags & Tree::KernelFs)    ? ",\"excluded\":\"kernfs\""
                           : (n.flags & Tree::Excluded)  ? ",\"excluded\":\"pattern\""
                           : (n.flags & Tree::ReadError) ? ",\"read_error\":true"
                                                         : nullptr;
        if (mark || !t.Entered(i)) {
            if (mark) out.Raw(mark);
            out.Raw("}]");
            i = n.end;
            continue;
        }
        out.Raw("}");
        open.push_back(i);
        ++i;
    }
    for (; !open.empty(); open.pop_back())
        out.Raw("]");
}

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
    // The tree is walked as an analysis walks it, then written from the model.
    ::close(fd);
    DirScanner scanner;
    scanner.FolderPath = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    scanner.Measure();
    const std::shared_ptr<const Tree> tree = scanner.LastTree();
    if (!tree) return discard(QStringLiteral("cannot read %1").arg(DisplayPath(top)));
    WriteTree(*tree, out, result);
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
    return result;
}
