#include "core/compare/FolderChanges.h"
#include "core/engine/DirScanner.h"
#include "platform/NativePath.h"
#include <QList>
#include <string_view>
#include <unordered_map>

namespace {

std::string_view NameOf(const Tree& t, Tree::Index i) {
    return {t.NameData(i), t.At(i).nameLen};
}

bool SameKind(const Tree::Node& a, const Tree::Node& b) {
    return (a.flags & (Tree::Folder | Tree::NotRegular)) ==
           (b.flags & (Tree::Folder | Tree::NotRegular));
}

bool Below(const Tree& t, Tree::Index node, Tree::Index folder) {
    return node >= folder && node < t.At(folder).end;
}

} // namespace

Tree::Index FindBelow(const Tree& tree, Tree::Index folder, const QByteArray& rel) {
    Tree::Index at = folder;
    for (const QByteArray& part : rel.split('/')) {
        if (part.isEmpty()) continue;
        const std::string_view name(part.constData(), std::size_t(part.size()));
        Tree::Index c = tree.FirstChild(at);
        while (c != Tree::kNone && NameOf(tree, c) != name)
            c = tree.NextSibling(c);
        if (c == Tree::kNone) return Tree::kNone;
        at = c;
    }
    return at;
}

std::pair<Tree::Index, Tree::Index> MatchingRoots(const Tree& older, const Tree& newer) {
    if (older.Count() == 0 || newer.Count() == 0) return {Tree::kNone, Tree::kNone};
    const auto inside = [](const QByteArray& outer, const QByteArray& inner) -> QByteArray {
        const QByteArray prefix = outer.endsWith('/') ? outer : outer + '/';
        return inner.startsWith(prefix) ? inner.mid(prefix.size()) : QByteArray();
    };
    const QByteArray a = older.NameBytes(0), b = newer.NameBytes(0);
    if (const QByteArray rel = inside(a, b); !rel.isEmpty())
        if (const Tree::Index o = FindBelow(older, 0, rel);
            o != Tree::kNone && older.At(o).IsFolder())
            return {o, 0};
    if (const QByteArray rel = inside(b, a); !rel.isEmpty())
        if (const Tree::Index n = FindBelow(newer, 0, rel);
            n != Tree::kNone && newer.At(n).IsFolder())
            return {0, n};
    return {0, 0};
}

std::shared_ptr<const SnapshotComparison>
SnapshotComparison::Make(std::shared_ptr<const Tree> base, const QString& baseFile,
                         std::shared_ptr<const Tree> shown) {
    auto c = std::make_shared<SnapshotComparison>();
    const auto [o, n] = MatchingRoots(*base, *shown);
    c->result = CompareTrees(*base, o, *shown, n);
    c->base = std::move(base);
    c->baseFile = baseFile;
    c->shown = std::move(shown);
    return c;
}

FolderChanges ChangesIn(const SnapshotComparison& c, Tree::Index folder) {
    FolderChanges f;
    const Tree& older = *c.base;
    const Tree& newer = *c.shown;
    const CompareResult& r = c.result;
    if (r.newRoot == Tree::kNone || folder >= newer.Count() || !Below(newer, folder, r.newRoot))
        return f;
    f.compared = true;
    std::unordered_map<std::string_view, Tree::Index> now;
    for (Tree::Index k = newer.FirstChild(folder); k != Tree::kNone; k = newer.NextSibling(k)) {
        now.emplace(NameOf(newer, k), k);
        if (!newer.At(k).IsFolder()) f.filesChange += r.change[k];
    }
    // An added folder had nothing before; a folder kept has its earlier self.
    if (r.Added(folder)) return f;
    const Tree::Index was = FindBelow(older, r.oldRoot, ComparePath(newer, r.newRoot, folder));
    if (was == Tree::kNone) return f;
    for (Tree::Index k = older.FirstChild(was); k != Tree::kNone; k = older.NextSibling(k)) {
        const auto it = now.find(NameOf(older, k));
        if (it != now.end() && SameKind(older.At(k), newer.At(it->second))) continue;
        f.removed.push_back(k);
        if (!older.At(k).IsFolder()) f.filesChange -= older.At(k).total;
    }
    return f;
}

RowChanges ChangesOfRows(const SnapshotComparison& c, const QStringList& paths) {
    RowChanges out;
    out.rows.resize(std::size_t(paths.size()));
    if (paths.isEmpty()) return out;
    const Tree& shown = *c.shown;
    // The rows' folder: the one holding the first row.
    QString folder = paths.first();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    folder.truncate(folder.lastIndexOf(QLatin1Char('/')) + 1);
    const Tree::Index node = shown.Find(folder);
    if (node == Tree::kNone || !shown.At(node).IsFolder()) return out;
    out.folder = ChangesIn(c, node);
    if (!out.folder.compared) return out;
    std::unordered_map<std::string_view, Tree::Index> kids;
    for (Tree::Index k = shown.FirstChild(node); k != Tree::kNone; k = shown.NextSibling(k))
        kids.emplace(NameOf(shown, k), k);
    const QByteArray allFiles = NativePath(DirScanner::AllFilesName());
    for (qsizetype i = 0; i < paths.size(); ++i) {
        QString path = paths[i];
        while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
            path.chop(1);
        const QByteArray name = NativePath(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
        if (name == allFiles) {
            out.rows[std::size_t(i)] = RowChange{out.folder.filesChange, false};
            continue;
        }
        const auto it = kids.find(std::string_view(name.constData(), std::size_t(name.size())));
        if (it == kids.end()) continue;
        out.rows[std::size_t(i)] =
            RowChange{c.result.change[it->second], c.result.Added(it->second)};
    }
    return out;
}
