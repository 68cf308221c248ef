#pragma once
// The scanner's test fixture: a tree with what the walk must get right, and
// an independent walk of it to compare with.
#include "cli/ReportRows.h"
#include "cli/TreeReportRows.h"
#include "core/engine/DirScanner.h"
#include "platform/NativePath.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;


inline void MakeFile(const QString& path, qint64 size) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_TRUE(f.resize(size));
}

inline void MakeDir(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(path)) << path.toStdString();
}

// What the scanner must produce, found with std::filesystem (readdir order).
struct Expected {
    QStringList paths, mb, kb, dates;
    qint64 minSize = 0;

    qint64 Walk(const fs::path& dir, bool recurse) {
        qint64 total = 0;
        // Names first, so the reference holds no folder open while it goes down.
        std::vector<fs::path> names;
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path());
        for (const fs::path& p : names) {
            struct stat st {};
            if (::lstat(p.c_str(), &st) != 0) continue;
            const bool isDir = S_ISDIR(st.st_mode);
            const qint64 size = isDir ? 0 : st.st_size;
            total += size;
            if (size >= minSize) {
                paths << PathFromNative(QByteArray::fromStdString(p.string()));
                mb << SizeText(suMB, size * 10000);
                kb << SizeText(suKB, size * 10000);
                dates << DateText(st.st_mtime);
            }
            if (isDir && recurse && p.filename().string()[0] != '.') total += Walk(p, true);
        }
        return total;
    }
};

class DirScannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/tree/";
        MakeDir(root);
        DirScanner::SetMinFileSize(0);
    }
    void TearDown() override { DirScanner::SetMinFileSize(0); }

    // A tree with the things the scanner must get right.
    void BuildTree() {
        MakeDir(root + "alpha/inner/deeper");
        MakeDir(root + "beta");
        MakeDir(root + ".cache/sub");
        MakeDir(root + "alpha/.hidden_dir");
        MakeFile(root + "alpha/a.txt", 1000);
        MakeFile(root + "alpha/inner/b.bin", 1536);
        MakeFile(root + "alpha/inner/deeper/c", 2048);
        MakeFile(root + "alpha/inner/deeper/c2", 2047);
        MakeFile(root + "alpha/.hidden_dir/skipped", 99999);
        MakeFile(root + ".cache/sub/skipped", 12345);
        MakeFile(root + ".cache/x", 777);
        MakeFile(root + "beta/.dotfile", 300);
        MakeFile(root + "top.txt", 5000);
        MakeFile(root + ".hidden_top", 10);
        ASSERT_EQ(::symlink("..", QFile::encodeName(root + "alpha/up")), 0);
        ASSERT_EQ(::symlink("/", QFile::encodeName(root + "beta/slash")), 0);
        ASSERT_EQ(::symlink("../alpha", QFile::encodeName(root + "beta/to_alpha")), 0);
        ASSERT_EQ(::symlink("nowhere", QFile::encodeName(root + "dangling")), 0);
    }

    // The Part's whole run done the independent way.
    Expected Reference(qint64 minSize, QStringList* folderPaths, QList<qint64>* folderBytes) {
        Expected e;
        e.minSize = minSize;
        for (const auto& it : fs::directory_iterator(root.toStdString())) {
            const std::string name = it.path().filename().string();
            if (it.is_directory() && !it.is_symlink() && name[0] != '.') {
                *folderPaths << PathFromNative(QByteArray::fromStdString(it.path().string()));
                *folderBytes << e.Walk(it.path(), true);
            }
        }
        *folderPaths << root + "<All files in this folder>";
        *folderBytes << e.Walk(root.toStdString(), false);
        return e;
    }

    void ExpectSame(DirScanner& d, qint64 minSize) {
        QStringList paths;
        QList<qint64> bytes;
        const Expected e = Reference(minSize, &paths, &bytes);
        EXPECT_EQ(d.EntryPaths, paths);
        qint64 total = 0;
        QStringList mb, kb;
        for (qint64 b : bytes) {
            total += b;
            mb << SizeText(suMB, b * 10000);
            kb << SizeText(suKB, b * 10000);
        }
        EXPECT_EQ(d.EntryMB, mb);
        EXPECT_EQ(d.EntryKB, kb);
        EXPECT_EQ(d.TotalSize, total * 10000);
        EXPECT_EQ(d.TotalGBText, SizeText(suGB, total * 10000));
        EXPECT_EQ(d.FilePaths(), e.paths);
        EXPECT_EQ(d.FileMB(), e.mb);
        EXPECT_EQ(d.FileKB(), e.kb);
        EXPECT_EQ(d.FileDates(), e.dates);
    }

    // A whole run over root, walked by threads threads.
    std::unique_ptr<DirScanner> Run(int threads) {
        auto d = std::make_unique<DirScanner>();
        d->Threads = threads;
        d->FolderPath = root;
        d->Measure();
        return d;
    }

    // Reading the rows one at a time gives the lists' texts in their order, and
    // the report's rows re-read an earlier row correctly.
    static void ExpectCursorMatchesLists(const DirScanner& d) {
        DirScanner::FileRowCursor row(d);
        qsizetype i = 0;
        for (; row.Next(); ++i) {
            ASSERT_LT(i, d.FilePaths().size());
            EXPECT_EQ(row.Path, d.FilePaths().at(i));
            EXPECT_EQ(row.MB, d.FileMB().at(i));
            EXPECT_EQ(row.KB, d.FileKB().at(i));
            EXPECT_EQ(row.Date, d.FileDates().at(i));
            EXPECT_EQ(row.AccessTime, d.FileAccessTimes().at(std::size_t(i)));
        }
        EXPECT_EQ(i, d.FileRowCount());
        EXPECT_FALSE(row.Next());
        // The rows in parts give the same texts.
        qsizetype k = 0;
        d.ForEachFileRow([&](const DirScanner::FileRowFacts& r) {
            ASSERT_LT(k, d.FilePaths().size());
            EXPECT_TRUE(r.folder.endsWith('/') && !r.name.contains('/'));
            EXPECT_EQ(r.folder + r.name, d.FilePaths().at(k));
            EXPECT_EQ(r.mb + r.kb + r.date,
                      d.FileMB().at(k) + d.FileKB().at(k) + d.FileDates().at(k));
            EXPECT_EQ(r.accessTime, d.FileAccessTimes().at(std::size_t(k++)));
        });
        EXPECT_EQ(k, d.FileRowCount());
        // The report's rows read straight from the tree, in any order.
        if (const auto tree = d.LastTree()) {
            const QString top = d.FolderPath.endsWith('/') ? d.FolderPath : d.FolderPath + '/';
            const TreeReportRows fromTree(*tree, top, DirScanner::MinFileSizeBytes,
                                          FileFilter("*", false));
            const FileRowSource fromList(d);
            ASSERT_EQ(fromTree.RowCount(), fromList.RowCount());
            QStringList cells;
            for (int r = fromTree.RowCount() - 1; r >= 0; --r) {
                fromTree.Cells(r, 4, cells);
                EXPECT_EQ(cells.value(0), fromList.Caption(r));
                for (int s = 1; s <= 4; ++s)
                    EXPECT_EQ(cells.value(s), fromList.SubItem(r, s)) << r << " " << s;
            }
        }
        if (i < 3) return;
        const FileRowSource rows(d, {0, 1, int(i - 1)});
        EXPECT_EQ(rows.SubItem(2, 3), DisplayPath(d.FilePaths().last()));
        EXPECT_EQ(rows.SubItem(0, 4), d.FileKB().first());
        EXPECT_EQ(rows.Caption(1), DisplayPath(LastPathComponent(d.FilePaths().at(1))));
    }

    // Two runs gave the same lists and texts.
    static void ExpectSameRun(const DirScanner& a, const DirScanner& b) {
        EXPECT_EQ(a.EntryPaths, b.EntryPaths);
        EXPECT_EQ(a.EntryMB, b.EntryMB);
        EXPECT_EQ(a.EntryKB, b.EntryKB);
        EXPECT_EQ(a.TotalSize, b.TotalSize);
        EXPECT_EQ(a.TotalGBText, b.TotalGBText);
        EXPECT_EQ(a.FileRowCount(), b.FileRowCount());
        EXPECT_EQ(a.FilePaths(), b.FilePaths());
        EXPECT_EQ(a.FileMB(), b.FileMB());
        EXPECT_EQ(a.FileKB(), b.FileKB());
        EXPECT_EQ(a.FileDates(), b.FileDates());
    }

    QTemporaryDir tmp;
    QString root;
};

inline int IndexOf(const QStringList& l, const QString& s) {
    return int(l.indexOf(s));
}

