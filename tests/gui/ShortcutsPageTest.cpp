// The "Clean Shortcuts" page offscreen: the start folder combo, checking by
// condition and the Trash of checked rows (a Trash in the test's own
// XDG_DATA_HOME).
#include "gui/pages/ShortcutsPage.h"
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "core/cleanup/ShortcutChecker.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "platform/Trash.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class ShortcutsPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return answer;
        });
        form = std::make_unique<MainWindow>(ini.filePath("Morvane.ini"));
        page = form->findChild<ShortcutsPage*>();
        ASSERT_NE(page, nullptr);
        list = page->findChild<QTreeWidget*>("LV_Shortcut");
        startCombo = page->findChild<QComboBox*>("StartMenuCombo");
        listEmptyFoldersButton = page->findChild<QToolButton*>("ListEmptyFoldersButton");
        deleteCheckedButton = page->findChild<QToolButton*>("DeleteCheckedButton");
        uncheckSelectedItem = page->findChild<QAction*>("UncheckSelectedItem");
        ASSERT_TRUE(list && startCombo && listEmptyFoldersButton && deleteCheckedButton &&
                    uncheckSelectedItem);
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
    }
    // Browses to folder through the combo's "Browse ..." item.
    void Browse(const QString& folder) {
        SetFolderPickHook(
            [folder](QWidget*, const QString&, const QString&, const QString&) { return folder; });
        page->StartMenuComboActivated(spBrowse);
    }
    QStringList Column(int c) const {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(c);
        return out;
    }
    QTreeWidgetItem* Row(const QString& name) const {
        const auto found = list->findItems(name, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.first();
    }
    // A click on the check box of a row, where the style draws it.
    void ClickCheckBox(QTreeWidgetItem* item) {
        QStyleOptionViewItem opt;
        opt.initFrom(list->viewport());
        opt.rect = list->visualRect(list->model()->index(list->indexOfTopLevelItem(item), 0));
        opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        opt.text = item->text(0);
        const QRect box = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt,
                                                        list->viewport());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, box.center());
    }
    QStringList Checked() const {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->checkState(0) == Qt::Checked)
                out << list->topLevelItem(i)->text(0);
        return out;
    }
    QTemporaryDir tree, ini;
    std::unique_ptr<MainWindow> form;
    ShortcutsPage* page = nullptr;
    QTreeWidget* list = nullptr;
    QComboBox* startCombo = nullptr;
    QToolButton* listEmptyFoldersButton = nullptr;
    QToolButton* deleteCheckedButton = nullptr;
    QAction* uncheckSelectedItem = nullptr;
    QStringList messages;
    bool answer = true;
};

} // namespace

TEST_F(ShortcutsPageTest, StartMenuComboBrowsesCancelsAndRefusesTypedText) {
    QComboBox* combo = startCombo;
    ASSERT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->currentIndex(), spCommonStartMenu);
    EXPECT_EQ(list->columnWidth(0), 250);

    Browse(QString()); // cancelled
    EXPECT_EQ(combo->currentIndex(), spCommonStartMenu);
    Browse(tree.filePath("missing"));
    EXPECT_EQ(combo->currentIndex(), spCommonStartMenu);

    Browse(tree.path());
    const QString r = tree.path() + "/";
    EXPECT_EQ(combo->currentIndex(), spBrowsedFolder);
    EXPECT_EQ(combo->itemText(spBrowsedFolder), r);
    EXPECT_EQ(HistoryCombo(*form)->currentText(), r);
    EXPECT_EQ(page->CleanupStartFolder(), r);
    EXPECT_NE(form->Session().CurrentFolder(), r) << "the status line does not select the folder";

    page->StartMenuComboDropDown();
    EXPECT_EQ(combo->itemText(spBrowsedFolder), "");
    EXPECT_EQ(HistoryCombo(*form)->currentText(), "");
    page->StartMenuComboActivated(spBrowsedFolder);
    EXPECT_EQ(combo->currentIndex(), spCommonStartMenu);

    // Typed text is no start folder: both tools refuse instead of starting at /.
    Write(tree.filePath("keep/empty/.x"), "");
    QDir().mkpath(tree.filePath("keep/gone"));
    emit combo->lineEdit()->textEdited(QStringLiteral("typed"));
    EXPECT_EQ(page->CleanupStartFolder(), "");
    page->ListEmptyFoldersClick();
    page->DeleteEmptyFoldersClick();
    EXPECT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages.value(0).startsWith("No start folder chosen"));
    EXPECT_TRUE(QDir(tree.filePath("keep/gone")).exists());
}

TEST_F(ShortcutsPageTest, ListCheckByConditionAndTrashCheckedRows) {
    const QString d = tree.filePath("Desktop");
    Write(d + "/gone.desktop", "[Desktop Entry]\nType=Link\nURL=file:///no/such/file\n");
    Write(d + "/fine.desktop",
          "[Desktop Entry]\nType=Link\nURL=file://" + QFile::encodeName(d) + "/fine.desktop\n");
    Write(d + "/sub/odd.desktop", "[Desktop Entry]\nType=Service\n");
    ASSERT_TRUE(QFile::link("/no/such/target", d + "/sub/dangling"));
    Browse(d);
    page->ListShortcutsClick();
    EXPECT_TRUE(messages.isEmpty());
    ASSERT_EQ(list->topLevelItemCount(), 4);
    QStringList subRows = Column(3).mid(2);
    subRows.sort();
    EXPECT_EQ(subRows, (QStringList{d + "/sub/dangling", d + "/sub/odd.desktop"}))
        << "a folder's own shortcuts before its subfolder's";
    QStringList checked = Checked();
    checked.sort();
    EXPECT_EQ(checked, (QStringList{"dangling", "gone.desktop"}));

    // Unchecking selected rows, then "Check broken Items" checks only those again.
    page->UpdateMenuItems();
    EXPECT_FALSE(uncheckSelectedItem->isEnabled());
    list->selectAll();
    page->UpdateMenuItems();
    EXPECT_TRUE(uncheckSelectedItem->isEnabled());
    form->Action("actUncheck_Selected")->trigger();
    EXPECT_TRUE(Checked().isEmpty());
    page->CheckRowsByCondition("BROKEN");
    EXPECT_EQ(Checked().size(), 2);
    page->CheckRowsByCondition("CDROM");
    EXPECT_EQ(Checked().size(), 2);

    page->DeleteCheckedRows();
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(d + "/gone.desktop"));
    EXPECT_TRUE(QFileInfo(HomeTrashDir() + "/files/dangling").isSymLink());
    EXPECT_TRUE(QFile::exists(HomeTrashDir() + "/files/gone.desktop"));

    // A row that cannot go stays, checked.
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    page->SendToTrash = [](const QString&, QString*) { return false; };
    page->DeleteCheckedRows();
    EXPECT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(Checked().size(), 1);

    // A double-click opens the folder that holds a shortcut.
    QString opened;
    page->OpenFolder = [&](const QString& f) { opened = f; };
    page->RowDoubleClicked(0);
    EXPECT_EQ(opened, QFileInfo(list->topLevelItem(0)->text(3)).path());
}

TEST_F(ShortcutsPageTest, EmptyFoldersListedThenDeletedAfterTheWarning) {
    const QString a = tree.filePath("A");
    QDir().mkpath(a + "/B/C");
    Write(a + "/H/.hidden", "");
    Browse(a);
    page->ListEmptyFoldersClick();
    EXPECT_EQ(Column(0), QStringList{"C"});
    EXPECT_EQ(Column(2), QStringList{"Empty"});
    EXPECT_EQ(Checked(), QStringList{"C"});
    QString opened;
    page->OpenFolder = [&](const QString& f) { opened = f; };
    page->RowDoubleClicked(0);
    EXPECT_EQ(opened, a + "/B/C/") << "an empty-folder row opens the folder itself";

    answer = false; // the warning declined
    page->DeleteEmptyFoldersClick();
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_TRUE(QDir(a + "/B/C").exists());
    answer = true;
    page->DeleteEmptyFoldersClick();
    EXPECT_FALSE(QDir(a + "/B").exists());
    EXPECT_TRUE(QDir(HomeTrashDir() + "/files/B").exists());
    EXPECT_TRUE(QDir(a + "/H").exists());

    messages.clear();
    page->ListEmptyFoldersClick();
    EXPECT_EQ(messages, QStringList{"No empty folders found"});
    Browse(a + "/H");
    page->ListShortcutsClick();
    EXPECT_EQ(messages.last(), "No broken shortcut found");
}

TEST_F(ShortcutsPageTest, CheckedFoldersAreTestedAgainAndTheStartFolderStays) {
    const QString a = tree.filePath("A");
    for (const char* d : {"/gains", "/linked", "/goes", "/unchecked"})
        QDir().mkpath(a + d);
    const QString outside = tree.filePath("outside/empty");
    QDir().mkpath(outside);
    form->show();
    PageTabs(*form)->setCurrentIndex(MainWindow::pgShortcuts);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    Browse(a);
    QTest::mouseClick(listEmptyFoldersButton, Qt::LeftButton);
    ASSERT_EQ(Checked().size(), 4);
    ClickCheckBox(Row("unchecked"));
    ASSERT_EQ(Row("unchecked")->checkState(0), Qt::Unchecked);

    // Since the listing one folder gained a file and one became a link to an empty folder.
    Write(a + "/gains/new.txt");
    QDir().rmdir(a + "/linked");
    ASSERT_TRUE(QFile::link(outside, a + "/linked"));
    QTest::mouseClick(deleteCheckedButton, Qt::LeftButton);
    QStringList left = Column(0);
    left.sort();
    EXPECT_EQ(left, (QStringList{"gains", "linked", "unchecked"}));
    EXPECT_TRUE(QDir(HomeTrashDir() + "/files/goes").exists());
    EXPECT_EQ(Read(a + "/gains/new.txt"), "x");
    EXPECT_TRUE(QFileInfo(a + "/linked").isSymLink());
    EXPECT_TRUE(QDir(outside).exists());
    EXPECT_TRUE(QDir(a + "/unchecked").exists());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(a + "/gains") && messages[0].contains(a + "/linked") &&
                !messages[0].contains("unchecked"))
        << messages[0].toStdString();

    // An empty start folder is listed and checked, but stays.
    messages.clear();
    Browse(a + "/unchecked");
    QTest::mouseClick(listEmptyFoldersButton, Qt::LeftButton);
    EXPECT_EQ(Checked(), QStringList{"unchecked"});
    QTest::mouseClick(deleteCheckedButton, Qt::LeftButton);
    EXPECT_TRUE(QDir(a + "/unchecked").exists());
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(messages.size(), 1);

    // A Trash folder that is a link is refused, and the reason shown.
    messages.clear();
    QDir(HomeTrashDir()).removeRecursively();
    ASSERT_TRUE(QFile::link(tree.filePath("outside"), HomeTrashDir()));
    Browse(a);
    QTest::mouseClick(listEmptyFoldersButton, Qt::LeftButton);
    EXPECT_EQ(Checked(), QStringList{"unchecked"});
    QTest::mouseClick(deleteCheckedButton, Qt::LeftButton);
    QFile::remove(HomeTrashDir());
    EXPECT_TRUE(QDir(a + "/unchecked").exists());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("symbolic link")) << messages[0].toStdString();
    EXPECT_EQ(QDir(tree.filePath("outside")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{"empty"});
}
