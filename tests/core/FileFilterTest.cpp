#include "core/engine/FileFilter.h"
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

TEST(FileFilter, InvertAndEmptyFilter) {
    EXPECT_TRUE(FileFilter("*", false).Accepts("/a/README"));
    EXPECT_FALSE(FileFilter("*", true).Accepts("/a/README"));
    EXPECT_FALSE(FileFilter("", false).Accepts("/a/b.txt"));
    EXPECT_TRUE(FileFilter("  ", true).Accepts("/a/b.txt"));
    EXPECT_TRUE(FileFilter("exe", true).Accepts("/a/README"));
    EXPECT_FALSE(FileFilter("exe", true).Accepts("/a/b.EXE"));
    EXPECT_TRUE(FileFilter("*;", false).Accepts("/a/b.*")); // "*;" is an entry, not "all"
    EXPECT_FALSE(FileFilter("*;", false).Accepts("/a/b.txt"));
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

namespace {

void Put16(QByteArray& b, int v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}
void Put32(QByteArray& b, quint32 v) {
    Put16(b, int(v & 0xffff));
    Put16(b, int(v >> 16));
}
void Pad4(QByteArray& b) {
    while (b.size() % 4)
        b.append('\0');
}
// One node of a version block: header, key, value, children.
QByteArray Node(const QString& key, const QByteArray& value, int valueLen, bool text,
                const QList<QByteArray>& children = {}) {
    QByteArray b(6, '\0');
    for (QChar c : key)
        Put16(b, c.unicode());
    Put16(b, 0);
    Pad4(b);
    b += value;
    Pad4(b);
    for (const QByteArray& c : children) {
        b += c;
        Pad4(b);
    }
    b[0] = char(b.size() & 0xff);
    b[1] = char(b.size() >> 8);
    b[2] = char(valueLen & 0xff);
    b[3] = char(valueLen >> 8);
    b[4] = char(text ? 1 : 0);
    return b;
}
QByteArray StringNode(const QString& key, const QString& value) {
    QByteArray v;
    for (QChar c : value)
        Put16(v, c.unicode());
    Put16(v, 0);
    return Node(key, v, int(value.size()) + 1, true);
}

// A minimal 32-bit Windows program whose only content is a version resource.
QByteArray PortableExecutable(const QString& table) {
    const QByteArray version =
        Node("VS_VERSION_INFO", QByteArray(52, '\0'), 52, false,
             {Node("StringFileInfo", {}, 0, true,
                   {Node(table, {}, 0, true,
                         {StringNode("CompanyName", " ACME Corp\t"),
                          StringNode("FileVersion", "1.2.3"), StringNode("Comments", "   ")})})});
    QByteArray f(64, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    f[0x3C] = 64;
    f += QByteArray("PE\0\0", 4);
    Put16(f, 0x14c); // machine
    Put16(f, 1);     // sections
    f += QByteArray(12, '\0');
    Put16(f, 224); // optional header size
    Put16(f, 0x102);
    const int opt = int(f.size());
    QByteArray o(224, '\0');
    o[0] = 0x0b;
    o[1] = 0x01;
    o[92] = 16; // data directories
    const quint32 rsrcSize = 88 + quint32(version.size());
    QByteArray dir;
    Put32(dir, 0x1000);
    Put32(dir, rsrcSize);
    o.replace(96 + 16, 8, dir);
    f += o;
    Q_ASSERT(f.size() == opt + 224);
    QByteArray sec(".rsrc\0\0\0", 8);
    Put32(sec, rsrcSize);
    Put32(sec, 0x1000);
    Put32(sec, rsrcSize);
    Put32(sec, 0x200);
    sec += QByteArray(16, '\0');
    f += sec;
    f += QByteArray(0x200 - f.size(), '\0');
    QByteArray r;
    auto directory = [&](quint32 id, quint32 off) {
        r += QByteArray(14, '\0');
        Put16(r, 1);
        Put32(r, id);
        Put32(r, off);
    };
    directory(16, 0x80000000u | 24);
    directory(1, 0x80000000u | 48);
    directory(0x409, 72);
    Put32(r, 0x1000 + 88);
    Put32(r, quint32(version.size()));
    Put32(r, 0);
    Put32(r, 0);
    r += QByteArray(88 - r.size(), '\0');
    r += version;
    return f + r;
}

} // namespace

TEST(FileVersionLines, ReadsTheUsEnglishStringTable) {
    QTemporaryDir dir;
    QFile f(dir.filePath("setup.exe"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(PortableExecutable("040904e4"));
    f.close();
    QStringList lines;
    ASSERT_TRUE(FileVersionLines(f.fileName(), lines));
    ASSERT_EQ(lines.size(), 3);
    // Sorted as whole lines: Company, File Version, Size; blank values left out.
    EXPECT_EQ(lines[0], "Company Name         = ACME Corp");
    EXPECT_EQ(lines[1], "File Version         = 1.2.3");
    EXPECT_TRUE(lines[2].startsWith("Size                 = "));
    // Another language yields the size line only.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(PortableExecutable("040704B0"));
    f.close();
    ASSERT_TRUE(FileVersionLines(f.fileName(), lines));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("Size"));
}
