// The duplicate finder by content, its selection helpers and its headless
// form, on trees built in temporary folders.
#include "core/duplicates/DuplicateFinder.h"
#include "common/TestFiles.h"
#include "common/Unprivileged.h"
#include "core/duplicates/KeepRules.h"
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// size bytes of a pattern that differs with seed everywhere.
QByteArray Bytes(int size, int seed) {
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + seed * 7 + i / 251) & 0xFF);
    return b;
}

std::vector<std::vector<std::string>> Paths(const DuplicateResult& r, const std::string& root) {
    std::vector<std::vector<std::string>> out;
    for (const DuplicateGroup& g : r.groups) {
        out.emplace_back();
        for (const DuplicateCopy& c : g.copies)
            out.back().push_back(c.path.substr(root.size() + 1));
    }
    return out;
}

struct FormRun {
    int status;
    QByteArray out, err;
};

FormRun Morvane(const QStringList& args, const QString& cwd = {}) {
    QProcess p;
    if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
    p.start(QStringLiteral(MORVANE_BINARY), QStringList{QStringLiteral("--duplicates")} + args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

class DuplicateFinderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path().toStdString();
    }
    QTemporaryDir tmp;
    std::string root;
};

} // namespace

TEST_F(DuplicateFinderTest, GroupsSameBytesOnlyAndCountsAnInodeOnce) {
    const QString t = tmp.path();
    const QByteArray big = Bytes(20000, 1);
    Write(t + "/a/big.bin", big);
    Write(t + "/b/big copy.bin", big);
    // Same size, head and tail as big, one byte changed in the middle.
    QByteArray middle = big;
    middle[10000] = char(middle[10000] ^ 1);
    Write(t + "/b/near.bin", middle);
    // A name that is not UTF-8 holds a third copy.
    const QByteArray raw = QFile::encodeName(t) + "/b/\xff\xfe.bin";
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(fd, big.constData(), std::size_t(big.size())), big.size());
    ::close(fd);
    // A hard link and a symbolic link to a copy add no copy.
    ASSERT_EQ(::link(QFile::encodeName(t + "/a/big.bin"), QFile::encodeName(t + "/a/hard.bin")), 0);
    ASSERT_EQ(::symlink("big.bin", QFile::encodeName(t + "/a/soft.bin")), 0);
    // Small copies, and empty files, kept only when asked for.
    Write(t + "/a/s1", "abc");
    Write(t + "/b/s2", "abc");
    Write(t + "/a/e1", "");
    Write(t + "/b/e2", "");

    const DuplicateResult r = FindDuplicates({root}, {});
    // Most wasted bytes first; the hard link counts once, never with itself.
    const auto groups = Paths(r, root);
    ASSERT_EQ(groups.size(), 2u);
    using Names = std::vector<std::string>;
    EXPECT_TRUE(groups[0] == (Names{"a/big.bin", "b/big copy.bin", "b/\xff\xfe.bin"}) ||
                groups[0] == (Names{"a/hard.bin", "b/big copy.bin", "b/\xff\xfe.bin"}));
    EXPECT_EQ(groups[1], (std::vector<std::string>{"a/s1", "b/s2"}));
    EXPECT_EQ(r.hardLinks, 1u);
    EXPECT_EQ(r.groups[0].size, 20000u);
    EXPECT_EQ(r.Wasted(), 2u * 20000 + 3);
    EXPECT_EQ(r.groups[0].HashText().size(), 32u);
    EXPECT_TRUE(r.problems.empty());

    // A folder given twice, or inside another, lists no file as its own copy.
    EXPECT_EQ(Paths(FindDuplicates({root, root + "/a"}, {}), root).size(), 2u);

    DuplicateOptions opts;
    opts.includeEmpty = true;
    EXPECT_EQ(FindDuplicates({root}, opts).groups.size(), 3u);
    opts = {};
    opts.minSize = 4;
    EXPECT_EQ(FindDuplicates({root}, opts).groups.size(), 1u);

    std::atomic<bool> cancel{true};
    const DuplicateResult stopped = FindDuplicates({root}, {}, &cancel);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_TRUE(stopped.groups.empty());
    ::unlink(raw.constData()); // QTemporaryDir cannot reach the name
}

TEST_F(DuplicateFinderTest, AFileChangedDuringTheSearchLeavesItsGroup) {
    const QString t = tmp.path();
    const QByteArray data = Bytes(50000, 2);
    for (const char* n : {"/x", "/y", "/z"})
        Write(t + n, data);
    DuplicateOptions opts;
    opts.stageStarted = [&](DuplicateStage s) {
        if (s != DuplicateStage::Whole) return;
        // Same size, new time: it was written to after the walk.
        Write(t + "/z", data);
        const timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
        ::utimensat(AT_FDCWD, QFile::encodeName(t + "/z").constData(), times, 0);
    };
    const DuplicateResult r = FindDuplicates({root}, opts);
    EXPECT_EQ(Paths(r, root), (std::vector<std::vector<std::string>>{{"x", "y"}}));
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].path, root + "/z");
    EXPECT_TRUE(r.problems[0].changed);
}

TEST_F(DuplicateFinderTest, AnUnreadableFileIsReportedAndSkipped) {
    const QString t = tmp.path();
    for (const char* n : {"/x", "/y", "/locked"})
        Write(t + n, Bytes(9000, 3));
    ::chmod(QFile::encodeName(t + "/locked").constData(), 0);
    unprivileged::HandOver({t, t + "/x", t + "/y", t + "/locked"});
    const int status = unprivileged::Run([&] {
        const DuplicateResult r = FindDuplicates({root}, {});
        const bool grouped = Paths(r, root) == std::vector<std::vector<std::string>>{{"x", "y"}};
        const bool reported = r.problems.size() == 1 && r.problems[0].path == root + "/locked" &&
                              !r.problems[0].changed;
        return (grouped ? 1 : 0) | (reported ? 2 : 0);
    });
    EXPECT_EQ(status, 3);
}

TEST(KeepRules, KeepOneCopyByEachRuleAndNeverCheckAWholeGroup) {
    const std::vector<CopyRow> rows = {{1, "/d/long/name/a", 300},
                                       {1, "/d/b", 100},
                                       {1, "/ref/c", 200}, // group 1
                                       {2, "/d/x", 50},
                                       {2, "/e/y", 50},    // same time
                                       {3, "/d/alone", 1}, // one left
                                       {-1, "/d/plain", 0}};
    using V = std::vector<char>;
    EXPECT_EQ(CopiesToCheck(rows, KeepRule::Oldest), (V{1, 0, 1, 0, 1, 0, 0}));
    EXPECT_EQ(CopiesToCheck(rows, KeepRule::Newest), (V{0, 1, 1, 0, 1, 0, 0}));
    EXPECT_EQ(CopiesToCheck(rows, KeepRule::ShortestPath), (V{1, 0, 1, 0, 1, 0, 0}));
    // Only groups with a copy in the reference folder are touched; "/ref" is
    // not "/refx"; every copy inside stays.
    EXPECT_EQ(CopiesToCheck(rows, KeepRule::InsideFolder, "/ref/"), (V{1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(CopiesToCheck(rows, KeepRule::InsideFolder, "/re"), V(7, 0));
    EXPECT_EQ(CopiesToCheck(rows, KeepRule::InsideFolder, "/d"), (V{0, 0, 1, 0, 1, 0, 0}));
    EXPECT_EQ(CopiesToCheck(rows, KeepRule::InsideFolder, "/"), V(7, 0));
}

TEST_F(DuplicateFinderTest, HeadlessFormatsAndExitStatus) {
    const QString t = tmp.path();
    // A folder named like a formula: the CSV shows it as text.
    Write(t + "/=1+1/a", Bytes(5000, 4));
    Write(t + "/=1+1/b", Bytes(5000, 4));
    FormRun r = Morvane({QStringLiteral("=1+1")}, t);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("5000 bytes x 2 copies"));
    EXPECT_TRUE(r.out.endsWith("1 groups, 2 copies, 5000 bytes could be freed\r\n"));
    r = Morvane({QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("=1+1")}, t);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Group,Size,Hash,Path,\r\n1,5000,"));
    EXPECT_TRUE(r.out.contains(",'=1+1/a,\r\n")) << r.out.toStdString();
    const QString out = t + "/out.json";
    r = Morvane({t + "/=1+1", QStringLiteral("--format=json"), QStringLiteral("--output"), out});
    EXPECT_EQ(r.status, 0);
    const QJsonObject json = QJsonDocument::fromJson(Read(out)).object();
    EXPECT_EQ(json[QStringLiteral("summary")][QStringLiteral("bytes_freeable")].toInt(), 5000);
    EXPECT_EQ(
        json[QStringLiteral("groups")].toArray().at(0)[QStringLiteral("paths")].toArray().size(),
        2);
    // Bad input: status 2, one line, nothing written.
    for (const QStringList& bad :
         {QStringList{}, QStringList{t + "/missing"}, QStringList{t, QStringLiteral("--bogus")},
          QStringList{t, QStringLiteral("--min-size"), QStringLiteral("ten")},
          QStringList{t, QStringLiteral("--format"), QStringLiteral("xml")},
          QStringList{t, QStringLiteral("--output"), t + "/no/such/file"}}) {
        QFile::remove(out);
        r = Morvane(bad.size() > 2 ? bad : bad + QStringList{QStringLiteral("--output"), out});
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1);
        EXPECT_FALSE(QFile::exists(out));
    }
}
