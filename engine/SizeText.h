#pragma once
// Size arithmetic and the display texts of sizes, totals, dates and times.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <ctime>

class QDateTime;

// An amount times 10000: bytes enter as bytes * 10000 and are summed exactly.
using SizeValue = std::int64_t;

enum SizeUnit : int { suBytes = 0, suKB = 1, suMB = 2, suGB = 3 };

// The parts of the user's locale the texts depend on. current() is read once
// from the process's C locale; tests pass their own.
struct FormatLocale {
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandSeparator = QLatin1Char(',');
    QStringList shortMonthNames; // 12 entries, January first
    QStringList shortDayNames;   // 7 entries, Sunday first

    static const FormatLocale& current();
    static FormatLocale english();
};

QString SizeText(int unit, SizeValue value, const FormatLocale& loc = FormatLocale::current());
SizeValue RoundHundredths(SizeValue value);

// General number text: 15 significant digits, no thousands separator.
QString NumberText(long double value, const FormatLocale& loc = FormatLocale::current());

// "%n MB" style totals: thousands separators, exactly two decimals, blank, unit.
QString TotalText(SizeValue value, const QString& unit,
                  const FormatLocale& loc = FormatLocale::current());

// "  nn:ss:zzms"
QString ElapsedText(const QDateTime& from, const QDateTime& to);

// "dd.mmm.yy" of a local time.
QString DateText(std::time_t t, const FormatLocale& loc = FormatLocale::current());
QString DateText(const QDateTime& t, const FormatLocale& loc = FormatLocale::current());

// Parse a display text back; throw EConvertError when it does not parse.
SizeValue StrToSizeValue(const QString& text, const FormatLocale& loc = FormatLocale::current());
double StrToSizeFloat(const QString& text, const FormatLocale& loc = FormatLocale::current());
