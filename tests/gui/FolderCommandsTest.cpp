// The folder commands of the size list's and the tree's pop-up menus and the
// "Temp Folders" page, on a real tree inside the test's own HOME (so the Trash
// is the test's too) whose paths are longer than 255 characters.
#include "WindowParts.h"
#include "YesShellUi.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/pages/TempFoldersPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/FolderOperations.h"
#include "gui/window/MainWindow.h"
#include "platform/Trash.h"
#include <QAction>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {
class FolderCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        EmptyTrash({HomeTrashDir()});
        root = work.path() + "/" + QString(120, 'd') + "/" + QString(120, 'e') + "/";
        for (const char* file : {"alpha/a.bin", "beta/b.bin", "top.txt"}) {
            QDir().mkpath(QFileInfo(root + file).path());
            QFile f(root + file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(2000, 'x'));
        }
        target = work.filePath("target");
        QDir().mkpath(target);
        SetMessageBoxHook([this](MessageKind kind, const QString&, const QString& text) {
            messages << text;
            return kind == MessageKind::Question && answerYes;
        });
        SetFolderPickHook(
            [this](QWidget*, const QString& title, const QString& start, const QString&) {
                pickerCalls << title + "|" + start;
                return picks.isEmpty() ? QString() : picks.takeFirst();
            });
        SetOpenInShellHook([this](const QString& p) { opened << p; });
        form = std::make_unique<MainWindow>(work.filePath("Morvane.ini"));
        form->findChild<FolderOperations*>()->ShellUi = &ui;
        temp = form->findChild<TempFoldersPage*>();
        tempList = temp->findChild<QTreeWidget*>("TempFolderList");
        addButton = temp->findChild<QToolButton*>("AddTempFolder");
        removeButton = temp->findChild<QToolButton*>("RemoveTempFolder");
        deleteFilesButton = temp->findChild<QToolButton*>("DeleteTempFiles");
        ASSERT_TRUE(tempList && addButton && removeButton && deleteFilesButton);
        form->Session().SelectFolder(root);
        form->AnalyseFolder(root);
        QObject::connect(form.get(), &MainWindow::ChartsFillRequested, [this] { ++fills; });
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
        SetOpenInShellHook({});
    }
    static QStringList Texts(QTreeWidget* list) {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0);
        return out;
    }
    QStringList Captions() const {
        QStringList out = Texts(FolderPage(*form)->FolderList());
        out.sort();
        return out;
    }
    void OnRow(const QString& caption, const char* action) {
        for (QTreeWidgetItem* row :
             FolderPage(*form)->FolderList()->findItems(caption, Qt::MatchExactly))
            FolderPage(*form)->FolderList()->setCurrentItem(row);
        form->Action(action)->trigger();
    }
    QStringList TempRows() const { return Texts(tempList); }
    void AddTemp(const QString& folder) {
        picks << folder;
        addButton->click();
    }
    static bool IsDir(const QString& p) { return QFileInfo(p).isDir(); }

    QTemporaryDir work{QDir::homePath() + "/folders-XXXXXX"};
    QString root, target;
    YesShellUi ui;
    QStringList messages, picks, pickerCalls, opened;
    bool answerYes = false;
    int fills = 0;
    std::unique_ptr<MainWindow> form;
    TempFoldersPage* temp = nullptr;
    QTreeWidget* tempList = nullptr;
    QToolButton *addButton = nullptr, *removeButton = nullptr, *deleteFilesButton = nullptr;
};
} // namespace

TEST_F(FolderCommandsTest, DeleteAndOpenActOnTheRowsFolderNeverOnThePseudoRow) {
    const QStringList all{"<All files in this folder>", "alpha", "beta"};
    OnRow("<All files in this folder>", "DeleteListFolderItem");
    OnRow("<All files in this folder>", "OpenFolderItem");
    EXPECT_EQ(ui.trashQuestions + fills + opened.size(), 0);
    EXPECT_EQ(Captions(), all);

    OnRow("alpha", "OpenFolderItem");
    EXPECT_EQ(opened, QStringList{root + "alpha/"});
    OnRow("alpha", "DeleteListFolderItem");
    EXPECT_EQ(ui.trashQuestions, 1);
    EXPECT_FALSE(IsDir(root + "alpha"));
    EXPECT_TRUE(QFile::exists(HomeTrashDir() + "/files/alpha/a.bin"));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "beta"}));
    EXPECT_EQ(fills, 1); // measured again, so the charts follow

    // The row names its own folder, also after another folder was selected.
    QDir().mkpath(target + "/beta");
    form->Session().SelectFolder(target);
    OnRow("beta", "DeleteListFolderItem");
    EXPECT_FALSE(IsDir(root + "beta"));
    EXPECT_TRUE(IsDir(target + "/beta"));
}

TEST_F(FolderCommandsTest, MoveTakesTheRowOnlyWhenDoneCopyKeepsIt) {
    const QStringList all{"<All files in this folder>", "alpha", "beta"};
    OnRow("alpha", "MoveListFolderItem"); // cancelled in the picker
    EXPECT_EQ(pickerCalls, QStringList{"Select target directory|" + root});
    picks << target;
    OnRow("beta", "CopyListFolderItem");
    picks << target;
    OnRow("beta", "MoveListFolderItem"); // refused: the copy is already there
    EXPECT_TRUE(IsDir(root + "alpha") && IsDir(root + "beta") && IsDir(target + "/beta"));
    EXPECT_EQ(Captions(), all);
    EXPECT_EQ(fills, 0);

    picks << target;
    OnRow("alpha", "MoveListFolderItem");
    EXPECT_FALSE(IsDir(root + "alpha"));
    EXPECT_TRUE(QFile::exists(target + "/alpha/a.bin"));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "beta"}));
    EXPECT_EQ(fills, 1);
}

TEST_F(FolderCommandsTest, TreeCommandsActOnTheTreesFolderAfterThePicker) {
    DirTree(*form)->SelectPath(root + "beta");
    form->Action("DeleteFolderItem")->trigger(); // picker cancelled: nothing deleted
    EXPECT_TRUE(IsDir(root + "beta"));
    picks << target << work.path();
    form->Action("MoveFolderItem")->trigger();
    DirTree(*form)->SelectPath(target + "/beta");
    form->Action("DeleteFolderItem")->trigger(); // the picked folder plays no part
    EXPECT_FALSE(IsDir(root + "beta") || IsDir(target + "/beta"));
    EXPECT_TRUE(QFile::exists(HomeTrashDir() + "/files/beta/b.bin"));
    EXPECT_EQ(pickerCalls.first(), "Select target directory|" + root + "beta/");
    EXPECT_EQ(fills, 0); // the tree commands leave the list alone
}

TEST_F(FolderCommandsTest, TempFoldersAddRemoveAndRefusals) {
    const QString a = work.filePath("a"), b = work.filePath("b"), c = work.filePath("c");
    addButton->click(); // cancelled
    AddTemp(a);
    AddTemp(b);
    tempList->topLevelItem(0)->setSelected(true);
    AddTemp(a); // opens where the last pick was, whatever is selected; duplicates stay
    AddTemp(c);
    EXPECT_EQ(pickerCalls,
              (QStringList{"Select Directory Sample|/", "Select Directory Sample|/",
                           "Select Directory Sample|" + a, "Select Directory Sample|" + b,
                           "Select Directory Sample|" + a}));
    tempList->topLevelItem(3)->setSelected(true);
    tempList->topLevelItem(1)->setSelected(false);
    removeButton->click();
    EXPECT_EQ(TempRows(), (QStringList{b, a}));

    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    ASSERT_TRUE(desktop.startsWith(QDir::homePath()));
    AddTemp(desktop);
    AddTemp("/usr/share/doc");
    AddTemp(desktop + "/"); // another spelling of the desktop passes
    const QString m = "Not this system folder please!\n\r";
    EXPECT_EQ(messages, (QStringList{m + desktop, m + "/usr/share/doc"}));
    EXPECT_EQ(TempRows(), (QStringList{b, a, desktop + "/"}));
}

TEST_F(FolderCommandsTest, TempFoldersDeleteFilesAsksAndDeletesNothing) {
    AddTemp(root);
    AddTemp(root);
    tempList->selectAll();
    deleteFilesButton->click(); // two selected: nothing asked
    tempList->topLevelItem(0)->setSelected(false);
    deleteFilesButton->click(); // answered No
    answerYes = true;
    deleteFilesButton->click();
    const QString question = "Do you really want to delete all files in the selected folder "
                             "\r\nincluding its subfolders?";
    EXPECT_EQ(messages, (QStringList{question, question, "not supported yet"}));
    EXPECT_TRUE(QFile::exists(root + "alpha/a.bin") && QFile::exists(root + "top.txt"));
}
