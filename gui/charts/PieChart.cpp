#include "gui/charts/PieChart.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kTilt = 0.55;  // vertical squeeze of the 3D view
constexpr double kDepth = 0.16; // height of the pie's wall, share of the radius
constexpr double kMinMarkShare = 0.004;

double Rad(double deg) {
    return deg * std::numbers::pi / 180.0;
}

QPointF OnEllipse(const QRectF& e, double deg) {
    return {e.center().x() + e.width() / 2 * std::cos(Rad(deg)),
            e.center().y() - e.height() / 2 * std::sin(Rad(deg))};
}

QFont MarkFont(const QWidget* w) {
    QFont f = w->font();
    f.setPointSizeF(std::max(7.5, f.pointSizeF() - 0.5));
    return f;
}

} // namespace

PieChart::PieChart(QWidget* parent) : ChartBase(parent) {
    setObjectName(QStringLiteral("Pies"));
    DiscoSerie.arrowLength = 8;
}

void PieChart::SetRotation(int degrees) {
    rotation_ = ((degrees % 360) + 360) % 360;
    update();
}

void PieChart::SetExplodeBiggest(int percent) {
    explodeBiggest_ = std::max(0, percent);
    update();
}

void PieChart::SetCircular(bool on) {
    circular_ = on;
    update();
}

PieChart::Layout PieChart::MakeLayout(const QRectF& plot) const {
    Layout l;
    const auto& pts = DiscoSerie.points;
    const double total = DiscoSerie.Total();
    const QFontMetrics fm(MarkFont(this));

    // Room for the marks left and right of the pie.
    QRectF area = plot;
    if (DiscoSerie.marksVisible && !pts.empty()) {
        int widest = 0;
        for (int i = 0; i < DiscoSerie.Count(); ++i)
            widest = std::max(widest, MarkWidth(i, fm));
        const double room = std::min(widest + DiscoSerie.arrowLength + 24.0, plot.width() * 0.28);
        area.adjust(room, fm.height() * 0.8, -room, -fm.height() * 0.8);
    }
    const double grow = 1.0 + explodeBiggest_ / 100.0;
    const double w = area.width() / grow, h = area.height() / grow;
    double rx = w / 2, ry = h / 2;
    if (View3D()) {
        // The wall below the top face takes part of the height.
        if (circular_) {
            rx = std::min(w / 2, h / (2 * kTilt + kDepth));
            ry = rx * kTilt;
            l.depth = kDepth * rx;
        } else {
            // Stretched to the page, but still seen from above at a slant.
            l.depth = std::min(kDepth * rx, h * 0.12);
            ry = std::min((h - l.depth) / 2, rx * 0.7);
        }
    } else if (circular_) {
        rx = ry = std::min(rx, ry);
    }
    rx = std::max(rx, 4.0);
    ry = std::max(ry, 3.0);
    const QPointF c(area.center().x(), area.center().y() - l.depth / 2);
    l.ellipse = QRectF(c.x() - rx, c.y() - ry, 2 * rx, 2 * ry);
    if (pts.empty() || total <= 0) return l;

    int biggest = -1;
    if (explodeBiggest_ > 0)
        biggest = int(std::max_element(pts.begin(), pts.end(),
                                       [](auto& a, auto& b) { return a.value < b.value; }) -
                      pts.begin());

    double angle = StartAngle + rotation_;
    for (int i = 0; i < int(pts.size()); ++i) {
        Slice s;
        s.index = i;
        s.start = angle;
        s.span = 360.0 * std::max(0.0, pts[std::size_t(i)].value) / total;
        angle += s.span;
        const double mid = s.start + s.span / 2;
        if (i == biggest)
            s.offset = QPointF(rx * explodeBiggest_ / 100.0 * std::cos(Rad(mid)),
                               -ry * explodeBiggest_ / 100.0 * std::sin(Rad(mid)));
        const QRectF e = l.ellipse.translated(s.offset);
        s.top.moveTo(e.center());
        s.top.arcTo(e, s.start, s.span);
        s.top.closeSubpath();
        if (l.depth > 0) {
            // Wall parts on the front half (180..360 degrees, repeated per turn).
            const QRectF eb = e.translated(0, l.depth);
            const double a0 = s.start, a1 = s.start + s.span;
            for (double base = std::floor(a0 / 360.0) * 360.0 - 360; base < a1; base += 360) {
                const double f0 = std::max(a0, base + 180), f1 = std::min(a1, base + 360);
                if (f1 - f0 <= 0.01) continue;
                QPainterPath w;
                w.moveTo(OnEllipse(e, f0));
                w.arcTo(e, f0, f1 - f0);
                w.lineTo(OnEllipse(eb, f1));
                w.arcTo(eb, f1, -(f1 - f0));
                w.closeSubpath();
                s.walls.push_back(w);
            }
            if (i == biggest && s.span < 359.9) {
                for (double a : {a0, a1}) {
                    QPolygonF q;
                    q << e.center() << OnEllipse(e, a) << OnEllipse(eb, a) << eb.center();
                    s.cuts.addPolygon(q);
                    s.cuts.closeSubpath();
                }
            }
        }
        l.slices.push_back(std::move(s));
    }
    if (DiscoSerie.marksVisible) PlaceMarks(l, plot);
    // Back to front: slices whose middle lies higher on screen first.
    std::stable_sort(l.slices.begin(), l.slices.end(), [](const Slice& a, const Slice& b) {
        return std::sin(Rad(a.start + a.span / 2)) > std::sin(Rad(b.start + b.span / 2));
    });
    return l;
}

void PieChart::PlaceMarks(Layout& l, const QRectF& plot) const {
    const QFontMetrics fm(MarkFont(this));
    const double lineH = fm.height() + 4;
    const double total = DiscoSerie.Total();
    const double arrow = DiscoSerie.arrowLength;
    const double maxW = plot.width() * 0.28;
    // Per side: candidates above a small share, the biggest ones first while
    // they fit the height, then spread so that no two boxes meet.
    for (int side = 0; side < 2; ++side) {
        std::vector<Slice*> cands;
        for (Slice& s : l.slices) {
            const double mid = s.start + s.span / 2;
            const bool right = std::cos(Rad(mid)) >= 0;
            if (right != (side == 0)) continue;
            if (DiscoSerie.points[std::size_t(s.index)].value / total < kMinMarkShare &&
                l.slices.size() > 12)
                continue;
            cands.push_back(&s);
        }
        const std::size_t fit = std::size_t(std::max(1.0, plot.height() / lineH));
        if (cands.size() > fit) {
            std::stable_sort(cands.begin(), cands.end(),
                             [](Slice* a, Slice* b) { return a->span > b->span; });
            cands.resize(fit);
        }
        auto anchorOf = [&](const Slice* s) {
            const double mid = s->start + s->span / 2;
            QPointF a = OnEllipse(l.ellipse.translated(s->offset), mid);
            if (std::sin(Rad(mid)) < 0) a.ry() += l.depth / 2;
            return a;
        };
        std::stable_sort(cands.begin(), cands.end(),
                         [&](Slice* a, Slice* b) { return anchorOf(a).y() < anchorOf(b).y(); });
        std::vector<double> ys;
        for (Slice* s : cands) {
            const double mid = s->start + s->span / 2;
            ys.push_back(anchorOf(s).y() - std::sin(Rad(mid)) * arrow);
        }
        ys = SpreadPositions(ys, lineH, plot.top() + lineH / 2, plot.bottom() - lineH / 2);
        const double grow = 1.0 + explodeBiggest_ / 100.0;
        for (std::size_t k = 0; k < cands.size(); ++k) {
            Slice* s = cands[k];
            const double w = std::min<double>(MarkWidth(s->index, fm) + 16, maxW);
            const QPointF a = anchorOf(s);
            const double mid = s->start + s->span / 2;
            const QPointF elbow(a.x() + std::cos(Rad(mid)) * arrow,
                                a.y() - std::sin(Rad(mid)) * arrow);
            const double edge = side == 0 ? l.ellipse.center().x() + l.ellipse.width() / 2 * grow
                                          : l.ellipse.center().x() - l.ellipse.width() / 2 * grow;
            double x = side == 0 ? std::max(edge, elbow.x()) + arrow + 4
                                 : std::min(edge, elbow.x()) - arrow - 4 - w;
            x = std::clamp(x, plot.left(), std::max(plot.left(), plot.right() - w));
            s->mark = QRectF(x, ys[k] - (lineH - 2) / 2, w, lineH - 2);
            const QPointF end(side == 0 ? s->mark.left() : s->mark.right(), ys[k]);
            s->arrow = QPolygonF()
                       << a << elbow << QPointF(end.x() + (side == 0 ? -3 : 3), end.y()) << end;
        }
    }
}

void PieChart::RenderPlot(QPainter& p, const QRectF& plot) const {
    const Layout l = MakeLayout(plot);
    if (l.slices.empty()) return;
    const auto& pts = DiscoSerie.points;
    const QRectF& e = l.ellipse;

    if (l.depth > 0) {
        // Soft shadow on the ground.
        QRadialGradient sh(e.center() + QPointF(0, l.depth + e.height() * 0.08), e.width() * 0.55);
        sh.setColorAt(0, QColor(0, 0, 0, 90));
        sh.setColorAt(1, QColor(0, 0, 0, 0));
        p.save();
        p.translate(0, 0);
        p.setPen(Qt::NoPen);
        p.setBrush(sh);
        p.drawEllipse(
            e.adjusted(-e.width() * 0.08, l.depth, e.width() * 0.08, l.depth + e.height() * 0.25));
        p.restore();
    }

    // Slices in plain colours, back to front; the shading goes on top in a
    // few wide strokes, so a turning pie of many slices stays cheap to draw.
    const Slice* moved = nullptr;
    for (const Slice& s : l.slices) {
        const QColor c = pts[std::size_t(s.index)].color;
        if (!s.offset.isNull()) moved = &s;
        p.setPen(QPen(c.darker(170), 0.8));
        if (!s.cuts.isEmpty()) {
            p.setBrush(c.darker(160));
            p.drawPath(s.cuts);
        }
        p.setBrush(c.darker(125));
        for (const QPainterPath& w : s.walls)
            p.drawPath(w);
        p.setBrush(c);
        p.setPen(QPen(c.darker(150), 0.8));
        p.drawPath(s.top);
        if (&s == moved) ShadeSlice(p, l, s);
    }
    QPainterPath tops;
    tops.addEllipse(e);
    QPainterPath band;
    if (l.depth > 0) {
        const QRectF eb = e.translated(0, l.depth);
        band.moveTo(OnEllipse(e, 180));
        band.arcTo(e, 180, 180);
        band.lineTo(OnEllipse(eb, 360));
        band.arcTo(eb, 360, -180);
        band.closeSubpath();
    }
    if (moved) {
        // Where the moved-out slice was, the background shows: no shading there.
        const double a0 = moved->start, span = moved->span;
        QPainterPath hole;
        hole.moveTo(e.center());
        hole.arcTo(e, a0, span);
        hole.closeSubpath();
        if (l.depth > 0) {
            QPainterPath below = hole.translated(0, l.depth);
            hole = hole.united(below);
            QPolygonF side;
            side << e.center() << OnEllipse(e, a0) << OnEllipse(e, a0 + span);
            hole.addPolygon(side);
        }
        tops = tops.subtracted(hole);
        if (l.depth > 0) band = band.subtracted(hole);
    }
    ShadeTops(p, tops, e);
    if (l.depth > 0) ShadeWalls(p, band, e);
    if (moved) ShadeSlice(p, l, *moved);

    // Marks on top of everything.
    p.setFont(MarkFont(this));
    const QFontMetrics fm(p.font());
    for (const Slice& s : l.slices) {
        if (s.mark.isEmpty()) continue;
        p.setPen(QPen(QColor(255, 255, 255, 210), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(s.arrow);
        p.setPen(QPen(QColor(0, 0, 0, 120), 1));
        p.setBrush(QColor(255, 255, 225, 235));
        p.drawRoundedRect(s.mark, 3, 3);
        p.setPen(QColor(20, 20, 20));
        p.drawText(s.mark.adjusted(5, 0, -3, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   FitMark(s.index, fm, int(s.mark.width() - 8)));
    }
}

void PieChart::ShadeTops(QPainter& p, const QPainterPath& area, const QRectF& e) {
    QRadialGradient g(e.center() - QPointF(e.width() * 0.18, e.height() * 0.3),
                      std::max(e.width(), e.height()) * 0.75);
    g.setColorAt(0, QColor(255, 255, 255, 95));
    g.setColorAt(0.55, QColor(255, 255, 255, 0));
    g.setColorAt(1, QColor(0, 0, 0, 45));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(area);
}

void PieChart::ShadeWalls(QPainter& p, const QPainterPath& area, const QRectF& e) {
    QLinearGradient g(e.left(), 0, e.right(), 0);
    g.setColorAt(0, QColor(0, 0, 0, 120));
    g.setColorAt(0.45, QColor(0, 0, 0, 10));
    g.setColorAt(0.6, QColor(0, 0, 0, 25));
    g.setColorAt(1, QColor(0, 0, 0, 130));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(area);
}

void PieChart::ShadeSlice(QPainter& p, const Layout& l, const Slice& s) {
    const QRectF se = l.ellipse.translated(s.offset);
    for (const QPainterPath& w : s.walls)
        ShadeWalls(p, w, se);
    ShadeTops(p, s.top, se);
}

int PieChart::PointAt(const QPointF& pos) const {
    const Layout l = MakeLayout(PlotRect(rect()));
    // Front first: the reverse of the drawing order.
    for (auto it = l.slices.rbegin(); it != l.slices.rend(); ++it)
        if (it->mark.contains(pos)) return it->index;
    for (auto it = l.slices.rbegin(); it != l.slices.rend(); ++it) {
        if (it->top.contains(pos)) return it->index;
        for (const QPainterPath& w : it->walls)
            if (w.contains(pos)) return it->index;
    }
    return -1;
}

QPointF PieChart::PointCentre(int index) const {
    const Layout l = MakeLayout(PlotRect(rect()));
    for (const Slice& s : l.slices)
        if (s.index == index) {
            const double mid = s.start + s.span / 2;
            const QRectF e = l.ellipse.translated(s.offset);
            return {e.center().x() + e.width() / 3 * std::cos(Rad(mid)),
                    e.center().y() - e.height() / 3 * std::sin(Rad(mid))};
        }
    return {};
}
