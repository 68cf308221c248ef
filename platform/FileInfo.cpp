#include "platform/FileInfo.h"

#include "platform/NativePath.h"
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QDate LocalDateOf(const struct stat& st) {
    struct tm local;
    const time_t t = st.st_atime;
    if (!localtime_r(&t, &local)) return QDate(1899, 12, 29);
    return QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}
} // namespace

QDate LastAccessDate(const QString& path) {
    struct stat st;
    if (lstat(NativePath(path).constData(), &st) != 0) return QDate(1899, 12, 29);
    return LocalDateOf(st);
}

AccessDateReader::~AccessDateReader() {
    if (fd_ >= 0) ::close(fd_);
}

QDate AccessDateReader::Of(const QString& folder, const QString& name) {
    if (folder != folder_ || folder_.isNull()) {
        if (fd_ >= 0) ::close(fd_);
        folder_ = folder.isNull() ? QStringLiteral("") : folder;
        fd_ = folder.isEmpty()
                  ? -1
                  : ::open(NativePath(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    // Without a handle on the folder, or without a name, the path is asked whole.
    if (fd_ < 0 || name.isEmpty()) return LastAccessDate(folder + name);
    struct stat st;
    if (::fstatat(fd_, NativePath(name).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return QDate(1899, 12, 29);
    return LocalDateOf(st);
}

int FileAttributes(const QString& path) {
    struct stat st;
    if (lstat(NativePath(path).constData(), &st) != 0) return -1;
    int a = 0;
    if (S_ISDIR(st.st_mode)) a |= 0x10;
    if (S_ISREG(st.st_mode)) a |= 0x20;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) a |= 0x04;
    if (!(st.st_mode & S_IWUSR)) a |= 0x01;
    if (QFileInfo(path).fileName().startsWith(QLatin1Char('.'))) a |= 0x02;
    return a;
}

QString FileAttributeText(const QString& path) {
    const int a = FileAttributes(path);
    if (a < 0) return {};
    QString t;
    if (a & 0x20) t += QStringLiteral("\rArchive ");
    if (a & 0x02) t += QStringLiteral("\r") + QStringLiteral("Hidden ");
    if (a & 0x01) t += QStringLiteral("\r") + QStringLiteral("Write Protected ");
    if (a & 0x04) t += QStringLiteral("\r") + QStringLiteral("System ");
    return t;
}

QString FileTypeName(const QString& path) {
    static const QMimeDatabase db;
    return db.mimeTypeForFile(path).comment().left(80);
}

QString PadText(const QString& text, const QString& filler, int n, bool atEnd) {
    if (text.size() > n) return text.left(n);
    const QString fill = filler.repeated(n - int(text.size()));
    return atEnd ? text + fill : fill + text;
}

namespace {

// Bounds-checked little-endian reads from a mapped file.
class Reader {
public:
    Reader(const uchar* d, qint64 n) : d_(d), n_(n) {}
    bool ok(qint64 off, qint64 len) const { return off >= 0 && len >= 0 && off + len <= n_; }
    quint32 u16(qint64 off) const { return ok(off, 2) ? d_[off] | d_[off + 1] << 8 : 0; }
    quint32 u32(qint64 off) const { return ok(off, 4) ? u16(off) | u16(off + 2) << 16 : 0; }
    // A NUL-terminated UTF-16 text at off, at most till end; sets end past the NUL.
    QString text(qint64 off, qint64 limit, qint64* end) const {
        QString s;
        while (off + 2 <= limit && ok(off, 2)) {
            const quint32 c = u16(off);
            off += 2;
            if (c == 0) break;
            s += QChar(char16_t(c));
        }
        *end = off;
        return s;
    }

private:
    const uchar* d_;
    qint64 n_;
};

qint64 Align4(qint64 v) {
    return (v + 3) & ~qint64(3);
}

// File offset of the version resource and its size, or false.
bool FindVersionResource(const Reader& r, qint64* at, qint64* size) {
    if (r.u16(0) != 0x5A4D) return false; // "MZ"
    const qint64 pe = r.u32(0x3C);
    if (r.u32(pe) != 0x00004550) return false; // "PE\0\0"
    const qint64 coff = pe + 4;
    const int sections = int(r.u16(coff + 2));
    const qint64 optSize = r.u16(coff + 16);
    const qint64 opt = coff + 20;
    const quint32 magic = r.u16(opt);
    const qint64 dirs = magic == 0x20b ? opt + 112 : magic == 0x10b ? opt + 96 : -1;
    if (dirs < 0 || r.u32(dirs - 4) < 3) return false;
    const quint32 resRva = r.u32(dirs + 2 * 8);
    if (resRva == 0) return false;
    const qint64 secTable = opt + optSize;
    auto toOffset = [&](quint32 rva) -> qint64 {
        for (int i = 0; i < sections; ++i) {
            const qint64 s = secTable + qint64(i) * 40;
            const quint32 va = r.u32(s + 12);
            const quint32 span = qMax(r.u32(s + 8), r.u32(s + 16));
            if (rva >= va && rva < va + span) return qint64(rva - va) + r.u32(s + 20);
        }
        return -1;
    };
    const qint64 res = toOffset(resRva);
    if (res < 0) return false;
    // Type RT_VERSION (16), then the first name and the first language.
    qint64 dir = res;
    for (int level = 0; level < 3; ++level) {
        const int named = int(r.u16(dir + 12)), ids = int(r.u16(dir + 14));
        qint64 found = -1;
        for (int i = 0; i < named + ids && i < 4096; ++i) {
            const qint64 e = dir + 16 + qint64(i) * 8;
            if (level == 0 && (r.u32(e) != 16)) continue;
            found = e;
            break;
        }
        if (found < 0) return false;
        const quint32 off = r.u32(found + 4);
        const bool sub = off & 0x80000000u;
        if (level < 2 && !sub) return false;
        if (level == 2) {
            if (sub) return false;
            const qint64 entry = res + off;
            *at = toOffset(r.u32(entry));
            *size = r.u32(entry + 4);
            return *at >= 0 && r.ok(*at, *size);
        }
        dir = res + (off & 0x7FFFFFFFu);
    }
    return false;
}

// Walks the version block; calls f(path of keys, value text) for every String.
void ReadStrings(const Reader& r, qint64 at, qint64 end, QStringList& keys,
                 const std::function<void(const QStringList&, const QString&)>& f, int depth) {
    while (at + 6 <= end && depth < 6) {
        const qint64 len = r.u16(at);
        if (len < 6 || at + len > end) return;
        const qint64 valueLen = r.u16(at + 2);
        const bool isText = r.u16(at + 4) == 1;
        qint64 p;
        const QString key = r.text(at + 6, at + len, &p);
        p = Align4(p);
        keys << key;
        if (keys.size() == 4 && isText) {
            qint64 dummy;
            f(keys, r.text(p, qMin(at + len, p + valueLen * 2), &dummy));
        } else {
            const qint64 valueBytes = isText ? valueLen * 2 : valueLen;
            ReadStrings(r, Align4(p + valueBytes), at + len, keys, f, depth + 1);
        }
        keys.removeLast();
        at = Align4(at + len);
    }
}

} // namespace

bool FileVersionLines(const QString& path, QStringList& lines) {
    lines.clear();
    struct Entry {
        const char* key;
        const char* label;
    };
    static const Entry table[] = {
        {"CompanyName", "Company Name"},
        {"FileDescription", "Description"},
        {"FileVersion", "File Version"},
        {"InternalName", "Internal Name"},
        {"LegalCopyright", "Copyright"},
        {"LegalTradeMarks", "TradeMarks"},
        {"OriginalFilename", "Original File Name"},
        {"ProductName", "Product Name"},
        {"ProductVersion", "Product Version"},
        {"Comments", "Comments"},
        {"Author", "Author"},
    };
    auto finish = [&]() {
        std::sort(lines.begin(), lines.end(), [](const QString& a, const QString& b) {
            return a.compare(b, Qt::CaseInsensitive) < 0;
        });
        return true;
    };
    QFile file;
    qint64 at = 0, size = 0;
    const uchar* data = nullptr;
    const int fd = ::open(NativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle) &&
        file.size() > 64)
        data = file.map(0, file.size());
    else if (fd >= 0 && !file.isOpen())
        ::close(fd);
    const Reader r(data, data ? file.size() : 0);
    if (!data || !FindVersionResource(r, &at, &size) || size <= 0) {
        lines << QStringLiteral("No FileVersionInfo found");
        return finish();
    }
    lines << PadText(QStringLiteral("Size"), QStringLiteral(" "), 20, true) +
                 QStringLiteral(" = ") + QString::number(size);
    QHash<QString, QString> values;
    QStringList keys;
    ReadStrings(
        r, at, at + size, keys,
        [&](const QStringList& k, const QString& v) {
            if (k.at(1) == QLatin1String("StringFileInfo") &&
                k.at(2).compare(QLatin1String("040904E4"), Qt::CaseInsensitive) == 0)
                values.insert(k.at(3), v);
        },
        0);
    for (const Entry& e : table) {
        QString v = values.value(QString::fromLatin1(e.key));
        // Trim blanks and control characters at both ends.
        qsizetype b = 0, n = v.size();
        while (b < n && v.at(b).unicode() <= 32)
            ++b;
        while (n > b && v.at(n - 1).unicode() <= 32)
            --n;
        v = v.mid(b, n - b);
        if (!v.isEmpty())
            lines << PadText(QString::fromLatin1(e.label), QStringLiteral(" "), 20, true) +
                         QStringLiteral(" = ") + v;
    }
    return finish();
}
