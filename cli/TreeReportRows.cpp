#include "cli/TreeReportRows.h"
#include "cli/ReportRows.h"
#include "core/engine/SizeText.h"
#include "core/tree/TreeRows.h"
#include "platform/NativePath.h"
#include <algorithm>
#include <array>

namespace {

// Each thread keeps the path of the folder its last row lay in, and its
// parents': rows come folder by folder, so a path is made once per folder.
struct FolderPaths {
    std::uint64_t owner = 0;
    std::vector<std::pair<Tree::Index, QString>> chain; // from the top down

    const QString& Of(std::uint64_t id, const Tree& t, const QString& topPrefix,
                      Tree::Index folder) {
        if (owner != id) {
            owner = id;
            chain.assign(1, {0, topPrefix});
        }
        if (chain.back().first == folder) return chain.back().second;
        std::vector<Tree::Index> down; // folder and its parents up to one on the chain
        for (Tree::Index i = folder;; i = t.At(i).parent) {
            auto on = std::find_if(chain.begin(), chain.end(),
                                   [i](const auto& c) { return c.first == i; });
            if (on != chain.end()) {
                chain.erase(on + 1, chain.end());
                break;
            }
            down.push_back(i);
        }
        for (auto i = down.rbegin(); i != down.rend(); ++i)
            chain.emplace_back(
                *i, JoinName(chain.back().second, t.NameData(*i), t.At(*i).nameLen, true) +
                        QLatin1Char('/'));
        return chain.back().second;
    }
};

// "Size (kb)" texts by byte count: a thread's rows repeat few sizes.
const QString& KBText(std::int64_t bytes) {
    struct Slot {
        std::int64_t bytes = -1;
        QString text;
    };
    thread_local std::array<Slot, 4096> cache;
    Slot& s = cache[std::size_t(bytes) % cache.size()];
    if (s.bytes != bytes) {
        s.text = SizeText(suKB, BytesToSizeValue(bytes));
        s.bytes = bytes;
    }
    return s.text;
}

std::int64_t RowBytes(const Tree::Node& n) {
    return n.IsFolder() ? 0 : n.size;
}

} // namespace

TreeReportRows::TreeReportRows(const Tree& tree, const QString& prefix, std::int64_t minSize,
                               const FileFilter& filter)
    : t_(tree), prefix_(prefix), id_(++lastId_) {
    TreeRowCursor c(tree, 0, prefix, TreeRowCursor::FilesLast);
    const bool all = filter.MatchesAll();
    while (c.Next()) {
        const Tree::Index i = c.At();
        if (RowBytes(tree.At(i)) < minSize) continue;
        if (all ? filter.Accepts(QString()) : filter.Accepts(c.Path())) rows_.push_back(i);
    }
}

QString TreeReportRows::ColumnCaption(int column) const {
    static const char* const kCaptions[] = {"File Names", "Date (Cr)", "Date (Ac)",
                                            "Full Path Names", "Size (kb)"};
    return column >= 0 && column < 5 ? QString::fromLatin1(kCaptions[column]) : QString();
}

QString TreeReportRows::Path(int row) const {
    thread_local FolderPaths folders;
    const Tree::Index i = rows_.at(std::size_t(row));
    const Tree::Node& n = t_.At(i);
    return JoinName(folders.Of(id_, t_, prefix_, n.parent), t_.NameData(i), n.nameLen);
}

QString TreeReportRows::Cell(int row, int index, const QString& path) const {
    const Tree::Index i = rows_.at(std::size_t(row));
    switch (index) {
    case 0:
        return DisplayPath(LastPathComponent(path));
    case 1:
        return DateText(std::time_t(t_.ModifiedTime(i).value_or(0)));
    case 2: {
        // A file's access time is the walk's; a folder's is read now, as the
        // window reads it when it fills its list.
        const auto a = t_.AccessTime(i);
        return a ? DateText(std::time_t(*a)) : LastAccessDateText(path);
    }
    case 3:
        return DisplayPath(path);
    case 4:
        return KBText(RowBytes(t_.At(i)));
    default:
        return {};
    }
}

QString TreeReportRows::Caption(int row) const {
    return Cell(row, 0, Path(row));
}

QString TreeReportRows::SubItem(int row, int index) const {
    return Cell(row, index, Path(row));
}

void TreeReportRows::Cells(int row, int subItems, QStringList& cells) const {
    const QString path = Path(row);
    cells.clear();
    for (int c = 0; c <= subItems; ++c)
        cells << Cell(row, c, path);
}
