#include "core/export/CsvField.h"
#include <gtest/gtest.h>

TEST(CsvField, PlainFieldsEachEndInTheSeparator) {
    EXPECT_EQ(ListToCSVLine({"red", "green", "blue"}), "red,green,blue,");
    EXPECT_EQ(ListToSemikoCSVLine({"red", "green", "blue"}), "red;green;blue;");
    EXPECT_EQ(ListToCSVLine({"red", "", "blue"}), "red,,blue,");
    EXPECT_EQ(ListToCSVLine({}), "");
    EXPECT_EQ(ListToSemikoCSVLine({""}), ";");
}

TEST(CsvField, CommaQuotedInBothEncoders) {
    EXPECT_EQ(ListToCSVLine({"Wed, 09 Dec 26"}), "\"Wed, 09 Dec 26\",");
    EXPECT_EQ(ListToSemikoCSVLine({"Wed, 09 Dec 26"}), "\"Wed, 09 Dec 26\";");
}

TEST(CsvField, QuotesAreDoubledInsideQuotes) {
    EXPECT_EQ(ListToCSVLine({"say \"hi\""}), "\"say \"\"hi\"\"\",");
    EXPECT_EQ(ListToCSVLine({"a\"b,c"}), "\"a\"\"b,c\",");
    EXPECT_EQ(ListToSemikoCSVLine({"\""}), "\"\"\"\";");
}

TEST(CsvField, SeparatorAndLineBreaksAreQuoted) {
    EXPECT_EQ(ListToSemikoCSVLine({"red;blue", "x"}), "\"red;blue\";x;");
    // A semicolon is an ordinary character for the comma encoder.
    EXPECT_EQ(ListToCSVLine({"red;blue"}), "red;blue,");
    EXPECT_EQ(ListToCSVLine({"two\nlines", "cr\rhere"}), "\"two\nlines\",\"cr\rhere\",");
}

TEST(FitToWidth, KeepsHeadTailAndEndsInSpace) {
    EXPECT_EQ(FitToWidth("ABCDEFGHIJKLMNOP", 10), "ABCD..NOP ");
    EXPECT_EQ(FitToWidth("ABCDEFGHIJ", 10), "ABCD..HIJ ");
    EXPECT_EQ(FitToWidth("ABCDEFGHI", 10), "ABCDEFGHI");
    const QString forty(QStringLiteral("0123456789012345678901234567890123456789"));
    const QString fitted = FitToWidth(forty, 30);
    EXPECT_EQ(fitted.size(), 30);
    EXPECT_EQ(fitted, forty.left(24) + ".." + forty.right(3) + " ");
}

TEST(FitToWidth, NarrowColumnsStayExact) {
    EXPECT_EQ(FitToWidth("ABCDEFGH", 3), "AB ");
    EXPECT_EQ(FitToWidth("ABCDEFGH", 6), "..FGH ");
    EXPECT_EQ(FitToWidth("ABC", 0), "");
}

TEST(FitToWidth, NeverSplitsACharacterOutsideTheBmp) {
    // Twelve smileys: 24 UTF-16 units, 12 characters.
    QString smileys;
    for (int i = 0; i < 12; ++i)
        smileys += QString::fromUcs4(U"\U0001F600", 1);
    const QString fitted = FitToWidth(smileys, 10);
    EXPECT_EQ(fitted.toUcs4().size(), 10);
    EXPECT_EQ(fitted, smileys.left(8) + ".." + smileys.right(6) + " ");
    EXPECT_EQ(FitToWidth(smileys, 13), smileys);
}

TEST(CsvField, FormulaLeadsGetAnApostrophe) {
    EXPECT_EQ(ListToCSVLine({"=SUM(1+1)", "@cmd", "=1+1.txt", "a=b", "+1", "-2", ""}),
              "'=SUM(1+1),'@cmd,'=1+1.txt,a=b,+1,-2,,");
    // Quoting still applies to the whole field, apostrophe included.
    EXPECT_EQ(ListToSemikoCSVLine({"=A1,B1", "@\"x\""}), "\"'=A1,B1\";\"'@\"\"x\"\"\";");
    // + - tab and CR start formulas too, unless the field is a number.
    EXPECT_EQ(ListToSemikoCSVLine({"-2+3", "+HYPERLINK(u)", "\tx", "\r=1", "-", "+.5", "-1e"})
                  .toStdString(),
              "'-2+3;'+HYPERLINK(u);'\tx;\"'\r=1\";'-;'+.5;'-1e;");
    EXPECT_EQ(
        ListToCSVLine({"-0", "+12.5", "-1,5", "1E15", "-2.5E-3", "12-3", " =1"}).toStdString(),
        "-0,+12.5,\"-1,5\",1E15,-2.5E-3,12-3, =1,");
}
