#include "settings/ColorPanelGui.h"
#include <QMouseEvent>
#include <QPalette>

TColorPanel::TColorPanel(QWidget* parent) : QFrame(parent) {
    setAutoFillBackground(true);
    setMinimumSize(48, 22);
    setCursor(Qt::PointingHandCursor);
    SetBevelled(true);
}

void TColorPanel::SetColorValue(TColor color) {
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
