// The analysis session without a window: what it announces when the folder
// changes, a run finishes or is cancelled and a snapshot comes and goes, and
// the history entries it shares with the box that shows them.
#include "gui/session/AnalysisSession.h"
#include "common/TestFiles.h"
#include "core/engine/SizeText.h"
#include "core/snapshot/Snapshot.h"
#include "gui/common/ComboItems.h"
#include <QComboBox>
#include <QDir>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AnalysisSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + "/";
        QDir().mkpath(root + "tree/sub");
        Write(root + "tree/sub/f", QByteArray(5000, 'x'));
        Write(root + "tree/g", QByteArray(100, 'y'));
    }
    void TearDown() override { AnalysisRun::SetWorkerStartHook({}); }
    QTemporaryDir dir;
    QString root;
    AnalysisSession session{QString()};
};

} // namespace

TEST_F(AnalysisSessionTest, SelectFolderAnnouncesEveryOtherPathAndKeepsOnlyFolders) {
    QSignalSpy changed(&session, &AnalysisSession::CurrentFolderChanged);
    session.SelectFolder(root + "tree");
    EXPECT_EQ(session.CurrentFolder(), root + "tree/");
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].toString(), root + "tree/");
    EXPECT_EQ(changed[0][1].toString(), root + "tree");
    session.SelectFolder(root + "tree/"); // the current folder: nothing to say
    EXPECT_EQ(changed.size(), 1);
    // A path that is no folder keeps the current one, and still says so.
    session.SelectFolder(root + "tree/g");
    EXPECT_EQ(session.CurrentFolder(), root + "tree/");
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[1][0].toString(), root + "tree/");
    EXPECT_EQ(session.FolderPanelText(), root + "tree/");
}

TEST_F(AnalysisSessionTest, FinishedRunReplacesTheResultsCancelledOneKeepsThem) {
    QSignalSpy started(&session, &AnalysisSession::RunStarted);
    QSignalSpy finished(&session, &AnalysisSession::RunFinished);
    QSignalSpy cancelled(&session, &AnalysisSession::RunCancelled);
    ASSERT_TRUE(session.Measure(root + "tree/", false, nullptr));
    EXPECT_FALSE(session.Running());
    EXPECT_EQ(started.size(), 1);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toString(), root + "tree/");
    const QStringList rows = session.Results().EntryPaths;
    EXPECT_EQ(rows.size(), 2);                      // sub, and the files of the folder
    EXPECT_EQ(session.Results().FileRowCount(), 3); // sub, sub/f and g
    // The whole tree of the run, and where the current folder is in it.
    const std::shared_ptr<const Tree> tree = session.ShownTree();
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->At(0).total, 5100);
    session.SelectFolder(root + "tree/sub");
    ASSERT_NE(session.CurrentNode(), Tree::kNone);
    EXPECT_EQ(tree->Name(session.CurrentNode()), "sub");
    session.SelectFolder(root);
    EXPECT_EQ(session.CurrentNode(), Tree::kNone); // above the run's folder

    // Cancelled as soon as it starts: the last complete run stays.
    AnalysisRun::SetWorkerStartHook([this] { session.CancelRun(); });
    EXPECT_FALSE(session.Measure(root + "tree/sub/", false, nullptr));
    EXPECT_EQ(cancelled.size(), 1);
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(session.Results().EntryPaths, rows);
}

TEST_F(AnalysisSessionTest, SnapshotFoldersFillTheResultsUntilItCloses) {
    Write(root + "scan.json", R"([1,2,{"progname":"ncdu"},
[{"name":"/nowhere/srv"},{"name":"top.txt","asize":2048},
[{"name":"a"},{"name":"one","asize":1024}]]])");
    QSignalSpy opened(&session, &AnalysisSession::SnapshotOpened);
    QSignalSpy closed(&session, &AnalysisSession::SnapshotClosed);
    QSignalSpy treeChanged(&session, &AnalysisSession::ShownTreeChanged);
    session.OpenSnapshot(std::make_shared<const Snapshot>(Snapshot::Read(root + "scan.json")),
                         root + "scan.json");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(session.SnapshotTop(), "/nowhere/srv/");
    EXPECT_TRUE(session.InSnapshot("/nowhere/srv/a/"));
    EXPECT_FALSE(session.InSnapshot("/nowhere/srv/top.txt/"));
    EXPECT_FALSE(session.InSnapshot(root));
    EXPECT_TRUE(session.FolderThere("/nowhere/srv/a"));

    session.SelectFolder("/nowhere/srv/a");
    EXPECT_EQ(session.CurrentFolder(), "/nowhere/srv/a/");
    EXPECT_EQ(session.FolderPanelText(), "Snapshot scan.json: /nowhere/srv/a/");
    EXPECT_EQ(session.ShownTree()->RootPath(), "/nowhere/srv");
    EXPECT_EQ(session.CurrentNode(), session.ShownTree()->Find("/nowhere/srv/a"));
    ASSERT_TRUE(session.LoadSnapshotFolder("/nowhere/srv/"));
    EXPECT_EQ(session.ShownFilesFolder(), "/nowhere/srv/");
    EXPECT_EQ(session.ShownFileCount(), 3); // top.txt, a and a/one
    EXPECT_FALSE(session.LoadSnapshotFolder("/elsewhere/"));

    session.CloseSnapshot();
    session.CloseSnapshot(); // nothing shown any more: said once
    EXPECT_EQ(closed.size(), 1);
    EXPECT_EQ(treeChanged.size(), 2); // opened, closed
    EXPECT_FALSE(session.SnapshotShown());
    EXPECT_FALSE(session.FolderThere("/nowhere/srv/a"));
}

TEST_F(AnalysisSessionTest, HistoryBoxEditsTheSessionsEntries) {
    QComboBox box;
    box.setEditable(true);
    box.setModel(session.History());
    box.setEditText(root + "tree/");
    AddTextToComboItems(&box, 20);
    box.setEditText(root);
    AddTextToComboItems(&box, 20);
    EXPECT_EQ(session.History()->stringList(), (QStringList{root + "tree/", root}));
    EXPECT_EQ(box.currentText(), root);
    box.setCurrentIndex(0);
    RemoveComboEntry(&box);
    EXPECT_EQ(session.History()->stringList(), QStringList{root});
    EXPECT_EQ(box.currentText(), root + "tree/"); // the text stays, as the folder does
}

TEST_F(AnalysisSessionTest, ShownRowsComeFromTheTreeAndStayUntilSomethingElseIsShown) {
    // A run: the tree's rows equal the scanner's own, free-space row included.
    const QString mount = QStringLiteral("/dev/shm/");
    if (!DirScanner::IsDriveRoot(mount)) GTEST_SKIP() << "no small file system root here";
    ASSERT_TRUE(session.Measure(mount, true, nullptr));
    const DirScanner& run = session.Results();
    EXPECT_EQ(session.ShownRows().paths, run.EntryPaths);
    EXPECT_EQ(session.ShownRows().mb, run.EntryMB);
    EXPECT_EQ(session.ShownRows().kb, run.EntryKB);
    EXPECT_EQ(session.ShownRows().paths.last(), mount + DirScanner::FreeSpaceName());
    EXPECT_EQ(session.TotalGB(), StrToSizeValue(run.TotalGBText));

    ASSERT_TRUE(session.Measure(root + "tree/", false, nullptr));
    EXPECT_EQ(session.ShownRows().paths, session.Results().EntryPaths);
    EXPECT_EQ(session.TotalMBText(), TotalText(0, "MB"));
    EXPECT_EQ(session.TotalKBText(), TotalText(49800, "KB")); // 4.88 + 0.1, as the rows show them
    EXPECT_EQ(session.ShownFilesFolder(), root + "tree/");
    EXPECT_EQ(session.ShownFileCount(), 3);
    // A result file replaces the size list only; its total leaves the free space out.
    session.ShowResultRows({"/r/a", "/r/<Free Space>"}, {"1", "9"}, {"1024", "9216"});
    EXPECT_EQ(session.ShownRows().kb, (QStringList{"1024", "9216"}));
    EXPECT_EQ(session.TotalKBText(), TotalText(10240 * 10000LL, "KB"));
    EXPECT_EQ(session.TotalGB(), StrToSizeValue(SizeText(suGB, BytesToSizeValue(1 << 20))));
    EXPECT_EQ(session.ShownFileCount(), 3);
    // The folder the current folder moves to is not shown until it is measured.
    session.SelectFolder(root + "tree/sub");
    EXPECT_EQ(session.ShownFilesFolder(), root + "tree/");
}
