#include "gui/pages/ChartPages.h"
#include "core/export/ExportWriter.h"
#include "core/export/PictureFiles.h"
#include "platform/Errors.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The chart pages on two plain pages, with the window's commands and a host
// that records what the charts ask of it.
struct ChartsFixture : ::testing::Test {
    QWidget window;
    QWidget* barPage = new QWidget(&window);
    QWidget* piePage = new QWidget(&window);
    ChartCommands cmd;
    QString currentFolder = QStringLiteral("/data/photos/");
    QStringList analysed, opened, messages;
    int page = ChartPages::BarPage;
    std::unique_ptr<ChartPages> pages;
    BarChart* barChart = nullptr;
    PieChart* pieChart = nullptr;

    void SetUp() override {
        auto* l = new QHBoxLayout(&window);
        l->addWidget(barPage);
        l->addWidget(piePage);
        for (QAction** a : {&cmd.toggle3D, &cmd.markVisible, &cmd.showLegend, &cmd.showHints,
                            &cmd.explodeBiggest, &cmd.elliptic, &cmd.savePicture, &cmd.rotate})
            *a = new QAction(&window);
        cmd.rotateTimer = new QTimer(&window);
        ChartHost host;
        host.currentFolder = [this] { return currentFolder; };
        host.selectAndAnalyse = [this](const QString& f) { analysed << f; };
        host.activePage = [this] { return page; };
        host.showMessage = [this](const QString& m) { messages << m; };
        pages = std::make_unique<ChartPages>(barPage, piePage, cmd, host);
        barChart = barPage->findChild<BarChart*>("Bars");
        pieChart = piePage->findChild<PieChart*>("Pies");
        ASSERT_TRUE(barChart && pieChart);
        ChartPages::SetFileManagerOpener([this](const QString& f) { opened << f; });
        window.resize(1000, 500);
        window.show();
    }
    void TearDown() override { ChartPages::SetFileManagerOpener({}); }

    // n subfolders sub0.. of currentFolder, then the files row.
    void Fill(int n) {
        QStringList paths, mb;
        for (int i = 0; i < n; ++i) {
            paths << currentFolder + QStringLiteral("sub%1").arg(i);
            mb << QString::number(10 + i * 7) + QStringLiteral(".25");
        }
        paths << currentFolder + QStringLiteral("<All files in this folder>");
        mb << QStringLiteral("3.5");
        pages->FillCharts(paths, mb);
    }

    static void Click(QWidget* w, QPointF at, Qt::MouseButton button) {
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), button,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
};

} // namespace

TEST(ChartModel, ColourRuleRepeatsThenDrifts) {
    EXPECT_EQ(ChartColorValue(0), 0x00FFFFFFu);
    EXPECT_EQ(ChartColorValue(16), ChartColorValue(0));
    EXPECT_EQ(ChartColorValue(17), 0x008003E8u);
    EXPECT_EQ(ChartColorValue(18), 0x00FF0000u + 2000u);
    // The drift carries from one colour byte into the next.
    EXPECT_EQ(ChartColorValue(32), 0x00FFFFFFu + 16000u);
    EXPECT_EQ(ColorFromValue(0x008003E8), QColor(0xE8, 0x03, 0x80));
}

TEST(ChartModel, MarkTextsLabelsAndClickTargets) {
    const FormatLocale en = FormatLocale::english();
    EXPECT_EQ(ChartValueText(1234567.8912, en), "1,234,567.891 MB");
    EXPECT_EQ(ChartValueText(12.5, en), "12.5 MB");
    EXPECT_EQ(ChartValueText(0.0004, en), "0 MB");
    EXPECT_EQ(ChartValueText(999.9996, en), "1,000 MB");
    EXPECT_EQ(ChartLabelOf("/a/b/<All files in this folder>"), "<All files in this folder>");
    EXPECT_EQ(ChartLabelOf("/a/b/c d"), "c d");
    EXPECT_EQ(ChartClickTarget("/a/b/c d"), "/a/b/c d/");
    EXPECT_EQ(ChartClickTarget("/a/b/<Free Space>"), "/a/b/");
    EXPECT_EQ(NextRotation(358, true), 359);
    EXPECT_EQ(NextRotation(359, true), 0);
    EXPECT_EQ(NextRotation(42, false), 42);
}

TEST(ChartModel, MarkPlacementKeepsGapsAndBounds) {
    const auto s = SpreadPositions({10, 11, 12, 95, 96}, 5, 0, 100);
    ASSERT_EQ(s.size(), 5u);
    for (std::size_t i = 1; i < s.size(); ++i)
        EXPECT_GE(s[i] - s[i - 1], 5 - 1e-9);
    EXPECT_LE(s.back(), 100);
    EXPECT_GE(s.front(), 0);
    // The biggest of neighbouring points keeps its mark.
    const auto kept = PickNonOverlapping({0, 2, 4, 50}, 5, {1, 9, 1, 1});
    EXPECT_EQ(kept, (std::vector<int>{1, 3}));
}

TEST_F(ChartsFixture, FillGivesOnePointPerRowInOrderWithPositionColours) {
    EXPECT_EQ(barChart->Title(), QStringList{"Select drive or directory and press run !"});
    Fill(20);
    for (ChartBase* c : {static_cast<ChartBase*>(barChart), static_cast<ChartBase*>(pieChart)}) {
        const auto& pts = c->Series().points;
        ASSERT_EQ(pts.size(), 21u);
        EXPECT_EQ(c->Title(), (QStringList{"Folder Size in:", "/data/photos/"}));
        EXPECT_EQ(pts[0].label, "sub0");
        EXPECT_DOUBLE_EQ(pts[3].value, 31.25);
        EXPECT_EQ(pts[20].label, "<All files in this folder>");
        EXPECT_EQ(pts[16].color, pts[0].color);
        EXPECT_EQ(pts[17].color, QColor(0xE8, 0x03, 0x80));
    }
    EXPECT_EQ(barChart->BarSerie.MarkText(3), "sub3 31.25 MB");

    // A sorted list refills in its order; colours follow the positions.
    QStringList paths = {"/data/photos/sub2", "/data/photos/sub0"}, mb = {"24.25", "10.25"};
    pages->FillCharts(paths, mb);
    const auto& pts = pieChart->DiscoSerie.points;
    ASSERT_EQ(pts.size(), 2u);
    EXPECT_EQ(pts[0].label, "sub2");
    EXPECT_EQ(pts[0].color, ColorFromValue(ChartColors[0]));
    EXPECT_EQ(pts[1].color, ColorFromValue(ChartColors[1]));
}

TEST_F(ChartsFixture, BadMbTextStopsTheFillAtItsRow) {
    EXPECT_THROW(pages->FillCharts({"/x/a", "/x/b", "/x/c"}, {"1.5", "zwei", "3"}), EConvertError);
    EXPECT_EQ(barChart->BarSerie.Count(), 1);
    EXPECT_EQ(pieChart->DiscoSerie.Count(), 1);
}

TEST_F(ChartsFixture, ClicksOnBarsAndSlicesDrillOrOpen) {
    Fill(4);
    BarChart* bars = barChart;
    Click(bars, bars->PointCentre(2), Qt::LeftButton);
    EXPECT_EQ(analysed, QStringList{"/data/photos/sub2/"});
    // The files row resolves to the chart's own folder, on both buttons.
    Click(bars, bars->PointCentre(4), Qt::RightButton);
    EXPECT_EQ(opened, QStringList{"/data/photos/"});

    PieChart* pie = pieChart;
    for (int rotation : {0, 123}) {
        pie->SetRotation(rotation);
        analysed.clear();
        opened.clear();
        Click(pie, pie->PointCentre(4), Qt::LeftButton);
        Click(pie, pie->PointCentre(4), Qt::RightButton);
        Click(pie, pie->PointCentre(1), Qt::MiddleButton);
        EXPECT_EQ(analysed, QStringList{"/data/photos/"}) << rotation;
        EXPECT_EQ(opened, QStringList{"/data/photos/"}) << rotation;
    }
    // The title's folder counts, not the current folder of the moment.
    currentFolder = QStringLiteral("/elsewhere/");
    analysed.clear();
    Click(pie, pie->PointCentre(0), Qt::LeftButton);
    EXPECT_EQ(analysed, QStringList{"/data/photos/sub0/"});
    // Empty background: nothing.
    analysed.clear();
    Click(pie, QPointF(3, pie->height() - 3), Qt::LeftButton);
    EXPECT_TRUE(analysed.isEmpty());
}

TEST_F(ChartsFixture, SwitchesReachBothCharts) {
    cmd.toggle3D->setChecked(false);
    cmd.markVisible->setChecked(false);
    cmd.showLegend->setChecked(true);
    cmd.explodeBiggest->setChecked(true);
    cmd.elliptic->setChecked(true);
    pages->ApplyChartOptions();
    EXPECT_FALSE(barChart->View3D());
    EXPECT_FALSE(pieChart->View3D());
    EXPECT_FALSE(barChart->BarSerie.marksVisible);
    EXPECT_TRUE(pieChart->LegendVisible());
    EXPECT_EQ(pieChart->ExplodeBiggest(), 10);
    EXPECT_FALSE(pieChart->Circular());

    // Each command inverts its switch and applies it at once.
    cmd.toggle3D->trigger();
    EXPECT_TRUE(barChart->View3D());
    EXPECT_TRUE(pieChart->View3D());
    cmd.explodeBiggest->trigger();
    EXPECT_EQ(pieChart->ExplodeBiggest(), 0);
    cmd.elliptic->trigger();
    EXPECT_TRUE(pieChart->Circular());
    cmd.markVisible->trigger();
    EXPECT_TRUE(pieChart->DiscoSerie.marksVisible);
    cmd.showLegend->trigger();
    EXPECT_FALSE(barChart->LegendVisible());
}

TEST_F(ChartsFixture, TimerTurnsThePieOnlyWhileMoveIsDown) {
    Fill(3);
    const int start = pieChart->Rotation();
    pages->RotateStep();
    EXPECT_EQ(pieChart->Rotation(), start);
    cmd.rotate->trigger();
    for (int i = 0; i < 365; ++i)
        pages->RotateStep();
    EXPECT_EQ(pieChart->Rotation(), (start + 365) % 360);
    cmd.rotate->setChecked(false); // released by a page change
    pages->RotateStep();
    EXPECT_EQ(pieChart->Rotation(), (start + 365) % 360);
}

TEST_F(ChartsFixture, SavejpgCopiesTheChartAndWritesTheClipboardBitmap) {
    QTemporaryDir dir;
    Fill(5);
    const QString pie = dir.filePath("pie.jpg");
    pages->SaveJpeg(pie, 2);
    const QImage clip = QApplication::clipboard()->image();
    EXPECT_EQ(clip.size(), pieChart->size());
    const QByteArray jpg = [&] {
        QFile f(pie);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }();
    EXPECT_TRUE(jpg.startsWith("\xFF\xD8"));

    // Chart 0 on a page without a chart copies nothing: the clipboard's bitmap is written.
    page = 0;
    QImage other(31, 17, QImage::Format_RGB32);
    other.fill(Qt::red);
    QApplication::clipboard()->setImage(other);
    const QString zero = dir.filePath("zero.jpg");
    pages->SaveJpeg(zero, 0);
    QImage back(zero);
    EXPECT_EQ(back.size(), QSize(31, 17));

    // No bitmap at all: nothing written, a clear error.
    QApplication::clipboard()->clear();
    const QString none = dir.filePath("none.jpg");
    try {
        pages->SaveJpeg(none, 0);
        ADD_FAILURE() << "no error";
    } catch (const EMorvaneError& e) {
        EXPECT_EQ(e.message(), "There is no chart to save.");
    }
    EXPECT_FALSE(QFile::exists(none));
}

TEST_F(ChartsFixture, SavePictureWritesEachKindOfTheShownChart) {
    QTemporaryDir dir;
    Fill(5);
    page = ChartPages::PiePage;
    ChartPages::SetPictureDialog([&](QString& name, PictureKind& kind) {
        name = dir.filePath("chart.bmp");
        kind = pkBmp;
        return true;
    });
    cmd.savePicture->trigger();
    ChartPages::SetPictureDialog({});
    EXPECT_EQ(QImage(dir.filePath("chart.bmp")).size(), pieChart->size());

    pages->SavePictureAs(dir.filePath("chart.wmf"), pkWmf);
    pages->SavePictureAs(dir.filePath("chart.emf"), pkEmf);
    EXPECT_GT(QFileInfo(dir.filePath("chart.wmf")).size(), 1000);
    EXPECT_GT(QFileInfo(dir.filePath("chart.emf")).size(), 1000);
    // On a page without a chart the metafile kinds do nothing.
    page = 0;
    pages->SavePictureAs(dir.filePath("none.wmf"), pkWmf);
    EXPECT_FALSE(QFile::exists(dir.filePath("none.wmf")));
    // A place that cannot be written is reported, not thrown at the caller.
    page = ChartPages::BarPage;
    ChartPages::SetPictureDialog([&](QString& name, PictureKind& kind) {
        name = dir.filePath("no/such/dir/c.emf");
        kind = pkEmf;
        return true;
    });
    cmd.savePicture->trigger();
    ChartPages::SetPictureDialog({});
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(ChartsFixture, SavePictureWritesTheKindTheTypedNameSays) {
    QTemporaryDir dir;
    Fill(5);
    auto firstBytes = [&](const QString& name) {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.read(4) : QByteArray();
    };
    // In the real dialog, with the first filter (WMF) left chosen.
    for (const QString name : {"chart1.jpg", "chart2.BMP", "chart3"}) {
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            auto* edit = dlg->findChild<QLineEdit*>("fileNameEdit");
            dlg->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
            QTest::keyClicks(edit, dir.filePath(name));
            QTest::keyClick(edit, Qt::Key_Return);
            if (dlg->isVisible()) dlg->reject(); // not accepted: fail, not hang
        });
        cmd.savePicture->trigger();
    }
    EXPECT_TRUE(firstBytes("chart1.jpg").startsWith("\xFF\xD8\xFF"));
    EXPECT_TRUE(firstBytes("chart2.BMP").startsWith("BM"));
    EXPECT_EQ(firstBytes("chart3.wmf"), QByteArray("\xD7\xCD\xC6\x9A")); // placeable WMF
}

TEST_F(ChartsFixture, HtmlReportCarriesBothChartPictures) {
    QTemporaryDir dir;
    Fill(6);
    page = 0; // the report is made from the list page
    TextRowSource rows({"Folder", "MB", "KB", "Path", ""});
    rows.AddRow({"sub0", "10.25", "10496", "/data/photos/sub0", ""});
    ExportWriter ex;
    ex.SourceList = &rows;
    ex.IncludeCharts = true;
    ex.TargetFile = dir.filePath("report.html");
    ASSERT_TRUE(ex.MakeHTML());
    QFile f(ex.TargetFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(html.contains("<img src=\"report_images/Chart1.jpg\"")) << html.toStdString();
    EXPECT_TRUE(html.contains("<img src=\"report_images/Chart2.jpg\""));
    EXPECT_EQ(QImage(dir.filePath("report_images/Chart1.jpg")).size(), barChart->size());
    EXPECT_EQ(QImage(dir.filePath("report_images/Chart2.jpg")).size(), pieChart->size());
}

TEST(ChartModel, ValueTextWithoutThousandsSeparator) {
    FormatLocale c = FormatLocale::english();
    c.thousandSeparator = QChar();
    c.decimalSeparator = QLatin1Char(',');
    EXPECT_EQ(ChartValueText(1234567.5, c), "1234567,5 MB");
}
