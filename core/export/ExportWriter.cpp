#include "core/export/ExportWriter.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/export/CsvField.h"
#include "core/export/ExcelApplication.h"
#include "core/export/WholeFile.h"
#include "core/settings/ColorHex.h"
#include "core/settings/IniFile.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <deque>
#include <future>
#include <optional>
#include <thread>
#include <type_traits>
#include <sys/stat.h>

namespace {

const QString kSheetName = QStringLiteral("Directory Size List ");
const QString kHomePage = QStringLiteral("https://morvane.org");
const QString kSiteTitle = QStringLiteral("morvane.org");

// Writes lines, each ending in CR LF as the exported files always have, into
// the target whole or not at all.
class LineFile {
public:
    explicit LineFile(const QString& target, bool streamToDevice = false) : file_(target) {
        file_.SetStreamToDevice(streamToDevice);
        if (!file_.Open()) throw EMorvaneError(file_.ErrorString());
    }
    LineFile& operator<<(const QString& line) {
        chunk_ += line.toUtf8();
        chunk_ += "\r\n";
        if (chunk_.size() >= (1 << 16)) Flush();
        return *this;
    }
    void WriteRaw(const QByteArray& bytes) { chunk_ += bytes; }
    // Lines already made, each with its CR LF.
    void WriteLines(const QByteArray& lines) {
        chunk_ += lines;
        if (chunk_.size() >= (1 << 16)) Flush();
    }
    void Commit() {
        Flush();
        if (!file_.Commit()) throw EMorvaneError(file_.ErrorString());
    }

private:
    void Flush() {
        if (!file_.Write(chunk_)) throw EMorvaneError(file_.ErrorString());
        chunk_.clear();
    }
    WholeFileWriter file_;
    QByteArray chunk_;
};

void SaveLines(const QString& target, const QStringList& lines) {
    LineFile out(target);
    for (const QString& line : lines)
        out << line;
    out.Commit();
}

// Characters as the fixed-width columns count them: a pair of surrogates is one.
qsizetype CodePoints(const QString& text) {
    qsizetype n = text.size();
    for (const QChar c : text)
        if (c.isLowSurrogate()) --n;
    return n;
}

// Every text of the report is shown as it is: a name may hold markup characters.
QString HtmlText(const QString& text) {
    return text.toHtmlEscaped();
}

// A link as a URL: the path's bytes percent-encoded but for the unreserved
// characters and '/', so that no name (tab, trailing space, '#', '?', '%', '"')
// can change where it points or end the attribute.
QString UrlPath(const QString& path) {
    return QString::fromLatin1(NativePath(path).toPercentEncoding("/"));
}

QString LinkUrl(const QString& path) {
    return QStringLiteral("file://") + UrlPath(path);
}

// The size list's rows for the files of the folder and the free space name no
// real path: they get no link.
bool IsPseudoRowPath(const QString& path) {
    return path.endsWith(u'/' + DirScanner::AllFilesName()) ||
           path.endsWith(u'/' + DirScanner::FreeSpaceName());
}

// A size text read as a number; nothing when it is not one.
std::optional<double> SizeNumber(const QString& text, const FormatLocale& loc) {
    if (text.trimmed().isEmpty()) return std::nullopt;
    try {
        return StrToSizeFloat(text, loc);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

// A total as the status bar shows it ("1,234.56 MB") without its grouping and unit.
QString TotalNumberText(QString text, const FormatLocale& loc) {
    text = text.trimmed();
    if (text.endsWith(QLatin1String(" MB")) || text.endsWith(QLatin1String(" KB"))) text.chop(3);
    if (!loc.thousandSeparator.isNull()) text.remove(loc.thousandSeparator);
    return text;
}

} // namespace

QString OneLineText(const QString& text) {
    if (!text.contains(u'\n') && !text.contains(u'\r')) return text;
    QString line = text;
    for (QChar& c : line)
        if (c == u'\n' || c == u'\r') c = QChar::ReplacementCharacter;
    return line;
}

ExportWriter::ExportWriter() : PictureMaker(DefaultPictureMaker) {
    for (int c = 1; c <= 5; ++c)
        SetColumnWidth(c, 0);
}

void ExportWriter::SetColumnWidth(int column, int value) {
    struct Rule {
        int min, def;
    };
    static constexpr Rule rules[5] = {{10, 30}, {3, 10}, {5, 15}, {12, 35}, {12, 12}};
    if (column < 1 || column > 5) return;
    const Rule& r = rules[column - 1];
    ColumnWidths[column - 1] = value >= r.min ? value : r.def;
}

void ExportWriter::SetHtmlFontColor(std::uint32_t color) {
    HtmlFontColor = ColorToHex(color);
    if (HtmlFontColor == QLatin1String("000000")) HtmlFontColor = QStringLiteral("222200");
}

void ExportWriter::SetHtmlBackColor(std::uint32_t color) {
    HtmlBackColor = ColorToHex(color);
    if (HtmlBackColor == QLatin1String("000000")) HtmlBackColor = QStringLiteral("bbbb22");
}

void ExportWriter::SetHtmlFontSize(int size) {
    CellFontSize = QString::number(size + 2);
    HeadFontSize = QString::number(size + 3);
}

void ExportWriter::HeadDateRow() {
    const FormatLocale& loc = Locale ? *Locale : FormatLocale::current();
    const QDate d = Today.isValid() ? Today : QDate::currentDate();
    const QString date = HeaderDateText(d, loc);
    ExportRow = {HeaderText, QString(), QString(), date};
}

void ExportWriter::FolderRow() {
    ExportRow = {QStringLiteral("Size list of Folder: "), QStringLiteral(" "), QStringLiteral(" "),
                 ExportFolder};
}

void ExportWriter::ColumnHeaderRow() {
    ExportRow.clear();
    for (int c = 0; c < 5; ++c)
        ExportRow << SourceList->ColumnCaption(c);
}

void ExportWriter::ItemCells(int row, QStringList& cells) const {
    if (SourceList->SubItemCount(row) < 4)
        throw EMorvaneError(QStringLiteral("Row %1 of the list has no details").arg(row + 1));
    SourceList->Cells(row, 4, cells);
}

void ExportWriter::ItemRow(int row) {
    ItemCells(row, ExportRow);
}

// The item rows' lines. A long list whose rows can be read from several
// threads and that goes to a file is made in blocks of rows on every core and
// written in order: making the texts costs far more than writing them.
template <class Sink, class Line> void ExportWriter::ItemLines(Sink& out, const Line& line) {
    const int n = SourceList->RowCount();
    constexpr int kBlock = 8192;
    if constexpr (std::is_same_v<Sink, LineFile>) {
        const int cores = int(std::thread::hardware_concurrency());
        if (SourceList->ConcurrentRows() && cores > 1 && n >= 2 * kBlock) {
            auto block = [this, &line](int first, int last) {
                QByteArray bytes;
                QStringList cells;
                for (int r = first; r < last; ++r) {
                    ItemCells(r, cells);
                    bytes += line(cells).toUtf8();
                    bytes += "\r\n";
                }
                return bytes;
            };
            std::deque<std::future<QByteArray>> ahead;
            int next = 0;
            auto start = [&] {
                const int first = next;
                next = std::min(n, next + kBlock);
                ahead.push_back(std::async(std::launch::async, block, first, next));
            };
            while (next < n && int(ahead.size()) <= cores)
                start();
            while (!ahead.empty()) {
                const QByteArray lines = ahead.front().get();
                ahead.pop_front();
                if (next < n) start();
                out.WriteLines(lines);
            }
            return;
        }
    }
    for (int r = 0; r < n; ++r) {
        ItemRow(r);
        out << line(ExportRow);
    }
}

void ExportWriter::SummaryRow() {
    ExportRow = {QStringLiteral("Total Size"), ExportTotalMB, ExportTotalKB,
                 ExportTotalGB + QStringLiteral(" GB")};
}

void ExportWriter::DashRow() {
    ExportRow.clear();
    for (int i = 0; i < 4; ++i)
        ExportRow << QString(std::max(0, ColumnWidths[i] - 1), u'-');
}

QString ExportWriter::FixedWidthLine(const QStringList& row, bool fit) const {
    QString line;
    line.reserve(128);
    for (int i = 0; i < row.size(); ++i) {
        const QString field = row[i].isEmpty() ? QStringLiteral(" ") : OneLineText(row[i]);
        if (i >= int(ColumnWidths.size())) {
            line += field;
            continue;
        }
        const int w = ColumnWidths[i];
        const qsizetype len = CodePoints(field);
        if (len < w) {
            line += field;
            line.resize(line.size() + (w - len), u' ');
        } else if (fit) {
            AppendFitted(line, field, w);
        } else {
            line += field;
        }
    }
    return line;
}

template <class Sink>
void ExportWriter::BuildCSV(QString (*encode)(const QStringList&), Sink& out) {
    const QString blank = QStringLiteral(" ");
    if (IncludeHeadDate) {
        HeadDateRow();
        out << encode(ExportRow) << blank;
    }
    if (IncludeFolderName) {
        FolderRow();
        out << encode(ExportRow) << blank;
    }
    if (IncludeColumnHeader) {
        ColumnHeaderRow();
        out << encode(ExportRow);
    }
    ItemLines(out, [encode](const QStringList& row) { return encode(row); });
    if (IncludeSummary) {
        SummaryRow();
        out << blank << encode(ExportRow);
    }
}

bool ExportWriter::MakeAnyCSV(QString (*encode)(const QStringList&)) {
    ExportLines.clear();
    try {
        if (!SourceList) return false;
        if (StreamRows) {
            LineFile out(TargetFile, true);
            BuildCSV(encode, out);
            out.Commit();
        } else {
            BuildCSV(encode, ExportLines);
            SaveLines(TargetFile, ExportLines);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ExportWriter::MakeCSV() {
    return MakeAnyCSV(&ListToCSVLine);
}

bool ExportWriter::MakeSemicolonCSV() {
    return MakeAnyCSV(&ListToSemikoCSVLine);
}

template <class Sink> void ExportWriter::BuildText(Sink& out) {
    const QString blank = QStringLiteral(" ");
    if (IncludeHeadDate) {
        HeadDateRow();
        out << FixedWidthLine(ExportRow, true) << blank;
    }
    if (IncludeFolderName) {
        FolderRow();
        out << FixedWidthLine(ExportRow, false) << blank << blank;
    }
    if (IncludeColumnHeader) {
        ColumnHeaderRow();
        out << FixedWidthLine(ExportRow, true) << blank;
    }
    ItemLines(out, [this](const QStringList& row) { return FixedWidthLine(row, true); });
    if (IncludeSummary) {
        out << blank;
        DashRow();
        out << FixedWidthLine(ExportRow, true);
        SummaryRow();
        out << FixedWidthLine(ExportRow, true);
    }
}

bool ExportWriter::MakeText(bool save) {
    ExportLines.clear();
    try {
        if (!SourceList) return false;
        if (save && StreamRows) {
            LineFile out(TargetFile, true);
            BuildText(out);
            out.Commit();
        } else {
            BuildText(ExportLines);
            if (save) SaveLines(TargetFile, ExportLines);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ExportWriter::MakeXLS() {
    ExcelApplication xl;
    struct QuitGuard {
        ExcelApplication& app;
        ~QuitGuard() { app.Quit(); }
    } guard{xl};
    if (!SourceList) throw EMorvaneError(QStringLiteral("There is no list to export"));
    xl.WorkbooksAdd();
    xl.SetSheetName(kSheetName);
    // A long list goes into the workbook row by row rather than held whole.
    const int lastRow = (IncludeHeadDate ? 2 : 0) + (IncludeFolderName ? 2 : 0) +
                        (IncludeColumnHeader ? 1 : 0) + SourceList->RowCount() +
                        (IncludeSummary ? 2 : 0);
    if (!xl.WriteRowsInto(TargetFile, lastRow)) return false;
    int r = 0;
    auto put = [&](int row, const QStringList& fields) {
        for (int c = 0; c < fields.size(); ++c)
            xl.SetCell(row, c + 1, fields[c]);
    };
    if (IncludeHeadDate) {
        HeadDateRow();
        put(r + 1, ExportRow);
        ++r;
        xl.SetCell(r + 1, 4, QString());
        ++r;
    }
    if (IncludeFolderName) {
        FolderRow();
        put(r + 1, ExportRow);
        ++r;
        xl.SetCell(r + 1, 4, QString());
        ++r;
    }
    if (IncludeColumnHeader) {
        ColumnHeaderRow();
        put(r + 1, ExportRow);
        ++r;
    }
    const FormatLocale& loc = Locale ? *Locale : FormatLocale::current();
    // Sizes go in as numbers so that the sheet can sum and sort them; a text the
    // locale cannot read as one (a result file of another locale) stays text.
    auto putSize = [&](int row, int column, const QString& text) {
        if (const std::optional<double> v = SizeNumber(text, loc))
            xl.SetNumberCell(row, column, *v);
        else
            xl.SetCell(row, column, text);
    };
    std::array<bool, 5> sizeColumn{};
    for (int c = 0; c < 5; ++c)
        sizeColumn[std::size_t(c)] = SourceList->IsSizeColumn(c);
    for (int row = 0; row < SourceList->RowCount(); ++row) {
        ItemRow(row);
        for (int c = 0; c < ExportRow.size(); ++c) {
            if (sizeColumn[std::size_t(c)])
                putSize(r + 1, c + 1, ExportRow[c]);
            else
                xl.SetCell(r + 1, c + 1, ExportRow[c]);
        }
        ++r;
    }
    if (IncludeSummary) {
        xl.SetCell(r + 1, 1, QString());
        ++r;
        SummaryRow();
        put(r + 1, ExportRow);
        // The MB and KB totals, under the size columns.
        putSize(r + 1, 2, TotalNumberText(ExportTotalMB, loc));
        putSize(r + 1, 3, TotalNumberText(ExportTotalKB, loc));
    }
    const bool saved = xl.SaveAs(TargetFile);
    CutCells = xl.CutCells();
    return saved;
}

QString ExportWriter::MakePicture(const QString& filePath, int chartNo) {
    if (!PictureMaker || !PictureMaker(chartNo, filePath))
        throw EMorvaneError(QStringLiteral("Cannot save the chart picture %1").arg(filePath));
    return filePath;
}

QString ExportWriter::PictureLink(int chartNo) {
    const QString folder = RemoveFileExt(TargetFile) + QStringLiteral("_images");
    if (!IsExistingFolder(folder) && ::mkdir(NativePath(folder).constData(), 0777) != 0)
        throw EMorvaneError(QStringLiteral("Cannot create the folder %1").arg(folder));
    const QString file = folder + QStringLiteral("/Chart%1.jpg").arg(chartNo);
    MakePicture(file, chartNo);
    const QString ref =
        folder.mid(folder.lastIndexOf(u'/') + 1) + QStringLiteral("/Chart%1.jpg").arg(chartNo);
    // The report's own name may hold ' ', '#' or '"': a relative URL, escaped.
    return QStringLiteral("<A HREF=\"%1\"><img src=\"%1\" width=\"200\" height=\"100\" "
                          "border=\"2\" alt=\"%2\"></a>")
        .arg(UrlPath(ref), HtmlText(ref));
}

template <class Sink> void ExportWriter::BuildHTML(Sink& html) {
    html << QStringLiteral("<html><head><title></title><head>") << QStringLiteral("<body>")
         << QStringLiteral("<table border=1 width=100%>")
         << QStringLiteral("<BODY text=#%1 vLink=#660066 aLink=#ff0000 link=#0000ff bgColor=#%2>")
                .arg(HtmlFontColor, HtmlBackColor);
    if (IncludeHeadDate) {
        HeadDateRow();
        html << QStringLiteral("<FONT size=%1><b>").arg(HeadFontSize) +
                    HtmlText(FixedWidthLine(ExportRow, true))
             << QStringLiteral("</p></B> </FONT>");
    }
    if (IncludeFolderName) {
        FolderRow();
        html << QStringLiteral("<FONT size=%1><B>").arg(HeadFontSize) +
                    HtmlText(FixedWidthLine(ExportRow, true))
             << QStringLiteral("</p></B> </FONT>");
    }
    const QString boldCell = QStringLiteral("<td><FONT size=%1><B>").arg(CellFontSize);
    const QString boldEnd = QStringLiteral("</B></FONT></td>");
    if (IncludeColumnHeader) {
        html << QStringLiteral("<tr>");
        for (int c = 0; c < 5; ++c)
            html << boldCell + HtmlText(SourceList->ColumnCaption(c)) + boldEnd;
        html << QStringLiteral("</tr>");
    }
    const QString cell = QStringLiteral("<td><FONT size=%1>").arg(CellFontSize);
    const QString cellEnd = QStringLiteral("</FONT></td>");
    const QString space = QStringLiteral(" ");
    for (int r = 0; r < SourceList->RowCount(); ++r) {
        html << QStringLiteral("<tr>");
        const int subItems = SourceList->SubItemCount(r);
        for (int c = 0; c < 5; ++c) {
            QString text;
            if (c == 0)
                text = SourceList->Caption(r);
            else if (c <= subItems)
                text = SourceList->SubItem(r, c);
            QString link;
            if (c == 3 && !text.isEmpty() && !IsPseudoRowPath(text))
                link = QStringLiteral("<a href=\"") + LinkUrl(SourceList->LinkPath(r)) +
                       QStringLiteral("\">");
            text = HtmlText(text);
            html << cell + link + (text.isEmpty() ? space : text) + cellEnd;
        }
        html << QStringLiteral("</tr>");
    }
    if (IncludeSummary) {
        SummaryRow();
        html << QStringLiteral("<tr>");
        for (const QString& f : ExportRow)
            html << boldCell + HtmlText(f) + boldEnd;
        html << QStringLiteral("</tr>");
    }
    if (IncludeCharts && PictureMaker) {
        html << QStringLiteral("<p>") << PictureLink(1);
        QString gap;
        for (int i = 0; i < 23; ++i)
            gap += QStringLiteral("&nbsp;");
        html << gap << PictureLink(2) << QStringLiteral("<p>");
    }
    html << QStringLiteral("</table><p><P><P>")
         << QStringLiteral("<BR><div align=\"center\"><h3></B>Created with "
                           "<B><I>\"Morvane\"</B></I><h4> from  - <a href=\"") +
                kHomePage + QStringLiteral("\" target=\"_blank\"> ") + kSiteTitle +
                QStringLiteral("</a><br><br></h4></div>")
         << QStringLiteral("</body></html>");
}

bool ExportWriter::MakeHTML() {
    try {
        if (!SourceList) return false;
        // Lines go out as they are built (a long file list makes a long report),
        // but the target only appears once the report is complete.
        LineFile html(TargetFile, StreamRows);
        html.WriteRaw(QByteArrayLiteral("\xEF\xBB\xBF")); // the browser reads UTF-8
        BuildHTML(html);
        html.Commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
