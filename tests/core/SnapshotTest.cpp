// Whole-tree snapshots: our export read back by ncdu, theirs (ncdu, gdu) read by
// us with the totals of our own analysis, and damaged or hostile files refused.
#include "core/snapshot/Snapshot.h"
#include "core/tree/TreeRows.h"
#include "platform/Errors.h"
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ProcessRun {
    int status = -1;
    QByteArray out, err;
};

ProcessRun Exec(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
ProcessRun Report(const QStringList& args) {
    return Exec(QStringLiteral(MORVANE_BINARY), QStringList{"--report"} + args);
}

// By bytes: names that are not UTF-8 must reach the disk as they are.
void MakeFile(const QByteArray& path, off_t size) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

QStringList Sorted(const QByteArray& csv) {
    QStringList lines = QString::fromUtf8(csv).split(QStringLiteral("\r\n"));
    lines.sort();
    return lines;
}

Snapshot Parse(const QByteArray& bytes) {
    QBuffer b;
    b.setData(bytes);
    b.open(QIODevice::ReadOnly);
    return Snapshot::Read(b, QStringLiteral("test.json"));
}

// The tree as comparable lines: path, folder or not, size of non-folders, marks.
QStringList Describe(const Snapshot& s) {
    QStringList lines;
    for (std::uint32_t i = 1; i < s.Count(); ++i) {
        const Snapshot::Node& n = s.At(i);
        lines << QString::fromLatin1(s.PathBytes(i).toPercentEncoding("/")) +
                     (n.IsFolder() ? " dir " : " file ") +
                     QString::number(n.IsFolder() ? 0 : n.size) + ' ' +
                     QString::number(n.flags & (Snapshot::NotRegular | Snapshot::Excluded));
    }
    lines.sort();
    return lines;
}

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = QFile::encodeName(tmp.path()) + "/tree";
        for (const char* d : {"/a/b/c", "/d", "/e f", "/.hidden/x"})
            ASSERT_TRUE(QDir().mkpath(QFile::decodeName(root + d)));
        MakeFile(root + "/top.bin", 1536);
        MakeFile(root + "/a/one", 100000);
        MakeFile(root + "/a/b/c/deep", 7777);
        MakeFile(root + "/d/q\"uo\\te\nline", 12);
        MakeFile(root + "/d/\xff\xfe-bytes", 300);
        MakeFile(root + "/e f/zero", 0);
        MakeFile(root + "/.hidden/x/big", 5000000);
        ASSERT_EQ(::symlink("../a", (root + "/d/link").constData()), 0);
        ASSERT_EQ(::mkfifo((root + "/d/pipe").constData(), 0600), 0);
    }
    // QTemporaryDir cannot remove a name that is not UTF-8.
    void TearDown() override { ::unlink((root + "/d/\xff\xfe-bytes").constData()); }
    QString Root() const { return QFile::decodeName(root); }
    QString File(const char* name) const { return tmp.filePath(QString::fromLatin1(name)); }
    QTemporaryDir tmp;
    QByteArray root;
};

} // namespace

TEST_F(SnapshotTest, OurExportReadsBackThroughNcduAndUs) {
    const ProcessRun w = Report({Root(), "--format", "ncdu-json", "--output", File("ours.json")});
    ASSERT_EQ(w.status, 0) << w.err.toStdString();
    const Snapshot ours = Snapshot::Read(File("ours.json"));
    EXPECT_EQ(ours.RootPath(), Root());
    const QStringList lines = Describe(ours);
    // Names byte for byte, links and pipes marked, the hidden folder listed shut.
    const QString top = QString::fromLatin1(root.toPercentEncoding("/"));
    EXPECT_TRUE(lines.contains(top + "/d/q%22uo%5Cte%0Aline file 12 0"))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(top + "/d/%FF%FE-bytes file 300 0"));
    EXPECT_TRUE(lines.contains(QStringLiteral("%1/d/link file 4 2")
                                   .arg(QString::fromLatin1(root.toPercentEncoding("/")))));
    EXPECT_TRUE(lines.contains(QStringLiteral("%1/.hidden dir 0 4")
                                   .arg(QString::fromLatin1(root.toPercentEncoding("/")))));
    EXPECT_EQ(ours.Count(), 15u);

    if (QStandardPaths::findExecutable("ncdu").isEmpty()) GTEST_SKIP() << "ncdu not installed";
    const ProcessRun back = Exec("ncdu", {"-f", File("ours.json"), "-o", File("back.json")});
    ASSERT_EQ(back.status, 0) << back.err.toStdString();
    EXPECT_EQ(Describe(Snapshot::Read(File("back.json"))), lines);
}

TEST_F(SnapshotTest, PeerSnapshotsListAsOurAnalysis) {
    const ProcessRun analysis = Report({Root(), "--format", "csv", "--bare"});
    const ProcessRun analysisA = Report({Root() + "/a", "--format", "csv", "--bare"});
    const ProcessRun filesA = Report({Root() + "/a", "--files", "--format", "csv", "--bare"});
    ASSERT_EQ(analysis.status, 0);
    for (const char* tool : {"ncdu", "gdu", "morvane"}) {
        SCOPED_TRACE(tool);
        const QString file = File(tool);
        if (QByteArray(tool) == "morvane") {
            ASSERT_EQ(Report({Root(), "--format", "ncdu-json", "--output", file}).status, 0);
        } else if (QStandardPaths::findExecutable(tool).isEmpty()) {
            continue;
        } else {
            const QStringList args = QByteArray(tool) == "gdu"
                                         ? QStringList{"-n", "-o", file, Root()}
                                         : QStringList{"-0", "-o", file, Root()};
            ASSERT_EQ(Exec(tool, args).status, 0);
        }
        const ProcessRun r = Report({"--open-snapshot", file, "--format", "csv", "--bare"});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        // Rows in each tool's order; the size list of the window sorts them anyway.
        EXPECT_EQ(Sorted(r.out), Sorted(analysis.out));
        EXPECT_EQ(
            Sorted(
                Report({"--open-snapshot", file, "--path", "a", "--format", "csv", "--bare"}).out),
            Sorted(analysisA.out));
        // The same entries in the file list (the order is each tool's own walk).
        const ProcessRun f = Report({"--open-snapshot", file, "--path", Root() + "/a", "--files",
                                     "--format", "csv", "--bare"});
        auto paths = [](const QByteArray& csv) {
            QStringList out;
            for (const QString& line : QString::fromUtf8(csv).split("\r\n", Qt::SkipEmptyParts))
                out << line.section(',', 3, 3) + ' ' + line.section(',', 4, 4);
            out.sort();
            return out;
        };
        EXPECT_EQ(paths(f.out), paths(filesA.out));
    }
    const ProcessRun missing = Report({"--open-snapshot", File("morvane"), "--path", "nope"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.out.isEmpty());
}

TEST(SnapshotReader, RefusesDamagedAndHostileFiles) {
    const QByteArray head = R"([1,2,{"progname":"x"},)";
    const QByteArray good = head + R"([{"name":"/r"},{"name":"f","asize":5},[{"name":"d"}]]])";
    const Snapshot s = Parse(good);
    EXPECT_EQ(s.Count(), 3u);
    EXPECT_EQ(s.At(0).total, 5);
    EXPECT_EQ(s.Find("d"), 2u);
    EXPECT_EQ(Parse(head + R"([{"name":"/r","x":[{"y":[1,{}]},null,-1.5e3]}]])").Count(), 1u);

    const std::pair<QByteArray, const char*> bad[] = {
        {"", "cut off"},
        {good.left(good.size() - 3), "cut off"},
        {good + "x", "data after the end"},
        {R"([2,0,{},[{"name":"/r"}]])", "version"},
        {head + R"([{"name":5}]])", "string expected"},
        {head + R"([{"name":"/r"},{"name":"f","asize":"5"}]])", "number expected"},
        {head + R"([{"name":"/r"},{"name":"f","asize":-1}]])", "negative"},
        {head + R"([{"name":"/r"},{"name":"f","asize":99999999999999999999}]])", "too large"},
        {head + R"([{"name":"/r"},{"name":"f","asize":18446744073709551617}]])", "too large"},
        {head + R"([{"name":"/r"},{"name":"f","asize":1e3}]])", "whole number"},
        {head + R"([{"name":"/r"},{"name":"f","notreg":1}]])", "true or false"},
        {head + R"([{"name":"/r"},{"name":"a/b"}]])", "'/'"},
        {head + R"([{"name":"/r"},{"name":"a\u0000b"}]])", "NUL"},
        {head + R"([{"name":"/r"},{"name":".."}]])", "\"..\""},
        {head + R"([{"name":"/r"},{"name":""}]])", "empty name"},
        {head + R"([{"name":"/r"},{"asize":1}]])", "without a name"},
        {head + R"([{"name":"/r"},{"name":"\ud800"}]])", "surrogate"},
        {head + R"([{"name":"/r"},[]]])", "entry object"},
        {head + R"([{"name":"/r"},{"name":"a","asize":1125899906842624},)"
                R"({"name":"b","asize":1125899906842624}]])",
         "beyond"},
        {head + QByteArray(5000, '[') + '1' + QByteArray(5000, ']'), "entry object"},
        {head + R"([{"name":"/r","x":)" + QByteArray(100000, '[') + "]]", "nested too deep"},
    };
    for (const auto& [bytes, why] : bad) {
        try {
            Parse(bytes);
            ADD_FAILURE() << "accepted: " << bytes.left(200).toStdString();
        } catch (const EMorvaneError& e) {
            EXPECT_TRUE(e.message().contains(QLatin1String(why)))
                << e.message().toStdString() << " / " << why;
        }
    }
    // Folders nested beyond the limit: refused, without deep recursion.
    QByteArray deep = head;
    for (int i = 0; i < Snapshot::kMaxDepth + 10; ++i)
        deep += R"([{"name":"d"},)";
    EXPECT_THROW(Parse(deep), EMorvaneError);
}

// Entries near the reader's 1 PiB limit: the size texts are made from bytes x
// 10000, which passes 64 bits there.
TEST(SnapshotReader, TreeOfAPetabyteShowsItsTrueSizes) {
    const Snapshot tree = Parse(R"([1,2,{},[{"name":"/r"},[{"name":"d"},)"
                                R"({"name":"a","asize":562949953421312},)"
                                R"({"name":"b","asize":562949953421312}]]])");
    EXPECT_EQ(tree.At(0).total, 1125899906842624);
    TreeFolderRows rows = FolderRowsOf(tree, 0);
    EXPECT_EQ(rows.mb, QStringList({"1073741824", "0"}));
    EXPECT_EQ(rows.kb, QStringList({"1099511627776", "0"}));
    EXPECT_EQ(SizeText(suGB, rows.total), "1048576");

    const Snapshot file =
        Parse(R"([1,2,{},[{"name":"/r"},{"name":"f","asize":1000000000000000}]])");
    rows = FolderRowsOf(file, 0);
    EXPECT_EQ(rows.mb, QStringList{"953674316.41"});
    EXPECT_EQ(rows.kb, QStringList{"976562500000"});
    EXPECT_TRUE(rows.total == BytesToSizeValue(1000000000000000));
    const TreeFileRowSource files(file, 0);
    ASSERT_EQ(files.RowCount(), 1);
    EXPECT_EQ(files.SubItem(0, 4), "976562500000");
}

TEST(SnapshotReader, MutatedFilesNeverCrashOrHang) {
    QByteArray good = R"([1,2,{"progname":"x","timestamp":1},)"
                      R"([{"name":"/r","asize":4096,"dev":1},)";
    for (int i = 0; i < 20; ++i)
        good += QStringLiteral(R"({"name":"f%1","asize":%2,"dsize":4096,"mtime":9},)"
                               R"([{"name":"d%1","excluded":"pattern"},{"name":"\u00e9%1",)"
                               R"("notreg":true,"read_error":false}],)")
                    .arg(i)
                    .arg(i * 1000)
                    .toUtf8();
    good += R"({"name":"last"}]])";
    ASSERT_EQ(Parse(good).Count(), 62u);
    std::mt19937 rng(21);
    const QByteArray alphabet = R"([]{},:"\0123456789-eu/ ntf)";
    QElapsedTimer timer;
    timer.start();
    int accepted = 0;
    for (int round = 0; round < 5000; ++round) {
        QByteArray m = good;
        const int edits = 1 + int(rng() % 4);
        for (int e = 0; e < edits && !m.isEmpty(); ++e) {
            const int at = int(rng() % std::uint32_t(m.size()));
            switch (rng() % 4) {
            case 0:
                m[at] = alphabet[int(rng() % std::uint32_t(alphabet.size()))];
                break;
            case 1:
                m.remove(at, 1 + int(rng() % 20));
                break;
            case 2:
                m.insert(at, m.mid(int(rng() % std::uint32_t(m.size())), 30));
                break;
            default:
                m.truncate(at);
                break;
            }
        }
        try {
            const Snapshot s = Parse(m);
            ++accepted;
            // What is accepted is sound: totals add up, every name is usable.
            std::int64_t files = 0;
            for (std::uint32_t i = 1; i < s.Count(); ++i)
                if (!s.At(i).IsFolder()) files += s.At(i).size;
            EXPECT_LE(s.At(0).total, files);
            EXPECT_GE(s.At(0).total, 0);
        } catch (const EMorvaneError&) {
        }
    }
    EXPECT_GT(accepted, 0);
#ifdef __SANITIZE_ADDRESS__
    EXPECT_LT(timer.elapsed(), 100000); // the sanitizers slow it some fivefold
#else
    EXPECT_LT(timer.elapsed(), 20000);
#endif
}

TEST(SnapshotWriter, TreeDeeperThanTheOpenLevelsIsWrittenWhole) {
    QTemporaryDir tmp;
    QByteArray path = QFile::encodeName(tmp.path()) + "/deep";
    const QByteArray top = path;
    for (int i = 0; i < 150; ++i)
        path += "/d";
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(path)));
    MakeFile(path + "/leaf", 42);
    // Beside a subfolder below the open levels: its folder is opened again after it.
    MakeFile(path.left(top.size() + 2 * 120) + "/beside", 7);
    const QString out = tmp.filePath("deep.json");
    ASSERT_EQ(Report({QFile::decodeName(top), "--format", "ncdu-json", "--output", out}).status, 0);
    const Snapshot s = Snapshot::Read(out);
    EXPECT_EQ(s.Count(), 153u);
    EXPECT_EQ(s.At(0).total, 49);
    EXPECT_NE(s.Find(QFile::decodeName(path.mid(top.size() + 1) + "/leaf")), Snapshot::kNone);
}

TEST(SnapshotWriter, TreeDeeperThanFourThousandLevelsReadsBackWithItsDates) {
    QTemporaryDir tmp;
    const QByteArray top = QFile::encodeName(tmp.path()) + "/deep";
    ASSERT_EQ(::mkdir(top.constData(), 0755), 0);
    struct RemoveDeep { // too deep for QDir's removal; rm walks any depth
        QString path;
        ~RemoveDeep() { QProcess::execute("rm", {"-rf", path}); }
    } removeDeep{QFile::decodeName(top)};
    int fd = ::open(top.constData(), O_RDONLY | O_DIRECTORY);
    constexpr int kLevels = 4200; // a path of 8,400 bytes: only relative calls reach it
    for (int i = 0; i < kLevels; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int leaf = ::openat(fd, "leaf", O_WRONLY | O_CREAT, 0644);
    const timespec when[2] = {{1577934245, 0}, {1577934245, 0}}; // 2 Jan 2020
    ASSERT_EQ(::futimens(leaf, when), 0);
    ::close(leaf);
    ::close(fd);
    const QString out = tmp.filePath("deep.json");
    const ProcessRun r = Report({QFile::decodeName(top), "--format", "ncdu-json", "--output", out});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const Snapshot s = Snapshot::Read(out);
    EXPECT_EQ(s.Count(), std::size_t(kLevels + 2));
    QString below;
    for (int i = 0; i < kLevels; ++i)
        below += QStringLiteral("d/");
    const std::uint32_t at = s.Find(below + "leaf");
    ASSERT_NE(at, Snapshot::kNone);
    EXPECT_EQ(s.At(at).mtime, 1577934245u);
    EXPECT_NE(s.At(0).mtime, Snapshot::kNoTime);
}
