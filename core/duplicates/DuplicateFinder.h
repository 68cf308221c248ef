#pragma once
// Files with the same bytes under any name. Candidates share a size; names of
// one inode (hard links, or a folder given twice) count once; then the first
// 4 KiB, the last 4 KiB and finally the whole file (XXH3-128) split them
// further, each step reading only what the previous one left in a group.
// Paths are the file system's bytes; symbolic links are never followed.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class DuplicateStage { Walk, Head, Tail, Whole, Done };

struct DuplicateOptions {
    std::uint64_t minSize = 0; // bytes
    bool includeEmpty = false; // zero-byte files are left out unless asked for
    int threads = 0;           // readers; 0: a few
    // Called on the searching thread as each stage begins (tests change files here).
    std::function<void(DuplicateStage)> stageStarted;
};

// Read while the search runs, from any thread.
struct DuplicateProgress {
    std::atomic<int> stage{int(DuplicateStage::Walk)};
    std::atomic<std::uint64_t> filesFound{0}; // files met by the walk
    std::atomic<std::uint64_t> filesDone{0};  // of the current stage
    std::atomic<std::uint64_t> filesTotal{0};
};

struct DuplicateCopy {
    std::string path;
    std::int64_t mtime = 0; // seconds
};

struct DuplicateGroup {
    std::uint64_t size = 0;
    std::uint64_t hashHigh = 0, hashLow = 0; // XXH3-128 of the content
    std::vector<DuplicateCopy> copies;       // sorted by path bytes
    std::uint64_t Wasted() const { return size * (copies.size() - 1); }
    std::string HashText() const; // 32 hex digits
};

// A file or folder left out, with why.
struct DuplicateProblem {
    std::string path;
    std::string message;
    bool changed = false; // its size or time changed while it was read
};

struct DuplicateResult {
    std::vector<DuplicateGroup> groups; // most wasted bytes first
    std::vector<DuplicateProblem> problems;
    std::uint64_t filesSeen = 0;
    std::uint64_t hardLinks = 0; // names skipped as a second name of an inode
    bool cancelled = false;      // groups are empty then
    std::uint64_t Copies() const;
    std::uint64_t Wasted() const;
};

// Searches below each root (a folder; a root that is a link to one is followed).
DuplicateResult FindDuplicates(const std::vector<std::string>& roots,
                               const DuplicateOptions& options,
                               const std::atomic<bool>* cancel = nullptr,
                               DuplicateProgress* progress = nullptr);
