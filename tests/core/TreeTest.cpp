// The whole-tree model a run leaves behind: every entry, totals and counts by
// the walk's rules, exact values beyond the compact fields, and the orders the
// file list and the snapshot writer read it in.
#include "../common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/snapshot/Snapshot.h"
#include "core/snapshot/SnapshotWriter.h"
#include "core/tree/TreeRows.h"
#include "platform/NativePath.h"
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <set>
#include <sys/time.h>

namespace {

class TreeTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString root;
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = dir.path() + QLatin1Char('/');
        MakeFile(NativePath(root + "a/one"), 1000);
        MakeFile(NativePath(root + "a/b/two"), 3000);
        MakeFile(NativePath(root + "a/.h/hidden"), 5000);
        MakeFile(QByteArray(NativePath(root) + "a/b/\xff-bytes"), 7);
        MakeFile(NativePath(root + "top"), 20);
        ::mkdir(NativePath(root + "empty").constData(), 0755);
        ASSERT_EQ(::symlink("a", NativePath(root + "link").constData()), 0);
    }
    std::shared_ptr<const Tree> Run(int threads) {
        DirScanner d;
        d.Threads = threads;
        d.FolderPath = root;
        d.Measure();
        return d.LastTree();
    }
    static std::vector<QString> Order(const Tree& t, TreeRowCursor::Order order) {
        std::vector<QString> out;
        TreeRowCursor c(t, 0, QStringLiteral("/r/"), order);
        while (c.Next()) {
            EXPECT_EQ(c.Path(), c.Folder() + c.Name());
            out.push_back(c.Path());
        }
        return out;
    }
};

TEST_F(TreeTest, EveryEntryWithTotalsCountsAndFlags) {
    for (int threads : {1, 4}) {
        const auto t = Run(threads);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->Count(), 10u); // a/.h is listed, not entered
        const Tree::Index a = t->Find("a"), h = t->Find("a/.h"), l = t->Find("link");
        ASSERT_NE(a, Tree::kNone);
        EXPECT_EQ(t->At(a).total, 4007);
        EXPECT_EQ(t->At(a).files, 3u);
        EXPECT_EQ(t->At(h).flags & (Tree::Folder | Tree::Excluded), Tree::Folder | Tree::Excluded);
        EXPECT_EQ(t->FirstChild(h), Tree::kNone);
        EXPECT_TRUE(t->At(l).flags & Tree::NotRegular);
        EXPECT_EQ(t->At(0).total, 4007 + 20 + t->At(l).size);
        EXPECT_EQ(t->At(0).files, 5u);
        EXPECT_EQ(t->NameBytes(t->Find(QString(root + "a/b/") + PathFromNative("\xff-bytes"))),
                  QByteArray("\xff-bytes"));
        EXPECT_LE(t->MemoryBytes(), t->Count() * 40 + 200 + std::size_t(NativePath(root).size()));
    }
}

TEST_F(TreeTest, RunOrderListsTheTopsOwnEntriesLast) {
    const auto t = Run(1);
    {
        DirScanner d;
        d.FolderPath = root;
        d.Measure();
        ASSERT_TRUE(d.LastTree());
    }
    const std::vector<QString> run = Order(*t, TreeRowCursor::FilesLast);
    const std::vector<QString> depth = Order(*t, TreeRowCursor::DepthFirst);
    ASSERT_EQ(run.size(), t->Count() - 1);
    ASSERT_EQ(depth.size(), run.size());
    // The same entries; a top entry comes before its insides depth first, after them in a run.
    EXPECT_EQ(std::set<QString>(run.begin(), run.end()),
              std::set<QString>(depth.begin(), depth.end()));
    auto pos = [](const std::vector<QString>& v, const char* p) {
        return std::find(v.begin(), v.end(), QString::fromUtf8(p)) - v.begin();
    };
    EXPECT_LT(pos(depth, "/r/a"), pos(depth, "/r/a/one"));
    EXPECT_GT(pos(run, "/r/a"), pos(run, "/r/a/one"));
    EXPECT_LT(pos(run, "/r/a/b"), pos(run, "/r/a/b/two"));
}

TEST_F(TreeTest, ValuesBeyondTheCompactFieldsStayExact) {
    // Before 1970, and a sparse file of 4 TiB (more 512-byte blocks than 32 bits
    // hold only when written; its apparent size is what counts).
    const QByteArray old = NativePath(root + "a/one");
    const struct timeval times[2] = {{-86400 * 400, 0}, {-86400 * 365, 0}};
    ASSERT_EQ(::utimes(old.constData(), times), 0);
    MakeFile(NativePath(root + "big"), std::int64_t(1) << 42);
    const auto t = Run(1);
    const Tree::Index one = t->Find("a/one");
    EXPECT_EQ(t->ModifiedTime(one), -86400 * 365);
    EXPECT_EQ(t->AccessTime(one), -86400 * 400);
    EXPECT_EQ(t->At(t->Find("big")).size, std::int64_t(1) << 42);
    EXPECT_EQ(t->AccessTime(t->Find("a")), std::nullopt); // folders keep no access time
    EXPECT_GT(t->OwnSize(t->Find("a")), 0);

    // The snapshot written from the tree reads back the same.
    const QString json = dir.filePath("snap.json");
    ASSERT_TRUE(WriteSnapshot(dir.path() + "/a", json).ok);
    const Snapshot s = Snapshot::Read(json);
    EXPECT_EQ(s.At(0).total, 4007);
    EXPECT_EQ(s.At(s.Find("one")).mtime, Tree::kNoTime); // a snapshot keeps no time before 1970
    EXPECT_TRUE(s.At(s.Find(".h")).flags & Tree::Excluded);
}

TEST(TreeDeep, SnapshotOfAChainDeeperThanTheOpenLevels) {
    QTemporaryDir dir, out;
    QByteArray p = NativePath(dir.path());
    for (int i = 0; i < 300; ++i)
        p += "/d";
    MakeFile(p + "/leaf", 9);
    const QString json = out.filePath("deep.json");
    const SnapshotWriteResult r = WriteSnapshot(dir.path(), json);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.entries, 302u);
    EXPECT_EQ(r.bytes, 9u);
    const Snapshot s = Snapshot::Read(json);
    ASSERT_EQ(s.Count(), 302u);
    EXPECT_EQ(s.At(0).total, 9);
    EXPECT_EQ(s.At(300).total, 9);
    EXPECT_EQ(s.At(300).files, 1u);
}

} // namespace
