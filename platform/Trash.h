#pragma once
// The freedesktop.org Trash: $XDG_DATA_HOME/Trash for the home file system,
// $topdir/.Trash/$uid or $topdir/.Trash-$uid at the top of any other one.
// Every trashed item gets its .trashinfo written first, so an interrupted
// operation leaves at worst an orphan info file, never a lost file.
#include <QString>
#include <QStringList>
#include <cstdint>

struct TrashContents {
    std::int64_t bytes = 0;
    std::int64_t items = 0;
    int error = 0; // errno of the first trash whose files/ could not be read
};

// The home trash folder ($XDG_DATA_HOME/Trash, default ~/.local/share/Trash).
QString HomeTrashDir();

// The trash folder an item at path goes to (created when needed); empty with
// error set when no trash can hold it (a trash folder that is a link is refused).
QString TrashDirFor(const QString& path, QString* error = nullptr);

// Where a trashed item went, so that it can be put back.
struct TrashedItem {
    QString original;
    QString trashed;  // .../files/NAME
    QString infoFile; // .../info/NAME.trashinfo
};

// Moves one file, link or folder into the trash. On failure the item stays where
// it was and error tells why. recordedPath, when given, is the original path
// written into the .trashinfo (for an item that was set aside under another name).
// A name too long to take ".trashinfo" goes into files/ and info/ cut short; the
// .trashinfo keeps the real path.
bool MoveToTrash(const QString& path, QString* error = nullptr, TrashedItem* item = nullptr,
                 const QString& recordedPath = QString());

// Puts a trashed item back where it came from (nothing may be there meanwhile).
bool RestoreFromTrash(const TrashedItem& item, QString* error = nullptr);

// One file or folder into the trash, without any dialog.
bool SendToRecycleBin(const QString& path);

// Every trash folder of this user: the home trash and those of mounted file systems.
QStringList AllTrashDirs();

// Bytes and items (top-level entries of files/) in the given trash folders. A
// trash without files/ is empty; one whose files/ is a link or unreadable sets error.
TrashContents QueryTrash(const QStringList& trashDirs = AllTrashDirs());

// Removes everything in the given trash folders. False when something stayed,
// with error telling the first reason. A trash folder, files/ or info/ that is a
// link is left alone: links are removed, never followed.
bool EmptyTrash(const QStringList& trashDirs = AllTrashDirs(), QString* error = nullptr);

// The Path= value of a .trashinfo: the path's bytes percent-encoded, '/' kept.
QString TrashInfoPathText(const QString& path);
