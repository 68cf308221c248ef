#include "gui/common/ListSort.h"
#include "platform/Errors.h"
#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>
#include <QTreeWidget>
#include <optional>

void ListSortState::Click(int column) {
    SortAscending = column == SortColumn ? !SortAscending : true;
    SortColumn = column;
}

bool IsNumericText(const QString& text) {
    for (const QChar c : text)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    return true;
}

TextOrder::TextOrder(const QLocale& collation)
    : collator_(collation), collated_(collation.language() != QLocale::C) {
    collator_.setCaseSensitivity(Qt::CaseSensitive);
    collator_.setNumericMode(false);
}

const TextOrder& TextOrder::current() {
    static const TextOrder order(QLocale().collation());
    return order;
}

namespace {
int Sign(int r) {
    return (r > 0) - (r < 0);
}

int CompareByCode(const QString& folded1, const QString& text1, const QString& folded2,
                  const QString& text2) {
    const int r = folded1.compare(folded2, Qt::CaseSensitive);
    return Sign(r != 0 ? r : text1.compare(text2, Qt::CaseSensitive));
}

std::optional<double> NumberOf(const QString& text, const FormatLocale& loc) {
    if (!IsNumericText(text)) return std::nullopt;
    try {
        return StrToSizeFloat(text, loc);
    } catch (const EMorvaneError&) {
        return std::nullopt; // "1.2.3", or "2.0" under a decimal comma: a name
    }
}

struct SortKey {
    std::optional<double> value; // only a numeric text that parses
    std::optional<QCollatorSortKey> collated;
    QString folded;
    const QString* text = nullptr;
};

int CompareKeys(const SortKey& a, const SortKey& b) {
    if (a.value && b.value) return (*a.value > *b.value) - (*a.value < *b.value);
    if (a.collated) return Sign(a.collated->compare(*b.collated));
    return CompareByCode(a.folded, *a.text, b.folded, *b.text);
}

// Plain merge sort: stable, and safe even when mixed numeric and text keys make
// the comparison intransitive.
void MergeSort(std::vector<int>& idx, std::vector<int>& tmp, std::size_t lo, std::size_t hi,
               const std::vector<SortKey>& keys, int dir) {
    if (hi - lo < 2) return;
    const std::size_t mid = lo + (hi - lo) / 2;
    MergeSort(idx, tmp, lo, mid, keys, dir);
    MergeSort(idx, tmp, mid, hi, keys, dir);
    std::size_t i = lo, j = mid, k = lo;
    while (i < mid && j < hi) {
        if (dir * CompareKeys(keys[idx[j]], keys[idx[i]]) < 0)
            tmp[k++] = idx[j++];
        else
            tmp[k++] = idx[i++];
    }
    while (i < mid)
        tmp[k++] = idx[i++];
    while (j < hi)
        tmp[k++] = idx[j++];
    std::copy(tmp.begin() + lo, tmp.begin() + hi, idx.begin() + lo);
}
} // namespace

int CompareCells(const QString& a, const QString& b, const FormatLocale& loc,
                 const TextOrder& order) {
    const std::optional<double> x = NumberOf(a, loc), y = NumberOf(b, loc);
    if (x && y) return (*x > *y) - (*x < *y);
    return order.Compare(a, b);
}

int TextOrder::Compare(const QString& a, const QString& b) const {
    if (collated_) return Sign(collator_.compare(a, b));
    return CompareByCode(a.toCaseFolded(), a, b.toCaseFolded(), b);
}

std::vector<int> SortedOrder(const QStringList& keys, bool ascending, const FormatLocale& loc,
                             const TextOrder& order, KeyRepeats repeats) {
    // Each distinct text is sorted once, and the rows follow their text's place
    // in their old order: a long list repeats its names, sizes and dates a lot.
    const std::size_t n = std::size_t(keys.size());
    std::vector<int> groupOf(n), first;
    bool grouped = false;
    if (repeats == KeyRepeats::Rare) {
        // Every row its own group, unless numbers mix with texts: then rows
        // of one text must stay together (below).
        bool numbers = false, texts = false;
        for (qsizetype i = 0; i < keys.size() && !(numbers && texts); ++i)
            (NumberOf(keys[i], loc) ? numbers : texts) = true;
        if (!(numbers && texts)) {
            first.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                groupOf[i] = first[i] = int(i);
            grouped = true;
        }
    }
    if (!grouped) {
        QHash<QString, int> groups;
        groups.reserve(qsizetype(n));
        for (std::size_t i = 0; i < n; ++i) {
            auto it = groups.constFind(keys[qsizetype(i)]);
            if (it == groups.constEnd()) {
                it = groups.insert(keys[qsizetype(i)], int(first.size()));
                first.push_back(int(i));
            }
            groupOf[i] = *it;
        }
    }
    const std::size_t g = first.size();
    std::vector<SortKey> k(g);
    bool numbers = false, texts = false;
    for (std::size_t j = 0; j < g; ++j) {
        const QString& t = keys[first[j]];
        k[j].text = &t;
        k[j].value = NumberOf(t, loc);
        (k[j].value ? numbers : texts) = true;
        if (order.UsesCollation())
            k[j].collated = order.Collator().sortKey(t);
        else
            k[j].folded = t.toCaseFolded();
    }
    std::vector<int> idx(g), tmp(g);
    for (std::size_t j = 0; j < g; ++j)
        idx[j] = int(j);
    const int dir = ascending ? 1 : -1;
    MergeSort(idx, tmp, 0, g, k, dir);
    // Texts that compare equal share a place, so their rows keep their old
    // order among each other, as a stable sort of the rows would leave them.
    // Numbers mixed with texts compare in circles ("2" < "10" < "1a" < "2"):
    // there each text keeps a place of its own, so rows of one text stay together.
    std::vector<int> rank(g);
    const bool mixed = numbers && texts;
    for (std::size_t p = 0; p < g; ++p)
        rank[std::size_t(idx[p])] =
            p > 0 && !mixed && CompareKeys(k[std::size_t(idx[p - 1])], k[std::size_t(idx[p])]) == 0
                ? rank[std::size_t(idx[p - 1])]
                : int(p);
    // Counting sort of the rows by their text's place.
    std::vector<int> start(g + 1, 0);
    for (std::size_t i = 0; i < n; ++i)
        ++start[std::size_t(rank[std::size_t(groupOf[i])]) + 1];
    for (std::size_t p = 0; p < g; ++p)
        start[p + 1] += start[p];
    std::vector<int> rows(n);
    for (std::size_t i = 0; i < n; ++i)
        rows[std::size_t(start[std::size_t(rank[std::size_t(groupOf[i])])]++)] = int(i);
    return rows;
}

bool SortByColumn(QTreeWidget* list, int column, ListSortState& state) {
    state.Click(column);
    if (!list) return false;
    try {
        const int n = list->topLevelItemCount();
        QStringList keys;
        keys.reserve(n);
        for (int i = 0; i < n; ++i) {
            const QTreeWidgetItem* row = list->topLevelItem(i);
            const QVariant key = row->data(state.SortColumn, kSortKeyRole);
            keys << (key.isValid() ? key.toString() : row->text(state.SortColumn));
        }
        const std::vector<int> order = SortedOrder(keys, state.SortAscending);
        QTreeWidgetItem* current = list->currentItem();
        list->setUpdatesEnabled(false);
        QList<QTreeWidgetItem*> rows = list->invisibleRootItem()->takeChildren();
        QList<QTreeWidgetItem*> sorted;
        sorted.reserve(rows.size());
        for (int i : order)
            sorted << rows[i];
        list->addTopLevelItems(sorted);
        if (current) list->setCurrentItem(current);
        list->setUpdatesEnabled(true);
        return true;
    } catch (const std::exception&) {
        list->setUpdatesEnabled(true);
        return false;
    }
}
