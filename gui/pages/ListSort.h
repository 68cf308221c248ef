#pragma once
// The column sort shared by the window's lists: one sort state for all of them,
// numbers compared as numbers, everything else as locale-aware text.
#include "core/engine/SizeText.h"
#include <QString>
#include <QStringList>
#include <vector>

class QTreeWidget;

// One pair for the whole window: the last clicked column, in whichever list,
// and the direction of the last sort.
struct ListSortState {
    int SortColumn = -1;
    bool SortAscending = true;

    // A click on column: same column flips the direction, another starts ascending.
    void Click(int column);
};

// Only digits, commas and full stops; the empty text counts as numeric.
bool IsNumericText(const QString& text);

// Negative, zero or positive. Two numeric texts compare as numbers in the
// locale's decimal form (throws EConvertError when one does not parse);
// anything else compares as case-sensitive, locale-aware text.
int CompareCells(const QString& a, const QString& b,
                 const FormatLocale& loc = FormatLocale::current());

// The stable order in which keys sort (indices into keys). Throws EConvertError
// before anything is ordered when numeric texts that would be compared do not
// parse, so a failed sort never leaves rows half moved.
std::vector<int> SortedOrder(const QStringList& keys, bool ascending,
                             const FormatLocale& loc = FormatLocale::current());

// Click on a column header of list: updates state, then sorts the rows by that
// column with repainting suspended. Returns false when the sort failed (the
// rows then keep their order); errors are not reported.
bool SortByColumn(QTreeWidget* list, int column, ListSortState& state);
