#pragma once
// The places of this desktop that stand for the shell's special folders: the
// XDG user folders, the menu, autostart, recent-documents and font folders, the
// Trash, the system folder and the folder of the system itself.
#include <QString>
#include <QStringList>

struct SpecialPlaces {
    // In the order of the shell's numbers they stand for, each place once.
    QStringList specialFolders;
    QString systemFolder;  // "/usr/bin"
    QString windowsFolder; // "/usr"
    // Installed programs live at or below these; "/lib*" is every top folder
    // whose name begins with "lib".
    QStringList programRoots;
};

// The places as they are now, read from the XDG settings of this session.
SpecialPlaces CurrentSpecialPlaces();

// True when folder lies at or below one of roots (path texts, cleaned first).
bool IsAtOrBelowAny(const QString& folder, const QStringList& roots);
