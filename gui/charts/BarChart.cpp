#include "gui/charts/BarChart.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

QFont MarkFont(const QWidget* w) {
    QFont f = w->font();
    f.setPointSizeF(std::max(7.5, f.pointSizeF() - 0.5));
    return f;
}

// A step of 1, 2 or 5 times a power of ten giving about n ticks.
double NiceStep(double range, int n) {
    if (range <= 0) return 1;
    const double raw = range / std::max(1, n);
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / mag;
    return (f < 1.5 ? 1 : f < 3 ? 2 : f < 7 ? 5 : 10) * mag;
}

} // namespace

BarChart::BarChart(QWidget* parent) : ChartBase(parent) {
    setObjectName(QStringLiteral("Bars"));
    BarSerie.arrowLength = 20;
    anim_.setDuration(250);
    anim_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&anim_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        const QRectF r = v.toRectF();
        zoom_ = {r.left(), r.right(), r.top(), r.bottom()};
        update();
    });
}

void BarChart::SetZoomEnabled(bool on) {
    zoomEnabled_ = on;
    if (!on) UndoZoom();
}

void BarChart::UndoZoom() {
    anim_.stop();
    zoomed_ = false;
    update();
}

BarChart::View BarChart::FullView(const QRectF& plot) const {
    View v;
    v.r1 = std::max(1, BarSerie.Count());
    double maxV = 0;
    for (const ChartPoint& p : BarSerie.points)
        maxV = std::max(maxV, p.value);
    if (maxV <= 0) maxV = 1;
    // Scale so that every bar and its mark fit, but let the longest bar take
    // at least half the width.
    const double width = std::max(40.0, plot.width() - 12);
    double scale = width / maxV;
    if (BarSerie.marksVisible) {
        const QFontMetrics fm(MarkFont(this));
        for (int i = 0; i < BarSerie.Count(); ++i) {
            const double v = BarSerie.points[std::size_t(i)].value;
            if (v <= 0) continue;
            const double room = MarkWidth(i, fm) + 16.0 + BarSerie.arrowLength + 14;
            scale = std::min(scale, std::max(width * 0.5, width - room) / v);
        }
    }
    v.v1 = width / scale;
    return v;
}

BarChart::Layout BarChart::MakeLayout(const QRectF& plot) const {
    Layout l;
    const QFontMetrics fm(font());
    QRectF a = plot;
    a.adjust(8, 0, -6, -(2 * fm.height() + 10)); // value axis labels and title below
    l.depth = 0;
    l.view = zoomed_ ? zoom_ : FullView(a);
    const double rows = std::max(1e-6, l.view.r1 - l.view.r0);
    if (View3D()) {
        l.depth = std::clamp(a.height() / rows * 0.35, 3.0, 14.0);
        a.adjust(0, l.depth, -l.depth, 0);
    }
    l.area = a;
    l.rowH = a.height() / rows;
    return l;
}

QRectF BarChart::BarRect(const Layout& l, int i) const {
    const double v = std::max(0.0, BarSerie.points[std::size_t(i)].value);
    const double y = l.YOf(i) + l.rowH * 0.15;
    const double x0 = l.XOf(std::max(0.0, l.view.v0));
    return QRectF(x0, y, std::max(0.0, l.XOf(v) - x0), std::max(1.0, l.rowH * 0.7));
}

void BarChart::RenderPlot(QPainter& p, const QRectF& plot) const {
    const Layout l = MakeLayout(plot);
    const QRectF& a = l.area;
    const QColor ink = TextColorOnBackground();
    const QFontMetrics fm(font());
    const double d = l.depth;

    // Back wall and floor of the 3D box, then the grid.
    if (d > 0) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 22));
        p.drawRect(a.translated(d, -d));
        QPolygonF left;
        left << a.topLeft() << a.topLeft() + QPointF(d, -d) << a.bottomLeft() + QPointF(d, -d)
             << a.bottomLeft();
        p.setBrush(QColor(255, 255, 255, 35));
        p.drawPolygon(left);
    }
    const double step = NiceStep(l.view.v1 - l.view.v0, std::max(2, int(a.width() / 90)));
    p.setFont(font());
    for (double v = std::ceil(l.view.v0 / step) * step; v <= l.view.v1 + step * 1e-9; v += step) {
        const double x = l.XOf(v);
        p.setPen(QPen(QColor(255, 255, 255, 45), 1, Qt::DashLine));
        p.drawLine(QPointF(x + d, a.top() - d), QPointF(x + d, a.bottom() - d));
        if (d > 0) p.drawLine(QPointF(x, a.bottom()), QPointF(x + d, a.bottom() - d));
        p.setPen(ink);
        const QString t = ChartValueText(v).chopped(3);
        p.drawText(QRectF(x - 60, a.bottom() + 4, 120, fm.height()), Qt::AlignCenter, t);
    }
    p.setPen(QPen(ink, 1));
    p.drawLine(a.bottomLeft(), a.bottomRight());
    p.drawLine(a.bottomLeft(), a.topLeft());
    QFont tf = font();
    tf.setBold(true);
    p.setFont(tf);
    p.drawText(QRectF(a.left(), a.bottom() + fm.height() + 6, a.width(), fm.height() + 4),
               Qt::AlignCenter, AxisTitle);

    if (BarSerie.Count() == 0) return;
    p.save();
    p.setClipRect(QRectF(a.left(), a.top() - d - 1, a.width() + d + 1, a.height() + d + 1));
    const int first = std::max(0, int(std::floor(l.view.r0)));
    const int last = std::min(BarSerie.Count() - 1, int(std::ceil(l.view.r1)));
    // Bottom rows first so the tops of lower bars do not cover upper ones.
    for (int i = last; i >= first; --i) {
        const QRectF r = BarRect(l, i);
        if (r.width() <= 0) continue;
        const QColor c = BarSerie.points[std::size_t(i)].color;
        const double dd = std::min(d, r.height() * 0.9);
        if (dd > 0) {
            QPolygonF top;
            top << r.topLeft() << r.topLeft() + QPointF(dd, -dd) << r.topRight() + QPointF(dd, -dd)
                << r.topRight();
            QPolygonF side;
            side << r.topRight() << r.topRight() + QPointF(dd, -dd)
                 << r.bottomRight() + QPointF(dd, -dd) << r.bottomRight();
            p.setPen(QPen(c.darker(190), 0.6));
            p.setBrush(c.lighter(140));
            p.drawPolygon(top);
            p.setBrush(c.darker(150));
            p.drawPolygon(side);
        }
        // The bar's face: a gradient across its thickness.
        QLinearGradient g(r.topLeft(), r.bottomLeft());
        g.setColorAt(0, c.lighter(150));
        g.setColorAt(0.45, c);
        g.setColorAt(1, c.darker(140));
        p.setPen(r.height() > 3 ? QPen(c.darker(180), 0.6) : Qt::NoPen);
        p.setBrush(g);
        p.drawRect(r);
    }
    p.restore();

    if (!BarSerie.marksVisible) return;
    // Marks: as many of the biggest bars as the height holds, each box moved
    // up or down just enough not to meet its neighbours, with a leader line.
    const QFontMetrics mfm(MarkFont(this));
    const double boxH = mfm.height() + 2;
    std::vector<int> rows;
    for (int i = first; i <= last; ++i) {
        const double cy = BarRect(l, i).center().y();
        if (cy >= a.top() && cy <= a.bottom()) rows.push_back(i);
    }
    const std::size_t fit = std::size_t(std::max(1.0, (a.height() + d) / (boxH + 1)));
    if (rows.size() > fit) {
        std::stable_sort(rows.begin(), rows.end(), [this](int x, int y) {
            return BarSerie.points[std::size_t(x)].value > BarSerie.points[std::size_t(y)].value;
        });
        rows.resize(fit);
        std::sort(rows.begin(), rows.end());
    }
    std::vector<double> ys;
    for (int i : rows)
        ys.push_back(BarRect(l, i).center().y());
    ys = SpreadPositions(ys, boxH + 1, a.top() - d + boxH / 2, a.bottom() - boxH / 2);
    p.setFont(MarkFont(this));
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int i = rows[k];
        const QRectF r = BarRect(l, i);
        const double w = MarkWidth(i, mfm) + 16;
        const double arrow = BarSerie.arrowLength;
        const double sx = r.right() + std::min(d, r.height() * 0.9) / 2;
        const double sy = r.center().y() - std::min(d, r.height() * 0.9) / 2;
        QRectF box(sx + arrow, ys[k] - boxH / 2, w, boxH);
        if (box.right() > a.right() + d) box.moveRight(a.right() + d);
        if (box.left() > sx) {
            p.setPen(QPen(QColor(255, 255, 255, 210), 1.2));
            p.drawPolyline(QPolygonF() << QPointF(sx, sy) << QPointF(sx + arrow / 2, sy)
                                       << QPointF(box.left(), ys[k]));
        }
        p.setPen(QPen(QColor(0, 0, 0, 120), 1));
        p.setBrush(QColor(255, 255, 225, 235));
        p.drawRoundedRect(box, 3, 3);
        p.setPen(QColor(20, 20, 20));
        p.drawText(box.adjusted(5, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   FitMark(i, mfm, int(box.width() - 8)));
    }
}

int BarChart::PointAt(const QPointF& pos) const {
    const Layout l = MakeLayout(PlotRect(rect()));
    if (!l.area.adjusted(0, -l.depth, l.depth, 0).contains(pos)) return -1;
    const int i = int(std::floor(l.RowOf(pos.y())));
    if (i < 0 || i >= BarSerie.Count()) return -1;
    // The whole row counts, so thin bars stay easy to hit.
    const QRectF r = BarRect(l, i);
    return pos.x() <= std::max(r.right() + l.depth, l.area.left() + 12) ? i : -1;
}

QPointF BarChart::PointCentre(int index) const {
    const Layout l = MakeLayout(PlotRect(rect()));
    const QRectF r = BarRect(l, index);
    return {r.left() + std::max(2.0, r.width() / 2), r.center().y()};
}

void BarChart::AnimateTo(const View& target) {
    const View from = zoomed_ ? zoom_ : FullView(MakeLayout(PlotRect(rect())).area);
    zoomed_ = true;
    anim_.stop();
    anim_.setStartValue(QRectF(QPointF(from.v0, from.r0), QPointF(from.v1, from.r1)));
    anim_.setEndValue(QRectF(QPointF(target.v0, target.r0), QPointF(target.v1, target.r1)));
    zoom_ = target;
    anim_.start();
}

void BarChart::paintEvent(QPaintEvent* e) {
    ChartBase::paintEvent(e);
    if (zoomEnabled_ && dragged_ && pressButton_ == Qt::LeftButton) {
        // The rubber band of a zoom in progress.
        QPainter p(this);
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.setBrush(QColor(255, 255, 255, 40));
        p.drawRect(QRectF(pressPos_, dragNow_).normalized());
    }
}

void BarChart::mousePressEvent(QMouseEvent* e) {
    ChartBase::mousePressEvent(e);
    dragNow_ = panLast_ = e->position();
}

void BarChart::mouseMoveEvent(QMouseEvent* e) {
    ChartBase::mouseMoveEvent(e);
    if (!zoomEnabled_ || !dragged_) return;
    if (pressButton_ == Qt::LeftButton) {
        dragNow_ = e->position();
        update();
    } else if (pressButton_ == Qt::RightButton) {
        const Layout l = MakeLayout(PlotRect(rect()));
        const QPointF delta = e->position() - panLast_;
        panLast_ = e->position();
        View v = l.view;
        const double dv = delta.x() / l.area.width() * (v.v1 - v.v0);
        const double dr = delta.y() / l.rowH;
        v.v0 -= dv;
        v.v1 -= dv;
        v.r0 -= dr;
        v.r1 -= dr;
        anim_.stop();
        zoom_ = v;
        zoomed_ = true;
        update();
    }
}

void BarChart::mouseReleaseEvent(QMouseEvent* e) {
    const bool wasDrag = dragged_ && pressButton_ == Qt::LeftButton && zoomEnabled_;
    const QPointF from = pressPos_;
    ChartBase::mouseReleaseEvent(e);
    if (!wasDrag) return;
    const QPointF to = e->position();
    if (to.x() > from.x() && to.y() > from.y()) {
        // Dragged right and down: zoom into the rectangle.
        const Layout l = MakeLayout(PlotRect(rect()));
        View v;
        v.v0 = l.ValueOf(from.x());
        v.v1 = l.ValueOf(to.x());
        v.r0 = l.RowOf(from.y());
        v.r1 = l.RowOf(to.y());
        if (v.v1 - v.v0 > 1e-9 && v.r1 - v.r0 > 0.05) AnimateTo(v);
    } else {
        UndoZoom(); // dragged the other way: back to the whole chart
    }
    dragged_ = false;
    update();
}
