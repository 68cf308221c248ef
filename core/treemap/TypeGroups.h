#pragma once
// File types in a few groups by extension, for the treemap's colours and its
// legend. A folder takes the group holding most of its bytes.
#include "core/tree/Tree.h"
#include <array>
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

enum class TypeGroup : std::uint8_t {
    Images,
    Video,
    Audio,
    Archives,
    Documents,
    Code,
    Programs, // executables and libraries
    Other,
};
inline constexpr int kTypeGroupCount = 8;

// The legend's name of a group ("Images", ...).
const char* TypeGroupName(TypeGroup g);
// 0xRRGGBB.
std::uint32_t TypeGroupColor(TypeGroup g);
// The group of a file name's extension (case does not matter); Other without one.
TypeGroup GroupOfName(std::string_view name);

// Groups of the nodes below one folder, found in one pass over its subtree.
struct TypeGroupTable {
    Tree::Index top = Tree::kNone;
    // Indexed by node - top: a file's group, a folder's main group.
    std::vector<std::uint8_t> group;
    // Bytes of the files of each group below top, for the legend.
    std::array<std::int64_t, kTypeGroupCount> bytes{};
    TypeGroup Of(Tree::Index i) const { return TypeGroup(group[i - top]); }
};
// cancel is read now and then: a cancelled table is empty.
TypeGroupTable GroupTypes(const Tree& tree, Tree::Index top,
                          const std::atomic<bool>* cancel = nullptr);
// The bytes per group below folder, from a table of it or of a folder above it.
std::array<std::int64_t, kTypeGroupCount> GroupBytes(const Tree& tree, const TypeGroupTable& table,
                                                     Tree::Index folder);
