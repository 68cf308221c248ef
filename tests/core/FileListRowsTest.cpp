#include "core/engine/FileListRows.h"
#include <gtest/gtest.h>

namespace {
FileRow Row(const QString& path, const QString& ac = "01.Jan.20", const QString& kb = "1") {
    return MakeFileRow(path, kb, "01.Jan.20", ac, true);
}
} // namespace

TEST(FileRows, DetailAndPlainRowsAndRowPath) {
    const FileRow d = Row("/a/b/photo.jpeg");
    EXPECT_EQ(d.caption, "photo.jpeg");
    EXPECT_EQ(d.Cell(3), "/a/b/photo.jpeg");
    EXPECT_EQ(d.Cell(5), "jpeg");
    EXPECT_EQ(d.Cell(6), "x");
    EXPECT_EQ(d.RowPath(), "/a/b/photo.jpeg");
    const FileRow p = MakeFileRow("/a/b/README", "5", "d", "e", false);
    EXPECT_EQ(p.caption, "/a/b/README");
    EXPECT_EQ(p.RowPath(), "/a/b/README");
    for (int c = 1; c < 7; ++c)
        EXPECT_TRUE(p.Cell(c).isEmpty());
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
    std::vector<FileRow> rows{Row("/x/a.txt"), Row("/y/a.txt"), Row("/z/b.txt")};
    auto pairs = DuplicatePairs(rows, true, true);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0], std::make_pair(0, 1));
    // Three equal rows: pairs (0,1) and (1,2), the middle one shared.
    rows = {Row("/x/a.txt"), Row("/y/a.txt"), Row("/z/a.txt")};
    pairs = DuplicatePairs(rows, true, true);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1], std::make_pair(1, 2));
    // Case, access date and size all count.
    rows = {Row("/x/A.TXT"), Row("/y/a.txt"), Row("/z/a.txt", "02.Jan.20"),
            Row("/w/a.txt", "02.Jan.20", "2")};
    EXPECT_TRUE(DuplicatePairs(rows, true, true).empty());
    EXPECT_EQ(DuplicatePairs(rows, false, true).size(), 1u); // sizes ignored: z and w pair
    EXPECT_EQ(DuplicatePairs(rows, false, false).size(), 2u);
    EXPECT_FALSE(IsDuplicatePair(&rows[0], nullptr, true, true));
    EXPECT_TRUE(DuplicatePairs({Row("/a")}, true, true).empty());
}

TEST(FindFileRow, WrapsAroundAndIgnoresAsciiCase) {
    std::vector<FileRow> rows{Row("/home/Docs/a"), Row("/home/x/b"), Row("/home/docs/c"),
                              MakeFileRow("/home/DOCS/d", "", "", "", false)};
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", -1), 0);
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 0), 0); // a hit at row 0 is found again
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 1), 2);
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 2), 3); // plain row: caption is the path
    EXPECT_EQ(FindFileRowIndex(rows, "docs/", 3), 0); // wraps
    EXPECT_EQ(FindFileRowIndex(rows, "zzz", 2), -1);
    EXPECT_EQ(FindFileRowIndex(rows, "", 0), -1);
    EXPECT_EQ(FindFileRowIndex({}, "a", 0), -1);
    // Only ASCII letters fold.
    rows = {Row("/m/ÄRGER")};
    EXPECT_EQ(FindFileRowIndex(rows, "är", -1), -1);
    EXPECT_EQ(FindFileRowIndex(rows, "ÄR", -1), 0);
}

TEST(SwapCheckedAndSelected, ThreeKindsOfRows) {
    std::vector<char> checked{1, 0, 0, 1}, selected{0, 1, 0, 1};
    SwapCheckedAndSelected(checked, selected);
    EXPECT_EQ(checked, (std::vector<char>{0, 1, 0, 0}));
    EXPECT_EQ(selected, (std::vector<char>{1, 0, 1, 1}));
}
