#include "gui/dialogs/ExportDialog.h"
#include "DialogTestUtil.h"
#include "core/settings/IniFile.h"
#include "gui/dialogs/PrintSheet.h"
#include "gui/pages/FolderListPage.h"
#include "gui/widgets/ColorPanel.h"
#include "gui/window/ViewRowSource.h"
#include "platform/NativePath.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
TextRowSource FolderRows() {
    TextRowSource rows({"Folder", "MB", "KB", "Path", ""});
    rows.AddRow({"alpha", "1,50", "1536,00", "/data/alpha", ""});
    rows.AddRow({"beta", "0,25", "256,00", "/data/beta", ""});
    return rows;
}

TextRowSource FileRows() {
    TextRowSource rows({"File", "Date (C)", "Date (M)", "Path", "Size (KB)"});
    rows.AddRow({"a.txt", "01.Jan.24", "02.Jan.24", "/data/a.txt", "12,00"});
    return rows;
}

// Answers the save dialog with a file name and a filter entry.
std::function<int(QDialog&)> SaveAs(const QString& file, int entry) {
    return [file, entry](QDialog& d) {
        auto* fd = qobject_cast<QFileDialog*>(&d);
        if (!fd) return int(QDialog::Rejected);
        fd->selectNameFilter(fd->nameFilters().value(entry));
        fd->selectFile(file);
        return int(QDialog::Accepted);
    };
}

struct ExportDialogTest : ::testing::Test {
    QTemporaryDir dir;
    QString ini() const { return dir.filePath("AppData/Morvane.ini"); }
};
} // namespace

TEST_F(ExportDialogTest, BuiltInValuesWithoutSettingsFile) {
    ExportDialog form(ini());
    EXPECT_EQ(form.windowTitle(), "Export / Print Size List");
    const ExportChoices c = form.Choices();
    EXPECT_EQ(c.FileType, ftCSVComma);
    EXPECT_EQ(c.HeadText, "Foldersize at");
    EXPECT_TRUE(c.InclFolderName && c.InclHead && c.InclHeadCol && c.InclSumRow);
    EXPECT_FALSE(c.LaunchFile || c.InclChartInHTML);
    EXPECT_EQ(c.FolderChars, 30);
    EXPECT_EQ(c.SizeMBChars, 10);
    EXPECT_EQ(c.SizeKBChars, 13);
    EXPECT_EQ(c.PathChars, 35);
    EXPECT_EQ(c.FontSize, 10);
    EXPECT_EQ(c.Orientation, 0);
    EXPECT_EQ(c.Print, 0);
    EXPECT_EQ(c.List, 0);
    EXPECT_EQ(Control<QLabel>(form, "LblMB")->text(), "Size (MB)");
    EXPECT_EQ(Control<QLabel>(form, "LblKB")->text(), "Size (KB)");
    EXPECT_EQ(Control<QLabel>(form, "LblDate")->text(), "-");
    // Loading never creates the settings file.
    EXPECT_FALSE(QFileInfo::exists(ini()));
}

TEST_F(ExportDialogTest, ChoicesStoredAtCloseAndLoadedAgain) {
    EnsureIniFile(ini());
    {
        ExportDialog form(ini());
        Control<QButtonGroup>(form, "RGFileType")->button(ftText)->setChecked(true);
        Control<QLineEdit>(form, "EdtHead")->setText("Disk report");
        Control<QCheckBox>(form, "CbxSummary")->setChecked(false);
        Control<QSpinBox>(form, "SpinFolder")->setValue(44);
        Control<QSpinBox>(form, "SpinKB")->setValue(22);
        Control<QSpinBox>(form, "SpinSize")->setValue(12);
        QTest::mouseClick(Control<QButtonGroup>(form, "RadList")->button(1), Qt::LeftButton);
        Control<QTabWidget>(form, "PageControl")->setCurrentIndex(2);
        Control<ColorPanel>(form, "pnlHTMLFont")->SetColorValue(clRed);
        form.reject();
    }
    EXPECT_EQ(ReadIniInteger(ini(), "ExportSettings", "SizeKBChars", 0), 22);
    ExportDialog again(ini());
    const ExportChoices c = again.Choices();
    EXPECT_EQ(c.FileType, ftText);
    EXPECT_EQ(c.HeadText, "Disk report");
    EXPECT_FALSE(c.InclSumRow);
    EXPECT_EQ(c.FolderChars, 44);
    EXPECT_EQ(c.SizeKBChars, 22);
    EXPECT_EQ(c.FontSize, 12);
    EXPECT_EQ(c.List, 1);
    EXPECT_EQ(c.ActPage, 2);
    EXPECT_EQ(c.HTMLFontColor, clRed);
    EXPECT_EQ(Control<QLabel>(again, "LblMB")->text(), "Date (C)");
    EXPECT_EQ(Control<QLabel>(again, "LblKB")->text(), "Date (M)");
    EXPECT_EQ(Control<QLabel>(again, "LblDate")->text(), "Size (KB)");
}

TEST_F(ExportDialogTest, StoredDefaultsAndClampsWhenFileExists) {
    EnsureIniFile(ini());
    WriteIniInteger(ini(), "ExportSettings", "FolderChars", 99);
    WriteIniInteger(ini(), "ExportSettings", "SizekBChars", 3); // other spelling, same key
    WriteIniInteger(ini(), "ExportSettings", "FontSize", 40);
    WriteIniInteger(ini(), "ExportSettings", "FileType", 9);
    WriteIniInteger(ini(), "ExportSettings", "HTMLFontSize", -2);
    ExportDialog form(ini());
    const ExportChoices c = form.Choices();
    EXPECT_EQ(c.FolderChars, 60);
    EXPECT_EQ(c.SizeKBChars, 10);
    EXPECT_EQ(c.FontSize, 14);
    EXPECT_EQ(c.FileType, ftHTML);
    EXPECT_EQ(c.HTMLFontSize, 0);
    // Keys absent from an existing file take the stored defaults.
    EXPECT_EQ(c.SizeMBChars, 15);
    EXPECT_EQ(c.PathChars, 55);
    EXPECT_EQ(c.HeadText, "My Header");
    EXPECT_EQ(c.Orientation, 1);
    EXPECT_EQ(c.Print, 1);
    EXPECT_TRUE(c.LaunchFile && c.InclChartInHTML);
}

TEST_F(ExportDialogTest, BadColourTextReportedOnceOthersStillRead) {
    EnsureIniFile(ini());
    WriteIniString(ini(), "ExportSettings", "HTMLFontColor", "clNoSuch");
    WriteIniString(ini(), "ExportSettings", "HTMLBackColor", "clRed");
    ModalAnswers answers;
    ExportDialog form(ini());
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].contains("'clNoSuch' is not a valid integer value"));
    EXPECT_EQ(Control<ColorPanel>(form, "pnlHTMLFont")->ColorValue(), clBlack);
    EXPECT_EQ(Control<ColorPanel>(form, "PnlHTMLBack")->ColorValue(), clRed);
}

TEST(ExportFileName, ExtensionFollowsFilterEntry) {
    EXPECT_EQ(NormaliseExportFileName("/t/report.htm", 4), "/t/report.html");
    EXPECT_EQ(NormaliseExportFileName("/t/report", 0), "/t/report.csv");
    EXPECT_EQ(NormaliseExportFileName("/t/report.txt", 1), "/t/report.csv");
    EXPECT_EQ(NormaliseExportFileName("/t/report.xls", 2), "/t/report.xlsx");
    EXPECT_EQ(NormaliseExportFileName("/t/report.html", 3), "/t/report.txt");
    EXPECT_EQ(NormaliseExportFileName("/t.d/report", 3), "/t.d/report.txt");
    EXPECT_EQ(ExportFilterEntries().value(2), "Excel file (*.XLSX)");
    EXPECT_EQ(NotSavedMessage(ftExcel), " Excel File not saved");
}

TEST_F(ExportDialogTest, WriterFollowsFileTypeNotFilterEntry) {
    auto rows = FolderRows();
    ModalAnswers answers(SaveAs(dir.filePath("report.htm"), 3)); // the text filter
    ExportDialog form(ini());
    form.SetLists(&rows, nullptr);
    Control<QButtonGroup>(form, "RGFileType")->button(ftHTML)->setChecked(true);
    ASSERT_TRUE(form.ExportToFile());
    const QByteArray html = ReadAll(dir.filePath("report.txt"));
    EXPECT_TRUE(html.contains("<html><head>"));
    EXPECT_TRUE(html.contains("alpha"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("report.htm")));
}

TEST_F(ExportDialogTest, OverwriteAnsweredNoLeavesFileAlone) {
    auto rows = FolderRows();
    const QString target = dir.filePath("sizes.csv");
    WriteAll(target, "keep me");
    ModalAnswers answers(SaveAs(target, 0));
    answers.messageAnswer = QMessageBox::No;
    ExportDialog form(ini());
    form.SetLists(&rows, nullptr);
    EXPECT_FALSE(form.ExportToFile());
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_EQ(answers.messages[0], "File exists! Overwrite?\nsizes.csv will be opend!");
    EXPECT_EQ(ReadAll(target), "keep me");

    answers.messageAnswer = QMessageBox::Yes;
    EXPECT_TRUE(form.ExportToFile());
    EXPECT_TRUE(ReadAll(target).contains("alpha,"));
}

TEST_F(ExportDialogTest, ExistingTargetIsLaunchedAfterNoAndAfterAFailedWrite) {
    auto rows = FolderRows();
    rows.AddRow({"/data/plain"}); // a row without details: the write fails
    const QString target = dir.filePath(QString(250, QLatin1Char('s')) + ".csv");
    WriteAll(target, "keep me");
    ModalAnswers answers(SaveAs(target, 0));
    answers.messageAnswer = QMessageBox::No;
    ExportDialog form(ini());
    form.SetLists(&rows, nullptr);
    Control<QCheckBox>(form, "CbxLaunchFile")->setChecked(true);
    QStringList launched;
    form.LaunchFile = [&](const QString& f) { launched << f; };
    EXPECT_FALSE(form.ExportToFile());
    EXPECT_EQ(launched, QStringList{target});
    answers.messageAnswer = QMessageBox::Yes;
    EXPECT_FALSE(form.ExportToFile());
    EXPECT_EQ(answers.messages.last(), "CSVFile not saved");
    EXPECT_EQ(launched, (QStringList{target, target}));
    EXPECT_EQ(ReadAll(target), "keep me");
}

TEST_F(ExportDialogTest, CancelledSaveDialogWritesNothing) {
    auto rows = FolderRows();
    ModalAnswers answers; // every dialog rejected
    ExportDialog form(ini());
    form.SetLists(&rows, nullptr);
    EXPECT_FALSE(form.ExportToFile());
    EXPECT_EQ(answers.dialogs, 1);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(ExportDialogTest, FileListNeverCarriesSummaryRow) {
    auto folders = FolderRows();
    auto files = FileRows();
    ModalAnswers answers(SaveAs(dir.filePath("files.csv"), 0));
    ExportDialog form(ini());
    form.SetLists(&folders, &files);
    form.SetTotals("1792,00", "1,75", "0");
    QTest::mouseClick(Control<QButtonGroup>(form, "RadList")->button(1), Qt::LeftButton);
    ASSERT_TRUE(Control<QCheckBox>(form, "CbxSummary")->isChecked());
    ASSERT_TRUE(form.ExportToFile());
    EXPECT_FALSE(form.ExportList().IncludeSummary);
    const QByteArray csv = ReadAll(dir.filePath("files.csv"));
    EXPECT_TRUE(csv.contains("a.txt,"));
    EXPECT_FALSE(csv.contains("Total Size"));
}

TEST_F(ExportDialogTest, FolderListSummaryAndCrossedWidths) {
    auto folders = FolderRows();
    ModalAnswers answers(SaveAs(dir.filePath("folders.txt"), 3));
    ExportDialog form(ini());
    form.SetLists(&folders, nullptr);
    form.SetTotals("1792,00", "1,75", "0");
    Control<QButtonGroup>(form, "RGFileType")->button(ftText)->setChecked(true);
    Control<QSpinBox>(form, "SpinMB")->setValue(20);
    Control<QSpinBox>(form, "SpinKB")->setValue(11);
    ASSERT_TRUE(form.ExportToFile());
    EXPECT_TRUE(form.ExportList().IncludeSummary);
    // The second column takes the width under the second size label.
    EXPECT_EQ(form.ExportList().ColumnWidths[1], 11);
    EXPECT_EQ(form.ExportList().ColumnWidths[2], 20);
    EXPECT_TRUE(ReadAll(dir.filePath("folders.txt")).contains("Total Size"));
}

TEST_F(ExportDialogTest, FailedWriteSaysNotSavedAndLaunchesNothing) {
    auto rows = FolderRows();
    ModalAnswers answers(SaveAs(dir.filePath("missing/out.csv"), 1));
    ExportDialog form(ini());
    form.SetLists(&rows, nullptr);
    Control<QButtonGroup>(form, "RGFileType")->button(ftCSVSemicolon)->setChecked(true);
    Control<QCheckBox>(form, "CbxLaunchFile")->setChecked(true);
    int launched = 0;
    form.LaunchFile = [&](const QString&) { ++launched; };
    EXPECT_FALSE(form.ExportToFile());
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_EQ(answers.messages[0], "CSVFile not saved");
    EXPECT_EQ(launched, 0);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing/out.csv")));
}

TEST_F(ExportDialogTest, LaunchesWrittenFileWhenAsked) {
    auto rows = FolderRows();
    ModalAnswers answers(SaveAs(dir.filePath("book"), 2));
    ExportDialog form(ini());
    form.SetLists(&rows, nullptr);
    Control<QButtonGroup>(form, "RGFileType")->button(ftExcel)->setChecked(true);
    Control<QCheckBox>(form, "CbxLaunchFile")->setChecked(true);
    QString launched;
    form.LaunchFile = [&](const QString& f) { launched = f; };
    ASSERT_TRUE(form.ExportToFile());
    EXPECT_EQ(launched, dir.filePath("book.xlsx"));
    EXPECT_TRUE(ReadAll(launched).startsWith("PK")); // a zip container
}

TEST_F(ExportDialogTest, RowsWithoutDetailsPrintWhatWasBuilt) {
    TextRowSource files({"File", "Date (C)", "Date (M)", "Path", "Size (KB)"});
    files.AddRow({"first.txt", "01.Jan.24", "02.Jan.24", "/data/first.txt", "12.00"});
    files.AddRow({"/data/plain/path/row.txt"}); // a row without details
    files.AddRow({"third.txt", "01.Jan.24", "02.Jan.24", "/data/third.txt", "1.00"});
    const QString pdf = dir.filePath("files.pdf");
    QPrinter& printer = AppPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    ModalAnswers answers([](QDialog& d) {
        return qobject_cast<QPrintDialog*>(&d) ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    ExportDialog form(ini());
    form.SetLists(nullptr, &files);
    QTest::mouseClick(Control<QButtonGroup>(form, "RadList")->button(1), Qt::LeftButton);
    Control<QButtonGroup>(form, "RadOrient")->button(1)->setChecked(true);
    form.PrintExportList();
    EXPECT_EQ(answers.messages, QStringList{"Document not printed"});
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("first.txt"));
    EXPECT_FALSE(text.contains("third.txt"));
}

TEST(ViewRowSource, HtmlLinkOfTheSizeListCarriesThePathsBytes) {
    QTemporaryDir dir;
    FolderListPage page;
    const QString path = PathFromNative(QByteArray("/t/d\xff\xfe"));
    ASSERT_TRUE(page.FillFolderList({path}, {"1.00"}, {"1024.00"}, nullptr));
    const ViewRowSource rows(page.FolderList()->model());
    ExportWriter ex;
    ex.SourceList = &rows;
    ex.SetTargetFile(dir.filePath("r.html"));
    ASSERT_TRUE(ex.MakeHTML());
    QFile f(dir.filePath("r.html"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray html = f.readAll();
    EXPECT_TRUE(html.contains("href=\"file:///t/d%FF%FE\"")) << html.constData();
    EXPECT_TRUE(html.contains(">/t/d\xEF\xBF\xBD\xEF\xBF\xBD<")); // shown with U+FFFD
}
