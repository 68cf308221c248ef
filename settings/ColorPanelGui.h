#pragma once
// The clickable colour panel of the settings and export dialogs.
#include "settings/ColorFontGui.h"
#include <QFrame>
#include <cstdint>

// A framed panel that shows a colour and reports clicks.
class TColorPanel : public QFrame {
    Q_OBJECT
public:
    explicit TColorPanel(QWidget* parent = nullptr);
    void SetColorValue(TColor color);
    TColor ColorValue() const { return color_; }
    // No bevel, or lowered inner and outer bevels.
    void SetBevelled(bool on);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TColor color_ = 0;
};
