// The frame's own commands: keys that sit on menu items, hints on and off,
// the drawn File menu and the about dialog.
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/window/FileMenu.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ResultFileCommands.h"
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>
#include <memory>

namespace {
class FrameCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        qputenv("HOME", tmp_.path().toLocal8Bit());
        form_ = std::make_unique<MainWindow>(tmp_.filePath("Morvane.ini"));
    }
    void TearDown() override {
        SetModalHook({});
        ResultFileCommands::SetFileDialog({});
    }
    QTemporaryDir tmp_;
    std::unique_ptr<MainWindow> form_;
};

// Whether a tool tip request gets through to the widget (the window stops it
// before the widget's own filters when hints are off).
bool TipShown(QWidget* w) {
    struct Seen : QObject {
        bool tip = false;
        bool eventFilter(QObject*, QEvent* e) override {
            tip = tip || e->type() == QEvent::ToolTip;
            return false;
        }
    } seen;
    w->installEventFilter(&seen);
    QHelpEvent e(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(w, &e);
    w->removeEventFilter(&seen);
    return seen.tip;
}
} // namespace

TEST_F(FrameCommands, KeysReachTheirItemsAndF4SwitchesEveryHint) {
    QStringList asked;
    ResultFileCommands::SetFileDialog([&asked](bool save) {
        asked << (save ? "save" : "open");
        return QString(); // cancelled
    });
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
    QTest::keyClick(form_.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(form_.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, (QStringList{"save", "open"}));

    QWidget* run = form_->MainToolBar()->widgetForAction(form_->Action("actRun"));
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(TipShown(run));
    QTest::keyClick(form_.get(), Qt::Key_F4);
    EXPECT_FALSE(form_->Action("actShowHints")->isChecked());
    EXPECT_FALSE(TipShown(run));
    EXPECT_FALSE(TipShown(form_->findChild<QWidget*>("HistoryCombo")));
    QTest::keyClick(form_.get(), Qt::Key_F4);
    EXPECT_TRUE(TipShown(run));
}

TEST_F(FrameCommands, FileMenuDrawsItsTextsImagesAndBand) {
    auto* file = form_->menuBar()->findChild<FileMenu*>("MenuFile");
    ASSERT_NE(file, nullptr);
    QStringList texts;
    for (QAction* a : file->actions())
        if (!a->isSeparator()) texts << FileMenu::DrawnText(a);
    EXPECT_EQ(texts, (QStringList{"Run (F9)", "Up one Dir (F10)", "Browse Directory (F2)",
                                  "Print Sheet (Ctrl+P)", "Save Result (Ctrl+S)",
                                  "Load Result (Ctrl+O)", "Exit (Ctrl+Q)"}));

    file->popup(QPoint(0, 0));
    QAction* up = form_->Action("actUpOneDir");
    file->setActiveAction(up);
    const QImage shot = file->grab().toImage();
    const QRect r = file->actionGeometry(up);
    EXPECT_EQ(QColor(shot.pixel(3, 3)), QColor(0, 0, 128)); // BarColor "clnavy"
    EXPECT_EQ(QColor(shot.pixel(FileMenu::BandWidth + 1, r.center().y())),
              file->palette().color(QPalette::Highlight));
    const QRect run = file->actionGeometry(form_->Action("actRun"));
    EXPECT_NE(QColor(shot.pixel(FileMenu::BandWidth + 1, run.center().y())),
              file->palette().color(QPalette::Highlight));
    // Room for the longest drawn text.
    EXPECT_GE(file->width(), FileMenu::TextX + file->fontMetrics().horizontalAdvance(
                                                   QStringLiteral("Browse Directory (F2)")));
    file->hide();
}

TEST_F(FrameCommands, AboutTellsVersionAndLibraries) {
    QString shown;
    SetModalHook([&shown](QDialog& d) {
        shown = d.findChild<QLabel*>("AboutText")->text();
        return int(QDialog::Accepted);
    });
    form_->Action("actAbout")->trigger();
    EXPECT_TRUE(shown.contains("Version 0.1"));
    for (const char* lib : {"Qt 6.", "libzip", "libxlsxwriter", "SQLite", "libjpeg"})
        EXPECT_TRUE(shown.contains(QLatin1String(lib))) << lib;
}
