// Names that are not UTF-8 (and hold a newline) given to every headless form
// as raw bytes, the way a shell passes them: the real binary, spawned directly.
#include "platform/FileTree.h"
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

struct BytesRun {
    int status = -1;
    QByteArray out, err;
};

// Everything left to read from fd, which is closed then.
QByteArray Drain(int fd) {
    QByteArray all;
    char buf[1 << 16];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        all.append(buf, n);
    ::close(fd);
    return all;
}

QByteArray Slurp(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY);
    return fd < 0 ? QByteArray("<missing>") : Drain(fd);
}

pid_t Spawn(const std::vector<QByteArray>& args, posix_spawn_file_actions_t* fa) {
    std::vector<char*> argv{const_cast<char*>(MORVANE_BINARY)};
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, MORVANE_BINARY, fa, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

int ExitStatus(pid_t pid) {
    int st = 0;
    if (::waitpid(pid, &st, 0) != pid) return -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

// QProcess would encode the arguments as text; these must stay bytes.
BytesRun Morvane(const std::vector<QByteArray>& args, const QByteArray& scratch) {
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, scratch + "/out", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&fa, 2, scratch + "/err", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = Spawn(args, &fa);
    posix_spawn_file_actions_destroy(&fa);
    return {pid < 0 ? -1 : ExitStatus(pid), Slurp(scratch + "/out"), Slurp(scratch + "/err")};
}

void MakeFile(const QByteArray& path, const QByteArray& data) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, data.constData(), size_t(data.size())), data.size());
    ::close(fd);
}

bool Exists(const QByteArray& path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

class ByteNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid() && scratchDir.isValid());
        base = QFile::encodeName(tmp.path()) + "/";
        scratch = QFile::encodeName(scratchDir.path());
        data = base + "data";
        bad = data + "/d\xff\xfe";
        ASSERT_EQ(::mkdir(data.constData(), 0755), 0);
        ASSERT_EQ(::mkdir(bad.constData(), 0755), 0);
        MakeFile(bad + "/f\xff\xfe\nx.txt", QByteArray(3000, 'x'));
        MakeFile(bad + "/s\xff\xfe\n.desktop",
                 "[Desktop Entry]\nType=Application\nName=x\nTryExec=/no/such/program\n");
        ASSERT_EQ(::mkdir((bad + "/e\xff\nz").constData(), 0755), 0);
    }
    // QTemporaryDir cannot remove names that are not UTF-8.
    void TearDown() override { RemoveTree(QFile::encodeName(tmp.path())); }
    QTemporaryDir tmp, scratchDir;
    QByteArray base, scratch, data, bad;
};

} // namespace

TEST_F(ByteNamesTest, ReportPathsOfEveryOptionAreBytes) {
    // --output and --save-result beside names that are not UTF-8; the result
    // file's folder is made by its bytes; "--" before FOLDER.
    ASSERT_EQ(::mkdir((base + "o\xff").constData(), 0755), 0);
    const QByteArray out = base + "o\xff/r\xfe.html", saved = base + "n\xff/r.MVX";
    BytesRun r = Morvane(
        {"--report", "--format", "html", "--output", out, "--save-result", saved, "--", data},
        scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    const QByteArray html = Slurp(out);
    // The link carries the bytes, the text shows U+FFFD.
    EXPECT_TRUE(html.contains("data/d%FF%FE\">")) << html.constData();
    EXPECT_TRUE(html.contains(">d\xEF\xBF\xBD\xEF\xBF\xBD<"));
    EXPECT_TRUE(Exists(saved));
    EXPECT_FALSE(Exists(base + "n\xEF\xBF\xBD"));

    // The result file keeps the bytes: reopened, its link still leads there.
    r = Morvane({"--report", "--open-result", saved, "--format", "html", "--bare"}, scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("data/d%FF%FE\">")) << r.out.constData();

    // A snapshot written to and read from such a path; its file list has dates.
    const QByteArray snap = base + "o\xff/s\xfe.json";
    r = Morvane({"--report", data, "--format", "ncdu-json", "--output", snap}, scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_TRUE(Slurp(snap).contains("\"mtime\":"));
    r = Morvane({"--report", "--open-snapshot", snap, "--files", "--format", "csv", "--bare"},
                scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_TRUE(r.out.contains("\"f\xEF\xBF\xBD\xEF\xBF\xBD\nx.txt\",")) << r.out.constData();
    EXPECT_FALSE(r.out.contains("x.txt\",,")); // a date follows the name

    // The text report: a newline in a name does not start a row.
    r = Morvane({"--report", "--files", "--bare", "--", bad}, scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out.count('\n'), 3) << r.out.constData();
    EXPECT_TRUE(r.out.contains("f\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDx.txt"));
}

TEST_F(ByteNamesTest, CleanupAndArchiveFormsTakeBytesAndDoubleDash) {
    // A missing folder is named on one line, whatever its name holds.
    for (const QByteArray form : {"--report", "--shortcuts"}) {
        const BytesRun missing = Morvane({form, bad + "/no\nsuch\xff"}, scratch);
        EXPECT_EQ(missing.status, 2);
        EXPECT_EQ(missing.err.count('\n'), 1) << missing.err.constData();
    }
    BytesRun r = Morvane({"--shortcuts", "--format", "csv", "--bare", "--", bad}, scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    // The entry is read by its bytes (its program is missing), and named for display.
    EXPECT_EQ(r.out, "\"s\xEF\xBF\xBD\xEF\xBF\xBD\n.desktop\",/no/such/program,Broken,\"" + data +
                         "/d\xEF\xBF\xBD\xEF\xBF\xBD/s\xEF\xBF\xBD\xEF\xBF\xBD\n.desktop\",\r\n");
    r = Morvane({"--empty-folders", "--", bad}, scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(r.out.count('\n'), 2) << r.out.constData(); // captions and one row
    EXPECT_TRUE(r.out.contains("e\xEF\xBF\xBD\xEF\xBF\xBDz"));

    r = Morvane({"--move-to-archive", "--", bad}, scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    const QByteArray zip = bad + "/Archived_files_R_1.zip";
    EXPECT_EQ(r.out, zip + "\n");
    EXPECT_FALSE(Exists(bad + "/f\xff\xfe\nx.txt"));
    r = Morvane({"--restore-archive", "--", zip}, scratch);
    ASSERT_EQ(r.status, 0) << r.err.constData();
    EXPECT_EQ(Slurp(bad + "/f\xff\xfe\nx.txt"), QByteArray(3000, 'x'));
}

TEST_F(ByteNamesTest, InterruptWhileTheReportGoesToStandardOutput) {
    // A file list far larger than a pipe holds: the copy to standard output
    // waits for the reader, and the signal comes while it does.
    for (int i = 0; i < 3000; ++i)
        MakeFile(data + "/file-with-a-rather-long-name-" + QByteArray::number(i), "x");
    auto start = [&](int* readEnd) {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
        posix_spawn_file_actions_addclose(&fa, fds[0]);
        const pid_t pid = Spawn({"--report", data, "--files"}, &fa);
        posix_spawn_file_actions_destroy(&fa);
        ::close(fds[1]);
        *readEnd = fds[0];
        pollfd p{fds[0], POLLIN, 0};
        EXPECT_EQ(::poll(&p, 1, 60000), 1); // the copy has begun
        return pid;
    };
    int fd = -1;
    pid_t pid = start(&fd);
    ::kill(pid, SIGINT);
    ::usleep(300000);
    const QByteArray whole = Drain(fd);
    EXPECT_EQ(ExitStatus(pid), 0); // the report was delivered whole
    // Every row came, up to the last: the whole file list and its captions.
    EXPECT_EQ(whole.count("\r\n"), 3000 + 4 + 7) << whole.right(300).constData();

    // A second signal does not wait for a reader that never reads.
    pid = start(&fd);
    ::kill(pid, SIGINT);
    ::usleep(200000);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(ExitStatus(pid), 143);
    ::close(fd);
}
