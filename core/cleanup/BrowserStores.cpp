#include "core/cleanup/BrowserStores.h"
#include "core/cleanup/HistoryDatabase.h"
#include "platform/FileTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Cache folder below $XDG_CACHE_HOME and profile folder below $XDG_CONFIG_HOME.
constexpr const char* kChromiumFamily[] = {"chromium", "google-chrome",
                                           "BraveSoftware/Brave-Browser"};

bool IsRealDir(const QString& path) {
    struct stat st;
    return lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Subfolders of root that are folders themselves, not links to one.
QStringList SubDirs(const QString& root) {
    QStringList dirs;
    if (!IsRealDir(root)) return dirs;
    const QDir dir(root);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        if (IsRealDir(dir.filePath(name))) dirs << dir.filePath(name);
    return dirs;
}

QString EnvDir(const char* var, const QString& fallback) {
    const QString value = qEnvironmentVariable(var);
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : fallback;
}

bool ProcessAlive(qint64 pid) {
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}

QString HostName() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return QString::fromLocal8Bit(host);
}

bool LinkLockHeld(const QString& link, bool chromium) {
    char buf[512];
    const ssize_t n = readlink(QFile::encodeName(link).constData(), buf, sizeof buf - 1);
    if (n < 0) return false; // no lock link
    const QString value = QString::fromLocal8Bit(buf, int(n));
    const int cut = value.lastIndexOf(chromium ? QLatin1Char('-') : QLatin1Char(':'));
    QString pidText = value.mid(cut + 1);
    if (pidText.startsWith(QLatin1Char('+'))) pidText.remove(0, 1);
    bool ok = false;
    const qint64 pid = pidText.toLongLong(&ok);
    if (cut < 0 || !ok) return true; // a lock we cannot read: assume it is held
    // A lock taken on another machine sharing this home cannot be checked here.
    if (chromium && value.left(cut) != HostName()) return true;
    return ProcessAlive(pid);
}

bool RecordLockHeld(const QString& file) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool held = fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

// Firefox profile folders by name, from every place a profile may live.
QStringList FirefoxProfiles(const BrowserPlaces& places) {
    return SubDirs(places.firefoxProfileRoot) +
           SubDirs(places.configHome + QStringLiteral("/mozilla/firefox"));
}

bool FirefoxProfileInUse(const BrowserPlaces& places, const QString& name) {
    for (const QString& profile : FirefoxProfiles(places))
        if (QDir(profile).dirName() == name && ProfileLockHeld(profile)) return true;
    return false;
}

void Add(BrowserCleanResult& result, const RemoveCount& count) {
    result.removed += count.removed;
    result.failed += count.failed;
}

void ClearHistory(BrowserCleanResult& result, const QString& file, HistoryFormat format) {
    if (!QFileInfo::exists(file) && !QFileInfo(file).isSymLink()) return;
    ++(ClearHistoryDatabase(file, format) == HistoryOutcome::Cleared ? result.removed
                                                                     : result.failed);
}

} // namespace

BrowserPlaces BrowserPlaces::FromEnvironment() {
    const QString home = QDir::homePath();
    return {EnvDir("XDG_CACHE_HOME", home + QStringLiteral("/.cache")),
            EnvDir("XDG_CONFIG_HOME", home + QStringLiteral("/.config")),
            home + QStringLiteral("/.mozilla/firefox")};
}

bool ProfileLockHeld(const QString& profileDir) {
    const QDir dir(profileDir);
    return LinkLockHeld(dir.filePath(QStringLiteral("lock")), false) ||
           LinkLockHeld(dir.filePath(QStringLiteral("SingletonLock")), true) ||
           RecordLockHeld(dir.filePath(QStringLiteral(".parentlock")));
}

BrowserCleanResult DeleteCacheEntries(const BrowserPlaces& places) {
    BrowserCleanResult result;
    for (const QString& cache : SubDirs(places.cacheHome + QStringLiteral("/mozilla/firefox"))) {
        if (FirefoxProfileInUse(places, QDir(cache).dirName())) {
            ++result.inUse;
            continue;
        }
        Add(result, RemoveFilesBelow(QFile::encodeName(cache + QStringLiteral("/cache2"))));
    }
    for (const char* family : kChromiumFamily) {
        const QString name = QString::fromLatin1(family);
        const QStringList profiles = SubDirs(places.cacheHome + QLatin1Char('/') + name);
        if (profiles.isEmpty()) continue;
        if (ProfileLockHeld(places.configHome + QLatin1Char('/') + name)) {
            result.inUse += int(profiles.size());
            continue;
        }
        for (const QString& profile : profiles)
            for (const char* store : {"/Cache", "/Code Cache"})
                Add(result, RemoveFilesBelow(QFile::encodeName(profile + QLatin1String(store))));
    }
    return result;
}

BrowserCleanResult ClearUrlHistory(const BrowserPlaces& places) {
    BrowserCleanResult result;
    for (const QString& profile : FirefoxProfiles(places)) {
        if (ProfileLockHeld(profile)) {
            ++result.inUse;
            continue;
        }
        ClearHistory(result, profile + QStringLiteral("/places.sqlite"), HistoryFormat::Places);
    }
    for (const char* family : kChromiumFamily) {
        const QString userData = places.configHome + QLatin1Char('/') + QLatin1String(family);
        const QStringList profiles = SubDirs(userData);
        if (profiles.isEmpty()) continue;
        if (ProfileLockHeld(userData)) {
            ++result.inUse;
            continue;
        }
        for (const QString& profile : profiles)
            ClearHistory(result, profile + QStringLiteral("/History"), HistoryFormat::Chromium);
    }
    return result;
}
