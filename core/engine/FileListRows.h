#pragma once
// The rows of the file list and the rules that work on them: the gauge steps
// of a fill, duplicate pairing, the cyclic search, the checked/selected swap.
// Plain data and functions, so the window and the tests share them.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// One row. A detail row carries the six sub-items; a plain row only the path
// as its caption.
struct FileRow {
    QString caption; // file name (detail) or full path (plain)
    QString dateCr;  // sub-item 0: last-modification date text of the scan
    QString dateAc;  // sub-item 1: last-access date text
    QString path;    // sub-item 2: full path
    QString kb;      // sub-item 3: size in KB
    QString ext;     // sub-item 4: extension, at most four characters
    QString dup;     // sub-item 5: "x" or a pair number
    bool detail = false;
    bool checked = false;

    // Full path either way.
    const QString& RowPath() const { return detail ? path : caption; }
    // Column 0 is the caption, columns 1 to 6 the sub-items (empty on plain rows).
    QString Cell(int column) const;
    void SetCell(int column, const QString& text);
};

// A plain row for path, or a detail row; dateAc is the formatted access date.
FileRow MakeFileRow(const QString& path, const QString& kb, const QString& dateCr,
                    const QString& dateAc, bool detail);

// The gauge step of a fill of max + 1 FileRows: max div 20 when the old step
// times 10 is below max, else 0.
int NextFileGaugeStep(int oldStep, int max);
// How far the gauge moves after FileRow i: 1 when step < 1, step when i is a
// multiple of step, else 0.
int FileGaugeAdvance(int step, int i);

// Same file name (exact case), and with the switches the same access date and size text.
bool IsDuplicatePair(const FileRow* upper, const FileRow* lower, bool compareDate,
                     bool compareSize);
// Pairs of neighbouring rows (in the rows' current order): k equal rows give k - 1 pairs.
std::vector<std::pair<int, int>> DuplicatePairs(const std::vector<FileRow>& rows, bool compareSize,
                                                bool compareDate);

// The next row after start (from row 0 when start is -1 or 0, wrapping after the
// last row) whose RowPath contains text, ignoring ASCII case; -1 when none
// (always for an empty text).
int FindFileRowIndex(const std::vector<FileRow>& rows, const QString& text, int start);

// Checked rows become selected and unchecked, selected ones checked and
// deselected, the others selected.
void SwapCheckedAndSelected(std::vector<char>& checked, std::vector<char>& selected);
