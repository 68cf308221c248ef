// Placeholder implementation; replaced by the exact arithmetic.
#include "engine/SizeText.h"
#include "platform/Errors.h"
#include <QDateTime>

const FormatLocale& FormatLocale::current() {
    static const FormatLocale loc = english();
    return loc;
}

FormatLocale FormatLocale::english() {
    FormatLocale l;
    l.shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    l.shortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return l;
}

SizeValue RoundHundredths(SizeValue value) { return value / 100 * 100; }

QString NumberText(long double value, const FormatLocale&) {
    return QString::number(double(value), 'g', 15);
}

QString SizeText(int unit, SizeValue value, const FormatLocale& loc) {
    static const SizeValue div[] = {1, 1024, 1048576, 1073741824};
    if (unit < 1 || unit > 3) return NumberText(value / 10000.0L, loc);
    return NumberText(RoundHundredths(value / div[unit]) / 10000.0L, loc);
}

QString TotalText(SizeValue value, const QString& unit, const FormatLocale&) {
    return QString::number(value / 10000.0, 'f', 2) + QLatin1Char(' ') + unit;
}

QString ElapsedText(const QDateTime& from, const QDateTime& to) {
    return QStringLiteral("  %1ms").arg(from.msecsTo(to));
}

QString DateText(std::time_t t, const FormatLocale& loc) {
    return DateText(QDateTime::fromSecsSinceEpoch(t), loc);
}

QString DateText(const QDateTime& t, const FormatLocale&) {
    return t.toString(QStringLiteral("dd.MMM.yy"));
}

SizeValue StrToSizeValue(const QString& text, const FormatLocale& loc) {
    return SizeValue(StrToSizeFloat(text, loc) * 10000.0);
}

double StrToSizeFloat(const QString& text, const FormatLocale&) {
    bool ok = false;
    double d = text.toDouble(&ok);
    if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return d;
}
