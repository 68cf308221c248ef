#pragma once
// The selection helpers of the duplicate list: which copies of each group to
// check so that one (or those in a reference folder) stays. No rule ever
// checks every copy of a group.
#include <cstdint>
#include <string>
#include <vector>

enum class KeepRule { Oldest, Newest, ShortestPath, InsideFolder };

struct CopyRow {
    int group = -1; // rows of one group share it; below 0: not a copy
    std::string path;
    std::int64_t mtime = 0;
};

// One flag per row, 1 where the row is to be checked. InsideFolder keeps every
// copy at or below folder and checks the others, but only in groups that have
// a copy there; the other rules keep exactly one copy of each group.
std::vector<char> CopiesToCheck(const std::vector<CopyRow>& rows, KeepRule rule,
                                const std::string& folder = {});
