// The window's archive commands and the "ZipProgress" window, offscreen.
#include "gui/window/ArchiveCommands.h"
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "core/archive/ZipArchiver.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/ArchiveProgressWindow.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ProgressDialog.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ProgressGauge.h"
#include "gui/window/DirTreeView.h"
#include "gui/window/MainWindow.h"
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// The real window, watched: what it showed at each step.
class WatchedProgress : public ArchiveProgressWindow {
public:
    using ArchiveProgressWindow::ArchiveProgressWindow;
    void StepProgress() override {
        ArchiveProgressWindow::StepProgress();
        ProgressDialog* w = Window();
        ASSERT_NE(w, nullptr);
        titles << w->windowTitle();
        visible = visible && w->isVisible();
        const auto* gauge = w->findChild<ProgressGauge*>("Gauge");
        ASSERT_NE(gauge, nullptr);
        lastValue = gauge->value();
        lastMax = gauge->maximum();
    }
    QStringList titles;
    bool visible = true;
    int lastValue = -1, lastMax = -1;
};

class ArchiveCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        root = QDir(tree.path()).canonicalPath() + "/";
        Write(root + "one/a.txt", "aaaa");
        Write(root + "one/b.bin", QByteArray(5000, 'b'));
        Write(root + "two/c.txt", "cccc");
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        form = std::make_unique<MainWindow>(ini.filePath("Morvane.ini"));
        page = form->findChild<FileListPage*>();
        commands = form->findChild<ArchiveCommands*>();
        ASSERT_TRUE(page && commands);
        progress = std::make_unique<WatchedProgress>(form.get());
        commands->Ui = progress.get();
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
    }
    void Analyse(const QString& folder) {
        form->Session().SelectFolder(folder);
        form->AnalyseFolder(folder);
        page->findChild<QCheckBox*>("Cbx_Details")->setChecked(true);
        page->findChild<QComboBox*>("FilterCombo")->setEditText("*");
        page->FillFileListButtonClick();
    }
    int RowOf(const QString& path) const {
        for (int i = 0; i < page->Model->Count(); ++i)
            if (page->Model->RowPath(i) == path) return i;
        return -1;
    }
    void Check(const QString& path) {
        const int row = RowOf(path);
        ASSERT_GE(row, 0) << path.toStdString();
        page->Model->SetChecked(row, true);
    }

    QTemporaryDir tree{QDir::homePath() + "/tree-XXXXXX"};
    QTemporaryDir ini;
    QString root;
    std::unique_ptr<MainWindow> form;
    FileListPage* page = nullptr;
    ArchiveCommands* commands = nullptr;
    std::unique_ptr<WatchedProgress> progress;
    QStringList messages;
};

} // namespace

TEST_F(ArchiveCommandsTest, CheckedRowsGoIntoNumberedArchivesAndOnlyMovedRowsLeave) {
    Analyse(root);
    const int rows = page->Model->Count();
    Check(root + "one/a.txt");
    Check(root + "one/b.bin");
    form->Action("actMoveToArchive")->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_TRUE(QFile::exists(root + "Archived_files_R_1.zip"));
    EXPECT_FALSE(QFile::exists(root + "one/a.txt") || QFile::exists(root + "one/b.bin"));
    EXPECT_EQ(page->Model->Count(), rows - 2);
    EXPECT_EQ(progress->titles, QStringList(2, "ZipProgress"));
    EXPECT_TRUE(progress->visible);
    EXPECT_EQ(progress->lastMax, 2);
    EXPECT_EQ(progress->lastValue, 2);
    EXPECT_EQ(progress->Window(), nullptr); // closed again

    // A checked file that is gone cannot be moved: the rest moves, the failure
    // shows and only its row stays.
    Check(root + "two/c.txt");
    Check(root + "one");
    QFile::remove(root + "two/c.txt");
    Write(root + "one/new.txt", "n");
    form->Action("actMoveToArchive")->trigger();
    EXPECT_EQ(messages, QStringList{kMoveFailure});
    EXPECT_TRUE(QFile::exists(root + "Archived_files_R_2.zip"));
    EXPECT_FALSE(QFile::exists(root + "one/new.txt"));
    EXPECT_TRUE(QDir(root + "one").exists());
    EXPECT_EQ(RowOf(root + "one"), -1);
    EXPECT_EQ(page->Model->Count(), rows - 3);

    // Back again, it goes into the next archive.
    Write(root + "two/c.txt", "c");
    messages.clear();
    form->Action("actMoveToArchive")->trigger();
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(QFile::exists(root + "Archived_files_R_3.zip"));
    EXPECT_EQ(RowOf(root + "two/c.txt"), -1);
}

TEST_F(ArchiveCommandsTest, TreeFolderIntoArchiveThenRestoreOfTheCheckedRow) {
    form->show();
    const QString hint = form->Action("actMoveToArchive")->toolTip();
    EXPECT_TRUE(hint.startsWith("Moves checked files into Zip Archive.\nStandard settings: Move"));

    form->OpenCloseDirTree();
    DirTree(*form)->SelectPath(root + "one");
    form->Action("TreeMoveToArchiveItem")->trigger();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    const QString archive = root + "one/Archived_files_R_1.zip";
    ASSERT_TRUE(QFile::exists(archive));
    EXPECT_FALSE(QFile::exists(root + "one/a.txt"));
    EXPECT_EQ(form->Session().CurrentFolder(), root + "one/"); // measured again after the move

    // The size list: its pseudo row names no folder, a folder row is archived inside.
    Analyse(root);
    QTreeWidget* list = FolderPage(*form)->FolderList();
    auto select = [list](const QString& caption) {
        list->clearSelection();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == caption) list->topLevelItem(i)->setSelected(true);
    };
    select("<All files in this folder>");
    form->Action("MoveFolderToArchive")->trigger();
    EXPECT_FALSE(QFile::exists(root + "Archived_files_R_1.zip"));
    select("two");
    form->Action("MoveFolderToArchive")->trigger();
    EXPECT_TRUE(QFile::exists(root + "two/Archived_files_R_1.zip"));
    EXPECT_FALSE(QFile::exists(root + "two/c.txt"));
    EXPECT_EQ(form->Session().CurrentFolder(), root);
    Analyse(root);

    // Restore needs the selected archive row to be checked.
    const int row = RowOf(archive);
    ASSERT_GE(row, 0);
    page->findChild<QTableView*>("FileList")->selectRow(row);
    page->ShowRowMenu();
    EXPECT_TRUE(page->findChild<QAction*>("RestoreArchiveItem")->isEnabled());
    page->findChild<QAction*>("RestoreArchiveItem")->trigger();
    EXPECT_FALSE(QFile::exists(root + "one/a.txt"));
    page->Model->SetChecked(row, true);
    page->findChild<QAction*>("RestoreArchiveItem")->trigger();
    EXPECT_EQ(Read(root + "one/a.txt"), "aaaa");
    EXPECT_EQ(Read(root + "one/b.bin"), QByteArray(5000, 'b'));
    EXPECT_TRUE(QFile::exists(archive)); // the archive stays
}
