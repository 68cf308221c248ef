#pragma once
// Draws a treemap layout into a plain pixel buffer: cushion-shaded or flat
// tiles with outlines, folder frames with their names, names inside the tiles
// where they fit. Colours come from the file types, or, given a change per
// node, from growth (red) and shrinkage (green).
#include "core/export/PictureFiles.h"
#include "core/treemap/TreemapLayout.h"
#include "core/treemap/TypeGroups.h"
#include <cstdint>
#include <string>
#include <vector>

struct TreemapStyle {
    bool cushions = true;
    bool labels = true;
    int selected = -1; // a tile to highlight
    // Bytes gained (+) or lost (-) per node of the tree, by node index; when
    // given, tiles are coloured by it instead of by type.
    const std::vector<std::int64_t>* change = nullptr;
};

// 0xRRGGBB of each tile before shading.
std::vector<std::uint32_t> TileColors(const TreemapLayout& map, const TypeGroupTable& groups,
                                      const TreemapStyle& style);
constexpr std::uint32_t kFreeSpaceColor = 0xE8E8E8;
constexpr std::uint32_t kFrameColor = 0x3A3D42;
// By change: unchanged, and the full colours of growth and shrinkage.
constexpr std::uint32_t kUnchangedColor = 0xB8BCC2;
constexpr std::uint32_t kGrewColor = 0xD03A2F;
constexpr std::uint32_t kShrankColor = 0x2E9E48;

// Where a tile's name goes: in its frame's header (cut to it), centred when it
// fits, or nowhere (a folder whose children show, a tile too small).
struct TileLabel {
    enum Kind : std::uint8_t { None, Header, Centred } kind = None;
    std::u32string glyphs;
};
std::vector<TileLabel> TileLabels(const Tree& tree, const TreemapLayout& map);

RawPicture RenderTreemap(const Tree& tree, const TreemapLayout& map, const TypeGroupTable& groups,
                         const TreemapStyle& style);

// The whole picture the page shows and the headless form writes.
struct TreemapPicture {
    TreemapLayout layout;
    TypeGroupTable groups;
    RawPicture picture;
};
TreemapPicture MakeTreemapPicture(const Tree& tree, Tree::Index top, const TreemapOptions& options,
                                  const TreemapStyle& style);
