#include "gui/pages/ListSort.h"
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
                             const TextOrder& order) {
    // One key per distinct text; its rows follow it in their old order.
    QHash<QString, int> groupOf;
    std::vector<std::vector<int>> groups;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        auto it = groupOf.constFind(keys[i]);
        if (it == groupOf.constEnd()) {
            it = groupOf.insert(keys[i], int(groups.size()));
            groups.emplace_back();
        }
        groups[std::size_t(*it)].push_back(int(i));
    }
    std::vector<SortKey> k(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const QString& t = keys[groups[g].front()];
        k[g].text = &t;
        k[g].value = NumberOf(t, loc);
        if (order.UsesCollation())
            k[g].collated = order.Collator().sortKey(t);
        else
            k[g].folded = t.toCaseFolded();
    }
    std::vector<int> idx(groups.size()), tmp(groups.size());
    for (std::size_t i = 0; i < idx.size(); ++i)
        idx[i] = int(i);
    MergeSort(idx, tmp, 0, idx.size(), k, ascending ? 1 : -1);
    std::vector<int> rows;
    rows.reserve(std::size_t(keys.size()));
    for (int g : idx)
        rows.insert(rows.end(), groups[std::size_t(g)].begin(), groups[std::size_t(g)].end());
    return rows;
}

bool SortByColumn(QTreeWidget* list, int column, ListSortState& state) {
    state.Click(column);
    if (!list) return false;
    try {
        const int n = list->topLevelItemCount();
        QStringList keys;
        keys.reserve(n);
        for (int i = 0; i < n; ++i)
            keys << list->topLevelItem(i)->text(state.SortColumn);
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
