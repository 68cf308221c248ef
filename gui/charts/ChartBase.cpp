#include "gui/charts/ChartBase.h"
#include "platform/NativePath.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStackedWidget>
#include <QToolTip>
#include <algorithm>
#include <numeric>

double ChartSeries::Total() const {
    return std::accumulate(points.begin(), points.end(), 0.0, [](double s, const ChartPoint& p) {
        return s + std::max(0.0, p.value);
    });
}

QString ChartSeries::MarkText(int index) const {
    const ChartPoint& p = points.at(std::size_t(index));
    return p.label + QLatin1Char(' ') + ChartValueText(p.negative ? -p.value : p.value);
}

ChartBase::ChartBase(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(120, 100);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ChartBase::SetTitle(const QStringList& lines) {
    title_ = lines;
    update();
}

void ChartBase::SetLook(const ChartLook& look) {
    look_ = look;
    update();
}

void ChartBase::SetLegendVisible(bool on) {
    legendVisible_ = on;
    update();
}

void ChartBase::SetView3D(bool on) {
    view3D_ = on;
    update();
}

void ChartBase::SetMarksVisible(bool on) {
    Series().marksVisible = on;
    update();
}

void ChartBase::PointsChanged() {
    markWidths_.clear();
    update();
}

int ChartBase::MarkWidth(int index, const QFontMetrics& fm) const {
    if (markWidths_.size() != std::size_t(Series().Count())) {
        markWidths_.assign(std::size_t(Series().Count()), 0);
        for (int i = 0; i < Series().Count(); ++i)
            markWidths_[std::size_t(i)] = fm.horizontalAdvance(Series().MarkText(i));
    }
    return markWidths_[std::size_t(index)];
}

int ChartBase::TitleHeight() const {
    const QFontMetrics fm(look_.titleFont);
    return int(title_.size()) * fm.height() + 12;
}

QRectF ChartBase::LegendRect(const QRect& rect) const {
    if (!legendVisible_ || Series().Count() == 0) return {};
    const QFontMetrics fm(look_.legendFont);
    int labelW = 0, valueW = 0;
    const auto& pts = Series().points;
    for (const ChartPoint& p : pts) {
        labelW = std::max(labelW, fm.horizontalAdvance(p.label));
        valueW = std::max(valueW, fm.horizontalAdvance(ChartValueText(p.value)));
    }
    const int swatch = fm.height();
    const int w = std::min(swatch + 8 + labelW + 12 + valueW + 16, rect.width() * 2 / 5);
    const int rows = int(pts.size());
    const int top = rect.top() + TitleHeight();
    const int avail = rect.bottom() - top - 10;
    const int h = std::min(rows * (fm.height() + 2) + 12, avail);
    return QRectF(rect.right() - w - 10, top + std::max(0, (avail - h) / 2), w, h);
}

QRectF ChartBase::PlotRect(const QRect& rect) const {
    QRectF r(rect);
    r.setTop(rect.top() + TitleHeight());
    r.adjust(12, 4, -12, -10);
    const QRectF legend = LegendRect(rect);
    if (!legend.isEmpty()) r.setRight(legend.left() - 14);
    return r;
}

QColor ChartBase::TextColorOnBackground() const {
    const auto lum = [](const QColor& c) {
        return 0.299 * c.redF() + 0.587 * c.greenF() + 0.114 * c.blueF();
    };
    return (lum(look_.gradientTop) + lum(look_.gradientBottom)) / 2 > 0.55 ? QColor(25, 25, 25)
                                                                           : QColor(240, 240, 240);
}

QString ChartBase::FitMark(int index, const QFontMetrics& fm, int width) const {
    const QString full = Series().MarkText(index);
    if (MarkWidth(index, fm) <= width) return full;
    const QString value = ChartValueText(Series().points[std::size_t(index)].value);
    const int nameRoom = width - fm.horizontalAdvance(QLatin1Char(' ') + value);
    if (!legendVisible_ && nameRoom >= fm.horizontalAdvance(QStringLiteral("abc...")))
        return fm.elidedText(Series().points[std::size_t(index)].label, Qt::ElideRight, nameRoom) +
               QLatin1Char(' ') + value;
    return fm.elidedText(value, Qt::ElideRight, width);
}

void ChartBase::Render(QPainter& p, const QRect& rect) const {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    RenderBackground(p, rect);
    const QRectF plot = PlotRect(rect);
    if (plot.width() > 20 && plot.height() > 20) {
        p.save();
        p.setClipRect(rect);
        RenderPlot(p, plot);
        p.restore();
    }
    RenderLegend(p, LegendRect(rect));
    p.restore();
}

void ChartBase::RenderBackground(QPainter& p, const QRect& rect) const {
    // Gradient and title change seldom; a turning pie repaints many times a second.
    const QString key = QStringLiteral("%1x%2|%3|%4|%5|%6|%7")
                            .arg(rect.width())
                            .arg(rect.height())
                            .arg(look_.gradientTop.rgba())
                            .arg(look_.gradientBottom.rgba())
                            .arg(look_.titleColor.rgba())
                            .arg(look_.titleFont.toString(), title_.join(QLatin1Char('\n')));
    if (key != backgroundKey_ || background_.isNull()) {
        background_ = QImage(rect.size(), QImage::Format_RGB32);
        QPainter bp(&background_);
        bp.setRenderHint(QPainter::TextAntialiasing);
        const QRect r(QPoint(0, 0), rect.size());
        QLinearGradient bg(r.topLeft(), r.bottomLeft());
        bg.setColorAt(0, look_.gradientTop);
        bg.setColorAt(1, look_.gradientBottom);
        bp.fillRect(r, bg);
        RenderTitle(bp, r);
        backgroundKey_ = key;
    }
    p.drawImage(rect.topLeft(), background_);
}

void ChartBase::RenderTitle(QPainter& p, const QRect& rect) const {
    p.setFont(look_.titleFont);
    const QFontMetrics fm(look_.titleFont);
    int y = rect.top() + 6;
    for (const QString& line : title_) {
        const QRect r(rect.left() + 8, y, rect.width() - 16, fm.height());
        const QString text = fm.elidedText(DisplayPath(line), Qt::ElideMiddle, r.width());
        p.setPen(QColor(0, 0, 0, 110));
        p.drawText(r.translated(1, 1), Qt::AlignHCenter | Qt::AlignVCenter, text);
        p.setPen(look_.titleColor);
        p.drawText(r, Qt::AlignHCenter | Qt::AlignVCenter, text);
        y += fm.height();
    }
}

void ChartBase::RenderLegend(QPainter& p, const QRectF& area) const {
    if (area.isEmpty()) return;
    p.save();
    p.setPen(QPen(QColor(0, 0, 0, 90), 1));
    p.setBrush(QColor(0, 0, 0, 50));
    p.drawRoundedRect(area.translated(3, 3), 5, 5);
    p.setBrush(look_.legendColor);
    p.drawRoundedRect(area, 5, 5);
    p.setFont(look_.legendFont);
    const QFontMetrics fm(look_.legendFont);
    const int rowH = fm.height() + 2;
    const auto& pts = Series().points;
    const int fit = std::max(1, int((area.height() - 12) / rowH));
    const int shown = int(pts.size()) <= fit ? int(pts.size()) : fit - 1;
    const double sw = fm.height() - 4;
    double y = area.top() + 6;
    for (int i = 0; i < shown; ++i, y += rowH) {
        const ChartPoint& pt = pts[std::size_t(i)];
        const QRectF swatch(area.left() + 8, y + (rowH - sw) / 2, sw, sw);
        p.setPen(QPen(pt.color.darker(160), 1));
        p.setBrush(pt.color);
        p.drawRect(swatch);
        p.setPen(look_.legendFontColor);
        const QString value = ChartValueText(pt.value);
        const double valueW = fm.horizontalAdvance(value);
        const QRectF textR(swatch.right() + 6, y, area.right() - 8 - swatch.right() - 6, rowH);
        p.drawText(textR, Qt::AlignRight | Qt::AlignVCenter, value);
        p.drawText(QRectF(textR.left(), y, textR.width() - valueW - 10, rowH),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(pt.label, Qt::ElideMiddle, int(textR.width() - valueW - 10)));
    }
    if (shown < int(pts.size())) {
        p.setPen(look_.legendFontColor);
        p.drawText(QRectF(area.left() + 8, y, area.width() - 16, rowH),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   tr("... and %1 more").arg(int(pts.size()) - shown));
    }
    p.restore();
}

QImage ChartBase::Picture(QSize size) const {
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    Render(p, QRect(QPoint(0, 0), size));
    return img;
}

QSize ChartBase::ScreenSize() const {
    if (isVisible() && width() > 1 && height() > 1) return size();
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* stack = qobject_cast<QStackedWidget*>(w))
            if (stack->currentWidget() && stack->width() > 1) return stack->currentWidget()->size();
    return size().expandedTo(QSize(640, 400));
}

void ChartBase::paintEvent(QPaintEvent*) {
    QPainter p(this);
    Render(p, rect());
}

void ChartBase::mousePressEvent(QMouseEvent* e) {
    pressPos_ = e->position();
    pressButton_ = e->button();
    dragged_ = false;
}

void ChartBase::mouseMoveEvent(QMouseEvent* e) {
    if (pressButton_ != Qt::NoButton && (e->position() - pressPos_).manhattanLength() > 4)
        dragged_ = true;
    setCursor(PointAt(e->position()) >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void ChartBase::mouseReleaseEvent(QMouseEvent* e) {
    const Qt::MouseButton button = pressButton_;
    pressButton_ = Qt::NoButton;
    if (dragged_ || button != e->button()) return;
    const int index = PointAt(e->position());
    if (index >= 0) emit ClickSeries(index, button);
}

bool ChartBase::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(e);
        const int index = PointAt(he->pos());
        if (index >= 0 && !toolTip().isEmpty()) {
            QToolTip::showText(he->globalPos(), Series().MarkText(index), this);
            return true;
        }
    }
    return QWidget::event(e);
}
