#include "gui/widgets/FileTypeIcons.h"
#include "platform/NativePath.h"
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QStyle>
#include <sys/stat.h>

namespace {
const QString kFolderType = QStringLiteral("inode/directory");

// Adwaita's full-colour type and place icons: name -> files of every size.
const QHash<QString, QStringList>& AdwaitaTypeIcons() {
    static const QHash<QString, QStringList> index = [] {
        QHash<QString, QStringList> h;
        const QString base = QStringLiteral("/usr/share/icons/Adwaita/");
        for (const char* size : {"16x16", "24x24", "32x32", "48x48"})
            for (const char* context : {"mimetypes", "places"}) {
                QDirIterator it(base + QLatin1String(size) + QLatin1Char('/') +
                                    QLatin1String(context),
                                {QStringLiteral("*.png")}, QDir::Files);
                while (it.hasNext()) {
                    const QString file = it.next();
                    QString name = it.fileName();
                    name.chop(4); // .png
                    if (!name.contains(QLatin1String("symbolic"))) h[name] << file;
                }
            }
        return h;
    }();
    return index;
}

QIcon NamedIcon(const QString& name) {
    if (name.isEmpty()) return {};
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    const auto it = AdwaitaTypeIcons().constFind(name);
    if (it == AdwaitaTypeIcons().constEnd()) return {};
    QIcon icon;
    for (const QString& f : *it)
        icon.addFile(f);
    return icon;
}

QIcon ResolveIcon(const QString& type) {
    const QMimeDatabase db;
    const QMimeType mime = db.mimeTypeForName(type);
    QStringList names;
    if (type == kFolderType) names << QStringLiteral("folder") << QStringLiteral("inode-directory");
    names << mime.iconName() << mime.genericIconName();
    names << (mime.inherits(QStringLiteral("text/plain"))
                  ? QStringLiteral("text-x-generic")
                  : QStringLiteral("application-x-generic"));
    for (const QString& name : names)
        if (QIcon icon = NamedIcon(name); !icon.isNull()) return icon;
    return QApplication::style()->standardIcon(type == kFolderType ? QStyle::SP_DirIcon
                                                                   : QStyle::SP_FileIcon);
}
} // namespace

QString FileTypeOf(const QString& path) {
    const QMimeDatabase db;
    struct stat st;
    if (lstat(NativePath(path).constData(), &st) != 0)
        return db.mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
    if (S_ISDIR(st.st_mode)) return kFolderType;
    if (S_ISLNK(st.st_mode)) return QStringLiteral("inode/symlink");
    if (!S_ISREG(st.st_mode)) return db.mimeTypeForFile(QFileInfo(path)).name();
    const QMimeType byName = db.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    if (!byName.isDefault()) return byName.name();
    return db.mimeTypeForFile(path, QMimeDatabase::MatchContent).name();
}

QIcon FileTypeIcon(const QString& mimeType) {
    // Windows ask for icons on the GUI thread only.
    static QHash<QString, QIcon> icons;
    auto it = icons.constFind(mimeType);
    if (it == icons.constEnd()) it = icons.insert(mimeType, ResolveIcon(mimeType));
    return *it;
}
