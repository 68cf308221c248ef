#include "core/export/ExportWriter.h"
#include "core/engine/SizeText.h"
#include "core/export/CsvField.h"
#include "core/export/ExcelApplication.h"
#include "core/export/WholeFile.h"
#include "core/settings/ColorHex.h"
#include "core/settings/IniFile.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFileInfo>

namespace {

const QString kSheetName = QStringLiteral("Directory Size List ");
const QString kHomePage = QStringLiteral("https://morvane.org");
const QString kSiteTitle = QStringLiteral("morvane.org");

// Writes lines, each ending in CR LF as the exported files always have, into
// the target whole or not at all.
class LineFile {
public:
    explicit LineFile(const QString& target) : file_(target) {
        if (!file_.Open()) throw EMorvaneError(file_.ErrorString());
    }
    LineFile& operator<<(const QString& line) {
        chunk_ += line.toUtf8();
        chunk_ += "\r\n";
        if (chunk_.size() >= (1 << 16)) Flush();
        return *this;
    }
    void WriteRaw(const QByteArray& bytes) { chunk_ += bytes; }
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

// A cell text loses its angle brackets; an ampersand is written as an entity
// so that the text shows as it is.
QString HtmlCellText(const QString& text) {
    if (!text.contains(u'<') && !text.contains(u'>') && !text.contains(u'&')) return text;
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'&')
            out += QStringLiteral("&amp;");
        else if (c != u'<' && c != u'>')
            out += c;
    }
    return out;
}

// The path inside a link: no angle brackets, and nothing that can end the
// attribute or be read as a fragment, query or escape of the address.
QString HtmlHref(const QString& path) {
    QString out;
    out.reserve(path.size() + 8);
    for (const QChar c : path) {
        switch (c.unicode()) {
        case u'<':
        case u'>':
            break;
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'"':
            out += QStringLiteral("&quot;");
            break;
        case u'%':
            out += QStringLiteral("%25");
            break;
        case u'#':
            out += QStringLiteral("%23");
            break;
        case u'?':
            out += QStringLiteral("%3F");
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The heading lines hold the user's header and a folder path: shown as text.
QString HtmlText(const QString& text) {
    return text.toHtmlEscaped();
}

} // namespace

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

void ExportWriter::ItemRow(int row) {
    if (SourceList->SubItemCount(row) < 4)
        throw EMorvaneError(QStringLiteral("Row %1 of the list has no details").arg(row + 1));
    ExportRow.clear();
    ExportRow << SourceList->Caption(row);
    for (int s = 1; s <= 4; ++s)
        ExportRow << SourceList->SubItem(row, s);
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
    for (int i = 0; i < row.size(); ++i) {
        QString field = row[i].isEmpty() ? QStringLiteral(" ") : row[i];
        if (i >= int(ColumnWidths.size())) {
            line += field;
            continue;
        }
        const int w = ColumnWidths[i];
        const qsizetype len = CodePoints(field);
        if (len < w)
            line += field + QString(w - len, u' ');
        else
            line += fit ? FitToWidth(field, w) : field;
    }
    return line;
}

void ExportWriter::BuildCSV(QString (*encode)(const QStringList&)) {
    const QString blank = QStringLiteral(" ");
    if (IncludeHeadDate) {
        HeadDateRow();
        ExportLines << encode(ExportRow) << blank;
    }
    if (IncludeFolderName) {
        FolderRow();
        ExportLines << encode(ExportRow) << blank;
    }
    if (IncludeColumnHeader) {
        ColumnHeaderRow();
        ExportLines << encode(ExportRow);
    }
    for (int r = 0; r < SourceList->RowCount(); ++r) {
        ItemRow(r);
        ExportLines << encode(ExportRow);
    }
    if (IncludeSummary) {
        SummaryRow();
        ExportLines << blank << encode(ExportRow);
    }
}

bool ExportWriter::MakeAnyCSV(QString (*encode)(const QStringList&)) {
    ExportLines.clear();
    try {
        if (!SourceList) return false;
        BuildCSV(encode);
        SaveLines(TargetFile, ExportLines);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool ExportWriter::MakeCSV() {
    return MakeAnyCSV(&ListToCSVLine);
}

bool ExportWriter::makeSemikoCSV() {
    return MakeAnyCSV(&ListToSemikoCSVLine);
}

void ExportWriter::BuildText() {
    const QString blank = QStringLiteral(" ");
    if (IncludeHeadDate) {
        HeadDateRow();
        ExportLines << FixedWidthLine(ExportRow, true) << blank;
    }
    if (IncludeFolderName) {
        FolderRow();
        ExportLines << FixedWidthLine(ExportRow, false) << blank << blank;
    }
    if (IncludeColumnHeader) {
        ColumnHeaderRow();
        ExportLines << FixedWidthLine(ExportRow, true) << blank;
    }
    for (int r = 0; r < SourceList->RowCount(); ++r) {
        ItemRow(r);
        ExportLines << FixedWidthLine(ExportRow, true);
    }
    if (IncludeSummary) {
        ExportLines << blank;
        DashRow();
        ExportLines << FixedWidthLine(ExportRow, true);
        SummaryRow();
        ExportLines << FixedWidthLine(ExportRow, true);
    }
}

bool ExportWriter::MakeText(bool save) {
    ExportLines.clear();
    try {
        if (!SourceList) return false;
        BuildText();
        if (save) SaveLines(TargetFile, ExportLines);
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
    for (int row = 0; row < SourceList->RowCount(); ++row) {
        ItemRow(row);
        for (QString& f : ExportRow)
            if (f == QLatin1String("0")) f = QStringLiteral("0,00");
        put(r + 1, ExportRow);
        ++r;
    }
    if (IncludeSummary) {
        xl.SetCell(r + 1, 1, QString());
        ++r;
        SummaryRow();
        put(r + 1, ExportRow);
    }
    return xl.SaveAs(TargetFile);
}

QString ExportWriter::MakePicture(const QString& filePath, int chartNo) {
    if (!PictureMaker || !PictureMaker(chartNo, filePath))
        throw EMorvaneError(QStringLiteral("Cannot save the chart picture %1").arg(filePath));
    return filePath;
}

QString ExportWriter::PictureLink(int chartNo) {
    const QString folder = RemoveFileExt(TargetFile) + QStringLiteral("_images");
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder))
        throw EMorvaneError(QStringLiteral("Cannot create the folder %1").arg(folder));
    const QString file = folder + QStringLiteral("/Chart%1.jpg").arg(chartNo);
    MakePicture(file, chartNo);
    const QString ref = QFileInfo(folder).fileName() + u'/' + QFileInfo(file).fileName();
    return QStringLiteral("<A HREF=\"%1\"><img src=\"%1\" width=\"200\" height=\"100\" "
                          "border=\"2\" alt=\"%1\"></a>")
        .arg(ref);
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
            html << boldCell + HtmlCellText(SourceList->ColumnCaption(c)) + boldEnd;
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
            if (c == 3)
                link = QStringLiteral("<a href=\"") + HtmlHref(text) + QStringLiteral("\">");
            text = HtmlCellText(text);
            html << cell + link + (text.isEmpty() ? space : text) + cellEnd;
        }
        html << QStringLiteral("</tr>");
    }
    if (IncludeSummary) {
        SummaryRow();
        html << QStringLiteral("<tr>");
        for (const QString& f : ExportRow)
            html << boldCell + HtmlCellText(f) + boldEnd;
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
        LineFile html(TargetFile);
        html.WriteRaw(QByteArrayLiteral("\xEF\xBB\xBF")); // the browser reads UTF-8
        BuildHTML(html);
        html.Commit();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
