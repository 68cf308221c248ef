#include "gui/window/FileMenu.h"
#include <QPainter>

FileMenu::FileMenu(const QString& title, QWidget* parent,
                   std::function<std::pair<QColor, QColor>()> colors)
    : QMenu(title, parent), colors_(std::move(colors)) {
    // Room for the band: the items start right of it.
    setContentsMargins(BandWidth, 0, 0, 0);
}

void FileMenu::paintEvent(QPaintEvent* e) {
    QMenu::paintEvent(e);
    const auto [back, fore] =
        colors_ ? colors_() : std::pair<QColor, QColor>{QColor(0, 0, 128), QColor(Qt::white)};
    QPainter p(this);
    const QRect band(0, 0, BandWidth, height());
    p.fillRect(band, back);
    QFont f = font();
    f.setBold(true);
    f.setPointSize(8);
    p.setFont(f);
    p.setPen(fore);
    // The banner runs upwards from the bottom of the band.
    p.translate(0, height());
    p.rotate(-90);
    p.drawText(QRect(6, 0, height() - 12, BandWidth), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Morvane ++"));
}
