#pragma once
// What the charts show, as plain data and functions: the colour rule, the
// points of a run, the mark texts, the folder a click resolves to, the
// rotation step. No widget needed.
#include "core/engine/SizeText.h"
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

// The 16 base colours, 0x00BBGGRR.
extern const std::array<std::uint32_t, 16> ChartColors;

// Colour value of the point at position k: the table repeats up to 16, later
// positions drift by 1000 per step (carrying between the colour bytes).
std::uint32_t ChartColorValue(int k);
QColor ColorFromValue(std::uint32_t bbggrr);

struct ChartPoint {
    double value = 0;
    QString label; // shown: a name that is not UTF-8 has replacement characters
    QColor color;
    QString path; // the row's full path, by its bytes: what a click acts on
    bool negative = false; // value is the amount of a loss (the bars of a comparison)
};

// A point for a FolderRow path.
ChartPoint MakeChartPoint(const QString& path, double value, int position);

// Last component of a FolderRow path (a subfolder's name or a "<...>" row).
QString ChartLabelOf(const QString& path);

// One point per row, in order. A MB text that does not parse throws
// EConvertError at that row.
std::vector<ChartPoint> BuildChartPoints(const QStringList& paths, const QStringList& mbTexts,
                                         const FormatLocale& loc = FormatLocale::current());

// Value format "#,##0.### MB".
QString ChartValueText(double mb, const FormatLocale& loc = FormatLocale::current());

// The folder a click on a point with this row path resolves to: the folder
// holding the "<...>" rows, else the row's own folder, always with a trailing
// delimiter.
QString ChartClickTarget(const QString& rowPath);

// The folder the rows of a fill belong to (the first row's folder, with a
// trailing delimiter); empty without rows.
QString FolderOfRows(const QStringList& paths);

// The pie's rotation after one timer tick.
inline int NextRotation(int angle, bool rotating) {
    return (angle + (rotating ? 1 : 0)) % 360;
}

// Which marks to show so that none overlap: given each mark's wanted centre
// (along one axis), its extent and the point's value, keeps the biggest ones
// whose extents do not meet. Returns the kept indexes.
std::vector<int> PickNonOverlapping(const std::vector<double>& centres, double extent,
                                    const std::vector<double>& values);

// Spreads wanted positions (sorted by the caller) so that neighbours are at
// least gap apart and all stay within [lo, hi] where there is room.
std::vector<double> SpreadPositions(std::vector<double> wanted, double gap, double lo, double hi);
