#pragma once
// Common ground of the bar and the pie chart: the series of points, the
// two-line title, the legend, the gradient background, the 3D switch, and a
// click on a point reported with the mouse button used.
#include "gui/charts/ChartModel.h"
#include <QFont>
#include <QImage>
#include <QWidget>
#include <vector>

// A chart's series: its points and how their marks (labels) are drawn.
class ChartSeries {
public:
    std::vector<ChartPoint> points;
    bool marksVisible = true;
    int arrowLength = 8;

    void Clear() { points.clear(); }
    void Add(const ChartPoint& p) { points.push_back(p); }
    int Count() const { return int(points.size()); }
    double Total() const;
    // "name 1,234.5 MB"
    QString MarkText(int index) const;
};

// Colours and fonts from the settings.
struct ChartLook {
    QColor gradientBottom{0, 128, 0}; // GradientColor1
    QColor gradientTop{0, 0, 128};    // GradientColor2
    QColor legendColor{Qt::white};
    QFont titleFont{QStringLiteral("Sans Serif"), 8, QFont::Bold};
    QColor titleColor{Qt::yellow};
    QFont legendFont{QStringLiteral("Arial"), 9};
    QColor legendFontColor{Qt::black};
};

class ChartBase : public QWidget {
    Q_OBJECT
public:
    explicit ChartBase(QWidget* parent = nullptr);

    virtual ChartSeries& Series() = 0;
    const ChartSeries& Series() const { return const_cast<ChartBase*>(this)->Series(); }

    void SetTitle(const QStringList& lines);
    const QStringList& Title() const { return title_; }
    // The title's second line: the folder the chart shows.
    QString TitleFolder() const { return title_.value(1); }

    void SetLook(const ChartLook& look);
    const ChartLook& Look() const { return look_; }
    void SetLegendVisible(bool on);
    bool LegendVisible() const { return legendVisible_; }
    void SetView3D(bool on);
    bool View3D() const { return view3D_; }
    void SetMarksVisible(bool on);
    // Call after the points changed.
    void PointsChanged();

    // The point under a position of the widget, or -1.
    virtual int PointAt(const QPointF& pos) const = 0;
    // Where a point is drawn (for tests and tool tips): a position inside it.
    virtual QPointF PointCentre(int index) const = 0;

    // The chart drawn at the given size, on a white ground.
    QImage Picture(QSize size) const;
    // The size the chart has on screen; a chart on a hidden page takes the
    // size of the page that is shown.
    QSize ScreenSize() const;

signals:
    void ClickSeries(int index, Qt::MouseButton button);

protected:
    // Draws everything into rect; the subclass draws its plot.
    void Render(QPainter& p, const QRect& rect) const;
    virtual void RenderPlot(QPainter& p, const QRectF& plot) const = 0;
    // Room the plot needs, so layouts agree between painting and hit tests.
    QRectF PlotRect(const QRect& rect) const;
    QColor TextColorOnBackground() const;
    // The mark of point i fitted to width: the whole text, else a shortened
    // name with the full value, else (the legend names the points) the value.
    QString FitMark(int index, const QFontMetrics& fm, int width) const;
    // Width of the whole mark text of point i in the marks' font (kept until
    // the points change: measuring text is the dear part of a frame).
    int MarkWidth(int index, const QFontMetrics& fm) const;

    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;

    QPointF pressPos_;
    Qt::MouseButton pressButton_ = Qt::NoButton;
    bool dragged_ = false;

private:
    void RenderTitle(QPainter& p, const QRect& rect) const;
    void RenderLegend(QPainter& p, const QRectF& area) const;
    QRectF LegendRect(const QRect& rect) const;
    int TitleHeight() const;

    void RenderBackground(QPainter& p, const QRect& rect) const;

    QStringList title_;
    ChartLook look_;
    mutable std::vector<int> markWidths_;
    mutable QImage background_;
    mutable QString backgroundKey_;
    bool legendVisible_ = false;
    bool view3D_ = true;
};
