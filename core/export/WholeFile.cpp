#include "core/export/WholeFile.h"
#include "platform/NativePath.h"
#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A link to an existing file is followed: its target is the file replaced.
QByteArray ResolvedTarget(const QString& target) {
    const QByteArray path = NativePath(target);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char real[PATH_MAX];
        if (::realpath(path.constData(), real)) return QByteArray(real);
    }
    return path;
}

QString SystemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

bool WriteAllTo(int fd, const char* data, qsizetype size, QString* error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error) *error = SystemError(errno);
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// /dev/stdout, /dev/fd/N and /proc/self/fd/N name a descriptor this process
// already holds: write to it as it is, so a shell redirection (also >>) keeps
// its file and its offset. -1 for any other path.
int InheritedDescriptor(const QString& target) {
    if (target == QLatin1String("/dev/stdin")) return 0;
    if (target == QLatin1String("/dev/stdout")) return 1;
    if (target == QLatin1String("/dev/stderr")) return 2;
    for (const QLatin1String prefix :
         {QLatin1String("/dev/fd/"), QLatin1String("/proc/self/fd/")}) {
        if (!target.startsWith(prefix)) continue;
        bool ok = false;
        const int fd = target.mid(prefix.size()).toInt(&ok);
        return ok && fd >= 0 ? fd : -1;
    }
    return -1;
}

bool WriteDirect(const QString& target, const QByteArray& bytes, QString* error) {
    if (const int inherited = InheritedDescriptor(target); inherited >= 0)
        return WriteAllTo(inherited, bytes.constData(), bytes.size(), error);
    const int fd = ::open(NativePath(target).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = SystemError(errno);
        return false;
    }
    const bool ok = WriteAllTo(fd, bytes.constData(), bytes.size(), error);
    ::close(fd);
    return ok;
}

} // namespace

bool IsSpecialTarget(const QString& target) {
    if (InheritedDescriptor(target) >= 0)
        return ::fcntl(InheritedDescriptor(target), F_GETFD) != -1;
    struct stat st {};
    if (::stat(NativePath(target).constData(), &st) != 0) return false;
    return !S_ISREG(st.st_mode);
}

WholeFileWriter::WholeFileWriter(const QString& target) : target_(target) {}

WholeFileWriter::~WholeFileWriter() {
    if (tempFd_ >= 0) {
        ::close(tempFd_);
        ::unlink(tempPath_.constData());
    }
    if (ownsDeviceFd_) ::close(deviceFd_);
}

bool WholeFileWriter::Open() {
    if (target_.isEmpty()) {
        error_ = QStringLiteral("No file name given");
        return false;
    }
    if (IsSpecialTarget(target_)) {
        if (IsExistingFolder(target_)) {
            error_ = QStringLiteral("%1 is a folder").arg(target_);
            return false;
        }
        direct_ = true;
        if (streamToDevice_) {
            deviceFd_ = InheritedDescriptor(target_);
            if (deviceFd_ < 0) {
                deviceFd_ = ::open(NativePath(target_).constData(), O_WRONLY | O_CLOEXEC);
                if (deviceFd_ < 0) {
                    error_ = SystemError(errno);
                    return false;
                }
                ownsDeviceFd_ = true;
            }
        }
        return true;
    }
    const QByteArray dest = ResolvedTarget(target_);
    if (::access(dest.constData(), F_OK) == 0 && ::access(dest.constData(), W_OK) != 0) {
        error_ = QStringLiteral("%1 is not writable").arg(DisplayPath(target_));
        return false;
    }
    // Beside the target, so that the rename at Commit stays on its file system.
    const qsizetype slash = dest.lastIndexOf('/');
    tempPath_ = (slash < 0 ? QByteArray() : dest.left(slash + 1)) + ".morvane-save-XXXXXX";
    tempFd_ = ::mkostemp(tempPath_.data(), O_CLOEXEC);
    if (tempFd_ < 0) {
        error_ = SystemError(errno);
        return false;
    }
    return true;
}

bool WholeFileWriter::Write(const QByteArray& bytes) {
    if (direct_ && deviceFd_ >= 0)
        return WriteAllTo(deviceFd_, bytes.constData(), bytes.size(), &error_);
    if (direct_) {
        pending_ += bytes;
        return true;
    }
    if (tempFd_ < 0) return false;
    return WriteAllTo(tempFd_, bytes.constData(), bytes.size(), &error_);
}

bool WholeFileWriter::Commit() {
    if (direct_ && deviceFd_ >= 0) {
        const bool ok = !ownsDeviceFd_ || ::close(deviceFd_) == 0;
        if (!ok) error_ = SystemError(errno);
        ownsDeviceFd_ = false;
        deviceFd_ = -1;
        return ok;
    }
    if (direct_) {
        const bool ok = WriteDirect(target_, pending_, &error_);
        pending_.clear();
        return ok;
    }
    if (tempFd_ < 0) return false;
    const bool synced = ::fsync(tempFd_) == 0;
    if (!synced) error_ = SystemError(errno);
    const bool closed = ::close(tempFd_) == 0;
    if (synced && !closed) error_ = SystemError(errno);
    tempFd_ = -1;
    if (!synced || !closed) {
        ::unlink(tempPath_.constData());
        return false;
    }
    return ReplaceWithFile(PathFromNative(tempPath_), target_, &error_);
}

bool ReplaceWithFile(const QString& tempPath, const QString& target, QString* error) {
    const QByteArray tmp = NativePath(tempPath);
    if (IsSpecialTarget(target)) {
        QFile in;
        bool ok = OpenForReading(in, tempPath, error);
        if (ok) ok = WriteDirect(target, in.readAll(), error);
        ::unlink(tmp.constData());
        return ok;
    }
    const QByteArray dest = ResolvedTarget(target);
    struct stat st {};
    mode_t mode;
    if (::stat(dest.constData(), &st) == 0) {
        // A file its owner made read-only is not replaced behind their back.
        if (::access(dest.constData(), W_OK) != 0) {
            if (error) *error = QStringLiteral("%1 is not writable").arg(target);
            ::unlink(tmp.constData());
            return false;
        }
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::chmod(tmp.constData(), mode);
    if (::rename(tmp.constData(), dest.constData()) != 0) {
        if (error) *error = SystemError(errno);
        ::unlink(tmp.constData());
        return false;
    }
    return true;
}
