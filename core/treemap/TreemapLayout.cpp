#include "core/treemap/TreemapLayout.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr float kCushionHeight = 0.5f;   // the top level's ridge
constexpr float kCushionFalloff = 0.75f; // each level's ridge against its parent's

struct Item {
    double weight;
    Tree::Index node; // kNone: the merged rest, or the free space
};

struct Rect {
    double x, y, w, h;
};

void AddRidges(TreemapTile& t, float height) {
    if (t.w > 0) {
        t.cx1 += float(4 * height * (2 * t.x + t.w) / t.w);
        t.cx2 -= float(4 * height / t.w);
    }
    if (t.h > 0) {
        t.cy1 += float(4 * height * (2 * t.y + t.h) / t.h);
        t.cy2 -= float(4 * height / t.h);
    }
}

// Squarified rows: items (largest first, the merged rest last) fill r;
// out[k] gets item k's rectangle. Each row runs along the shorter side and
// takes items while its worst aspect ratio does not get worse.
void Squarify(const std::vector<Item>& items, double total, Rect r, std::vector<Rect>& out) {
    out.resize(items.size());
    std::size_t i = 0;
    double remaining = total;
    while (i < items.size()) {
        if (r.w <= 0 || r.h <= 0 || remaining <= 0) {
            for (; i < items.size(); ++i)
                out[i] = {r.x, r.y, 0, 0};
            return;
        }
        const double scale = r.w * r.h / remaining; // area per unit of weight
        const bool column = r.w >= r.h;             // the row runs along the shorter side
        const double side = column ? r.h : r.w;
        double rowWeight = 0, worst = std::numeric_limits<double>::infinity();
        std::size_t j = i;
        const double biggest = items[i].weight * scale;
        for (; j < items.size(); ++j) {
            const double sum = rowWeight + items[j].weight;
            const double thick = sum * scale / side;
            const double t2 = thick * thick;
            const double smallest = items[j].weight * scale;
            const double ratio =
                std::max({t2 / biggest, biggest / t2, t2 / smallest, smallest / t2});
            if (j > i && ratio > worst) break;
            worst = ratio;
            rowWeight = sum;
        }
        // The last row takes what is left exactly, so rounding never leaves a gap.
        const double thick = j == items.size() ? (column ? r.w : r.h) : rowWeight * scale / side;
        double pos = column ? r.y : r.x;
        const double stop = column ? r.y + r.h : r.x + r.w;
        for (std::size_t k = i; k < j; ++k) {
            const double len = k + 1 == j ? stop - pos : items[k].weight / rowWeight * side;
            out[k] = column ? Rect{r.x, pos, thick, len} : Rect{pos, r.y, len, thick};
            pos += len;
        }
        if (column) {
            r.x += thick;
            r.w = j == items.size() ? 0 : r.w - thick;
        } else {
            r.y += thick;
            r.h = j == items.size() ? 0 : r.h - thick;
        }
        remaining -= rowWeight;
        i = j;
    }
}

std::int32_t Px(double v) {
    return std::int32_t(std::lround(v));
}

} // namespace

std::int64_t TreemapLayout::Weight(const Tree& tree, Tree::Index i, bool byFiles) {
    const Tree::Node& n = tree.At(i);
    if (byFiles) return n.IsFolder() ? std::int64_t(n.files) : 1;
    return std::max<std::int64_t>(n.total, 0); // total and size share the field
}

TreemapLayout TreemapLayout::Make(const Tree& tree, Tree::Index top, const TreemapOptions& options,
                                  const std::atomic<bool>* cancel) {
    TreemapLayout map;
    map.options_ = options;
    map.top_ = top;
    if (options.width <= 0 || options.height <= 0 || top >= tree.Count()) return map;
    const double minArea = double(options.minTile) * options.minTile;

    // The folder's tile, and the free-space tile beside it.
    std::vector<Item> items;
    std::vector<Rect> rects;
    const Rect whole{0, 0, double(options.width), double(options.height)};
    auto addTile = [&](Tree::Index node, std::int32_t parent, std::uint16_t depth, Rect r) {
        TreemapTile t;
        t.node = node;
        t.parent = parent;
        t.depth = depth;
        t.x = r.x, t.y = r.y, t.w = r.w, t.h = r.h;
        t.x0 = Px(r.x), t.y0 = Px(r.y), t.x1 = Px(r.x + r.w), t.y1 = Px(r.y + r.h);
        if (parent >= 0) {
            const TreemapTile& p = map.tiles_[std::size_t(parent)];
            t.cx1 = p.cx1, t.cx2 = p.cx2, t.cy1 = p.cy1, t.cy2 = p.cy2;
        }
        AddRidges(t, kCushionHeight * std::pow(kCushionFalloff, float(depth)));
        map.tiles_.push_back(t);
        return std::int32_t(map.tiles_.size() - 1);
    };
    const std::int64_t topWeight = Weight(tree, top, options.byFiles);
    Rect topRect = whole;
    if (options.freeSpace > 0 && !options.byFiles) {
        items = {{double(topWeight), top}, {double(options.freeSpace), Tree::kNone}};
        if (items[0].weight < items[1].weight) std::swap(items[0], items[1]);
        Squarify(items, items[0].weight + items[1].weight, whole, rects);
        const int free = items[0].node == Tree::kNone ? 0 : 1;
        topRect = rects[std::size_t(1 - free)];
        TreemapTile t;
        const Rect& r = rects[std::size_t(free)];
        t.flags = TreemapTile::FreeSpace;
        t.x = r.x, t.y = r.y, t.w = r.w, t.h = r.h;
        t.x0 = Px(r.x), t.y0 = Px(r.y), t.x1 = Px(r.x + r.w), t.y1 = Px(r.y + r.h);
        AddRidges(t, kCushionHeight);
        map.tiles_.push_back(t);
    }
    const std::int32_t first = addTile(top, -1, 0, topRect);
    map.tiles_[std::size_t(first)].flags |= tree.At(top).IsFolder() ? TreemapTile::Folder : 0;

    std::vector<std::int32_t> pending;
    if (tree.At(top).IsFolder()) pending.push_back(first);
    std::size_t work = 0;
    auto stop = [&] {
        if (!cancel || !cancel->load(std::memory_order_relaxed)) return false;
        map.cancelled_ = true;
        map.tiles_.clear();
        return true;
    };
    while (!pending.empty()) {
        if (stop()) return map;
        const std::int32_t at = pending.back();
        pending.pop_back();
        TreemapTile folder = map.tiles_[std::size_t(at)];
        Rect inner{folder.x, folder.y, folder.w, folder.h};
        const int pw = folder.x1 - folder.x0, ph = folder.y1 - folder.y0;
        if (folder.depth >= 1 && folder.depth <= options.frameLevels && pw >= 20 && ph >= 20) {
            TreemapTile& f = map.tiles_[std::size_t(at)];
            f.flags |= TreemapTile::Framed;
            f.ix0 = f.x0 + kBorder, f.ix1 = f.x1 - kBorder, f.iy1 = f.y1 - kBorder;
            f.iy0 = f.y0 + (ph >= 3 * kHeader && pw >= 30 ? kHeader : kBorder);
            inner = {double(f.ix0), double(f.iy0), double(f.ix1 - f.ix0), double(f.iy1 - f.iy0)};
        }
        if (inner.w * inner.h < minArea || !tree.Entered(folder.node)) continue;

        // One pass over the children: those big enough to see, and the weight of the rest.
        const double folderWeight = double(Weight(tree, folder.node, options.byFiles));
        if (folderWeight <= 0) continue;
        const double threshold = minArea * folderWeight / (inner.w * inner.h);
        items.clear();
        double sum = 0, rest = 0;
        for (Tree::Index c = tree.FirstChild(folder.node); c != Tree::kNone;
             c = tree.NextSibling(c)) {
            const double w = double(Weight(tree, c, options.byFiles));
            sum += w;
            if (w >= threshold && w > 0)
                items.push_back({w, c});
            else
                rest += w;
            if ((++work & 0xFFFF) == 0 && stop()) return map;
        }
        if (items.empty() || sum <= 0) continue;
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
            return a.weight != b.weight ? a.weight > b.weight : a.node < b.node;
        });
        if (rest > 0) items.push_back({rest, Tree::kNone});
        Squarify(items, sum, inner, rects);
        for (std::size_t k = 0; k < items.size(); ++k) {
            const Rect& r = rects[k];
            if (items[k].node == Tree::kNone || Px(r.x + r.w) <= Px(r.x) ||
                Px(r.y + r.h) <= Px(r.y))
                continue; // its pixels stay with the folder
            const std::int32_t t = addTile(items[k].node, at, std::uint16_t(folder.depth + 1), r);
            if (tree.At(items[k].node).IsFolder()) {
                map.tiles_[std::size_t(t)].flags |= TreemapTile::Folder;
                pending.push_back(t);
            }
        }
    }
    return map;
}

int TreemapLayout::HitTest(int x, int y) const {
    if (x < 0 || y < 0 || x >= options_.width || y >= options_.height) return -1;
    // Tiles holding a point form a chain from the top down, each after its
    // parent: the last one is the deepest.
    for (std::size_t k = tiles_.size(); k-- > 0;) {
        const TreemapTile& t = tiles_[k];
        if (x >= t.x0 && x < t.x1 && y >= t.y0 && y < t.y1) return int(k);
    }
    return -1;
}

int TreemapLayout::TileOf(Tree::Index node) const {
    for (std::size_t k = 0; k < tiles_.size(); ++k)
        if (tiles_[k].node == node) return int(k);
    return -1;
}
