#pragma once
// The squarified treemap of a folder's subtree (Bruls, Huizing and van Wijk):
// children sorted by size fill the folder's rectangle in rows laid along its
// shorter side, each row taken as long as it keeps its tiles closest to square.
// Folders at the top levels keep a frame with a name header around their
// children. Entries whose tile would be under minTile pixels are not laid out
// one by one: their space stays with their folder's tile. Each tile also
// carries its cushion (van Wijk and van de Wetering): a parabolic ridge per
// level in x and in y, summed down the nesting, that shading reads.
#include "core/tree/Tree.h"
#include <atomic>
#include <cstdint>
#include <vector>

struct TreemapOptions {
    int width = 0;
    int height = 0;
    bool byFiles = false;       // tile areas by number of files instead of bytes
    int frameLevels = 2;        // folder levels below the top drawn with a frame
    int minTile = 3;            // pixels; smaller entries are merged into their folder
    std::int64_t freeSpace = 0; // bytes; with byFiles off, a tile beside the folder's
};

struct TreemapTile {
    enum Flag : std::uint8_t { Folder = 1, Framed = 2, FreeSpace = 4 };
    Tree::Index node = Tree::kNone; // kNone for the free-space tile
    std::int32_t parent = -1;       // the tile of its folder
    std::uint16_t depth = 0;        // 0: the folder the map is of
    std::uint8_t flags = 0;
    double x = 0, y = 0, w = 0, h = 0;           // exact rectangle
    std::int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0; // pixels it covers (x0 <= x < x1)
    // Inner rectangle of a framed folder, in pixels.
    std::int32_t ix0 = 0, iy0 = 0, ix1 = 0, iy1 = 0;
    // Cushion surface z = cx1*x + cx2*x^2 + cy1*y + cy2*y^2.
    float cx1 = 0, cx2 = 0, cy1 = 0, cy2 = 0;
    bool IsFolder() const { return flags & Folder; }
};

class TreemapLayout {
public:
    static constexpr int kBorder = 2;  // frame width, pixels
    static constexpr int kHeader = 15; // a frame's name strip

    // Lays out top's subtree. cancel is read now and then: a cancelled layout is
    // empty and says so.
    static TreemapLayout Make(const Tree& tree, Tree::Index top, const TreemapOptions& options,
                              const std::atomic<bool>* cancel = nullptr);

    int Width() const { return options_.width; }
    int Height() const { return options_.height; }
    const TreemapOptions& Options() const { return options_; }
    Tree::Index Top() const { return top_; }
    bool Cancelled() const { return cancelled_; }
    // Parents come before their children.
    const std::vector<TreemapTile>& Tiles() const { return tiles_; }
    // The deepest tile covering pixel (x, y); -1 outside the picture.
    int HitTest(int x, int y) const;
    // The tile of a node; -1 when it has none (merged, or outside the map).
    int TileOf(Tree::Index node) const;
    // What a node weighs in this layout: bytes or files.
    static std::int64_t Weight(const Tree& tree, Tree::Index i, bool byFiles);

private:
    TreemapOptions options_;
    Tree::Index top_ = Tree::kNone;
    bool cancelled_ = false;
    std::vector<TreemapTile> tiles_;
};
