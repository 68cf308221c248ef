// The Tools housekeeping as the window runs it: the trash button's live hint
// and emptying, and the command line of the bottom box (no terminal starts).
#include "common/TestFiles.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/window/MainWindow.h"
#include "platform/ProgramStarter.h"
#include "platform/Trash.h"
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
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
    QWidget* trashButton = form.MainToolBar()->widgetForAction(form.Action("actEmptyRecBin"));
    ASSERT_NE(trashButton, nullptr);
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(trashButton, &enter);
    EXPECT_EQ(trashButton->toolTip(), "Your Recycle Bin is filled with\nSize:2 kbyte in 3 "
                                      "Items!\nClick to empty Recycle Bin!");
    form.Action("actEmptyRecBin")->trigger(); // no question of its own
    QCoreApplication::sendEvent(trashButton, &enter);
    EXPECT_TRUE(trashButton->toolTip().contains("Size:0 kbyte in 0 Items!"));

    form.SelectFolder(dir.path());
    form.PageTabs()->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_TRUE(form.HistoryCombo()->currentText().isEmpty()); // no command run yet
    form.HistoryCombo()->setEditText("dir /w");
    form.But_CommandLine()->click();
    qputenv("PATH", oldPath);
    SetProgramStarter(old);
    EXPECT_EQ(form.LastCommandLine, "dir /w");
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].program, terminal.fileName());
    EXPECT_TRUE(started[0].arguments.last().startsWith("dir /w; read"));
    EXPECT_EQ(started[0].workingDirectory, form.CurrentFolder());
    form.PageTabs()->setCurrentIndex(MainWindow::pgFolderList);
    EXPECT_EQ(form.HistoryCombo()->currentText(), form.CurrentFolder());
    form.PageTabs()->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_EQ(form.HistoryCombo()->currentText(), "dir /w");
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
    QTest::mouseClick(form.MainToolBar()->widgetForAction(form.Action("actEmptyRecBin")),
                      Qt::LeftButton);
    SetMessageBoxHook({});
    QFile::remove(HomeTrashDir());
    EXPECT_EQ(Read(dir.filePath("target/files/kept.txt")), "kept");
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(told.value(0).contains("symbolic link")) << told.value(0).toStdString();
}
