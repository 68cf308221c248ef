// The Treemap page as a person uses it: after a run it shows the folder's
// tiles, the same picture the headless form writes; hovering names a tile,
// a double click goes into a folder, F10 comes back, and the file menu acts
// on the tile's own path bytes.
#include "gui/pages/TreemapPage.h"
#include "RealInput.h"
#include "WindowParts.h"
#include "YesShellUi.h"
#include "core/settings/IniFile.h"
#include "core/tree/TreeBuilder.h"
#include "gui/common/FolderActions.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/TreemapView.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "platform/NativePath.h"
#include "tests/common/TestFiles.h"
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TreemapPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.filePath("data") + "/";
        rawName = NativePath(root) + "raw-\xff\xfe.iso";
        MakeFile(NativePath(root + "photos/big.jpg"), 6'000'000);
        MakeFile(NativePath(root + "photos/small.png"), 1'000'000);
        MakeFile(NativePath(root + "music/song.flac"), 3'000'000);
        MakeFile(rawName, 2'000'000);
        MakeFile(NativePath(root + "notes.txt"), 10);
        const QString ini = tmp.filePath("Morvane.ini");
        WriteIniInteger(ini, "Page", "TabSheet", MainWindow::pgTreemap);
        WriteIniString(ini, "LastDir", "Start with", root);
        SetMessageBoxHook([this](MessageKind, const QString&, const QString& text) {
            messages << text;
            return true;
        });
        SetOpenInShellHook([this](const QString& p) { opened << p; });
        form = std::make_unique<MainWindow>(ini);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        page = form->findChild<TreemapPage*>();
        ASSERT_NE(page, nullptr);
        page->ShellUi = &ui;
        form->resize(900, 640);
        QTest::keyClick(form.get(), Qt::Key_F9);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Session().Running(); }, 20000));
        WaitPicture();
    }
    void TearDown() override {
        form.reset();
        SetMessageBoxHook({});
        SetOpenInShellHook({});
    }
    void WaitPicture() {
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !form->Session().Running() && !page->Busy() && page->View()->Result(); },
            20000))
            << "busy " << page->Busy() << " visible " << page->isVisible() << " folder "
            << form->Session().CurrentFolder().toStdString() << " tree "
            << bool(form->Session().ShownTree()) << " node " << form->Session().CurrentNode()
            << " tab " << PageTabs(*form)->currentIndex();
    }
    // The centre of the tile of a path below root; an invalid point without one.
    QPoint TileCentre(const QByteArray& path, bool onFrame = false) const {
        const TreemapResult* r = page->View()->Result();
        const QString p = PathFromNative(path);
        const Tree::Index node = r->tree->Find(p);
        const int tile = node == Tree::kNone ? -1 : r->layout.TileOf(node);
        if (tile < 0) return {-1, -1};
        const TreemapTile& t = r->layout.Tiles()[std::size_t(tile)];
        if (onFrame) return {t.x0 + 1, t.y0 + 1};
        return {(t.x0 + t.x1) / 2, (t.y0 + t.y1) / 2};
    }

    QTemporaryDir tmp;
    QString root;
    QByteArray rawName;
    QStringList messages, opened;
    YesShellUi ui;
    std::unique_ptr<MainWindow> form;
    TreemapPage* page = nullptr;
};

} // namespace

TEST_F(TreemapPageTest, ShowsWhatTheHeadlessPictureHoldsAndTheLegend) {
    const TreemapResult* r = page->View()->Result();
    const QSize size = page->View()->size();
    const RawPicture& pic = r->picture;
    const QImage shown =
        QImage(pic.rgb.data(), pic.width, pic.height, pic.width * 3, QImage::Format_RGB888).copy();
    EXPECT_EQ(shown.size(), size);
    // What is on the screen is the picture.
    EXPECT_EQ(page->View()->grab().toImage().convertToFormat(QImage::Format_RGB888), shown);
    // Images hold 7 of the 12 MB.
    const auto* legend = page->findChild<QLabel*>("TreemapLegend");
    EXPECT_TRUE(legend->text().contains("Images 58.3%")) << legend->text().toStdString();

    for (const char* format : {"treemap-png", "treemap-svg"}) {
        const QString out = tmp.filePath(QString("map.") + (format[8] == 'p' ? "png" : "svg"));
        QProcess p;
        p.start(QStringLiteral(MORVANE_BINARY),
                {"--report", root, "--format", format, "--output", out, "--size",
                 QStringLiteral("%1x%2").arg(size.width()).arg(size.height())});
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        if (format[8] == 'p') {
            EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_RGB888), shown);
        } else {
            const QString saved = tmp.filePath("saved.svg");
            page->SavePicture(saved);
            EXPECT_EQ(Read(saved), Read(out));
        }
    }
    // Flat tiles are another picture, made again off the window's thread.
    QTest::mouseClick(page->findChild<QCheckBox*>("TreemapCushions"), Qt::LeftButton);
    WaitPicture();
    EXPECT_FALSE(page->View()->Result()->style.cushions);
    EXPECT_NE(page->View()->Result()->image.convertToFormat(QImage::Format_RGB888), shown);
}

TEST_F(TreemapPageTest, HoverDoubleClickUpAndTheFileMenuOnRawBytes) {
    QWidget* view = page->View();
    const QPoint raw = TileCentre(rawName);
    ASSERT_GE(raw.x(), 0);
    QTest::mouseMove(view, raw);
    ASSERT_TRUE(QTest::qWaitFor([&] { return StatusPanel(*form, 4)->text().contains(".iso"); }));
    // Its size and its share of the folder's 12 MB.
    EXPECT_TRUE(StatusPanel(*form, 4)->text().contains("1.91 MiB, 16.7% of the folder"))
        << StatusPanel(*form, 4)->text().toStdString();

    // A double click on a folder's tile makes it the current folder.
    // On its frame, that is; a file's tile stands for its folder.
    const QPoint photos = TileCentre(NativePath(root + "photos"), true);
    ASSERT_GE(photos.x(), 0);
    ASSERT_EQ(
        page->View()->TileAt(photos),
        page->View()->Result()->layout.TileOf(page->View()->Result()->tree->Find(root + "photos")));
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, photos);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form->Session().CurrentFolder() == root + "photos/"; }));
    WaitPicture();
    EXPECT_EQ(page->View()->Result()->layout.Top(),
              page->View()->Result()->tree->Find(root + "photos"));
    QTest::keyClick(form.get(), Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Session().CurrentFolder() == root; }));
    WaitPicture();
    const QPoint song = TileCentre(NativePath(root + "music/song.flac"));
    ASSERT_GE(song.x(), 0);
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, song);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return form->Session().CurrentFolder() == root + "music/"; }));
    QTest::keyClick(form.get(), Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Session().CurrentFolder() == root; }));
    WaitPicture();
    // The file's menu opens it, and sends it to the Trash, by its bytes.
    const auto* fileMenu = page->findChild<QMenu*>("TreemapFileMenu");
    RightClick(view, raw);
    ASSERT_TRUE(ChooseFromPopUp(fileMenu->actions().value(0)));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(NativePath(opened[0]), rawName);
    RightClick(view, raw);
    QAction* trash = nullptr;
    for (QAction* a : fileMenu->actions())
        if (a->text() == "Delete File") trash = a;
    ASSERT_TRUE(ChooseFromPopUp(trash));
    EXPECT_EQ(ui.trashQuestions, 1);
    EXPECT_NE(::access(rawName.constData(), F_OK), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Session().Running(); }, 20000));
    WaitPicture();
    EXPECT_LT(TileCentre(rawName).x(), 0); // measured again: gone

    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();

    // On another page, a new run's tree does not leave the old one held by the picture.
    QTabBar* tabs = PageTabs(*form)->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier,
                      tabs->tabRect(MainWindow::pgFolderList).center());
    ASSERT_EQ(PageTabs(*form)->currentIndex(), MainWindow::pgFolderList);
    const std::weak_ptr<const Tree> before = form->Session().ShownTree();
    QTest::keyClick(form.get(), Qt::Key_F9);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Session().Running(); }, 20000));
    QTest::qWait(50);
    EXPECT_TRUE(before.expired());
}
