#pragma once
// The bar and pie chart pages: fills both charts from the rows of a run,
// applies the chart switches, turns the pie, answers clicks on bars and
// slices, and saves a chart as a picture.
#include "gui/charts/BarChart.h"
#include "gui/charts/PieChart.h"
#include <QObject>
#include <functional>

class QAction;
class QTimer;

// The window's commands the charts follow; every pointer is required.
struct ChartCommands {
    QAction* toggle3D = nullptr;
    QAction* markVisible = nullptr;
    QAction* showLegend = nullptr;
    QAction* showHints = nullptr;
    QAction* explodeBiggest = nullptr;
    QAction* elliptic = nullptr; // checked: the pie may be elliptic
    QAction* savePicture = nullptr;
    QAction* rotate = nullptr;
    QTimer* rotateTimer = nullptr;
};

// What the charts ask of the window.
struct ChartHost {
    std::function<QString()> currentFolder;
    // SelectFolder then AnalyseFolder, without a history entry.
    std::function<void(const QString&)> selectAndAnalyse;
    // Index of the page shown: 1 the bar chart, 2 the pie chart.
    std::function<int()> activePage;
    // Shows an error or a note to the user.
    std::function<void(const QString&)> showMessage;
    // The page shown saves its own picture (the treemap): Save Picture is not the charts'.
    std::function<bool()> ownPictureShown;
};

enum PictureKind { pkWmf = 1, pkEmf = 2, pkBmp = 3, pkJpeg = 4 };

class ChartPages : public QObject {
    Q_OBJECT
public:
    static constexpr int BarPage = 1;
    static constexpr int PiePage = 2;

    ChartPages(QWidget* barPage, QWidget* piePage, const ChartCommands& commands, ChartHost host,
               QObject* parent = nullptr);
    ~ChartPages() override;

    // Rebuilds both charts; a MB text that does not parse throws EConvertError.
    void FillCharts(const QStringList& paths, const QStringList& mbTexts);
    void ApplyChartOptions();
    // The pie form flag: true keeps the pie circular.
    bool PieFormFlag() const;

    // Settings: colours and fonts, zoom of the bar chart, CircelPie.
    void ApplyLook(const ChartLook& look, bool enableZoom, bool circelPie);

    void Toggle3D();
    void ToggleMarks();
    void ToggleLegend();
    void ToggleExplodeBiggest();
    void ToggleElliptic();
    void ToggleRotation();
    void RotateStep();

    void BarClicked(int index, Qt::MouseButton button);
    void PieClicked(int index, Qt::MouseButton button);
    void DrillOrOpen(const QString& target, Qt::MouseButton button);

    // The chart of a number: 1 bars, 2 pie, 0 the one on the page shown.
    ChartBase* ChartOf(int chart) const;
    // Copies the chart to the clipboard as a bitmap and writes the clipboard's
    // bitmap as JPEG. Throws EMorvaneError when there is no bitmap to write.
    void SaveJpeg(const QString& fileName, int chart);
    // Saves the chart of the page shown; nothing on a page without a chart.
    void SavePictureAs(const QString& fileName, PictureKind kind);
    void SavePicture();
    // MakePicture of the HTML report: SaveJpeg for chart 1 or 2; false on failure.
    bool MakePicture(int chart, const QString& jpgPath);

    // Opens a folder in the desktop's file manager; replaceable for tests.
    using OpenerFunction = std::function<void(const QString&)>;
    static void SetFileManagerOpener(OpenerFunction opener);
    // The picture save dialog; returns false when cancelled. Replaceable for tests;
    // an empty function brings back the real dialog.
    using PictureDialogFunction = std::function<bool(QString& fileName, PictureKind& kind)>;
    static void SetPictureDialog(PictureDialogFunction dialog);

    static inline const QString BarsHint = QStringLiteral(
        "Left click on Bar to visualize the next folder\n\rRight click on Bar to open explorer of "
        "selected folder\n\rIf Zoom is enabled click and hold LM and drag to zoom.\n\rClick and "
        "hold RM to pan the chart");
    static inline const QString PiesHint = QStringLiteral(
        "Left click on Pie to visualize the next folder\n\rRight click on Pie to open explorer of "
        "selected folder\n\rIf Zoom is enabled click and hold LM and drag to zoom.\n\rClick and "
        "hold RM to pan the chart");

private:
    void ClickSeries(ChartBase* chart, int index, Qt::MouseButton button);

    // On the pages given at construction; tests find them by object name.
    BarChart* bars_ = nullptr;
    PieChart* pies_ = nullptr;

    ChartCommands cmd_;
    ChartHost host_;
};
