#include "core/engine/SizeText.h"
#include "core/export/ExportWriter.h"
#include "core/export/WholeFile.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TextRowSource FolderRows() {
    TextRowSource rows({"Folder", "Size (MB)", "Size (KB)", "Full Path", ""});
    rows.AddRow({"docs", "1.5", "1536", "/home/u/docs", ""});
    rows.AddRow({"a,b", "0", "0", "/home/u/a,b", ""});
    return rows;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        locale = FormatLocale::english();
        ex.Today = QDate(2026, 12, 9); // a Wednesday
        ex.Locale = &locale;
        ex.SourceList = &rows;
        ex.ExportTotalMB = "1.5";
        ex.ExportTotalKB = "1536";
        ex.ExportTotalGB = "0";
        ex.SetHeaderText("Foldersize at");
        ex.SetExportFolder("/home/u/");
    }
    void AllFlags() {
        ex.SetIncludeHeadDate(true);
        ex.SetIncludeFolderName(true);
        ex.SetIncludeColumnHeader(true);
        ex.SetIncludeSummary(true);
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    FormatLocale locale;
    TextRowSource rows = FolderRows();
    ExportWriter ex;
};

} // namespace

TEST_F(ExportTest, NewListHasDefaultsAndSetterRules) {
    ExportWriter fresh;
    EXPECT_EQ(fresh.ColumnWidths, (std::array<int, 5>{30, 10, 15, 35, 12}));
    EXPECT_FALSE(fresh.IncludeSummary || fresh.IncludeHeadDate || fresh.IncludeFolderName ||
                 fresh.IncludeColumnHeader || fresh.IncludeCharts);
    EXPECT_TRUE(fresh.HeaderText.isEmpty() && fresh.TargetFile.isEmpty());
    fresh.SetColumnWidth(1, 9);
    fresh.SetColumnWidth(2, 3);
    fresh.SetColumnWidth(3, 4);
    fresh.SetColumnWidth(4, 12);
    fresh.SetColumnWidth(5, 11);
    EXPECT_EQ(fresh.ColumnWidths, (std::array<int, 5>{30, 3, 15, 12, 12}));
    fresh.SetHtmlFontColor(0);
    fresh.SetHtmlBackColor(0);
    EXPECT_EQ(fresh.HtmlFontColor, "222200");
    EXPECT_EQ(fresh.HtmlBackColor, "bbbb22");
    fresh.SetHtmlFontColor(0x800000); // navy: blue in the third byte
    fresh.SetHtmlBackColor(0xC0C0C0);
    EXPECT_EQ(fresh.HtmlFontColor, "000080");
    EXPECT_EQ(fresh.HtmlBackColor, "C0C0C0");
    fresh.SetHtmlFontSize(1);
    EXPECT_EQ(fresh.CellFontSize, "3");
    EXPECT_EQ(fresh.HeadFontSize, "4");
}

TEST_F(ExportTest, CsvWithEveryRow) {
    AllFlags();
    ex.SetTargetFile(Path("list.csv"));
    ASSERT_TRUE(ex.MakeCSV());
    const QByteArray expected = "Foldersize at,,,\"Wed, 09 Dec 26\",\r\n"
                                " \r\n"
                                "Size list of Folder: , , ,/home/u/,\r\n"
                                " \r\n"
                                "Folder,Size (MB),Size (KB),Full Path,,\r\n"
                                "docs,1.5,1536,/home/u/docs,,\r\n"
                                "\"a,b\",0,0,\"/home/u/a,b\",,\r\n"
                                " \r\n"
                                "Total Size,1.5,1536,0 GB,\r\n";
    EXPECT_EQ(ReadAll(ex.TargetFile), expected);
    EXPECT_EQ(ex.ExportLines.size(), 9);
}

TEST_F(ExportTest, SemicolonCsvOnlyItemRowsWithoutFlags) {
    ex.SetTargetFile(Path("list.csv"));
    ASSERT_TRUE(ex.MakeSemicolonCSV());
    EXPECT_EQ(ReadAll(ex.TargetFile), "docs;1.5;1536;/home/u/docs;;\r\n"
                                      "\"a,b\";0;0;\"/home/u/a,b\";;\r\n");
}

TEST_F(ExportTest, EmptyListWithEveryFlag) {
    TextRowSource empty({"Folder", "Size (MB)", "Size (KB)", "Full Path", ""});
    ex.SourceList = &empty;
    AllFlags();
    ex.SetTargetFile(Path("empty.csv"));
    ASSERT_TRUE(ex.MakeCSV());
    EXPECT_EQ(ex.ExportLines, QStringList({"Foldersize at,,,\"Wed, 09 Dec 26\",", " ",
                                           "Size list of Folder: , , ,/home/u/,", " ",
                                           "Folder,Size (MB),Size (KB),Full Path,,", " ",
                                           "Total Size,1.5,1536,0 GB,"}));
}

TEST_F(ExportTest, TextFitsItemRowsButNotTheFolderRow) {
    const QString longName(40, u'n');
    const QString longPath = "/" + QString(60, u'p');
    TextRowSource src({"Folder", "Size (MB)", "Size (KB)", "Full Path", ""});
    src.AddRow({longName, "1", "1024", longPath, ""});
    ex.SourceList = &src;
    ex.SetExportFolder(longPath);
    AllFlags();
    ASSERT_TRUE(ex.MakeText(false));
    const QStringList& l = ex.ExportLines;
    ASSERT_EQ(l.size(), 11);
    EXPECT_EQ(l[0], QString("Foldersize at").leftJustified(30) + QString(10, u' ') +
                        QString(15, u' ') + QString("Wed, 09 Dec 26").leftJustified(35));
    EXPECT_EQ(l[1], " ");
    EXPECT_EQ(l[2], QString("Size list of Folder: ").leftJustified(30) +
                        QString(" ").leftJustified(10) + QString(" ").leftJustified(15) + longPath);
    EXPECT_EQ(l[3], " ");
    EXPECT_EQ(l[4], " ");
    EXPECT_EQ(l[5], QString("Folder").leftJustified(30) + QString("Size (MB)").leftJustified(10) +
                        QString("Size (KB)").leftJustified(15) +
                        QString("Full Path").leftJustified(35) + QString(12, u' '));
    EXPECT_EQ(l[6], " ");
    const QString item = l[7];
    EXPECT_EQ(item.size(), 102);
    EXPECT_EQ(item.left(30), longName.left(24) + ".." + "nnn ");
    EXPECT_EQ(item.mid(55, 35), longPath.left(29) + "..ppp ");
    EXPECT_EQ(l[8], " ");
    EXPECT_EQ(l[9], QString(29, u'-') + " " + QString(9, u'-') + " " + QString(14, u'-') + " " +
                        QString(34, u'-') + " ");
    EXPECT_EQ(l[10], QString("Total Size").leftJustified(30) + QString("1.5").leftJustified(10) +
                         QString("1536").leftJustified(15) + QString("0 GB").leftJustified(35));
}

TEST_F(ExportTest, TextSavedWithCrLf) {
    ex.SetTargetFile(Path("list.txt"));
    ASSERT_TRUE(ex.MakeText(true));
    const QByteArray text = ReadAll(ex.TargetFile);
    EXPECT_EQ(text.count("\r\n"), 2);
    EXPECT_TRUE(text.startsWith(QString("docs").leftJustified(30).toUtf8() + "1.5"));
}

TEST_F(ExportTest, RowWithoutDetailsFailsAndWritesNothing) {
    TextRowSource plain({"Name", "Date (C)", "Date (M)", "Full Path", "Size (KB)"});
    plain.AddRow({"a.txt", "01.Jan.26", "02.Jan.26", "/x/a.txt", "1"});
    plain.AddRow({"/x/plain-row-only-path"});
    ex.SourceList = &plain;
    ex.SetTargetFile(Path("files.csv"));
    EXPECT_FALSE(ex.MakeCSV());
    EXPECT_FALSE(QFile::exists(ex.TargetFile));
    ex.SetTargetFile(Path("files.txt"));
    EXPECT_FALSE(ex.MakeText(true));
    EXPECT_FALSE(QFile::exists(ex.TargetFile));
    // What was built before the plain row stays for printing.
    EXPECT_EQ(ex.ExportLines.size(), 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(ExportTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    const QString target = Path("keep.csv");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    TextRowSource plain({"Name"});
    plain.AddRow({"only"});
    ex.SourceList = &plain;
    ex.SetTargetFile(target);
    EXPECT_FALSE(ex.MakeCSV());
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.csv"});

    ex.SetTargetFile(Path("no/such/folder/x.csv"));
    EXPECT_FALSE(ex.MakeCSV());
    ex.SetTargetFile(QString());
    EXPECT_FALSE(ex.MakeCSV());
    ex.SetTargetFile(dir.path());
    EXPECT_FALSE(ex.MakeText(true));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

TEST_F(ExportTest, SpecialTargetIsWrittenNotReplaced) {
    ex.SetTargetFile("/dev/null");
    EXPECT_TRUE(ex.MakeCSV());
    EXPECT_TRUE(ex.MakeText(true));
    EXPECT_TRUE(ex.MakeHTML());
    const QFileInfo fi("/dev/null");
    EXPECT_FALSE(fi.isFile());
    EXPECT_TRUE(fi.exists());
}

TEST_F(ExportTest, OverwritesARegularFileWhole) {
    const QString target = Path("list.csv");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(10000, 'x'));
    }
    ex.SetTargetFile(target);
    ASSERT_TRUE(ex.MakeCSV());
    EXPECT_EQ(ReadAll(target), "docs,1.5,1536,/home/u/docs,,\r\n\"a,b\",0,0,\"/home/u/a,b\",,\r\n");
}

TEST_F(ExportTest, NewFilesGetOrdinaryPermissionsAndLinksAreFollowed) {
    const mode_t mask = ::umask(022);
    ex.SetTargetFile(Path("new.csv"));
    ASSERT_TRUE(ex.MakeCSV());
    ex.SetTargetFile(Path("new.xlsx"));
    ASSERT_TRUE(ex.MakeXLS());
    ::umask(mask);
    auto mode = [&](const char* name) {
        struct stat st {};
        ::stat(QFile::encodeName(Path(name)).constData(), &st);
        return st.st_mode & 07777;
    };
    EXPECT_EQ(mode("new.csv"), 0644u);
    EXPECT_EQ(mode("new.xlsx"), 0644u);

    // Writing through a link replaces the file it points to, not the link.
    ASSERT_TRUE(QFile::link(Path("new.csv"), Path("link.csv")));
    ex.SetTargetFile(Path("link.csv"));
    ex.SetIncludeSummary(true);
    ASSERT_TRUE(ex.MakeCSV());
    EXPECT_TRUE(QFileInfo(Path("link.csv")).isSymLink());
    EXPECT_TRUE(ReadAll(Path("new.csv")).contains("Total Size"));
}

TEST_F(ExportTest, DescriptorTargetsKeepTheirFileAndOffset) {
    // A file opened for appending, as a shell's >> would give it.
    const QString log = Path("out.log");
    const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "before\n", 7), 7);
    ex.SetTargetFile(QStringLiteral("/proc/self/fd/%1").arg(fd));
    EXPECT_TRUE(ex.MakeCSV());
    ex.SetTargetFile(QStringLiteral("/dev/fd/%1").arg(fd));
    EXPECT_TRUE(ex.MakeText(true));
    ::close(fd);
    const QByteArray text = ReadAll(log);
    EXPECT_TRUE(text.startsWith("before\ndocs,1.5,"));
    EXPECT_TRUE(text.endsWith(QString("/home/u/a,b").leftJustified(35).toUtf8() +
                              QByteArray(12, ' ') + "\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.log"});

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ex.SetTargetFile(QStringLiteral("/dev/fd/%1").arg(pipeFds[1]));
    EXPECT_TRUE(ex.MakeSemicolonCSV());
    ::close(pipeFds[1]);
    char buf[256] = {};
    const ssize_t n = ::read(pipeFds[0], buf, sizeof buf - 1);
    ::close(pipeFds[0]);
    EXPECT_EQ(QByteArray(buf, int(n)), "docs;1.5;1536;/home/u/docs;;\r\n"
                                       "\"a,b\";0;0;\"/home/u/a,b\";;\r\n");
}

TEST_F(ExportTest, StreamedExportsMatchTheKeptOnesByteForByte) {
    TextRowSource odd({"File Names", "Date (Cr)", "Date (Ac)", "Full Path Names", "Size (kb)"});
    odd.AddRow({"a \"b\",c;d.txt", "01.Jan.26", "02.Jan.26", "/x/a \"b\",c;d.txt", "1"});
    odd.AddRow({"<i>&amp;", "03.Feb.26", "", "/x/<i>&amp;", "22"});
    odd.AddRow({QString("na\xC3\xAFve \xE5\x90\x8D") + QChar(0xDCFF), "04.Mar.26", "05.Mar.26",
                QString("/x/") + QChar(0xDCFF), "333"});
    ex.SourceList = &odd;
    AllFlags();
    using Make = bool (*)(ExportWriter&);
    const std::pair<const char*, Make> writers[] = {
        {"csv", [](ExportWriter& w) { return w.MakeCSV(); }},
        {"semi", [](ExportWriter& w) { return w.MakeSemicolonCSV(); }},
        {"txt", [](ExportWriter& w) { return w.MakeText(true); }},
        {"html", [](ExportWriter& w) { return w.MakeHTML(); }},
    };
    for (const auto& [name, make] : writers) {
        SCOPED_TRACE(name);
        ex.StreamRows = false;
        ex.SetTargetFile(Path(QString("kept.") + name));
        ASSERT_TRUE(make(ex));
        ex.StreamRows = true;
        ex.SetTargetFile(Path(QString("streamed.") + name));
        ASSERT_TRUE(make(ex));
        EXPECT_TRUE(ex.ExportLines.isEmpty());
        EXPECT_EQ(ReadAll(Path(QString("streamed.") + name)),
                  ReadAll(Path(QString("kept.") + name)));
    }
    // Printing still gets its lines; a row without details still writes nothing.
    ASSERT_TRUE(ex.MakeText(false));
    EXPECT_EQ(ex.ExportLines.size(), 13);
    odd.AddRow({"/x/plain-row-only-path"});
    ex.SetTargetFile(Path("broken.csv"));
    EXPECT_FALSE(ex.MakeCSV());
    EXPECT_FALSE(QFile::exists(ex.TargetFile));
}

TEST(WholeFileWriterTest, DeviceGetsStreamedBytesBeforeCommitOnlyWhenAsked) {
    for (const bool stream : {false, true}) {
        SCOPED_TRACE(stream);
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
        {
            WholeFileWriter w(QStringLiteral("/dev/fd/%1").arg(pipeFds[1]));
            w.SetStreamToDevice(stream);
            ASSERT_TRUE(w.Open());
            ASSERT_TRUE(w.Write("row 1\n"));
            char buf[16] = {};
            const ssize_t early = ::read(pipeFds[0], buf, sizeof buf);
            EXPECT_EQ(early > 0 ? QByteArray(buf, int(early)) : QByteArray(),
                      stream ? QByteArray("row 1\n") : QByteArray());
            ASSERT_TRUE(w.Write("row 2\n"));
            ASSERT_TRUE(w.Commit());
        }
        // The inherited descriptor stays the caller's.
        EXPECT_NE(::fcntl(pipeFds[1], F_GETFD), -1);
        ::close(pipeFds[1]);
        char buf[32] = {};
        const ssize_t n = ::read(pipeFds[0], buf, sizeof buf);
        ::close(pipeFds[0]);
        EXPECT_EQ(QByteArray(buf, int(std::max<ssize_t>(n, 0))),
                  stream ? QByteArray("row 2\n") : QByteArray("row 1\nrow 2\n"));
    }
}

TEST_F(ExportTest, RowsMadeOnSeveralThreadsComeOutInOrder) {
    // Rows a writer may read from several threads, in blocks; one that fails
    // late fails the whole export.
    struct Shared : TextRowSource {
        using TextRowSource::TextRowSource;
        bool concurrent = true;
        bool ConcurrentRows() const override { return concurrent; }
    } many({"File Names", "Date (Cr)", "Date (Ac)", "Full Path Names", "Size (kb)"});
    for (int i = 0; i < 40000; ++i)
        many.AddRow({QStringLiteral("n\u00e9%1").arg(i), "01.Jan.26", "",
                     QStringLiteral("/x/%1").arg(i), QString::number(i % 977)});
    ex.SourceList = &many;
    ex.StreamRows = true;
    AllFlags();
    for (bool csv : {false, true}) {
        QByteArray out[2];
        for (bool concurrent : {false, true}) {
            many.concurrent = concurrent;
            ex.SetTargetFile(Path(QStringLiteral("rows%1%2").arg(csv).arg(concurrent)));
            ASSERT_TRUE(csv ? ex.MakeCSV() : ex.MakeText(true));
            out[concurrent] = ReadAll(ex.TargetFile);
        }
        EXPECT_EQ(out[0].count("\r\n"), csv ? 40007 : 40010);
        EXPECT_TRUE(out[0] == out[1]) << csv;
    }
    many.AddRow({"/x/plain-row-only-path"});
    ex.SetTargetFile(Path("failed.txt"));
    EXPECT_FALSE(ex.MakeText(true));
    EXPECT_FALSE(QFile::exists(ex.TargetFile));
}
