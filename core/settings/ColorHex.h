#pragma once
// Colour values and their text forms: colour names or "$" hex for the settings
// file, six-digit RRGGBB for HTML.
#include <QString>
#include <cstdint>

// 0x00BBGGRR for a plain colour; 0x80000000 + n is system colour n (drawn
// with the matching palette role); clNone is no colour at all.
using ColorCode = std::uint32_t;

constexpr ColorCode clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080,
                    clNavy = 0x800000, clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080,
                    clSilver = 0xC0C0C0, clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                    clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00, clWhite = 0xFFFFFF;
constexpr ColorCode clSystemColor = 0x80000000;
constexpr ColorCode clScrollBar = clSystemColor + 0, clBackground = clSystemColor + 1,
                    clActiveCaption = clSystemColor + 2, clInactiveCaption = clSystemColor + 3,
                    clMenu = clSystemColor + 4, clWindow = clSystemColor + 5,
                    clWindowFrame = clSystemColor + 6, clMenuText = clSystemColor + 7,
                    clWindowText = clSystemColor + 8, clCaptionText = clSystemColor + 9,
                    clActiveBorder = clSystemColor + 10, clInactiveBorder = clSystemColor + 11,
                    clAppWorkSpace = clSystemColor + 12, clHighlight = clSystemColor + 13,
                    clHighlightText = clSystemColor + 14, clBtnFace = clSystemColor + 15,
                    clBtnShadow = clSystemColor + 16, clGrayText = clSystemColor + 17,
                    clBtnText = clSystemColor + 18, clInactiveCaptionText = clSystemColor + 19,
                    clBtnHighlight = clSystemColor + 20, cl3DDkShadow = clSystemColor + 21,
                    cl3DLight = clSystemColor + 22, clInfoText = clSystemColor + 23,
                    clInfoBk = clSystemColor + 24;
constexpr ColorCode clNone = 0x1FFFFFFF;

constexpr bool IsSystemColor(ColorCode c) {
    return (c & 0xFF000000u) == clSystemColor;
}
constexpr int RedOf(ColorCode c) {
    return int(c & 0xFF);
}
constexpr int GreenOf(ColorCode c) {
    return int((c >> 8) & 0xFF);
}
constexpr int BlueOf(ColorCode c) {
    return int((c >> 16) & 0xFF);
}
constexpr ColorCode RGBColor(int r, int g, int b) {
    return ColorCode(r & 0xFF) | ColorCode(g & 0xFF) << 8 | ColorCode(b & 0xFF) << 16;
}

// The name of a named colour, else "$" and eight upper-case hex digits.
QString ColorToString(ColorCode color);
// A colour name (any case), a decimal or "$" hex integer; otherwise throws
// EConvertError "'<text>' is not a valid integer value".
ColorCode StringToColor(const QString& text);
// Like StringToColor, without throwing.
bool TryStringToColor(const QString& text, ColorCode& color);

// "RRGGBB" of the colour's bytes; the highest byte is ignored.
QString ColorToHex(ColorCode color);
// Reads "RRGGBB" (either case) into a plain colour; throws EConvertError.
ColorCode HexToColor(const QString& text);

// The names table, in its order, for colour pickers and tests.
struct ColorName {
    const char* name;
    ColorCode value;
};
const ColorName* ColorNames(int& count);
