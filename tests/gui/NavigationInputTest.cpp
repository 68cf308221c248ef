// The folder tree and the folder picker as a user meets them: the tree shows
// the current folder wherever it came from and follows the keyboard; the
// picker opens in the start folder ready to choose it.
#include "WindowParts.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/MainWindow.h"
#include "tests/common/TestFiles.h"
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {
class NavigationInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        root_ = tmp_.filePath("tree") + "/";
        deep_ = root_ + "a/b/c/d/";
        Write(deep_ + "e/f.bin", QByteArray(4096, 'x'));
        Write(root_ + "one/x.bin");
        Write(root_ + "two/y.bin");
        // Folders the tree loads late above the chosen one push it down.
        for (int i = 0; i < 60; ++i) {
            QDir().mkpath(root_ + QString::asprintf("0%02d", i));
            QDir().mkpath(root_ + QString::asprintf("a/b/c/0%02d", i));
        }
        ini_ = tmp_.filePath("Morvane.ini");
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages_ << text;
            return true;
        });
    }
    void TearDown() override { SetMessageBoxHook({}); }

    std::unique_ptr<MainWindow> Open(const QString& start) {
        WriteIniInteger(ini_, "Page", "TabSheet", MainWindow::pgFolderList);
        WriteIniString(ini_, "LastDir", "Start with", start);
        WriteIniBool(ini_, "Switches", "ShowDirTree", true);
        auto form = std::make_unique<MainWindow>(ini_);
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        return form;
    }
    // Whether the tree selects path and shows it once its folders are read.
    static bool TreeShows(MainWindow& form, const QString& path) {
        DirTreeView* tree = DirTree(form);
        QTest::qWait(300);
        return QTest::qWaitFor([&] {
            const QRect r = tree->visualRect(tree->currentIndex());
            return tree->SelectedFolder() == path && !r.isEmpty() &&
                   tree->viewport()->rect().contains(r.center());
        });
    }
    static void Run(MainWindow& form) {
        QTest::keyClick(&form, Qt::Key_F9);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Session().Running(); }, 20000));
    }

    QTemporaryDir tmp_;
    QString root_, deep_, ini_;
    QStringList messages_;
};
} // namespace

TEST_F(NavigationInput, TreeShowsAStoredStartFolderAndADrilledOne) {
    auto form = Open(deep_);
    EXPECT_EQ(form->Session().CurrentFolder().toStdString(), deep_.toStdString());
    EXPECT_TRUE(TreeShows(*form, deep_));

    // Run, then a double-click on the row of a subfolder: the tree goes there too.
    Run(*form);
    QTreeWidget* list = FolderPage(*form)->FolderList();
    const QList<QTreeWidgetItem*> rows = list->findItems("e", Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1);
    // Through the window, which makes the double click of two clicks.
    const QPoint at = list->viewport()->mapTo(form.get(), list->visualItemRect(rows[0]).center());
    QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->Session().Running(); }));
    EXPECT_EQ(form->Session().CurrentFolder().toStdString(), (deep_ + "e/").toStdString());
    EXPECT_TRUE(TreeShows(*form, deep_ + "e/"));
    EXPECT_TRUE(messages_.isEmpty());
}

TEST_F(NavigationInput, AFolderChosenWithTheKeyboardIsTheOneRun) {
    auto form = Open(root_ + "one");
    DirTreeView* tree = DirTree(*form);
    ASSERT_TRUE(TreeShows(*form, root_ + "one/"));
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(tree->SelectedFolder().toStdString(), (root_ + "two/").toStdString());
    EXPECT_EQ(form->Session().CurrentFolder().toStdString(), (root_ + "two/").toStdString());
    Run(*form);
    // Run analysed the folder the keyboard chose, not the one before it.
    EXPECT_EQ(HistoryCombo(*form)->currentText().toStdString(), (root_ + "two/").toStdString());
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(form->Session().CurrentFolder().toStdString(), (root_ + "one/").toStdString());
}

TEST_F(NavigationInput, DefaultWindowShowsTheWholeToolBarOnASmallScreen) {
    auto form = Open(root_);
    EXPECT_LE(form->frameGeometry().right(), 1366);
    EXPECT_LE(form->frameGeometry().bottom(), 768);
    QToolBar* bar = MainToolBar(*form);
    for (QAction* a : bar->actions()) {
        const QWidget* w = bar->widgetForAction(a);
        EXPECT_TRUE(!w || w->isVisible()) << a->toolTip().toStdString();
    }
    auto* more = bar->findChild<QWidget*>("qt_toolbar_ext_button");
    EXPECT_TRUE(!more || !more->isVisible());
}

TEST(FolderPickerInput, OpensInTheStartFolderReadyToChooseIt) {
    QTemporaryDir tmp;
    const QString start = tmp.filePath("start") + "/";
    QDir().mkpath(start + "inner");
    QString typed = "<not shown>", shownDir;
    bool chooseEnabled = false;
    QTimer::singleShot(0, [&] {
        (void)QTest::qWaitFor(
            [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); });
        auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        typed = dlg->findChild<QLineEdit*>("fileNameEdit")->text();
        shownDir = dlg->directory().absolutePath();
        QPushButton* choose =
            dlg->findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Open);
        chooseEnabled = choose && choose->isEnabled();
        if (choose) QTest::mouseClick(choose, Qt::LeftButton);
        if (dlg->isVisible()) dlg->reject();
    });
    FolderDialog picker(nullptr);
    picker.Title = "Select target directory";
    picker.Directory = start;
    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(typed.toStdString(), "");
    EXPECT_EQ((shownDir + "/").toStdString(), start.toStdString());
    EXPECT_TRUE(chooseEnabled);
    EXPECT_EQ(picker.Directory.toStdString(), start.toStdString());
}
