#pragma once
// ExportWriter turns the rows of one list (the folder size list or the file list,
// seen through IRowSource) into a CSV file (comma or semicolon), an Excel
// workbook (.xlsx), a fixed-width text (saved, or kept in ExportLines for
// printing) or an HTML report with chart pictures.
//
// Usage, one object per export or print:
//   ExportWriter ex;
//   ex.SourceList = &rows;                       // not owned; must outlive the call
//   ex.ExportTotalMB = ...; ex.ExportTotalKB = ...; ex.ExportTotalGB = ...;
//   ex.SetHeaderText("Foldersize at"); ex.SetExportFolder(folder);
//   ex.SetIncludeHeadDate(true); ...             // every flag starts false
//   ex.SetColumnWidth(1, 30); ...                // 1..5, with the minimum rules
//   ex.SetTargetFile(path);
//   if (!ex.MakeCSV()) show "CSV" "File not saved";
//   ex.MakeText(false); print ex.ExportLines;    // lines for the printer
//
// MakeCSV, MakeSemicolonCSV, MakeText and MakeHTML catch every error and return
// false. MakeXLS returns false when the workbook could not be saved, and throws
// EMorvaneError (platform/Errors.h) when it could not be built at all (a row
// without details); the caller shows its message(). A writer writes its target
// whole or not at all; an existing target that is not a regular file (a pipe,
// /dev/null, /dev/stdout) is written directly.
#include "core/export/RowSource.h"
#include "core/settings/ColorHex.h"
#include <QDate>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

struct FormatLocale;

// text with each line break (CR, LF) shown as U+FFFD: a name holding one never
// starts a row of its own in a fixed-width text.
QString OneLineText(const QString& text);

class ExportWriter {
public:
    ExportWriter();

    const IRowSource* SourceList = nullptr;
    bool IncludeSummary = false;
    bool IncludeHeadDate = false;
    bool IncludeFolderName = false;
    bool IncludeColumnHeader = false;
    bool IncludeCharts = false;
    QString ExportTotalKB, ExportTotalMB, ExportTotalGB;
    QString HtmlFontColor, HtmlBackColor; // six hexadecimal digits
    QString CellFontSize, HeadFontSize;   // decimal texts
    QString HeaderText;
    QString ExportFolder;
    QString TargetFile;
    QStringList ExportRow;   // scratch: the fields of one row
    QStringList ExportLines; // lines of the last CSV or text export
    // Saved exports write each line as it is made and keep no ExportLines, and a
    // pipe or device target gets the lines as they come rather than at the end:
    // a file list of millions of rows then costs no memory of its own.
    bool StreamRows = false;
    std::array<int, 5> ColumnWidths{};
    // After MakeXLS: cells too long for a workbook, written cut with a mark.
    int CutCells = 0;

    // Saves chart 1 (bar) or 2 (pie) as a JPEG file at jpgPath; the window sets
    // it. Without it the HTML report carries no pictures.
    std::function<bool(int chart, const QString& jpgPath)> PictureMaker;
    // What PictureMaker starts as in every new object: the window's charts
    // install it, so every report made while they exist gets its pictures.
    static inline std::function<bool(int chart, const QString& jpgPath)> DefaultPictureMaker;

    // The date of the header row and the locale of its names; today and the
    // user's locale unless set (tests set them).
    QDate Today;
    const FormatLocale* Locale = nullptr;

    // Column 1..5; a value under the column's minimum gives its default.
    void SetColumnWidth(int column, int value);
    void SetHtmlFontColor(ColorCode color);
    void SetHtmlBackColor(ColorCode color);
    void SetHtmlFontSize(int size);
    void SetTargetFile(const QString& file) { TargetFile = file; }
    void SetExportFolder(const QString& folder) { ExportFolder = folder; }
    void SetHeaderText(const QString& text) { HeaderText = text; }
    void SetIncludeSummary(bool on) { IncludeSummary = on; }
    void SetIncludeHeadDate(bool on) { IncludeHeadDate = on; }
    void SetIncludeFolderName(bool on) { IncludeFolderName = on; }
    void SetIncludeColumnHeader(bool on) { IncludeColumnHeader = on; }
    void SetIncludeCharts(bool on) { IncludeCharts = on; }

    bool MakeCSV();
    bool MakeSemicolonCSV();
    bool MakeText(bool save);
    bool MakeXLS();
    bool MakeHTML();
    // Saves chart n into filePath through PictureMaker; returns the path.
    // Throws EMorvaneError when the picture cannot be saved.
    QString MakePicture(const QString& filePath, int chartNo);

    // The fields of ExportRow padded (and, with fit, shortened) to ColumnWidths.
    QString FixedWidthLine(const QStringList& row, bool fit) const;

    // Row builders: each fills ExportRow.
    void HeadDateRow();
    void FolderRow();
    void ColumnHeaderRow();
    void ItemRow(int row); // throws EMorvaneError when the row lacks sub-items
    void SummaryRow();
    void DashRow();

private:
    bool MakeAnyCSV(QString (*encode)(const QStringList&));
    template <class Sink> void BuildCSV(QString (*encode)(const QStringList&), Sink& out);
    template <class Sink> void BuildText(Sink& out);
    template <class Sink> void BuildHTML(Sink& html);
    template <class Sink, class Line> void ItemLines(Sink& out, const Line& line);
    // The fields of ItemRow(row), into cells; safe from several threads.
    void ItemCells(int row, QStringList& cells) const;
    QString PictureLink(int chartNo);
};
