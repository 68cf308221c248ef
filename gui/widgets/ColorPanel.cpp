#include "gui/widgets/ColorPanel.h"
#include <QMouseEvent>
#include <QPalette>

ColorPanel::ColorPanel(QWidget* parent) : QFrame(parent) {
    setAutoFillBackground(true);
    setMinimumSize(48, 22);
    setCursor(Qt::PointingHandCursor);
    SetBevelled(true);
}

void ColorPanel::SetColorValue(ColorCode color) {
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(color));
    setPalette(pal);
}

void ColorPanel::SetBevelled(bool on) {
    setFrameShape(on ? QFrame::Panel : QFrame::NoFrame);
    setFrameShadow(QFrame::Sunken);
    setLineWidth(on ? 2 : 0);
}

void ColorPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit Clicked();
    QFrame::mouseReleaseEvent(event);
}
