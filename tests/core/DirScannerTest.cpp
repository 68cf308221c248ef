#include "cli/ReportRows.h"
// The scanner against an independent walk of the same tree.
#include "core/engine/DirScanner.h"
#include "platform/NativePath.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void MakeFile(const QString& path, qint64 size) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_TRUE(f.resize(size));
}

void MakeDir(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
}

// What the scanner must produce, found with std::filesystem (readdir order).
struct Expected {
    QStringList paths, mb, kb, dates;
    qint64 minSize = 0;

    qint64 Walk(const fs::path& dir, bool recurse) {
        qint64 total = 0;
        // Names first, so the reference holds no folder open while it goes down.
        std::vector<fs::path> names;
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path());
        for (const fs::path& p : names) {
            struct stat st {};
            if (::lstat(p.c_str(), &st) != 0) continue;
            const bool isDir = S_ISDIR(st.st_mode);
            const qint64 size = isDir ? 0 : st.st_size;
            total += size;
            if (size >= minSize) {
                paths << PathFromNative(QByteArray::fromStdString(p.string()));
                mb << SizeText(suMB, size * 10000);
                kb << SizeText(suKB, size * 10000);
                dates << DateText(st.st_mtime);
            }
            if (isDir && recurse && p.filename().string()[0] != '.') total += Walk(p, true);
        }
        return total;
    }
};

class DirScannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/tree/";
        MakeDir(root);
        DirScanner::SetMinFileSize(0);
    }
    void TearDown() override { DirScanner::SetMinFileSize(0); }

    // A tree with the things the scanner must get right.
    void BuildTree() {
        MakeDir(root + "alpha/inner/deeper");
        MakeDir(root + "beta");
        MakeDir(root + ".cache/sub");
        MakeDir(root + "alpha/.hidden_dir");
        MakeFile(root + "alpha/a.txt", 1000);
        MakeFile(root + "alpha/inner/b.bin", 1536);
        MakeFile(root + "alpha/inner/deeper/c", 2048);
        MakeFile(root + "alpha/inner/deeper/c2", 2047);
        MakeFile(root + "alpha/.hidden_dir/skipped", 99999);
        MakeFile(root + ".cache/sub/skipped", 12345);
        MakeFile(root + ".cache/x", 777);
        MakeFile(root + "beta/.dotfile", 300);
        MakeFile(root + "top.txt", 5000);
        MakeFile(root + ".hidden_top", 10);
        ASSERT_EQ(::symlink("..", QFile::encodeName(root + "alpha/up")), 0);
        ASSERT_EQ(::symlink("/", QFile::encodeName(root + "beta/slash")), 0);
        ASSERT_EQ(::symlink("../alpha", QFile::encodeName(root + "beta/to_alpha")), 0);
        ASSERT_EQ(::symlink("nowhere", QFile::encodeName(root + "dangling")), 0);
    }

    // The Part's whole run done the independent way.
    Expected Reference(qint64 minSize, QStringList* folderPaths, QList<qint64>* folderBytes) {
        Expected e;
        e.minSize = minSize;
        for (const auto& it : fs::directory_iterator(root.toStdString())) {
            const std::string name = it.path().filename().string();
            if (it.is_directory() && !it.is_symlink() && name[0] != '.') {
                *folderPaths << PathFromNative(QByteArray::fromStdString(it.path().string()));
                *folderBytes << e.Walk(it.path(), true);
            }
        }
        *folderPaths << root + "<All files in this folder>";
        *folderBytes << e.Walk(root.toStdString(), false);
        return e;
    }

    void ExpectSame(DirScanner& d, qint64 minSize) {
        QStringList paths;
        QList<qint64> bytes;
        const Expected e = Reference(minSize, &paths, &bytes);
        EXPECT_EQ(d.EntryPaths, paths);
        qint64 total = 0;
        QStringList mb, kb;
        for (qint64 b : bytes) {
            total += b;
            mb << SizeText(suMB, b * 10000);
            kb << SizeText(suKB, b * 10000);
        }
        EXPECT_EQ(d.EntryMB, mb);
        EXPECT_EQ(d.EntryKB, kb);
        EXPECT_EQ(d.TotalSize, total * 10000);
        EXPECT_EQ(d.TotalGBText, SizeText(suGB, total * 10000));
        EXPECT_EQ(d.FilePaths(), e.paths);
        EXPECT_EQ(d.FileMB(), e.mb);
        EXPECT_EQ(d.FileKB(), e.kb);
        EXPECT_EQ(d.FileDates(), e.dates);
    }

    // A whole run over root, walked by threads threads.
    std::unique_ptr<DirScanner> Run(int threads) {
        auto d = std::make_unique<DirScanner>();
        d->Threads = threads;
        d->FolderPath = root;
        d->Measure();
        return d;
    }

    // Reading the rows one at a time gives the lists' texts in their order, and
    // the report's rows re-read an earlier row correctly.
    static void ExpectCursorMatchesLists(const DirScanner& d) {
        DirScanner::FileRowCursor row(d);
        qsizetype i = 0;
        for (; row.Next(); ++i) {
            ASSERT_LT(i, d.FilePaths().size());
            EXPECT_EQ(row.Path, d.FilePaths().at(i));
            EXPECT_EQ(row.MB, d.FileMB().at(i));
            EXPECT_EQ(row.KB, d.FileKB().at(i));
            EXPECT_EQ(row.Date, d.FileDates().at(i));
            EXPECT_EQ(row.AccessTime, d.FileAccessTimes().at(std::size_t(i)));
        }
        EXPECT_EQ(i, d.FileRowCount());
        EXPECT_FALSE(row.Next());
        // The rows in parts give the same texts.
        qsizetype k = 0;
        d.ForEachFileRow([&](const DirScanner::FileRowFacts& r) {
            ASSERT_LT(k, d.FilePaths().size());
            EXPECT_TRUE(r.folder.endsWith('/') && !r.name.contains('/'));
            EXPECT_EQ(r.folder + r.name, d.FilePaths().at(k));
            EXPECT_EQ(r.mb + r.kb + r.date,
                      d.FileMB().at(k) + d.FileKB().at(k) + d.FileDates().at(k));
            EXPECT_EQ(r.accessTime, d.FileAccessTimes().at(std::size_t(k++)));
        });
        EXPECT_EQ(k, d.FileRowCount());
        if (i < 3) return;
        const FileRowSource rows(d, {0, 1, int(i - 1)});
        EXPECT_EQ(rows.SubItem(2, 3), DisplayPath(d.FilePaths().last()));
        EXPECT_EQ(rows.SubItem(0, 4), d.FileKB().first());
        EXPECT_EQ(rows.Caption(1), DisplayPath(LastPathComponent(d.FilePaths().at(1))));
    }

    // Two runs gave the same lists and texts.
    static void ExpectSameRun(const DirScanner& a, const DirScanner& b) {
        EXPECT_EQ(a.EntryPaths, b.EntryPaths);
        EXPECT_EQ(a.EntryMB, b.EntryMB);
        EXPECT_EQ(a.EntryKB, b.EntryKB);
        EXPECT_EQ(a.TotalSize, b.TotalSize);
        EXPECT_EQ(a.TotalGBText, b.TotalGBText);
        EXPECT_EQ(a.FileRowCount(), b.FileRowCount());
        EXPECT_EQ(a.FilePaths(), b.FilePaths());
        EXPECT_EQ(a.FileMB(), b.FileMB());
        EXPECT_EQ(a.FileKB(), b.FileKB());
        EXPECT_EQ(a.FileDates(), b.FileDates());
    }

    QTemporaryDir tmp;
    QString root;
};

int IndexOf(const QStringList& l, const QString& s) {
    return int(l.indexOf(s));
}

} // namespace

TEST_F(DirScannerTest, EmptyFolderGivesOneRow) {
    DirScanner d;
    d.FolderPath = root;
    d.IncludeFreeSpace = true; // not a file system root: no free-space row
    d.Measure();
    EXPECT_EQ(d.EntryPaths, QStringList{root + "<All files in this folder>"});
    EXPECT_EQ(d.EntryMB, QStringList{"0"});
    EXPECT_EQ(d.EntryKB, QStringList{"0"});
    EXPECT_EQ(d.TotalGBText, "0");
    EXPECT_TRUE(d.FilePaths().isEmpty());
}

TEST_F(DirScannerTest, RowsAndSumsMatchIndependentWalk) {
    BuildTree();
    for (qint64 minSize : {0, 1, 2047, 2048, 100000}) {
        SCOPED_TRACE(minSize);
        DirScanner d;
        d.Threads = 1;
        DirScanner::SetMinFileSize(minSize);
        d.FolderPath = root;
        d.Measure();
        ExpectSame(d, minSize);
    }
}

TEST_F(DirScannerTest, RulesOfTheWalk) {
    BuildTree();
    DirScanner d;
    d.Threads = 1;
    d.FolderPath = root;
    d.Measure();
    // Dot folders: no row, contents nowhere, but their own entry is a FileRow at 0.
    EXPECT_EQ(IndexOf(d.EntryPaths, root + ".cache"), -1);
    EXPECT_GE(IndexOf(d.FilePaths(), root + ".cache"), 0);
    EXPECT_EQ(IndexOf(d.FilePaths(), root + ".cache/x"), -1);
    EXPECT_EQ(IndexOf(d.FilePaths(), root + "alpha/.hidden_dir/skipped"), -1);
    // Folders are FileRows with 0 texts, before their contents.
    const int inner = IndexOf(d.FilePaths(), root + "alpha/inner");
    ASSERT_GE(inner, 0);
    EXPECT_EQ(d.FileMB()[inner], "0");
    EXPECT_EQ(d.FileKB()[inner], "0");
    EXPECT_LT(inner, IndexOf(d.FilePaths(), root + "alpha/inner/b.bin"));
    // Symbolic links: recorded at their own size, never followed.
    const int up = IndexOf(d.FilePaths(), root + "alpha/up");
    ASSERT_GE(up, 0);
    EXPECT_EQ(d.FileKB()[up], SizeText(suKB, 2 * 10000));
    EXPECT_EQ(IndexOf(d.FilePaths(), root + "alpha/up/a.txt"), -1);
    EXPECT_EQ(IndexOf(d.FilePaths(), root + "beta/to_alpha/a.txt"), -1);
    EXPECT_EQ(IndexOf(d.EntryPaths, root + "dangling"), -1);
    // alpha: 1000 + 1536 + 2048 + 2047 + link "..": 2 bytes.
    const int alpha = IndexOf(d.EntryPaths, root + "alpha");
    EXPECT_EQ(d.EntryKB[alpha], SizeText(suKB, (1000 + 1536 + 2048 + 2047 + 2) * 10000LL));
    // Files directly in the folder, hidden ones included, plus the dangling link.
    EXPECT_EQ(d.EntryPaths.last(), root + "<All files in this folder>");
    EXPECT_EQ(d.EntryKB.last(), SizeText(suKB, (5000 + 10 + 7) * 10000LL));
    // The last FileRows are those of the folder's own pass.
    EXPECT_TRUE(d.FilePaths().last().count('/') == root.count('/'));
}

TEST_F(DirScannerTest, SparseFileOfThreeGiB) {
    MakeDir(root + "big");
    MakeFile(root + "big/sparse", 3221225472LL);
    DirScanner d;
    d.FolderPath = root;
    DirScanner::SetMinFileSize(1024 * 1024);
    d.Measure();
    ASSERT_EQ(d.EntryPaths.size(), 2);
    EXPECT_EQ(d.EntryKB[0], "3145728");
    EXPECT_EQ(d.EntryMB[0], "3072");
    EXPECT_EQ(d.TotalGBText, "3");
    EXPECT_EQ(d.TotalSize, 3221225472LL * 10000);
    EXPECT_EQ(d.FilePaths(), QStringList{root + "big/sparse"});
    EXPECT_EQ(d.FileKB(), QStringList{"3145728"});
}

// Sizes whose x 10000 passes 64 bits (from about 838 TiB): a 1000 TiB sparse file,
// a tree of 2^50 bytes and a 7 EiB file, on tmpfs, which takes files that large.
TEST(DirScannerHuge, SparseFilesNearAPetabyteShowTheirTrueSize) {
    QTemporaryDir shm("/dev/shm/morvane-test-XXXXXX");
    if (!shm.isValid()) GTEST_SKIP() << "no /dev/shm";
    const QString root = shm.path() + "/";
    MakeDir(root + "big");
    MakeDir(root + "tree");
    QFile f(root + "big/sparse");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    if (!f.resize(1000LL << 40)) GTEST_SKIP() << "no 1000 TiB sparse file here";
    MakeFile(root + "tree/a", 1LL << 49);
    MakeFile(root + "tree/b", 1LL << 49);
    MakeDir(root + "exa");
    MakeFile(root + "exa/seven", 7LL << 60);
    DirScanner d;
    d.FolderPath = root;
    DirScanner::SetMinFileSize(1 << 20);
    d.Measure();
    DirScanner::SetMinFileSize(0);
    ASSERT_EQ(d.EntryPaths.size(), 4);
    const int big = d.EntryPaths.indexOf(root + "big"), tree = d.EntryPaths.indexOf(root + "tree");
    ASSERT_GE(big, 0);
    ASSERT_GE(tree, 0);
    EXPECT_EQ(d.EntryKB[big], "1073741824000");
    EXPECT_EQ(d.EntryMB[big], "1048576000");
    EXPECT_EQ(d.EntryKB[tree], "1099511627776");
    EXPECT_EQ(d.EntryMB[tree], "1073741824");
    EXPECT_EQ(d.EntryKB[d.EntryPaths.indexOf(root + "exa")], "7.88129934789837E15");
    EXPECT_EQ(d.TotalGBText, "7518265344");
    EXPECT_TRUE(d.TotalSize == BytesToSizeValue((1000LL << 40) + (1LL << 50) + (7LL << 60)));
    EXPECT_EQ(d.FileKB().size(), 4);
    EXPECT_TRUE(d.FileKB().contains("1073741824000"));
    EXPECT_TRUE(d.FileMB().contains("536870912"));

    // The report adds the rows' texts up as they are.
    QProcess report;
    report.start(MORVANE_BINARY, {"--report", root, "--format", "csv"});
    ASSERT_TRUE(report.waitForFinished(60000));
    const QByteArray out = report.readAllStandardOutput();
    EXPECT_EQ(report.exitCode(), 0) << report.readAllStandardError().toStdString();
    EXPECT_TRUE(
        out.contains("Total Size,7698703712256.00 MB,7883472601350146.00 KB,7518265344 GB,"))
        << out.toStdString();
}

TEST_F(DirScannerTest, TwoRunsKeepOnlyTheSecond) {
    BuildTree();
    const QString other = tmp.path() + "/other/";
    MakeDir(other + "x");
    MakeFile(other + "x/f", 10);
    DirScanner d;
    d.FolderPath = root;
    d.Measure();
    ASSERT_FALSE(d.FilePaths().isEmpty()); // texts of the first run made, then out of date
    d.FolderPath = other;
    d.Measure();
    EXPECT_EQ(d.EntryPaths, (QStringList{other + "x", other + "<All files in this folder>"}));
    EXPECT_EQ(d.EntryMB.size(), 2);
    EXPECT_EQ(d.EntryKB.size(), 2);
    EXPECT_EQ(d.FilePaths(), (QStringList{other + "x/f", other + "x"}));
    EXPECT_EQ(d.FileMB().size(), 2);
    EXPECT_EQ(d.FileKB().size(), 2);
    EXPECT_EQ(d.FileDates().size(), 2);
}

TEST_F(DirScannerTest, NamesThatAreNotUtf8KeepTheirBytesAtEveryLevel) {
    // A subfolder row, a folder below a row and a file, each named with bytes that
    // are not UTF-8: counted, recorded, and their paths give the same bytes back.
    const QByteArray bad("\xff\xfe"
                         "b\xc3"); // not UTF-8
    const QByteArray top = NativePath(root);
    MakeDir(root + QString::fromUtf8("Größe/日本"));
    MakeFile(root + QString::fromUtf8("Größe/日本/é.txt"), 3);
    const QByteArray deepDir = top +
                               "Gr\xc3\xb6\xc3\x9f"
                               "e/" +
                               bad;
    const QByteArray firstDir = top + "bad\xff\xfename";
    for (const QByteArray& dir : {deepDir, firstDir}) {
        ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
        std::FILE* f = std::fopen((dir + "/caf\xe9.txt").constData(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(std::string(5000, 'x').c_str(), f);
        std::fclose(f);
    }
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        const auto d = Run(threads);
        ExpectSame(*d, 0);
        const int row = int(d->EntryPaths.indexOf(PathFromNative(firstDir)));
        ASSERT_GE(row, 0);
        EXPECT_EQ(d->EntryKB.at(row), SizeText(suKB, 5000 * 10000));
        EXPECT_EQ(d->TotalSize, (5000 + 5000 + 3) * 10000);
        EXPECT_TRUE(
            DisplayPath(d->EntryPaths.at(row)).endsWith(QString::fromUtf8("bad\uFFFD\uFFFDname")));
        for (const QByteArray& file : {firstDir + "/caf\xe9.txt", deepDir + "/caf\xe9.txt"}) {
            const int i = IndexOf(d->FilePaths(), PathFromNative(file));
            ASSERT_GE(i, 0) << file.toStdString();
            EXPECT_EQ(NativePath(d->FilePaths().at(i)), file);
        }
        EXPECT_GE(IndexOf(d->FilePaths(), root + QString::fromUtf8("Größe/日本/é.txt")), 0);
    }
}

TEST_F(DirScannerTest, CancelStopsTheWalkAndSaysSo) {
    for (int i = 0; i < 200; ++i)
        MakeDir(root + QStringLiteral("d%1/a/b/c").arg(i));
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        DirScanner before;
        before.Cancel();
        before.Threads = threads;
        before.FolderPath = root;
        before.Measure();
        EXPECT_TRUE(before.Cancelled());
        EXPECT_LT(before.EntryMB.size(), before.EntryPaths.size()); // unfinished

        DirScanner during;
        during.Threads = threads;
        during.FolderPath = root;
        std::thread walk([&] { during.Measure(); });
        during.Cancel();
        walk.join();
        EXPECT_TRUE(during.Cancelled());
    }
}

TEST_F(DirScannerTest, FolderBytesAddsToRowsAlreadyShown) {
    BuildTree();
    DirScanner d;
    d.FolderPath = root;
    d.Measure();
    const qsizetype before = d.FilePaths().size();
    EXPECT_EQ(d.FileRowCount(), before);
    EXPECT_EQ(d.FolderBytes(root + "alpha/inner/", true), (1536 + 2048 + 2047) * 10000);
    EXPECT_EQ(d.FileRowCount(), before + 4);
    ASSERT_EQ(d.FilePaths().size(), before + 4);
    EXPECT_EQ(d.FilePaths().last(), root + "alpha/inner/deeper/c2");
    EXPECT_EQ(d.FileKB().size(), before + 4);
}

TEST_F(DirScannerTest, ParallelWalkEqualsOneThread) {
    // Many subfolder rows of uneven depth so the workers finish out of order.
    for (int i = 0; i < 60; ++i) {
        QString p = root + QStringLiteral("d%1").arg(i);
        for (int depth = 0; depth < (i * 7) % 5 + 1; ++depth) {
            p += QStringLiteral("/n%1").arg(depth);
            MakeDir(p);
            for (int f = 0; f < (i * 13 + depth) % 9; ++f)
                MakeFile(p + QStringLiteral("/f%1").arg(f), i * 1000 + depth * 100 + f);
        }
    }
    MakeFile(root + "own", 42);
    for (qint64 minSize : {0, 5000}) {
        DirScanner::SetMinFileSize(minSize);
        const auto one = Run(1);
        ExpectSame(*one, minSize);
        for (int threads : {2, 3, 4}) {
            SCOPED_TRACE(threads);
            ExpectSameRun(*Run(threads), *one);
        }
    }
}

TEST_F(DirScannerTest, OneBigRowIsSharedOutAndSplicedBackInOrder) {
    // One row holds everything: idle workers take folders out of it, and their
    // rows must land exactly where a one-thread walk puts them.
    std::function<void(const QString&, int)> grow = [&](const QString& p, int level) {
        MakeDir(p);
        for (int f = 0; f < 3; ++f)
            MakeFile(p + QStringLiteral("/f%1").arg(f), level * 4000 + f * 1000);
        if (level == 0) return;
        MakeDir(p + "/.skip");
        MakeFile(p + "/.skip/x", 7);
        for (int i = 0; i < 4; ++i)
            grow(p + QStringLiteral("/s%1").arg(i), level - 1);
    };
    grow(root + "big", 4);
    MakeFile(root + "own", 42);
    for (qint64 minSize : {0, 5000}) {
        SCOPED_TRACE(minSize);
        DirScanner::SetMinFileSize(minSize);
        const auto one = Run(1);
        ExpectSame(*one, minSize);
        EXPECT_EQ(one->FoldersHandedOver, 0);
        // Whether a folder is handed over depends on timing; a few runs make it
        // all but certain that at least one does.
        int handedOver = 0;
        for (int run = 0; run < 6; ++run) {
            SCOPED_TRACE(run);
            const auto many = Run(run % 2 ? 4 : 2);
            handedOver += many->FoldersHandedOver;
            ExpectSameRun(*many, *one);
            ExpectCursorMatchesLists(*many);
        }
        EXPECT_GT(handedOver, 0);
    }
    // Rows given in place of a run are read the same way.
    DirScanner given;
    given.SetFileRows(3, [](const DirScanner::FileRowSink& row) {
        row("/a/x", "1", "4", "01.Jan.26");
        row("/a/y", "2", "5", "02.Jan.26");
        row("/a/z", "3", "6", "03.Jan.26");
    });
    ExpectCursorMatchesLists(given);
}

TEST_F(DirScannerTest, TreeDeeperThanTheOpenFileLimit) {
    // 1500 levels under a limit of 1024 open files: deep levels are read whole and
    // walked with their own folder closed. Side folders at some levels make the
    // walk come back up and go on in a folder it had to close.
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    struct rlimit low = old;
    low.rlim_cur = std::min<rlim_t>(old.rlim_cur, 1024);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
    MakeDir(root + "chain");
    int fd = ::open(QFile::encodeName(root + "chain").constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int level = 1; level <= 1500 && fd >= 0; ++level) {
        if (level % 250 == 0)
            for (const char* side : {"e1", "e2", "e3"}) {
                ASSERT_EQ(::mkdirat(fd, side, 0755), 0);
                const int f =
                    ::openat(fd, (std::string(side) + "/f").c_str(), O_CREAT | O_WRONLY, 0644);
                ASSERT_EQ(::ftruncate(f, level), 0);
                ::close(f);
            }
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    const int f = ::openat(fd, "bottom", O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::ftruncate(f, 12345), 0);
    ::close(f);
    ::close(fd);
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        const auto d = Run(threads);
        ExpectSame(*d, 0);
        EXPECT_EQ(d->EntryKB.value(0),
                  SizeText(suKB, (12345 + 3 * (250 + 500 + 750 + 1000 + 1250 + 1500)) * 10000));
    }
    ::setrlimit(RLIMIT_NOFILE, &old);
}

namespace {
struct RecordingProgress : IProgress {
    std::vector<std::pair<int, int>> calls; // (max or -1, add)
    std::thread::id thread;
    bool otherThread = false;
    void SetProgressMax(int max) override { Note({max, -1}); }
    void SetAddProgress(int n) override { Note({-1, n}); }
    void Note(std::pair<int, int> c) {
        calls.push_back(c);
        if (std::this_thread::get_id() != thread) otherThread = true;
    }
};
} // namespace

TEST_F(DirScannerTest, ProgressOnCallingThread) {
    for (int i = 0; i < 5; ++i)
        MakeFile(root + QStringLiteral("f%1").arg(i), 1),
            MakeDir(root + QStringLiteral("d%1").arg(i));
    for (int threads : {1, 4}) {
        RecordingProgress p;
        p.thread = std::this_thread::get_id();
        DirScanner d;
        d.Threads = threads;
        d.Progress = &p;
        d.FolderPath = root;
        d.Measure();
        ASSERT_EQ(p.calls.size(), 7u);
        EXPECT_EQ(p.calls[0], std::make_pair(6, -1));
        for (std::size_t i = 1; i < 7; ++i)
            EXPECT_EQ(p.calls[i], std::make_pair(-1, 1));
        EXPECT_FALSE(p.otherThread);
    }
}

TEST_F(DirScannerTest, FreeSpaceRowOnlyForAFileSystemRoot) {
    EXPECT_TRUE(DirScanner::IsDriveRoot("/"));
    EXPECT_FALSE(DirScanner::IsDriveRoot(root));
    DirScanner d;
    d.IncludeFreeSpace = true;
    d.ListEntries("/");
    ASSERT_GE(d.EntryPaths.size(), 2);
    EXPECT_EQ(d.EntryPaths.last(), "/<Free Space>");
    EXPECT_EQ(d.EntryPaths[d.EntryPaths.size() - 2], "/<All files in this folder>");
    d.EntryPaths.clear();
    d.IncludeFreeSpace = false;
    d.ListEntries("/");
    EXPECT_EQ(d.EntryPaths.last(), "/<All files in this folder>");
    EXPECT_GE(DirScanner::FreeBytes("/"), 0);
    EXPECT_EQ(DirScanner::FreeBytes(root + "missing"), -1);
}

TEST_F(DirScannerTest, PseudoFileSystemsAreNotEntered) {
    DirScanner d;
    EXPECT_EQ(d.FolderBytes("/proc", true), 0);
    EXPECT_EQ(d.FolderBytes("/proc/self", false), 0);
    EXPECT_TRUE(d.FilePaths().isEmpty());
    d.ListEntries("/proc/");
    EXPECT_GT(d.EntryPaths.size(), 1); // listed all the same
}

TEST_F(DirScannerTest, UnreadableFolderCountsZero) {
    BuildTree();
    MakeDir(root + "locked/inside");
    MakeFile(root + "locked/inside/f", 5000);
    MakeFile(root + "locked/g", 5000);
    ASSERT_EQ(::chmod(QFile::encodeName(root + "locked"), 0), 0);
    auto check = [&](DirScanner& d) {
        const int row = IndexOf(d.EntryPaths, root + "locked");
        return row >= 0 && d.EntryMB[row] == "0" && d.EntryKB[row] == "0" &&
               IndexOf(d.FilePaths(), root + "locked") >= 0 &&
               IndexOf(d.FilePaths(), root + "locked/g") == -1 &&
               d.EntryKB[IndexOf(d.EntryPaths, root + "alpha")] != "0";
    };
    if (::geteuid() != 0) {
        DirScanner d;
        d.FolderPath = root;
        d.Measure();
        EXPECT_TRUE(check(d));
    } else {
        // root reads everything: measure as an unprivileged user in a child process.
        ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()), 0755), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
            DirScanner d;
            d.Threads = 1;
            d.FolderPath = root;
            d.Measure();
            ::_exit(check(d) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    ::chmod(QFile::encodeName(root + "locked"), 0755);
}

TEST(DirScannerThreads, DefaultIsChosenForTheDiskNotTheCores) {
    const int cores = std::max(1, int(std::thread::hardware_concurrency()));
    for (const QString& folder : {QFileInfo(MORVANE_BINARY).absolutePath(), QString("/dev/shm")}) {
        struct statfs fs {};
        if (::statfs(QFile::encodeName(folder).constData(), &fs) != 0) continue;
        SCOPED_TRACE(folder.toStdString());
        const int n = DirScanner::DefaultThreads(folder);
        if (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC)
            EXPECT_EQ(n, std::min(cores, 4));
        else // a cold walk waits for the device: more threads than cores, bounded
            EXPECT_TRUE(n >= 8 && n >= cores && n <= 16) << n;
    }
}
