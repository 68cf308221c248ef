// Messages raised while a file operation runs, answered by clicks as a person
// would: on top of the progress window, which stays on the screen.
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/window/MainWindow.h"
#include "platform/Trash.h"
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <optional>

namespace {

// Clicks the affirmative button of each message box that comes up, noting
// what it belonged to; a box its click did not close is closed by force.
struct BoxAnswerer {
    struct Seen {
        QString text;
        bool onProgress = false; // the box belongs to the progress window
        bool parentShown = false;
        bool answered = false;
        bool parentOnScreen = false; // with every button of it
    };
    QList<Seen> seen;
    QTimer timer;
    QPointer<QMessageBox> last;
    int tries = 0;

    BoxAnswerer() {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
        timer.start();
    }
    void Poll() {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        if (box == last) { // the click did not reach it
            if (++tries > 25) box->done(QMessageBox::Cancel);
            return;
        }
        last = box;
        tries = 0;
        QWidget* parent = box->parentWidget();
        bool onScreen = parent != nullptr;
        if (parent) {
            const QRect screen = parent->screen()->availableGeometry();
            onScreen = parent->frameGeometry().width() <= screen.width();
            for (const QPushButton* b : parent->findChildren<QPushButton*>())
                onScreen = onScreen && screen.contains(QRect(b->mapToGlobal(QPoint()), b->size()));
        }
        seen.append({box->text(), qobject_cast<QProgressDialog*>(parent) != nullptr,
                     parent && parent->isVisible(), false, onScreen});
        if (const QString shot = qEnvironmentVariable("MORVANE_SHOT");
            !shot.isEmpty() && box->icon() == QMessageBox::Critical) {
            QTest::qWait(400);
            box->screen()->grabWindow(0).save(shot);
        }
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        QTest::mouseClick(yes ? yes : box->button(QMessageBox::Ok), Qt::LeftButton);
        QTimer::singleShot(0, [this, box = QPointer<QMessageBox>(box)] {
            seen.last().answered = !box || !box->isVisible();
        });
    }
};

} // namespace

TEST(FileOpMessages, TrashErrorIsAnsweredOnTopOfTheProgressWindowThatFitsTheScreen) {
    QTemporaryDir work;
    // A folder holding the Trash cannot go into it: the Trash step fails.
    const QString root = work.filePath(QString(180, 'n') + "/");
    std::optional<ScopedEnv> data(std::in_place, "XDG_DATA_HOME", QFile::encodeName(root + "data"));
    ASSERT_TRUE(QDir().mkpath(HomeTrashDir() + "/files"));
    ASSERT_TRUE(QDir().mkpath(root + "other"));

    MainWindow form(work.filePath("Morvane.ini"));
    form.resize(1100, 700);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.Session().SelectFolder(root);
    form.AnalyseFolder(root);
    QTabBar* pages = PageTabs(form)->tabBar();
    QTest::mouseClick(pages, Qt::LeftButton, {}, pages->tabRect(MainWindow::pgFolderList).center());
    QTreeWidget* list = FolderPage(form)->FolderList();
    ASSERT_TRUE(list->isVisible());
    const QList<QTreeWidgetItem*> rows = list->findItems("data", Qt::MatchExactly);
    ASSERT_EQ(rows.size(), 1);
    const QPoint at = list->visualItemRect(rows[0]).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
    // What the window system makes of that click.
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &menuEvent);
    QMenu* menu = form.findChild<QMenu*>("FolderListPopUp");
    ASSERT_TRUE(menu && menu->isVisible());

    BoxAnswerer answerer;
    QTest::mouseClick(menu, Qt::LeftButton, {},
                      menu->actionGeometry(form.Action("DeleteListFolderItem")).center());
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen.size(), 2, 10000);
    QTest::qWait(50);
    data.reset();

    // The question comes before the work, the error during it.
    EXPECT_TRUE(answerer.seen[0].text.contains("to the Trash?"));
    EXPECT_TRUE(answerer.seen[0].answered);
    EXPECT_TRUE(answerer.seen[1].text.contains("holds the trash itself"));
    EXPECT_TRUE(answerer.seen[1].onProgress);
    EXPECT_TRUE(answerer.seen[1].parentShown);
    EXPECT_TRUE(answerer.seen[1].answered);
    EXPECT_TRUE(answerer.seen[1].parentOnScreen); // the long name is elided
    EXPECT_TRUE(QFileInfo::exists(root + "data/Trash/files"));
}
