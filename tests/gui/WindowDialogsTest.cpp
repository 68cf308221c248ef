#include "DialogTestUtil.h"
#include "WindowParts.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "gui/dialogs/ExportDialog.h"
#include "gui/dialogs/PrintSheet.h"
#include "gui/dialogs/SettingsDialog.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/MainWindow.h"
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
struct WindowDialogsTest : ::testing::Test {
    QTemporaryDir dir;
    QString ini() const { return dir.filePath("AppData/Morvane.ini"); }
    std::unique_ptr<MainWindow> MakeForm() {
        auto form = std::make_unique<MainWindow>(ini());
        form->FillFolderList({"/data/alpha/", "/data/A folder name much longer than its column/"},
                             {"1.50", "0.25"}, {"1536.00", "256.00"});
        return form;
    }
};
} // namespace

TEST_F(WindowDialogsTest, CtrlPOnSizeListPrintsItsRowsIndented) {
    const QString pdf = dir.filePath("sheet.pdf");
    QPrinter& printer = AppPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setPageOrientation(QPageLayout::Landscape);
    ModalAnswers answers([](QDialog& d) {
        return qobject_cast<QPrintDialog*>(&d) ? int(QDialog::Accepted) : int(QDialog::Rejected);
    });
    auto form = MakeForm();
    ASSERT_EQ(FolderPage(*form)->FolderList()->topLevelItemCount(), 2);
    QAction* print = form->Action("actPrint");
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->shortcut(), QKeySequence("Ctrl+P"));

    // Pages without a sheet print nothing and ask nothing.
    PageTabs(*form)->setCurrentIndex(MainWindow::pgFileList);
    print->trigger();
    EXPECT_EQ(answers.dialogs, 0);
    EXPECT_FALSE(QFile::exists(pdf));

    PageTabs(*form)->setCurrentIndex(MainWindow::pgFolderList);
    print->trigger();
    EXPECT_EQ(answers.dialogs, 1);
    EXPECT_TRUE(answers.messages.isEmpty());
    QStringList lines;
    for (const QString& line : PdfText(pdf, {"-layout"}).split('\n'))
        if (!line.trimmed().isEmpty()) lines << line;
    // Item rows only: no header, folder, column header or summary row.
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
    EXPECT_TRUE(lines[0].trimmed().startsWith("alpha"));
    EXPECT_TRUE(lines[0].contains("1.50"));
    EXPECT_TRUE(lines[1].contains("A folder name much longe..umn 0.25"));
}

TEST_F(WindowDialogsTest, SettingsDialogChangesTheWindowWhenItCloses) {
    auto form = MakeForm();
    EXPECT_TRUE(PageTabs(*form)->documentMode()); // design 0 without settings
    QTreeWidget* folderList = FolderPage(*form)->FolderList();
    QPalette listColours = folderList->palette();
    listColours.setColor(QPalette::Base, QColor(10, 20, 30));
    folderList->setPalette(listColours);
    ModalAnswers answers([](QDialog& d) {
        if (auto* s = qobject_cast<SettingsDialog*>(&d)) {
            Control<QSpinBox>(*s, "Spin3D")->setValue(2);
            Control<QSpinBox>(*s, "HistorySpin")->setValue(12);
            Control<QLineEdit>(*s, "EdtMinFileSize")->setText("250");
            s->done(QDialog::Accepted);
        }
        return int(QDialog::Accepted);
    });
    form->Action("SettingsItem")->trigger();
    EXPECT_EQ(answers.dialogs, 1);
    EXPECT_FALSE(PageTabs(*form)->documentMode());
    EXPECT_EQ(form->Session().HistorySize, 12);
    EXPECT_EQ(form->Session().MinFileSizeKB, 250);
    EXPECT_EQ(form->AppliedSettings().FlatDesign, 2);
    // The other lists, the commander's panes among them, take the folder list's colour.
    for (const char* view : {"FileList", "ExplLeftList", "ExplRightDetails", "LV_Shortcut"})
        EXPECT_EQ(Named<QWidget>(*form, view)->palette().color(QPalette::Base), QColor(10, 20, 30))
            << view;
}

TEST_F(WindowDialogsTest, EmptiedSizeBoxGivesZeroKilobytes) {
    EnsureIniFile(ini());
    WriteIniString(ini(), "Settings", "MinFileSize", "");
    auto form = MakeForm();
    EXPECT_EQ(form->Session().MinFileSizeKB, 0);
}

TEST_F(WindowDialogsTest, BadTextInSettingsShownOnceRestApplied) {
    EnsureIniFile(ini());
    WriteIniString(ini(), "Settings", "BarColor", "clBogus");
    WriteIniString(ini(), "Settings", "BarFontColor", "clRed");
    WriteIniInteger(ini(), "Settings", "HistorySize", 33);
    WriteIniInteger(ini(), "Settings", "FlatDesign", 1);
    ModalAnswers answers;
    auto form = MakeForm();
    int conversions = 0;
    for (const QString& m : answers.messages)
        if (m.contains("'clBogus' is not a valid integer value")) ++conversions;
    EXPECT_EQ(conversions, 1);
    EXPECT_EQ(form->AppliedSettings().BarColor, clNavy);
    EXPECT_EQ(form->AppliedSettings().BarFontColor, clRed);
    EXPECT_EQ(form->Session().HistorySize, 33);
    EXPECT_FALSE(PageTabs(*form)->documentMode());
}

TEST_F(WindowDialogsTest, ExportDialogGetsFolderListsAndTotals) {
    auto form = MakeForm();
    QString folder;
    QString kbTotal;
    int rows = -1;
    ModalAnswers answers([&](QDialog& d) {
        if (auto* e = qobject_cast<ExportDialog*>(&d)) {
            e->ConfigureExportList();
            folder = e->ExportList().ExportFolder;
            kbTotal = e->ExportList().ExportTotalKB;
            rows = e->ExportList().SourceList->RowCount();
            e->done(QDialog::Accepted);
        }
        return int(QDialog::Accepted);
    });
    form->Action("ExportListItem")->trigger();
    EXPECT_EQ(folder, form->Session().CurrentFolder());
    EXPECT_EQ(kbTotal, form->Session().TotalKBText());
    EXPECT_EQ(rows, 2);
    // The window made the settings file, so the stored defaults were loaded and
    // stored again when it closed.
    EXPECT_EQ(ReadIniString(ini(), "ExportSettings", "HeadText", "<none>"), "My Header");
}

TEST_F(WindowDialogsTest, HtmlReportFromTheWindowCarriesChartPictures) {
    auto form = MakeForm();
    form->FillChartsFromList();
    const QString report = dir.filePath("report.html");
    bool exported = false;
    ModalAnswers answers([&](QDialog& d) {
        if (auto* fd = qobject_cast<QFileDialog*>(&d)) {
            fd->selectNameFilter(fd->nameFilters().value(4));
            fd->selectFile(report);
            return int(QDialog::Accepted);
        }
        if (auto* e = qobject_cast<ExportDialog*>(&d)) {
            Control<QButtonGroup>(*e, "RGFileType")->button(ftHTML)->setChecked(true);
            Control<QCheckBox>(*e, "CbxInclChart")->setChecked(true);
            Control<QCheckBox>(*e, "CbxLaunchFile")->setChecked(false);
            exported = e->ExportToFile();
            e->done(QDialog::Accepted);
        }
        return int(QDialog::Accepted);
    });
    form->Action("ExportListItem")->trigger();
    ASSERT_TRUE(exported) << answers.messages.join('|').toStdString();
    EXPECT_TRUE(ReadAll(report).contains("<img src=\"report_images/Chart1.jpg\""));
    EXPECT_TRUE(ReadAll(dir.filePath("report_images/Chart1.jpg")).startsWith("\xFF\xD8"));
    EXPECT_TRUE(ReadAll(dir.filePath("report_images/Chart2.jpg")).startsWith("\xFF\xD8"));
}
