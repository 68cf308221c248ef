#include "gui/dialogs/ColorFontPickers.h"
#include <gtest/gtest.h>

TEST(ColorFontPickers, PlainSystemAndNoColour) {
    EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0x0088E0FF), QColor(0xFF, 0xE0, 0x88));
    EXPECT_FALSE(ToQColor(clNone).isValid());
    QPalette pal;
    pal.setColor(QPalette::Active, QPalette::Text, QColor(1, 2, 3));
    pal.setColor(QPalette::Active, QPalette::Highlight, QColor(4, 5, 6));
    EXPECT_EQ(ToQColor(clWindowText, pal), QColor(1, 2, 3));
    EXPECT_EQ(ToQColor(clHighlight, pal), QColor(4, 5, 6));
    EXPECT_TRUE(ToQColor(0x800000FF, pal).isValid());
    EXPECT_EQ(FromQColor(QColor(0xFF, 0xE0, 0x88)), 0x0088E0FFu);
}

TEST(ColorFontPickers, FontRoundTrip) {
    const FontDesc d{"DejaVu Sans", 11, clNavy, fsBold | fsUnderline};
    const QFont f = ToQFont(d);
    EXPECT_TRUE(f.bold());
    EXPECT_FALSE(f.italic());
    EXPECT_TRUE(f.underline());
    EXPECT_EQ(f.pointSize(), 11);
    EXPECT_EQ(FromQFont(f, clNavy), d);
}
