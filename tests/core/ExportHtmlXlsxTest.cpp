#include "common/Unprivileged.h"
#include "core/engine/SizeText.h"
#include "core/export/ExcelApplication.h"
#include "core/export/ExportWriter.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// One member of a zip archive, or "<missing>".
QByteArray ZipMember(const QString& archive, const char* name) {
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY, &err);
    if (!z) return "<missing>";
    QByteArray out("<missing>");
    zip_stat_t st;
    if (zip_stat(z, name, 0, &st) == 0) {
        if (zip_file_t* f = zip_fopen(z, name, 0)) {
            out.resize(qsizetype(st.size));
            if (zip_fread(f, out.data(), st.size) != zip_int64_t(st.size)) out = "<short>";
            zip_fclose(f);
        }
    }
    zip_close(z);
    return out;
}

// The shared strings of a workbook in order, and each cell reference with
// the string it shows.
QStringList SharedStrings(const QByteArray& xml) {
    QStringList out;
    static const QRegularExpression si("<si><t[^>]*>([^<]*)</t></si>");
    for (auto it = si.globalMatch(QString::fromUtf8(xml)); it.hasNext();)
        out << it.next().captured(1);
    return out;
}

QMap<QString, QString> Cells(const QByteArray& sheet, const QStringList& strings) {
    QMap<QString, QString> cells;
    static const QRegularExpression c(
        "<c r=\"([A-Z]+[0-9]+)\"[^>]*t=\"s\"[^>]*><v>([0-9]+)</v></c>");
    for (auto it = c.globalMatch(QString::fromUtf8(sheet)); it.hasNext();) {
        const auto m = it.next();
        cells[m.captured(1)] = strings.value(m.captured(2).toInt());
    }
    return cells;
}

class HtmlXlsxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        locale = FormatLocale::english();
        rows.AddRow({"docs", "1.5", "1536", "/home/u/docs", ""});
        rows.AddRow({"<b>x</b>&<<y>>", "0", "0 KB", "/home/u/a\"b&c#d", ""});
        ex.Today = QDate(2026, 12, 9);
        ex.Locale = &locale;
        ex.SourceList = &rows;
        ex.ExportTotalMB = "1.5";
        ex.ExportTotalKB = "1536";
        ex.ExportTotalGB = "0";
        ex.SetHeaderText("Foldersize at");
        ex.SetExportFolder("/home/u/");
        ex.SetHtmlFontColor(clBlack);
        ex.SetHtmlBackColor(clBlack);
        ex.SetHtmlFontSize(0);
    }
    void AllFlags() {
        ex.SetIncludeHeadDate(true);
        ex.SetIncludeFolderName(true);
        ex.SetIncludeColumnHeader(true);
        ex.SetIncludeSummary(true);
    }
    QStringList HtmlLines() {
        QByteArray bytes = ReadAll(ex.TargetFile);
        EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
        EXPECT_TRUE(bytes.endsWith("</body></html>\r\n"));
        QStringList lines = QString::fromUtf8(bytes.mid(3)).split("\r\n");
        lines.removeLast();
        return lines;
    }

    QTemporaryDir dir;
    FormatLocale locale;
    TextRowSource rows{{"Folder", "Size (MB)", "Size (KB)", "Full Path", ""}};
    ExportWriter ex;
};

} // namespace

TEST_F(HtmlXlsxTest, HtmlItemRowsOnly) {
    ex.SetTargetFile(dir.filePath("r.html"));
    ASSERT_TRUE(ex.MakeHTML());
    const QStringList l = HtmlLines();
    ASSERT_EQ(l.size(), 4 + 2 * 7 + 3);
    EXPECT_EQ(l[0], "<html><head><title></title><head>");
    EXPECT_EQ(l[3], "<BODY text=#222200 vLink=#660066 aLink=#ff0000 link=#0000ff bgColor=#bbbb22>");
    EXPECT_EQ(l[4], "<tr>");
    EXPECT_EQ(l[5], "<td><FONT size=2>docs</FONT></td>");
    EXPECT_EQ(l[8], "<td><FONT size=2><a href=\"file:///home/u/docs\">/home/u/docs</FONT></td>");
    EXPECT_EQ(l[9], "<td><FONT size=2> </FONT></td>");
    EXPECT_EQ(l[10], "</tr>");
    EXPECT_EQ(l[18], "</table><p><P><P>");
    EXPECT_TRUE(l[19].startsWith("<BR><div align=\"center\"><h3></B>Created with "
                                 "<B><I>\"Morvane\"</B></I><h4> from  - <a href=\""));
    EXPECT_EQ(l[20], "</body></html>");
}

TEST_F(HtmlXlsxTest, HtmlShowsEveryNameAndLinksToItsPath) {
    const QStringList names{
        "<b>bold<b>.html", "a&b \"q\" #1 %20 ?x=1",      "tab\there",   "trailing ",
        "Ünïcödé 日本",    "<All files in this folder>", "<Free Space>"};
    TextRowSource named({"Folder Names", "Size (MB)", "Size (KB)", "Full Path Names", ""});
    for (const QString& name : names)
        named.AddRow({name, "1", "1024", "/data/" + name, ""});
    ex.SourceList = &named;
    ex.SetTargetFile(dir.filePath("r.html"));
    ASSERT_TRUE(ex.MakeHTML());
    const QStringList l = HtmlLines();
    ASSERT_EQ(l.size(), 4 + names.size() * 7 + 3); // the line sequence is unchanged
    static const QRegularExpression cellRe(
        "^<td><FONT size=2>(?:<a href=\"([^\"<>\\s]*)\">)?([^<>\"]*)</FONT></td>$");
    auto unescape = [](QString t) {
        return t.replace("&lt;", "<")
            .replace("&gt;", ">")
            .replace("&quot;", "\"")
            .replace("&amp;", "&");
    };
    for (int r = 0; r < names.size(); ++r) {
        SCOPED_TRACE(names[r].toStdString());
        const auto name = cellRe.match(l[5 + 7 * r]);
        const auto path = cellRe.match(l[8 + 7 * r]);
        ASSERT_TRUE(name.hasMatch() && path.hasMatch()) << l[8 + 7 * r].toStdString();
        EXPECT_EQ(unescape(name.captured(2)), names[r]);
        EXPECT_EQ(unescape(path.captured(2)), "/data/" + names[r]);
        const QString href = path.captured(1);
        if (r >= 5) { // the pseudo rows name no real path
            EXPECT_FALSE(path.capturedLength(1) > 0 || l[8 + 7 * r].contains("href"));
            continue;
        }
        const QUrl url(href, QUrl::StrictMode);
        ASSERT_TRUE(url.isValid() && url.isLocalFile()) << href.toStdString();
        EXPECT_EQ(url.toLocalFile(), "/data/" + names[r]);
    }
}

TEST_F(HtmlXlsxTest, HtmlWithEveryRow) {
    AllFlags();
    ex.SetExportFolder("/home/<u>/");
    ex.SetTargetFile(dir.filePath("r.html"));
    ASSERT_TRUE(ex.MakeHTML());
    const QStringList l = HtmlLines();
    EXPECT_EQ(l[4], "<FONT size=3><b>" + QString("Foldersize at").leftJustified(30) +
                        QString(25, u' ') + QString("Wed, 09 Dec 26").leftJustified(35));
    EXPECT_EQ(l[5], "</p></B> </FONT>");
    EXPECT_EQ(l[6], "<FONT size=3><B>" + QString("Size list of Folder: ").leftJustified(30) +
                        QString(25, u' ') + QString("/home/&lt;u&gt;/").leftJustified(35 + 6));
    EXPECT_EQ(l[8], "<tr>");
    EXPECT_EQ(l[9], "<td><FONT size=2><B>Folder</B></FONT></td>");
    EXPECT_EQ(l[13], "<td><FONT size=2><B></B></FONT></td>");
    const int sum = 15 + 2 * 7;
    EXPECT_EQ(l[sum], "<tr>");
    EXPECT_EQ(l[sum + 1], "<td><FONT size=2><B>Total Size</B></FONT></td>");
    EXPECT_EQ(l[sum + 4], "<td><FONT size=2><B>0 GB</B></FONT></td>");
    EXPECT_EQ(l[sum + 5], "</tr>");
    EXPECT_EQ(l[sum + 6], "</table><p><P><P>");
}

TEST_F(HtmlXlsxTest, HtmlMissingSubItemBecomesSpace) {
    TextRowSource plain({"Name", "Date (C)", "Date (M)", "Full Path", "Size (KB)"});
    plain.AddRow({"/x/plain"});
    ex.SourceList = &plain;
    ex.SetTargetFile(dir.filePath("r.html"));
    ASSERT_TRUE(ex.MakeHTML());
    const QStringList l = HtmlLines();
    EXPECT_EQ(l[5], "<td><FONT size=2>/x/plain</FONT></td>");
    EXPECT_EQ(l[8], "<td><FONT size=2> </FONT></td>"); // no link to nothing
}

TEST_F(HtmlXlsxTest, HtmlChartsGoIntoImagesFolder) {
    ex.SetIncludeCharts(true);
    ex.SetTargetFile(dir.filePath("report.html"));
    // Without a picture maker the report carries no pictures.
    ASSERT_TRUE(ex.MakeHTML());
    EXPECT_FALSE(HtmlLines().join("\n").contains("img"));
    EXPECT_FALSE(QDir(dir.filePath("report_images")).exists());

    QList<int> asked;
    ex.PictureMaker = [&](int chart, const QString& path) {
        asked << chart;
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write("jpg") == 3;
    };
    ASSERT_TRUE(ex.MakeHTML());
    EXPECT_EQ(asked, (QList<int>{1, 2}));
    EXPECT_TRUE(QFile::exists(dir.filePath("report_images/Chart1.jpg")));
    EXPECT_TRUE(QFile::exists(dir.filePath("report_images/Chart2.jpg")));
    const QStringList l = HtmlLines();
    const int p = l.indexOf("<p>");
    ASSERT_GT(p, 0);
    EXPECT_EQ(l[p + 1],
              "<A HREF=\"report_images/Chart1.jpg\"><img src=\"report_images/Chart1.jpg\" "
              "width=\"200\" height=\"100\" border=\"2\" "
              "alt=\"report_images/Chart1.jpg\"></a>");
    EXPECT_EQ(l[p + 2].size(), 23 * 6);
    EXPECT_TRUE(l[p + 3].contains("report_images/Chart2.jpg"));
    EXPECT_EQ(l[p + 4], "<p>");

    // A report name holding ' ', '#', '%' and '"' still finds its pictures.
    ex.SetTargetFile(dir.filePath("my \"report\" #1 %.html"));
    ASSERT_TRUE(ex.MakeHTML());
    static const QRegularExpression link(
        "^<A HREF=\"([^\"]*)\"><img src=\"([^\"]*)\" [^>]* alt=\"([^\"]*)\"></a>$");
    const QStringList named = HtmlLines();
    const auto m = link.match(named[named.indexOf("<p>") + 1]);
    ASSERT_TRUE(m.hasMatch()) << named.join("\n").toStdString();
    EXPECT_EQ(m.captured(1), m.captured(2));
    const QUrl picture = QUrl::fromLocalFile(dir.path() + "/").resolved(QUrl(m.captured(1)));
    EXPECT_EQ(picture.toLocalFile(), dir.filePath("my \"report\" #1 %_images/Chart1.jpg"));
    EXPECT_TRUE(QFile::exists(picture.toLocalFile()));
    EXPECT_EQ(m.captured(3), "my &quot;report&quot; #1 %_images/Chart1.jpg");
    ex.SetTargetFile(dir.filePath("report.html"));

    // A picture that cannot be saved fails the report and leaves the old one.
    const QByteArray before = ReadAll(ex.TargetFile);
    ex.PictureMaker = [](int chart, const QString&) { return chart == 1; };
    EXPECT_FALSE(ex.MakeHTML());
    EXPECT_EQ(ReadAll(ex.TargetFile), before);
}

TEST_F(HtmlXlsxTest, WorkbookCellsReadBack) {
    AllFlags();
    rows.AddRow({"0", "2,5", "", "/home/u/0", "0"}); // a name "0"; a size of another locale
    ex.ExportTotalMB = "1,234.50 MB";
    ex.ExportTotalKB = "1536.00 KB";
    ex.SetTargetFile(dir.filePath("list.xlsx"));
    ASSERT_TRUE(ex.MakeXLS());
    const QByteArray wb = ZipMember(ex.TargetFile, "xl/workbook.xml");
    EXPECT_TRUE(wb.contains("name=\"Directory Size List \"")) << wb.constData();
    const QStringList strings = SharedStrings(ZipMember(ex.TargetFile, "xl/sharedStrings.xml"));
    const QByteArray sheet = ZipMember(ex.TargetFile, "xl/worksheets/sheet1.xml");
    const auto cells = Cells(sheet, strings);
    EXPECT_EQ(cells.value("A1"), "Foldersize at");
    EXPECT_EQ(cells.value("D1"), "Wed, 09 Dec 26");
    EXPECT_FALSE(cells.contains("A2"));
    EXPECT_EQ(cells.value("A3"), "Size list of Folder: ");
    EXPECT_EQ(cells.value("D3"), "/home/u/");
    EXPECT_EQ(cells.value("A5"), "Folder");
    EXPECT_EQ(cells.value("B5"), "Size (MB)");
    EXPECT_EQ(cells.value("A6"), "docs");
    EXPECT_EQ(cells.value("C7"), "0 KB");
    EXPECT_EQ(cells.value("A7"), "&lt;b&gt;x&lt;/b&gt;&amp;&lt;&lt;y&gt;&gt;");
    EXPECT_EQ(cells.value("A8"), "0");
    EXPECT_EQ(cells.value("B8"), "2,5");
    EXPECT_EQ(cells.value("E8"), "0");
    EXPECT_FALSE(cells.contains("A9"));
    EXPECT_EQ(cells.value("A10"), "Total Size");
    EXPECT_EQ(cells.value("D10"), "0 GB");
    // Sizes and the two totals are numbers, in the one style of two decimals.
    static const QRegularExpression number("<c r=\"([A-Z]+[0-9]+)\" s=\"1\"><v>([^<]*)</v></c>");
    QStringList numbers;
    for (auto it = number.globalMatch(QString::fromUtf8(sheet)); it.hasNext();) {
        const auto m = it.next();
        numbers << m.captured(1) + "=" + m.captured(2);
    }
    EXPECT_EQ(numbers, QStringList({"B6=1.5", "C6=1536", "B7=0", "B10=1234.5", "C10=1536"}));
    const QByteArray styles = ZipMember(ex.TargetFile, "xl/styles.xml");
    EXPECT_TRUE(styles.contains("formatCode=\"0.00\"")) << styles.constData();
    EXPECT_EQ(cells.size(), 21); // empty cells are not written
}

TEST_F(HtmlXlsxTest, WorkbookFailuresWriteNothing) {
    const QString target = dir.filePath("keep.xlsx");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    TextRowSource plain({"Name", "Date (C)", "Date (M)", "Full Path", "Size (KB)"});
    plain.AddRow({"/x/plain"});
    ex.SourceList = &plain;
    ex.SetTargetFile(target);
    EXPECT_THROW(ex.MakeXLS(), EMorvaneError);
    EXPECT_EQ(ReadAll(target), "old");

    ex.SourceList = &rows;
    ex.SetTargetFile(dir.filePath("no/such/dir/x.xlsx"));
    EXPECT_FALSE(ex.MakeXLS());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"keep.xlsx"});

    ex.SetTargetFile("/dev/null");
    EXPECT_TRUE(ex.MakeXLS());
    EXPECT_FALSE(QFileInfo("/dev/null").isFile());
}

TEST_F(HtmlXlsxTest, ReadOnlyTargetIsNotReplaced) {
    const QString target = dir.filePath("ro.xlsx");
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    QFile::setPermissions(target, QFileDevice::ReadOwner);
    // The folder stays writable: only the target's own bits may stop the writers.
    unprivileged::HandOver({dir.path(), target});
    ex.SetTargetFile(target);
    EXPECT_EQ(unprivileged::Run([&] { return (ex.MakeXLS() ? 1 : 0) | (ex.MakeCSV() ? 2 : 0); }),
              0);
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ro.xlsx"});
}

TEST(ExcelApplication, LongSheetsAreWrittenRowByRow) {
    QTemporaryDir dir;
    ExcelApplication xl;
    xl.ConstantMemoryRows = 2;
    xl.WorkbooksAdd();
    xl.SetSheetName("Directory Size List ");
    xl.SetCell(3, 2, "late");
    xl.SetCell(1, 1, "first ");
    xl.SetCell(2, 5, "a<b");
    xl.SetCell(1, 1, "again");
    const QString target = dir.filePath("long.xlsx");
    ASSERT_TRUE(xl.SaveAs(target)) << xl.ErrorString().toStdString();
    const QString sheet = QString::fromUtf8(ZipMember(target, "xl/worksheets/sheet1.xml"));
    QStringList cells;
    static const QRegularExpression c(
        "<c r=\"([A-Z]+[0-9]+)\" t=\"inlineStr\"><is><t[^>]*>([^<]*)</t></is></c>");
    for (auto it = c.globalMatch(sheet); it.hasNext();) {
        const auto m = it.next();
        cells << m.captured(1) + "=" + m.captured(2);
    }
    EXPECT_EQ(cells, QStringList({"A1=again", "E2=a&lt;b", "B3=late"}));
    EXPECT_THROW(xl.SetCell(0, 1, "x"), EMorvaneError);
    xl.Quit();
    EXPECT_FALSE(xl.SaveAs(target));
}

TEST(ExcelApplication, LongSheetWrittenAsItComesEqualsTheHeldOne) {
    QTemporaryDir dir;
    auto fill = [](ExcelApplication& xl) {
        xl.SetCell(1, 1, "first ");
        xl.SetNumberCell(1, 2, 1.5);
        xl.SetCell(1, 1, "again"); // a later value for a cell replaces it
        xl.SetCell(2, 5, "a<b");
        xl.SetCell(2, 1, QString());
        xl.SetNumberCell(4, 3, 2);
    };
    QByteArray sheets[2];
    for (const bool asItComes : {false, true}) {
        ExcelApplication xl;
        xl.ConstantMemoryRows = 2;
        xl.WorkbooksAdd();
        xl.SetSheetName("Directory Size List ");
        const QString target = dir.filePath(asItComes ? "streamed.xlsx" : "held.xlsx");
        ASSERT_TRUE(xl.WriteRowsInto(target, 4));
        fill(xl);
        ASSERT_TRUE(xl.SaveAs(target)) << xl.ErrorString().toStdString();
        sheets[asItComes] = ZipMember(target, "xl/worksheets/sheet1.xml");
    }
    EXPECT_TRUE(sheets[1].contains("again"));
    EXPECT_EQ(sheets[1], sheets[0]);

    // Rows must come in order; nothing is left behind when the sheet is dropped.
    ExcelApplication xl;
    xl.ConstantMemoryRows = 2;
    xl.WorkbooksAdd();
    ASSERT_TRUE(xl.WriteRowsInto(dir.filePath("order.xlsx"), 3));
    xl.SetCell(2, 1, "b");
    xl.SetCell(3, 1, "c");
    EXPECT_THROW(xl.SetCell(1, 1, "a"), EMorvaneError);
    xl.Quit();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"held.xlsx", "streamed.xlsx"}));
}

TEST(ExcelApplication, CellBeyondTheLimitIsCutWithAMarkAndTheBookFinished) {
    QTemporaryDir dir;
    ExcelApplication xl;
    xl.WorkbooksAdd();
    xl.SetSheetName("Directory Size List ");
    const QString mark = ExcelApplication::CutMark();
    // The cut would fall inside a surrogate pair: the pair goes whole.
    const QString pairAtCut = QString(32767 - mark.size() - 1, u'b') +
                              QString::fromUcs4(U"\U0001F600") + QString(100, u'c');
    xl.SetCell(1, 1, QString(40000, u'a'));
    xl.SetCell(2, 1, pairAtCut);
    xl.SetCell(3, 1, QString(32767, u'd')); // at the limit: kept
    const QString target = dir.filePath("cut.xlsx");
    ASSERT_TRUE(xl.SaveAs(target)) << xl.ErrorString().toStdString();
    EXPECT_EQ(xl.CutCells(), 2);
    const auto cells = Cells(ZipMember(target, "xl/worksheets/sheet1.xml"),
                             SharedStrings(ZipMember(target, "xl/sharedStrings.xml")));
    EXPECT_EQ(cells.value("A1"), QString(32767 - mark.size(), u'a') + mark);
    EXPECT_EQ(cells.value("A2"), pairAtCut.left(32767 - mark.size() - 1) + mark);
    EXPECT_EQ(cells.value("A3").size(), 32767);
}
