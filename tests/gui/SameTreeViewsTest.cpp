// A run of a folder and a snapshot of the same folder, opened in the window:
// the size list, the charts and the file list show the same rows, at the top
// and one folder down (a run measures it again, the snapshot shows its node).
#include "RealInput.h"
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "core/snapshot/SnapshotWriter.h"
#include "gui/charts/BarChart.h"
#include "gui/charts/PieChart.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FileListModel.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "gui/window/ResultFileCommands.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

// Everything the views show of one folder, as texts.
struct Shown {
    QStringList list, bars, pies, files, totals;
};

class SameTreeViews : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = NativePath(tmp.path()) + "/tree";
        MakeFile(root + "/top.txt", 1500);
        MakeFile(root + "/alpha/one.bin", 3 << 20);
        MakeFile(root + "/alpha/deep/er/leaf.dat", 99);
        MakeFile(root + "/alpha/caf\xe9.txt", 4000);
        MakeFile(root + "/beta/\xff-raw/x.txt", 12345);
        MakeFile(root + "/beta/two.txt", 7);
        MakeFile(root + "/.hidden/inside", 5000);
        ::mkdir((root + "/empty").constData(), 0755);
        ASSERT_EQ(::symlink("alpha", (root + "/link").constData()), 0);
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        SetFolderPickHook([this](QWidget*, const QString&, const QString&, const QString&) {
            return PathFromNative(root);
        });
        form = std::make_unique<MainWindow>(tmp.filePath("Morvane.ini"));
        form->resize(1100, 700);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
        ResultFileCommands::SetFileDialog({});
        RemoveTree(root); // QTemporaryDir cannot remove names that are not UTF-8
    }

    void ShowPage(int page) {
        QTabBar* tabs = PageTabs(*form)->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        ASSERT_EQ(PageTabs(*form)->currentIndex(), page);
    }
    template <class T> T* Child(const char* name) const {
        return form->findChild<T*>(QLatin1String(name));
    }
    static QStringList Points(const ChartBase* chart) {
        QStringList r;
        for (const ChartPoint& p : chart->Series().points)
            r << p.label + "|" + QString::number(p.value, 'f', 6) + "|" + p.path;
        return r;
    }
    // Reads the size list and the charts, then fills the file list with every
    // entry (filter "*", typed) by its button.
    Shown Read() {
        Shown s;
        QTreeWidget* list = FolderPage(*form)->FolderList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < list->columnCount(); ++c)
                cells << list->topLevelItem(i)->text(c);
            s.list << cells.join('|') + "|" +
                          list->topLevelItem(i)->data(0, FolderListPage::kPathRole).toString();
        }
        s.bars = Points(form->findChild<BarChart*>());
        s.pies = Points(form->findChild<PieChart*>());
        for (int i = 1; i < 4; ++i)
            s.totals << StatusPanel(*form, i)->text();

        ShowPage(MainWindow::pgFileList);
        QLineEdit* filter = Child<QComboBox>("FilterCombo")->lineEdit();
        QTest::mouseClick(filter, Qt::LeftButton);
        QTest::keyClick(filter, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(filter, "*");
        QTest::mouseClick(Child<QToolButton>("FillFileListButton"), Qt::LeftButton);
        const QAbstractItemModel* m = Child<QTableView>("FileList")->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < m->columnCount(); ++c)
                cells << m->index(r, c).data().toString();
            s.files << cells.join('|');
        }
        // A run lists the entries lying in its folder after those of the
        // subfolders, a snapshot in its recorded order: the same rows.
        s.files.sort();
        ShowPage(MainWindow::pgFolderList);
        return s;
    }
    void DoubleClickRow(const QString& caption) {
        QTreeWidget* list = FolderPage(*form)->FolderList();
        const QList<QTreeWidgetItem*> rows = list->findItems(caption, Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1) << caption.toStdString();
        const QPoint at = RowCentre(list, rows[0]);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    static void ExpectSame(const Shown& run, const Shown& snap) {
        EXPECT_EQ(run.list, snap.list);
        EXPECT_EQ(run.bars, snap.bars);
        EXPECT_EQ(run.pies, snap.pies);
        EXPECT_EQ(run.files, snap.files);
        EXPECT_EQ(run.totals, snap.totals);
    }

    QTemporaryDir tmp;
    QByteArray root;
    QStringList messages;
    std::unique_ptr<MainWindow> form;
};

} // namespace

TEST_F(SameTreeViews, RunAndSnapshotOfOneTreeShowTheSameRows) {
    ShowPage(MainWindow::pgFolderList);
    QTest::keyClick(form.get(), Qt::Key_F2); // picks the tree
    QTest::keyClick(form.get(), Qt::Key_F9);
    const Shown runTop = Read();
    ASSERT_EQ(runTop.list.size(), 4); // alpha, beta, empty, the files; .hidden left out
    ASSERT_EQ(runTop.files.size(), 14);
    DoubleClickRow("alpha");
    ASSERT_EQ(form->Session().CurrentFolder(), PathFromNative(root) + "/alpha/");
    const Shown runAlpha = Read();
    ASSERT_EQ(runAlpha.files.size(), 5);

    const QString json = tmp.filePath("tree.json");
    ASSERT_TRUE(WriteSnapshot(PathFromNative(root), json).ok);
    ResultFileCommands::SetFileDialog([&](bool, const QString&) { return json; });
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(form->Session().SnapshotShown());
    ExpectSame(runTop, Read());
    DoubleClickRow("alpha");
    ASSERT_TRUE(StatusPanel(*form, 4)->text().startsWith("Snapshot"));
    ExpectSame(runAlpha, Read());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}
