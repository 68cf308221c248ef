#pragma once
// The export dialog's choices, their built-in values, how they are stored in the
// section "ExportSettings", and the rules the dialog applies to them.
#include "core/settings/ColorHex.h"
#include <QString>
#include <QStringList>

enum ExportFileType : int { ftCSVComma = 0, ftCSVSemicolon, ftExcel, ftText, ftHTML };

// One value per control of the dialog; the initializers are the values shown
// when there is no settings file.
struct ExportChoices {
    int ActPage = 0;
    int FileType = ftCSVComma;
    QString HeadText = QStringLiteral("Foldersize at");
    bool InclFolderName = true;
    bool InclHead = true;
    bool InclHeadCol = true;
    bool InclSumRow = true;
    bool LaunchFile = false;
    bool InclChartInHTML = false;
    int HTMLFontSize = 0;
    ColorCode HTMLFontColor = clBlack;
    ColorCode HTMLBackColor = clSilver;
    int FolderChars = 30;
    int SizeMBChars = 10;
    int SizeKBChars = 13;
    int PathChars = 35;
    int DateChars = 35; // shown, never stored
    int FontSize = 10;
    int Orientation = 0;    // 0 portrait, 1 landscape
    int Print = 0;          // 0 printer, 1 preview
    int List = 0;           // 0 folder list, 1 file list
    int FilePathChars = 55; // carried through unchanged
};

// Ranges of the number boxes.
struct SpinRange {
    int min, max;
    int Clamp(int v) const { return v < min ? min : (v > max ? max : v); }
};
inline constexpr SpinRange kFolderCharsRange{20, 60};
inline constexpr SpinRange kSizeMBCharsRange{8, 20};
inline constexpr SpinRange kSizeKBCharsRange{10, 25};
inline constexpr SpinRange kPathCharsRange{12, 80};
inline constexpr SpinRange kDateCharsRange{0, 80};
inline constexpr SpinRange kFontSizeRange{8, 14};
inline constexpr SpinRange kHTMLFontSizeRange{0, 6};
inline constexpr int kExportPageCount = 3;

// Reads the section over choices, key by key, with the stored defaults; numbers
// are clamped to their boxes and choices to their items. A colour text that
// does not convert keeps that colour's value; its message goes to errors.
void LoadExportChoices(const QString& iniFile, ExportChoices& choices,
                       QStringList* errors = nullptr);
// Writes every choice. FilePathChars is written back as read; when it is 0,
// fifthColumnWidth is written instead.
void SaveExportChoices(const QString& iniFile, const ExportChoices& choices, int fifthColumnWidth);

// The three labels above the width boxes of the MB, KB and date columns.
QStringList SizeLabels(int list);

// The save dialog's filter entries (Qt name filters) and their extensions.
QStringList ExportFilterEntries();
QString ExportFilterSuffix(int entry); // entry 0..4; "csv", "xlsx", "txt" or "html"
// The chosen name with its extension replaced by the filter entry's.
QString NormaliseExportFileName(const QString& name, int entry);

// "CSV", "CSV", " Excel ", "Text" or "HTML" followed by "File not saved".
QString NotSavedMessage(int fileType);
