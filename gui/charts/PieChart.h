#pragma once
// The pie chart (Pies, series DiscoSerie): slices in insertion order, turned
// to an angle, circular or elliptic, with a 3D look and the biggest slice
// moved out when asked.
#include "gui/charts/ChartBase.h"
#include <QPainterPath>

class PieChart : public ChartBase {
    Q_OBJECT
public:
    explicit PieChart(QWidget* parent = nullptr);

    ChartSeries DiscoSerie;
    ChartSeries& Series() override { return DiscoSerie; }

    void SetRotation(int degrees);
    int Rotation() const { return rotation_; }
    // Distance of the biggest slice from the centre, in per cent of the radius.
    void SetExplodeBiggest(int percent);
    int ExplodeBiggest() const { return explodeBiggest_; }
    void SetCircular(bool on);
    bool Circular() const { return circular_; }
    // Angle of the first slice's start, counter-clockwise from three o'clock.
    static constexpr int StartAngle = 5;

    int PointAt(const QPointF& pos) const override;
    QPointF PointCentre(int index) const override;

protected:
    void RenderPlot(QPainter& p, const QRectF& plot) const override;

private:
    struct Slice {
        int index = 0;
        double start = 0, span = 0; // degrees
        QPointF offset;             // explosion
        QPainterPath top;
        std::vector<QPainterPath> walls;
        QPainterPath cuts; // radial faces, drawn only for a moved-out slice
        QRectF mark;       // label box, empty when not labelled
        QPolygonF arrow;
    };
    struct Layout {
        QRectF ellipse; // top face
        double depth = 0;
        std::vector<Slice> slices; // in drawing order, back first
    };
    Layout MakeLayout(const QRectF& plot) const;
    void PlaceMarks(Layout& l, const QRectF& plot) const;
    static void ShadeTops(QPainter& p, const QPainterPath& area, const QRectF& e);
    static void ShadeWalls(QPainter& p, const QPainterPath& area, const QRectF& e);
    static void ShadeSlice(QPainter& p, const Layout& l, const Slice& s);

    int rotation_ = 0;
    int explodeBiggest_ = 0;
    bool circular_ = true;
};
