#include "gui/dialogs/ColorFontPickers.h"
#include <QGuiApplication>
#include <iterator>

namespace {
struct RoleOf {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The palette role nearest to each system colour number.
constexpr RoleOf kSystemRoles[] = {
    {QPalette::Active, QPalette::Button},            // ScrollBar
    {QPalette::Active, QPalette::Window},            // Background
    {QPalette::Active, QPalette::Highlight},         // ActiveCaption
    {QPalette::Inactive, QPalette::Highlight},       // InactiveCaption
    {QPalette::Active, QPalette::Window},            // Menu
    {QPalette::Active, QPalette::Base},              // Window
    {QPalette::Active, QPalette::Shadow},            // WindowFrame
    {QPalette::Active, QPalette::WindowText},        // MenuText
    {QPalette::Active, QPalette::Text},              // WindowText
    {QPalette::Active, QPalette::HighlightedText},   // CaptionText
    {QPalette::Active, QPalette::Window},            // ActiveBorder
    {QPalette::Active, QPalette::Window},            // InactiveBorder
    {QPalette::Active, QPalette::Dark},              // AppWorkSpace
    {QPalette::Active, QPalette::Highlight},         // Highlight
    {QPalette::Active, QPalette::HighlightedText},   // HighlightText
    {QPalette::Active, QPalette::Button},            // BtnFace
    {QPalette::Active, QPalette::Dark},              // BtnShadow
    {QPalette::Disabled, QPalette::Text},            // GrayText
    {QPalette::Active, QPalette::ButtonText},        // BtnText
    {QPalette::Inactive, QPalette::HighlightedText}, // InactiveCaptionText
    {QPalette::Active, QPalette::Light},             // BtnHighlight
    {QPalette::Active, QPalette::Shadow},            // 3DDkShadow
    {QPalette::Active, QPalette::Midlight},          // 3DLight
    {QPalette::Active, QPalette::ToolTipText},       // InfoText
    {QPalette::Active, QPalette::ToolTipBase},       // InfoBk
};
} // namespace

QColor ToQColor(ColorCode color, const QPalette& palette) {
    if (color == clNone) return {};
    if (IsSystemColor(color)) {
        const unsigned n = color & 0xFFu;
        if (n >= std::size(kSystemRoles)) return palette.color(QPalette::WindowText);
        return palette.color(kSystemRoles[n].group, kSystemRoles[n].role);
    }
    return QColor(RedOf(color), GreenOf(color), BlueOf(color));
}

QColor ToQColor(ColorCode color) {
    return ToQColor(color, QGuiApplication::palette());
}

ColorCode FromQColor(const QColor& color) {
    return RGBColor(color.red(), color.green(), color.blue());
}

QFont ToQFont(const FontDesc& font) {
    QFont f(font.name);
    if (font.size > 0) f.setPointSize(font.size);
    f.setBold(font.Has(fsBold));
    f.setItalic(font.Has(fsItalic));
    f.setUnderline(font.Has(fsUnderline));
    f.setStrikeOut(font.Has(fsStrikeOut));
    return f;
}

FontDesc FromQFont(const QFont& font, ColorCode color) {
    FontDesc d;
    d.name = font.family();
    d.size = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
    d.color = color;
    d.style = (font.bold() ? fsBold : 0u) | (font.italic() ? fsItalic : 0u) |
              (font.underline() ? fsUnderline : 0u) | (font.strikeOut() ? fsStrikeOut : 0u);
    return d;
}
