#pragma once
// What changed between two whole trees: an earlier one (a snapshot) and a newer
// one (a run or another snapshot). Entries are matched by their path bytes below
// the two folders compared, so the trees may have been taken at different places;
// an entry whose kind changed (folder, regular file, link or other) counts as
// removed and added. Sizes are the trees' totals, so the change of the folder
// compared is the difference of the two analyses' totals.
#include "core/tree/Tree.h"
#include <cstdint>
#include <vector>

struct CompareOptions {
    int depth = 0;              // levels below the folder compared listed; 0: all
    std::int64_t minChange = 0; // bytes; smaller changes (either sign) are not listed
};

struct CompareEntry {
    enum State : std::uint8_t { Changed, Added, Removed };
    Tree::Index oldIndex = Tree::kNone; // kNone when added
    Tree::Index newIndex = Tree::kNone; // kNone when removed
    std::int64_t oldSize = 0;
    std::int64_t newSize = 0;
    std::uint32_t oldFiles = 0; // a file counts 1
    std::uint32_t newFiles = 0;
    std::uint16_t depth = 1; // 1: a child of the folder compared
    State state = Changed;
    bool folder = false;
    std::int64_t Change() const { return newSize - oldSize; }
    std::int64_t FileChange() const { return std::int64_t(newFiles) - std::int64_t(oldFiles); }
};

struct CompareResult {
    Tree::Index oldRoot = Tree::kNone, newRoot = Tree::kNone;
    std::int64_t oldTotal = 0, newTotal = 0;
    std::uint32_t oldFiles = 0, newFiles = 0;
    std::uint64_t addedCount = 0, removedCount = 0, changedCount = 0; // listed or not
    // The listed entries, largest growth first.
    std::vector<CompareEntry> entries;
    // Indexed by the new tree's nodes: the signed change in bytes (an added
    // entry's whole size) and whether the entry is new. Nodes outside the
    // folder compared hold 0.
    std::vector<std::int64_t> change;
    std::vector<std::uint8_t> addedFlags;

    std::int64_t TotalChange() const { return newTotal - oldTotal; }
    std::int64_t FileChange() const { return std::int64_t(newFiles) - std::int64_t(oldFiles); }
    bool Added(Tree::Index newIndex) const {
        return newIndex < addedFlags.size() && addedFlags[newIndex] != 0;
    }
    std::size_t MemoryBytes() const;
};

// Compares the folder oldRoot of older with the folder newRoot of newer.
CompareResult CompareTrees(const Tree& older, Tree::Index oldRoot, const Tree& newer,
                           Tree::Index newRoot, const CompareOptions& options = {});

// The path of an entry below the folder compared ("a/b"), as bytes.
QByteArray ComparePath(const Tree& tree, Tree::Index root, Tree::Index node);
