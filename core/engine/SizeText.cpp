#include "core/engine/SizeText.h"
#include "platform/Errors.h"
#include <QDate>
#include <QDateTime>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <limits>
#include <type_traits>

// The rounding of sizes is defined on 80-bit extended values (64-bit
// significand); a narrower long double would change which halves go up.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the 80-bit extended type (64-bit significand)");

namespace {

// The character set of the locale chosen for one category: LC_TIME may name
// a UTF-8 locale while LC_CTYPE stays plain ASCII.
QByteArray CodesetOf(int category) {
    const char* name = std::setlocale(category, nullptr);
    if (name) {
        if (locale_t l = newlocale(LC_CTYPE_MASK, name, locale_t(nullptr))) {
            const QByteArray cs = nl_langinfo_l(CODESET, l);
            freelocale(l);
            return cs;
        }
    }
    return nl_langinfo(CODESET);
}

// A text of the C library in the given character set, as a QString.
QString FromLocaleText(const char* text, const QByteArray& codeset) {
    if (!text) return {};
    if (codeset.isEmpty() || codeset == "UTF-8" || codeset == "utf8")
        return QString::fromUtf8(text);
    if (codeset == "ANSI_X3.4-1968" || codeset == "ISO-8859-1") return QString::fromLatin1(text);
    iconv_t cd = iconv_open("UTF-8", codeset.constData());
    if (cd == reinterpret_cast<iconv_t>(-1)) return QString::fromLatin1(text);
    QByteArray in(text);
    QByteArray out(in.size() * 4 + 4, '\0');
    char* inp = in.data();
    char* outp = out.data();
    size_t inLeft = size_t(in.size());
    size_t outLeft = size_t(out.size());
    const size_t rc = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (rc == size_t(-1)) return QString::fromLatin1(text);
    out.truncate(out.size() - qsizetype(outLeft));
    return QString::fromUtf8(out);
}

QChar FirstChar(const QString& s) {
    return s.isEmpty() ? QChar() : s.at(0);
}

} // namespace

FormatLocale FormatLocale::fromCLocale() {
    FormatLocale l = FormatLocale::english();
    const QByteArray numeric = CodesetOf(LC_NUMERIC);
    if (const lconv* lc = std::localeconv()) {
        const QChar dp = FirstChar(FromLocaleText(lc->decimal_point, numeric));
        if (!dp.isNull()) l.decimalSeparator = dp;
        l.thousandSeparator = FirstChar(FromLocaleText(lc->thousands_sep, numeric));
    }
    const QByteArray time = CodesetOf(LC_TIME);
    for (int i = 0; i < 12; ++i) {
        const QString m = FromLocaleText(nl_langinfo(nl_item(ABMON_1 + i)), time);
        if (!m.isEmpty()) l.shortMonthNames[i] = m;
    }
    for (int i = 0; i < 7; ++i) {
        const QString d = FromLocaleText(nl_langinfo(nl_item(ABDAY_1 + i)), time);
        if (!d.isEmpty()) l.shortDayNames[i] = d;
    }
    return l;
}

namespace {

// The unsigned type of a size of either width. Sizes that fit 64 bits take the
// 64-bit code, which runs for every file met; only larger ones pay for 128.
template <class S> struct Magnitude;
template <> struct Magnitude<std::int64_t> { using type = std::uint64_t; };
template <> struct Magnitude<WideSizeValue> { using type = unsigned __int128; };
template <class S> using MagnitudeOf = typename Magnitude<S>::type;

// Divide by a power of two, rounding the quotient to nearest, halves to even.
template <class S> S DivRoundEven(S value, std::uint64_t divisor) {
    using U = MagnitudeOf<S>;
    const bool neg = value < 0;
    const U m = neg ? 0 - U(value) : U(value);
    U q = m / divisor;
    const U r = m % divisor;
    if (2 * r > divisor || (2 * r == divisor && (q & 1))) ++q;
    return neg ? S(0 - q) : S(q);
}

void AppendTwoDigits(QString& s, unsigned v) {
    s += QLatin1Char(char('0' + v / 10 % 10));
    s += QLatin1Char(char('0' + v % 10));
}

[[noreturn]] void ThrowNotFloat(const QString& text) {
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

// The parts of a display text: sign, whole digits, fraction digits.
struct NumberParts {
    bool negative = false;
    QByteArray whole;
    QByteArray fraction;
    int exponent = 0; // of the "E15" form SizeText gives 10^15 units and more
};

NumberParts ParseDisplayText(const QString& text, const FormatLocale& loc) {
    NumberParts p;
    qsizetype i = 0, n = text.size();
    while (i < n && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    while (n > i && (text.at(n - 1) == u' ' || text.at(n - 1) == u'\t'))
        --n;
    if (i < n && text.at(i) == u'-') {
        p.negative = true;
        ++i;
    }
    while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9')
        p.whole += char(text.at(i++).unicode());
    if (p.whole.isEmpty()) ThrowNotFloat(text);
    if (i < n && text.at(i) == loc.decimalSeparator) {
        ++i;
        while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9')
            p.fraction += char(text.at(i++).unicode());
        if (p.fraction.isEmpty()) ThrowNotFloat(text);
    }
    if (i < n && text.at(i) == u'E') {
        ++i;
        const bool negative = i < n && text.at(i) == u'-';
        if (negative) ++i;
        const qsizetype from = i;
        while (i < n && i - from < 3 && text.at(i) >= u'0' && text.at(i) <= u'9')
            p.exponent = p.exponent * 10 + (text.at(i++).unicode() - u'0');
        if (i == from) ThrowNotFloat(text);
        if (negative) p.exponent = -p.exponent;
    }
    if (i != n) ThrowNotFloat(text);
    return p;
}

// The amount times 10000 with four places kept, further digits rounded half
// away from zero. From 10^22 units on (far past any byte count) the text is no
// size, so sums of a billion rows, times 1024, stay within 128 bits.
unsigned __int128 ScaledMagnitude(const NumberParts& p, const QString& text) {
    qsizetype lead = 0;
    while (lead + 1 < p.whole.size() && p.whole[lead] == '0')
        ++lead;
    const QByteArray digits = p.whole.mid(lead) + p.fraction;
    const qsizetype keep = p.whole.size() - lead + p.exponent + 4;
    if (keep > 26) ThrowNotFloat(text);
    unsigned __int128 v = 0;
    for (qsizetype i = 0; i < keep; ++i)
        v = v * 10 + unsigned(i < digits.size() ? digits[i] - '0' : 0);
    if (keep >= 0 && keep < digits.size() && digits[keep] >= '5') ++v;
    return v;
}

} // namespace

const FormatLocale& FormatLocale::current() {
    static const FormatLocale loc = [] {
        std::setlocale(LC_ALL, "");
        return fromCLocale();
    }();
    return loc;
}

FormatLocale FormatLocale::english() {
    FormatLocale l;
    l.shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    l.shortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return l;
}

namespace {

template <class S> S RoundHundredthsOf(S value) {
    const long double x = static_cast<long double>(value) / 10000.0L;
    const long double w = std::trunc(x);
    const long double f = x - w;
    // rint rounds halves to even in the default rounding mode, which the
    // program never changes (nearbyint would save and restore the FPU state).
    const long double r = std::rint(f * 100.0L);
    const long double res = std::rint((w + r / 100.0L) * 10000.0L);
    // Only the extreme ends of the 64-bit range can round past what it holds.
    if constexpr (std::is_same_v<S, std::int64_t>) {
        if (res >= 9223372036854775807.0L) return std::numeric_limits<S>::max();
        if (res <= -9223372036854775807.0L) return std::numeric_limits<S>::min();
    }
    return static_cast<S>(res);
}

} // namespace

SizeValue RoundHundredths(SizeValue value) {
    return RoundHundredthsOf(value);
}

QString NumberText(long double value, const FormatLocale& loc) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0) return QStringLiteral("0");
    // 15 significant digits, scientific, in the C form "d.ddddddddddddddde-XX".
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::scientific, 14);
    *res.ptr = '\0';
    const char* p = buf;
    QString out;
    if (*p == '-') {
        out += QLatin1Char('-');
        ++p;
    }
    QByteArray digits;
    while (p < res.ptr && *p != 'e') {
        if (*p >= '0' && *p <= '9') digits += *p;
        ++p;
    }
    const int exp = (p < res.ptr) ? std::atoi(p + 1) : 0;
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    if (exp >= 15 || exp < -5) {
        out += QLatin1Char(digits.at(0));
        if (digits.size() > 1) {
            out += loc.decimalSeparator;
            out += QLatin1String(digits.mid(1));
        }
        out += QLatin1Char('E');
        out += QString::number(exp);
        return out;
    }
    if (exp >= 0) {
        const QByteArray whole = digits.left(exp + 1).leftJustified(exp + 1, '0');
        out += QLatin1String(whole);
        if (digits.size() > exp + 1) {
            out += loc.decimalSeparator;
            out += QLatin1String(digits.mid(exp + 1));
        }
    } else {
        out += QLatin1Char('0');
        out += loc.decimalSeparator;
        out += QString(-exp - 1, QLatin1Char('0'));
        out += QLatin1String(digits);
    }
    return out;
}

namespace {

template <class S> QString SizeValueTextOf(S value, const FormatLocale& loc) {
    using U = MagnitudeOf<S>;
    const bool neg = value < 0;
    U m = neg ? 0 - U(value) : U(value);
    // Keep 15 significant digits, half away from zero.
    int sig = 0;
    for (U t = m; t; t /= 10)
        ++sig;
    if (sig > 15) {
        U scale = 1;
        for (int i = 0; i < sig - 15; ++i)
            scale *= 10;
        m = (m / scale + (m % scale >= scale / 2 ? 1 : 0)) * scale;
    }
    const U whole = m / 10000;
    if (whole >= 1000000000000000ULL)
        return NumberText((neg ? -1.0L : 1.0L) * static_cast<long double>(m) / 10000.0L, loc);
    // Built backwards in a small buffer: this runs twice for every file met.
    char16_t buf[32];
    char16_t* const end = buf + 32;
    char16_t* p = end;
    unsigned frac = unsigned(m % 10000);
    if (frac != 0) {
        int places = 4;
        while (frac % 10 == 0) {
            frac /= 10;
            --places;
        }
        for (int i = 0; i < places; ++i, frac /= 10)
            *--p = char16_t(u'0' + frac % 10);
        *--p = loc.decimalSeparator.unicode();
    }
    std::uint64_t w = std::uint64_t(whole);
    do {
        *--p = char16_t(u'0' + w % 10);
        w /= 10;
    } while (w);
    if (neg && m != 0) *--p = u'-';
    return QString(reinterpret_cast<const QChar*>(p), end - p);
}

template <class S> QString SizeTextOf(int unit, S value, const FormatLocale& loc) {
    static constexpr std::uint64_t divisors[] = {1, 1024, 1048576, 1073741824};
    if (unit < suKB || unit > suGB) return SizeValueTextOf(value, loc);
    return SizeValueTextOf(RoundHundredthsOf(DivRoundEven(value, divisors[unit])), loc);
}

} // namespace

QString SizeValueText(SizeValue value, const FormatLocale& loc) {
    return SizeValueTextOf(value, loc);
}

QString SizeText(int unit, WideSizeValue value, const FormatLocale& loc) {
    if (value >= std::numeric_limits<SizeValue>::min() &&
        value <= std::numeric_limits<SizeValue>::max())
        return SizeTextOf(unit, SizeValue(value), loc);
    return SizeTextOf(unit, value, loc);
}

QString TotalText(WideSizeValue value, const QString& unit, const FormatLocale& loc) {
    // Sums of many rows may pass 64 bits.
    const bool neg = value < 0;
    const unsigned __int128 m = neg ? 0 - (unsigned __int128)value : (unsigned __int128)value;
    const unsigned __int128 cents = (m + 50) / 100;
    QString whole;
    for (unsigned __int128 w = cents / 100; whole.isEmpty() || w; w /= 10)
        whole.prepend(QLatin1Char(char('0' + int(w % 10))));
    QString out;
    if (neg && cents != 0) out += QLatin1Char('-');
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0 && !loc.thousandSeparator.isNull())
            out += loc.thousandSeparator;
        out += whole.at(i);
    }
    out += loc.decimalSeparator;
    AppendTwoDigits(out, unsigned(cents % 100));
    out += QLatin1Char(' ');
    out += unit;
    return out;
}

QString ElapsedText(std::int64_t milliseconds) {
    const std::uint64_t ms =
        milliseconds < 0 ? 0 - std::uint64_t(milliseconds) : std::uint64_t(milliseconds);
    QString out = QStringLiteral("  ");
    AppendTwoDigits(out, unsigned(ms / 60000 % 60));
    out += QLatin1Char(':');
    AppendTwoDigits(out, unsigned(ms / 1000 % 60));
    out += QLatin1Char(':');
    const unsigned z = unsigned(ms % 1000);
    if (z >= 100) out += QLatin1Char(char('0' + z / 100));
    AppendTwoDigits(out, z % 100);
    out += QStringLiteral("ms");
    return out;
}

QString ElapsedText(const QDateTime& from, const QDateTime& to) {
    return ElapsedText(from.msecsTo(to));
}

QString DateText(int year, int month, int day, const FormatLocale& loc) {
    const QString name = loc.shortMonthNames.value(month - 1);
    QString out(6 + name.size(), Qt::Uninitialized);
    QChar* p = out.data();
    const unsigned d = unsigned(day) % 100, y = unsigned(std::abs(year % 100));
    *p++ = QChar(u'0' + d / 10);
    *p++ = QChar(u'0' + d % 10);
    *p++ = QChar(u'.');
    for (QChar c : name)
        *p++ = c;
    *p++ = QChar(u'.');
    *p++ = QChar(u'0' + y / 10);
    *p++ = QChar(u'0' + y % 10);
    return out;
}

QString DateText(std::time_t t, const FormatLocale& loc) {
    // Files met together mostly share a day: keep the last day's text. The
    // range is kept two hours inside the day, so a shift of daylight saving
    // time on that day cannot put a time on the wrong side of midnight.
    struct DayCache {
        std::time_t from = 1, to = 0;
        QString text;
    };
    thread_local DayCache cache;
    const bool cacheable = &loc == &FormatLocale::current();
    if (cacheable && t >= cache.from && t < cache.to) return cache.text;
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    QString text = DateText(int(tm.tm_year) + 1900, tm.tm_mon + 1, tm.tm_mday, loc);
    if (cacheable) {
        const std::time_t sinceMidnight = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
        cache.from = t - sinceMidnight + 7200;
        cache.to = t - sinceMidnight + 86400 - 7200;
        cache.text = text;
    }
    return text;
}

QString DateText(const QDateTime& t, const FormatLocale& loc) {
    if (!t.isValid()) return DateText(1899, 12, 29, loc);
    const QDate d = t.toLocalTime().date();
    return DateText(d.year(), d.month(), d.day(), loc);
}

QString HeaderDateText(const QDate& d, const FormatLocale& loc) {
    QString out = loc.shortDayNames.value(d.dayOfWeek() % 7);
    out += QStringLiteral(", ");
    AppendTwoDigits(out, unsigned(d.day()));
    out += QLatin1Char(' ');
    out += loc.shortMonthNames.value(d.month() - 1);
    out += QLatin1Char(' ');
    AppendTwoDigits(out, unsigned(std::abs(d.year() % 100)));
    return out;
}

SizeValue StrToSizeValue(const QString& text, const FormatLocale& loc) {
    const NumberParts p = ParseDisplayText(text, loc);
    const unsigned __int128 v = ScaledMagnitude(p, text);
    const unsigned __int128 limit =
        (unsigned __int128)std::numeric_limits<SizeValue>::max() + (p.negative ? 1 : 0);
    if (v > limit) ThrowNotFloat(text);
    return p.negative ? SizeValue(0 - std::uint64_t(v)) : SizeValue(std::uint64_t(v));
}

WideSizeValue StrToWideSizeValue(const QString& text, const FormatLocale& loc) {
    const NumberParts p = ParseDisplayText(text, loc);
    const auto v = WideSizeValue(ScaledMagnitude(p, text));
    return p.negative ? -v : v;
}

double StrToSizeFloat(const QString& text, const FormatLocale& loc) {
    const NumberParts p = ParseDisplayText(text, loc);
    QByteArray c = p.negative ? QByteArray("-") : QByteArray();
    c += p.whole;
    if (!p.fraction.isEmpty()) c += '.' + p.fraction;
    if (p.exponent != 0) c += 'E' + QByteArray::number(p.exponent);
    double d = 0;
    const auto res = std::from_chars(c.constData(), c.constData() + c.size(), d);
    if (res.ec != std::errc() || res.ptr != c.constData() + c.size()) ThrowNotFloat(text);
    return d;
}
