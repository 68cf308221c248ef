// The folder commands of the size list's and the tree's pop-up menus on a real
// folder tree inside the test's own HOME (so the Trash is the test's too).
#include "gui/window/FolderOperations.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/window/CommandTable.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/MainWindow.h"
#include "platform/Trash.h"
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {
void WriteFile(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'x'));
}

// Says yes to every question and records what it was asked.
class AnsweringUi : public IShellOpUi {
public:
    bool ConfirmTrash(const QStringList& p) override {
        asked << "trash:" + p.join(',');
        return true;
    }
    bool ConfirmCreateFolder(const QString&) override { return true; }
    ReplaceAnswer AskReplace(const QString&, const QString&, bool) override {
        return ReplaceAnswer::Cancel;
    }
    void ShowError(const QString& m) override { errors << m; }
    void BeginProgress(const QString&, std::int64_t) override {}
    bool StepProgress(const QString&, std::int64_t) override { return true; }
    void EndProgress() override {}
    QStringList asked, errors;
};

class FolderOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(work.isValid());
        EmptyTrash({HomeTrashDir()});
        root = work.filePath("tree") + "/";
        WriteFile(root + "alpha/a.bin", 3000);
        WriteFile(root + "beta/b.bin", 2000);
        WriteFile(root + "top.txt", 10);
        target = work.filePath("target");
        QDir().mkpath(target);
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        SetFolderPickHook(
            [this](QWidget*, const QString& title, const QString& start, const QString&) {
                pickerTitles << title;
                pickerStarts << start;
                return picks.isEmpty() ? QString() : picks.takeFirst();
            });
        SetOpenInShellHook([this](const QString& p) { opened << p; });
        form = std::make_unique<MainWindow>(work.filePath("Morvane.ini"));
        ops = form->findChild<FolderOperations*>();
        ASSERT_NE(ops, nullptr);
        ops->ShellUi = &ui;
        Analyse(root);
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
        SetOpenInShellHook({});
    }
    void Analyse(const QString& folder) {
        form->SelectFolder(folder);
        form->AnalyseFolder(folder);
    }
    QStringList Captions() const {
        QStringList out;
        for (int i = 0; i < form->FolderList()->topLevelItemCount(); ++i)
            out << form->FolderList()->topLevelItem(i)->text(0);
        out.sort();
        return out;
    }
    void SelectRow(const QString& caption) {
        QTreeWidget* list = form->FolderList();
        list->clearSelection();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == caption) list->topLevelItem(i)->setSelected(true);
    }
    void Trigger(const char* name) { form->Action(QLatin1String(name))->trigger(); }
    static bool IsDir(const QString& p) { return QFileInfo(p).isDir(); }

    QTemporaryDir work{QDir::homePath() + "/folderops-XXXXXX"};
    QString root, target;
    AnsweringUi ui;
    QStringList messages, picks, pickerTitles, pickerStarts, opened;
    std::unique_ptr<MainWindow> form;
    FolderOperations* ops = nullptr;
};
} // namespace

TEST_F(FolderOperationsTest, MenusHoldTheirItemsInOrder) {
    auto texts = [](QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << (a->isSeparator() ? "-" : a->text());
        return out;
    };
    EXPECT_EQ(texts(form->Commands().FolderListPopUp()),
              (QStringList{"Open with Explorer", "-", "Delete Folder", "Move Folder", "Copy Folder",
                           "Move to archive"}));
    EXPECT_EQ(
        texts(form->Commands().DirTreePopUp()),
        (QStringList{"Run size check", "-", "Copy", "Move", "Delete", "-", "Move to Archive"}));
    EXPECT_EQ(form->Commands().FolderListPopUp()->actions().last(),
              form->Action("MoveFolderToArchive"));
}

TEST_F(FolderOperationsTest, DeleteFolderTrashesTheRowsFolderAndRefills) {
    const QStringList before = Captions();
    // No row, and the pseudo row of the files: nothing happens.
    form->FolderList()->clearSelection();
    Trigger("DeleteListFolderItem");
    SelectRow("<All files in this folder>");
    Trigger("DeleteListFolderItem");
    Trigger("OpenFolderItem");
    EXPECT_TRUE(ui.asked.isEmpty());
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(QFile::exists(root + "top.txt"));
    EXPECT_EQ(Captions(), before);

    SelectRow("alpha");
    Trigger("OpenFolderItem");
    EXPECT_EQ(opened, QStringList{root + "alpha/"});
    int fills = 0;
    QObject::connect(form.get(), &MainWindow::ChartsFillRequested, [&] { ++fills; });
    Trigger("DeleteListFolderItem");
    EXPECT_EQ(ui.asked, QStringList{"trash:" + root + "alpha"});
    EXPECT_FALSE(IsDir(root + "alpha"));
    EXPECT_TRUE(QFile::exists(HomeTrashDir() + "/files/alpha/a.bin"));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "beta"}));
    EXPECT_EQ(fills, 1);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FolderOperationsTest, DeleteFolderWithAPathLongerThan255Characters) {
    const QString deep = root + QString(100, 'd') + "/" + QString(100, 'e') + "/";
    WriteFile(deep + QString(100, 'f') + "/x.bin", 5);
    WriteFile(deep + "keep/y.bin", 5);
    Analyse(deep);
    SelectRow(QString(100, 'f'));
    Trigger("DeleteListFolderItem");
    EXPECT_FALSE(IsDir(deep + QString(100, 'f')));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "keep"}));
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join('\n').toStdString();
}

TEST_F(FolderOperationsTest, MoveTakesTheRowOnlyWhenDoneAndCopyKeepsIt) {
    // Cancelled in the picker: folder and row stay.
    SelectRow("alpha");
    Trigger("MoveListFolderItem");
    EXPECT_EQ(pickerTitles, QStringList{"Select target directory"});
    EXPECT_EQ(pickerStarts, QStringList{root});
    EXPECT_TRUE(IsDir(root + "alpha"));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "alpha", "beta"}));

    // A copy leaves the list as it is.
    SelectRow("beta");
    picks << target;
    Trigger("CopyListFolderItem");
    EXPECT_TRUE(QFile::exists(target + "/beta/b.bin"));
    EXPECT_TRUE(IsDir(root + "beta"));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "alpha", "beta"}));

    // A failed move (the same name is there and is not replaced) keeps the row.
    picks << target;
    Trigger("MoveListFolderItem");
    EXPECT_TRUE(IsDir(root + "beta"));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "alpha", "beta"}));

    SelectRow("alpha");
    picks << target;
    int fills = 0;
    QObject::connect(form.get(), &MainWindow::ChartsFillRequested, [&] { ++fills; });
    Trigger("MoveListFolderItem");
    EXPECT_FALSE(IsDir(root + "alpha"));
    EXPECT_TRUE(QFile::exists(target + "/alpha/a.bin"));
    EXPECT_EQ(Captions(), (QStringList{"<All files in this folder>", "beta"}));
    EXPECT_EQ(fills, 1); // measured again, so the charts follow
}

TEST_F(FolderOperationsTest, TreeCommandsActOnTheTreesFolder) {
    form->DirTree()->SelectPath(root + "beta");
    ASSERT_EQ(form->DirTree()->SelectedFolder(), root + "beta/");
    const QStringList rows = Captions();

    Trigger("DeleteFolderItem"); // picker cancelled: nothing is deleted
    EXPECT_TRUE(IsDir(root + "beta"));
    EXPECT_TRUE(ui.asked.isEmpty());

    picks << target;
    Trigger("CopyFolderItem");
    EXPECT_TRUE(QFile::exists(target + "/beta/b.bin"));
    EXPECT_EQ(pickerStarts.last(), root + "beta/");

    form->DirTree()->SelectPath(root + "alpha");
    picks << target;
    Trigger("MoveFolderItem");
    EXPECT_FALSE(IsDir(root + "alpha"));
    EXPECT_TRUE(QFile::exists(target + "/alpha/a.bin"));

    form->DirTree()->SelectPath(root + "beta");
    picks << work.path();
    Trigger("DeleteFolderItem"); // the picked folder plays no part
    EXPECT_FALSE(IsDir(root + "beta"));
    EXPECT_TRUE(QFile::exists(HomeTrashDir() + "/files/beta/b.bin"));
    EXPECT_TRUE(IsDir(work.path() + "/target/beta"));
    EXPECT_EQ(Captions(), rows); // the tree commands leave the list alone
    EXPECT_EQ(pickerTitles, QStringList(4, "Select target directory"));
}
