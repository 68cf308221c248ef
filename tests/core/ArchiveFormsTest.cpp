// The headless archive forms, run as the real binary.
#include "common/FormRun.h"
#include "common/TestFiles.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

namespace {

// Names in folder (hidden ones too) that begin with start.
QStringList Named(const QString& folder, const QString& start) {
    return QDir(folder).entryList({start + "*"}, QDir::Files | QDir::Hidden | QDir::System);
}

// Runs a form and sends it sig once a scratch file starting with scratch
// shows in folder, that is while it writes.
FormRun SignalWhileWriting(const QStringList& args, const QString& folder, const QString& scratch,
                           int sig) {
    QProcess p;
    p.start(QStringLiteral(MORVANE_BINARY), args);
    p.waitForStarted();
    QElapsedTimer waited;
    waited.start();
    while (Named(folder, scratch).isEmpty() && p.state() == QProcess::Running &&
           waited.elapsed() < 30000)
        QThread::usleep(500);
    EXPECT_EQ(p.state(), QProcess::Running) << "finished before a scratch file showed";
    ::kill(pid_t(p.processId()), sig);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

class ArchiveFormsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = QDir(tmp.path()).canonicalPath() + "/";
        Write(root + "data/small.txt", "tiny");
        Write(root + "data/sub/big.bin", QByteArray(5000, 'x'));
    }
    QTemporaryDir tmp;
    QString root;
};

} // namespace

TEST_F(ArchiveFormsTest, MoveAboveTheMinimumSizeThenRestore) {
    const FormRun move = Morvane({"--move-to-archive", root + "data", "--min-size", "2"});
    EXPECT_EQ(move.status, 0) << move.err.toStdString();
    const QString archive = root + "data/Archived_files_R_1.zip";
    EXPECT_EQ(move.out, (archive + "\n").toUtf8());
    EXPECT_EQ(Read(root + "data/small.txt"), "tiny"); // below 2 KB: not recorded, stays
    EXPECT_FALSE(QFile::exists(root + "data/sub/big.bin"));

    const FormRun restore = Morvane({"--restore-archive", archive});
    EXPECT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_EQ(Read(root + "data/sub/big.bin"), QByteArray(5000, 'x'));

    // A pipe cannot go into an archive: it stays, the rest moves, status 1.
    ASSERT_EQ(::mkfifo(QFile::encodeName(root + "data/pipe").constData(), 0644), 0);
    const FormRun partly = Morvane({"--move-to-archive", root + "data", "--min-size=0"});
    EXPECT_EQ(partly.status, 1);
    EXPECT_TRUE(partly.err.startsWith("morvane: Failure while processing task."));
    EXPECT_EQ(partly.out, (root + "data/Archived_files_R_2.zip\n").toUtf8());
    EXPECT_FALSE(QFile::exists(root + "data/small.txt"));
    EXPECT_TRUE(QFileInfo(root + "data/pipe").exists());
}

TEST_F(ArchiveFormsTest, HostileArchiveRestoresItsSoundEntriesAndFails) {
    const QString archive = root + "Archived_files_R_1.zip";
    const QByteArray sound = QFile::encodeName(root.mid(1) + "restored/sound.txt");
    int err = 0;
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE, &err);
    ASSERT_NE(za, nullptr);
    for (const QByteArray& name : {QByteArray("../escaped-by-morvane-test"), sound}) {
        zip_source_t* s = zip_source_buffer(za, "data", 4, 0);
        ASSERT_GE(zip_file_add(za, name.constData(), s, 0), 0);
    }
    ASSERT_EQ(zip_close(za), 0);
    const FormRun r = Morvane({"--restore-archive", archive});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("refused")) << r.err.toStdString();
    EXPECT_EQ(Read(root + "restored/sound.txt"), "data");
    EXPECT_FALSE(QFile::exists("/escaped-by-morvane-test"));
}

TEST_F(ArchiveFormsTest, InterruptsKeepEverythingWholeAndExitAsTheReport) {
    // Random data takes a while to compress: long enough to be interrupted.
    QFile random("/dev/urandom");
    ASSERT_TRUE(random.open(QIODevice::ReadOnly));
    const QByteArray noise = random.read(8 << 20);
    Write(root + "data/noise.bin", noise);
    const QString scratch = ".Archived_files_R_1.zip.";
    for (const auto& [sig, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(status);
        const FormRun r =
            SignalWhileWriting({"--move-to-archive", root + "data"}, root + "data", scratch, sig);
        EXPECT_EQ(r.status, status) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(Named(root + "data", "").filter("Archived").join(' '), "");
        EXPECT_EQ(Read(root + "data/noise.bin"), noise);
        EXPECT_EQ(Read(root + "data/small.txt"), "tiny");
    }

    // Killed outright it leaves a scratch file; the next move removes it and
    // does not store it.
    FormRun r =
        SignalWhileWriting({"--move-to-archive", root + "data"}, root + "data", scratch, SIGKILL);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(Read(root + "data/noise.bin"), noise);
    r = Morvane({"--move-to-archive", root + "data"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(Named(root + "data", ".").join(' '), "");
    EXPECT_FALSE(QFile::exists(root + "data/noise.bin"));
    const QString archive = root + "data/Archived_files_R_1.zip";
    zip_t* za = zip_open(QFile::encodeName(archive).constData(), 0, nullptr);
    ASSERT_NE(za, nullptr);
    EXPECT_EQ(zip_get_num_entries(za, 0), 4); // sub/, sub/big.bin, noise.bin, small.txt

    // A restore stopped while it writes leaves no scratch file behind.
    const QByteArray zeros(128 << 20, '\0');
    const QByteArray big = QFile::encodeName(root.mid(1) + "restored/zeros.bin");
    zip_source_t* s = zip_source_buffer(za, zeros.constData(), zeros.size(), 0);
    ASSERT_GE(zip_file_add(za, big.constData(), s, 0), 0);
    ASSERT_EQ(zip_close(za), 0);
    for (const auto& [sig, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        SCOPED_TRACE(status);
        QDir(root + "restored").removeRecursively();
        r = SignalWhileWriting({"--restore-archive", archive}, root + "restored",
                               ".morvane-restore-", sig);
        EXPECT_EQ(r.status, status) << r.err.toStdString();
        EXPECT_EQ(Named(root + "restored", ".").join(' '), "");
    }
}

TEST_F(ArchiveFormsTest, BadInputDoesNothingAndExitsTwo) {
    Write(root + "Archived_files_R_1.zip", "not a zip");
    QFile::copy(root + "data/small.txt", root + "other.zip");
    const QList<QStringList> cases = {
        {"--move-to-archive"},
        {"--move-to-archive", root + "missing"},
        {"--move-to-archive", root + "data", "--bogus"},
        {"--move-to-archive", root + "data", "--min-size", "ten"},
        {"--move-to-archive", root + "data", root},
        {"--restore-archive"},
        {"--restore-archive", root + "none.zip"},
        {"--restore-archive", root + "Archived_files_R_1.zip"},
        {"--restore-archive", root + "other.zip"},
    };
    for (const QStringList& args : cases) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const FormRun r = Morvane(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("morvane: "));
    }
    EXPECT_EQ(Read(root + "data/small.txt"), "tiny");
    EXPECT_FALSE(QFile::exists(root + "data/Archived_files_R_1.zip"));
}

TEST(ArchiveFullDiskTest, FullDiskKeepsEverySourceAndLeavesNoArchive) {
    // A 500 KB file system holding a 300 KB file that does not compress: the
    // archive cannot be written. Needs a private mount namespace.
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString script =
        QStringLiteral("d=$1; mount -t tmpfs -o size=500k tmpfs \"$d\" || exit 99; "
                       "head -c 300000 /dev/urandom > \"$d/r.bin\"; echo hi > \"$d/a.txt\"; "
                       "s=$(cksum < \"$d/r.bin\"); \"$2\" --move-to-archive \"$d\"; rc=$?; "
                       "ls -A \"$d\"; [ \"$s\" = \"$(cksum < \"$d/r.bin\")\" ] && echo same; "
                       "exit $rc");
    QProcess p;
    const QStringList ns = ::geteuid() == 0 ? QStringList{"-m"} : QStringList{"-U", "-r", "-m"};
    p.start("unshare", ns + QStringList{"--propagation", "private", "sh", "-c", script, "sh",
                                        tmp.path(), QStringLiteral(MORVANE_BINARY)});
    p.waitForFinished(60000);
    const int status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    const QByteArray err = p.readAllStandardError();
    if (status == 99 || (status != 1 && err.contains("unshare")))
        GTEST_SKIP() << "no private mount namespace here: " << err.toStdString();
    EXPECT_EQ(status, 1) << err.toStdString();
    EXPECT_EQ(p.readAllStandardOutput(), "a.txt\nr.bin\nsame\n");
    EXPECT_TRUE(err.contains("Error in Add; Fatal DLL Exception in mainunit"));
    EXPECT_TRUE(err.contains("No space left on device")) << err.toStdString();
}
