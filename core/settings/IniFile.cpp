#include "core/settings/IniFile.h"
#include "core/settings/IniDocument.h"
#include "core/settings/IniSnapshot.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::function<void(const QString&)>& MessageHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

void ShowMessage(const QString& text) {
    if (MessageHandler())
        MessageHandler()(text);
    else
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

[[noreturn]] void ThrowUnableToWrite(const QString& file) {
    throw EMorvaneError(QStringLiteral("Unable to write to %1").arg(file));
}

bool WriteAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Replaces the file's content in one step: a temporary file beside it takes
// the new content and the old file's permissions, then is renamed over it. A
// symbolic link stays a link; its target is replaced.
void ReplaceFile(const QString& file, const QByteArray& data) {
    QFileInfo fi(file);
    const QString target = fi.isSymLink() ? fi.symLinkTarget() : fi.absoluteFilePath();
    const QFileInfo ti(target);
    QByteArray tmpl = QFile::encodeName(ti.absolutePath() + QStringLiteral("/.") + ti.fileName() +
                                        QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) ThrowUnableToWrite(file);
    const QByteArray targetName = QFile::encodeName(target);
    struct stat st {};
    if (::stat(targetName.constData(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
            // Keeping the owner is only possible for root; the mode is enough.
        }
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    const bool written = WriteAll(fd, data);
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(tmpl.constData(), targetName.constData()) != 0) {
        ::unlink(tmpl.constData());
        ThrowUnableToWrite(file);
    }
}

void EnsureExists(const QString& file) {
    if (!QFileInfo::exists(file)) EnsureIniFile(file);
}

IniDocument LoadForWrite(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) ThrowUnableToWrite(file);
    return IniDocument(f.readAll());
}

void WriteValue(const QString& file, const QString& section, const QString& key,
                const QString& value, bool moveToEnd) {
    EnsureExists(file);
    IniDocument doc = LoadForWrite(file);
    doc.SetValue(section, key, value, moveToEnd);
    ReplaceFile(file, doc.Serialize());
}

} // namespace

QString ReadIniString(const QString& file, const QString& section, const QString& key,
                      const QString& def) {
    EnsureExists(file);
    return IniSnapshot(file).ReadString(section, key, def);
}

int ReadIniInteger(const QString& file, const QString& section, const QString& key, int def) {
    EnsureExists(file);
    return IniSnapshot(file).ReadInteger(section, key, def);
}

bool ReadIniBool(const QString& file, const QString& section, const QString& key, bool def) {
    return ReadIniInteger(file, section, key, def ? 1 : 0) != 0;
}

void WriteIniInteger(const QString& file, const QString& section, const QString& key, int value) {
    WriteValue(file, section, key, QString::number(value), false);
}

void WriteIniBool(const QString& file, const QString& section, const QString& key, bool value) {
    WriteValue(file, section, key, value ? QStringLiteral("1") : QStringLiteral("0"), false);
}

void WriteIniString(const QString& file, const QString& section, const QString& key,
                    const QString& value) {
    WriteValue(file, section, key, value, true);
}

void EnsureIniFile(const QString& file) {
    const QFileInfo fi(file);
    QString folder = fi.absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    if (!QFileInfo(folder).isDir()) {
        // Only the last level is made; a missing parent is an error.
        if (!QDir().mkdir(folder) && !QFileInfo(folder).isDir())
            throw EMorvaneError(QStringLiteral("Could not create ") + folder);
    }
    if (!fi.exists() && !fi.isSymLink()) {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            ShowMessage(QStringLiteral("Could not create ") + file);
    }
}

QString RemoveFileExt(const QString& name) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > slash ? name.left(dot) : name;
}

QString DefaultIniFileName(const QString& programFolder) {
    const QString folder = QDir(programFolder).absolutePath();
    const QString appData = folder + QStringLiteral("/AppData");
    // An installed copy never writes beside itself, even when run by root.
    static const char* const systemPlaces[] = {"/usr/", "/bin/", "/sbin/", "/lib", "/etc/"};
    bool system = false;
    for (const char* p : systemPlaces)
        if ((folder + QLatin1Char('/')).startsWith(QLatin1String(p))) system = true;
    // So does a copy installed into a prefix of the user's own (~/.local/bin);
    // copies installed before the entry took the AppStream id have the old name.
    for (const char* entry : {"org.morvane.morvane.desktop", "morvane.desktop"})
        if (QFileInfo::exists(folder + QStringLiteral("/../share/applications/") +
                              QLatin1String(entry)))
            system = true;
    const QByteArray probe = QFile::encodeName(QFileInfo(appData).isDir() ? appData : folder);
    if (!system && ::access(probe.constData(), W_OK | X_OK) == 0)
        return appData + QStringLiteral("/Morvane.ini");

    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || !QDir::isAbsolutePath(config))
        config = QDir::homePath() + QStringLiteral("/.config");
    // The config home itself may be missing on a fresh account; the settings
    // folder below it is made by EnsureIniFile.
    QDir().mkpath(config);
    return config + QStringLiteral("/Morvane/Morvane.ini");
}

void SetIniMessageHandler(std::function<void(const QString&)> handler) {
    MessageHandler() = std::move(handler);
}
