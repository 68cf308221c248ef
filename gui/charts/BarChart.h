#pragma once
// The bar chart (Bars, series BarSerie): horizontal bars in insertion order,
// top to bottom, with zoom (drag with the left button) and panning (drag with
// the right button) when enabled.
#include "gui/charts/ChartBase.h"
#include <QVariantAnimation>

class BarChart : public ChartBase {
    Q_OBJECT
public:
    explicit BarChart(QWidget* parent = nullptr);

    ChartSeries BarSerie;
    ChartSeries& Series() override { return BarSerie; }

    void SetZoomEnabled(bool on);
    bool ZoomEnabled() const { return zoomEnabled_; }
    bool IsZoomed() const { return zoomed_; }
    void UndoZoom();

    int PointAt(const QPointF& pos) const override;
    QPointF PointCentre(int index) const override;

    static inline const QString AxisTitle = QStringLiteral("Size in M B");

protected:
    void RenderPlot(QPainter& p, const QRectF& plot) const override;
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    // The part of the data shown: values v0..v1 across, rows r0..r1 down.
    struct View {
        double v0 = 0, v1 = 1, r0 = 0, r1 = 1;
    };
    struct Layout {
        QRectF area; // where bars are drawn
        View view;
        double depth = 0;
        double rowH = 0;
        double XOf(double v) const {
            return area.left() + (v - view.v0) / (view.v1 - view.v0) * area.width();
        }
        double YOf(double row) const { return area.top() + (row - view.r0) * rowH; }
        double ValueOf(double x) const {
            return view.v0 + (x - area.left()) / area.width() * (view.v1 - view.v0);
        }
        double RowOf(double y) const { return view.r0 + (y - area.top()) / rowH; }
    };
    Layout MakeLayout(const QRectF& plot) const;
    View FullView(const QRectF& plot) const;
    QRectF BarRect(const Layout& l, int i) const;
    void AnimateTo(const View& target);

    bool zoomEnabled_ = false;
    bool zoomed_ = false;
    View zoom_;
    QPointF dragNow_;
    QPointF panLast_;
    QVariantAnimation anim_;
};
