#pragma once
// What an add will store: one entry per file, link and folder, each once,
// named by its full path less the root (or its name alone), and which listed
// path each entry belongs to. Kept compact for lists of millions of files:
// an entry is a record of fixed size, its name a piece of one block of bytes
// below a folder record; paths and stored names are put together when needed.
#include "core/archive/LongPath.h"
#include "core/archive/ZipAdd.h"
#include "core/archive/ZipWriter.h"
#include <QString>
#include <QStringList>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

struct PlanEntry {
    std::uint64_t dev = 0, ino = 0;
    ZipEntryFacts facts;      // mode, size and times from lstat; the rest once written
    std::uint32_t folder = 0; // index in AddPlan::folders
    std::uint32_t name = 0;   // offset in AddPlan::bytes; a link's target follows it
    std::uint32_t item = 0;   // the listed path that brought it
    // Written: in the archive; Kept: a folder the archive already held;
    // Skipped: left in place, unread or changed while it was read.
    enum State : std::uint8_t { Planned, Written, Kept, Skipped, Removed } state = Planned;
    bool IsFolder() const { return S_ISDIR(facts.mode); }
    bool IsLink() const { return S_ISLNK(facts.mode); }
};

// A folder the entries lie in: one of the listed paths' folders, given whole,
// or one walked below it, named in the block.
struct PlanFolder {
    std::uint32_t parent; // kTopFolder for a listed path's folder
    std::uint32_t source; // offset of its name (a top folder: its path, ending in '/')
    std::uint32_t stored; // a top folder: offset of its stored-name prefix
};
inline constexpr std::uint32_t kTopFolder = UINT32_MAX;

struct AddPlan {
    std::vector<PlanEntry> entries;
    std::vector<PlanFolder> folders;
    std::string bytes; // NUL-ended names, paths and link targets
    // An entry that also belongs to another listed path than its own.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> shared; // (item, entry)
    // Set for a listed path that names something no archive can hold or
    // that cannot be read: it stays where it is.
    std::vector<char> itemIncomplete;
    bool specialKept = false; // a device, pipe or socket was met
    QStringList failures;     // what is left in place because it cannot be read

    std::string_view Name(const PlanEntry& e) const { return bytes.data() + e.name; }
    std::string_view LinkTarget(const PlanEntry& e) const {
        const std::string_view name = Name(e);
        return name.data() + name.size() + 1;
    }
    std::string SourcePath(const PlanEntry& e) const;
    std::string StoredName(const PlanEntry& e) const;
    std::string FolderPath(std::uint32_t folder) const;   // ends in '/'
    std::string StoredPrefix(std::uint32_t folder) const; // "" or ends in '/'
};

AddPlan MakeAddPlan(const AddJob& job);

// Plain words for an errno value, and a path for a message.
QString SystemError(int err);
QString PathForMessage(const std::string& path);
std::string BaseName(const std::string& path);

extern const QString kSpecialFilesKept;
