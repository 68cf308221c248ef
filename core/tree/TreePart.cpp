#include "core/tree/TreePart.h"
#include <QHash>
#include <limits>
#include <stdexcept>

namespace {

// A 32-bit field, or kWide and the value kept aside.
template <class Keep> std::uint32_t Narrow(std::int64_t v, Tree::WideField f, Keep&& keep) {
    if (v >= 0 && v < std::int64_t(Tree::kWide)) return std::uint32_t(v);
    keep(f, v);
    return Tree::kWide;
}

} // namespace

Tree::Node TreePart::MakeNode(const struct stat& st,
                              std::vector<std::pair<Tree::WideField, std::int64_t>>& wide) {
    auto keep = [&](Tree::WideField f, std::int64_t v) { wide.emplace_back(f, v); };
    Tree::Node n;
    const bool isDir = S_ISDIR(st.st_mode);
    n.flags = isDir ? Tree::Folder : S_ISREG(st.st_mode) ? 0 : Tree::NotRegular;
    n.size = isDir ? 0 : std::int64_t(st.st_size);
    n.blocks = Narrow(std::int64_t(st.st_blocks), Tree::wBlocks, keep);
    n.mtime = Narrow(std::int64_t(st.st_mtime), Tree::wMTime, keep);
    if (isDir)
        n.ownSize = Narrow(std::int64_t(st.st_size), Tree::wATime, keep);
    else
        n.atime = Narrow(std::int64_t(st.st_atime), Tree::wATime, keep);
    return n;
}

void TreePart::SetWide(Index i, Tree::WideField f, std::int64_t v) {
    wide_.emplace_back(Tree::WideKey(i, f), v);
}

TreePart::Index TreePart::Add(Index parent, const char* name, std::size_t length,
                              const struct stat& st, bool otherDevice) {
    std::vector<std::pair<Tree::WideField, std::int64_t>> wide;
    Tree::Node n = MakeNode(st, wide);
    const auto i = Index(nodes_.size());
    for (const auto& [f, v] : wide)
        SetWide(i, f, v);
    if (otherDevice) {
        n.flags |= Tree::OtherDevice;
        SetWide(i, Tree::wDevice, std::int64_t(st.st_dev));
    }
    n.parent = parent;
    n.nameOff = std::uint32_t(names_.size());
    n.nameLen = std::uint16_t(length);
    names_.append(name, length);
    nodes_.push_back(n);
    return i;
}

TreePart& TreePart::Splice(Index i) {
    splices_.push_back({i, std::make_unique<TreePart>()});
    return *splices_.back().part;
}

Tree TreePart::Join(const QByteArray& rootPath, const struct stat& rootStat, TreePart& top,
                    std::vector<std::unique_ptr<TreePart>>& rows,
                    const std::vector<QByteArray>& rowNames) {
    // Each subfolder walked on its own goes in after its entry in the folder.
    QHash<QByteArray, std::size_t> byName;
    for (std::size_t r = 0; r < rowNames.size() && r < rows.size(); ++r)
        byName.insert(rowNames[r], r);
    for (Index k = 0; k < top.nodes_.size(); ++k) {
        if (!top.nodes_[k].IsFolder()) continue;
        const auto it =
            byName.constFind(QByteArray::fromRawData(top.NameData(k), top.NameLength(k)));
        if (it == byName.cend() || !rows[*it]) continue;
        top.nodes_[k].flags |= rows[*it]->topFlags;
        top.splices_.push_back({k, std::move(rows[*it])});
    }
    return Join(rootPath, rootStat, top);
}

Tree TreePart::Join(const QByteArray& rootPath, const struct stat& rootStat, TreePart& top) {
    Tree t;
    std::size_t count = 1;
    std::vector<TreePart*> parts{&top};
    for (std::size_t p = 0; p < parts.size(); ++p) {
        count += parts[p]->nodes_.size();
        for (SplicedPart& s : parts[p]->splices_)
            parts.push_back(s.part.get());
    }
    t.nodes_.reserve(count);

    std::vector<std::pair<Tree::WideField, std::int64_t>> wide;
    Tree::Node root = MakeNode(rootStat, wide);
    if (!S_ISDIR(rootStat.st_mode)) {
        // Not read: a folder of nothing.
        root = Tree::Node();
        root.flags = Tree::Folder;
        root.ownSize = 0;
        wide.clear();
    }
    for (const auto& [f, v] : wide)
        t.wide_[Tree::WideKey(0, f)] = v;
    root.flags |= Tree::OtherDevice | top.topFlags;
    t.wide_[Tree::WideKey(0, Tree::wDevice)] = std::int64_t(rootStat.st_dev);
    root.nameLen = std::uint16_t(std::min<qsizetype>(rootPath.size(), 0xFFFF));
    t.names_.assign(rootPath.constData(), root.nameLen);
    t.nodes_.push_back(root);

    // Depth first through the parts, each spliced part right after its folder.
    struct Frame {
        TreePart* part;
        Index top;
        std::vector<Index> map; // part index -> tree index
        std::size_t next = 0, splice = 0, wide = 0;
    };
    std::vector<Frame> stack;
    stack.push_back({&top, 0, std::vector<Index>(top.nodes_.size())});
    while (!stack.empty()) {
        Frame& f = stack.back();
        TreePart& part = *f.part;
        if (f.next == part.nodes_.size()) {
            // Done with it: give its memory back while the tree grows.
            std::vector<Tree::Node>().swap(part.nodes_);
            std::string().swap(part.names_);
            stack.pop_back();
            continue;
        }
        const std::size_t k = f.next++;
        Tree::Node n = part.nodes_[k];
        const auto at = Index(t.nodes_.size());
        n.parent = n.parent == Tree::kNone ? f.top : f.map[n.parent];
        if (t.names_.size() + n.nameLen > 0xFFFFFFFFu)
            throw std::length_error("names beyond 4 GiB");
        n.nameOff = std::uint32_t(t.names_.size());
        t.names_.append(part.names_, std::size_t(part.nodes_[k].nameOff), n.nameLen);
        t.nodes_.push_back(n);
        f.map[k] = at;
        for (; f.wide < part.wide_.size() && (part.wide_[f.wide].first >> 2) == k; ++f.wide) {
            const auto field = Tree::WideField(part.wide_[f.wide].first & 3);
            t.wide_[Tree::WideKey(at, field)] = part.wide_[f.wide].second;
        }
        if (f.splice < part.splices_.size() && part.splices_[f.splice].after == k) {
            TreePart* inner = part.splices_[f.splice++].part.get();
            stack.push_back({inner, at, std::vector<Index>(inner->nodes_.size())});
        }
    }
    t.Finish(std::numeric_limits<std::int64_t>::max());
    return t;
}
