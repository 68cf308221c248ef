#include "platform/NativePath.h"
#include <QDir>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char16_t kKeptByteBase = 0xDC00; // + byte 0x80..0xFF

bool IsKeptByte(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

// Length of the valid UTF-8 sequence at s (at most n bytes), 0 when there is none;
// its code point goes to cp. Overlong forms, surrogates and values above
// U+10FFFF are not valid.
int Utf8Sequence(const unsigned char* s, qsizetype n, char32_t& cp) {
    const unsigned char b = s[0];
    int len;
    char32_t min;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
        cp = b & 0x1F;
        min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        cp = b & 0x0F;
        min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        cp = b & 0x07;
        min = 0x10000;
    } else {
        return 0;
    }
    if (n < len) return 0;
    for (int i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

} // namespace

QString PathFromNative(const char* bytes, qsizetype length) {
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    QString out;
    out.reserve(length);
    for (qsizetype i = 0; i < length;) {
        if (s[i] < 0x80) {
            out += QChar(char16_t(s[i++]));
            continue;
        }
        char32_t cp = 0;
        const int len = Utf8Sequence(s + i, length - i, cp);
        if (len == 0) {
            out += QChar(char16_t(kKeptByteBase + s[i++]));
            continue;
        }
        if (cp >= 0x10000) {
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(cp));
        }
        i += len;
    }
    return out;
}

bool HasRawBytes(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path.at(i).unicode();
        // A low surrogate after a high one is half of a real character.
        if (IsKeptByte(c) && (i == 0 || !path.at(i - 1).isHighSurrogate())) return true;
    }
    return false;
}

QByteArray NativePath(const QString& path) {
    if (!HasRawBytes(path)) return path.toUtf8();
    QByteArray out;
    out.reserve(path.size() * 3);
    qsizetype run = 0; // start of the text not yet converted
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path.at(i).unicode();
        if (!IsKeptByte(c) || (i > 0 && path.at(i - 1).isHighSurrogate())) continue;
        out += QStringView(path).mid(run, i - run).toUtf8();
        out += char(c - kKeptByteBase);
        run = i + 1;
    }
    out += QStringView(path).mid(run).toUtf8();
    return out;
}

QString DisplayPath(const QString& path) {
    if (!HasRawBytes(path)) return path;
    QString out = path;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (IsKeptByte(out.at(i).unicode()) && (i == 0 || !out.at(i - 1).isHighSurrogate()))
            out[i] = QChar::ReplacementCharacter;
    return out;
}

QUrl FileUrl(const QString& path) {
    if (!HasRawBytes(path)) return QUrl::fromLocalFile(path);
    return QUrl::fromEncoded("file://" + NativePath(path).toPercentEncoding("/"));
}

QString PathFromUrl(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    return PathFromNative(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

bool IsExistingFolder(const QString& path) {
    struct stat st {};
    return !path.isEmpty() && ::stat(NativePath(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeFolders(const QString& path) {
    const QByteArray p = NativePath(path);
    for (qsizetype i = 1; i <= p.size(); ++i) {
        if (i < p.size() && p.at(i) != '/') continue;
        const QByteArray part = p.left(i);
        if (::mkdir(part.constData(), 0777) != 0 && errno != EEXIST) return false;
    }
    return IsExistingFolder(path);
}

QStringList EntryNames(const QString& folder) {
    QStringList names;
    const std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(NativePath(folder).constData()),
                                                ::closedir);
    if (!d) return names;
    while (const dirent* e = ::readdir(d.get()))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names << PathFromNative(e->d_name, qsizetype(std::strlen(e->d_name)));
    return names;
}

QString AbsolutePath(const QString& path) {
    QString p = path;
    if (!p.startsWith(QLatin1Char('/'))) {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd))
            p = PathFromNative(cwd, qsizetype(std::strlen(cwd))) + QLatin1Char('/') + p;
    }
    // cleanPath works on the text only; kept bytes pass through it unchanged.
    return QDir::cleanPath(p);
}

QString FolderOf(const QString& path) {
    const QString abs = AbsolutePath(path);
    const qsizetype slash = abs.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : abs.left(slash);
}

QString TempFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? PathFromNative(tmp, qsizetype(std::strlen(tmp))) : QStringLiteral("/tmp");
}

bool OpenForReading(QFile& file, const QString& path, QString* error) {
    const int fd = ::open(NativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
    } else if (fd >= 0) {
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            if (error) *error = file.errorString();
            ::close(fd);
            return false;
        }
        return true;
    }
    if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}
