// The scanner's walk: threads, depth, progress, file systems it does not enter.
#include "DirScannerFixture.h"
#include "core/engine/WalkPool.h"

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
}

TEST_F(DirScannerTest, ThreadsAddedWhileWalkingKeepTheTree) {
    // Paced to add a thread at every look, the default walk grows to its cap
    // while rows and handed-over folders are under way.
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 30; ++j) {
            const QString d = root + QStringLiteral("r%1/s%2/").arg(i).arg(j);
            MakeDir(d + "t");
            for (int f = 0; f < 12; ++f)
                MakeFile(d + QStringLiteral("t/f%1").arg(f), i * 100 + j * 10 + f);
        }
    DirScanner::SetMinFileSize(0);
    const auto one = Run(1);
    const WalkPacing usual = WalkPool::pacing;
    WalkPool::pacing = {-1.0, -1.0, 0, 0, 1};
    const auto grown = Run(0);
    WalkPool::pacing = usual;
    EXPECT_EQ(grown->WalkThreads, DirScanner::DefaultThreads(root));
    ExpectSameRun(*grown, *one);
    ExpectCursorMatchesLists(*grown);
    EXPECT_EQ(grown->LastTree()->Count(), one->LastTree()->Count());
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
