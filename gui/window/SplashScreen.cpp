#include "gui/window/SplashScreen.h"
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QVector>

// The picture is compiled into the GUI library, a static library: register it.
static void InitSplashResource() {
    Q_INIT_RESOURCE(splash);
}

QRegion MaskRegion(const QImage& mask) {
    if (mask.isNull()) return {};
    const QImage img = mask.convertToFormat(QImage::Format_RGB32);
    const QRgb key = img.pixel(0, 0);
    QVector<QRect> rects;
    const int w = img.width();
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        int x = 0;
        while (x < w) {
            while (x < w && line[x] == key)
                ++x;
            const int x1 = x;
            while (x < w && line[x] != key)
                ++x;
            if (x > x1) rects << QRect(x1, y, x - x1, 1);
        }
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

SplashScreen::SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("SplashForm"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    InitSplashResource();
    mask_.load(QStringLiteral(":/MYMASK.png"));
    region_ = MaskRegion(mask_);
    setFixedSize(mask_.isNull() ? QSize(480, 360) : mask_.size());
    if (!region_.isEmpty()) setMask(region_);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.center() - rect().center());
    }
}

void SplashScreen::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, width(), height());
    g.setColorAt(0, QColor(0x1d, 0x2b, 0x53));
    g.setColorAt(1, QColor(0x12, 0x6e, 0x82));
    p.fillRect(rect(), g);

    // A pie in the round part of the shape.
    const QRectF pie(32, 22, 172, 192);
    const QColor colors[] = {QColor(0xf2, 0x9e, 0x4c), QColor(0xef, 0xea, 0x5a),
                             QColor(0x83, 0xe3, 0x77), QColor(0x16, 0xdb, 0x93),
                             QColor(0x04, 0x8b, 0xa8)};
    const int spans[] = {130, 80, 60, 50, 40};
    int start = 90;
    for (int i = 0; i < 5; ++i) {
        p.setBrush(colors[i]);
        p.setPen(QPen(QColor(0x1d, 0x2b, 0x53), 2));
        p.drawPie(pie.adjusted(8, 8, -8, -8), start * 16, spans[i] * 16);
        start += spans[i];
    }

    p.setPen(Qt::white);
    QFont title(QStringLiteral("Sans Serif"), 34, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(40, 200, 420, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Morvane ++"));
    QFont sub(QStringLiteral("Sans Serif"), 12);
    p.setFont(sub);
    p.drawText(QRect(44, 258, 420, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Where the space on your disks goes"));
    p.setPen(QColor(255, 255, 255, 170));
    p.drawText(QRect(44, 296, 400, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Starting..."));
    p.setPen(Qt::white);
    p.setFont(QFont(QStringLiteral("Sans Serif"), 11, QFont::Bold));
    p.drawText(QRect(300, 40, 140, 70), Qt::AlignCenter, QStringLiteral("disk usage"));
}
