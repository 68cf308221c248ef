#include "gui/common/AppIcon.h"
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QImage DrawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // A dark rounded tile, so the pie reads on light and dark panels alike.
    QLinearGradient tile(0, 2, 0, 62);
    tile.setColorAt(0, QColor(0x2b, 0x4f, 0x86));
    tile.setColorAt(1, QColor(0x14, 0x27, 0x47));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);

    // The pie: three slices, the biggest moved out as the chart's F8 does.
    const QRectF pie(10, 10, 42, 42);
    struct Slice {
        int start, span;
        QColor color;
    };
    const Slice slices[] = {{90 * 16, 150 * 16, QColor(0xf2, 0xc1, 0x2e)},
                            {240 * 16, 75 * 16, QColor(0x3c, 0xb3, 0x71)},
                            {315 * 16, 135 * 16, QColor(0xe8, 0x6a, 0x3a)}};
    p.setPen(QPen(QColor(0x14, 0x27, 0x47), 1.2));
    for (int i = 0; i < 3; ++i) {
        QRectF r = pie;
        if (i == 0) r.translate(-2.5, -2.0);
        p.setBrush(slices[i].color);
        p.drawPie(r, slices[i].start, slices[i].span);
    }
    return image;
}
