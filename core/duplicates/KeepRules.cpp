#include "core/duplicates/KeepRules.h"
#include <map>
#include <tuple>

namespace {

bool Inside(const std::string& path, const std::string& folder) {
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/')
        f.pop_back();
    if (f.empty()) return false;
    if (f == "/") return path.size() > 1 && path[0] == '/';
    return path.size() > f.size() && path.compare(0, f.size(), f) == 0 && path[f.size()] == '/';
}

// True when a is the better copy to keep under rule.
bool Better(const CopyRow& a, const CopyRow& b, KeepRule rule) {
    const auto byPath = std::tuple(a.path.size(), a.path) < std::tuple(b.path.size(), b.path);
    if (rule == KeepRule::Oldest && a.mtime != b.mtime) return a.mtime < b.mtime;
    if (rule == KeepRule::Newest && a.mtime != b.mtime) return a.mtime > b.mtime;
    return byPath;
}

} // namespace

std::vector<char> CopiesToCheck(const std::vector<CopyRow>& rows, KeepRule rule,
                                const std::string& folder) {
    std::map<int, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].group >= 0) groups[rows[i].group].push_back(i);
    std::vector<char> check(rows.size(), 0);
    for (const auto& [group, members] : groups) {
        if (members.size() < 2) continue;
        if (rule == KeepRule::InsideFolder) {
            std::size_t inside = 0;
            for (std::size_t i : members)
                inside += Inside(rows[i].path, folder);
            if (inside == 0) continue; // no reference copy: nothing is sure to stay
            for (std::size_t i : members)
                check[i] = !Inside(rows[i].path, folder);
            continue;
        }
        std::size_t keep = members.front();
        for (std::size_t i : members)
            if (Better(rows[i], rows[keep], rule)) keep = i;
        for (std::size_t i : members)
            check[i] = i != keep;
    }
    return check;
}
