#include "gui/charts/ChartModel.h"
#include "platform/NativePath.h"

#include <algorithm>
#include <cmath>
#include <numeric>

const std::array<std::uint32_t, 16> ChartColors = {
    0x00FFFFFF, 0x00800000, 0x00FF0000, 0x00800080, 0x00000080, 0x000000FF, 0x00FF00FF, 0x00808080,
    0x00808000, 0x00008000, 0x0000FF00, 0x00008080, 0x0000FFFF, 0x00C0C0C0, 0x00C0C0C0, 0x00808080};

std::uint32_t ChartColorValue(int k) {
    std::uint32_t v = ChartColors[std::size_t(k % 16)];
    if (k > 16) v += std::uint32_t(1000) * std::uint32_t(k - 16);
    return v;
}

QColor ColorFromValue(std::uint32_t v) {
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

QString ChartLabelOf(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? p : p.mid(slash + 1);
}

std::vector<ChartPoint> BuildChartPoints(const QStringList& paths, const QStringList& mbTexts,
                                         const FormatLocale& loc) {
    std::vector<ChartPoint> points;
    points.reserve(std::size_t(paths.size()));
    for (qsizetype k = 0; k < paths.size(); ++k) {
        points.push_back(MakeChartPoint(paths[k], StrToSizeFloat(mbTexts.value(k), loc), int(k)));
    }
    return points;
}

ChartPoint MakeChartPoint(const QString& path, double value, int position) {
    ChartPoint p;
    p.value = value;
    p.path = path;
    p.label = DisplayPath(ChartLabelOf(path));
    p.color = ColorFromValue(ChartColorValue(position));
    return p;
}

QString ChartValueText(double mb, const FormatLocale& loc) {
    const bool negative = mb < 0;
    const long long thousandths = llround(std::abs(mb) * 1000.0);
    QString whole = QString::number(thousandths / 1000);
    // The C locale has no thousands separator.
    if (!loc.thousandSeparator.isNull())
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, loc.thousandSeparator);
    QString frac = QStringLiteral("%1").arg(thousandths % 1000, 3, 10, QLatin1Char('0'));
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    QString text = negative && thousandths != 0 ? QStringLiteral("-") + whole : whole;
    if (!frac.isEmpty()) text += loc.decimalSeparator + frac;
    return text + QStringLiteral(" MB");
}

QString ChartClickTarget(const QString& rowPath) {
    QString path = rowPath;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (path.mid(slash + 1).startsWith(QLatin1Char('<'))) return path.left(slash + 1);
    return path + QLatin1Char('/');
}

QString FolderOfRows(const QStringList& paths) {
    if (paths.isEmpty()) return {};
    const QString& first = paths.first();
    return first.left(first.lastIndexOf(QLatin1Char('/')) + 1);
}

std::vector<int> PickNonOverlapping(const std::vector<double>& centres, double extent,
                                    const std::vector<double>& values) {
    std::vector<int> order(centres.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return values[std::size_t(a)] > values[std::size_t(b)]; });
    std::vector<int> kept;
    for (int i : order) {
        const double c = centres[std::size_t(i)];
        const bool clash = std::any_of(kept.begin(), kept.end(), [&](int j) {
            return std::abs(centres[std::size_t(j)] - c) < extent;
        });
        if (!clash) kept.push_back(i);
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

std::vector<double> SpreadPositions(std::vector<double> pos, double gap, double lo, double hi) {
    if (pos.empty()) return pos;
    // Push down, then pull back up from the bottom edge.
    pos[0] = std::max(pos[0], lo);
    for (std::size_t i = 1; i < pos.size(); ++i)
        pos[i] = std::max(pos[i], pos[i - 1] + gap);
    if (pos.back() > hi) {
        pos.back() = hi;
        for (std::size_t i = pos.size() - 1; i > 0; --i)
            pos[i - 1] = std::min(pos[i - 1], pos[i] - gap);
    }
    return pos;
}
