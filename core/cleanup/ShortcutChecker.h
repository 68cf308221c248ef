#pragma once
// Shortcuts below a folder and the state of their targets. A shortcut is a
// desktop entry file (*.desktop) or a symbolic link; paths travel as bytes so
// that names which are not valid UTF-8 are still found.
#include "core/cleanup/CleanupRow.h"
#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

enum class LinkCondition : unsigned char {
    OK = 1,
    Broken = 2,
    Network = 4,
    CDRom = 8,
    Undefined = 16,
};

QString LinkConditionText(LinkCondition condition);
// A fresh row is checked for these: the target is gone or on a removable disc.
bool IsCheckedCondition(LinkCondition condition);
// The check-by-condition rule: the upper-cased condition text contains word.
bool ConditionMatches(const QString& conditionText, const QString& word);

// The start places of the combo box, by item index.
enum StartPlace {
    spCommonStartMenu = 0,
    spUserStartMenu = 1,
    spDesktop = 2,
    spRecentDocuments = 3,
    spBrowse = 4,
    spBrowsedFolder = 5,
};
// The folder of a start place 0..3, without a trailing '/'.
QString SpecialStartFolder(int place);
// The folder the tools start from: index is the combo's selected item (-1 when
// the user typed), browsed the sixth item's text, comboText the combo's text.
// Empty when no item is selected.
QString CleanupStartFolder(int index, const QString& browsed, const QString& comboText);

// The file system type of the mount holding path ("ext4", "iso9660", ...),
// looked up in the mount table without touching path itself. Tests replace it;
// an empty function restores the real one.
using FileSystemTypeFn = std::function<QByteArray(const QByteArray& path)>;
void SetFileSystemTypeFn(FileSystemTypeFn fn);
QByteArray FileSystemTypeOf(const QByteArray& path);

bool IsOnCDRomDrive(const QByteArray& path);
// Begins with "//", is a URL of another scheme than file:, or lies on a network
// file system.
bool IsNetworkPath(const QByteArray& path);

// Where a shortcut points: a link's target made absolute; for a desktop entry
// the path of a Type=Link file: URL (another URL as written), or the program of
// a Type=Application entry (TryExec, else Exec's first word) found along PATH.
// Empty when there is no file-system target or the file cannot be read.
QByteArray ResolveLinkTarget(const QByteArray& linkPath);
LinkCondition ClassifyTarget(const QByteArray& target);

// One row per shortcut in folder and every folder below it: a folder's own
// shortcuts before its subfolders', depth first; folders whose name begins with
// '.' are not entered. Nothing for an empty or missing folder.
std::vector<CleanupRow> ScanShortcuts(const QString& folder);
