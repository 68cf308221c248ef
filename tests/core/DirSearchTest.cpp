// The directory search: attribute bits, the mask rule, "." and ".." first.
#include "platform/DirSearch.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class DirSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        dir = tmp.path() + "/";
        ASSERT_TRUE(QDir().mkdir(dir + "sub"));
        ASSERT_TRUE(QDir().mkdir(dir + ".hiddendir"));
        Write("plain.TXT", 5);
        Write(".hidden", 7);
        Write("readonly.bin", 3);
        ASSERT_EQ(::chmod(QFile::encodeName(dir + "readonly.bin"), 0444), 0);
        ASSERT_EQ(::symlink("sub", QFile::encodeName(dir + "link")), 0);
        ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "pipe"), 0644), 0);
    }
    void Write(const QString& name, int size) {
        QFile f(dir + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
    }
    // name -> attributes, in delivery order checked separately.
    std::map<QString, int> Search(const QString& pattern, int mask, QStringList* order = nullptr) {
        std::map<QString, int> found;
        SearchRec rec;
        for (int r = FindFirst(dir + pattern, mask, rec); r == 0; r = FindNext(rec)) {
            found[rec.Name] = rec.Attr;
            if (order) order->append(rec.Name);
        }
        FindClose(rec);
        return found;
    }
    QTemporaryDir tmp;
    QString dir;
};

} // namespace

TEST_F(DirSearchTest, EverythingWithMask63DotsFirst) {
    QStringList order;
    const auto all = Search("*.*", faAnyFile, &order);
    ASSERT_GE(order.size(), 2);
    EXPECT_EQ(order[0], ".");
    EXPECT_EQ(order[1], "..");
    EXPECT_EQ(all.size(), 9u);
    EXPECT_EQ(all.at("."), faDirectory);
    EXPECT_EQ(all.at("sub"), faDirectory);
    EXPECT_EQ(all.at(".hiddendir"), faDirectory | faHidden);
    EXPECT_EQ(all.at("plain.TXT"), faArchive);
    EXPECT_EQ(all.at(".hidden"), faArchive | faHidden);
    EXPECT_EQ(all.at("readonly.bin"), faArchive | faReadOnly);
    EXPECT_EQ(all.at("link"), 0); // a link is never a directory
    EXPECT_EQ(all.at("pipe"), faSysFile);
}

TEST_F(DirSearchTest, MaskLeavesOutWhatItLacks) {
    const auto files = Search("*", faReadOnly | faArchive);
    EXPECT_EQ(files.count("sub"), 0u);
    EXPECT_EQ(files.count(".hidden"), 0u);
    EXPECT_EQ(files.count("pipe"), 0u);
    EXPECT_EQ(files.count("."), 0u);
    EXPECT_EQ(files.count("plain.TXT"), 1u);
    EXPECT_EQ(files.count("readonly.bin"), 1u);
    EXPECT_EQ(files.count("link"), 1u);

    const auto dirs = Search("*.*", faDirectory);
    EXPECT_EQ(dirs.count("sub"), 1u);
    EXPECT_EQ(dirs.count("."), 1u);
    EXPECT_EQ(dirs.count(".hiddendir"), 0u); // hidden as well, and the mask lacks hidden
    EXPECT_TRUE(AttrMatchesMask(faDirectory | faHidden, faDirectory | faHidden));
}

TEST_F(DirSearchTest, PatternIgnoresLetterCaseAndMissingFolderFails) {
    const auto txt = Search("*.txt", faAnyFile);
    EXPECT_EQ(txt.size(), 1u);
    EXPECT_EQ(txt.count("plain.TXT"), 1u);
    SearchRec rec;
    EXPECT_NE(FindFirst(dir + "missing/*.*", faAnyFile, rec), 0);
    EXPECT_NE(FindNext(rec), 0);
}
