#include "core/settings/ColorHex.h"
#include "core/settings/FontText.h"
#include "core/settings/IntText.h"
#include "platform/Errors.h"
#include <gtest/gtest.h>

namespace {
QString ConvertMessage(const std::function<void()>& f) {
    try {
        f();
    } catch (const EConvertError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}
} // namespace

TEST(IntText, DecimalDollarAndZeroXHex) {
    int v = 0;
    EXPECT_TRUE(TryStrToInt(u"31", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(TryStrToInt(u"$1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(TryStrToInt(u"0x1f", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(TryStrToInt(u"0X1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(TryStrToInt(u"-12", v));
    EXPECT_EQ(v, -12);
    EXPECT_TRUE(TryStrToInt(u"  +7", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(TryStrToInt(u"-2147483648", v));
    EXPECT_EQ(v, INT_MIN);
    EXPECT_TRUE(TryStrToInt(u"$FFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(TryStrToInt(u"$80000008", v));
    EXPECT_EQ(unsigned(v), 0x80000008u);
    for (const char16_t* bad : {u"", u" ", u"abc", u"$", u"0x", u"1F", u"12 ", u"2147483648",
                                u"$100000000", u"1.5", u"--1"}) {
        v = 42;
        EXPECT_FALSE(TryStrToInt(bad, v)) << QString::fromUtf16(bad).toStdString();
        EXPECT_EQ(v, 42);
    }
    EXPECT_EQ(ConvertMessage([] { StrToInt("abc"); }), "'abc' is not a valid integer value");
}

TEST(ColorText, NamesAndHexBothWays) {
    EXPECT_EQ(StringToColor("clnavy"), clNavy);
    EXPECT_EQ(StringToColor("CLNAVY"), 0x800000u);
    EXPECT_EQ(StringToColor("clNavy"), clNavy);
    EXPECT_EQ(ColorToString(0x800000), "clNavy");
    EXPECT_EQ(ColorToString(0x0088E0FF), "$0088E0FF");
    EXPECT_EQ(StringToColor("$0088E0FF"), 0x0088E0FFu);
    EXPECT_EQ(StringToColor("$0088e0ff"), 0x0088E0FFu);
    EXPECT_EQ(StringToColor("-2147483640"), clWindowText);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_EQ(ColorToString(clNone), "clNone");
    EXPECT_EQ(ColorToString(0x80000019), "$80000019");
    // Every name round-trips with its exact spelling.
    int n = 0;
    const ColorName* names = ColorNames(n);
    EXPECT_EQ(n, 42);
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(ColorToString(names[i].value), QLatin1String(names[i].name));
        EXPECT_EQ(StringToColor(QString::fromLatin1(names[i].name).toLower()), names[i].value);
    }
    EXPECT_EQ(ConvertMessage([] { StringToColor("clPink"); }),
              "'clPink' is not a valid integer value");
    EXPECT_EQ(ConvertMessage([] { StringToColor(""); }), "'' is not a valid integer value");
}

TEST(ColorText, SixDigitHex) {
    EXPECT_EQ(ColorToHex(clNavy), "000080");
    EXPECT_EQ(ColorToHex(clSilver), "C0C0C0");
    EXPECT_EQ(ColorToHex(clWindowText), "080000");
    EXPECT_EQ(ColorToHex(0x0088E0FF), "FFE088");
    EXPECT_EQ(HexToColor("FFe088"), 0x0088E0FFu);
    EXPECT_EQ(ColorToString(HexToColor("FFe088")), "$0088E0FF");
    EXPECT_EQ(HexToColor("000080"), clNavy);
    EXPECT_EQ(HexToColor("ffffff"), clWhite);
    EXPECT_EQ(ConvertMessage([] { HexToColor("FFE0"); }), "'$' is not a valid integer value");
    EXPECT_EQ(ConvertMessage([] { HexToColor("GG0000"); }), "'$GG' is not a valid integer value");
    EXPECT_THROW(HexToColor("F FFFF"), EConvertError);
    EXPECT_THROW(HexToColor("-1FFFF"), EConvertError);
}

TEST(FontText, WritesTheOneLineForm) {
    FontDesc f;
    f.name = "Arial";
    f.size = 9;
    f.color = clWindowText;
    EXPECT_EQ(FontToStr(f), "\"Arial\", 9, [], [clWindowText]");
    f = FontDesc{"MS Sans Serif", 8, clYellow, fsBold};
    EXPECT_EQ(FontToStr(f), "\"MS Sans Serif\", 8, [Bold], [clYellow]");
    f.style = fsBold | fsItalic;
    EXPECT_EQ(FontToStr(f), "\"MS Sans Serif\", 8, [Bold|Italic], [clYellow]");
    f = FontDesc{"Mono", 12, 0x0088E0FF, fsItalic | fsUnderline | fsStrikeOut};
    EXPECT_EQ(FontToStr(f), "\"Mono\", 12, [Italic|Underline|Strikeout], [$0088E0FF]");
}

TEST(FontText, ReadsBackWhatItWrites) {
    const FontDesc fonts[] = {
        {"Arial", 9, clWindowText, 0},
        {"MS Sans Serif", 8, clYellow, fsBold},
        {"DejaVu Sans Mono", 72, 0x00123456, fsBold | fsItalic | fsUnderline | fsStrikeOut},
        {QString::fromUtf8("Schrift Ü"), 10, clNone, fsStrikeOut},
    };
    for (const FontDesc& f : fonts) {
        FontDesc g{"x", 1, clBlack, fsBold};
        StrToFont(FontToStr(f), g);
        EXPECT_EQ(g, f) << FontToStr(f).toStdString();
    }
    FontDesc g;
    StrToFont("\"Arial\", 9, [Italic|Bold], [clnavy]", g);
    EXPECT_EQ(g.style, unsigned(fsBold | fsItalic));
    EXPECT_EQ(g.color, clNavy);
}

TEST(FontText, BadTextsStopAtTheFailingStep) {
    // A comma in the name cuts it there, and the size step fails.
    FontDesc f{"Old", 5, clRed, fsBold};
    EXPECT_THROW(StrToFont("\"Foo, Bar\", 9, [], [clBlack]", f), EConvertError);
    EXPECT_EQ(f.size, 5);
    // A bad colour keeps name and size, but not the style.
    f = FontDesc{"Old", 5, clRed, fsBold};
    EXPECT_EQ(ConvertMessage([&] { StrToFont("\"New\", 11, [Italic], [clPink]", f); }),
              "'clPink' is not a valid integer value");
    EXPECT_EQ(f.name, "New");
    EXPECT_EQ(f.size, 11);
    EXPECT_EQ(f.color, clRed);
    EXPECT_EQ(f.style, unsigned(fsBold));
    for (const char* bad : {"", "garbage", "\"Arial\", x, [], [clBlack]", "\"Arial\", 9"})
        EXPECT_THROW(StrToFont(QString::fromLatin1(bad), f), EConvertError) << bad;
}
