#pragma once
// What an add will store: one entry per file, link and folder, each once,
// named by its full path less the root (or its name alone), and which listed
// path each entry belongs to.
#include "core/archive/LongPath.h"
#include "core/archive/ZipAdd.h"
#include <QString>
#include <QStringList>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <utility>
#include <vector>
#include <zlib.h>

struct ArchiveEntry {
    enum Kind { File, Link, Folder } kind = File;
    std::string source;
    std::string name;
    struct stat st {};
    std::string linkTarget;
    // Filled while the archive is written.
    uLong crc = 0;
    std::uint64_t bytesRead = 0;
    bool read = false;
    bool removed = false;
};

struct AddPlan {
    std::vector<ArchiveEntry> entries;
    std::unordered_map<std::string, std::size_t> byName;
    std::vector<std::vector<std::size_t>> itemEntries;
    // Set for a listed path that names something no archive can hold or
    // that cannot be read: it stays where it is.
    std::vector<char> itemIncomplete;
    dev_t skipDev = 0;
    ino_t skipIno = 0;
    bool haveSkip = false;
    // Folders on the current descent: one met again (a bind mount below
    // itself) is not entered a second time.
    std::vector<std::pair<dev_t, ino_t>> descent;
    bool specialKept = false; // a device, pipe or socket was met
    RealFolders realFolders;
    QStringList failures; // what is left in place because it cannot be read
};

AddPlan MakeAddPlan(const AddJob& job);

// Plain words for an errno value, and a path for a message.
QString SystemError(int err);
QString PathForMessage(const std::string& path);
std::string BaseName(const std::string& path);

extern const QString kSpecialFilesKept;
