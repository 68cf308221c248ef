#include "core/settings/IniFile.h"
#include "common/Unprivileged.h"
#include "core/settings/IniSnapshot.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class IniTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath("AppData/Morvane.ini");

    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    void TearDown() override { SetIniMessageHandler(nullptr); }

    void put(const QByteArray& content) {
        QDir().mkpath(QFileInfo(ini).absolutePath());
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QByteArray content() const {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
};

QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EMorvaneError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

} // namespace

TEST_F(IniTest, FirstUseMakesFolderAndFileAndReadsDefaults) {
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "left", 150), 150);
    EXPECT_TRUE(QFileInfo(ini).isFile());
    EXPECT_EQ(content(), "");
    EXPECT_EQ(ReadIniString(ini, "LastDir", "Start with", "/"), "/");
    EXPECT_TRUE(ReadIniBool(ini, "Switches", "MarkVisible", true));
    EXPECT_FALSE(ReadIniBool(ini, "Switches", "ShowLegend", false));
    WriteIniInteger(ini, "Bounds", "left", 20);
    WriteIniBool(ini, "Switches", "ShowHints", true);
    WriteIniString(ini, "LastDir", "Start with", "/home/me/");
    EXPECT_EQ(content(), "[Bounds]\nleft=20\n[Switches]\nShowHints=1\n[LastDir]\n"
                         "Start with=/home/me/\n");
}

TEST_F(IniTest, NamesMatchInAnyCase) {
    WriteIniInteger(ini, "ExportSettings", "SizeKBChars", 17);
    EXPECT_EQ(ReadIniInteger(ini, "exportsettings", "SizekBChars", 20), 17);
    WriteIniInteger(ini, "EXPORTSETTINGS", "sizekbchars", 18);
    EXPECT_EQ(content(), "[ExportSettings]\nsizekbchars=18\n");
    put("[ Bounds ]\n  Left = 33  \n");
    EXPECT_EQ(ReadIniInteger(ini, "bounds", "LEFT", 150), 33);
}

TEST_F(IniTest, AbsentEmptyAndBadValues) {
    put("[LastDir]\nStart with=\n[Bounds]\nleft=\ntop=abc\nwidth=0x1F\nheight=$1F\n"
        "a=-12\nb= 7 \nc=1.5\nd=0X1f\n[Switches]\nx=2\ny=0\nz=yes\n");
    EXPECT_EQ(ReadIniString(ini, "LastDir", "Start with", "/"), "");
    EXPECT_EQ(ReadIniString(ini, "LastDir", "Right Dir", "/"), "/");
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "left", 150), 150);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "top", 100), 100);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "width", 700), 31);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "height", 500), 31);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "a", 0), -12);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "b", 0), 7);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "c", 9), 9);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "d", 0), 31);
    EXPECT_TRUE(ReadIniBool(ini, "Switches", "x", false));
    EXPECT_FALSE(ReadIniBool(ini, "Switches", "y", true));
    EXPECT_TRUE(ReadIniBool(ini, "Switches", "z", true));
    EXPECT_FALSE(ReadIniBool(ini, "Switches", "z", false));
}

TEST_F(IniTest, IntegerRewriteStaysInPlaceStringMovesToEnd) {
    put("; my notes\n[Bounds]\nleft=1\ntop=2\n\n[Filter]\nText=*\nOther=x\n\n[Page]\nTabSheet=3");
    WriteIniInteger(ini, "Bounds", "left", 10);
    WriteIniBool(ini, "Bounds", "top", false);
    WriteIniString(ini, "Filter", "Text", "*.txt");
    WriteIniInteger(ini, "Bounds", "width", 700);
    WriteIniInteger(ini, "Page", "Extra", 5);
    WriteIniString(ini, "New", "k", "v");
    EXPECT_EQ(content(), "; my notes\n[Bounds]\nleft=10\ntop=0\nwidth=700\n\n"
                         "[Filter]\nOther=x\nText=*.txt\n\n[Page]\nTabSheet=3\nExtra=5\n"
                         "[New]\nk=v\n");
}

TEST_F(IniTest, ShrunkListKeepsItsOldKeys) {
    for (int i = 0; i < 10; ++i)
        WriteIniString(ini, "HistoryCombo", QString::number(i), QStringLiteral("/d%1/").arg(i));
    WriteIniInteger(ini, "HistoryCombo", "count", 10);
    for (int i = 0; i < 3; ++i)
        WriteIniString(ini, "HistoryCombo", QString::number(i), QStringLiteral("/n%1/").arg(i));
    WriteIniInteger(ini, "HistoryCombo", "count", 3);
    const IniSnapshot s(ini);
    EXPECT_EQ(s.ReadInteger("HistoryCombo", "count", 0), 3);
    EXPECT_EQ(s.ReadString("HistoryCombo", "2", ""), "/n2/");
    EXPECT_EQ(s.ReadString("HistoryCombo", "9", ""), "/d9/");
    const auto values = s.ReadSection("historycombo");
    ASSERT_EQ(values.size(), 11);
    EXPECT_EQ(values.first(), qMakePair(QStringLiteral("3"), QStringLiteral("/d3/")));
    EXPECT_EQ(values.last(), qMakePair(QStringLiteral("2"), QStringLiteral("/n2/")));
}

TEST_F(IniTest, ValuesRoundTripAndAreSafe) {
    const QString utf = QString::fromUtf8("/home/jürgen/Données/日本 [x]=y;z");
    WriteIniString(ini, "LastDir", "Start with", utf);
    EXPECT_EQ(ReadIniString(ini, "LastDir", "Start with", ""), utf);
    WriteIniString(ini, "Filter", "Text", "a\nb\r\nc\rd");
    EXPECT_EQ(ReadIniString(ini, "Filter", "Text", ""), "a b c d");
    EXPECT_FALSE(content().contains("a\nb"));
    const QString font = QStringLiteral("\"Arial\", 9, [], [clWindowText]");
    WriteIniString(ini, "Settings", "ListFont", font);
    EXPECT_EQ(ReadIniString(ini, "Settings", "ListFont", ""), font);
    // At most 2047 characters are read.
    WriteIniString(ini, "Long", "v", QString(5000, QLatin1Char('x')));
    EXPECT_EQ(ReadIniString(ini, "Long", "v", "").size(), 2047);
    EXPECT_EQ(IniSnapshot(ini).ReadString("Long", "v", "").size(), 2047);
}

TEST_F(IniTest, GarbageIsReadWithoutCrashAndKept) {
    const QByteArray binary("\x01\x02\xff\xfe binary\x00junk", 16);
    QByteArray junk = "\xEF\xBB\xBF[Bounds]\r\nleft=5\r\n" + binary + "\r\n";
    junk += QByteArray(100000, 'L') + "\r\n=novalue\r\n[unclosed\r\nk=1\r\nnoequals\r\n"
                                      "[Bounds]\r\nleft=99\r\n";
    put(junk);
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "left", 0), 5); // the first section counts
    EXPECT_EQ(ReadIniInteger(ini, "unclosed", "k", 0), 1);
    WriteIniInteger(ini, "Bounds", "left", 6);
    WriteIniInteger(ini, "Bounds", "top", 7);
    const QByteArray got = content();
    EXPECT_TRUE(got.startsWith("\xEF\xBB\xBF[Bounds]\r\nleft=6\r\n"));
    EXPECT_TRUE(got.contains(QByteArray(100000, 'L')));
    EXPECT_TRUE(got.contains("left=6\r\n" + binary + "\r\n" + QByteArray(100000, 'L')));
    EXPECT_TRUE(got.endsWith("[Bounds]\r\nleft=99\r\n"));
    EXPECT_EQ(got.size(), junk.size() + QByteArray("top=7\r\n").size());
    EXPECT_EQ(ReadIniInteger(ini, "Bounds", "top", 0), 7);
}

TEST_F(IniTest, WriteReplacesTheFileWholeAndKeepsPermissions) {
    WriteIniInteger(ini, "A", "x", 1);
    ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0640), 0);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &before), 0);
    WriteIniInteger(ini, "A", "x", 2);
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino); // a new file was renamed over the old one
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    // No temporary files are left beside it.
    EXPECT_EQ(QDir(QFileInfo(ini).absolutePath())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Morvane.ini"});
    // A link to the settings file stays a link.
    const QString link = dir.filePath("link.ini");
    ASSERT_TRUE(QFile::link(ini, link));
    WriteIniInteger(link, "A", "x", 3);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(ReadIniInteger(ini, "A", "x", 0), 3);
}

TEST_F(IniTest, FolderThatCannotBeMade) {
    // Only the last level is made.
    const QString deep = dir.filePath("missing/AppData/Morvane.ini");
    EXPECT_EQ(ErrorOf([&] { ReadIniString(deep, "A", "b", ""); }),
              "Could not create " + dir.filePath("missing/AppData/"));
    EXPECT_EQ(ErrorOf([&] { WriteIniInteger(deep, "A", "b", 1); }),
              "Could not create " + dir.filePath("missing/AppData/"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));
    // A place where nobody, not even root, can make a folder.
    EXPECT_EQ(ErrorOf([] { EnsureIniFile("/proc/self/AppData/Morvane.ini"); }),
              "Could not create /proc/self/AppData/");
}

TEST_F(IniTest, FileThatCannotBeMadeOrWritten) {
    QStringList shown;
    SetIniMessageHandler([&](const QString& m) { shown << m; });
    // A name too long for the file system fails for root too.
    const QString tooLong = dir.filePath(QString(300, QLatin1Char('n')) + ".ini");
    EXPECT_EQ(ReadIniInteger(tooLong, "A", "b", 4), 4);
    EXPECT_EQ(shown, QStringList{"Could not create " + tooLong});
    EXPECT_EQ(ErrorOf([&] { WriteIniInteger(tooLong, "A", "b", 1); }),
              "Unable to write to " + tooLong);
    // A folder where the file should be.
    const QString isDir = dir.filePath("AppData/Morvane.ini");
    QDir().mkpath(isDir);
    EXPECT_EQ(ErrorOf([&] { WriteIniString(isDir, "A", "b", "c"); }),
              "Unable to write to " + isDir);
    EXPECT_EQ(ReadIniString(isDir, "A", "b", "def"), "def");
}

TEST_F(IniTest, UnwritableFolderKeepsTheOldFile) {
    WriteIniInteger(ini, "A", "x", 1);
    const QString folder = QFileInfo(ini).absolutePath();
    unprivileged::HandOver({dir.path(), folder, ini});
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    EXPECT_EQ(unprivileged::Run([&] {
                  return ErrorOf([&] { WriteIniInteger(ini, "A", "x", 2); }) ==
                                 "Unable to write to " + ini
                             ? 0
                             : 1;
              }),
              0);
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_EQ(ReadIniInteger(ini, "A", "x", 0), 1);
}

TEST_F(IniTest, SnapshotOfAMissingFileCreatesNothing) {
    const IniSnapshot s(ini);
    EXPECT_FALSE(s.Exists());
    EXPECT_EQ(s.ReadInteger("Bounds", "left", 150), 150);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(ini).absolutePath()));
    put("[S]\nk=\nb=1\n");
    const IniSnapshot t(ini);
    EXPECT_TRUE(t.Exists());
    EXPECT_TRUE(t.ValueExists("s", "K"));
    EXPECT_EQ(t.ReadString("S", "k", "d"), "");
    EXPECT_TRUE(t.ReadBool("S", "b", false));
    EXPECT_TRUE(t.SectionExists("s"));
    EXPECT_FALSE(t.SectionExists("T"));
}

TEST(IniPlace, ProgramFolderWhenWritableElseConfigHome) {
    QTemporaryDir prog;
    EXPECT_EQ(DefaultIniFileName(prog.path()), prog.path() + "/AppData/Morvane.ini");
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultIniFileName("/usr/bin"), config + "/Morvane/Morvane.ini");
    // A copy installed under a prefix of the user's own keeps its settings in the config home,
    // whichever name its desktop entry has (the older installs had morvane.desktop).
    for (const char* entry : {"org.morvane.morvane.desktop", "morvane.desktop"}) {
        QTemporaryDir prefix;
        QDir(prefix.path()).mkpath("bin");
        EXPECT_EQ(DefaultIniFileName(prefix.filePath("bin")),
                  prefix.path() + "/bin/AppData/Morvane.ini");
        QDir(prefix.path()).mkpath("share/applications");
        QFile(prefix.filePath(QString("share/applications/") + entry)).open(QIODevice::WriteOnly);
        EXPECT_EQ(DefaultIniFileName(prefix.filePath("bin")), config + "/Morvane/Morvane.ini")
            << entry;
    }
    if (::geteuid() != 0) {
        ::chmod(QFile::encodeName(prog.path()).constData(), 0555);
        EXPECT_EQ(DefaultIniFileName(prog.path()), config + "/Morvane/Morvane.ini");
        ::chmod(QFile::encodeName(prog.path()).constData(), 0755);
    }
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(DefaultIniFileName("/usr/bin"), QDir::homePath() + "/.config/Morvane/Morvane.ini");
    qputenv("XDG_CONFIG_HOME", "relative/path");
    EXPECT_EQ(DefaultIniFileName("/usr/bin"), QDir::homePath() + "/.config/Morvane/Morvane.ini");
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());
}
