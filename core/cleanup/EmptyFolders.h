#pragma once
// Empty folders below a start folder: listing them, and moving them to the
// Trash deepest first so that a chain of empty folders goes in one run.
#include "core/cleanup/CleanupRow.h"
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// folder (as given) and every folder below it, each before its subfolders;
// all but the first end with '/'. Only real folders on folder's own file system
// are entered (hidden ones too); links, other kinds of entry and the Trash are
// passed over. A folder that cannot be read is not added.
QList<QByteArray> CollectFolders(const QByteArray& folder);

// Nothing in it but "." and "..": hidden entries count as content. A folder
// that cannot be read is not known to be empty.
bool IsFolderEmpty(const QByteArray& folder);

// The empty folders below folder (itself included), in the reverse of the
// collection order, as checked "Empty" rows.
std::vector<CleanupRow> ListEmptyFolders(const QString& folder);

// Whether a listed empty folder may go to the Trash now, tested just before:
// it is still a real folder (not a link), still empty, and not the start
// folder the listing began from (by identity, however either is spelt).
bool MayTrashListedFolder(const QByteArray& folder, const QByteArray& startFolder);

// Sends every empty folder below folder to the Trash, deepest first, each
// tested just before; the start folder and folders named like it stay.
// Returns the folders removed.
QStringList DeleteEmptyFolders(const QString& folder,
                               const std::function<bool(const QString&)>& sendToTrash);
