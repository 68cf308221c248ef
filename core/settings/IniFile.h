#pragma once
// The settings file: profile-file (INI) reads and writes. No copy is kept in
// memory; every call opens, operates and closes, and every write lands whole
// (a temporary file beside it, renamed over it) before the call returns.
// Section and key names match in any case. A missing file is first made by
// EnsureIniFile. Integers read as decimal, "$" hex or "0x" hex, else the
// default; booleans are written "1"/"0". A failed write throws EMorvaneError
// "Unable to write to <file>". For many reads at once, see IniSnapshot.
#include <QString>
#include <functional>

QString ReadIniString(const QString& file, const QString& section, const QString& key,
                      const QString& def);
int ReadIniInteger(const QString& file, const QString& section, const QString& key, int def);
bool ReadIniBool(const QString& file, const QString& section, const QString& key, bool def);
// Integer and boolean writes replace the value on its own line;
// WriteIniString removes the key first, so its line ends up last in the section.
void WriteIniInteger(const QString& file, const QString& section, const QString& key, int value);
void WriteIniBool(const QString& file, const QString& section, const QString& key, bool value);
void WriteIniString(const QString& file, const QString& section, const QString& key,
                    const QString& value);
// Makes the file's folder (last level only; throws EMorvaneError "Could not
// create <folder>/" when it cannot) and the empty file (on failure shows the
// message "Could not create <file>" and returns).
void EnsureIniFile(const QString& file);
QString RemoveFileExt(const QString& name);

// Where the settings file lives: ProgramFolder/AppData/Morvane.ini when the
// program's folder is writable, else $XDG_CONFIG_HOME/Morvane/Morvane.ini.
QString DefaultIniFileName(const QString& programFolder);

// Messages the settings code shows the user (the window installs a message
// box); without a handler they go to standard error.
void SetIniMessageHandler(std::function<void(const QString&)> handler);
