#pragma once
// A piece of a Tree as one walking thread records it: the nodes below one folder
// in walk order, and the folders whose insides another thread walked (spliced
// back in at the end). The pieces of a run are joined into one Tree when it ends,
// so the threads never share the growing arrays.
#include "core/tree/Tree.h"
#include <memory>
#include <sys/stat.h>

class TreePart {
public:
    using Index = Tree::Index;
    // Appends the entry of st under parent (kNone: the part's top folder, which
    // lives elsewhere), its name being the file system's bytes; returns its index.
    Index Add(Index parent, const char* name, std::size_t length, const struct stat& st,
              bool otherDevice);
    void SetFlags(Index i, std::uint8_t flags) { nodes_[i].flags |= flags; }
    // The insides of folder i are walked into part (another thread's).
    TreePart& Splice(Index i);
    // Flags for the part's top folder, which a joining parent puts on its node
    // (a folder that could not be read, a kernel file system).
    std::uint8_t topFlags = 0;

    std::size_t Count() const { return nodes_.size(); }
    const char* NameData(Index i) const { return names_.data() + nodes_[i].nameOff; }
    std::uint16_t NameLength(Index i) const { return nodes_[i].nameLen; }

    // The tree of a walked folder: the root (its path's bytes and status), the
    // entries directly in it (top, not entered), and the parts of the subfolders
    // walked on their own (rows[k] holds the insides of the child named rowNames[k]).
    static Tree Join(const QByteArray& rootPath, const struct stat& rootStat, TreePart& top,
                     std::vector<std::unique_ptr<TreePart>>& rows,
                     const std::vector<QByteArray>& rowNames);
    // The tree of a folder walked as one part.
    static Tree Join(const QByteArray& rootPath, const struct stat& rootStat, TreePart& top);

private:
    struct SplicedPart {
        Index after; // the folder whose insides these are
        std::unique_ptr<TreePart> part;
    };
    void SetWide(Index i, Tree::WideField f, std::int64_t v);
    static Tree::Node MakeNode(const struct stat& st,
                               std::vector<std::pair<Tree::WideField, std::int64_t>>& wide);

    std::vector<Tree::Node> nodes_;
    std::string names_;
    std::vector<std::pair<std::uint64_t, std::int64_t>> wide_; // (Tree::WideKey, value)
    std::vector<SplicedPart> splices_;                         // in walk order
};
