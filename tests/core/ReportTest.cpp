// The headless report, run as the real binary.
#include "cli/Report.h"
#include "core/engine/DirScanner.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

struct ReportRun {
    int status = -1;
    QByteArray out, err;
};

ReportRun Report(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MORVANE_BINARY), QStringList{"--report"} + args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QStringList Lines(const QByteArray& out) {
    QStringList lines = QString::fromUtf8(out).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void MakeFile(const QString& path, qint64 size) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(size));
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/data/";
        for (int i = 0; i < 12; ++i) {
            const QString d = root + QStringLiteral("dir%1/sub").arg(i);
            ASSERT_TRUE(QDir().mkpath(d));
            MakeFile(d + "/f.bin", 1000 * i + 1);
        }
        ASSERT_TRUE(QDir().mkpath(root + ".git"));
        MakeFile(root + "top.txt", 1536);
    }
    QTemporaryDir tmp;
    QString root;
};

} // namespace

TEST_F(ReportTest, SizeListRowsAreTheScannersRows) {
    DirScanner d;
    d.FolderPath = root;
    DirScanner::SetMinFileSize(0);
    d.Measure();
    const ReportRun r = Report({root, "--format", "csv", "--bare"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty());
    const QStringList lines = Lines(r.out);
    ASSERT_EQ(lines.size(), d.EntryPaths.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QString& path = d.EntryPaths[i];
        EXPECT_EQ(lines[i], QStringList({path.mid(path.lastIndexOf('/') + 1), d.EntryMB[i],
                                         d.EntryKB[i], path, ""})
                                    .join(',') +
                                ',');
    }
    EXPECT_TRUE(lines.last().startsWith("<All files in this folder>,0,1.5,"));
}

TEST_F(ReportTest, FullReportHasHeaderFolderColumnsAndSummary) {
    const ReportRun r = Report({root, "--header", "Sizes of"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList lines = Lines(r.out);
    ASSERT_GT(lines.size(), 16);
    EXPECT_TRUE(lines[0].startsWith("Sizes of"));
    EXPECT_TRUE(r.out.contains("Size list of Folder: "));
    EXPECT_TRUE(r.out.contains(QDir::cleanPath(root).toUtf8()));
    EXPECT_TRUE(r.out.contains("Folder Names"));
    EXPECT_TRUE(lines.last().startsWith("Total Size"));
    EXPECT_TRUE(lines.last().contains(" MB")) << lines.last().toStdString();
    EXPECT_TRUE(lines.last().contains(" GB"));
}

TEST_F(ReportTest, FileListRowsAndThreshold) {
    const ReportRun all = Report({root, "--files", "--format", "csv", "--bare", "--threads", "1"});
    ASSERT_EQ(all.status, 0) << all.err.toStdString();
    // Folders are entries at threshold 0: 12 dirs, 12 subs, 12 files, .git, top.txt.
    EXPECT_EQ(Lines(all.out).size(), 38);
    const ReportRun par = Report({root, "--files", "--format", "csv", "--bare", "--threads", "4"});
    EXPECT_EQ(par.out, all.out);

    // The two date columns are the modification and the access date, not one twice.
    const std::time_t modified = 981201600, accessed = 1304683200; // 2001-02-03, 2011-05-06
    const struct timespec times[2] = {{accessed, 0}, {modified, 0}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(root + "dir10/sub/f.bin").constData(), times, 0),
        0);
    const ReportRun big = Report({root, "--files", "--format", "csv", "--bare", "--min-size", "9"});
    ASSERT_EQ(big.status, 0);
    const QStringList lines = Lines(big.out);
    ASSERT_EQ(lines.size(), 2); // 10001 and 11001 bytes
    const QStringList cells = lines[lines[0].contains("dir10") ? 0 : 1].split(',');
    ASSERT_EQ(cells.size(), 6);
    EXPECT_EQ(cells[0], "f.bin");
    EXPECT_EQ(cells[1], DateText(modified));
    EXPECT_EQ(cells[2], DateText(accessed));

    // A folder's access date is read when the list is written: reading the folder
    // during the walk may itself have moved it (relatime), as it does for the window.
    const QString folder = root + "dir10/sub";
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder).constData(), times, 0), 0);
    const ReportRun again = Report({root, "--files", "--format", "csv", "--bare"});
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &st), 0);
    const QStringList folderRow =
        Lines(again.out).filter(QStringLiteral(",%1,").arg(folder)).value(0).split(',');
    ASSERT_EQ(folderRow.size(), 6) << again.out.toStdString();
    EXPECT_EQ(folderRow[1], DateText(modified));
    EXPECT_EQ(folderRow[2], DateText(st.st_atime));
    EXPECT_EQ(cells[3], root + "dir10/sub/f.bin");
    EXPECT_EQ(cells[4], "9.77");
}

TEST_F(ReportTest, FileListHasNoSummaryRowInAnyFormat) {
    for (const char* format : {"text", "csv", "csv-semicolon", "html"}) {
        SCOPED_TRACE(format);
        const ReportRun r = Report({root, "--files", "--format", format});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains("File Names"));
        EXPECT_FALSE(r.out.contains("Total Size"));
        EXPECT_FALSE(r.out.contains(" GB"));
    }
}

TEST_F(ReportTest, SavedResultOpensToTheSameList) {
    const QString mvx = tmp.path() + "/saved/run.MVX"; // one missing level is made
    const ReportRun saved = Report({root, "--format", "csv", "--bare", "--save-result", mvx});
    ASSERT_EQ(saved.status, 0) << saved.err.toStdString();
    ASSERT_TRUE(QFile::exists(mvx));
    const ReportRun opened = Report({"--open-result", mvx, "--format", "csv", "--bare"});
    ASSERT_EQ(opened.status, 0) << opened.err.toStdString();
    EXPECT_EQ(opened.out, saved.out);
}

TEST_F(ReportTest, OutputFileAndWorkbook) {
    const QString csv = tmp.path() + "/out.csv";
    const ReportRun r = Report({root, "--format", "csv-semicolon", "--output", csv});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains(";1.5;"));

    const QString xlsx = tmp.path() + "/out.xlsx";
    ASSERT_EQ(Report({root, "--format", "xlsx", "--output", xlsx}).status, 0);
    QFile x(xlsx);
    ASSERT_TRUE(x.open(QIODevice::ReadOnly));
    EXPECT_EQ(x.read(2), QByteArray("PK"));
}

TEST_F(ReportTest, BadInputWritesNothingAndExitsTwo) {
    QFile bad(tmp.path() + "/bad.MVX");
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("definitely not a result file");
    bad.close();
    const QString out = tmp.path() + "/never.txt";
    const QList<QStringList> cases = {
        {root + "missing", "--output", out},
        {root, "--bogus", "--output", out},
        {root, "--min-size", "-3", "--output", out},
        {root, "--min-size", "ten", "--output", out},
        {root, "--format", "pdf", "--output", out},
        {root, "--format", "xlsx"},
        {root, "--threads", "99", "--output", out},
        {"--open-result", bad.fileName(), "--output", out},
        {"--open-result", tmp.path() + "/none.MVX", "--output", out},
        {"--open-result", bad.fileName(), "--files", "--output", out},
        {root, "--output"},
        {root, "second-folder", "--output", out},
        {"--output", out},
        {root, "--output", tmp.path() + "/no/such/dir/out.txt"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ReportRun r = Report(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("morvane: "));
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(ReportOptions, ParsesBothValueForms) {
    ReportOptions o;
    EXPECT_EQ(ParseReportOptions({"/x", "--min-size=4", "--format", "html", "--files", "--bare",
                                  "--header=Top", "--threads=1", "--free-space"},
                                 o),
              QString());
    EXPECT_EQ(o.folder, "/x");
    EXPECT_EQ(o.minSizeKB, 4);
    EXPECT_EQ(o.format, "html");
    EXPECT_TRUE(o.files && o.bare && o.freeSpace);
    EXPECT_EQ(o.header, "Top");
    EXPECT_EQ(o.threads, 1);
    ReportOptions p;
    EXPECT_FALSE(ParseReportOptions({"/x", "--bare=1"}, p).isEmpty());
    EXPECT_TRUE(ReportUsage().contains("--threads N"));
}

TEST(ReportLoopTest, BindMountLoopIsNotEnteredAgain) {
    // A folder mounted below itself: without the descent-path check the walk would
    // go round until it runs out of handles. Needs a private mount namespace.
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString root = tmp.path() + "/loop/";
    ASSERT_TRUE(QDir().mkpath(root + "a/b"));
    MakeFile(root + "a/f", 10240);
    MakeFile(root + "x", 2048);
    const QString script = QStringLiteral("r=$1; m=$2; shift 2; mount --bind \"$r\" \"$r/a/b\" && "
                                          "exec \"$m\" --report \"$r\" --format csv --bare \"$@\"");
    auto run = [&](const QStringList& args) {
        QProcess p;
        const QStringList ns = ::geteuid() == 0 ? QStringList{"-m"} : QStringList{"-U", "-r", "-m"};
        p.start("unshare", ns +
                               QStringList{"--propagation", "private", "sh", "-c", script, "sh",
                                           root, QStringLiteral(MORVANE_BINARY)} +
                               args);
        p.waitForFinished(60000);
        return ReportRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                         p.readAllStandardOutput(), p.readAllStandardError()};
    };
    const ReportRun sizes = run({"--threads", "1"});
    if (sizes.status != 0 && sizes.out.isEmpty())
        GTEST_SKIP() << "no private mount namespace here: " << sizes.err.toStdString();
    ASSERT_EQ(sizes.status, 0) << sizes.err.toStdString();
    const QStringList rows = Lines(sizes.out);
    EXPECT_EQ(rows,
              (QStringList{"a,0.01,10," + root + "a,,", "<All files in this folder>,0,2," + root +
                                                            "<All files in this folder>,,"}))
        << sizes.out.toStdString();
    const ReportRun files = run({"--files"});
    ASSERT_EQ(files.status, 0) << files.err.toStdString();
    const QString text = QString::fromUtf8(files.out);
    EXPECT_TRUE(text.contains(root + "a/b,")) << text.toStdString();
    EXPECT_FALSE(text.contains(root + "a/b/")) << text.toStdString();
}

namespace {
// The program itself (not --report) with the given arguments and environment changes.
ReportRun Program(const QStringList& args, const QStringList& unset = {},
                  const QString& shellLine = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset)
        env.remove(name);
    p.setProcessEnvironment(env);
    if (shellLine.isEmpty())
        p.start(QStringLiteral(MORVANE_BINARY), args);
    else // raw bytes in an argument need a shell's printf
        p.start("/bin/sh", QStringList{"-c", shellLine, MORVANE_BINARY} + args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
} // namespace

TEST_F(ReportTest, NamesThatAreNotUtf8AreCountedAndShownWithReplacementCharacters) {
    const QByteArray base = QFile::encodeName(root);
    const QByteArray bad = base + "bad\xff\xfename";
    ASSERT_EQ(::mkdir(bad.constData(), 0755), 0);
    ASSERT_EQ(::mkdir((bad + "/deep\xe9").constData(), 0755), 0);
    for (const QByteArray& file : {bad + "/caf\xe9.txt", bad + "/deep\xe9/x"}) {
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 2500), 0);
        ::close(fd);
    }
    const QByteArray shown = "bad\xEF\xBF\xBD\xEF\xBF\xBDname";
    const ReportRun list = Report({root, "--format", "csv", "--bare"});
    ASSERT_EQ(list.status, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.contains(shown + ",0,4.88," + base + shown + ",")) << list.out.data();

    const ReportRun files = Report({root, "--files", "--format", "csv", "--bare"});
    ASSERT_EQ(files.status, 0) << files.err.toStdString();
    EXPECT_TRUE(files.out.contains(base + shown + "/deep\xEF\xBF\xBD/x,")) << files.out.data();
    EXPECT_TRUE(files.out.contains("caf\xEF\xBF\xBD.txt,")); // access date read by the bytes
    EXPECT_FALSE(files.out.contains("29.Dec.99"));

    // Such a folder as the argument.
    const ReportRun direct = Program({root}, {},
                                     R"sh(exec "$0" --report "$1$(printf 'bad\377\376name')" )sh"
                                     R"sh(--format csv --bare)sh");
    ASSERT_EQ(direct.status, 0) << direct.err.toStdString();
    EXPECT_TRUE(direct.out.contains("deep\xEF\xBF\xBD,0,2.44,")) << direct.out.data();
    EXPECT_TRUE(direct.out.contains("<All files in this folder>,0,2.44,"));
}

TEST(CommandLine, HelpVersionUsageErrorsAndNoDisplay) {
    const ReportRun help = Program({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("morvane [FOLDER]"));
    EXPECT_TRUE(help.out.contains("morvane --report FOLDER [options]"));
    EXPECT_TRUE(help.out.contains("--min-size KB"));
    const ReportRun version = Program({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("morvane ")) << version.out.data();
    for (const QStringList& args :
         {QStringList{"--bogus"}, QStringList{"--reprot", "/tmp"}, QStringList{"-x"},
          QStringList{"--report", "/tmp", "--bogus"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const ReportRun r = Program(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.data();
    }
    const ReportRun window = Program({"/tmp"}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
    EXPECT_EQ(window.status, 1);
    EXPECT_EQ(window.err.count('\n'), 1) << window.err.data();
    EXPECT_TRUE(window.err.contains("no display"));
}

namespace {
// The window program (or morvane, which starts it) with display as its only one.
ReportRun OnDisplay(const QString& program, const QString& display, const QString& platform = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* unset : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY"})
        env.remove(unset);
    if (!platform.isEmpty()) env.insert("QT_QPA_PLATFORM", platform);
    env.insert("DISPLAY", display);
    p.setProcessEnvironment(env);
    p.start(program, {"/tmp"});
    p.waitForFinished(30000);
    return {
        p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, {}, p.readAllStandardError()};
}
const QString kWindowProgram = QFileInfo(MORVANE_BINARY).path() + "/morvane-window";
} // namespace

TEST(CommandLine, UnreachableDisplayIsOneLineAndExitOne) {
    // A display number nothing listens on, neither as a file nor an abstract socket.
    QFile unixSockets("/proc/net/unix");
    ASSERT_TRUE(unixSockets.open(QIODevice::ReadOnly));
    if (QFile::exists("/tmp/.X11-unix/X7391") || unixSockets.readAll().contains("X11-unix/X7391"))
        GTEST_SKIP() << "display :7391 is in use";
    for (const auto& [program, platform] : {std::pair{QString(MORVANE_BINARY), QString()},
                                            {kWindowProgram, QString()},
                                            {kWindowProgram, QString("xcb")}}) {
        SCOPED_TRACE(program.toStdString() + " " + platform.toStdString());
        const ReportRun r = OnDisplay(program, ":7391", platform);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.data();
        EXPECT_TRUE(r.err.contains("display :7391 cannot be reached")) << r.err.data();
    }
}

TEST(CommandLine, DisplayThatHangsUpIsOneLineAndExitOne) {
    // Something listens, but it is no X server: the library gives up later.
    const std::string name = std::string(1, '\0') + "/tmp/.X11-unix/X7392";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, name.data(), name.size());
    const auto len = socklen_t(offsetof(sockaddr_un, sun_path) + name.size());
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(listener, 8))
        GTEST_SKIP() << "display :7392 is in use";
    std::atomic<bool> stop = false;
    std::thread server([&] {
        while (!stop) {
            pollfd p{listener, POLLIN, 0};
            if (::poll(&p, 1, 50) == 1) ::close(::accept(listener, nullptr, nullptr));
        }
    });
    const ReportRun r = OnDisplay(kWindowProgram, ":7392");
    stop = true;
    server.join();
    ::close(listener);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.data();
    EXPECT_TRUE(r.err.startsWith("morvane: cannot open the window on display :7392: "))
        << r.err.data();
}

TEST_F(ReportTest, InterruptLeavesNoOutputAndExitsWithTheSignal) {
    // A pipe nobody reads holds the report at its last step, where the signal comes.
    const QString scratch = tmp.filePath("scratch");
    ASSERT_TRUE(QDir().mkpath(scratch));
    const QString fifo = tmp.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString result = tmp.filePath("saved.MVX");
    for (const auto& [sig, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(sig);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", scratch);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(MORVANE_BINARY),
                {"--report", root, "--output", fifo, "--save-result", result});
        ASSERT_TRUE(p.waitForStarted());
        QThread::msleep(700);
        ASSERT_EQ(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), sig);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), status);
        EXPECT_FALSE(QFile::exists(result));
        EXPECT_TRUE(QDir(scratch).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }
    // Not interrupted, the same run leaves both files whole and nothing else.
    const QString out = tmp.filePath("out.txt");
    const ReportRun r = Report({root, "--output", out, "--save-result", result});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(out));
    EXPECT_TRUE(QFile::exists(result));
    EXPECT_EQ(QDir(tmp.path())
                  .entryList(QDir::Hidden | QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot),
              (QStringList{"data", "fifo", "out.txt", "saved.MVX", "scratch"}));
}
