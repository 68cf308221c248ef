#pragma once
// The clickable colour panel of the settings and export dialogs.
#include "gui/dialogs/ColorFontPickers.h"
#include <QFrame>
#include <cstdint>

// A framed panel that shows a colour and reports clicks.
class ColorPanel : public QFrame {
    Q_OBJECT
public:
    explicit ColorPanel(QWidget* parent = nullptr);
    void SetColorValue(ColorCode color);
    ColorCode ColorValue() const { return color_; }
    // No bevel, or lowered inner and outer bevels.
    void SetBevelled(bool on);

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ColorCode color_ = 0;
};
