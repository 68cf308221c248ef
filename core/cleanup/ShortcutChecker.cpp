#include "core/cleanup/ShortcutChecker.h"
#include "platform/DirSearch.h"
#include "platform/NativePath.h"
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cctype>
#include <climits>
#include <cstdlib>
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

bool EndsWithNoCase(const QByteArray& text, const QByteArray& tail) {
    return text.size() >= tail.size() &&
           text.right(tail.size()).compare(tail, Qt::CaseInsensitive) == 0;
}

FileSystemTypeFn& FsTypeHook() {
    static FileSystemTypeFn fn;
    return fn;
}

// Mount table fields escape space, tab, newline and backslash as \ooo.
QByteArray UnescapeMountField(const QByteArray& s) {
    QByteArray out;
    out.reserve(s.size());
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            bool ok = false;
            const int v = s.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += char(v);
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

bool UnderMountPoint(const QByteArray& path, const QByteArray& mount) {
    if (mount == "/") return path.startsWith('/');
    return path.startsWith(mount) && (path.size() == mount.size() || path[mount.size()] == '/');
}

QByteArray MountTableFsType(const QByteArray& path) {
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QByteArray best, type;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype sep = fields.indexOf("-");
        if (fields.size() < 5 || sep < 0 || sep + 1 >= fields.size()) continue;
        const QByteArray mount = UnescapeMountField(fields.at(4));
        // A later mount on the same point hides the earlier one.
        if (UnderMountPoint(path, mount) && mount.size() >= best.size()) {
            best = mount;
            type = fields.at(sep + 1);
        }
    }
    return type;
}

// Desktop entry string values escape \s \n \t \r and the backslash.
QByteArray UnescapeValue(const QByteArray& v) {
    QByteArray out;
    for (qsizetype i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size()) {
            const char c = v[++i];
            out += c == 's' ? ' ' : c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
        } else {
            out += v[i];
        }
    }
    return out;
}

// The keys of the [Desktop Entry] group (localised keys left out).
struct DesktopEntry {
    QByteArray type, url, tryExec, exec;
};

bool ReadDesktopEntry(const QByteArray& path, DesktopEntry& e) {
    QFile f;
    // A desktop entry is a few kilobytes; anything huge is not one.
    if (!OpenForReading(f, PathFromNative(path), nullptr) || f.size() > (1 << 20)) return false;
    bool inGroup = false;
    for (QByteArray line : f.readAll().split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (line.startsWith('[')) {
            inGroup = line == "[Desktop Entry]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inGroup || eq <= 0) continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = UnescapeValue(line.mid(eq + 1).trimmed());
        if (key == "Type")
            e.type = value;
        else if (key == "URL")
            e.url = value;
        else if (key == "TryExec")
            e.tryExec = value;
        else if (key == "Exec")
            e.exec = value;
    }
    return true;
}

// The first word of an Exec line: double quotes group, a backslash in them
// escapes the next character.
QByteArray ExecProgram(const QByteArray& exec) {
    QByteArray word;
    qsizetype i = 0;
    while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t'))
        ++i;
    bool quoted = false;
    for (; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size())
                word += exec[++i];
            else if (c == '"')
                quoted = false;
            else
                word += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ' ' || c == '\t') {
            break;
        } else {
            word += c;
        }
    }
    return word;
}

// A program name looked up along PATH; a name holding '/' is a path already.
// A program not found stays a bare name, which classifies as broken.
QByteArray FindProgram(const QByteArray& program) {
    if (program.isEmpty() || program.contains('/')) return program;
    const char* env = std::getenv("PATH");
    for (const QByteArray& dir :
         QByteArray(env ? env : "/usr/local/bin:/usr/bin:/bin").split(':')) {
        if (dir.isEmpty()) continue; // the current folder is no place to look
        const QByteArray candidate = dir + '/' + program;
        struct stat st {};
        if (::stat(candidate.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(candidate.constData(), X_OK) == 0)
            return candidate;
    }
    return program;
}

// The path of a file: URL, percent-decoded as bytes; other URLs as written.
QByteArray UrlTarget(const QByteArray& url) {
    if (!url.startsWith("file:")) return url;
    QByteArray rest = url.mid(5);
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        if (slash < 0) return {};
        const QByteArray host = rest.mid(2, slash - 2);
        // A file: URL naming another host is a share, not a local path.
        if (!host.isEmpty() && host != "localhost") return "//" + host + rest.mid(slash);
        rest = rest.mid(slash);
    }
    const qsizetype cut = rest.indexOf('#');
    return QByteArray::fromPercentEncoding(cut < 0 ? rest : rest.left(cut));
}

bool HasUrlScheme(const QByteArray& text) {
    const qsizetype colon = text.indexOf(':');
    if (colon <= 0 || !std::isalpha(static_cast<unsigned char>(text[0]))) return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const char c = text[i];
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// The root of a mounted file system: "/" or a folder on another device than
// its parent. A search for such a root finds no entry of that name.
bool IsDriveRoot(const QByteArray& path) {
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/'))
        p.chop(1);
    if (p == "/") return true;
    struct stat st {
    }, up{};
    const QByteArray parent = p.left(p.lastIndexOf('/') + 1);
    return ::stat(p.constData(), &st) == 0 && ::stat(parent.constData(), &up) == 0 &&
           st.st_dev != up.st_dev;
}

struct DirId {
    dev_t dev;
    ino_t ino;
    bool operator<(const DirId& o) const { return std::pair(dev, ino) < std::pair(o.dev, o.ino); }
};

void ScanFolder(const QByteArray& folder, bool followLink, std::set<DirId>& descent,
                std::vector<CleanupRow>& rows) {
    DirReader dir(DirReader::OpenDir(AT_FDCWD, folder.constData(), followLink));
    struct stat self {};
    if (dir.fd() < 0 || ::fstat(dir.fd(), &self) != 0) return;
    // A folder mounted below itself would otherwise be walked for ever.
    const DirId id{self.st_dev, self.st_ino};
    if (!descent.insert(id).second) return;
    QList<QByteArray> subfolders;
    DirReader::Entry e{};
    while (dir.Next(e)) {
        if (IsDotOrDotDot(e.name)) continue;
        unsigned char type = e.type;
        if (type == DT_UNKNOWN) {
            struct stat st {};
            if (::fstatat(dir.fd(), e.name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
        }
        const QByteArray name(e.name, qsizetype(e.length));
        if (type == DT_DIR) {
            if (name[0] != '.') subfolders << name;
            continue;
        }
        if (type != DT_LNK && !EndsWithNoCase(name, ".desktop")) continue;
        const QByteArray linkPath = folder + name;
        const QByteArray target = ResolveLinkTarget(linkPath);
        const LinkCondition cond = ClassifyTarget(target);
        rows.push_back({PathFromNative(name), PathFromNative(target), LinkConditionText(cond),
                        PathFromNative(linkPath), IsCheckedCondition(cond)});
    }
    const int fd = dir.Release();
    ::close(fd); // closed before the walk goes down, so depth costs no handles
    for (const QByteArray& sub : subfolders)
        ScanFolder(folder + sub + '/', false, descent, rows);
    descent.erase(id);
}

} // namespace

QString LinkConditionText(LinkCondition condition) {
    switch (condition) {
    case LinkCondition::OK:
        return QStringLiteral("OK");
    case LinkCondition::Broken:
        return QStringLiteral("Broken");
    case LinkCondition::Network:
        return QStringLiteral("Network Link");
    case LinkCondition::CDRom:
        return QStringLiteral("Link to CDRom");
    case LinkCondition::Undefined:
        break;
    }
    return QStringLiteral("undefined");
}

bool IsCheckedCondition(LinkCondition condition) {
    return condition == LinkCondition::Broken || condition == LinkCondition::CDRom;
}

bool ConditionMatches(const QString& conditionText, const QString& word) {
    return conditionText.toUpper().contains(word);
}

QString SpecialStartFolder(int place) {
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    switch (place) {
    case spCommonStartMenu:
        return QStringLiteral("/usr/share/applications");
    case spUserStartMenu:
        return data + QStringLiteral("/applications");
    case spDesktop:
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case spRecentDocuments:
        return data + QStringLiteral("/RecentDocuments");
    default:
        return {};
    }
}

QString CleanupStartFolder(int index, const QString& browsed, const QString& comboText) {
    if (index == spBrowse) return browsed;
    if (index == spBrowsedFolder) return comboText;
    return SpecialStartFolder(index);
}

void SetFileSystemTypeFn(FileSystemTypeFn fn) {
    FsTypeHook() = std::move(fn);
}

QByteArray FileSystemTypeOf(const QByteArray& path) {
    if (FsTypeHook()) return FsTypeHook()(path);
    return MountTableFsType(path);
}

bool IsOnCDRomDrive(const QByteArray& path) {
    if (!path.startsWith('/') || path.startsWith("//")) return false;
    const QByteArray type = FileSystemTypeOf(path);
    return type == "iso9660" || type == "udf";
}

bool IsNetworkPath(const QByteArray& path) {
    if (path.isEmpty()) return false;
    if (path.startsWith("//")) return true;
    if (!path.startsWith('/')) return HasUrlScheme(path) && !path.startsWith("file:");
    const QByteArray type = FileSystemTypeOf(path);
    return type == "nfs" || type == "nfs4" || type == "cifs" || type == "smb3" || type == "smbfs" ||
           type == "sshfs" || type == "fuse.sshfs";
}

QByteArray ResolveLinkTarget(const QByteArray& linkPath) {
    struct stat st {};
    if (::lstat(linkPath.constData(), &st) != 0) return {};
    if (S_ISLNK(st.st_mode)) {
        QByteArray target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(linkPath.constData(), target.data(), target.size());
        if (n <= 0) return {};
        target.truncate(n);
        if (!target.startsWith('/')) target.prepend(linkPath.left(linkPath.lastIndexOf('/') + 1));
        return target;
    }
    // Only a regular file is read: opening a pipe would wait for a writer.
    DesktopEntry e;
    if (!S_ISREG(st.st_mode) || !ReadDesktopEntry(linkPath, e)) return {};
    if (e.type == "Link") return UrlTarget(e.url);
    if (e.type == "Application")
        return FindProgram(!e.tryExec.isEmpty() ? e.tryExec : ExecProgram(e.exec));
    return {};
}

LinkCondition ClassifyTarget(const QByteArray& target) {
    if (IsOnCDRomDrive(target)) return LinkCondition::CDRom;
    if (target.isEmpty()) return LinkCondition::Undefined;
    if (IsNetworkPath(target)) return LinkCondition::Network;
    // A bare program name not found along PATH, or any other relative text:
    // never looked up against whatever folder the program runs in.
    if (!target.startsWith('/')) return LinkCondition::Broken;
    if (IsDriveRoot(target)) return LinkCondition::Broken;
    struct stat st {};
    return ::stat(target.constData(), &st) == 0 ? LinkCondition::OK : LinkCondition::Broken;
}

std::vector<CleanupRow> ScanShortcuts(const QString& folder) {
    std::vector<CleanupRow> rows;
    if (folder.isEmpty()) return rows;
    QByteArray start = NativePath(folder);
    if (!start.endsWith('/')) start += '/';
    std::set<DirId> descent;
    ScanFolder(start, true, descent, rows);
    return rows;
}
