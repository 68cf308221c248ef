#include "core/engine/FileListRows.h"
#include "core/engine/SizeText.h"
#include "platform/FileInfo.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace {
// A detail table of paths, each with its access date and size text.
FileRowTable Rows(std::initializer_list<std::tuple<QString, QString, QString>> rows) {
    FileRowTable t;
    for (const auto& [path, ac, kb] : rows)
        t.Append(path, kb, "01.Jan.20", ac);
    return t;
}
std::tuple<QString, QString, QString> Row(const QString& path, const QString& ac = "01.Jan.20",
                                          const QString& kb = "1") {
    return {path, ac, kb};
}
} // namespace

TEST(FileRows, DetailAndPlainRowsAndRowPath) {
    const FileRowTable d = Rows({Row("/a/b/photo.jpeg")});
    EXPECT_EQ(d.Cell(0, 0), "photo.jpeg");
    EXPECT_EQ(d.Cell(0, 3), "/a/b/photo.jpeg");
    EXPECT_EQ(d.Cell(0, 5), "jpeg");
    EXPECT_EQ(d.Cell(0, 6), "x");
    EXPECT_EQ(d.Path(0), "/a/b/photo.jpeg");
    FileRowTable p(false);
    p.Append("/a/b/README", "5", "d", "e");
    EXPECT_EQ(p.Cell(0, 0), "/a/b/README");
    EXPECT_EQ(p.Path(0), "/a/b/README");
    for (int c = 1; c < 7; ++c)
        EXPECT_TRUE(p.Cell(0, c).isEmpty());
}

TEST(FileRows, CellsKeepTheirTextsThroughReorderAndRemove) {
    FileRowTable t;
    t.Append("/x/a.c", "1,024", "01.Jan.20", "02.Jan.20");
    t.Append("/y/z/b.tar.gz", "7", "03.Feb.21", "04.Feb.21");
    t.Append("name-without-folder", "0", "", "");
    t.SetDupNumber(1, 12);
    t.SetChecked(0, true);
    const QStringList before{"b.tar.gz", "03.Feb.21", "04.Feb.21", "/y/z/b.tar.gz",
                             "7",        "gz",        "12"};
    t.Reorder({2, 1, 0});
    for (int c = 0; c < 7; ++c)
        EXPECT_EQ(t.Cell(1, c), before[c]);
    EXPECT_EQ(t.Cell(0, 3), "name-without-folder");
    EXPECT_TRUE(t.Checked(2));
    EXPECT_EQ(t.ColumnTexts(4), (QStringList{"0", "7", "1,024"}));
    EXPECT_EQ(t.ColumnTexts(6), (QStringList{"x", "12", "x"}));
    EXPECT_EQ(t.Remove({1, 0}), 1); // flags past the end keep their rows
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t.Path(0), "/y/z/b.tar.gz");
    EXPECT_EQ(t.Cell(1, 0), "a.c");
}

TEST(FileRows, AccessDatesOfALongListAreThoseOfEachFile) {
    // Enough rows for several threads; files in two folders and one that is gone.
    QTemporaryDir dir;
    const QString a = dir.filePath("a.txt"), b = dir.filePath("sub/b"), gone = dir.filePath("x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    for (const QString& p : {a, b}) {
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QDateTime older(QDate(2020, 2, 29), QTime(12, 0));
    QFile old(b);
    ASSERT_TRUE(old.open(QIODevice::ReadWrite) && old.setFileTime(older, QFile::FileAccessTime));
    old.close();
    const QString paths[] = {a, b, gone};
    FileRowTable t;
    for (int i = 0; i < 30001; ++i)
        t.Append(paths[i / 1000 % 3]);
    t.ReadAccessDates();
    for (int i = 0; i < t.Count(); ++i) {
        const QDate d = LastAccessDate(t.Path(i));
        ASSERT_EQ(t.Cell(i, 2), DateText(d.year(), d.month(), d.day())) << i;
    }
    EXPECT_EQ(t.Cell(1000, 2), DateText(2020, 2, 29));
    EXPECT_EQ(t.Cell(29999, 2), DateText(1899, 12, 29));
}

TEST(FileGaugeStep, StepRuleAcrossFills) {
    // 100 FileRows after a start: maximum 99, step 4, advances at 0, 4, 8, ...
    int step = NextFileGaugeStep(0, 99);
    EXPECT_EQ(step, 4);
    EXPECT_EQ(FileGaugeAdvance(step, 0), 4);
    EXPECT_EQ(FileGaugeAdvance(step, 3), 0);
    EXPECT_EQ(FileGaugeAdvance(step, 8), 4);
    // A following fill of 30 rows: 40 is not below 29, so one per row.
    step = NextFileGaugeStep(step, 29);
    EXPECT_EQ(step, 0);
    EXPECT_EQ(FileGaugeAdvance(step, 7), 1);
    EXPECT_EQ(NextFileGaugeStep(0, 0), 0);
}

TEST(Duplicates, PairsOfNeighbours) {
    // Sorted by name: two equal a.txt from different folders.
    FileRowTable rows = Rows({Row("/x/a.txt"), Row("/y/a.txt"), Row("/z/b.txt")});
    auto pairs = DuplicatePairs(rows, true, true);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0], std::make_pair(0, 1));
    // Three equal rows: pairs (0,1) and (1,2), the middle one shared.
    rows = Rows({Row("/x/a.txt"), Row("/y/a.txt"), Row("/z/a.txt")});
    pairs = DuplicatePairs(rows, true, true);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1], std::make_pair(1, 2));
    // Case, access date and size all count.
    rows = Rows({Row("/x/A.TXT"), Row("/y/a.txt"), Row("/z/a.txt", "02.Jan.20"),
                 Row("/w/a.txt", "02.Jan.20", "2")});
    EXPECT_TRUE(DuplicatePairs(rows, true, true).empty());
    EXPECT_EQ(DuplicatePairs(rows, false, true).size(), 1u); // sizes ignored: z and w pair
    EXPECT_EQ(DuplicatePairs(rows, false, false).size(), 2u);
    EXPECT_FALSE(IsDuplicatePair(rows, 3, 4, true, true)); // no lower row
    EXPECT_TRUE(DuplicatePairs(Rows({Row("/a")}), true, true).empty());
}

TEST(FindFileRow, WrapsAroundAndIgnoresAsciiCase) {
    FileRowTable rows = Rows(
        {Row("/home/Docs/a"), Row("/home/x/b"), Row("/home/docs/c"), Row("/home/DOCS/d", "", "")});
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", -1), 0);
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 0), 0); // a hit at row 0 is found again
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 1), 2);
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 2), 3);
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 3), 0); // wraps
    EXPECT_EQ(FindFileRowIndex(rows, "zzz", 2), -1);
    EXPECT_EQ(FindFileRowIndex(rows, "", 0), -1);
    EXPECT_EQ(FindFileRowIndex(FileRowTable(), "a", 0), -1);
    FileRowTable plain(false); // a plain row is searched by its path too
    plain.Append("/home/DOCS/d");
    EXPECT_EQ(FindFileRowIndex(plain, "docs/", -1), 0);
    // Only ASCII letters fold.
    rows = Rows({Row("/m/ÄRGER")});
    EXPECT_EQ(FindFileRowIndex(rows, "är", -1), -1);
    EXPECT_EQ(FindFileRowIndex(rows, "ÄR", -1), 0);
}

TEST(SwapCheckedAndSelected, ThreeKindsOfRows) {
    std::vector<char> checked{1, 0, 0, 1}, selected{0, 1, 0, 1};
    SwapCheckedAndSelected(checked, selected);
    EXPECT_EQ(checked, (std::vector<char>{0, 1, 0, 0}));
    EXPECT_EQ(selected, (std::vector<char>{1, 0, 1, 1}));
}
