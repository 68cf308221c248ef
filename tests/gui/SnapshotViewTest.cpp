// A snapshot opened in the window: its folders shown and navigated without the
// disk; a damaged one changes nothing; Run measures the real folder again.
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/ChartPages.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ResultFileCommands.h"
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
QStringList Rows(QTreeWidget* list) {
    QStringList r;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        r << list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(2);
    r.sort();
    return r;
}
QStringList FilePaths(const AnalysisSession& session) {
    QStringList r;
    session.ForEachShownFile([&r](const DirScanner::FileRowFacts& f) { r << f.folder + f.name; });
    return r;
}
} // namespace

TEST(SnapshotView, OpenNavigateRefuseAndRunAgain) {
    QTemporaryDir dir;
    QStringList messages;
    SetMessageBoxHook([&](MessageKind, const QString&, const QString& text) {
        messages << text;
        return false;
    });
    // A machine's folder that does not exist here.
    Write(dir.filePath("scan.json"),
          R"([1,2,{"progname":"ncdu","progver":"1.18","timestamp":1},
[{"name":"/nowhere/srv","asize":4096},
{"name":"top.txt","asize":10240},
[{"name":"a","asize":4096},{"name":"one","asize":2048},
 [{"name":"b","asize":4096},{"name":"two","asize":1048576}]],
[{"name":"c"},{"name":"three","asize":3072}],
[{"name":".hidden"},{"name":"big","asize":99999999}]]])");
    Write(dir.filePath("bad.json"), R"([1,2,{},[{"name":"/x"},{"name":"a/b","asize":1}]])");

    MainWindow form(dir.filePath("Morvane.ini"));
    const QString real = dir.filePath("real");
    QDir().mkpath(real + "/sub");
    Write(real + "/sub/f", QByteArray(5000, 'x'));
    form.Session().SelectFolder(real);
    form.RunCurrentFolder();
    const QStringList realRows = Rows(FolderPage(form)->FolderList());

    ResultFileCommands::SetFileDialog(
        [&](bool, const QString&) { return dir.filePath("bad.json"); });
    form.Action("ACTOpen")->trigger();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("'/'")) << messages[0].toStdString();
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()), realRows);

    ResultFileCommands::SetFileDialog(
        [&](bool, const QString&) { return dir.filePath("scan.json"); });
    form.Action("ACTOpen")->trigger();
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(form.Session().CurrentFolder(), "/nowhere/srv/");
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()),
              QStringList({"<All files in this folder>|10", "a|1026", "c|3"}));
    EXPECT_TRUE(StatusPanel(form, 4)->text().startsWith("Snapshot scan.json: /nowhere/srv/"));
    EXPECT_EQ(form.Session().ShownFileCount(), 8);
    EXPECT_TRUE(FilePaths(form.Session()).contains("/nowhere/srv/a/b/two"));
    EXPECT_FALSE(FilePaths(form.Session()).contains("/nowhere/srv/.hidden/big"));

    // Down with a double-click, across with a chart click, and up again.
    emit FolderPage(form)->RowActivated("/nowhere/srv/a");
    EXPECT_EQ(form.Session().CurrentFolder(), "/nowhere/srv/a/");
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()),
              QStringList({"<All files in this folder>|2", "b|1024"}));
    form.Session().SelectFolder("/nowhere/srv/a/b/");
    form.AnalyseFolder("/nowhere/srv/a/b/");
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()),
              QStringList({"<All files in this folder>|1024"}));
    form.UpOneDir();
    form.UpOneDir();
    EXPECT_EQ(form.Session().CurrentFolder(), "/nowhere/srv/");
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()).size(), 3);
    EXPECT_TRUE(StatusPanel(form, 4)->text().startsWith("Snapshot"));
    // The history holds the folders shown and moves inside the snapshot.
    HistoryCombo(form)->setEditText("/nowhere/srv/a/b/");
    EXPECT_EQ(form.Session().CurrentFolder(), "/nowhere/srv/a/b/");
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()),
              QStringList({"<All files in this folder>|1024"}));
    EXPECT_GE(HistoryCombo(form)->findText("/nowhere/srv/a/"), 0);

    // Run leaves the snapshot and measures the real folder.
    form.Session().SelectFolder(real);
    form.RunCurrentFolder();
    EXPECT_EQ(Rows(FolderPage(form)->FolderList()), realRows);
    EXPECT_FALSE(StatusPanel(form, 4)->text().startsWith("Snapshot"));
    EXPECT_EQ(messages.size(), 1);
    SetMessageBoxHook(nullptr);
    ResultFileCommands::SetFileDialog(nullptr);
}
