#pragma once
// Directory search with attribute masks, on openat/getdents64/fstatat.
//
// Attributes of an entry: directory 16 = a real directory (a symbolic link never
// is one); hidden 2 = the name begins with '.'; read-only 1 = the owner has no
// write permission; system 4 = neither regular file, directory nor symbolic link;
// archive 32 = regular file; volume label 8 = never set here.
//
// A search delivers every entry except those carrying one of the attributes
// hidden, system, volume label or directory that the mask lacks (63 = all).
// "." and ".." come first, then the rest in the file system's own order.
#include <QString>
#include <cstddef>
#include <ctime>
#include <memory>
#include <sys/stat.h>
#include <utility>

enum FileAttr : int {
    faReadOnly = 1,
    faHidden = 2,
    faSysFile = 4,
    faVolumeID = 8,
    faDirectory = 16,
    faArchive = 32,
    faAnyFile = 63,
};

// The attribute bits of an entry from its lstat data and name.
int FileAttrOf(const struct stat& st, const char* name);

// True when an entry with attributes attr passes the search mask.
inline bool AttrMatchesMask(int attr, int mask) {
    return (attr & (faHidden | faSysFile | faVolumeID | faDirectory) & ~mask) == 0;
}

// Raw reader of one open directory: getdents64 in large batches, names as the
// kernel gives them ("." and ".." included, wherever they come).
class DirReader {
public:
    struct Entry {
        const char* name;
        std::size_t length;
        unsigned char type; // DT_* of the directory entry, DT_UNKNOWN when not known
    };
    static constexpr long kBufferSize = 32 * 1024;
    // Takes ownership of fd (closed by the destructor); fd < 0 gives an empty reader.
    // buffer, when given, holds kBufferSize bytes and outlives the reader (a walk
    // keeps one per depth instead of allocating one per folder).
    explicit DirReader(int fd, char* buffer = nullptr);
    ~DirReader();
    DirReader(const DirReader&) = delete;
    DirReader& operator=(const DirReader&) = delete;

    int fd() const { return fd_; }
    // Gives up the handle without closing it.
    int Release() { return std::exchange(fd_, -1); }
    // Next entry; false at the end or on a read error (error() tells which).
    bool Next(Entry& e);
    int error() const { return error_; }

    // Open a folder for reading, relative to dirfd (AT_FDCWD for a path). A symbolic
    // link as the last component is followed only when asked (a folder the user
    // named); never during a walk. Returns -1 with errno set on failure.
    static int OpenDir(int dirfd, const char* name, bool followLink = false);

private:
    int fd_;
    int error_ = 0;
    std::unique_ptr<char[]> own_;
    char* buf_ = nullptr;
    long fill_ = 0;
    long pos_ = 0;
};

// Opens a folder again through its subfolder's "..", after a walk below a deep
// level closed it, and checks it is still the folder (dev, ino) it was: -1 when
// it is not (it was moved meanwhile) or subfolder is -1. Closes subfolder.
int ReopenParentFolder(int subfolder, dev_t dev, ino_t ino);

struct SearchRec {
    QString Name;
    int Attr = 0;
    qint64 Size = 0;       // st_size; 0 for directories
    std::time_t Time = 0;  // last modification
    std::time_t ATime = 0; // last access
    std::shared_ptr<struct SearchState> state;
};

// FindFirst(folder + "/*.*", faAnyFile, rec): the pattern is the last path component
// ("*" and "*.*" match every name; otherwise '*' and '?' wildcards, letter case ignored).
// Returns 0 when an entry was delivered, otherwise an errno value (ENOENT at the end).
int FindFirst(const QString& pattern, int mask, SearchRec& rec);
int FindNext(SearchRec& rec);
void FindClose(SearchRec& rec);
