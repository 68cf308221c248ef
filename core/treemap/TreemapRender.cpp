#include "core/treemap/TreemapRender.h"
#include "core/treemap/BitmapFont.h"
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace {

constexpr float kLight[3] = {0.09759f, 0.19518f, 0.9759f}; // from the top left
constexpr float kAmbient = 0.2f, kDiffuse = 0.9f;

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
    auto c = [&](int s) {
        return std::uint32_t(std::lround(((a >> s) & 0xFF) * (1 - t) + ((b >> s) & 0xFF) * t)) << s;
    };
    return c(16) | c(8) | c(0);
}

std::uint32_t Darker(std::uint32_t rgb, double f) {
    return Mix(rgb, 0x000000, 1 - f);
}

bool Light(std::uint32_t rgb) {
    return 0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF) > 150;
}

void Put(RawPicture& pic, int x, int y, std::uint32_t rgb) {
    std::uint8_t* p = pic.Pixel(x, y);
    p[0] = std::uint8_t(rgb >> 16), p[1] = std::uint8_t(rgb >> 8), p[2] = std::uint8_t(rgb);
}

void Outline(RawPicture& pic, int x0, int y0, int x1, int y1, std::uint32_t rgb) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0);
    x1 = std::min(x1, pic.width), y1 = std::min(y1, pic.height);
    if (x1 <= x0 || y1 <= y0) return;
    for (int x = x0; x < x1; ++x)
        Put(pic, x, y0, rgb), Put(pic, x, y1 - 1, rgb);
    for (int y = y0; y < y1; ++y)
        Put(pic, x0, y, rgb), Put(pic, x1 - 1, y, rgb);
}

} // namespace

std::vector<std::uint32_t> TileColors(const TreemapLayout& map, const TypeGroupTable& groups,
                                      const TreemapStyle& style) {
    const auto& tiles = map.Tiles();
    std::vector<std::uint32_t> colors(tiles.size(), kFreeSpaceColor);
    std::int64_t most = 0;
    auto changeOf = [&](Tree::Index n) -> std::int64_t {
        return n < style.change->size() ? (*style.change)[n] : 0;
    };
    if (style.change)
        for (const TreemapTile& t : tiles)
            if (t.node != Tree::kNone) {
                const std::int64_t c = changeOf(t.node);
                most = std::max(most, c == INT64_MIN ? INT64_MAX : std::abs(c));
            }
    for (std::size_t k = 0; k < tiles.size(); ++k) {
        const Tree::Index n = tiles[k].node;
        if (n == Tree::kNone) continue;
        if (style.change) {
            const std::int64_t c = changeOf(n);
            const double share =
                most > 0 ? std::sqrt(std::min(1.0, std::fabs(double(c)) / double(most))) : 0;
            colors[k] = Mix(kUnchangedColor, c > 0 ? kGrewColor : kShrankColor,
                            c == 0 ? 0 : 0.25 + 0.75 * share);
        } else {
            colors[k] = TypeGroupColor(groups.Of(n));
        }
    }
    return colors;
}

std::vector<TileLabel> TileLabels(const Tree& tree, const TreemapLayout& map) {
    const auto& tiles = map.Tiles();
    std::vector<TileLabel> labels(tiles.size());
    std::vector<bool> hasChild(tiles.size(), false);
    for (const TreemapTile& t : tiles)
        if (t.parent >= 0) hasChild[std::size_t(t.parent)] = true;
    for (std::size_t k = 0; k < tiles.size(); ++k) {
        const TreemapTile& t = tiles[k];
        if (t.node == Tree::kNone || t.depth == 0) continue;
        const bool header =
            (t.flags & TreemapTile::Framed) && t.iy0 - t.y0 > TreemapLayout::kBorder;
        const int tw = t.x1 - t.x0, th = t.y1 - t.y0;
        if ((!header && hasChild[k]) || th < BitmapFont::kHeight + 2 || tw < 3 * BitmapFont::kWidth)
            continue;
        std::u32string glyphs =
            BitmapFont::Glyphs(std::string_view(tree.NameData(t.node), tree.At(t.node).nameLen));
        if (header || BitmapFont::TextWidth(glyphs) <= tw - 4) {
            labels[k].kind = header ? TileLabel::Header : TileLabel::Centred;
            labels[k].glyphs = std::move(glyphs);
        }
    }
    return labels;
}

RawPicture RenderTreemap(const Tree& tree, const TreemapLayout& map, const TypeGroupTable& groups,
                         const TreemapStyle& style) {
    const int w = map.Width(), h = map.Height();
    if (w <= 0 || h <= 0) return {};
    RawPicture pic(w, h);
    const auto& tiles = map.Tiles();
    const std::vector<std::uint32_t> colors = TileColors(map, groups, style);

    // Which tile owns each pixel: parents first, children over them.
    std::vector<std::int32_t> owner(std::size_t(w) * std::size_t(h), -1);
    for (std::size_t k = 0; k < tiles.size(); ++k) {
        const TreemapTile& t = tiles[k];
        for (int y = std::max(t.y0, 0); y < std::min(t.y1, h); ++y) {
            std::int32_t* row = owner.data() + std::size_t(y) * std::size_t(w);
            std::fill(row + std::max(t.x0, 0), row + std::min(t.x1, w), std::int32_t(k));
        }
    }
    // Row by row, in runs of one tile: its colour and the cushion's slope
    // along y are the same over the run, the slope along x changes linearly.
    for (int y = 0; y < h; ++y) {
        const std::int32_t* row = owner.data() + std::size_t(y) * std::size_t(w);
        std::uint8_t* out = pic.Pixel(0, y);
        for (int x = 0; x < w;) {
            const std::int32_t k = row[x];
            int end = x + 1;
            while (end < w && row[end] == k)
                ++end;
            if (k < 0) {
                std::fill(out + 3 * x, out + 3 * end, std::uint8_t(0xFF));
                x = end;
                continue;
            }
            const TreemapTile& t = tiles[std::size_t(k)];
            const std::uint32_t base = colors[std::size_t(k)];
            const float r = float((base >> 16) & 0xFF), g = float((base >> 8) & 0xFF),
                        b = float(base & 0xFF);
            const bool frameRow = (t.flags & TreemapTile::Framed) && (y < t.iy0 || y >= t.iy1);
            const std::uint32_t edge = Darker(base, 0.55);
            const float ny = -(2 * t.cy2 * (float(y) + 0.5f) + t.cy1);
            const float lightY = ny * kLight[1] + kLight[2], ny2 = ny * ny + 1;
            for (; x < end; ++x) {
                std::uint8_t* p = out + 3 * x;
                std::uint32_t flat = base;
                if (frameRow || ((t.flags & TreemapTile::Framed) && (x < t.ix0 || x >= t.ix1))) {
                    flat = kFrameColor;
                } else if (style.cushions) {
                    const float nx = -(2 * t.cx2 * (float(x) + 0.5f) + t.cx1);
                    const float cosa = (nx * kLight[0] + lightY) / std::sqrt(nx * nx + ny2);
                    const float f = std::min(1.0f, kAmbient + kDiffuse * std::max(0.0f, cosa));
                    p[0] = std::uint8_t(r * f), p[1] = std::uint8_t(g * f),
                    p[2] = std::uint8_t(b * f);
                    continue;
                } else if (x == t.x0 || y == t.y0) {
                    flat = edge;
                }
                p[0] = std::uint8_t(flat >> 16), p[1] = std::uint8_t(flat >> 8),
                p[2] = std::uint8_t(flat);
            }
        }
    }

    if (style.labels) {
        const std::vector<TileLabel> labels = TileLabels(tree, map);
        for (std::size_t k = 0; k < tiles.size(); ++k) {
            const TreemapTile& t = tiles[k];
            const std::u32string& text = labels[k].glyphs;
            const int tw = t.x1 - t.x0, th = t.y1 - t.y0;
            const int textW = BitmapFont::TextWidth(text);
            if (labels[k].kind == TileLabel::Header) {
                // A folder's name is cut to its header; white on the frame.
                BitmapFont::DrawText(pic, t.x0 + 3, t.y0 + 1, text, 0xFFFFFF, t.x0 + 3, t.y0,
                                     t.x1 - 3, t.iy0);
            } else if (labels[k].kind == TileLabel::Centred) {
                const std::uint32_t ink = Light(colors[k]) ? 0x000000 : 0xFFFFFF;
                BitmapFont::DrawText(pic, t.x0 + (tw - textW) / 2,
                                     t.y0 + (th - BitmapFont::kHeight) / 2, text, ink, t.x0, t.y0,
                                     t.x1, t.y1);
            }
        }
    }

    if (style.selected >= 0 && std::size_t(style.selected) < tiles.size()) {
        const TreemapTile& t = tiles[std::size_t(style.selected)];
        Outline(pic, t.x0, t.y0, t.x1, t.y1, 0xFFE14D);
        Outline(pic, t.x0 + 1, t.y0 + 1, t.x1 - 1, t.y1 - 1, 0xFFE14D);
        Outline(pic, t.x0 + 2, t.y0 + 2, t.x1 - 2, t.y1 - 2, 0x000000);
    }
    return pic;
}

TreemapPicture MakeTreemapPicture(const Tree& tree, Tree::Index top, const TreemapOptions& options,
                                  const TreemapStyle& style) {
    TreemapPicture p{TreemapLayout::Make(tree, top, options), GroupTypes(tree, top), {}};
    p.picture = RenderTreemap(tree, p.layout, p.groups, style);
    return p;
}
