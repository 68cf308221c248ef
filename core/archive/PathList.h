#pragma once
// A long list of paths kept compactly: each path as its folder, shared by the
// folder's paths that come in a run, and its name, all bytes in one block.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class PathList {
public:
    PathList() = default;
    explicit PathList(const std::vector<std::string>& paths);

    // Splits at the last '/' (trailing slashes dropped first).
    void Append(std::string_view path);
    // folder ends in '/' (or is empty for a name alone); name holds no '/'.
    void Append(std::string_view folder, std::string_view name);
    void Reserve(std::size_t paths) { items_.reserve(paths); }

    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    std::string Path(std::size_t i) const;
    std::string_view Folder(std::size_t i) const { return At(items_[i].folder); }
    std::string_view Name(std::size_t i) const { return At(items_[i].name); }
    // Equal for paths of the same folder run.
    std::uint32_t FolderId(std::size_t i) const { return items_[i].folder; }

private:
    std::uint32_t Add(std::string_view text);
    std::string_view At(std::uint32_t offset) const { return bytes_.data() + offset; }

    struct Item {
        std::uint32_t folder, name; // offsets of NUL-ended texts in bytes_
    };
    std::vector<Item> items_;
    std::string bytes_;
    std::uint32_t lastFolder_ = UINT32_MAX;
};
