#pragma once
// The regular files below some folders, kept compact for the duplicate search:
// a few numbers per file and its name in one shared block of bytes; a path is
// put together from its folders only when a file is opened or reported.
#include "core/duplicates/DuplicateFinder.h"
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class FileCatalog {
public:
    struct File {
        std::uint64_t size;
        std::uint64_t device;
        std::uint64_t inode;
        std::int64_t mtimeNs;
        std::uint64_t nameOffset; // into names_
        std::uint32_t folder;
        std::uint16_t nameLength;
    };

    // Walks root with openat, never following a link below it. Files smaller
    // than minSize (and empty ones unless includeEmpty) are not kept. A folder
    // that cannot be read goes into problems.
    void Walk(const std::string& root, std::uint64_t minSize, bool includeEmpty,
              const std::atomic<bool>* cancel, std::atomic<std::uint64_t>* found,
              std::vector<DuplicateProblem>& problems);

    const std::vector<File>& Files() const { return files_; }
    std::string Path(const File& f) const;

private:
    struct Folder {
        std::uint64_t nameOffset;
        std::uint32_t parent; // kNoParent for a root (its name is the whole path)
        std::uint32_t nameLength;
    };
    static constexpr std::uint32_t kNoParent = 0xFFFFFFFFu;

    std::uint32_t AddFolder(std::uint32_t parent, const char* name, std::size_t length);
    std::string FolderPath(std::uint32_t folder) const;
    void WalkFolder(int fd, std::uint32_t folder, std::uint64_t minSize, bool includeEmpty,
                    const std::atomic<bool>* cancel, std::atomic<std::uint64_t>* found,
                    std::vector<DuplicateProblem>& problems);

    std::vector<File> files_;
    std::vector<Folder> folders_;
    std::string names_;
};
