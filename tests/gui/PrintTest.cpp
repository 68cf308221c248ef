#include "DialogTestUtil.h"
#include "core/export/PlainPrint.h"
#include "gui/dialogs/PrintSheet.h"
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {
struct Word {
    double xMin, yMin, xMax;
    QString text;
};

// The words of the first page with their left edges, in reading order.
std::vector<Word> PdfWords(const QString& pdf) {
    const QString html =
        PdfText(pdf, {QStringLiteral("-bbox"), QStringLiteral("-l"), QStringLiteral("1")});
    std::vector<Word> words;
    static const QRegularExpression re(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)"[^>]*>([^<]*)</word>)re"));
    for (auto it = re.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble(), m.captured(4)});
    }
    return words;
}

struct PrintTest : ::testing::Test {
    QTemporaryDir dir;
    QString pdf;
    void SetUp() override {
        pdf = dir.filePath(QStringLiteral("out.pdf"));
        QPrinter& printer = AppPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setPageOrientation(QPageLayout::Landscape);
        printer.setFullPage(false);
    }
    static int AcceptPrintDialog(QDialog& d) {
        return qobject_cast<QPrintDialog*>(&d) ? QDialog::Accepted : QDialog::Rejected;
    }
};
} // namespace

TEST_F(PrintTest, SizeListPrintsItemRowsIndentedByFiveBlanks) {
    TextRowSource rows({"Folder", "MB", "KB", "Path", ""});
    rows.AddRow({"alpha", "1,50", "1536,00", "/data/alpha", ""});
    rows.AddRow({"A folder name much longer than its column", "0,25", "256,00",
                 "/data/A folder name much longer than its column", ""});
    QStringList lines;
    ASSERT_TRUE(SizeListPrintLines(rows, "/data/", lines));
    ASSERT_EQ(lines.size(), 2); // item rows only
    for (const QString& line : lines)
        EXPECT_EQ(line.size(), 102);

    ModalAnswers answers(&PrintTest::AcceptPrintDialog);
    ASSERT_TRUE(PrintTextLines(lines, 10));
    const std::vector<Word> words = PdfWords(pdf);
    ASSERT_GE(words.size(), 8u);
    EXPECT_EQ(words[0].text, "alpha");
    EXPECT_EQ(words[1].text, "1,50");
    // One character's advance from the distance of two columns 30 characters apart.
    const double advance = (words[1].xMin - words[0].xMin) / 30.0;
    EXPECT_NEAR(advance, 6.0, 0.05); // Courier at 10 points
    const double left = AppPrinter().pageLayout().paintRect(QPageLayout::Point).left();
    EXPECT_NEAR(words[0].xMin - left, 5 * advance, 0.5);
    // The long name is shortened to its column.
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("A folder name much long..umn")) << text.toStdString();
    // Two blank lines come first: the first row is the third line of the page.
    const auto second =
        std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == "A"; });
    ASSERT_NE(second, words.end());
    const double spacing = second->yMin - words[0].yMin;
    const double top = AppPrinter().pageLayout().paintRect(QPageLayout::Point).top();
    EXPECT_NEAR(words[0].yMin - top, 2 * spacing, spacing / 2);
}

TEST_F(PrintTest, CancelledPrintDialogPrintsNothing) {
    ModalAnswers answers; // rejects
    EXPECT_FALSE(PrintTextLines({"one"}, 10));
    EXPECT_EQ(answers.dialogs, 1);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintTest, WideLinesShrinkInsteadOfBeingCut) {
    AppPrinter().setPageOrientation(QPageLayout::Portrait);
    const QString wide = QString(150, QLatin1Char('x')) + QStringLiteral("END");
    ModalAnswers answers(&PrintTest::AcceptPrintDialog);
    ASSERT_TRUE(PrintTextLines({wide}, 14));
    const std::vector<Word> words = PdfWords(pdf);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0].text, wide);
    EXPECT_LE(words[0].xMax, AppPrinter().pageLayout().paintRect(QPageLayout::Point).right() + 0.5);
}

TEST_F(PrintTest, PreviewPagesCarryPageNumbersAndEveryLine) {
    QStringList lines;
    for (int i = 0; i < 120; ++i)
        lines << QStringLiteral("line %1").arg(i, 3, 10, QLatin1Char('0'));
    QPrinter& printer = AppPrinter();
    PaintPreviewPages(printer, lines, QStringLiteral("Courier New"), 10);
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("Page 1"));
    EXPECT_TRUE(text.contains("Page 2"));
    EXPECT_TRUE(text.contains("line 000"));
    EXPECT_TRUE(text.contains("line 119"));
    // One-inch margins: the body starts 72 points from the paper's left edge.
    const std::vector<Word> words = PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words[0].text, "line");
    EXPECT_NEAR(words[0].xMin, 72.0, 0.5);
}

TEST_F(PrintTest, PreviewIsModalAndGivenTheLines) {
    int previews = 0;
    ModalAnswers answers([&](QDialog& d) {
        if (qobject_cast<QPrintPreviewDialog*>(&d)) ++previews;
        return int(QDialog::Accepted);
    });
    PreviewTextLines({"a", "b"}, 10, QPageLayout::Portrait);
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(AppPrinter().pageLayout().orientation(), QPageLayout::Portrait);
}
