#include "core/cleanup/RecentDocuments.h"
#include "core/export/WholeFile.h"
#include "platform/FileTree.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>

QString RecycleBinHint(const TrashContents& contents) {
    if (contents.error)
        return QStringLiteral("Err:") + QString::number(unsigned(contents.error), 16).toUpper();
    return QStringLiteral(
               "Your Recycle Bin is filled with\r\nSize:%1 kbyte in %2 Items!\r\nClick to empty "
               "Recycle Bin!")
        .arg(contents.bytes / 1024)
        .arg(contents.items);
}

QString DataHome() {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    return QDir::isAbsolutePath(data) ? QDir::cleanPath(data)
                                      : QDir::homePath() + QStringLiteral("/.local/share");
}

bool ClearRecentDocuments(const QString& dataHome, QString* error) {
    RemoveFilesBelow(QFile::encodeName(dataHome + QStringLiteral("/RecentDocuments")), false);

    const QString list = dataHome + QStringLiteral("/recently-used.xbel");
    struct stat st;
    if (lstat(QFile::encodeName(list).constData(), &st) != 0)
        return true; // no list, nothing to clear
    if (!S_ISREG(st.st_mode)) {
        // A link to /dev/null (a common way to keep no list) holds nothing; a link
        // to a file is replaced by the empty list, never written through.
        struct stat target;
        if (stat(QFile::encodeName(list).constData(), &target) == 0 && !S_ISREG(target.st_mode))
            return true;
        if (!QFile::remove(list)) {
            if (error) *error = QStringLiteral("Cannot replace \"%1\".").arg(list);
            return false;
        }
    }
    WholeFileWriter out(list);
    const bool ok = out.Open() &&
                    out.Write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<xbel version=\"1.0\"\n"
                              "      xmlns:bookmark=\"http://www.freedesktop.org/standards/"
                              "desktop-bookmarks\"\n"
                              "      xmlns:mime=\"http://www.freedesktop.org/standards/"
                              "shared-mime-info\"\n"
                              ">\n"
                              "</xbel>\n") &&
                    out.Commit();
    if (!ok && error) *error = out.ErrorString();
    return ok;
}
