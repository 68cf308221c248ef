#pragma once
// Colour values and font texts on screen, and the clickable colour panel of the
// settings and export dialogs.
#include "settings/SettingsTexts.h"
#include <QColor>
#include <QFont>
#include <QFrame>
#include <cstdint>

// A colour value as drawn: system colours take the matching palette role.
QColor ToQColor(std::uint32_t color);
std::uint32_t FromQColor(const QColor& color);
QFont ToQFont(const TFontSpec& font);
TFontSpec FromQFont(const QFont& font, std::uint32_t color);

// A framed panel that shows a colour and reports clicks.
class TColorPanel : public QFrame {
    Q_OBJECT
public:
    explicit TColorPanel(QWidget* parent = nullptr);
    void SetColorValue(std::uint32_t color);
    std::uint32_t ColorValue() const { return color_; }
    // No bevel, or lowered inner and outer bevels.
    void SetBevelled(bool on);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::uint32_t color_ = 0;
};
