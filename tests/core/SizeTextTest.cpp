#include "core/engine/SizeText.h"
#include "platform/Errors.h"
#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

const FormatLocale& En() {
    static const FormatLocale l = FormatLocale::english();
    return l;
}

FormatLocale German() {
    FormatLocale l = FormatLocale::english();
    l.decimalSeparator = QLatin1Char(',');
    l.thousandSeparator = QLatin1Char('.');
    l.shortMonthNames[2] = QString::fromUtf8("Mär");
    l.shortMonthNames[4] = QStringLiteral("Mai");
    return l;
}

QString Kb(std::int64_t bytes, const FormatLocale& l = En()) {
    return SizeText(suKB, BytesToSizeValue(bytes), l);
}
QString Mb(std::int64_t bytes) {
    return SizeText(suMB, BytesToSizeValue(bytes), En());
}
QString Gb(std::int64_t bytes) {
    return SizeText(suGB, BytesToSizeValue(bytes), En());
}

} // namespace

TEST(SizeText, RoundsToHundredthsInEveryUnit) {
    for (int unit : {suBytes, suKB, suMB, suGB})
        EXPECT_EQ(SizeText(unit, 0, En()), "0");
    EXPECT_EQ(Kb(1536), "1.5");
    EXPECT_EQ(Mb(1536), "0");
    EXPECT_EQ(Kb(1000), "0.98");
    EXPECT_EQ(Kb(5000), "4.88");
    EXPECT_EQ(Mb(5000), "0");
    EXPECT_EQ(Mb(1048576), "1");
    EXPECT_EQ(Kb(1048576), "1024");
    EXPECT_EQ(Kb(1000000000), "976562.5");
    EXPECT_EQ(Mb(1000000000), "953.67");
    EXPECT_EQ(Gb(1000000000), "0.93");
    EXPECT_EQ(Kb(123456789), "120563.27");
    EXPECT_EQ(Mb(123456789), "117.74");
    EXPECT_EQ(Gb(123456789), "0.12");
    EXPECT_EQ(Kb(2147483647), "2097152");
    EXPECT_EQ(Mb(2147483647), "2048");
    EXPECT_EQ(Gb(2147483647), "2");
    // Terabyte-sized totals stay exact.
    EXPECT_EQ(Gb(5LL << 40), "5120");
    EXPECT_EQ(Mb((5LL << 40) + (1LL << 19)), "5242880.5");
}

TEST(SizeText, HalvesGoTheWayTheirBinaryValueLies) {
    // Exact binary halves go to the even hundredth.
    EXPECT_EQ(Kb(128), "0.12");
    EXPECT_EQ(Kb(384), "0.38");
    EXPECT_EQ(Kb(640), "0.62");
    // Decimal halves that are not exact in base 2.
    EXPECT_EQ(Kb(1111), "1.09");
    EXPECT_EQ(Kb(1449), "1.41");
    EXPECT_EQ(RoundHundredths(1250), 1200);
    EXPECT_EQ(RoundHundredths(1350), 1400);
    EXPECT_EQ(RoundHundredths(-1250), -1200);
    EXPECT_EQ(RoundHundredths(-10850), -10900);
    EXPECT_EQ(RoundHundredths(-1234567), -1234600);
    EXPECT_EQ(RoundHundredths(1234567), 1234600);
}

TEST(SizeText, NegativeAndOtherUnits) {
    EXPECT_EQ(SizeText(suKB, -10000, En()), "0");
    EXPECT_EQ(SizeText(suMB, -10000, En()), "0");
    EXPECT_EQ(SizeText(suKB, BytesToSizeValue(-1536), En()), "-1.5");
    // Bytes and unknown units show the amount unrounded.
    EXPECT_EQ(SizeText(suBytes, 12345, En()), "1.2345");
    EXPECT_EQ(SizeText(7, 12345, En()), "1.2345");
    EXPECT_EQ(SizeText(-1, -5, En()), "-0.0005");
    EXPECT_EQ(SizeText(suBytes, BytesToSizeValue(123456789012), En()), "123456789012");
    // 15 significant digits at most.
    EXPECT_EQ(SizeText(suBytes, std::numeric_limits<SizeValue>::max(), En()), "922337203685478");
    EXPECT_EQ(SizeText(suBytes, std::numeric_limits<SizeValue>::min(), En()), "-922337203685478");
}

TEST(SizeText, NumberTextIsFifteenDigitsGeneral) {
    EXPECT_EQ(NumberText(0.5L, En()), "0.5");
    EXPECT_EQ(NumberText(1234.5L, German()), "1234,5");
    EXPECT_EQ(NumberText(-2.0L, En()), "-2");
    EXPECT_EQ(NumberText(1.0L / 3, En()), "0.333333333333333");
    EXPECT_EQ(NumberText(0.00001L, En()), "0.00001");
    EXPECT_EQ(NumberText(0.000001L, En()), "1E-6");
    EXPECT_EQ(NumberText(1e15L, En()), "1E15");
    EXPECT_EQ(NumberText(123456789012345.0L, En()), "123456789012345");
}

// The texts of every size the 64-bit value holds stay what they were; the digest
// was taken with the former arithmetic. Sizes past that range show their true size.
TEST(SizeText, TextsOfEverySizeStayTheSameAndPetabytesAreShownWhole) {
    std::vector<std::int64_t> sizes;
    for (std::int64_t b = 0; b < 3000; ++b)
        sizes.push_back(b);
    for (int bit = 10; bit < 50; ++bit)
        for (std::int64_t d : {-1, 0, 1, 5, 512})
            sizes.push_back((std::int64_t(1) << bit) + d);
    const std::int64_t top = std::numeric_limits<SizeValue>::max() / 10000;
    for (std::int64_t d = 0; d < 50; ++d)
        sizes.push_back(top - d);
    std::mt19937_64 rng(27);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t range = std::uint64_t(top >> (rng() % 48));
        sizes.push_back(std::int64_t(rng() % range));
    }
    const FormatLocale de = German();
    QCryptographicHash digest(QCryptographicHash::Sha1);
    for (std::int64_t b : sizes)
        for (int unit : {suBytes, suKB, suMB, suGB})
            for (const FormatLocale* l : {&En(), &de})
                digest.addData((SizeText(unit, BytesToSizeValue(b), *l) + u'\n').toUtf8());
    EXPECT_EQ(digest.result().toHex(), "5559b1b2ab90a393dd0e2f04ea430b244694fe8f");

    EXPECT_EQ(Kb(1000LL << 40), "1073741824000");
    EXPECT_EQ(Mb(1000LL << 40), "1048576000");
    EXPECT_EQ(Gb(1000LL << 40), "1024000");
    EXPECT_EQ(Kb(1LL << 50), "1099511627776");
    EXPECT_EQ(SizeText(suBytes, BytesToSizeValue(1LL << 50), En()), "1.12589990684262E15");
    const std::int64_t most = std::numeric_limits<std::int64_t>::max();
    EXPECT_EQ(Gb(most), "8589934592");
    EXPECT_EQ(Kb(most, de), "9,00719925474099E15");
    EXPECT_EQ(Kb(-most), "-9.00719925474099E15");
    EXPECT_EQ(TotalText(BytesToSizeValue(most), "KB", En()), "9,223,372,036,854,775,807.00 KB");
}

TEST(SizeText, DecimalCommaRoundTrip) {
    const FormatLocale de = German();
    EXPECT_EQ(Kb(1536, de), "1,5");
    EXPECT_EQ(StrToSizeValue("1,5", de), 15000);
    EXPECT_DOUBLE_EQ(StrToSizeFloat("1,5", de), 1.5);
    // Every text SizeText makes parses back to the value it shows.
    for (std::int64_t bytes :
         {0LL, 1LL, 999LL, 1000LL, 1449LL, 123456789LL, 2147483647LL, 1LL << 40, -1536LL}) {
        for (int unit : {suBytes, suKB, suMB, suGB}) {
            for (const FormatLocale* l : {&En(), &de}) {
                const QString t = SizeText(unit, BytesToSizeValue(bytes), *l);
                const SizeValue v = StrToSizeValue(t, *l);
                EXPECT_EQ(SizeValueText(v, *l), t);
                EXPECT_DOUBLE_EQ(StrToSizeFloat(t, *l), double(v) / 10000.0) << t.toStdString();
            }
        }
    }
}

TEST(SizeText, ParsesRejectWhatSizeTextDoesNotMake) {
    const FormatLocale de = German();
    for (const char* bad : {"", "-", "1.", ",5", "1e5", "1,234.5", "abc", "1 2", "--1", "0x10"}) {
        EXPECT_THROW(StrToSizeValue(QString::fromLatin1(bad), En()), EConvertError) << bad;
        EXPECT_THROW(StrToSizeFloat(QString::fromLatin1(bad), En()), EConvertError) << bad;
    }
    // A text written under a decimal-point locale does not parse under a comma one.
    EXPECT_THROW(StrToSizeValue("99999999999999999999", En()), EConvertError);
    EXPECT_THROW(StrToSizeValue("1.5", de), EConvertError);
    EXPECT_THROW(StrToSizeFloat("1,5", En()), EConvertError);
    try {
        StrToSizeFloat("x1", En());
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.message(), "'x1' is not a valid floating point value");
    }
    EXPECT_EQ(StrToSizeValue(" 12.34 ", En()), 123400);
    EXPECT_EQ(StrToSizeValue("0.00005", En()), 1);
    EXPECT_EQ(StrToSizeValue("922337203685477.5807", En()), std::numeric_limits<SizeValue>::max());
    EXPECT_EQ(StrToSizeValue("-922337203685477.5808", En()), std::numeric_limits<SizeValue>::min());
    EXPECT_THROW(StrToSizeValue("922337203685477.5808", En()), EConvertError);

    // Texts of 10^15 units and more, which only sizes past 838 TiB reach,
    // parse back; sums of them are wide.
    for (std::int64_t bytes : {1000LL << 40, 1LL << 50, 7LL << 60}) {
        for (int unit : {suBytes, suKB, suMB, suGB}) {
            const QString t = SizeText(unit, BytesToSizeValue(bytes), de);
            EXPECT_EQ(SizeText(suBytes, StrToWideSizeValue(t, de), de), t);
            EXPECT_EQ(StrToSizeFloat(t, de), std::stod(QString(t).replace(',', '.').toStdString()));
        }
    }
    EXPECT_TRUE(StrToWideSizeValue("9.00719925474099E15", En()) ==
                WideSizeValue(900719925474099) * 100000);
    EXPECT_THROW(StrToSizeValue("9.00719925474099E15", En()), EConvertError);
    EXPECT_TRUE(StrToWideSizeValue("-1E15", En()) == -WideSizeValue(10000) * 1000000000000000);
    EXPECT_TRUE(StrToWideSizeValue("00000000000000000000000000000012.5", En()) == 125000);
    EXPECT_THROW(StrToWideSizeValue("1" + QString(22, '0'), En()), EConvertError);
    for (const char* bad : {"1E", "E5", "1e5", "1E+5", "1E1234", "1.E5"})
        EXPECT_THROW(StrToWideSizeValue(QString::fromLatin1(bad), En()), EConvertError) << bad;
}

TEST(SizeText, TotalTexts) {
    EXPECT_EQ(TotalText(12345000, "MB", En()), "1,234.50 MB");
    EXPECT_EQ(TotalText(0, "KB", En()), "0.00 KB");
    EXPECT_EQ(TotalText(BytesToSizeValue(1234567890), "KB", En()), "1,234,567,890.00 KB");
    EXPECT_EQ(TotalText(9999000, "GB", En()), "999.90 GB");
    EXPECT_EQ(TotalText(12345000, "MB", German()), "1.234,50 MB");
    EXPECT_EQ(TotalText(-12345000, "MB", En()), "-1,234.50 MB");
    FormatLocale c = En();
    c.thousandSeparator = QChar();
    EXPECT_EQ(TotalText(12345000, "MB", c), "1234.50 MB");
}

TEST(SizeText, ElapsedText) {
    EXPECT_EQ(ElapsedText(1250), "  00:01:250ms");
    EXPECT_EQ(ElapsedText(5), "  00:00:05ms");
    EXPECT_EQ(ElapsedText(0), "  00:00:00ms");
    EXPECT_EQ(ElapsedText(61 * 60000 + 7 * 1000 + 42), "  01:07:42ms");
    const QDateTime a(QDate(2024, 1, 1), QTime(23, 59, 59, 900));
    EXPECT_EQ(ElapsedText(a, a.addMSecs(1350)), "  00:01:350ms");
}

TEST(SizeText, DateTexts) {
    qputenv("TZ", "UTC");
    tzset();
    EXPECT_EQ(DateText(std::time_t(1041724800), En()), "05.Jan.03"); // 5 Jan 2003
    EXPECT_EQ(DateText(std::time_t(0), En()), "01.Jan.70");
    EXPECT_EQ(DateText(std::time_t(-631152000), En()), "01.Jan.50");     // 1950
    EXPECT_EQ(DateText(std::time_t(4102444800LL), En()), "01.Jan.00");   // 2100
    EXPECT_EQ(DateText(std::time_t(-11644473600LL), En()), "01.Jan.01"); // 1601
    EXPECT_EQ(DateText(std::time_t(1304208000), German()), "01.Mai.11");
    EXPECT_EQ(DateText(std::numeric_limits<std::time_t>::max(), En()), "");
    EXPECT_EQ(DateText(QDateTime(), En()), "29.Dec.99");
    EXPECT_EQ(DateText(QDateTime(QDate(2003, 3, 9), QTime(12, 0)), German()),
              QString::fromUtf8("09.Mär.03"));
    EXPECT_EQ(HeaderDateText(QDate(2003, 1, 5), En()), "Sun, 05 Jan 03");
    EXPECT_EQ(HeaderDateText(QDate(2024, 7, 1), En()), "Mon, 01 Jul 24");
    qunsetenv("TZ");
    tzset();
}

TEST(SizeText, RepeatedDatesAgreeAcrossMidnightAndClockChanges) {
    // The current locale's texts come from a per-day cache; a copy bypasses it.
    const FormatLocale copy = FormatLocale::current();
    for (const char* tz : {"Europe/Berlin", "America/St_Johns", "Australia/Lord_Howe", "UTC"}) {
        qputenv("TZ", tz);
        tzset();
        for (std::time_t base : {std::time_t(1711839600), std::time_t(1730595600)}) {
            for (std::time_t t = base - 2 * 86400; t < base + 2 * 86400; t += 599)
                ASSERT_EQ(DateText(t), DateText(t, copy)) << tz << " " << t;
            for (std::time_t t = base + 2 * 86400; t > base - 2 * 86400; t -= 1799)
                ASSERT_EQ(DateText(t), DateText(t, copy)) << tz << " " << t;
        }
    }
    qunsetenv("TZ");
    tzset();
}

TEST(SizeText, CurrentLocaleHasFullNameTables) {
    const FormatLocale& l = FormatLocale::current();
    EXPECT_EQ(l.shortMonthNames.size(), 12);
    EXPECT_EQ(l.shortDayNames.size(), 7);
    EXPECT_FALSE(l.decimalSeparator.isNull());
}

TEST(SizeText, ReadsTheCLocale) {
    // Build a German locale in a private folder; skip where the tools are missing.
    QTemporaryDir locales;
    const QString out = locales.filePath("de_DE.UTF-8");
    if (QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", out}) != 0 ||
        !QFileInfo(out).isDir())
        GTEST_SKIP() << "localedef or the de_DE source is missing";
    const std::string before = std::setlocale(LC_ALL, nullptr);
    qputenv("LOCPATH", locales.path().toLocal8Bit());
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    const FormatLocale de = FormatLocale::fromCLocale();
    std::setlocale(LC_ALL, before.c_str());
    qunsetenv("LOCPATH");
    EXPECT_EQ(de.decimalSeparator, QLatin1Char(','));
    EXPECT_EQ(de.thousandSeparator, QLatin1Char('.'));
    EXPECT_EQ(de.shortMonthNames.value(2), QString::fromUtf8("Mär"));
    EXPECT_EQ(de.shortMonthNames.value(9), "Okt");
    EXPECT_EQ(de.shortDayNames.value(0), "So");
    EXPECT_EQ(SizeText(suKB, BytesToSizeValue(1536), de), "1,5");
    EXPECT_EQ(TotalText(12345000, "MB", de), "1.234,50 MB");

    // Month names of a UTF-8 LC_TIME under an ASCII LC_CTYPE.
    qputenv("LOCPATH", locales.path().toLocal8Bit());
    std::setlocale(LC_ALL, "C");
    ASSERT_NE(std::setlocale(LC_TIME, "de_DE.UTF-8"), nullptr);
    const FormatLocale mixed = FormatLocale::fromCLocale();
    std::setlocale(LC_ALL, before.c_str());
    qunsetenv("LOCPATH");
    EXPECT_EQ(mixed.shortMonthNames.value(2), QString::fromUtf8("Mär"));
    EXPECT_EQ(mixed.decimalSeparator, QLatin1Char('.'));
}
