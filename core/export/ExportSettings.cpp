#include "core/export/ExportSettings.h"
#include "core/settings/FontText.h"
#include "core/settings/IniFile.h"
#include "platform/Errors.h"

namespace {
const QString kSection = QStringLiteral("ExportSettings");

int ReadClamped(const QString& file, const QString& key, int def, SpinRange range) {
    return range.Clamp(ReadIniInteger(file, kSection, key, def));
}
} // namespace

void LoadExportChoices(const QString& file, ExportChoices& c, QStringList* errors) {
    c.ActPage = SpinRange{0, kExportPageCount - 1}.Clamp(
        ReadIniInteger(file, kSection, QStringLiteral("ActPage"), 0));
    c.FolderChars = ReadClamped(file, QStringLiteral("FolderChars"), 25, kFolderCharsRange);
    c.SizeMBChars = ReadClamped(file, QStringLiteral("SizeMBChars"), 15, kSizeMBCharsRange);
    // Written as SizeKBChars; key names do not depend on case.
    c.SizeKBChars = ReadClamped(file, QStringLiteral("SizekBChars"), 20, kSizeKBCharsRange);
    c.PathChars = ReadClamped(file, QStringLiteral("PathChars"), 55, kPathCharsRange);
    c.FilePathChars = ReadIniInteger(file, kSection, QStringLiteral("FilePathChars"), 55);
    c.FontSize = ReadClamped(file, QStringLiteral("FontSize"), 10, kFontSizeRange);
    c.HTMLFontSize = ReadClamped(file, QStringLiteral("HTMLFontSize"), 0, kHTMLFontSizeRange);
    c.FileType = SpinRange{ftCSVComma, ftHTML}.Clamp(
        ReadIniInteger(file, kSection, QStringLiteral("FileType"), 4));
    c.Orientation =
        SpinRange{0, 1}.Clamp(ReadIniInteger(file, kSection, QStringLiteral("Orientation"), 1));
    c.Print = SpinRange{0, 1}.Clamp(ReadIniInteger(file, kSection, QStringLiteral("Print"), 1));
    c.List = SpinRange{0, 1}.Clamp(ReadIniInteger(file, kSection, QStringLiteral("List"), 0));
    c.HeadText =
        ReadIniString(file, kSection, QStringLiteral("HeadText"), QStringLiteral("My Header"));
    c.InclSumRow = ReadIniBool(file, kSection, QStringLiteral("InclSumRow"), true);
    c.InclHeadCol = ReadIniBool(file, kSection, QStringLiteral("InclHeadCol"), true);
    c.InclFolderName = ReadIniBool(file, kSection, QStringLiteral("InclInclFolderName"), true);
    c.InclHead = ReadIniBool(file, kSection, QStringLiteral("InclHead"), true);
    c.InclChartInHTML = ReadIniBool(file, kSection, QStringLiteral("InclChartInHTML"), true);
    c.LaunchFile = ReadIniBool(file, kSection, QStringLiteral("LaunchFile"), true);
    auto color = [&](const QString& key, const QString& def, ColorCode& out) {
        try {
            out = StringToColor(ReadIniString(file, kSection, key, def));
        } catch (const EConvertError& e) {
            if (errors) errors->append(e.message());
        }
    };
    color(QStringLiteral("HTMLFontColor"), QStringLiteral("clblack"), c.HTMLFontColor);
    color(QStringLiteral("HTMLBackColor"), QStringLiteral("clsilver"), c.HTMLBackColor);
}

void SaveExportChoices(const QString& file, const ExportChoices& c, int fifthColumnWidth) {
    WriteIniInteger(file, kSection, QStringLiteral("ActPage"), c.ActPage);
    WriteIniInteger(file, kSection, QStringLiteral("FolderChars"), c.FolderChars);
    WriteIniInteger(file, kSection, QStringLiteral("SizeMBChars"), c.SizeMBChars);
    WriteIniInteger(file, kSection, QStringLiteral("SizeKBChars"), c.SizeKBChars);
    WriteIniInteger(file, kSection, QStringLiteral("PathChars"), c.PathChars);
    WriteIniInteger(file, kSection, QStringLiteral("FilePathChars"),
                    c.FilePathChars == 0 ? fifthColumnWidth : c.FilePathChars);
    WriteIniInteger(file, kSection, QStringLiteral("FontSize"), c.FontSize);
    WriteIniInteger(file, kSection, QStringLiteral("HTMLFontSize"), c.HTMLFontSize);
    WriteIniInteger(file, kSection, QStringLiteral("FileType"), c.FileType);
    WriteIniInteger(file, kSection, QStringLiteral("Orientation"), c.Orientation);
    WriteIniInteger(file, kSection, QStringLiteral("Print"), c.Print);
    WriteIniInteger(file, kSection, QStringLiteral("List"), c.List);
    WriteIniString(file, kSection, QStringLiteral("HeadText"), c.HeadText);
    WriteIniBool(file, kSection, QStringLiteral("InclSumRow"), c.InclSumRow);
    WriteIniBool(file, kSection, QStringLiteral("InclHeadCol"), c.InclHeadCol);
    WriteIniBool(file, kSection, QStringLiteral("InclInclFolderName"), c.InclFolderName);
    WriteIniBool(file, kSection, QStringLiteral("InclHead"), c.InclHead);
    WriteIniBool(file, kSection, QStringLiteral("InclChartInHTML"), c.InclChartInHTML);
    WriteIniBool(file, kSection, QStringLiteral("LaunchFile"), c.LaunchFile);
    WriteIniString(file, kSection, QStringLiteral("HTMLFontColor"), ColorToString(c.HTMLFontColor));
    WriteIniString(file, kSection, QStringLiteral("HTMLBackColor"), ColorToString(c.HTMLBackColor));
}

QStringList SizeLabels(int list) {
    if (list == 1)
        return {QStringLiteral("Date (C)"), QStringLiteral("Date (M)"),
                QStringLiteral("Size (KB)")};
    return {QStringLiteral("Size (MB)"), QStringLiteral("Size (KB)"), QStringLiteral("-")};
}

QStringList ExportFilterEntries() {
    return {QStringLiteral("CSV (,) file (*.CSV)"), QStringLiteral("CSV (;) file (*.CSV)"),
            QStringLiteral("Excel file (*.XLSX)"), QStringLiteral("Text file (*.TXT)"),
            QStringLiteral("HTML file (*.html)")};
}

QString ExportFilterSuffix(int entry) {
    switch (entry) {
    case 2:
        return QStringLiteral("xlsx");
    case 3:
        return QStringLiteral("txt");
    case 4:
        return QStringLiteral("html");
    default:
        return QStringLiteral("csv");
    }
}

QString NormaliseExportFileName(const QString& name, int entry) {
    return RemoveFileExt(name) + QLatin1Char('.') + ExportFilterSuffix(entry);
}

QString NotSavedMessage(int fileType) {
    static const char* const kinds[] = {"CSV", "CSV", " Excel ", "Text", "HTML"};
    const int i = SpinRange{0, 4}.Clamp(fileType);
    return QLatin1String(kinds[i]) + QStringLiteral("File not saved");
}
