// "Compare with snapshot..." by real clicks: the File menu's item compares the
// analysis shown with a snapshot taken elsewhere, the size list gains its
// "Change (MB)" column and sorts by it, the bars show the change, the panel
// names the base and what is gone; a damaged snapshot changes nothing; the
// item again, or the next run, ends the comparison.
#include "RealInput.h"
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "gui/charts/BarChart.h"
#include "gui/commands/CompareCommands.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/pages/TreemapView.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ResultFileCommands.h"
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Opens the menu of the bar whose title is title and clicks action in it.
bool MenuCommand(QMenuBar* bar, const QString& title, QAction* action) {
    for (QAction* m : bar->actions())
        if (m->text().remove(QLatin1Char('&')) == title) {
            QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(m).center());
            return ChooseFromPopUp(action);
        }
    return false;
}

void ClickHeader(QTreeWidget* list, int column) {
    QHeaderView* h = list->header();
    const QPoint at(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                    h->height() / 2);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// Name and change of each row, in list order.
QStringList Changes(QTreeWidget* list) {
    QStringList r;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        r << list->topLevelItem(i)->text(0) + ' ' +
                 list->topLevelItem(i)->text(CompareCommands::kChangeColumn);
    return r;
}

} // namespace

TEST(CompareWindow, CompareSortByChangeChartAndStop) {
    QTemporaryDir dir;
    const ScopedEnv home("HOME", dir.path().toLocal8Bit());
    const ScopedEnv config("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    QStringList messages;
    SetMessageBoxHook([&](MessageKind, const QString&, const QString& text) {
        messages << text;
        return false;
    });
    const QString real = dir.filePath("real");
    Write(real + "/grows/f", QByteArray(3 * 1048576, 'g'));
    Write(real + "/shrinks/f", QByteArray(1048576, 's'));
    Write(real + "/fresh/f", QByteArray(524288, 'n'));
    Write(real + "/top", QByteArray(1024, 't'));
    // Taken of the same tree when it lay elsewhere.
    Write(dir.filePath("old.json"), R"([1,2,{"progname":"ncdu"},
[{"name":"/mnt/before"},{"name":"top","asize":1024},
 [{"name":"grows"},{"name":"f","asize":1048576}],
 [{"name":"shrinks"},{"name":"f","asize":4194304}],
 [{"name":"gone"},{"name":"g","asize":10}]]])");
    Write(dir.filePath("bad.json"), R"([1,2,{},[{"name":"/x"},{"name":"a/b","asize":1}]])");

    MainWindow form(dir.filePath("Morvane.ini"));
    PageTabs(form)->setCurrentIndex(MainWindow::pgFolderList);
    form.resize(1000, 700);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Session().SelectFolder(real);
    form.RunCurrentFolder();
    QTreeWidget* list = FolderPage(form)->FolderList();
    ASSERT_EQ(list->topLevelItemCount(), 4);
    QAction* compare = form.Action("actCompareSnapshot");
    QAction* chartMode = form.Action("actChartShowsChange");
    EXPECT_FALSE(chartMode->isEnabled());

    CompareCommands::SetFileDialog([&](const QString&) { return dir.filePath("bad.json"); });
    ASSERT_TRUE(MenuCommand(form.menuBar(), "File", compare));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(compare->isChecked());
    EXPECT_EQ(list->columnCount(), 5);

    CompareCommands::SetFileDialog([&](const QString&) { return dir.filePath("old.json"); });
    ASSERT_TRUE(MenuCommand(form.menuBar(), "File", compare));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_TRUE(compare->isChecked());
    ASSERT_EQ(list->columnCount(), 6);
    EXPECT_EQ(list->headerItem()->text(CompareCommands::kChangeColumn), "Change (MB)");
    auto* panel = form.findChild<QLabel*>("ComparePanel");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->text(), "Base: old.json; gone: gone/");

    // Ascending puts the largest loss first, again the largest growth.
    ClickHeader(list, CompareCommands::kChangeColumn);
    EXPECT_EQ(Changes(list), QStringList({"shrinks -3", "<All files in this folder> 0",
                                          "fresh +0.5 new", "grows +2"}));
    ClickHeader(list, CompareCommands::kChangeColumn);
    EXPECT_EQ(Changes(list).first(), "grows +2");
    EXPECT_EQ(Changes(list).last(), "shrinks -3");

    // The bars show the amounts; a loss is marked by its sign.
    ASSERT_TRUE(MenuCommand(form.menuBar(), "View", chartMode));
    ASSERT_TRUE(chartMode->isChecked());
    auto* barChart = form.findChild<BarChart*>("Bars");
    ASSERT_NE(barChart, nullptr);
    const ChartSeries& bars = barChart->BarSerie;
    ASSERT_EQ(bars.Count(), 4);
    EXPECT_DOUBLE_EQ(bars.points[0].value, 2.0);
    EXPECT_TRUE(bars.MarkText(3).startsWith("shrinks -3")) << bars.MarkText(3).toStdString();

    // The treemap colours its tiles by growth against the same base.
    QTabBar* tabs = PageTabs(form)->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier,
                      tabs->tabRect(MainWindow::pgTreemap).center());
    auto* legend = form.findChild<QLabel*>("TreemapLegend");
    ASSERT_NE(legend, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return legend->text().contains("grew"); }));
    EXPECT_TRUE(legend->text().contains("old.json"));
    const TreemapResult* shown = form.findChild<TreemapView*>()->Result();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->comparison, form.Session().Comparison());
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier,
                      tabs->tabRect(MainWindow::pgFolderList).center());

    // The item again stops comparing; so does the next run.
    ASSERT_TRUE(MenuCommand(form.menuBar(), "File", compare));
    EXPECT_FALSE(compare->isChecked());
    EXPECT_EQ(list->columnCount(), 5);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(chartMode->isChecked() || chartMode->isEnabled());
    EXPECT_DOUBLE_EQ(barChart->BarSerie.points[0].value, 3.0);
    ASSERT_TRUE(MenuCommand(form.menuBar(), "File", compare));
    EXPECT_TRUE(compare->isChecked());
    form.RunCurrentFolder();
    EXPECT_FALSE(compare->isChecked());
    EXPECT_EQ(list->columnCount(), 5);
    EXPECT_EQ(form.Session().Comparison(), nullptr);

    // A result file's rows are not the compared tree's: opening one ends it.
    ResultFileCommands::SetFileDialog([&](bool, const QString&) { return dir.filePath("r.MVX"); });
    ASSERT_TRUE(MenuCommand(form.menuBar(), "File", form.Action("ACTSave")));
    ASSERT_TRUE(MenuCommand(form.menuBar(), "File", compare));
    ASSERT_EQ(list->columnCount(), 6);
    ASSERT_TRUE(MenuCommand(form.menuBar(), "File", form.Action("ACTOpen")));
    EXPECT_EQ(list->topLevelItemCount(), 4);
    EXPECT_FALSE(compare->isChecked());
    EXPECT_EQ(list->columnCount(), 5);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(messages.size(), 1);

    SetMessageBoxHook(nullptr);
    CompareCommands::SetFileDialog(nullptr);
    ResultFileCommands::SetFileDialog(nullptr);
}
