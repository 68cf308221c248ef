#pragma once
// The column sort shared by the window's lists: one sort state for all of them,
// numbers compared as numbers, everything else as locale-aware text.
#include "core/engine/SizeText.h"
#include <QCollator>
#include <QString>
#include <QStringList>
#include <QtCore/qnamespace.h>
#include <vector>

class QLocale;
class QTreeWidget;

// How two texts compare: by the collation of the locale, case-sensitively.
// The C and POSIX locales collate by code, which puts "Zeta" before "alpha";
// there names compare case-insensitively by Unicode, then exactly.
class TextOrder {
public:
    explicit TextOrder(const QLocale& collation);
    // The locale of LC_COLLATE (LC_ALL, LANG), read once.
    static const TextOrder& current();

    int Compare(const QString& a, const QString& b) const;
    bool UsesCollation() const { return collated_; }
    const QCollator& Collator() const { return collator_; }

private:
    QCollator collator_;
    bool collated_;
};

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

// Negative, zero or positive. Two numeric texts that parse as numbers in the
// locale's decimal form compare as numbers; anything else (also "1.2.3", or
// "2.0" under a decimal comma) compares as text. Never throws.
int CompareCells(const QString& a, const QString& b,
                 const FormatLocale& loc = FormatLocale::current(),
                 const TextOrder& order = TextOrder::current());

// The stable order in which keys sort (indices into keys). Rows of one text
// stay together, even where numbers and texts mixed in one column make the
// comparison intransitive, so the duplicate finder's neighbours are found.
// Rare: the keys seldom repeat (full paths), so looking for repeats would
// only cost time; the order is the same either way.
enum class KeyRepeats { Common, Rare };
std::vector<int> SortedOrder(const QStringList& keys, bool ascending,
                             const FormatLocale& loc = FormatLocale::current(),
                             const TextOrder& order = TextOrder::current(),
                             KeyRepeats repeats = KeyRepeats::Common);

// A cell may carry the text it sorts by in this role (a signed number made
// digits-only, say); cells without it sort by their own text.
constexpr int kSortKeyRole = Qt::UserRole + 40;

// Click on a column header of list: updates state, then sorts the rows by that
// column with repainting suspended. Returns false when the sort failed (the
// rows then keep their order); errors are not reported.
bool SortByColumn(QTreeWidget* list, int column, ListSortState& state);
