#pragma once
// A small built-in bitmap font (7 by 13 pixels, printable ASCII and Latin-1,
// drawn from DejaVu Sans Mono), so that a picture drawn without Qt Gui carries
// the same names as the window's.
#include "core/export/PictureFiles.h"
#include <cstdint>
#include <string_view>

namespace BitmapFont {
inline constexpr int kWidth = 7;
inline constexpr int kHeight = 13;
// The characters a name's bytes show as: UTF-8 decoded, anything without a glyph
// (or not UTF-8) shown as '?'.
std::u32string Glyphs(std::string_view bytes);
// Pixel width of text drawn with DrawText.
inline int TextWidth(const std::u32string& text) {
    return int(text.size()) * kWidth;
}
// Draws text with its top-left corner at (x, y), clipped to [cx0, cx1) x [cy0, cy1).
void DrawText(RawPicture& pic, int x, int y, const std::u32string& text, std::uint32_t rgb, int cx0,
              int cy0, int cx1, int cy1);
} // namespace BitmapFont
