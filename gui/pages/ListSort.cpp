#include "gui/pages/ListSort.h"
#include "platform/Errors.h"
#include <QCollator>
#include <QCollatorSortKey>
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

namespace {
const QCollator& TextCollator() {
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseSensitive);
        c.setNumericMode(false);
        return c;
    }();
    return collator;
}

int Sign(int r) {
    return (r > 0) - (r < 0);
}

struct SortKey {
    bool numeric = false;
    std::optional<double> value; // empty when a numeric text does not parse
    std::optional<QCollatorSortKey> text;
};

int CompareKeys(const SortKey& a, const SortKey& b) {
    if (a.numeric && b.numeric) {
        if (!a.value || !b.value) throw EConvertError(QStringLiteral("Not a valid number"));
        return (*a.value > *b.value) - (*a.value < *b.value);
    }
    return Sign(a.text->compare(*b.text));
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

int CompareCells(const QString& a, const QString& b, const FormatLocale& loc) {
    if (IsNumericText(a) && IsNumericText(b)) {
        const double x = StrToSizeFloat(a, loc);
        const double y = StrToSizeFloat(b, loc);
        return (x > y) - (x < y);
    }
    return Sign(TextCollator().compare(a, b));
}

std::vector<int> SortedOrder(const QStringList& keys, bool ascending, const FormatLocale& loc) {
    std::vector<SortKey> k(keys.size());
    int numeric = 0;
    bool unparsable = false;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const QString& t = keys[i];
        k[i].numeric = IsNumericText(t);
        if (k[i].numeric) {
            ++numeric;
            try {
                k[i].value = StrToSizeFloat(t, loc);
            } catch (const EMorvaneError&) {
                unparsable = true;
            }
        }
        k[i].text = TextCollator().sortKey(t);
    }
    // Two numeric cells are compared in any sort of them; one that does not
    // parse fails the whole sort up front.
    if (unparsable && numeric >= 2) throw EConvertError(QStringLiteral("Not a valid number"));
    std::vector<int> idx(keys.size()), tmp(keys.size());
    for (std::size_t i = 0; i < idx.size(); ++i)
        idx[i] = int(i);
    MergeSort(idx, tmp, 0, idx.size(), k, ascending ? 1 : -1);
    return idx;
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
