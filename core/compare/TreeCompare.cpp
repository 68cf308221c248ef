#include "core/compare/TreeCompare.h"
#include <algorithm>
#include <string_view>

namespace {

enum class Kind { Folder, File, Other };

Kind KindOf(const Tree::Node& n) {
    if (n.IsFolder()) return Kind::Folder;
    return (n.flags & Tree::NotRegular) ? Kind::Other : Kind::File;
}

std::uint32_t FilesOf(const Tree::Node& n) {
    return n.IsFolder() ? n.files : 1;
}

std::string_view NameOf(const Tree& t, Tree::Index i) {
    return {t.NameData(i), t.At(i).nameLen};
}

class Matcher {
public:
    Matcher(const Tree& older, const Tree& newer, const CompareOptions& options, CompareResult& r)
        : old_(older), new_(newer), opt_(options), r_(r) {}

    void Run(Tree::Index oldRoot, Tree::Index newRoot) {
        r_.change[newRoot] = r_.TotalChange();
        stack_.push_back({oldRoot, newRoot, 0});
        while (!stack_.empty()) {
            const Pair p = stack_.back();
            stack_.pop_back();
            MatchChildren(p);
        }
    }

private:
    struct Pair {
        Tree::Index o, n;
        std::uint16_t depth;
    };

    bool Listed(int depth) const { return opt_.depth <= 0 || depth <= opt_.depth; }

    void Add(const CompareEntry& e) {
        const std::int64_t c = e.Change();
        if ((c >= 0 ? c : -c) >= opt_.minChange) r_.entries.push_back(e);
    }

    static void Gather(const Tree& t, Tree::Index folder, std::vector<Tree::Index>& out) {
        out.clear();
        for (Tree::Index c = t.FirstChild(folder); c != Tree::kNone; c = t.NextSibling(c))
            out.push_back(c);
        std::sort(out.begin(), out.end(),
                  [&t](Tree::Index a, Tree::Index b) { return NameOf(t, a) < NameOf(t, b); });
    }

    void MatchChildren(const Pair& p) {
        Gather(old_, p.o, oldKids_);
        Gather(new_, p.n, newKids_);
        const int depth = p.depth + 1;
        std::size_t i = 0, j = 0;
        while (i < oldKids_.size() || j < newKids_.size()) {
            int order;
            if (i == oldKids_.size())
                order = 1;
            else if (j == newKids_.size())
                order = -1;
            else
                order = NameOf(old_, oldKids_[i]).compare(NameOf(new_, newKids_[j]));
            if (order < 0) {
                Gone(oldKids_[i++], depth);
            } else if (order > 0) {
                Came(newKids_[j++], depth);
            } else {
                Matched(oldKids_[i++], newKids_[j++], depth);
            }
        }
    }

    void Matched(Tree::Index o, Tree::Index n, int depth) {
        const Tree::Node& a = old_.At(o);
        const Tree::Node& b = new_.At(n);
        if (KindOf(a) != KindOf(b)) {
            Gone(o, depth);
            Came(n, depth);
            return;
        }
        r_.change[n] = b.total - a.total;
        const bool changed = a.total != b.total || FilesOf(a) != FilesOf(b);
        if (changed) {
            ++r_.changedCount;
            if (Listed(depth))
                Add({o, n, a.total, b.total, FilesOf(a), FilesOf(b), std::uint16_t(depth),
                     CompareEntry::Changed, a.IsFolder()});
        }
        // Unchanged folders may still hold changes that cancel out. A folder the
        // rules do not enter counts nothing on either side.
        if (a.IsFolder() && old_.Entered(o) && new_.Entered(n) && depth < 0xFFFF)
            stack_.push_back({o, n, std::uint16_t(depth)});
    }

    // A whole subtree that is only on one side: every entry of it is added (or
    // removed); what lies inside a folder the rules do not enter is left out.
    template <typename Visit> void Subtree(const Tree& t, Tree::Index top, int depth, Visit visit) {
        ends_.clear();
        const Tree::Index end = t.At(top).end;
        for (Tree::Index k = top; k < end;) {
            while (!ends_.empty() && k >= ends_.back())
                ends_.pop_back();
            const int d = depth + int(ends_.size());
            visit(k, d);
            const Tree::Node& node = t.At(k);
            if (node.IsFolder() && !t.Entered(k)) {
                k = node.end;
                continue;
            }
            ends_.push_back(node.end);
            ++k;
        }
    }

    void Came(Tree::Index n, int depth) {
        Subtree(new_, n, depth, [this](Tree::Index k, int d) {
            const Tree::Node& b = new_.At(k);
            r_.change[k] = b.total;
            r_.addedFlags[k] = 1;
            ++r_.addedCount;
            if (Listed(d))
                Add({Tree::kNone, k, 0, b.total, 0, FilesOf(b), std::uint16_t(std::min(d, 0xFFFF)),
                     CompareEntry::Added, b.IsFolder()});
        });
    }

    void Gone(Tree::Index o, int depth) {
        Subtree(old_, o, depth, [this](Tree::Index k, int d) {
            const Tree::Node& a = old_.At(k);
            ++r_.removedCount;
            if (Listed(d))
                Add({k, Tree::kNone, a.total, 0, FilesOf(a), 0, std::uint16_t(std::min(d, 0xFFFF)),
                     CompareEntry::Removed, a.IsFolder()});
        });
    }

    const Tree& old_;
    const Tree& new_;
    const CompareOptions& opt_;
    CompareResult& r_;
    std::vector<Pair> stack_;
    std::vector<Tree::Index> oldKids_, newKids_;
    std::vector<Tree::Index> ends_;
};

} // namespace

std::size_t CompareResult::MemoryBytes() const {
    return entries.capacity() * sizeof(CompareEntry) + change.capacity() * sizeof(std::int64_t) +
           addedFlags.capacity();
}

CompareResult CompareTrees(const Tree& older, Tree::Index oldRoot, const Tree& newer,
                           Tree::Index newRoot, const CompareOptions& options) {
    CompareResult r;
    r.change.assign(newer.Count(), 0);
    r.addedFlags.assign(newer.Count(), 0);
    if (oldRoot >= older.Count() || newRoot >= newer.Count()) return r;
    r.oldRoot = oldRoot;
    r.newRoot = newRoot;
    r.oldTotal = older.At(oldRoot).total;
    r.newTotal = newer.At(newRoot).total;
    r.oldFiles = FilesOf(older.At(oldRoot));
    r.newFiles = FilesOf(newer.At(newRoot));
    Matcher(older, newer, options, r).Run(oldRoot, newRoot);
    // Largest growth first; equal changes in the order of the trees.
    std::sort(r.entries.begin(), r.entries.end(), [](const CompareEntry& a, const CompareEntry& b) {
        if (a.Change() != b.Change()) return a.Change() > b.Change();
        if (a.state != b.state) return a.state < b.state;
        return a.newIndex != b.newIndex ? a.newIndex < b.newIndex : a.oldIndex < b.oldIndex;
    });
    return r;
}

QByteArray ComparePath(const Tree& tree, Tree::Index root, Tree::Index node) {
    std::vector<Tree::Index> up;
    for (Tree::Index k = node; k != Tree::kNone && k != root; k = tree.At(k).parent)
        up.push_back(k);
    QByteArray path;
    for (auto it = up.rbegin(); it != up.rend(); ++it) {
        if (!path.isEmpty()) path += '/';
        path.append(tree.NameData(*it), tree.At(*it).nameLen);
    }
    return path;
}
