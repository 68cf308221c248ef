// The window with names that are not UTF-8, and an analysis stopped half-way.
#include "WindowParts.h"
#include "YesShellUi.h"
#include "common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/charts/BarChart.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FileListPage.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisRun.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include "platform/ShellFileOp.h"
#include "platform/Trash.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class RawNamesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        root = NativePath(tree.path()) + "/";
        bad = root + "bad\xff\xfename";
        ASSERT_EQ(::mkdir(bad.constData(), 0755), 0);
        ASSERT_EQ(::mkdir((root + "ok").constData(), 0755), 0);
        MakeFile(bad + "/caf\xe9.txt", 5000);
        MakeFile(root + "ok/x", 100);
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        form = std::make_unique<MainWindow>(ini.filePath("Morvane.ini"));
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        AnalysisRun::SetWorkerStartHook({});
        EmptyTrash({HomeTrashDir()});
        RemoveTree(root); // QTemporaryDir cannot remove names that are not UTF-8
    }
    QTreeWidgetItem* Row(const QString& caption) const {
        QTreeWidget* list = FolderPage(*form)->FolderList();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (list->topLevelItem(i)->text(0) == caption) return list->topLevelItem(i);
        return nullptr;
    }
    QStringList Column(int c) const {
        QStringList out;
        for (int i = 0; i < FolderPage(*form)->FolderList()->topLevelItemCount(); ++i)
            out << FolderPage(*form)->FolderList()->topLevelItem(i)->text(c);
        return out;
    }

    QTemporaryDir tree{QDir::homePath() + "/raw-XXXXXX"};
    QTemporaryDir ini;
    QByteArray root, bad;
    std::unique_ptr<MainWindow> form;
    QStringList messages;
};

} // namespace

TEST_F(RawNamesTest, ShownWithReplacementCharactersEnteredByTheirBytes) {
    const QString shown = QString::fromUtf8("bad\uFFFD\uFFFDname");
    form->Session().SelectFolder(PathFromNative(root));
    ASSERT_TRUE(form->AnalyseFolder(PathFromNative(root)));
    QTreeWidgetItem* row = Row(shown);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(2), "4.88");
    EXPECT_EQ(row->text(3), DisplayPath(PathFromNative(bad)));

    // Double click on the list.
    emit FolderPage(*form)->FolderList()->itemDoubleClicked(row, 0);
    EXPECT_EQ(NativePath(form->Session().CurrentFolder()), bad + "/");
    EXPECT_EQ(Column(0), QStringList{"<All files in this folder>"});
    EXPECT_EQ(Column(2), QStringList{"4.88"});
    EXPECT_EQ(StatusPanel(*form, 4)->text(), DisplayPath(form->Session().CurrentFolder()));

    // Left click on its bar, from the folder above.
    form->UpOneDir();
    auto* bars = form->findChild<BarChart*>();
    ASSERT_NE(bars, nullptr);
    PageTabs(*form)->setCurrentIndex(MainWindow::pgBarChart);
    form->resize(1000, 700);
    form->show();
    int point = -1;
    for (int i = 0; i < int(bars->Series().points.size()); ++i)
        if (bars->Series().points[std::size_t(i)].label == shown) point = i;
    ASSERT_GE(point, 0);
    const QPointF at = bars->PointCentre(point);
    QMouseEvent press(QEvent::MouseButtonPress, at, bars->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, bars->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bars, &press);
    QApplication::sendEvent(bars, &release);
    EXPECT_EQ(NativePath(form->Session().CurrentFolder()), bad + "/");
    EXPECT_EQ(Column(2), QStringList{"4.88"});
}

TEST_F(RawNamesTest, FileListShowsThemAndTrashesThem) {
    ASSERT_TRUE(form->AnalyseFolder(PathFromNative(root)));
    auto* page = form->findChild<FileListPage*>();
    ASSERT_NE(page, nullptr);
    YesShellUi ui;
    page->ShellUi = &ui;
    page->FillFileListButtonClick();
    int row = -1;
    for (int i = 0; i < page->Model->Count(); ++i)
        if (NativePath(page->Model->RowPath(i)) == bad + "/caf\xe9.txt") row = i;
    ASSERT_GE(row, 0);
    EXPECT_EQ(page->Model->index(row, 0).data().toString(), QString::fromUtf8("caf\uFFFD.txt"));
    page->Model->SetChecked(row, true);
    page->DeleteCheckedToTrash();
    EXPECT_TRUE(ui.errors.isEmpty()) << ui.errors.join('\n').toStdString();
    EXPECT_FALSE(Exists(bad + "/caf\xe9.txt"));
    EXPECT_TRUE(Exists(NativePath(HomeTrashDir()) + "/files/caf\xe9.txt"));
    EXPECT_EQ(page->Model->Count(), 3); // the two folders and ok/x stay
}

TEST_F(RawNamesTest, EscOrRunStopsARunAndTheLastCompleteRunStays) {
    const QString top = PathFromNative(root);
    form->Session().SelectFolder(top);
    form->Action("actRun")->trigger();
    const QStringList names = Column(0), sizes = Column(2);
    const QString total = StatusPanel(*form, 3)->text();
    ASSERT_EQ(names.size(), 3);
    const int historyBefore = HistoryCombo(*form)->count();

    for (const bool viaRunButton : {false, true}) {
        SCOPED_TRACE(viaRunButton);
        // The worker waits at its start until the stop has been given.
        std::promise<void> stopGiven;
        std::shared_future<void> given = stopGiven.get_future().share();
        AnalysisRun::SetWorkerStartHook([given] { given.wait(); });
        QTimer::singleShot(0, form.get(), [&] {
            EXPECT_TRUE(form->Session().Running());
            // Nothing else starts meanwhile, nor moves the current folder.
            const QString current = form->Session().CurrentFolder();
            form->UpOneDir();
            EXPECT_FALSE(form->AnalyseFolder(top));
            EXPECT_EQ(form->Session().CurrentFolder(), current);
            if (viaRunButton) {
                form->Action("actRun")->trigger();
            } else {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(FolderPage(*form)->FolderList(), &esc);
            }
            stopGiven.set_value();
        });
        form->Session().SelectFolder(PathFromNative(root + "ok"));
        if (viaRunButton)
            form->Action("actRun")->trigger();
        else
            EXPECT_FALSE(form->AnalyseFolder(form->Session().CurrentFolder()));
        EXPECT_FALSE(form->Session().Running());
        EXPECT_EQ(Column(0), names);
        EXPECT_EQ(Column(2), sizes);
        EXPECT_EQ(StatusPanel(*form, 3)->text(), total);
        EXPECT_EQ(form->Session().Results().EntryPaths.size(), 3);
        EXPECT_EQ(HistoryCombo(*form)->count(), historyBefore);
        form->Session().SelectFolder(top);
    }
    // The next run is a whole one again.
    AnalysisRun::SetWorkerStartHook({});
    EXPECT_TRUE(form->AnalyseFolder(PathFromNative(root + "ok")));
    EXPECT_EQ(Column(0), QStringList{"<All files in this folder>"});
}
