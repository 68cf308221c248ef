#include "engine/FileFilter.h"
#include "platform/FileInfo.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(ParseFilterText, SplitsAtSemicolonsAndKeepsEmptyMiddleEntries) {
    const QStringList et{"exe", "txt"};
    EXPECT_EQ(ParseFilterText("exe;txt;"), et);
    EXPECT_EQ(ParseFilterText("exe;txt"), et);
    EXPECT_EQ(ParseFilterText(";exe;txt"), et);
    EXPECT_EQ(ParseFilterText(" e x e ; txt "), et);
    EXPECT_EQ(ParseFilterText("exe;;txt"), (QStringList{"exe", "", "txt"}));
    EXPECT_TRUE(ParseFilterText("").isEmpty());
    EXPECT_TRUE(ParseFilterText("   ").isEmpty());
    EXPECT_EQ(ParseFilterText(";"), QStringList{""});
    EXPECT_EQ(ParseFilterText(";;"), QStringList{""});
}

TEST(MatchesFilter, ComparesTheLastExtensionIgnoringAsciiCase) {
    const QString f = "exe;TXT";
    const QStringList e = ParseFilterText(f);
    EXPECT_TRUE(MatchesFilter("/d/A.EXE", f, e));
    EXPECT_TRUE(MatchesFilter("/d/b.txt", f, e));
    EXPECT_TRUE(MatchesFilter("/d/c.Txt", f, e));
    EXPECT_FALSE(MatchesFilter("/d/README", f, e));
    EXPECT_FALSE(MatchesFilter("/d.exe/README", f, e)); // a dot in a folder name is no extension
    EXPECT_FALSE(MatchesFilter("/d/x.exe.bak", f, e));
    const QStringList gz = ParseFilterText("gz"), targz = ParseFilterText("tar.gz");
    EXPECT_TRUE(MatchesFilter("/d/archive.tar.gz", "gz", gz));
    EXPECT_FALSE(MatchesFilter("/d/archive.tar.gz", "tar.gz", targz));
    // "*" alone matches everything, also files without extension.
    EXPECT_TRUE(MatchesFilter("/d/README", "*", ParseFilterText("*")));
    // Only ASCII letters fold: an umlaut does not match its capital.
    EXPECT_FALSE(MatchesFilter("/d/x.ä", "Ä", ParseFilterText("Ä")));
}

TEST(TFileFilter, InvertAndEmptyFilter) {
    EXPECT_TRUE(TFileFilter("*", false).Accepts("/a/README"));
    EXPECT_FALSE(TFileFilter("*", true).Accepts("/a/README"));
    EXPECT_FALSE(TFileFilter("", false).Accepts("/a/b.txt"));
    EXPECT_TRUE(TFileFilter("  ", true).Accepts("/a/b.txt"));
    EXPECT_TRUE(TFileFilter("exe", true).Accepts("/a/README"));
    EXPECT_FALSE(TFileFilter("exe", true).Accepts("/a/b.EXE"));
    EXPECT_TRUE(TFileFilter("*;", false).Accepts("/a/b.*")); // "*;" is an entry, not "all"
    EXPECT_FALSE(TFileFilter("*;", false).Accepts("/a/b.txt"));
}

TEST(ExtCellText, AtMostFourCharacters) {
    EXPECT_EQ(ExtCellText("/p/photo.jpeg"), "jpeg");
    EXPECT_EQ(ExtCellText("/p/data.backup"), "back");
    EXPECT_EQ(ExtCellText("/p/README"), "");
    EXPECT_EQ(ExtCellText("/p.d/README"), "");
}

TEST(PadText, CutsOrFills) {
    EXPECT_EQ(PadText("Company Name", " ", 20, true), "Company Name        ");
    EXPECT_EQ(PadText("7", "0", 3, false), "007");
    EXPECT_EQ(PadText("abcdef", " ", 3, true), "abc");
    EXPECT_EQ(PadText("abc", " ", 3, false), "abc");
}

TEST(FileAttributeText, OneLinePerAttribute) {
    QTemporaryDir dir;
    const QString hidden = dir.filePath(".hidden");
    QFile(hidden).open(QIODevice::WriteOnly);
    EXPECT_EQ(FileAttributeText(hidden), "\rArchive \rHidden ");
    chmod(QFile::encodeName(hidden).constData(), 0444);
    EXPECT_EQ(FileAttributeText(hidden), "\rArchive \rHidden \rWrite Protected ");
    EXPECT_EQ(FileAttributeText(dir.path()), ""); // a folder carries no listed bit
    EXPECT_EQ(FileAttributes(dir.path()) & 0x10, 0x10);
    EXPECT_EQ(FileAttributeText(dir.filePath("gone")), "");
    EXPECT_EQ(FileAttributeText("/dev/null"), "\rSystem ");
}

TEST(LastAccessDate, MissingFileGivesDateMinusOne) {
    EXPECT_EQ(LastAccessDate("/no/such/file"), QDate(1899, 12, 29));
    QTemporaryDir dir;
    QFile f(dir.filePath("a"));
    f.open(QIODevice::WriteOnly);
    f.close();
    EXPECT_GT(LastAccessDate(f.fileName()).year(), 2000);
}

TEST(FileVersionLines, NoBlockAndAPortableExecutable) {
    QTemporaryDir dir;
    QStringList lines{"old"};
    QFile f(dir.filePath("setup.exe"));
    f.open(QIODevice::WriteOnly);
    f.write("\x7f"
            "ELF not really a program, but long enough to be looked at ........");
    f.close();
    EXPECT_TRUE(FileVersionLines(f.fileName(), lines));
    EXPECT_EQ(lines, QStringList{"No FileVersionInfo found"});
    EXPECT_TRUE(FileVersionLines(dir.filePath("missing.exe"), lines));
    EXPECT_EQ(lines, QStringList{"No FileVersionInfo found"});
}

TEST(FileTypeName, DescribesByName) {
    EXPECT_FALSE(FileTypeName("/no/such/notes.txt").isEmpty());
    EXPECT_LE(FileTypeName("/no/such/notes.txt").size(), 80);
}
