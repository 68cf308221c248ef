// The Tools housekeeping as the window runs it: the trash button's live hint
// and emptying, and the command line of the bottom box (no terminal starts).
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
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(HousekeepingWindowTest, TrashHintFollowsTheTrashAndCommandLineRunsInTheLeftFolder) {
    QTemporaryDir dir(QDir::homePath() + "/window-XXXXXX");
    EmptyTrash({HomeTrashDir()});
    for (int i = 0; i < 3; ++i) {
        QFile f(dir.filePath(QString::number(i)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(i == 0 ? 2000 : 24, 'x'));
        f.close();
        ASSERT_TRUE(MoveToTrash(f.fileName()));
    }
    // A stand-in terminal, so the launch is complete whatever this machine has.
    const QByteArray oldPath = qgetenv("PATH");
    const QString terminal = dir.filePath("x-terminal-emulator");
    QFile script(terminal);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
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
    EXPECT_EQ(trashButton->toolTip(),
              "Your Recycle Bin is filled with\nSize:2 kbyte in 3 Items!\nClick to empty Recycle "
              "Bin!");
    form.Action("actEmptyRecBin")->trigger(); // no question of its own
    EXPECT_EQ(QueryTrash({HomeTrashDir()}).items, 0);
    QCoreApplication::sendEvent(trashButton, &enter);
    EXPECT_TRUE(trashButton->toolTip().contains("Size:0 kbyte in 0 Items!"));

    form.SelectFolder(dir.path());
    form.PageTabs()->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_TRUE(form.HistoryCombo()->currentText().isEmpty()); // no command run yet
    form.HistoryCombo()->setEditText("dir /w");
    form.But_CommandLine()->click();
    EXPECT_EQ(form.LastCommandLine, "dir /w");
    qputenv("PATH", oldPath);
    ASSERT_EQ(started.size(), 1);
    EXPECT_EQ(started[0].program, terminal);
    EXPECT_TRUE(started[0].arguments.last().startsWith("dir /w; read"));
    EXPECT_EQ(started[0].workingDirectory, form.CurrentFolder());
    form.PageTabs()->setCurrentIndex(MainWindow::pgFolderList);
    EXPECT_EQ(form.HistoryCombo()->currentText(), form.CurrentFolder());
    form.PageTabs()->setCurrentIndex(MainWindow::pgCommander);
    EXPECT_EQ(form.HistoryCombo()->currentText(), "dir /w");
    SetProgramStarter(old);
}
