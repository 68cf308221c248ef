#include "core/engine/FileListRows.h"
#include "core/engine/FileFilter.h"

QString FileRow::Cell(int column) const {
    switch (column) {
    case 0:
        return caption;
    case 1:
        return dateCr;
    case 2:
        return dateAc;
    case 3:
        return path;
    case 4:
        return kb;
    case 5:
        return ext;
    case 6:
        return dup;
    default:
        return {};
    }
}

void FileRow::SetCell(int column, const QString& text) {
    QString* cells[] = {&caption, &dateCr, &dateAc, &path, &kb, &ext, &dup};
    if (column >= 0 && column < 7) *cells[column] = text;
}

FileRow MakeFileRow(const QString& path, const QString& kb, const QString& dateCr,
                    const QString& dateAc, bool detail) {
    FileRow r;
    r.detail = detail;
    if (!detail) {
        r.caption = path;
        return r;
    }
    r.caption = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    r.dateCr = dateCr;
    r.dateAc = dateAc;
    r.path = path;
    r.kb = kb;
    r.ext = ExtCellText(path);
    static const QString x = QStringLiteral("x");
    r.dup = x;
    return r;
}

int NextFileGaugeStep(int oldStep, int max) {
    return qint64(oldStep) * 10 < max ? max / 20 : 0;
}

int FileGaugeAdvance(int step, int i) {
    if (step < 1) return 1;
    return i % step == 0 ? step : 0;
}

bool IsDuplicatePair(const FileRow* upper, const FileRow* lower, bool compareDate,
                     bool compareSize) {
    if (!upper || !lower) return false;
    if (upper->caption != lower->caption) return false;
    if (compareDate && upper->dateAc != lower->dateAc) return false;
    if (compareSize && upper->kb != lower->kb) return false;
    return true;
}

std::vector<std::pair<int, int>> DuplicatePairs(const std::vector<FileRow>& rows, bool compareSize,
                                                bool compareDate) {
    std::vector<std::pair<int, int>> pairs;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)
        if (IsDuplicatePair(&rows[i], &rows[i + 1], compareDate, compareSize))
            pairs.emplace_back(int(i), int(i) + 1);
    return pairs;
}

int FindFileRowIndex(const std::vector<FileRow>& rows, const QString& text, int start) {
    const int n = int(rows.size());
    if (n == 0 || text.isEmpty()) return -1;
    int i = start <= 0 ? 0 : start + 1;
    if (i >= n) i = 0;
    const QString upper = AsciiUpper(text);
    for (int k = 0; k < n; ++k, i = (i + 1) % n) {
        // Cheap case-insensitive test first; the exact ASCII-only rule decides.
        const QString& p = rows[std::size_t(i)].RowPath();
        if (!p.contains(text, Qt::CaseInsensitive)) continue;
        if (AsciiUpper(p).contains(upper)) return i;
    }
    return -1;
}

void SwapCheckedAndSelected(std::vector<char>& checked, std::vector<char>& selected) {
    for (std::size_t i = 0; i < checked.size() && i < selected.size(); ++i) {
        if (checked[i]) {
            checked[i] = 0;
            selected[i] = 1;
        } else if (selected[i]) {
            selected[i] = 0;
            checked[i] = 1;
        } else {
            selected[i] = 1;
        }
    }
}
