#include "gui/pages/FileListPage.h"
#include "WindowParts.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/FileTypeIcons.h"
#include "gui/window/MainWindow.h"
#include "platform/ShellFileOp.h"
#include "platform/Trash.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

void Write(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(size, 'z'));
}

// Answers every shell question with yes, never blocks.
class YesUi : public IShellOpUi {
public:
    bool ConfirmTrash(const QStringList&) override { return true; }
    bool ConfirmCreateFolder(const QString&) override { return true; }
    ReplaceAnswer AskReplace(const QString&, const QString&, bool) override { return replace; }
    void ShowError(const QString& m) override { errors << m; }
    void BeginProgress(const QString&, std::int64_t) override {}
    bool StepProgress(const QString&, std::int64_t) override { return true; }
    void EndProgress() override {}
    QStringList errors;
    ReplaceAnswer replace = ReplaceAnswer::Cancel;
};

class FileListPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        Write(tree.filePath("one/a.txt"), 2048);
        Write(tree.filePath("one/b.bin"), 4096);
        Write(tree.filePath("two/a.txt"), 2048);
        Write(tree.filePath("two/README"), 10);
        Write(tree.filePath("c.TXT"), 1);
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        form = std::make_unique<MainWindow>(ini.filePath("Morvane.ini"));
        page = form->findChild<FileListPage*>();
        ASSERT_NE(page, nullptr);
        page->ShellUi = &ui;
        page->InputQuery = [this](const QString&, const QString&, QString& value) {
            if (answers.isEmpty()) return false;
            value = answers.takeFirst();
            return true;
        };
        page->ShowListText = [this](const QString& t) { listText = t; };
        form->AnalyseFolder(tree.path() + "/");
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
    }
    void Fill(const QString& filter, bool details = true, bool invert = false) {
        page->findChild<QComboBox*>("FilterCombo")->setEditText(filter);
        page->findChild<QCheckBox*>("Cbx_Details")->setChecked(details);
        page->findChild<QCheckBox*>("CbxInvertFilter")->setChecked(invert);
        page->FillFileListButtonClick();
    }
    QStringList Names() const {
        QStringList n;
        for (int i = 0; i < page->Model->Count(); ++i)
            n << QFileInfo(page->Model->RowPath(i)).fileName();
        return n;
    }
    int RowOf(const QString& relative) const {
        for (int i = 0; i < page->Model->Count(); ++i)
            if (page->Model->RowPath(i) == tree.filePath(relative)) return i;
        return -1;
    }

    QTemporaryDir tree{QDir::homePath() + "/tree-XXXXXX"};
    QTemporaryDir ini;
    std::unique_ptr<MainWindow> form;
    FileListPage* page = nullptr;
    YesUi ui;
    QStringList messages, answers;
    QString listText;
};

} // namespace

TEST_F(FileListPageTest, FillAfterARunInDetailAndPlainRows) {
    Fill("*");
    const FileListModel* m = page->Model;
    ASSERT_EQ(m->Count(), form->Session().Results().FileRowCount());
    EXPECT_EQ(m->Count(), 7);
    EXPECT_EQ(page->findChild<QLabel*>("NoOfFilesLabel")->text(), "7 Files");
    const int a = RowOf("one/a.txt");
    ASSERT_GE(a, 0);
    EXPECT_EQ(m->Cell(a, 0), "a.txt");
    EXPECT_EQ(m->Cell(a, 3), tree.filePath("one/a.txt"));
    EXPECT_EQ(m->Cell(a, 4), "2");
    EXPECT_EQ(m->Cell(a, 5), "txt");
    EXPECT_EQ(m->Cell(a, 6), "x");
    EXPECT_FALSE(m->Cell(a, 2).isEmpty());
    EXPECT_EQ(m->data(m->index(a, 3), Qt::DisplayRole).toString(), m->Cell(a, 3));
    EXPECT_EQ(m->data(m->index(a, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);

    Fill("txt", false);
    EXPECT_EQ(m->Count(), 3); // a.txt twice and c.TXT
    for (int i = 0; i < m->Count(); ++i) {
        EXPECT_TRUE(m->Cell(i, 0).startsWith(tree.path()));
        EXPECT_TRUE(m->data(m->index(i, 3), Qt::DisplayRole).toString().isEmpty());
    }
    Fill("txt", true, true);
    EXPECT_EQ(Names().size(), 4);
    EXPECT_TRUE(Names().contains("one"));
    EXPECT_TRUE(Names().contains("README"));
    EXPECT_EQ(page->FilterEntries, QStringList{"txt"});
}

TEST_F(FileListPageTest, FillWithoutRowsKeepsTheListAndGaugeStepFollowsTheRule) {
    Fill("*");
    EXPECT_EQ(page->FileGaugeStep, 0); // 7 rows: 0 * 10 < 6, so 6 div 20 = 0
    page->FillFileList({}, {}, {});
    EXPECT_EQ(page->Model->Count(), 7);
    QStringList paths, kb, dates;
    for (int i = 0; i < 100; ++i) {
        paths << tree.filePath(QString("f%1.txt").arg(i));
        kb << "1";
        dates << "01.Jan.20";
    }
    page->FillFileList(paths, kb, dates);
    EXPECT_EQ(page->FileGaugeStep, 4);
    EXPECT_EQ(page->Model->Count(), 100);
    page->FillFileList(paths.mid(0, 30), kb.mid(0, 30), dates.mid(0, 30));
    EXPECT_EQ(page->FileGaugeStep, 0);
    // A vanished file still gets its row, with the access date -1.
    EXPECT_TRUE(page->Model->Cell(0, 2).contains("99"));
}

TEST_F(FileListPageTest, DuplicatesArePairedCheckedSelectedAndOnTop) {
    Fill("*");
    page->FindDuplicates();
    const FileListModel* m = page->Model;
    ASSERT_EQ(m->Count(), 7);
    EXPECT_EQ(m->Cell(0, 0), "a.txt");
    EXPECT_EQ(m->Cell(1, 0), "a.txt");
    EXPECT_EQ(m->Cell(0, 6), "0");
    EXPECT_EQ(m->Cell(1, 6), "0");
    EXPECT_TRUE(m->Checked(0));
    EXPECT_FALSE(m->Checked(1));
    const auto sel = page->SelectedFlags();
    EXPECT_TRUE(sel[1]);
    EXPECT_FALSE(sel[0]);
    for (int i = 2; i < 7; ++i)
        EXPECT_EQ(m->Cell(i, 6), "x");

    // Plain rows are refused with the message.
    Fill("*", false);
    page->FindDuplicates();
    EXPECT_EQ(messages.value(0),
              "Please refill file list and check \"Details\" to use this function\"");
    // One row: nothing happens.
    Fill("bin;");
    page->FindDuplicates();
    EXPECT_EQ(page->findChild<QLabel*>("NoOfFilesLabel")->text(), "1 Files");
    // No pair: the label says so.
    page->findChild<QComboBox*>("FilterCombo")->setEditText("*");
    page->FillFileList({tree.filePath("one/b.bin"), tree.filePath("two/README")}, {"4", "1"},
                       {"01.Jan.20", "01.Jan.20"});
    ASSERT_EQ(page->Model->Count(), 2);
    page->FindDuplicates();
    EXPECT_EQ(page->findChild<QLabel*>("NoOfFilesLabel")->text(), "no duplicate file");
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(FileListPageTest, DuplicatesFoundAmongNamesThatLookLikeNumbers) {
    page->findChild<QComboBox*>("FilterCombo")->setEditText("*");
    page->findChild<QCheckBox*>("Cbx_Details")->setChecked(true);
    const QString root = tree.path();
    // In the walk's order; the four files are gone, so their access dates agree.
    page->FillFileList(
        {root + "/a/1.2.3", root + "/a/x/f.txt", root + "/b/1.2.4", root + "/b/x/f.txt",
         root + "/b/2.0", root + "/b/10"},
        {"1", "1", "1", "1", "1", "1"},
        {"01.Jan.20", "01.Jan.20", "01.Jan.20", "01.Jan.20", "01.Jan.20", "01.Jan.20"});
    page->FindDuplicates();
    const FileListModel* m = page->Model;
    EXPECT_NE(page->findChild<QLabel*>("NoOfFilesLabel")->text(), "no duplicate file");
    EXPECT_EQ(m->Cell(0, 0), "f.txt");
    EXPECT_EQ(m->Cell(1, 0), "f.txt");
    EXPECT_EQ(m->Cell(0, 6), "0");
    EXPECT_EQ(m->Cell(1, 6), "0");
}

TEST_F(FileListPageTest, RowsShowTheIconOfTheirType) {
    Write(tree.filePath("two/photo.png"), 10);
    Write(tree.filePath("two/notes"), 10); // no extension: typed by its text content
    FileRowTable rows;
    for (const char* p : {"one", "two/notes", "one/a.txt", "two/photo.png"})
        rows.Append(tree.filePath(p), "1", "01.Jan.20", "01.Jan.20");
    page->Model->SetRows(std::move(rows), true);
    QList<qint64> icons;
    for (int i = 0; i < 4; ++i)
        icons << page->Model->data(page->Model->index(i, 0), Qt::DecorationRole)
                     .value<QIcon>()
                     .cacheKey();
    const qint64 folder = FileTypeIcon("inode/directory").cacheKey();
    const qint64 text = FileTypeIcon("text/plain").cacheKey();
    EXPECT_EQ(icons, (QList<qint64>{folder, text, text, FileTypeIcon("image/png").cacheKey()}));
    EXPECT_NE(text, folder);
    // The size list: folders the folder icon, the files row another.
    form->AnalyseFolder(tree.path() + "/");
    for (int i = 0; i < FolderPage(*form)->FolderList()->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = FolderPage(*form)->FolderList()->topLevelItem(i);
        EXPECT_EQ(item->icon(0).cacheKey() == folder, !item->text(0).startsWith('<'));
    }
}

TEST_F(FileListPageTest, SearchWrapsAndEnterRepeats) {
    Fill("*");
    answers << "A.TXT";
    page->FileSearchIndex = 0;
    page->FindFileClick();
    const int first = page->FileSearchIndex;
    ASSERT_GE(first, 0);
    EXPECT_TRUE(page->Model->RowPath(first).endsWith("a.txt"));
    EXPECT_EQ(page->LastSearchText, "A.TXT");
    const int second = page->FindFileRow(page->LastSearchText, page->FileSearchIndex);
    EXPECT_NE(second, first);
    EXPECT_EQ(page->FindFileRow(page->LastSearchText, second), first); // wraps
    EXPECT_EQ(page->FindFileRow("nothing-like-this", first), -1);
    EXPECT_EQ(page->findChild<QLabel*>("NoOfFilesLabel")->text(), "no match");
    EXPECT_EQ(page->FileSearchIndex, -1);
}

TEST_F(FileListPageTest, CheckedRowMoveRemovesExactlyTheCheckedRows) {
    Fill("*");
    const int a = RowOf("one/a.txt"), b = RowOf("two/README");
    page->Model->SetChecked(0, true); // the first row, whatever it is
    page->Model->SetChecked(a, true);
    page->Model->SetChecked(b, true);
    const QStringList checked = page->CheckedPaths();
    ASSERT_EQ(checked.size(), a == 0 || b == 0 ? 2 : 3);
    QStringList kept;
    for (int i = 0; i < page->Model->Count(); ++i)
        if (!page->Model->Checked(i)) kept << page->Model->RowPath(i);

    const QString target = tree.filePath("target");
    SetFolderPickHook(
        [&](QWidget*, const QString&, const QString&, const QString&) { return target; });
    page->MoveCheckedClick();
    EXPECT_TRUE(ui.errors.isEmpty());
    QStringList now;
    for (int i = 0; i < page->Model->Count(); ++i)
        now << page->Model->RowPath(i);
    EXPECT_EQ(now, kept);
    for (const QString& p : checked) {
        EXPECT_FALSE(QFile::exists(p));
        EXPECT_TRUE(QFile::exists(target + "/" + QFileInfo(p).fileName()));
    }
    EXPECT_EQ(page->findChild<QLabel*>("NoOfFilesLabel")->text(),
              QString::number(kept.size()) + " Files");
}

TEST_F(FileListPageTest, SkippedClashKeepsItsRowAndHandledRowsGo) {
    Fill("*");
    const QString target = tree.filePath("target");
    Write(target + "/a.txt", 5); // one/a.txt clashes
    page->Model->SetChecked(RowOf("one/a.txt"), true);
    page->Model->SetChecked(RowOf("one/b.bin"), true);
    page->Model->SetChecked(RowOf("two/README"), true);
    ui.replace = ReplaceAnswer::Skip;
    SetFolderPickHook(
        [&](QWidget*, const QString&, const QString&, const QString&) { return target; });
    page->MoveCheckedClick();
    EXPECT_EQ(RowOf("one/b.bin"), -1);
    EXPECT_EQ(RowOf("two/README"), -1);
    const int a = RowOf("one/a.txt");
    ASSERT_GE(a, 0);
    EXPECT_TRUE(page->Model->Checked(a));
    EXPECT_EQ(page->Model->Count(), 5);
    EXPECT_EQ(page->findChild<QLabel*>("NoOfFilesLabel")->text(), "5 Files");
    EXPECT_TRUE(QFile::exists(target + "/b.bin"));
    EXPECT_TRUE(QFile::exists(tree.filePath("one/a.txt")));
}

TEST_F(FileListPageTest, FailedOperationKeepsRowsAndTrashRemovesThem) {
    Fill("*");
    page->CheckRows(true, true);
    QFile::remove(tree.filePath("c.TXT")); // vanished since the run
    page->DeleteCheckedToTrash();
    EXPECT_EQ(page->Model->Count(), 7);
    EXPECT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(QFile::exists(tree.filePath("one/b.bin")));

    page->CheckRows(false, true);
    const int b = RowOf("one/b.bin");
    page->Model->SetChecked(b, true);
    page->DeleteCheckedToTrash();
    EXPECT_EQ(page->Model->Count(), 6);
    EXPECT_EQ(RowOf("one/b.bin"), -1);
    EXPECT_TRUE(QFile::exists(HomeTrashDir() + "/files/b.bin"));
    EmptyTrash({HomeTrashDir()});
}

TEST_F(FileListPageTest, CheckSelectedSwapAndFileType) {
    Fill("txt;bin;");
    ASSERT_EQ(page->Model->Count(), 4);
    page->SelectRows({0, 1, 1, 0});
    page->CheckRows(true, false);
    EXPECT_EQ(page->Model->Checks(), (std::vector<char>{0, 1, 1, 0}));
    page->SelectRows({0, 0, 1, 1});
    page->SwapCheckedAndSelected();
    // neither -> selected; checked -> selected; checked and selected -> selected; selected ->
    // checked
    EXPECT_EQ(page->Model->Checks(), (std::vector<char>{0, 0, 0, 1}));
    EXPECT_EQ(page->SelectedFlags(), (std::vector<char>{1, 1, 1, 0}));

    page->ShowRowMenu();
    EXPECT_FALSE(page->findChild<QAction*>("ShowFileTypeItem")->isEnabled());
    page->SelectRows({0, 0, 0, 1});
    page->ShowRowMenu();
    EXPECT_TRUE(page->findChild<QAction*>("ShowFileTypeItem")->isEnabled());
    EXPECT_FALSE(page->findChild<QAction*>("RestoreArchiveItem")->isEnabled());
    page->ShowFileTypeClick();
    EXPECT_TRUE(
        listText.startsWith("FileName:\n\r" + page->Model->RowPath(3) + "  \n\r\n\rFileType:"));
    EXPECT_TRUE(listText.contains("FileAttributes:\rArchive \n\r"));
}

TEST_F(FileListPageTest, FilterListEditing) {
    page->findChild<QComboBox*>("FilterCombo")->clear();
    answers << "tmp;bak;";
    page->AddFilterItemClick();
    page->findChild<QComboBox*>("FilterCombo")->setEditText("TMP;BAK;");
    page->AddFilterItemClick(); // cancelled: empty text, nothing added
    EXPECT_EQ(page->findChild<QComboBox*>("FilterCombo")->currentText(), "");
    EXPECT_EQ(page->findChild<QComboBox*>("FilterCombo")->count(), 1);
    page->findChild<QComboBox*>("FilterCombo")->setEditText("TMP;BAK;");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(page->findChild<QComboBox*>("FilterCombo")->lineEdit(), &enter);
    EXPECT_EQ(page->findChild<QComboBox*>("FilterCombo")->count(), 1); // differs only in case
    page->findChild<QComboBox*>("FilterCombo")->setEditText("log");
    QCoreApplication::sendEvent(page->findChild<QComboBox*>("FilterCombo")->lineEdit(), &enter);
    page->ShowAllEntriesClick();
    EXPECT_EQ(messages.value(0), "tmp;bak;\r\nlog");
}
