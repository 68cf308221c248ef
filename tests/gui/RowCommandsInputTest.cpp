// The size list's and the charts' commands driven by mouse and keys, on rows
// whose folder is no longer the current one and on names that are not UTF-8
// beside a folder whose name is their look-alike with U+FFFD.
#include "RealInput.h"
#include "WindowParts.h"
#include "YesShellUi.h"
#include "common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/charts/BarChart.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisRun.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/FolderOperations.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ResultFileCommands.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include "platform/Trash.h"
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <future>
#include <gtest/gtest.h>

namespace {

class RowCommandsInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        root = NativePath(tree.path()) + "/";
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        SetFolderPickHook([this](QWidget*, const QString&, const QString&, const QString&) {
            return picks.isEmpty() ? QString() : PathFromNative(picks.takeFirst());
        });
        SetOpenInShellHook([this](const QString& p) { opened << NativePath(p); });
        form = std::make_unique<MainWindow>(ini.filePath("Morvane.ini"));
        form->findChild<FolderOperations*>()->ShellUi = &ui;
        PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
        form->resize(1000, 700);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
        SetOpenInShellHook({});
        ResultFileCommands::SetFileDialog({});
        AnalysisRun::SetWorkerStartHook({});
        EmptyTrash({HomeTrashDir()});
        RemoveTree(root); // QTemporaryDir cannot remove names that are not UTF-8
    }
    // F2 picks folder; no analysis.
    void Browse(const QByteArray& folder) {
        // Back from a progress window, as the window manager brings it.
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        picks << folder;
        QTest::keyClick(form.get(), Qt::Key_F2);
        ASSERT_EQ(form->Session().CurrentFolder().toStdString(),
                  PathFromNative(folder + "/").toStdString());
    }
    void Run(const QByteArray& folder) {
        Browse(folder);
        QTest::keyClick(form.get(), Qt::Key_F9);
    }
    // The row a person sees: its caption and, where two look alike, its MB text.
    QTreeWidgetItem* Row(const QString& caption, const QString& mb = {}) const {
        QTreeWidget* list = FolderPage(*form)->FolderList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QTreeWidgetItem* row = list->topLevelItem(i);
            if (row->text(0) == caption && (mb.isEmpty() || row->text(1) == mb)) return row;
        }
        return nullptr;
    }
    // A left click on the bar labelled label, on the bar chart's page.
    void ClickBar(const QString& label) {
        PageTabs(*form)->setCurrentIndex(MainWindow::pgBarChart);
        QApplication::processEvents(); // the page's layout
        auto* bars = form->findChild<BarChart*>();
        int point = -1;
        for (int i = 0; i < int(bars->Series().points.size()); ++i)
            if (bars->Series().points[std::size_t(i)].label == label) point = i;
        ASSERT_GE(point, 0) << label.toStdString();
        QTest::mouseClick(bars, Qt::LeftButton, Qt::NoModifier, bars->PointCentre(point).toPoint());
        PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
    }
    bool OnRow(QTreeWidgetItem* row, const char* action) {
        return RowCommand(FolderPage(*form)->FolderList(), row, form->Action(action));
    }

    QTemporaryDir tree{QDir::homePath() + "/rows-XXXXXX"};
    QTemporaryDir ini;
    QByteArray root;
    YesShellUi ui;
    QList<QByteArray> picks, opened;
    QStringList messages;
    std::unique_ptr<MainWindow> form;
};

} // namespace

TEST_F(RowCommandsInput, ArchiveTakesTheRowsFolderNeverTheCurrentOnesNorAnotherRun) {
    MakeFile(root + "A/x/f1", 3000);
    MakeFile(root + "A/y/f2", 3000);
    MakeFile(root + "B/x/f3", 3000);
    Run(root + "A");
    Browse(root + "B"); // the list still shows A
    ASSERT_TRUE(OnRow(Row("x"), "MoveFolderToArchive"));
    EXPECT_TRUE(Exists(root + "A/x/Archived_files_R_1.zip"));
    EXPECT_FALSE(Exists(root + "A/x/f1"));
    EXPECT_TRUE(Exists(root + "B/x/f3"));
    EXPECT_FALSE(Exists(root + "B/x/Archived_files_R_1.zip"));

    // Chosen while another analysis runs, the command has no files of its
    // folder to go on (the last run's are another folder's): nothing moves.
    Run(root + "A");
    Browse(root + "B");
    std::promise<void> chosen;
    std::shared_future<void> done = chosen.get_future().share();
    AnalysisRun::SetWorkerStartHook([done] { done.wait(); });
    QTimer::singleShot(0, form.get(), [&] {
        EXPECT_TRUE(form->Session().Running());
        EXPECT_TRUE(OnRow(Row("y"), "MoveFolderToArchive"));
        chosen.set_value();
    });
    QTest::keyClick(form.get(), Qt::Key_F9);
    EXPECT_TRUE(Exists(root + "A/x/Archived_files_R_1.zip"));
    EXPECT_TRUE(Exists(root + "A/y/f2"));
    EXPECT_FALSE(Exists(root + "A/y/Archived_files_R_1.zip"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(RowCommandsInput, CommandsOnARawNameActOnItsBytesNotOnItsLookAlike) {
    const QByteArray raw = root + "bad\xff\xfename",
                     alike = root + "bad\xef\xbf\xbd\xef\xbf\xbdname";
    const QByteArray rawMove = root + "mv\xff"
                                      "dir",
                     alikeMove = root + "mv\xef\xbf\xbd"
                                        "dir";
    MakeFile(raw + "/f", 140 * 1024);
    MakeFile(alike + "/g", 110 * 1024);
    MakeFile(rawMove + "/h", 140 * 1024);
    MakeFile(alikeMove + "/i", 110 * 1024);
    MakeFile(root + "target/keep", 1);
    Run(root.chopped(1));
    const QString shown = QString::fromUtf8("bad\uFFFD\uFFFDname");
    ASSERT_NE(Row(shown, "0.11"), nullptr);

    ASSERT_TRUE(OnRow(Row(shown, "0.14"), "OpenFolderItem"));
    EXPECT_EQ(opened, QList<QByteArray>{raw + "/"});

    ASSERT_TRUE(OnRow(Row(shown, "0.14"), "MoveFolderToArchive"));
    EXPECT_TRUE(Exists(raw + "/Archived_files_R_1.zip"));
    EXPECT_FALSE(Exists(raw + "/f"));
    EXPECT_TRUE(Exists(alike + "/g"));
    EXPECT_FALSE(Exists(alike + "/Archived_files_R_1.zip"));

    picks << root + "target";
    ASSERT_TRUE(OnRow(Row(QString::fromUtf8("mv\uFFFDdir"), "0.14"), "MoveListFolderItem"));
    EXPECT_TRUE(Exists(root + "target/mv\xff"
                              "dir/h"));
    EXPECT_FALSE(Exists(rawMove));
    EXPECT_TRUE(Exists(alikeMove + "/i"));

    ASSERT_TRUE(OnRow(Row(shown, "0"), "DeleteListFolderItem")); // only the archive is left
    EXPECT_FALSE(Exists(raw));
    EXPECT_TRUE(Exists(alike + "/g"));
    EXPECT_TRUE(Exists(NativePath(HomeTrashDir()) + "/files/bad\xff\xfename"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(RowCommandsInput, DrillDownFromAnOpenedResultGoesIntoTheResultsFolder) {
    MakeFile(root + "share/perl/f", 4000);
    MakeFile(root + "share/doc/perl/g", 9000);
    MakeFile(root + "share/doc/x", 1);
    const QString result = PathFromNative(root) + "share.MVX";
    ResultFileCommands::SetFileDialog([&](bool, const QString&) { return result; });
    Run(root + "share");
    QTest::keyClick(form.get(), Qt::Key_S, Qt::ControlModifier);
    Run(root + "share/doc");
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_NE(Row("doc"), nullptr); // the list shows share, the current folder is share/doc

    QTreeWidget* list = FolderPage(*form)->FolderList();
    const QPoint perlRow = RowCentre(list, Row("perl"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, perlRow);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, perlRow);
    EXPECT_EQ(form->Session().CurrentFolder().toStdString(),
              PathFromNative(root + "share/perl/").toStdString());
    EXPECT_NE(Row("<All files in this folder>"), nullptr);
    EXPECT_EQ(Row("doc"), nullptr);

    // The same from a bar of the chart.
    Run(root + "share/doc");
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    auto* bars = form->findChild<BarChart*>();
    EXPECT_EQ(bars->TitleFolder(), PathFromNative(root) + "share/");
    ClickBar("perl");
    EXPECT_EQ(form->Session().CurrentFolder().toStdString(),
              PathFromNative(root + "share/perl/").toStdString());
    EXPECT_EQ(bars->TitleFolder(), PathFromNative(root) + "share/perl/");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

TEST_F(RowCommandsInput, RunOrDrillIntoAFolderDeletedWhileShownSaysSo) {
    MakeFile(root + "gone/sub/f", 5000);
    MakeFile(root + "gone/keep/f", 5000);
    Run(root + "gone");
    ASSERT_TRUE(QDir(PathFromNative(root + "gone/sub")).removeRecursively());
    QTreeWidget* list = FolderPage(*form)->FolderList();
    const QPoint sub = RowCentre(list, Row("sub"));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, sub);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, sub);
    ClickBar("sub");
    ASSERT_TRUE(QDir(PathFromNative(root + "gone")).removeRecursively());
    QTest::keyClick(form.get(), Qt::Key_F9);
    EXPECT_EQ(messages, QStringList(3, "Directory does not exist"));
    EXPECT_EQ(form->Session().CurrentFolder(), PathFromNative(root + "gone/"));
    EXPECT_NE(Row("keep"), nullptr); // the list stays as it was
}
