#include "core/engine/FileListRows.h"
#include "core/engine/FileFilter.h"
#include "core/engine/SizeText.h"
#include "platform/FileInfo.h"
#include <QDate>
#include <algorithm>
#include <thread>

FileRowTable::FileRowTable(bool detail) : detail_(detail) {
    texts_.emplace_back();
    textIndex_.insert(QString(), 0);
}

void FileRowTable::Squeeze() {
    rows_.shrink_to_fit();
    names_.squeeze();
}

std::uint32_t FileRowTable::FolderIndex(const QString& folder) {
    // Rows come folder by folder: most rows have the last row's folder.
    if (!folders_.empty() && folders_[lastFolder_] == folder) return lastFolder_;
    auto it = folderIndex_.constFind(folder);
    if (it == folderIndex_.constEnd()) {
        it = folderIndex_.insert(folder, std::uint32_t(folders_.size()));
        folders_.push_back(folder);
    }
    lastFolder_ = *it;
    return lastFolder_;
}

std::uint32_t FileRowTable::TextIndex(const QString& text) {
    auto it = textIndex_.constFind(text);
    if (it != textIndex_.constEnd()) return *it;
    const auto index = std::uint32_t(texts_.size());
    texts_.push_back(text);
    textIndex_.insert(text, index);
    return index;
}

void FileRowTable::Append(const QString& path, const QString& kb, const QString& dateCr,
                          const QString& dateAc) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/')) + 1;
    Append(path.left(slash), QStringView(path).mid(slash), kb, dateCr, dateAc);
}

void FileRowTable::Append(const QString& folder, QStringView name, const QString& kb,
                          const QString& dateCr, const QString& dateAc) {
    Row r{};
    r.nameOffset = std::uint64_t(names_.size());
    r.nameLength = std::uint32_t(name.size());
    r.folder = FolderIndex(folder);
    if (detail_) {
        r.kb = TextIndex(kb);
        r.dateCr = TextIndex(dateCr);
        r.dateAc = TextIndex(dateAc);
    }
    r.dup = -1;
    names_.append(name);
    rows_.push_back(r);
}

QStringView FileRowTable::Name(int row) const {
    const Row& r = rows_[std::size_t(row)];
    return QStringView(names_).mid(qsizetype(r.nameOffset), r.nameLength);
}

QString FileRowTable::Path(int row) const {
    QString p;
    PathInto(row, p);
    return p;
}

void FileRowTable::PathInto(int row, QString& out) const {
    const Row& r = rows_[std::size_t(row)];
    const QString& folder = FolderOf(r);
    out.resize(folder.size() + r.nameLength);
    QChar* d = out.data();
    std::copy(folder.constBegin(), folder.constEnd(), d);
    const QChar* name = names_.constData() + r.nameOffset;
    std::copy(name, name + r.nameLength, d + folder.size());
}

QString FileRowTable::Cell(int row, int column) const {
    if (!detail_) return column == 0 ? Path(row) : QString();
    const Row& r = rows_[std::size_t(row)];
    switch (column) {
    case 0:
        return Name(row).toString();
    case 1:
        return texts_[r.dateCr];
    case 2:
        return texts_[r.dateAc];
    case 3:
        return Path(row);
    case 4:
        return texts_[r.kb];
    case 5:
        // The extension lies in the name: its dot comes after the last '/'.
        return ExtCellText(Name(row).toString());
    case 6:
        return r.dup < 0 ? QStringLiteral("x") : QString::number(r.dup);
    default:
        return {};
    }
}

void FileRowTable::ReadAccessDates() {
    if (!detail_ || rows_.empty()) return;
    // The look-ups are system calls that mostly wait for the file system: a
    // thread per core (more on a cold disk would help less than it costs warm).
    const std::size_t n = rows_.size();
    const std::size_t threads =
        n < 20000 ? 1 : std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 8);
    // A row a thread could not read shows the date of a file that is gone.
    std::vector<qint64> days(n, QDate(1899, 12, 29).toJulianDay());
    auto read = [&](std::size_t from, std::size_t to) {
        try {
            AccessDateReader reader;
            QString name;
            for (std::size_t i = from; i < to; ++i) {
                name = Name(int(i)).toString();
                days[i] = reader.Of(FolderOf(rows_[i]), name).toJulianDay();
            }
        } catch (...) {
        }
    };
    {
        std::vector<std::jthread> workers;
        for (std::size_t t = 1; t < threads; ++t)
            workers.emplace_back(read, n * t / threads, n * (t + 1) / threads);
        read(0, n / threads);
    }
    // Few distinct days among many files: each day's text is made once.
    QHash<qint64, std::uint32_t> dayTexts;
    for (std::size_t i = 0; i < n; ++i) {
        auto it = dayTexts.constFind(days[i]);
        if (it == dayTexts.constEnd()) {
            const QDate d = QDate::fromJulianDay(days[i]);
            it = dayTexts.insert(days[i], TextIndex(DateText(d.year(), d.month(), d.day())));
        }
        rows_[i].dateAc = *it;
    }
}

QStringList FileRowTable::ColumnTexts(int column) const {
    QStringList texts;
    texts.reserve(Count());
    const bool shared = detail_ && (column == 1 || column == 2 || column == 4);
    if (shared) {
        for (const Row& r : rows_)
            texts << texts_[column == 1 ? r.dateCr : column == 2 ? r.dateAc : r.kb];
        return texts;
    }
    if (detail_ && column == 6) {
        // Pair numbers are few and repeat: make each text once.
        const QString x = QStringLiteral("x");
        QHash<int, QString> numbers;
        for (const Row& r : rows_) {
            if (r.dup < 0) {
                texts << x;
                continue;
            }
            auto it = numbers.constFind(r.dup);
            if (it == numbers.constEnd()) it = numbers.insert(r.dup, QString::number(r.dup));
            texts << *it;
        }
        return texts;
    }
    for (int i = 0; i < Count(); ++i)
        texts << Cell(i, column);
    return texts;
}

void FileRowTable::Reorder(const std::vector<int>& order) {
    if (order.size() != rows_.size()) return;
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (int i : order)
        sorted.push_back(rows_[std::size_t(i)]);
    rows_ = std::move(sorted);
}

int FileRowTable::Remove(const std::vector<char>& remove) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (i >= remove.size() || !remove[i]) rows_[kept++] = rows_[i];
    const int removed = int(rows_.size() - kept);
    rows_.resize(kept);
    return removed;
}

void FileRowTable::RemoveRange(int first, int last) {
    rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
}

int NextFileGaugeStep(int oldStep, int max) {
    return qint64(oldStep) * 10 < max ? max / 20 : 0;
}

int FileGaugeAdvance(int step, int i) {
    if (step < 1) return 1;
    return i % step == 0 ? step : 0;
}

bool IsDuplicatePair(const FileRowTable& rows, int upper, int lower, bool compareDate,
                     bool compareSize) {
    const int n = rows.Count();
    if (upper < 0 || lower < 0 || upper >= n || lower >= n) return false;
    if (rows.Name(upper) != rows.Name(lower)) return false;
    if (compareDate && !rows.SameAccessText(upper, lower)) return false;
    if (compareSize && !rows.SameSizeText(upper, lower)) return false;
    return true;
}

std::vector<std::pair<int, int>> DuplicatePairs(const FileRowTable& rows, bool compareSize,
                                                bool compareDate) {
    std::vector<std::pair<int, int>> pairs;
    for (int i = 0; i + 1 < rows.Count(); ++i)
        if (IsDuplicatePair(rows, i, i + 1, compareDate, compareSize)) pairs.emplace_back(i, i + 1);
    return pairs;
}

int FindFileRowIndex(const FileRowTable& rows, const QString& text, int start) {
    const int n = rows.Count();
    if (n == 0 || text.isEmpty()) return -1;
    int i = start <= 0 ? 0 : start + 1;
    if (i >= n) i = 0;
    const QString upper = AsciiUpper(text);
    QString p;
    for (int k = 0; k < n; ++k, i = (i + 1) % n) {
        rows.PathInto(i, p);
        // Cheap case-insensitive test first; the exact ASCII-only rule decides.
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
