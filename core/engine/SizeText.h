#pragma once
// Size arithmetic and the display texts of sizes, totals, dates and times.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <ctime>

class QDate;
class QDateTime;

// An amount times 10000: bytes enter as bytes * 10000 and are summed exactly.
// 64 bits hold byte counts up to about 838 TiB this way.
using SizeValue = std::int64_t;
// The same, wide enough for any byte count times 10000 and for sums of them:
// what a size text is made from.
using WideSizeValue = __int128;

constexpr WideSizeValue BytesToSizeValue(std::int64_t bytes) {
    return WideSizeValue(bytes) * 10000;
}

enum SizeUnit : int { suBytes = 0, suKB = 1, suMB = 2, suGB = 3 };

// The parts of the user's locale the texts depend on. current() is read once
// from the process's C locale (LC_ALL, LC_NUMERIC / LC_TIME, LANG); tests pass
// their own. A null thousandSeparator means the locale groups no digits.
struct FormatLocale {
    QChar decimalSeparator = QLatin1Char('.');
    QChar thousandSeparator = QLatin1Char(',');
    QStringList shortMonthNames; // 12 entries, January first
    QStringList shortDayNames;   // 7 entries, Sunday first

    static const FormatLocale& current();
    // The C library's locale as it is set now (no setlocale call).
    static FormatLocale fromCLocale();
    static FormatLocale english();
};

// The display text of a size in a unit, rounded to hundredths (suBytes: not
// rounded). Any unit other than 1..3 behaves like suBytes.
QString SizeText(int unit, WideSizeValue value, const FormatLocale& loc = FormatLocale::current());
// The value rounded to hundredths, decided by its 80-bit binary value.
SizeValue RoundHundredths(SizeValue value);

// General number text: 15 significant digits, no thousands separator, no
// trailing zeros, scientific only at 1e15 and above or below 1e-5.
QString NumberText(long double value, const FormatLocale& loc = FormatLocale::current());
// The same for value / 10000, decided on the exact decimal digits.
QString SizeValueText(SizeValue value, const FormatLocale& loc = FormatLocale::current());

// "%n MB" style totals: thousands separators, exactly two decimals, blank, unit.
QString TotalText(WideSizeValue value, const QString& unit,
                  const FormatLocale& loc = FormatLocale::current());

// "  nn:ss:zzms": minutes (hours wrap away), seconds, milliseconds.
QString ElapsedText(const QDateTime& from, const QDateTime& to);
QString ElapsedText(std::int64_t milliseconds);

// "dd.mmm.yy" of a local time. A time the C library cannot break down gives
// an empty text. With the current locale, the last day's text is reused (the
// time zone is taken as fixed for the life of the process). An invalid
// QDateTime gives the text of date -1, 29 Dec 1899.
QString DateText(std::time_t t, const FormatLocale& loc = FormatLocale::current());
QString DateText(const QDateTime& t, const FormatLocale& loc = FormatLocale::current());
QString DateText(int year, int month, int day, const FormatLocale& loc = FormatLocale::current());

// "ddd, dd mmm yy" (short day name, comma, day, short month name, year).
QString HeaderDateText(const QDate& d, const FormatLocale& loc = FormatLocale::current());

// Parse a display text back; throw EConvertError when it does not parse.
// Accepted: optional '-', digits, optionally the locale's decimal separator and
// digits, optionally "E" and an exponent (SizeText's form for 10^15 units and
// more); blanks around it are ignored. StrToSizeValue keeps four places.
SizeValue StrToSizeValue(const QString& text, const FormatLocale& loc = FormatLocale::current());
// The same for sums that may pass 64 bits (texts below 10^22).
WideSizeValue StrToWideSizeValue(const QString& text,
                                 const FormatLocale& loc = FormatLocale::current());
double StrToSizeFloat(const QString& text, const FormatLocale& loc = FormatLocale::current());
