// The file list's duplicates by content, used by mouse and keys: the search
// fills the list by group, the helpers check all but the copies to keep, and
// the Trash command takes the checked rows.
#include "WindowParts.h"
#include "YesShellUi.h"
#include "common/TestFiles.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/ContentDuplicatesBar.h"
#include "gui/pages/FileListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include "platform/Trash.h"

#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void Click(QWidget* w) {
    ASSERT_NE(w, nullptr);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

void SetTime(const QByteArray& path, time_t t) {
    const timespec times[2] = {{t, 0}, {t, 0}};
    ::utimensat(AT_FDCWD, path.constData(), times, 0);
}

class ContentDuplicatesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.isValid());
        root = NativePath(tree.path());
        const QByteArray big(20000, 'A'), small(3000, 'b');
        struct {
            const char* name;
            const QByteArray& data;
            time_t time;
        } files[] = {{"/a1", big, 1000},           {"/sub/a2", big, 3000},
                     {"/ref/a3", big, 2000},       {"/b\xff", small, 500},
                     {"/ref/deep/b2", small, 100}, {"/unique", QByteArray(20000, 'C'), 10}};
        for (const auto& f : files) {
            MakeFile(root + f.name, 0);
            const int fd = ::open((root + f.name).constData(), O_WRONLY);
            ASSERT_EQ(::write(fd, f.data.constData(), std::size_t(f.data.size())), f.data.size());
            ::close(fd);
            SetTime(root + f.name, f.time);
        }
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        SetFolderPickHook([this](QWidget*, const QString&, const QString&, const QString&) {
            return PathFromNative(root + "/ref");
        });
        form = std::make_unique<MainWindow>(ini.filePath("Morvane.ini"));
        page = form->findChild<FileListPage*>();
        bar = form->findChild<ContentDuplicatesBar*>();
        ASSERT_NE(bar, nullptr);
        page->ShellUi = &ui;
        PageTabs(*form)->setCurrentIndex(MainWindow::pgFileList);
        form->resize(1100, 700);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        form->AnalyseFolder(PathFromNative(root + "/"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Session().Running(); }, 20000));
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetFolderPickHook({});
        EmptyTrash({HomeTrashDir()});
        RemoveTree(root); // QTemporaryDir cannot remove names that are not UTF-8
    }
    template <class T> T* Child(const char* name) {
        return form->findChild<T*>(QLatin1String(name));
    }
    // Each row as "group:path below root:checked".
    QStringList Rows() {
        const QAbstractItemModel* m = Child<QTableView>("FileList")->model();
        const QString top = PathFromNative(root);
        QStringList rows;
        for (int i = 0; i < m->rowCount(); ++i)
            rows << m->index(i, 6).data().toString() + ":" +
                        m->index(i, 3).data().toString().mid(top.size()) +
                        (m->index(i, 0).data(Qt::CheckStateRole) == Qt::Checked ? ":x" : ":-");
        return rows;
    }
    void CheckWithRule(int downs) {
        auto* combo = Child<QComboBox>("KeepRuleCombo");
        Click(combo); // opens its list; Esc closes it, the focus stays
        if (QWidget* popup = QApplication::activePopupWidget())
            QTest::keyClick(popup, Qt::Key_Escape);
        QTest::keyClick(combo, Qt::Key_Home);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        Click(Child<QToolButton>("CheckCopiesButton"));
    }

    QTemporaryDir tree, ini;
    QByteArray root;
    QStringList messages;
    YesShellUi ui;
    std::unique_ptr<MainWindow> form;
    FileListPage* page = nullptr;
    ContentDuplicatesBar* bar = nullptr;
};

} // namespace

TEST_F(ContentDuplicatesTest, GroupsFillTheListHelpersKeepACopyAndTrashTakesTheChecked) {
    Click(Child<QToolButton>("FindContentDuplicatesButton"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar->Running(); }, 20000));
    // The group wasting most first, its rows together, sorted by path.
    EXPECT_EQ(Rows(), (QStringList{"1:/a1:-", "1:/ref/a3:-", "1:/sub/a2:-", "2:/b\xef\xbf\xbd:-",
                                   "2:/ref/deep/b2:-"}))
        << Rows().join(' ').toStdString();
    EXPECT_TRUE(Child<QLabel>("ContentDuplicatesSummary")->text().startsWith("2 groups, 5 copies"));

    CheckWithRule(0); // the oldest
    EXPECT_EQ(Rows(), (QStringList{"1:/a1:-", "1:/ref/a3:x", "1:/sub/a2:x", "2:/b\xef\xbf\xbd:x",
                                   "2:/ref/deep/b2:-"}));
    CheckWithRule(1); // the newest
    EXPECT_EQ(Rows(), (QStringList{"1:/a1:x", "1:/ref/a3:x", "1:/sub/a2:-", "2:/b\xef\xbf\xbd:-",
                                   "2:/ref/deep/b2:x"}));
    CheckWithRule(2); // the shortest path
    EXPECT_EQ(Rows(), (QStringList{"1:/a1:-", "1:/ref/a3:x", "1:/sub/a2:x", "2:/b\xef\xbf\xbd:-",
                                   "2:/ref/deep/b2:x"}));
    CheckWithRule(3); // the copies in the folder picked: ref
    EXPECT_EQ(Rows(), (QStringList{"1:/a1:x", "1:/ref/a3:-", "1:/sub/a2:x", "2:/b\xef\xbf\xbd:x",
                                   "2:/ref/deep/b2:-"}));

    // The Trash command takes the checked copies by their path bytes.
    Click(Child<QToolButton>("TrashButton"));
    EXPECT_EQ(Rows(), (QStringList{"1:/ref/a3:-", "2:/ref/deep/b2:-"}));
    EXPECT_FALSE(Exists(root + "/a1"));
    EXPECT_FALSE(Exists(root + "/b\xff"));
    EXPECT_TRUE(Exists(root + "/ref/a3"));
    // One copy left of each group: no helper checks it.
    for (int rule = 0; rule < 4; ++rule) {
        CheckWithRule(rule);
        EXPECT_EQ(Rows(), (QStringList{"1:/ref/a3:-", "2:/ref/deep/b2:-"}));
    }
}

TEST_F(ContentDuplicatesTest, EscStopsTheSearchAndLeavesTheList) {
    Click(Child<QToolButton>("FillFileListButton")); // the list as it was
    const QStringList before = Rows();
    Click(Child<QToolButton>("FindContentDuplicatesButton"));
    ASSERT_TRUE(bar->Running());
    QTest::keyClick(Child<QTableView>("FileList"), Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar->Running(); }, 20000));
    EXPECT_EQ(Rows(), before);
    EXPECT_EQ(Child<QLabel>("ContentDuplicatesSummary")->text(), QStringLiteral("stopped"));
    EXPECT_TRUE(Child<QToolButton>("FindContentDuplicatesButton")->isEnabled());
}
