#include "settings/ColorPanelGui.h"
#include <QApplication>
#include <QMouseEvent>
#include <QPalette>

namespace {
constexpr std::uint32_t kSystemBit = 0x80000000;
constexpr std::uint32_t kNone = 0x1FFFFFFF;

QColor SystemColor(std::uint32_t index) {
    const QPalette pal = QApplication::palette();
    switch (index) {
    case 1:  // desktop
    case 12: // application workspace
        return pal.color(QPalette::Dark);
    case 2:  // active caption
    case 13: // highlight
        return pal.color(QPalette::Highlight);
    case 9:
    case 14:
        return pal.color(QPalette::HighlightedText);
    case 3:
    case 11:
        return pal.color(QPalette::Inactive, QPalette::Highlight);
    case 4: // menu
    case 5: // window
        return pal.color(QPalette::Base);
    case 6:
    case 16:
    case 21:
        return pal.color(QPalette::Shadow);
    case 7:
    case 8: // window text
        return pal.color(QPalette::Text);
    case 10:
    case 15: // button face
    case 0:
        return pal.color(QPalette::Button);
    case 17:
    case 19:
        return pal.color(QPalette::Disabled, QPalette::Text);
    case 18:
        return pal.color(QPalette::ButtonText);
    case 20:
    case 22:
        return pal.color(QPalette::Light);
    case 23:
        return pal.color(QPalette::ToolTipText);
    case 24:
        return pal.color(QPalette::ToolTipBase);
    default:
        return pal.color(QPalette::Window);
    }
}
} // namespace

QColor ToQColor(std::uint32_t color) {
    if (color == kNone) return QColor(Qt::transparent);
    if (color & kSystemBit) return SystemColor(color & 0xFF);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

std::uint32_t FromQColor(const QColor& color) {
    const QColor c = color.toRgb();
    return std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) |
           (std::uint32_t(c.blue()) << 16);
}

QFont ToQFont(const TFontSpec& spec) {
    QFont font(spec.name);
    if (spec.size > 0) font.setPointSize(spec.size);
    font.setBold(spec.bold);
    font.setItalic(spec.italic);
    font.setUnderline(spec.underline);
    font.setStrikeOut(spec.strikeout);
    return font;
}

TFontSpec FromQFont(const QFont& font, std::uint32_t color) {
    TFontSpec spec;
    spec.name = font.family();
    spec.size = font.pointSize() > 0 ? font.pointSize() : qRound(font.pointSizeF());
    spec.color = color;
    spec.bold = font.bold();
    spec.italic = font.italic();
    spec.underline = font.underline();
    spec.strikeout = font.strikeOut();
    return spec;
}

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent) {
    setAutoFillBackground(true);
    setMinimumSize(48, 22);
    setCursor(Qt::PointingHandCursor);
    SetBevelled(true);
}

void TColorPanel::SetColorValue(std::uint32_t color) {
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    setPalette(pal);
}

void TColorPanel::SetBevelled(bool on) {
    setFrameShape(on ? QFrame::Panel : QFrame::NoFrame);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(on ? 2 : 0);
}

void TColorPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}
