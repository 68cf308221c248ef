// Comparing two whole trees: matching by path bytes below two roots, kind
// changes, the per-node change vector, filters, and the --compare form on
// snapshots of ncdu, gdu and our own, and on folders analysed now.
#include "core/compare/TreeCompare.h"
#include "cli/CompareForm.h"
#include "common/FormRun.h"
#include "common/TestFiles.h"
#include "core/compare/FolderChanges.h"
#include "core/engine/DirScanner.h"
#include "core/snapshot/Snapshot.h"
#include "platform/FileTree.h"
#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

namespace {

// Each \xHH in body becomes that byte: names that are not UTF-8.
Snapshot Parse(QByteArray body) {
    for (qsizetype at; (at = body.indexOf("\\x")) >= 0;)
        body.replace(at, 4, QByteArray(1, char(body.mid(at + 2, 2).toInt(nullptr, 16))));
    QBuffer b;
    b.setData("[1,2,{\"progname\":\"test\"}," + body + "]");
    b.open(QIODevice::ReadOnly);
    return Snapshot::Read(b, QStringLiteral("test.json"));
}

// Listed entries as "path state change files".
std::map<QByteArray, QByteArray> Listed(const Tree& o, const Tree& n, const CompareResult& r) {
    std::map<QByteArray, QByteArray> out;
    for (const CompareEntry& e : r.entries) {
        const QByteArray path = e.newIndex != Tree::kNone ? ComparePath(n, r.newRoot, e.newIndex)
                                                          : ComparePath(o, r.oldRoot, e.oldIndex);
        const char* state = e.state == CompareEntry::Added     ? "added"
                            : e.state == CompareEntry::Removed ? "removed"
                                                               : "changed";
        out[path + ' ' + state] = QByteArray::number(qint64(e.Change())) + ' ' +
                                  QByteArray::number(qint64(e.FileChange()));
    }
    return out;
}

// The old tree at /mnt/old, the new one at /srv/data: the same tree, moved.
const QByteArray kOld = R"([{"name":"/mnt/old"},
    [{"name":"grows"},{"name":"log","asize":100},{"name":"same","asize":7}],
    [{"name":"shrinks"},{"name":"big","asize":500}],
    [{"name":"gone"},[{"name":"deep"},{"name":"x","asize":30}],{"name":"y","asize":20}],
    [{"name":"becomes-file"},{"name":"z","asize":40}],
    {"name":"becomes-link","asize":60},
    {"name":"caf\xe9","asize":10},
    [{"name":"moved-within"},{"name":"a","asize":5},{"name":"b","asize":5}]])";
const QByteArray kNew = R"([{"name":"/srv/data"},
    [{"name":"shrinks"},{"name":"big","asize":200}],
    [{"name":"grows"},{"name":"same","asize":7},{"name":"log","asize":1000}],
    [{"name":"fresh"},[{"name":"sub"},{"name":"n","asize":300}]],
    {"name":"becomes-file","asize":45},
    {"name":"becomes-link","asize":60,"notreg":true},
    {"name":"caf\xe9","asize":15},
    {"name":"caf\xc3\xa9","asize":3},
    [{"name":"moved-within"},{"name":"b","asize":5},{"name":"c","asize":5}]])";

TEST(TreeCompareTest, MatchesByBytesBelowDifferentRootsAndCountsKindChangesTwice) {
    const Snapshot o = Parse(kOld), n = Parse(kNew);
    const CompareResult r = CompareTrees(o, 0, n, 0);
    EXPECT_EQ(r.oldTotal, 100 + 7 + 500 + 30 + 20 + 40 + 60 + 10 + 10);
    EXPECT_EQ(r.newTotal, 200 + 7 + 1000 + 300 + 45 + 60 + 15 + 3 + 10);
    EXPECT_EQ(r.TotalChange(), r.newTotal - r.oldTotal);
    EXPECT_EQ(r.FileChange(), 10 - 10);

    const std::map<QByteArray, QByteArray> want = {
        {"grows changed", "900 0"},
        {"grows/log changed", "900 0"},
        {"shrinks changed", "-300 0"},
        {"shrinks/big changed", "-300 0"},
        {"gone removed", "-50 -2"},
        {"gone/deep removed", "-30 -1"},
        {"gone/deep/x removed", "-30 -1"},
        {"gone/y removed", "-20 -1"},
        {"fresh added", "300 1"},
        {"fresh/sub added", "300 1"},
        {"fresh/sub/n added", "300 1"},
        // A folder that became a file, a file that became a link: gone and new.
        {"becomes-file removed", "-40 -1"},
        {"becomes-file/z removed", "-40 -1"},
        {"becomes-file added", "45 1"},
        {"becomes-link removed", "-60 -1"},
        {"becomes-link added", "60 1"},
        // Latin-1 and UTF-8 spellings of one name are two names.
        {"caf\xe9 changed", "5 0"},
        {"caf\xc3\xa9 added", "3 1"},
        // Equal totals, yet a file was swapped: the count stays, the entries show.
        {"moved-within/a removed", "-5 -1"},
        {"moved-within/c added", "5 1"},
    };
    EXPECT_EQ(Listed(o, n, r), want);
    EXPECT_EQ(r.addedCount, 7u);
    EXPECT_EQ(r.removedCount, 8u);

    // Largest growth first, and the first level adds up to the total change.
    for (std::size_t i = 1; i < r.entries.size(); ++i)
        EXPECT_GE(r.entries[i - 1].Change(), r.entries[i].Change());
    std::int64_t firstLevel = 0;
    for (const CompareEntry& e : r.entries)
        if (e.depth == 1) firstLevel += e.Change();
    EXPECT_EQ(firstLevel, r.TotalChange());

    // The new tree's vector: changes of matched nodes, whole sizes of new ones.
    const auto at = [&](const char* path) { return n.Find(QString::fromUtf8(path)); };
    EXPECT_EQ(r.change[0], r.TotalChange());
    EXPECT_EQ(r.change[at("grows/log")], 900);
    EXPECT_EQ(r.change[at("grows/same")], 0);
    EXPECT_EQ(r.change[at("shrinks")], -300);
    EXPECT_EQ(r.change[at("fresh/sub")], 300);
    EXPECT_EQ(r.change[at("becomes-file")], 45);
    EXPECT_TRUE(r.Added(at("fresh/sub/n")) && r.Added(at("becomes-link")));
    EXPECT_FALSE(r.Added(at("grows")) || r.Added(at("moved-within")) || r.Added(0));
}

TEST(TreeCompareTest, DepthMinChangeAndSubfolder) {
    const Snapshot o = Parse(kOld), n = Parse(kNew);
    CompareOptions opt;
    opt.depth = 1;
    opt.minChange = 50;
    const std::map<QByteArray, QByteArray> want = {
        {"grows changed", "900 0"},         {"shrinks changed", "-300 0"},
        {"gone removed", "-50 -2"},         {"fresh added", "300 1"},
        {"becomes-link removed", "-60 -1"}, {"becomes-link added", "60 1"}};
    const CompareResult r = CompareTrees(o, 0, n, 0, opt);
    EXPECT_EQ(Listed(o, n, r), want);
    // Filters shorten the list, never the totals or the vector.
    EXPECT_EQ(r.TotalChange(), CompareTrees(o, 0, n, 0).TotalChange());
    EXPECT_EQ(r.change[n.Find("fresh/sub/n")], 300);

    const CompareResult sub = CompareTrees(o, o.Find("grows"), n, n.Find("grows"));
    EXPECT_EQ(Listed(o, n, sub), (std::map<QByteArray, QByteArray>{{"log changed", "900 0"}}));
    EXPECT_EQ(sub.change[0], 0); // outside the folder compared
}

// The window compares the folder both trees hold, and shows per folder what its
// own files gained and what of it is gone.
TEST(TreeCompareTest, SnapshotOfAParentFolderAndOneFoldersChanges) {
    const auto older = std::make_shared<const Snapshot>(Parse(R"([{"name":"/srv"},
        [{"name":"data"},{"name":"a","asize":10},{"name":"b","asize":20},
         [{"name":"old"},{"name":"x","asize":5}],[{"name":"kept"},{"name":"y","asize":1}]],
        {"name":"other","asize":99}])"));
    const auto newer = std::make_shared<const Snapshot>(Parse(R"([{"name":"/srv/data"},
        {"name":"a","asize":15},{"name":"c","asize":7},[{"name":"kept"},{"name":"y","asize":3}]])"));
    EXPECT_EQ(MatchingRoots(*older, *newer), std::make_pair(older->Find("data"), Tree::Index(0)));
    EXPECT_EQ(MatchingRoots(*newer, *older), std::make_pair(Tree::Index(0), older->Find("data")));
    EXPECT_EQ(MatchingRoots(*newer, Parse(kOld)), std::make_pair(Tree::Index(0), Tree::Index(0)));

    const auto c = SnapshotComparison::Make(older, "old.json", newer);
    EXPECT_EQ(c->result.TotalChange(), (15 + 7 + 3) - (10 + 20 + 5 + 1));
    const FolderChanges top = ChangesIn(*c, 0);
    EXPECT_TRUE(top.compared);
    EXPECT_EQ(top.filesChange, 5 + 7 - 20); // a grew, c is new, b is gone
    QStringList gone;
    for (Tree::Index k : top.removed)
        gone << older->Name(k);
    EXPECT_EQ(gone, QStringList({"b", "old"}));
    EXPECT_EQ(ChangesIn(*c, newer->Find("kept")).filesChange, 2);
}

std::int64_t AnalysedTotal(const QString& folder) {
    DirScanner scanner;
    scanner.FolderPath = folder + '/';
    scanner.Measure();
    return scanner.LastTree()->At(0).total;
}

TEST(CompareFormTest, PeerSnapshotsAgainstAFolderAnalysedNow) {
    QTemporaryDir tmp;
    const QString root = tmp.path() + "/tree", out = tmp.path() + "/out";
    QDir().mkpath(out);
    MakeFile(QFile::encodeName(root) + "/keep/a", 4096);
    MakeFile(QFile::encodeName(root) + "/shrink/b", 8192);
    MakeFile(QFile::encodeName(root) + "/raw\xff/c", 1000);
    const std::int64_t before = AnalysedTotal(root);
    QStringList snapshots;
    for (const QString tool : {"ncdu", "gdu", "morvane"}) {
        const QString file = out + '/' + tool + ".json";
        if (tool == "morvane")
            ASSERT_EQ(Morvane({"--report", root, "--format", "ncdu-json", "--output", file}).status,
                      0);
        else if (QStandardPaths::findExecutable(tool).isEmpty())
            continue;
        else
            ASSERT_EQ(RunProgram(tool, tool == "gdu" ? QStringList{"-n", "-o", file, root}
                                                     : QStringList{"-0", "-o", file, root})
                          .status,
                      0);
        snapshots << file;
    }
    MakeFile(QFile::encodeName(root) + "/grown/new", 20000);
    MakeFile(QFile::encodeName(root) + "/raw\xff/c", 5000);
    ASSERT_EQ(::truncate(QFile::encodeName(root + "/shrink/b").constData(), 100), 0);
    const std::int64_t after = AnalysedTotal(root);

    for (const QString& file : snapshots) {
        SCOPED_TRACE(file.toStdString());
        const FormRun r = Morvane({"--compare", file, root, "--format", "json"});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
        const QJsonObject sum = doc["summary"].toObject();
        EXPECT_EQ(sum["old_size"].toInteger(), before);
        EXPECT_EQ(sum["new_size"].toInteger(), after);
        EXPECT_EQ(sum["change"].toInteger(), after - before);
        QStringList rows;
        for (const QJsonValue v : doc["entries"].toArray())
            rows << v["path"].toString() + ' ' + v["state"].toString() + ' ' +
                        QString::number(v["change"].toInteger());
        // gdu writes a name that is not UTF-8 with U+FFFD: no longer the disk's name.
        const QStringList raw =
            file.endsWith("gdu.json")
                ? QStringList{"raw\uFFFD/ added 5000", "raw\uFFFD/c added 5000",
                              "raw\uFFFD/ removed -1000", "raw\uFFFD/c removed -1000"}
                : QStringList{"raw\uFFFD/ changed 4000", "raw\uFFFD/c changed 4000"};
        EXPECT_EQ(rows, QStringList({"grown/ added 20000", "grown/new added 20000"}) + raw +
                            QStringList({"shrink/ changed -8092", "shrink/b changed -8092"}));
    }
    // Two snapshots of one time compare equal, whoever wrote them.
    if (snapshots.size() > 1) {
        const FormRun same = Morvane({"--compare", snapshots.first(), snapshots.last(), "--format",
                                      "csv", "--output", out + "/same.csv"});
        ASSERT_EQ(same.status, 0) << same.err.toStdString();
        EXPECT_EQ(Read(out + "/same.csv").count("\r\n"), 2); // caption and total
    }
    const FormRun text =
        Morvane({"--compare", snapshots.last(), root, "--depth", "1", "--min-change", "10"});
    EXPECT_TRUE(text.out.contains("+19.53 ") && !text.out.contains("raw")) << text.out.data();
    RemoveTree(QFile::encodeName(root)); // QTemporaryDir cannot remove names that are not UTF-8
}

TEST(CompareFormTest, BadInputWritesNothing) {
    QTemporaryDir tmp;
    const QString good = tmp.path() + "/good.json", bad = tmp.path() + "/bad.json",
                  target = tmp.path() + "/report.txt";
    Write(tmp.path() + "/tree/f", "x");
    ASSERT_EQ(Morvane({"--report", tmp.path() + "/tree", "--format", "ncdu-json", "--output", good})
                  .status,
              0);
    Write(bad, Read(good).left(40));
    for (const QStringList& args : {QStringList{good, bad},
                                    {bad, good},
                                    {good, tmp.path() + "/none"},
                                    {good},
                                    {good, good, "--depth", "0"},
                                    {good, good, "--path", "nope"}}) {
        const FormRun r =
            Morvane(QStringList{"--compare"} + args + QStringList{"--output", target});
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("morvane: ")) << r.err.data();
        EXPECT_FALSE(QFile::exists(target));
    }
    EXPECT_TRUE(Morvane({"--compare", good, bad}).err.contains("bad.json"));
}

} // namespace
