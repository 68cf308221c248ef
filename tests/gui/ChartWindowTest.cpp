// The charts inside the main window: a run fills them, clicks drill down,
// the rotate switch follows the pages.
#include "WindowParts.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/ChartPages.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

struct ChartWindow : ::testing::Test {
    QTemporaryDir dir;
    QString root;
    QStringList opened, messages;
    std::unique_ptr<MainWindow> form;
    ChartPages* charts = nullptr;
    BarChart* barChart = nullptr;
    PieChart* pieChart = nullptr;

    void SetUp() override {
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return false;
        });
        ChartPages::SetFileManagerOpener([this](const QString& f) { opened << f; });
        root = dir.filePath("tree");
        // Subfolders of different sizes and two loose files.
        for (int i = 0; i < 5; ++i) {
            const QString sub = root + QStringLiteral("/sub%1").arg(i);
            QDir().mkpath(sub + "/deeper");
            QFile f(sub + "/deeper/data.bin");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray((i + 1) * 300000, 'x'));
        }
        for (const char* name : {"a.txt", "b.txt"}) {
            QFile f(root + "/" + name);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(1000, 'y'));
        }
        form = std::make_unique<MainWindow>(dir.filePath("Morvane.ini"));
        charts = form->findChild<ChartPages*>();
        barChart = form->findChild<BarChart*>("Bars");
        pieChart = form->findChild<PieChart*>("Pies");
        ASSERT_NE(charts, nullptr);
        form->resize(1000, 700);
        form->show();
        PageTabs(*form)->setCurrentIndex(MainWindow::pgBarChart);
        form->Session().SelectFolder(root);
        form->RunCurrentFolder();
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        ChartPages::SetFileManagerOpener({});
    }

    static QStringList Labels(const ChartBase* c) {
        QStringList l;
        for (const ChartPoint& p : c->Series().points)
            l << p.label;
        return l;
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

TEST_F(ChartWindow, RunFillsBothChartsOnTheirPages) {
    EXPECT_EQ(barChart->parentWidget(), Page(*form, MainWindow::pgBarChart));
    EXPECT_EQ(pieChart->parentWidget(), Page(*form, MainWindow::pgPieChart));
    const QStringList expected = {
        "<All files in this folder>", "sub0", "sub1", "sub2", "sub3", "sub4"};
    QStringList bars = Labels(barChart);
    bars.sort();
    EXPECT_EQ(bars, expected);
    EXPECT_EQ(Labels(pieChart), Labels(barChart));
    EXPECT_EQ(barChart->Title(), (QStringList{"Folder Size in:", form->Session().CurrentFolder()}));
    EXPECT_EQ(barChart->toolTip(), ChartPages::BarsHint);
    EXPECT_EQ(pieChart->toolTip(), ChartPages::PiesHint);

    // Sorting the list by size refills the charts in the list's order.
    form->SortChartClick();
    const auto& pts = barChart->BarSerie.points;
    for (std::size_t i = 1; i < pts.size(); ++i)
        EXPECT_LE(pts[i - 1].value, pts[i].value);
    EXPECT_EQ(pts[0].label, "<All files in this folder>");
    EXPECT_EQ(pts[0].color, ColorFromValue(ChartColors[0]));
    EXPECT_EQ(pts[5].label, "sub4");
}

TEST_F(ChartWindow, LeftClickDrillsDownWithoutHistoryRightClickOpens) {
    const int history = HistoryCombo(*form)->count();
    const auto& pts = barChart->BarSerie.points;
    int sub2 = -1;
    for (std::size_t i = 0; i < pts.size(); ++i)
        if (pts[i].label == "sub2") sub2 = int(i);
    ASSERT_GE(sub2, 0);
    Click(barChart, barChart->PointCentre(sub2), Qt::LeftButton);
    const QString sub = QDir(root).absoluteFilePath("sub2") + "/";
    EXPECT_EQ(form->Session().CurrentFolder(), sub);
    EXPECT_EQ(pieChart->TitleFolder(), sub);
    EXPECT_EQ(Labels(pieChart), (QStringList{"deeper", "<All files in this folder>"}));
    EXPECT_EQ(HistoryCombo(*form)->count(), history);

    // Right click on the files row opens the chart's folder.
    Click(barChart, barChart->PointCentre(1), Qt::RightButton);
    EXPECT_EQ(opened, QStringList{sub});
    EXPECT_EQ(form->Session().CurrentFolder(), sub);
}

TEST_F(ChartWindow, RotateAndExplodeOnlyOnThePiePage) {
    QAction* move = form->Action("Move");
    QAction* explode = form->Action("actExplodeBiggest");
    EXPECT_FALSE(move->isEnabled());
    EXPECT_FALSE(explode->isEnabled());
    PageTabs(*form)->setCurrentIndex(MainWindow::pgPieChart);
    EXPECT_TRUE(move->isEnabled());
    EXPECT_TRUE(explode->isEnabled());
    move->trigger();
    ASSERT_TRUE(move->isChecked());
    const int angle = pieChart->Rotation();
    charts->RotateStep();
    charts->RotateStep();
    EXPECT_EQ(pieChart->Rotation(), (angle + 2) % 360);
    // Leaving the page releases the switch: the pie stands still.
    PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
    EXPECT_FALSE(move->isChecked());
    EXPECT_FALSE(explode->isEnabled());
    charts->RotateStep();
    EXPECT_EQ(pieChart->Rotation(), (angle + 2) % 360);
}
