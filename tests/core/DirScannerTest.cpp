// The scanner against an independent walk of the same tree: rows, texts, rules.
#include "DirScannerFixture.h"

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
