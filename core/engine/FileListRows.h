#pragma once
// The rows of the file list and the rules that work on them: the gauge steps
// of a fill, duplicate pairing, the cyclic search, the checked/selected swap.
// Plain data and functions, so the window and the tests share them.
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>
#include <utility>
#include <vector>

// The file list's rows, kept compact so that a million of them fit in tens of
// megabytes: a row is its folder (shared by the folder's rows), its name in
// one block of characters, and indices into a table of distinct texts. A cell's
// text is made when it is asked for.
//
// Columns: 0 the caption (file name on a detail row, full path on a plain
// one), then the six sub-items of a detail row: 1 "Date (Cr)", 2 "Date (Ac)",
// 3 full path, 4 "Size (kb)", 5 extension (at most four characters), 6 "Dup"
// ("x" or a pair number). Plain rows have empty sub-items.
class FileRowTable {
public:
    explicit FileRowTable(bool detail = true);

    bool Detail() const { return detail_; }
    int Count() const { return int(rows_.size()); }
    // Gives back the room the appends left unused.
    void Squeeze();

    // Appends a row for path; the three texts are kept on detail rows only.
    void Append(const QString& path, const QString& kb = {}, const QString& dateCr = {},
                const QString& dateAc = {});
    // The same with the path given as its folder (ending in '/') and its name.
    void Append(const QString& folder, QStringView name, const QString& kb, const QString& dateCr,
                const QString& dateAc);

    QString Cell(int row, int column) const;
    // The full path (the caption of a plain row); into out without a new
    // string where out's room allows.
    QString Path(int row) const;
    void PathInto(int row, QString& out) const;
    QStringView Name(int row) const;

    bool Checked(int row) const { return rows_[std::size_t(row)].checked; }
    void SetChecked(int row, bool on) { rows_[std::size_t(row)].checked = on; }
    // The "Dup" cell: -1 for "x", else the pair number.
    int DupNumber(int row) const { return rows_[std::size_t(row)].dup; }
    void SetDupNumber(int row, int number) { rows_[std::size_t(row)].dup = number; }

    // Same "Size (kb)" / "Date (Ac)" text as another row (texts are kept once).
    bool SameSizeText(int a, int b) const {
        return rows_[std::size_t(a)].kb == rows_[std::size_t(b)].kb;
    }
    bool SameAccessText(int a, int b) const {
        return rows_[std::size_t(a)].dateAc == rows_[std::size_t(b)].dateAc;
    }

    // Reads every detail row's last-access date now and makes it the row's
    // "Date (Ac)" text (29.Dec.99 for a file that is gone). Each folder is
    // opened once; long lists are read by several threads.
    void ReadAccessDates();

    // Puts the rows into the given order (order[i] = old index of new row i).
    void Reorder(const std::vector<int>& order);
    // Removes the rows flagged in remove (flags past its end keep their rows);
    // returns how many went.
    int Remove(const std::vector<char>& remove);
    // Removes the rows first to last (inclusive).
    void RemoveRange(int first, int last);

    // Every row's text of column, equal texts sharing their characters.
    QStringList ColumnTexts(int column) const;

private:
    struct Row {
        std::uint64_t nameOffset;
        std::uint32_t nameLength;
        std::uint32_t folder;
        std::uint32_t kb, dateCr, dateAc; // into texts_
        std::int32_t dup = -1;
        bool checked = false;
    };
    std::uint32_t FolderIndex(const QString& folder);
    std::uint32_t TextIndex(const QString& text);
    const QString& FolderOf(const Row& r) const { return folders_[r.folder]; }

    bool detail_;
    std::vector<Row> rows_;
    QString names_;
    std::vector<QString> folders_;
    QHash<QString, std::uint32_t> folderIndex_;
    std::vector<QString> texts_; // texts_[0] is empty
    QHash<QString, std::uint32_t> textIndex_;
    std::uint32_t lastFolder_ = 0;
};

// The gauge step of a fill of max + 1 rows: max div 20 when the old step
// times 10 is below max, else 0.
int NextFileGaugeStep(int oldStep, int max);
// How far the gauge moves after row i: 1 when step < 1, step when i is a
// multiple of step, else 0.
int FileGaugeAdvance(int step, int i);

// Rows upper and lower exist, have the same file name (exact case), and with
// the switches the same access date and size text.
bool IsDuplicatePair(const FileRowTable& rows, int upper, int lower, bool compareDate,
                     bool compareSize);
// Pairs of neighbouring rows (in the rows' current order): k equal rows give k - 1 pairs.
std::vector<std::pair<int, int>> DuplicatePairs(const FileRowTable& rows, bool compareSize,
                                                bool compareDate);

// The next row after start (from row 0 when start is -1 or 0, wrapping after the
// last row) whose full path contains text, ignoring ASCII case; -1 when none
// (always for an empty text).
int FindFileRowIndex(const FileRowTable& rows, const QString& text, int start);

// Checked rows become selected and unchecked, selected ones checked and
// deselected, the others selected.
void SwapCheckedAndSelected(std::vector<char>& checked, std::vector<char>& selected);
