#include "core/archive/PathList.h"
#include <stdexcept>

PathList::PathList(const std::vector<std::string>& paths) {
    Reserve(paths.size());
    for (const std::string& p : paths)
        Append(p);
}

std::uint32_t PathList::Add(std::string_view text) {
    // Offsets are 32 bits: some 100 million paths of ordinary length.
    if (bytes_.size() + text.size() + 1 > UINT32_MAX)
        throw std::length_error("too many files for one archive");
    const auto at = std::uint32_t(bytes_.size());
    bytes_.append(text);
    bytes_.push_back('\0');
    return at;
}

void PathList::Append(std::string_view path) {
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t s = path.rfind('/');
    if (s == std::string_view::npos)
        Append({}, path);
    else
        Append(path.substr(0, s + 1), path.substr(s + 1));
}

void PathList::Append(std::string_view folder, std::string_view name) {
    if (lastFolder_ == UINT32_MAX || At(lastFolder_) != folder) lastFolder_ = Add(folder);
    items_.push_back({lastFolder_, Add(name)});
}

std::string PathList::Path(std::size_t i) const {
    std::string p(Folder(i));
    p += Name(i);
    return p;
}
