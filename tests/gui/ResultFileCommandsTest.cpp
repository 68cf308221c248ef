// Save and Open of an analysis in the window.
#include "gui/window/ResultFileCommands.h"
#include "WindowParts.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/ChartPages.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
QStringList Labels(const ChartBase* c) {
    QStringList l;
    for (const ChartPoint& p : c->Series().points)
        l << p.label + "=" + QString::number(p.value);
    return l;
}
QStringList Rows(QTreeWidget* list) {
    QStringList r;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        r << list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1);
    return r;
}
} // namespace

TEST(ResultFileCommands, NamingRule) {
    EXPECT_EQ(ResultFileName("/a/report.txt"), "/a/report.MVX");
    EXPECT_EQ(ResultFileName("/a/report"), "/a/report.MVX");
    EXPECT_EQ(ResultFileName("/a/report.mvx"), "/a/report.MVX");
}

TEST(ResultFileCommands, SaveThenOpenRestoresRowsAndPointsDamagedFileChangesNothing) {
    QTemporaryDir dir;
    QStringList messages;
    SetMessageBoxHook([&](MessageKind, const QString&, const QString& text) {
        messages << text;
        return false;
    });
    const QString root = dir.filePath("tree");
    for (int i = 0; i < 3; ++i) {
        QDir().mkpath(root + QStringLiteral("/s%1").arg(i));
        QFile f(root + QStringLiteral("/s%1/f.bin").arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray((i + 1) * 200000, 'x'));
    }
    QFile big(root + "/s2/big.bin"); // sparse: 3 GB for the GB panel
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(qint64(3) << 30));
    big.close();
    MainWindow form(dir.filePath("Morvane.ini"));
    auto* charts = form.findChild<ChartPages*>();
    auto* barChart = form.findChild<BarChart*>("Bars");
    auto* pieChart = form.findChild<PieChart*>("Pies");
    ASSERT_NE(charts, nullptr);
    form.Session().SelectFolder(root);
    form.RunCurrentFolder();
    const QStringList rows = Rows(FolderPage(form)->FolderList()), points = Labels(pieChart);
    ASSERT_EQ(points.size(), 4);
    const QString gb = StatusPanel(form, 1)->text();
    ASSERT_EQ(gb, "3.00 GB");

    // Save starts in the current folder, Open in the folder of the last file opened.
    QStringList starts;
    ResultFileCommands::SetFileDialog([&](bool save, const QString& folder) {
        starts << folder;
        return save ? dir.filePath("result.txt") : dir.filePath("result.MVX");
    });
    form.Action("ACTSave")->trigger();
    ASSERT_TRUE(QFile::exists(dir.filePath("result.MVX")));

    // Another analysis, then Open brings the saved one back.
    form.Session().SelectFolder(root + "/s1");
    form.RunCurrentFolder();
    ASSERT_NE(Labels(pieChart), points);
    form.Action("ACTOpen")->trigger();
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()), rows);
    EXPECT_EQ(Labels(pieChart), points);
    EXPECT_EQ(Labels(barChart), points);
    EXPECT_TRUE(messages.isEmpty());
    // The totals and titles are the opened analysis's, not those of the last run.
    EXPECT_EQ(StatusPanel(form, 1)->text(), gb);
    EXPECT_EQ(pieChart->TitleFolder(), root + "/");
    EXPECT_EQ(barChart->TitleFolder(), root + "/");
    EXPECT_EQ(form.Session().CurrentFolder(), root + "/s1/");

    // A damaged file: a message, and lists and charts stay as they were.
    QFile bad(dir.filePath("bad.MVX"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray("\x05\x00\x00\x00\x04\x00\x00\x00/a/b", 12));
    bad.close();
    const QStringList paths = form.Session().ShownRows().paths;
    ResultFileCommands::SetFileDialog([&](bool, const QString& folder) {
        starts << folder;
        return dir.filePath("bad.MVX");
    });
    form.Action("ACTOpen")->trigger();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(form.Session().ShownRows().paths, paths);
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()), rows);
    EXPECT_EQ(Labels(pieChart), points);
    EXPECT_EQ(starts, (QStringList{root + "/", root + "/s1/", dir.path() + "/"}));

    // Cancelling changes nothing either.
    ResultFileCommands::SetFileDialog([](bool, const QString&) { return QString(); });
    form.Action("ACTOpen")->trigger();
    EXPECT_EQ(Labels(pieChart), points);
    ResultFileCommands::SetFileDialog({});
    SetMessageBoxHook({});
}
