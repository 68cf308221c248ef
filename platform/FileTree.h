#pragma once
// Whole-tree file operations on POSIX: copy keeping times and permissions,
// remove, measure. Symbolic links are copied as links and never followed. Each
// step works relative to an open folder, so a tree whose paths pass PATH_MAX is
// handled whole, with a bounded number of open folders.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

// Called with the number of bytes just copied; returning false cancels.
using CopyProgress = std::function<bool(std::int64_t bytes)>;

// Result of a tree operation: ok, or why not.
struct TreeResult {
    bool ok = true;
    bool cancelled = false;
    QString error;
};

// Copies src (file, link or folder) to dst, which must not exist. Times and
// permission bits are kept (owner too when allowed). On failure or cancel the
// partial copy is removed again.
TreeResult CopyTree(const QByteArray& src, const QByteArray& dst,
                    const CopyProgress& progress = {});

// Removes path and everything below it (a link, not its target).
TreeResult RemoveTree(const QByteArray& path);

// Removes every file, link and special file below dir, descending into its
// subfolders without ever following a link (dir itself included) and keeping the
// folders, which the programs owning such stores expect to find.
struct RemoveCount {
    int removed = 0;
    int failed = 0;
};
RemoveCount RemoveFilesBelow(const QByteArray& dir, bool recursive = true);

// Bytes of regular files below path (the path itself included) and the number
// of entries met.
std::int64_t TreeBytes(const QByteArray& path, std::int64_t* entries = nullptr);

// Text of errno for messages.
QString ErrnoText(int err);

// "Cannot <verb> \"path\": reason"
QString OpError(const QString& verb, const QString& path, int err);
