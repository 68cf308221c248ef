// Placeholder implementation; replaced by the profile-file code.
#include "settings/IniStuff.h"
#include <QDir>
#include <QSettings>

QString ReadIniString(const QString& file, const QString& section, const QString& key,
                      const QString& def) {
    QSettings s(file, QSettings::IniFormat);
    return s.value(section + "/" + key, def).toString();
}
int ReadIniInteger(const QString& file, const QString& section, const QString& key, int def) {
    bool ok = false;
    int v = ReadIniString(file, section, key, QString()).toInt(&ok);
    return ok ? v : def;
}
bool ReadIniBool(const QString& file, const QString& section, const QString& key, bool def) {
    return ReadIniInteger(file, section, key, def ? 1 : 0) != 0;
}
void WriteIniString(const QString& file, const QString& section, const QString& key,
                    const QString& value) {
    QSettings s(file, QSettings::IniFormat);
    s.setValue(section + "/" + key, value);
}
void WriteIniInteger(const QString& file, const QString& section, const QString& key, int value) {
    WriteIniString(file, section, key, QString::number(value));
}
void WriteIniBool(const QString& file, const QString& section, const QString& key, bool value) {
    WriteIniString(file, section, key, value ? "1" : "0");
}
void EnsureIniFile(const QString&) {}
QString RemoveFileExt(const QString& name) {
    int slash = name.lastIndexOf('/');
    int dot = name.lastIndexOf('.');
    return dot > slash ? name.left(dot) : name;
}
QString DefaultIniFileName(const QString& programFolder) {
    return QDir(programFolder).filePath("AppData/Morvane.ini");
}
void SetIniMessageHandler(std::function<void(const QString&)>) {}
