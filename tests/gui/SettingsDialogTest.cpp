#include "gui/dialogs/SettingsDialog.h"
#include "DialogTestUtil.h"
#include "core/settings/IniFile.h"
#include "core/settings/SettingsDefaults.h"
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {
struct SettingsDialogTest : ::testing::Test {
    QTemporaryDir dir;
    QString ini() const { return dir.filePath("AppData/Morvane.ini"); }
    QString value(const char* key) const { return ReadIniString(ini(), "Settings", key, "<none>"); }
    // The keys of the section in file order.
    QStringList keys() const {
        QStringList out;
        bool inSection = false;
        for (const QByteArray& raw : ReadAll(ini()).split('\n')) {
            const QString line = QString::fromUtf8(raw).trimmed();
            if (line.startsWith('['))
                inSection = line == "[Settings]";
            else if (inSection && line.contains('='))
                out << line.section('=', 0, 0);
        }
        return out;
    }
};

void Type(QWidget* w, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}
} // namespace

TEST_F(SettingsDialogTest, ResetWritesFactoryValuesInItsOrder) {
    ModalAnswers answers;
    answers.messageAnswer = QMessageBox::Yes;
    SettingsDialog form(ini());
    EXPECT_EQ(form.windowTitle(), "Morvane Settings");
    form.ResetToDefault();
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].startsWith("Do you really want to overwrite your settings?"));
    EXPECT_EQ(keys(), QStringList({"ShowIcons", "FlatDesign", "MinFileSize", "BarStyle",
                                   "ActivePage", "EnableZoom", "HistorySize", "LegendColor",
                                   "BarFontColor", "BarColor", "LegendFont", "GradientColor2",
                                   "GradientColor1", "ListColor", "ChartFont", "ListFont"}));
    EXPECT_EQ(value("ListColor"), "$0088E0FF");
    EXPECT_EQ(value("LegendColor"), "$0088E0FF");
    EXPECT_EQ(value("BarFontColor"), "$0088E0FF");
    EXPECT_EQ(value("GradientColor1"), "clMaroon");
    EXPECT_EQ(value("GradientColor2"), "clNavy");
    EXPECT_EQ(value("BarColor"), "clNavy");
    EXPECT_EQ(value("ListFont"), "\"Arial\", 9, [], [clWindowText]");
    EXPECT_EQ(value("ChartFont"), "\"MS Sans Serif\", 8, [Bold], [clYellow]");
    EXPECT_EQ(value("FlatDesign"), "1");
    EXPECT_EQ(value("HistorySize"), "30");
    EXPECT_EQ(value("MinFileSize"), "0");
    EXPECT_EQ(value("ShowIcons"), "0");
    EXPECT_EQ(Control<QSpinBox>(form, "Spin3D")->value(), 1);
    EXPECT_EQ(Control<QLineEdit>(form, "EdtMinFileSize")->text(), "0");
}

TEST_F(SettingsDialogTest, ResetAnsweredNoChangesNothing) {
    EnsureIniFile(ini());
    WriteIniString(ini(), "Settings", "ListColor", "clRed");
    ModalAnswers answers;
    answers.messageAnswer = QMessageBox::No;
    SettingsDialog form(ini());
    const QByteArray before = ReadAll(ini());
    form.ResetToDefault();
    EXPECT_EQ(ReadAll(ini()), before);
    EXPECT_EQ(Control<ColorPanel>(form, "PnlListColor")->ColorValue(), clRed);
}

TEST_F(SettingsDialogTest, HistoryLengthClampedAndWrittenBackAtOnce) {
    EnsureIniFile(ini());
    WriteIniInteger(ini(), "Settings", "HistorySize", 70);
    {
        SettingsDialog form(ini());
        EXPECT_EQ(Control<QSpinBox>(form, "HistorySpin")->value(), 50);
        EXPECT_EQ(value("HistorySize"), "50");
    }
    WriteIniInteger(ini(), "Settings", "HistorySize", 3);
    SettingsDialog form(ini());
    EXPECT_EQ(value("HistorySize"), "10");
    Control<QSpinBox>(form, "HistorySpin")->setValue(25);
    EXPECT_EQ(value("HistorySize"), "25");
    Control<QSpinBox>(form, "Spin3D")->setValue(2);
    EXPECT_EQ(value("FlatDesign"), "2");
}

TEST_F(SettingsDialogTest, EmptiedSizeBoxStoredEmptyReadAsZero) {
    {
        SettingsDialog form(ini());
        EXPECT_EQ(Control<QLineEdit>(form, "EdtMinFileSize")->text(), "0");
        Control<QLineEdit>(form, "EdtMinFileSize")->clear();
        Control<QTabWidget>(form, "PageControl")->setCurrentIndex(1);
        form.reject();
    }
    EXPECT_EQ(value("MinFileSize"), "");
    EXPECT_EQ(value("ActivePage"), "1");
    EXPECT_EQ(ReadWindowSettings(ini()).MinFileSize, 0);
    SettingsDialog again(ini());
    EXPECT_EQ(Control<QLineEdit>(again, "EdtMinFileSize")->text(), "1");
    EXPECT_EQ(Control<QTabWidget>(again, "PageControl")->currentIndex(), 1);
}

TEST_F(SettingsDialogTest, SizeBoxTakesDigitsOnly) {
    SettingsDialog form(ini());
    auto* sizeBox = Control<QLineEdit>(form, "EdtMinFileSize");
    sizeBox->clear();
    Type(sizeBox, Qt::Key_1, "1");
    Type(sizeBox, Qt::Key_A, "a");
    Type(sizeBox, Qt::Key_Minus, "-");
    Type(sizeBox, Qt::Key_2, "2");
    EXPECT_EQ(sizeBox->text(), "12");
    EXPECT_EQ(Control<QLabel>(form, "LblInvalidKey")->text(), "Invalid key");
    Type(sizeBox, Qt::Key_Backspace, "\b");
    EXPECT_EQ(sizeBox->text(), "1");
}

TEST_F(SettingsDialogTest, ChosenColourAndFontWrittenAtOnce) {
    ModalAnswers answers([](QDialog& d) {
        if (auto* c = qobject_cast<QColorDialog*>(&d)) c->setCurrentColor(QColor(255, 0, 0));
        if (auto* f = qobject_cast<QFontDialog*>(&d)) {
            QFont font(QStringLiteral("Courier New"), 12);
            font.setItalic(true);
            f->setCurrentFont(font);
        }
        return int(QDialog::Accepted);
    });
    SettingsDialog form(ini());
    QTest::mouseClick(Control<ColorPanel>(form, "PnlBarColor"), Qt::LeftButton);
    EXPECT_EQ(value("BarColor"), "clRed");
    EXPECT_EQ(Control<ColorPanel>(form, "PnlBarColor")->ColorValue(), clRed);
    QTest::mouseClick(Control<QPushButton>(form, "BtnFontChart"), Qt::LeftButton);
    // The chart font keeps its yellow; name, size and style come from the dialog.
    EXPECT_TRUE(value("ChartFont").endsWith(", 12, [Italic], [clYellow]"))
        << value("ChartFont").toStdString();
    QTest::mouseClick(Control<QCheckBox>(form, "CbxEnableZoom"), Qt::LeftButton);
    EXPECT_EQ(value("EnableZoom"), "1");
    // Beside each font, its colour: the yellow chart title can become red.
    EXPECT_EQ(Control<ColorPanel>(form, "PnlChartFontColor")->ColorValue(), clYellow);
    QTest::mouseClick(Control<ColorPanel>(form, "PnlChartFontColor"), Qt::LeftButton);
    EXPECT_TRUE(value("ChartFont").endsWith(", 12, [Italic], [clRed]"));
    EXPECT_EQ(Control<ColorPanel>(form, "PnlChartFontColor")->ColorValue(), clRed);
    EXPECT_EQ(Control<QLabel>(form, "LblChartFont")->palette().color(QPalette::WindowText),
              QColor(255, 0, 0));
    QTest::mouseClick(Control<ColorPanel>(form, "PnlListFontColor"), Qt::LeftButton);
    EXPECT_TRUE(value("ListFont").endsWith(", [clRed]")) << value("ListFont").toStdString();
    QTest::mouseClick(Control<ColorPanel>(form, "PnlLegendFontColor"), Qt::LeftButton);
    EXPECT_TRUE(value("LegendFont").endsWith(", [clRed]"));
    SettingsDialog again(ini());
    EXPECT_EQ(Control<ColorPanel>(again, "PnlChartFontColor")->ColorValue(), clRed);
}

TEST_F(SettingsDialogTest, BadColourTextShownOnceOthersRead) {
    EnsureIniFile(ini());
    WriteIniString(ini(), "Settings", "ListColor", "clPink");
    WriteIniString(ini(), "Settings", "BarColor", "clRed");
    WriteIniString(ini(), "Settings", "LegendFont", "\"Arial\", big, [], [clBlack]");
    ModalAnswers answers;
    SettingsDialog form(ini());
    ASSERT_EQ(answers.messages.size(), 1);
    EXPECT_TRUE(answers.messages[0].contains("'clPink' is not a valid integer value"));
    EXPECT_EQ(Control<ColorPanel>(form, "PnlListColor")->ColorValue(), clSilver);
    EXPECT_EQ(Control<ColorPanel>(form, "PnlBarColor")->ColorValue(), clRed);
    EXPECT_EQ(Control<QLabel>(form, "lblLegendFont")->font().pointSize(), 9);
}

TEST_F(SettingsDialogTest, WindowReadsItsOwnDefaultsAndSkipsOnlyBadKeys) {
    EnsureIniFile(ini());
    WindowSettings w = ReadWindowSettings(ini());
    EXPECT_TRUE(w.EnableZoom); // the dialog shows zoom off for the same file
    EXPECT_TRUE(w.CircelPie);
    EXPECT_EQ(w.HistorySize, 20);
    EXPECT_EQ(w.ChartFont.name, "MS Sans Serif");
    EXPECT_EQ(w.ChartFont.color, clYellow);
    SettingsDialog dialog(ini());
    EXPECT_FALSE(Control<QCheckBox>(dialog, "CbxEnableZoom")->isChecked());

    WriteIniString(ini(), "Settings", "GradientColor1", "nonsense");
    WriteIniString(ini(), "Settings", "LegendColor", "clRed");
    WriteIniString(ini(), "Settings", "ListFont", "\"Arial\"");
    WriteIniInteger(ini(), "Settings", "HistorySize", 500);
    QStringList errors;
    w = ReadWindowSettings(ini(), &errors);
    EXPECT_EQ(errors.size(), 2);
    EXPECT_EQ(w.GradientColor1, clGreen);
    EXPECT_EQ(w.LegendColor, clRed);
    EXPECT_EQ(w.ListFont.name, "Arial");
    EXPECT_EQ(w.ListFont.size, 9);
    EXPECT_EQ(w.HistorySize, 50);
}
