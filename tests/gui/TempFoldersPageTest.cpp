// The "Temp Folders" page: adding through the picker, the protected-folder
// refusals, removing selected rows, and the clean command that is not there yet.
#include "gui/pages/TempFoldersPage.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/window/MainWindow.h"
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {
class TempFoldersPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        SetMessageBoxHook([this](MessageKind kind, const QString&, const QString& text) {
            messages << text;
            return kind == MessageKind::Question && answerYes;
        });
        SetFolderPickHook(
            [this](QWidget*, const QString& title, const QString& start, const QString&) {
                titles << title;
                starts << start;
                return picks.isEmpty() ? QString() : picks.takeFirst();
            });
        form = std::make_unique<MainWindow>(work.filePath("Morvane.ini"));
        page = form->findChild<TempFoldersPage*>();
        ASSERT_NE(page, nullptr);
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
    }
    QStringList Rows() const {
        QStringList out;
        for (int i = 0; i < page->Folders->topLevelItemCount(); ++i)
            out << page->Folders->topLevelItem(i)->text(0);
        return out;
    }
    void Add(const QString& folder) {
        picks << folder;
        page->AddButton->click();
    }

    QTemporaryDir work;
    QStringList messages, picks, titles, starts;
    bool answerYes = false;
    std::unique_ptr<MainWindow> form;
    TempFoldersPage* page = nullptr;
};
} // namespace

TEST_F(TempFoldersPageTest, PageLayout) {
    EXPECT_EQ(page->parentWidget(), form->Page(MainWindow::pgTempFolders));
    EXPECT_EQ(page->findChild<QGroupBox*>()->title(), "Directories with temporary files");
    EXPECT_EQ(page->AddButton->text(), "+ Add");
    EXPECT_EQ(page->RemoveButton->text(), "- Remove");
    EXPECT_EQ(page->EditButton->text(), "Edit");
    EXPECT_EQ(page->DeleteFilesButton->text(), "Delete Files");
    EXPECT_EQ(page->AddButton->toolTip(), page->Folders->toolTip());
    EXPECT_EQ(page->RemoveButton->toolTip(), page->Folders->toolTip());
    EXPECT_TRUE(page->Folders->isHeaderHidden());
    EXPECT_EQ(page->Folders->columnCount(), 1);
    EXPECT_EQ(page->Folders->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(TempFoldersPageTest, AddKeepsOrderAndDuplicatesRemoveTakesTheSelected) {
    const QString a = work.filePath("a"), b = work.filePath("b");
    page->AddButton->click(); // cancelled: nothing changes
    EXPECT_TRUE(Rows().isEmpty());
    EXPECT_EQ(starts, QStringList{"/"});
    EXPECT_EQ(titles, QStringList{"Select Directory Sample"});
    EXPECT_TRUE(page->BrowseStart == "/");

    Add(a);
    Add(b);
    page->Folders->topLevelItem(0)->setSelected(true);
    Add(a); // opens where the last pick was, whatever is selected
    Add(work.filePath("c"));
    Add(work.filePath("d"));
    EXPECT_EQ(starts, (QStringList{"/", "/", a, b, a, work.filePath("c")}));
    ASSERT_EQ(Rows(), (QStringList{a, b, a, work.filePath("c"), work.filePath("d")}));
    EXPECT_TRUE(messages.isEmpty());

    page->Folders->clearSelection();
    for (int i : {0, 2, 3})
        page->Folders->topLevelItem(i)->setSelected(true);
    page->RemoveButton->click();
    EXPECT_EQ(Rows(), (QStringList{b, work.filePath("d")}));
    page->EditButton->click(); // has no command
    EXPECT_EQ(Rows(), (QStringList{b, work.filePath("d")}));
}

TEST_F(TempFoldersPageTest, ProtectedFoldersAreRefusedWithTheirMessages) {
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ASSERT_TRUE(desktop.startsWith(QDir::homePath())); // the test's own HOME
    Add(desktop);
    Add("/usr/share/doc");
    Add("/usr");
    EXPECT_TRUE(Rows().isEmpty());
    const QString m = "Not this system folder please!\n\r";
    EXPECT_EQ(messages, (QStringList{m + desktop, m + "/usr/share/doc", m + "/usr", m + "/usr"}));
    EXPECT_EQ(page->BrowseStart, "/usr"); // kept even though refused
    Add(desktop + "/");                   // another spelling of the desktop passes
    EXPECT_EQ(Rows(), QStringList{desktop + "/"});
}

TEST_F(TempFoldersPageTest, DeleteFilesAsksAndDeletesNothing) {
    const QString folder = work.filePath("cache");
    QDir().mkpath(folder + "/sub");
    QFile f(folder + "/sub/x.tmp");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    Add(folder);
    Add(folder);
    page->Folders->selectAll();
    page->DeleteFilesButton->click(); // two selected: nothing asked
    EXPECT_TRUE(messages.isEmpty());

    page->Folders->clearSelection();
    page->Folders->topLevelItem(1)->setSelected(true);
    page->DeleteFilesButton->click(); // answered No
    answerYes = true;
    page->DeleteFilesButton->click();
    const QString question =
        "Do you really want to delete all files in the selected folder \r\nincluding its "
        "subfolders?";
    EXPECT_EQ(messages, (QStringList{question, question, "not supported yet"}));
    EXPECT_TRUE(QFile::exists(folder + "/sub/x.tmp"));
    EXPECT_EQ(Rows().size(), 2);
}
