// The Tools housekeeping as the window runs it: the trash button's live hint
// and emptying, and the command line of the bottom box (no terminal starts).
#include "WindowParts.h"
#include "common/TestFiles.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/BackgroundToolTip.h"
#include "gui/window/MainWindow.h"
#include "platform/ProgramStarter.h"
#include "platform/Trash.h"
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <atomic>
#include <gtest/gtest.h>

TEST(HousekeepingWindowTest, TrashHintFollowsTheTrashAndCommandLineRunsInTheLeftFolder) {
    QTemporaryDir dir(QDir::homePath() + "/window-XXXXXX");
    EmptyTrash({HomeTrashDir()});
    int n = 0;
    for (const int size : {2000, 24, 24}) {
        QFile f(dir.filePath(QString::number(++n)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(QByteArray(size, 'x')) == size);
        f.close();
        ASSERT_TRUE(MoveToTrash(f.fileName()));
    }
    // A stand-in terminal, so the launch is complete whatever this machine has.
    const QByteArray oldPath = qgetenv("PATH");
    QFile terminal(dir.filePath("x-terminal-emulator"));
    ASSERT_TRUE(terminal.open(QIODevice::WriteOnly));
    terminal.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    qputenv("PATH", QFile::encodeName(dir.path()));
    QList<ProgramLaunch> started;
    const ProgramStarter old = SetProgramStarter([&](const ProgramLaunch& l) {
        started << l;
        return true;
    });

    MainWindow form(dir.filePath("Morvane.ini"));
    QWidget* trashButton = MainToolBar(form)->widgetForAction(form.Action("actEmptyRecBin"));
    ASSERT_NE(trashButton, nullptr);
    // The trash is walked off the window's thread: the hint keeps its last text
    // until the new figure is in.
    QEvent enter(QEvent::Enter);
    const QString before = trashButton->toolTip();
    QCoreApplication::sendEvent(trashButton, &enter);
    EXPECT_EQ(trashButton->toolTip(), before);
    const QString full = "Your Recycle Bin is filled with\nSize:2 kbyte in 3 Items!\nClick to "
                         "empty Recycle Bin!";
    QTRY_COMPARE(trashButton->toolTip(), full);
    form.Action("actEmptyRecBin")->trigger(); // no question of its own
    QCoreApplication::sendEvent(trashButton, &enter);
    EXPECT_EQ(trashButton->toolTip(), full);
    QTRY_VERIFY(trashButton->toolTip().contains("Size:0 kbyte in 0 Items!"));

    form.Session().SelectFolder(dir.path());
    PageTabs(form)->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_TRUE(HistoryCombo(form)->currentText().isEmpty()); // no command run yet
    HistoryCombo(form)->setEditText("dir /w");
    CommandLineButton(form)->click();
    qputenv("PATH", oldPath);
    SetProgramStarter(old);
    EXPECT_EQ(form.LastCommandLine(), "dir /w");
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].program, terminal.fileName());
    EXPECT_TRUE(started[0].arguments.last().startsWith("dir /w; read"));
    EXPECT_EQ(started[0].workingDirectory, form.Session().CurrentFolder());
    PageTabs(form)->setCurrentIndex(MainWindow::pgFolderList);
    EXPECT_EQ(HistoryCombo(form)->currentText(), form.Session().CurrentFolder());
    PageTabs(form)->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_EQ(HistoryCombo(form)->currentText(), "dir /w");
}

TEST(HousekeepingWindowTest, EmptyRecycleBinRefusesALinkedTrashAndSaysSo) {
    QTemporaryDir dir(QDir::homePath() + "/linked-XXXXXX");
    Write(dir.filePath("target/files/kept.txt"), "kept");
    QDir(HomeTrashDir()).removeRecursively();
    ASSERT_TRUE(QFile::link(dir.filePath("target"), HomeTrashDir()));
    QStringList told;
    SetMessageBoxHook(
        [&told](MessageKind, const QString&, const QString& text) { return told << text, true; });
    MainWindow form(dir.filePath("Morvane.ini"));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(MainToolBar(form)->widgetForAction(form.Action("actEmptyRecBin")),
                      Qt::LeftButton);
    SetMessageBoxHook({});
    QFile::remove(HomeTrashDir());
    EXPECT_EQ(Read(dir.filePath("target/files/kept.txt")), "kept");
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(told.value(0).contains("symbolic link")) << told.value(0).toStdString();
}

TEST(HousekeepingWindowTest, HintTextIsWorkedOutOnAnotherThreadOncePerHover) {
    QToolButton button;
    button.setToolTip("first");
    std::atomic<int> runs = 0;
    std::atomic<QThread*> thread = nullptr;
    new BackgroundToolTip(&button, [&] {
        thread = QThread::currentThread();
        QThread::msleep(200);
        return QString("figure %1").arg(++runs);
    });
    QEvent enter(QEvent::Enter), tip(QEvent::ToolTip);
    QCoreApplication::sendEvent(&button, &enter);
    QCoreApplication::sendEvent(&button, &tip); // while the first still runs: no second walk
    QTRY_COMPARE(button.toolTip(), "figure 1");
    EXPECT_NE(thread.load(), QThread::currentThread());
    EXPECT_EQ(runs, 1);
}

TEST(HousekeepingWindowTest, MissingProgramsAreNamed) {
    QTemporaryDir dir;
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(dir.path())); // nothing installed
    QStringList told;
    SetMessageBoxHook([&told](MessageKind, const QString&, const QString& text) {
        told << text;
        return true;
    });
    MainWindow form(dir.filePath("Morvane.ini"));
    form.resize(1366, 700);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    for (const char* name : {"DiskCleanupButton", "actUninstallMnu"})
        QTest::mouseClick(MainToolBar(form)->widgetForAction(form.Action(name)), Qt::LeftButton);
    QMenu* tools = nullptr; // the menu item, clicked in its menu
    for (QObject* o : form.Action("actStartDefrag")->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o)) tools = menu;
    ASSERT_NE(tools, nullptr);
    tools->popup(form.mapToGlobal(QPoint(40, 40)));
    QTest::mouseClick(tools, Qt::LeftButton, {},
                      tools->actionGeometry(form.Action("actStartDefrag")).center());
    PageTabs(form)->setCurrentIndex(MainWindow::pgCommander);
    QTest::mouseClick(CommandLineButton(form), Qt::LeftButton);
    SetMessageBoxHook({});
    qputenv("PATH", oldPath);
    ASSERT_EQ(told.size(), 4) << told.join('\n').toStdString();
    EXPECT_EQ(told[0], "bleachbit is not installed.");
    EXPECT_TRUE(told[1].contains("gnome-software nor plasma-discover"));
    // e4defrag lives outside PATH; the terminal it runs in is what is missing.
    const QString terminal =
        QFileInfo::exists("/usr/sbin/e4defrag") || QFileInfo::exists("/sbin/e4defrag")
            ? "No terminal emulator is installed"
            : "e4defrag is not installed";
    EXPECT_TRUE(told[2].startsWith(terminal)) << told[2].toStdString();
    EXPECT_TRUE(told[3].contains("none of x-terminal-emulator, gnome-terminal, konsole, "
                                 "xfce4-terminal, mate-terminal, xterm"));
}
