#pragma once
// The whole tree below a folder in the JSON export that ncdu and gdu read
// (format version 1.2): every entry with its name, apparent and disk size and
// modification time (ncdu's extended "mtime"); a
// folder as an array of its own entry followed by its entries. The folder is
// walked as an analysis walks it (into the whole-tree model, on the analysis's
// threads), then the tree is written from the model without recursion.
//
// The walk follows the scanner's rules: symbolic links and other non-regular
// entries are written as "notreg" and never followed; a folder whose name begins
// with '.', a folder already on the descent path and a pseudo file system are
// written as excluded ("pattern", "pattern", "kernfs") and not entered; a folder
// that cannot be read carries "read_error".
#include <QString>
#include <cstdint>

struct SnapshotWriteResult {
    bool ok = false;
    QString error; // when !ok
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0; // apparent size of everything but folders, as the scanner counts
};

// Walks folder (an absolute path) and writes the snapshot to target whole (a temporary file renamed
// over it at the end); a failed run leaves target as it was.
SnapshotWriteResult WriteSnapshot(const QString& folder, const QString& target);
