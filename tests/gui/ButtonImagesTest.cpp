// Tool bar images from a pair of strips: loaded, kept for the next start,
// and the half-loaded pair when the normal strip is missing.
#include "gui/window/ButtonImages.h"
#include "common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "gui/commands/CommandTable.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/pages/FolderListPage.h"
#include "gui/window/MainWindow.h"
#include "gui/window/SplashScreen.h"
#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {
const QColor kKey(255, 0, 255);

// 41 images, each a square of one colour on the key colour.
void WriteStrip(const QString& file, int red) {
    QImage strip(16 * 41, 16, QImage::Format_RGB32);
    strip.fill(kKey);
    for (int i = 0; i < 41; ++i)
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 12; ++x)
                strip.setPixel(i * 16 + x, y, qRgb(red, i, 0));
    ASSERT_TRUE(strip.save(file, "BMP"));
}

QImage Shown(const QAction* a, QIcon::Mode mode = QIcon::Normal) {
    return a->icon().pixmap(16, 16, mode).toImage().convertToFormat(QImage::Format_ARGB32);
}

class ButtonImages : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        ini_ = tmp_.filePath("Morvane.ini");
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages_ << text;
            return true;
        });
    }
    void TearDown() override {
        SetMessageBoxHook({});
        SetModalHook({});
    }
    // "Load button images" with file picked in its dialog.
    void Pick(MainWindow& form, const QString& file) {
        SetModalHook([file](QDialog& d) {
            auto& dlg = dynamic_cast<QFileDialog&>(d);
            EXPECT_EQ(dlg.nameFilters(), QStringList{"Bitmap image lists (*1.bmp)"});
            dlg.selectFile(file);
            return int(QDialog::Accepted);
        });
        form.Action(QStringLiteral("LoadButtonImagesItem"))->trigger();
    }
    QTemporaryDir tmp_;
    ScopedEnv home_{"HOME", tmp_.path().toLocal8Bit()};
    QString ini_;
    QStringList messages_;
};
} // namespace

TEST_F(ButtonImages, APairReplacesTheToolBarImagesAndComesBackAtTheNextStart) {
    const QString black1 = tmp_.filePath("black1.bmp");
    WriteStrip(black1, 200);
    WriteStrip(tmp_.filePath("black2.bmp"), 50);
    {
        MainWindow form(ini_);
        const QImage before = Shown(form.Action(QStringLiteral("actRun")));
        Pick(form, black1);
        EXPECT_TRUE(messages_.isEmpty()) << messages_.join(' ').toStdString();
        const QImage run = Shown(form.Action(QStringLiteral("actRun")));
        EXPECT_NE(run, before);
        EXPECT_EQ(QColor(run.pixel(8, 8)), QColor(50, 29, 0)); // image 29, normal strip
        EXPECT_EQ(qAlpha(run.pixel(0, 0)), 0);                 // key colour: transparent
        EXPECT_EQ(QColor(Shown(form.Action(QStringLiteral("actRun")), QIcon::Active).pixel(8, 8)),
                  QColor(200, 29, 0)); // under the mouse: the "1" strip
        // Buttons with an image of their own follow too; menu images stay.
        EXPECT_EQ(QColor(Shown(form.Action(QStringLiteral("SortChart"))).pixel(8, 8)),
                  QColor(50, 32, 0));
        EXPECT_EQ(QColor(Shown(form.Action(QStringLiteral("MarkVisibleButton"))).pixel(8, 8)),
                  QColor(50, 20, 0));
    }
    EXPECT_EQ(ReadIniString(ini_, "Toolbar Images", "Current", {}), black1);
    {
        MainWindow form(ini_);
        EXPECT_EQ(QColor(Shown(form.Action(QStringLiteral("actRun"))).pixel(8, 8)),
                  QColor(50, 29, 0));
    }
    // The stored strip is gone: the built-in images, and no complaint.
    QFile::remove(black1);
    MainWindow form(ini_);
    EXPECT_NE(QColor(Shown(form.Action(QStringLiteral("actRun"))).pixel(8, 8)), QColor(50, 29, 0));
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(ButtonImages, AHotStripWithoutItsNormalStripReplacesOnlyTheHotImages) {
    const QString red1 = tmp_.filePath("red1.bmp");
    WriteStrip(red1, 200);
    MainWindow form(ini_);
    const QImage before = Shown(form.Action(QStringLiteral("actRun")));
    Pick(form, red1);
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_TRUE(messages_[0].contains("red2.bmp"));
    EXPECT_EQ(Shown(form.Action(QStringLiteral("actRun"))), before);
    EXPECT_EQ(QColor(Shown(form.Action(QStringLiteral("actRun")), QIcon::Active).pixel(8, 8)),
              QColor(200, 29, 0));
    EXPECT_TRUE(ReadIniString(ini_, "Toolbar Images", "Current", {}).isEmpty());

    // Not an image at all: nothing changes.
    QFile bad(tmp_.filePath("bad1.bmp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a bitmap");
    bad.close();
    EXPECT_FALSE(LoadButtonImages(form.Commands(), ini_, bad.fileName()).isEmpty());
}

TEST_F(ButtonImages, StartMessagesComeAfterTheSplashHasClosed) {
    QFile bad(tmp_.filePath("bad1.bmp"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly) && bad.write("not a bitmap") > 0);
    bad.close();
    WriteIniString(ini_, "Toolbar Images", "Current", bad.fileName());
    SplashScreen splash;
    splash.show();
    QList<bool> splashShown;
    SetMessageBoxHook([&](MessageKind, const QString&, const QString& text) {
        messages_ << text;
        splashShown << splash.isVisible();
        return true;
    });
    MainWindow form(ini_, {tmp_.filePath("no such folder")}); // a broken strip, a bad argument
    ASSERT_EQ(messages_.size(), 2) << messages_.join('\n').toStdString();
    EXPECT_EQ(splashShown, QList<bool>({false, false}));
}

TEST_F(ButtonImages, ShippedStripsSplitIntoEveryToolImage) {
    EXPECT_EQ(SplitStrip(DrawButtonStrip(false)).size(), ToolImageNames().size());
    EXPECT_EQ(ToolImageNames().size(), 41);
    EXPECT_TRUE(SplitStrip(QImage(8, 16, QImage::Format_RGB32)).isEmpty());
}
