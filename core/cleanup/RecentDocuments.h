#pragma once
// The recent-documents list, the trash's fill-level hint: small housekeeping
// that the Tools commands run.
#include "platform/Trash.h"
#include <QString>

// "Your Recycle Bin is filled with ..." with kilobytes (rounded down) and items,
// or "Err:" and the error in upper-case hexadecimal when a trash could not be read.
QString RecycleBinHint(const TrashContents& contents);

// $XDG_DATA_HOME (default ~/.local/share).
QString DataHome();

// Empties the recent-documents list: dataHome/recently-used.xbel, when it
// exists, becomes an empty bookmark list written whole, and the files of
// dataHome/RecentDocuments are removed (links too, never their targets).
// False with error set when the list could not be written.
bool ClearRecentDocuments(const QString& dataHome = DataHome(), QString* error = nullptr);
