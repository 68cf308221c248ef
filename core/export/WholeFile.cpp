#include "core/export/WholeFile.h"
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ResolvedTarget(const QString& target) {
    QFileInfo fi(target);
    if (fi.isSymLink() && fi.exists()) return fi.canonicalFilePath();
    return target;
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
    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC);
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
    if (::stat(QFile::encodeName(target).constData(), &st) != 0) return false;
    return !S_ISREG(st.st_mode);
}

WholeFileWriter::WholeFileWriter(const QString& target) : target_(target) {}

WholeFileWriter::~WholeFileWriter() {
    if (file_) file_->cancelWriting();
    if (ownsDeviceFd_) ::close(deviceFd_);
}

bool WholeFileWriter::Open() {
    if (target_.isEmpty()) {
        error_ = QStringLiteral("No file name given");
        return false;
    }
    if (IsSpecialTarget(target_)) {
        if (QFileInfo(target_).isDir()) {
            error_ = QStringLiteral("%1 is a folder").arg(target_);
            return false;
        }
        direct_ = true;
        if (streamToDevice_) {
            deviceFd_ = InheritedDescriptor(target_);
            if (deviceFd_ < 0) {
                deviceFd_ = ::open(QFile::encodeName(target_).constData(), O_WRONLY | O_CLOEXEC);
                if (deviceFd_ < 0) {
                    error_ = SystemError(errno);
                    return false;
                }
                ownsDeviceFd_ = true;
            }
        }
        return true;
    }
    file_ = std::make_unique<QSaveFile>(ResolvedTarget(target_));
    file_->setDirectWriteFallback(false);
    if (!file_->open(QIODevice::WriteOnly)) {
        error_ = file_->errorString();
        file_.reset();
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
    if (!file_) return false;
    if (file_->write(bytes) != bytes.size()) {
        error_ = file_->errorString();
        return false;
    }
    return true;
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
    if (!file_) return false;
    const bool ok = file_->commit();
    if (!ok) error_ = file_->errorString();
    file_.reset();
    return ok;
}

bool ReplaceWithFile(const QString& tempPath, const QString& target, QString* error) {
    const QByteArray tmp = QFile::encodeName(tempPath);
    if (IsSpecialTarget(target)) {
        QFile in(tempPath);
        bool ok = in.open(QIODevice::ReadOnly);
        if (!ok && error) *error = in.errorString();
        if (ok) ok = WriteDirect(target, in.readAll(), error);
        ::unlink(tmp.constData());
        return ok;
    }
    const QByteArray dest = QFile::encodeName(ResolvedTarget(target));
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
