#pragma once
// The settings file: profile-file (INI) reads and writes. No copy is kept in
// memory; every call opens, operates and closes, and every write lands whole.
#include <QString>
#include <functional>

QString ReadIniString(const QString& file, const QString& section, const QString& key,
                      const QString& def);
int ReadIniInteger(const QString& file, const QString& section, const QString& key, int def);
bool ReadIniBool(const QString& file, const QString& section, const QString& key, bool def);
void WriteIniInteger(const QString& file, const QString& section, const QString& key, int value);
void WriteIniBool(const QString& file, const QString& section, const QString& key, bool value);
void WriteIniString(const QString& file, const QString& section, const QString& key,
                    const QString& value);
void EnsureIniFile(const QString& file);
QString RemoveFileExt(const QString& name);

// Where the settings file lives: ProgramFolder/AppData/Morvane.ini when the
// program's folder is writable, else $XDG_CONFIG_HOME/Morvane/Morvane.ini.
QString DefaultIniFileName(const QString& programFolder);

// Messages the settings code shows the user (the window installs a message box).
void SetIniMessageHandler(std::function<void(const QString&)> handler);
