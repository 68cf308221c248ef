#include "platform/SpecialFolders.h"
#include "platform/Trash.h"
#include <QDir>
#include <QStandardPaths>

namespace {
QString Writable(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location);
}

QString XdgDir(const char* variable, const QString& fallbackBelowHome) {
    const QString v = qEnvironmentVariable(variable);
    // The XDG base directory rules: a relative value is to be ignored.
    if (!v.isEmpty() && QDir::isAbsolutePath(v)) return QDir::cleanPath(v);
    return QDir::homePath() + QLatin1Char('/') + fallbackBelowHome;
}

bool AtOrBelow(const QString& path, const QString& root) {
    // "/lib*": every top folder whose name begins with "lib".
    if (root.endsWith(QLatin1Char('*'))) return path.startsWith(root.chopped(1));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}
} // namespace

SpecialPlaces CurrentSpecialPlaces() {
    const QString dataHome = XdgDir("XDG_DATA_HOME", QStringLiteral(".local/share"));
    const QString configHome = XdgDir("XDG_CONFIG_HOME", QStringLiteral(".config"));
    const QStringList candidates = {
        Writable(QStandardPaths::DesktopLocation),     // desktop
        dataHome + QStringLiteral("/applications"),    // programs, start menu
        Writable(QStandardPaths::DocumentsLocation),   // documents
        configHome + QStringLiteral("/autostart"),     // startup
        dataHome + QStringLiteral("/RecentDocuments"), // recent
        HomeTrashDir(),                                // recycle bin
        Writable(QStandardPaths::MusicLocation),       // music
        Writable(QStandardPaths::MoviesLocation),      // videos
        Writable(QStandardPaths::FontsLocation),       // fonts
        dataHome + QStringLiteral("/fonts"),           // fonts, where fontconfig looks first
        Writable(QStandardPaths::TemplatesLocation),   // templates
        QStringLiteral("/usr/share/applications"),     // common start menu and programs
        QStringLiteral("/etc/xdg/autostart"),          // common startup
        configHome,                                    // application data
        Writable(QStandardPaths::PicturesLocation),    // the other user folders
        Writable(QStandardPaths::DownloadLocation),
        Writable(QStandardPaths::PublicShareLocation),
    };
    SpecialPlaces places;
    for (const QString& c : candidates)
        if (!c.isEmpty() && !places.specialFolders.contains(c)) places.specialFolders << c;
    places.systemFolder = QStringLiteral("/usr/bin");
    places.windowsFolder = QStringLiteral("/usr");
    places.programRoots = {QStringLiteral("/usr"),  QStringLiteral("/opt"),  QStringLiteral("/bin"),
                           QStringLiteral("/sbin"), QStringLiteral("/lib*"), QStringLiteral("/etc"),
                           QStringLiteral("/boot")};
    return places;
}

bool IsAtOrBelowAny(const QString& folder, const QStringList& roots) {
    if (folder.isEmpty()) return false;
    const QString path = QDir::cleanPath(
        QDir::isAbsolutePath(folder) ? folder : QDir::current().absoluteFilePath(folder));
    for (const QString& root : roots)
        if (AtOrBelow(path, root)) return true;
    return false;
}
