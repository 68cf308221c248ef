#pragma once
// A tree made in memory rather than walked: for generated trees (benches,
// tests). Entries are added in depth-first order, each after its parent's
// earlier descendants; Finish sets the totals by the walk's rules.
#include "core/tree/Tree.h"
#include <limits>
#include <string_view>

class TreeBuilder : public Tree {
public:
    explicit TreeBuilder(std::string_view rootPath, std::size_t expected = 0) {
        nodes_.reserve(expected);
        Add(kNone, rootPath, 0, true);
    }
    Index Add(Index parent, std::string_view name, std::int64_t size, bool folder) {
        Node n;
        n.size = folder ? 0 : size;
        if (folder) n.ownSize = 0;
        n.parent = parent;
        n.flags = folder ? Folder : 0;
        n.nameOff = std::uint32_t(names_.size());
        n.nameLen = std::uint16_t(name.size());
        names_.append(name);
        nodes_.push_back(n);
        return Index(nodes_.size() - 1);
    }
    void Finish() { Tree::Finish(std::numeric_limits<std::int64_t>::max()); }
};
