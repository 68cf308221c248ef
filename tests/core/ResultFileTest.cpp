// The result file: exact bytes, round trip, and damaged files refused whole.
#include "core/resultfile/ResultFile.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

QByteArray Hex(const char* hex) {
    return QByteArray::fromHex(hex);
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class ResultFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString File(const QString& name) const { return tmp.path() + "/" + name; }

    // Loading must fail with a message naming the file and leave the lists alone.
    void ExpectRefused(const QByteArray& bytes, const char* what) {
        SCOPED_TRACE(what);
        const QString path = File("bad.MVX");
        WriteAll(path, bytes);
        QStringList p{"keep"}, m{"1"}, k{"2"};
        try {
            LoadResultFile(p, m, k, path);
            ADD_FAILURE() << "accepted";
        } catch (const EMorvaneError& e) {
            EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
        }
        EXPECT_EQ(p, QStringList{"keep"});
        EXPECT_EQ(m, QStringList{"1"});
        EXPECT_EQ(k, QStringList{"2"});
    }

    QTemporaryDir tmp;
};

} // namespace

TEST_F(ResultFileTest, WorkedExampleBytes) {
    const QString path = File("one.MVX");
    SaveResultFile({"C:\\A"}, {"1.5"}, {"1536"}, path);
    EXPECT_EQ(ReadAll(path), Hex("00000000"
                                 "04000000"
                                 "433a5c41"
                                 "00000000"
                                 "03000000"
                                 "312e35"
                                 "00000000"
                                 "04000000"
                                 "31353336"));
    EXPECT_EQ(ReadAll(path).size(), 35);
    QStringList p, m, k;
    LoadResultFile(p, m, k, path);
    EXPECT_EQ(p, QStringList{"C:\\A"});
    EXPECT_EQ(m, QStringList{"1.5"});
    EXPECT_EQ(k, QStringList{"1536"});
}

TEST_F(ResultFileTest, EmptyAnalysisIsTwelveBytes) {
    const QString path = File("empty.MVX");
    SaveResultFile({}, {}, {}, path);
    EXPECT_EQ(ReadAll(path), Hex("ffffffffffffffffffffffff"));
    QStringList p{"x"}, m{"y"}, k{"z"};
    LoadResultFile(p, m, k, path);
    EXPECT_TRUE(p.isEmpty());
    EXPECT_TRUE(m.isEmpty());
    EXPECT_TRUE(k.isEmpty());
}

TEST_F(ResultFileTest, RoundTripKeepsOrderAndUnicode) {
    const QStringList paths{"/home/ünï/Bilder", "/home/ünï/日本",
                            "/home/ünï/<All files in this folder>", "/<Free Space>", ""};
    const QStringList mb{"12.5", "0", "1,25", "99999.99", ""};
    const QStringList kb{"12800", "0.98", "1280", "102399989.76", "0"};
    const QString path = File("round.MVX");
    SaveResultFile(paths, mb, kb, path);
    QStringList p, m, k;
    LoadResultFile(p, m, k, path);
    EXPECT_EQ(p, paths);
    EXPECT_EQ(m, mb);
    EXPECT_EQ(k, kb);
    // The length field counts UTF-8 bytes.
    EXPECT_EQ(ReadAll(path).mid(8, 18), QByteArray("/home/ünï/Bilder"));

    // A name that is not UTF-8 is stored as its bytes and comes back as the
    // same name, not as its look-alike with U+FFFD.
    const QString raw = PathFromNative(QByteArray("/d/bad\xff\xfename"));
    SaveResultFile({raw}, {"1"}, {"2"}, path);
    EXPECT_EQ(ReadAll(path).mid(8, 12), QByteArray("/d/bad\xff\xfename"));
    LoadResultFile(p, m, k, path);
    EXPECT_EQ(p, QStringList{raw});
}

TEST_F(ResultFileTest, SaveReplacesWholeAndMakesOneFolderLevel) {
    const QString path = File("new/r.MVX");
    SaveResultFile({"a"}, {"1"}, {"2"}, path);
    SaveResultFile({}, {}, {}, path);
    EXPECT_EQ(ReadAll(path).size(), 12);
    EXPECT_EQ(QDir(File("new")).entryList(QDir::Files), QStringList{"r.MVX"}); // no temp left
    try {
        SaveResultFile({}, {}, {}, File("a/b/c.MVX"));
        ADD_FAILURE() << "saved below two missing folders";
    } catch (const EMorvaneError& e) {
        EXPECT_TRUE(e.message().startsWith("Could not create ")) << e.message().toStdString();
    }
}

TEST_F(ResultFileTest, DamagedFilesAreRefused) {
    const QByteArray good = ResultFileBytes({"/a", "/b"}, {"1", "2"}, {"3", "4"});
    // Every truncation of a good file.
    for (qsizetype n = 0; n < good.size(); ++n)
        ExpectRefused(good.left(n), "truncated");
    ExpectRefused(good + '\0', "byte after the third section");
    ExpectRefused(Hex("feffffff") + Hex("ffffffffffffffff"), "count below -1");
    ExpectRefused(Hex("ffffffff00000000") + Hex("00000000") + Hex("00000000") + Hex("00000000"),
                  "counts -1, 0, 0 disagree");
    ExpectRefused(Hex("00000000ffffffff") + Hex("ffffffffffffffff"), "negative length");
    // Hostile sizes: must be refused without trying to allocate them.
    ExpectRefused(Hex("00000000ffffff7f41") + Hex("ffffffffffffffff"), "huge length");
    ExpectRefused(Hex("feffff7f00000000") + Hex("ffffffffffffffff"), "huge count");
    ExpectRefused(Hex("ffffffffffffffff"), "two sections only");
    ExpectRefused(QByteArray("Not a result file at all, just some text.\n"), "text file");
}

TEST_F(ResultFileTest, MissingFileOrFolderNamesTheFile) {
    QStringList p{"keep"}, m, k;
    for (const QString& path : {File("missing.MVX"), tmp.path()}) {
        try {
            LoadResultFile(p, m, k, path);
            ADD_FAILURE() << "opened " << path.toStdString();
        } catch (const EMorvaneError& e) {
            EXPECT_TRUE(e.message().contains(path));
        }
    }
    EXPECT_EQ(p, QStringList{"keep"});
}

TEST_F(ResultFileTest, FileCutShortDuringTheReadIsRefusedNotACrash) {
    // A file of some MB, cut to a few bytes by another program at different
    // moments of the read; run in a child so a bus error shows as a failure.
    QStringList paths, mb, kb;
    for (int i = 0; i < 200000; ++i) {
        paths << QStringLiteral("/home/user/some/rather/long/folder/name/number %1").arg(i);
        mb << QStringLiteral("%1.25").arg(i);
        kb << QStringLiteral("%1.5").arg(i * 1024);
    }
    const QByteArray good = ResultFileBytes(paths, mb, kb);
    const QString path = File("cut.MVX");
    const QByteArray native = QFile::encodeName(path);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        for (int delayUs = 0; delayUs < 40000; delayUs += 2000) {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(good) != good.size()) ::_exit(3);
            f.close();
            std::thread cut([&] {
                ::usleep(useconds_t(delayUs));
                if (::truncate(native.constData(), 100) != 0) ::_exit(4);
            });
            QStringList p, m, k;
            try {
                LoadResultFile(p, m, k, path);
                if (p.size() != paths.size()) ::_exit(5); // all or nothing
            } catch (const EMorvaneError&) {
            }
            cut.join();
        }
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
