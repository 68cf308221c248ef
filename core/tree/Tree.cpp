#include "core/tree/Tree.h"
#include "platform/NativePath.h"
#include <algorithm>
#include <limits>

static_assert(sizeof(Tree::Node) == 40, "a million entries must stay within 40 MB");

QByteArray Tree::NameBytes(Index i) const {
    const Node& n = nodes_[i];
    return QByteArray(names_.data() + n.nameOff, n.nameLen);
}

QString Tree::Name(Index i) const {
    return PathFromNative(NameBytes(i));
}

QString Tree::Path(Index i) const {
    return PathFromNative(PathBytes(i));
}

QByteArray Tree::PathBytes(Index i) const {
    QByteArray path;
    std::vector<Index> up;
    for (Index k = i; k != kNone; k = nodes_[k].parent)
        up.push_back(k);
    for (auto it = up.rbegin(); it != up.rend(); ++it) {
        if (!path.isEmpty() && !path.endsWith('/')) path += '/';
        path += NameBytes(*it);
    }
    return path;
}

Tree::Index Tree::Find(const QString& path) const {
    if (nodes_.empty()) return kNone;
    QByteArray rel = NativePath(path);
    const QByteArray root = NameBytes(0);
    if (rel == root) return 0;
    const QByteArray rootSlash = root.endsWith('/') ? root : root + '/';
    if (rel.startsWith(rootSlash)) rel = rel.mid(rootSlash.size());
    Index at = 0;
    for (const QByteArray& part : rel.split('/')) {
        if (part.isEmpty() || part == ".") continue;
        Index c = FirstChild(at);
        while (c != kNone && NameBytes(c) != part)
            c = NextSibling(c);
        if (c == kNone) return kNone;
        at = c;
    }
    return at;
}

std::int64_t Tree::Wide(Index i, WideField f) const {
    const auto it = wide_.find(WideKey(i, f));
    return it == wide_.end() ? -1 : it->second;
}

std::optional<std::int64_t> Tree::ModifiedTime(Index i) const {
    if (nodes_[i].mtime != kNoTime) return nodes_[i].mtime;
    const auto it = wide_.find(WideKey(i, wMTime));
    if (it == wide_.end()) return std::nullopt;
    return it->second;
}

std::optional<std::int64_t> Tree::AccessTime(Index i) const {
    if (nodes_[i].IsFolder()) return std::nullopt;
    if (nodes_[i].atime != kNoTime) return nodes_[i].atime;
    const auto it = wide_.find(WideKey(i, wATime));
    if (it == wide_.end()) return std::nullopt;
    return it->second;
}

std::uint64_t Tree::DiskBytes(Index i) const {
    const std::uint32_t b = nodes_[i].blocks;
    return (b != kWide ? std::uint64_t(b) : std::uint64_t(Wide(i, wBlocks))) * 512;
}

std::int64_t Tree::OwnSize(Index i) const {
    const Node& n = nodes_[i];
    if (!n.IsFolder()) return n.size;
    return n.ownSize != kWide ? std::int64_t(n.ownSize) : Wide(i, wATime);
}

std::uint64_t Tree::Device(Index i) const {
    return std::uint64_t(Wide(i, wDevice));
}

std::size_t Tree::MemoryBytes() const {
    // The table of wide values: a node of the hash map and its bucket each.
    return nodes_.size() * sizeof(Node) + names_.size() +
           wide_.size() *
               (sizeof(std::pair<const std::uint64_t, std::int64_t>) + 2 * sizeof(void*));
}

bool Tree::Finish(std::int64_t limit) {
    const std::size_t n = nodes_.size();
    for (std::size_t i = 0; i < n; ++i) {
        Node& node = nodes_[i];
        node.end = Index(i + 1);
        if (node.IsFolder()) {
            node.total = 0;
            node.files = 0;
        }
    }
    // Children come after their parent: one pass from the end finishes each
    // node before its parent takes it in.
    for (std::size_t i = n; i-- > 1;) {
        Node& c = nodes_[i];
        Node& p = nodes_[c.parent];
        p.end = std::max(p.end, c.end);
        if (c.IsFolder() && !Entered(Index(i))) {
            c.total = 0;
            c.files = 0;
            continue;
        }
        if (__builtin_add_overflow(p.total, c.total, &p.total))
            p.total = std::numeric_limits<std::int64_t>::max();
        p.files += c.IsFolder() ? c.files : 1;
        if (p.total > limit) return false;
    }
    return true;
}
