#pragma once
// Plain rules of the two-pane page: the bottom button captions and the
// entries of the pane path combo boxes.
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

enum class ActivePane { None, Left, Right };

// Captions of the six bottom buttons (copy, move, make folder, delete, copy to
// zip, move to zip); they point from the active pane to the other.
std::array<QString, 6> CommanderCaptions(ActivePane active);

// path with a trailing "/" (the root stays "/").
QString FolderWithDelimiter(const QString& path);

// The folder and every parent up to the root, root first, each with a
// trailing "/".
QStringList FolderChain(const QString& folder);

struct PathEntry {
    QString caption;
    QString path; // with a trailing "/"
};

// The entries of a path combo box: the folder's chain, then home, desktop and
// the mount points (each once; a place already in the chain is not repeated).
QList<PathEntry> PathComboEntries(const QString& folder, const QString& home,
                                  const QString& desktop, const QStringList& mounts);
