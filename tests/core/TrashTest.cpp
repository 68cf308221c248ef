#include "platform/Trash.h"
#include "common/TestFiles.h"
#include "platform/FileTree.h"
#include "platform/NativePath.h"
#include "platform/ShellFileOp.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utility>
#include <utime.h>

namespace {

// A folder inside the test's own HOME, so that it shares the home trash's file system.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        EmptyTrash({HomeTrashDir()});
        ASSERT_TRUE(work.isValid());
    }
    QTemporaryDir work{QDir::homePath() + "/work-XXXXXX"};
};

// Records every question and gives fixed answers; never blocks.
class ScriptedUi : public IShellOpUi {
public:
    bool trashAnswer = true;
    ReplaceAnswer replaceAnswer = ReplaceAnswer::Cancel;
    int cancelAfterSteps = -1;
    QStringList asked, errors;
    bool ConfirmTrash(const QStringList& p) override {
        asked << "trash:" + p.join(',');
        return trashAnswer;
    }
    bool ConfirmCreateFolder(const QString& f) override {
        asked << "mkdir:" + f;
        return true;
    }
    ReplaceAnswer AskReplace(const QString& existing, const QString&, bool) override {
        asked << "replace:" + existing;
        return replaceAnswer;
    }
    void ShowError(const QString& m) override { errors << m; }
    void BeginProgress(const QString&, std::int64_t) override {}
    bool StepProgress(const QString&, std::int64_t) override { return cancelAfterSteps-- != 0; }
    void EndProgress() override {}
};

} // namespace

TEST_F(TrashTest, FileAndFolderGoToTheHomeTrashWithInfo) {
    const QString file = work.filePath("a b%c.txt");
    const QString folder = work.filePath("dir");
    Write(file, "hello");
    Write(folder + "/inner/x.bin", QByteArray(1000, 'x'));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);

    EXPECT_TRUE(SendToRecycleBin(file));
    EXPECT_TRUE(SendToRecycleBin(folder + "/")); // a trailing delimiter is allowed
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(QFile::exists(folder));

    const QString trash = HomeTrashDir();
    EXPECT_EQ(Read(trash + "/files/a b%c.txt"), "hello");
    EXPECT_EQ(Read(trash + "/files/dir/inner/x.bin").size(), 1000);
    QFile info(trash + "/info/a b%c.txt.trashinfo");
    ASSERT_TRUE(info.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = info.readAll().split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], "[Trash Info]");
    EXPECT_EQ(lines[1], "Path=" + QUrl::toPercentEncoding(file, "/"));
    EXPECT_TRUE(lines[1].contains("a%20b%25c.txt"));
    ASSERT_TRUE(lines[2].startsWith("DeletionDate="));
    const QDateTime when = QDateTime::fromString(QString(lines[2].mid(13)), Qt::ISODate);
    EXPECT_TRUE(when.isValid());
    EXPECT_GE(when, before);
    EXPECT_TRUE(QFile::exists(trash + "/info/dir.trashinfo"));

    const TrashContents c = QueryTrash({trash});
    EXPECT_EQ(c.items, 2);
    EXPECT_EQ(c.bytes, 1005);
    EXPECT_TRUE(EmptyTrash({trash}));
    EXPECT_EQ(QueryTrash({trash}).items, 0);
    EXPECT_TRUE(QDir(trash + "/info").isEmpty());
}

TEST_F(TrashTest, SameNameTwiceGetsUniqueNamesAndRestores) {
    Write(work.filePath("one/n.txt"), "1");
    Write(work.filePath("two/n.txt"), "2");
    TrashedItem a, b;
    ASSERT_TRUE(MoveToTrash(work.filePath("one/n.txt"), nullptr, &a));
    ASSERT_TRUE(MoveToTrash(work.filePath("two/n.txt"), nullptr, &b));
    EXPECT_NE(a.trashed, b.trashed);
    EXPECT_EQ(Read(a.trashed), "1");
    EXPECT_EQ(Read(b.trashed), "2");
    EXPECT_TRUE(QFile::exists(b.infoFile));
    EXPECT_TRUE(RestoreFromTrash(b));
    EXPECT_EQ(Read(work.filePath("two/n.txt")), "2");
    EXPECT_FALSE(QFile::exists(b.infoFile));
}

TEST_F(TrashTest, MissingItemFailsWithAMessage) {
    QString error;
    EXPECT_FALSE(MoveToTrash(work.filePath("nothing"), &error));
    EXPECT_TRUE(error.contains("nothing"));
}

TEST_F(TrashTest, MoveAndCopyBetweenFoldersKeepTimesAndModes) {
    Write(work.filePath("src/a.txt"), "aaa");
    Write(work.filePath("src/sub/b.txt"), "bbb");
    Write(work.filePath("src/c.txt"), "ccc");
    const QByteArray a = QFile::encodeName(work.filePath("src/a.txt"));
    chmod(a.constData(), 0640);
    struct utimbuf old {
        1000000000, 1000000000
    };
    utime(a.constData(), &old);
    QDir().mkpath(work.filePath("dst"));

    ScriptedUi ui;
    ShellFileOp op(&ui);
    EXPECT_EQ(op.Run(FO_COPY, {work.filePath("src/a.txt"), work.filePath("src/sub")},
                     work.filePath("dst"), FOF_ALLOWUNDO),
              0);
    EXPECT_EQ(Read(work.filePath("dst/a.txt")), "aaa");
    EXPECT_EQ(Read(work.filePath("dst/sub/b.txt")), "bbb");
    EXPECT_EQ(Read(work.filePath("src/a.txt")), "aaa");
    struct stat st;
    ASSERT_EQ(stat(QFile::encodeName(work.filePath("dst/a.txt")).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtime, 1000000000);

    EXPECT_EQ(op.Run(FO_MOVE, {work.filePath("src/c.txt"), work.filePath("src/sub")},
                     work.filePath("moved"), FOF_ALLOWUNDO),
              0);
    EXPECT_TRUE(ui.asked.contains("mkdir:" + work.filePath("moved")));
    EXPECT_EQ(Read(work.filePath("moved/c.txt")), "ccc");
    EXPECT_EQ(Read(work.filePath("moved/sub/b.txt")), "bbb");
    EXPECT_FALSE(QFile::exists(work.filePath("src/c.txt")));
    EXPECT_FALSE(QFile::exists(work.filePath("src/sub")));
    EXPECT_EQ(op.Handled().size(), 2);
}

TEST_F(TrashTest, NameClashAsksAndReplacedItemGoesToTheTrash) {
    Write(work.filePath("src/a.txt"), "new");
    Write(work.filePath("src/b.txt"), "b");
    Write(work.filePath("dst/a.txt"), "old");
    ScriptedUi ui;
    ShellFileOp op(&ui);
    // Cancel: nothing moves.
    EXPECT_EQ(op.Run(FO_MOVE, {work.filePath("src/b.txt"), work.filePath("src/a.txt")},
                     work.filePath("dst"), FOF_ALLOWUNDO),
              sorCancelled);
    EXPECT_EQ(Read(work.filePath("dst/a.txt")), "old");
    EXPECT_TRUE(QFile::exists(work.filePath("src/b.txt")));
    EXPECT_FALSE(QFile::exists(work.filePath("dst/b.txt")));
    // Skip: the other source moves, the result is not success.
    ui.replaceAnswer = ReplaceAnswer::Skip;
    EXPECT_NE(op.Run(FO_MOVE, {work.filePath("src/b.txt"), work.filePath("src/a.txt")},
                     work.filePath("dst"), FOF_ALLOWUNDO),
              0);
    EXPECT_EQ(op.Handled(), QStringList{work.filePath("src/b.txt")});
    EXPECT_EQ(Read(work.filePath("dst/a.txt")), "old");
    // Replace: the old one is in the Trash, not gone.
    ui.replaceAnswer = ReplaceAnswer::Replace;
    EXPECT_EQ(op.Run(FO_MOVE, {work.filePath("src/a.txt")}, work.filePath("dst"), FOF_ALLOWUNDO),
              0);
    EXPECT_EQ(Read(work.filePath("dst/a.txt")), "new");
    EXPECT_EQ(Read(HomeTrashDir() + "/files/a.txt"), "old");
    EXPECT_TRUE(QFile(HomeTrashDir() + "/info/a.txt.trashinfo").exists());
    QDir dst(work.filePath("dst"));
    EXPECT_EQ(dst.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
    // Without a UI nothing is ever replaced.
    Write(work.filePath("src/b.txt"), "b2");
    ShellFileOp silent;
    EXPECT_EQ(silent.Run(FO_COPY, {work.filePath("src/b.txt")}, work.filePath("dst"),
                         FOF_SILENT | FOF_NOCONFIRMATION),
              sorFailed);
    EXPECT_EQ(Read(work.filePath("dst/b.txt")), "b");
}

TEST_F(TrashTest, VanishedSourceFailsAndLeavesEverythingInPlace) {
    Write(work.filePath("src/a.txt"), "a");
    Write(work.filePath("src/c.txt"), "c");
    ScriptedUi ui;
    ShellFileOp op(&ui);
    const QStringList sources{work.filePath("src/a.txt"), work.filePath("src/gone.txt"),
                              work.filePath("src/c.txt")};
    EXPECT_EQ(op.Run(FO_MOVE, sources, work.filePath("dst"), FOF_ALLOWUNDO), sorFailed);
    EXPECT_EQ(ui.errors.size(), 1);
    EXPECT_TRUE(ui.errors.value(0).contains("gone.txt"));
    EXPECT_TRUE(QFile::exists(work.filePath("src/a.txt")));
    EXPECT_TRUE(QFile::exists(work.filePath("src/c.txt")));
    EXPECT_EQ(op.Run(FO_DELETE, sources, "c:\\", FOF_ALLOWUNDO), sorFailed);
    EXPECT_TRUE(QFile::exists(work.filePath("src/a.txt")));
    EXPECT_EQ(QueryTrash({HomeTrashDir()}).items, 0);
    EXPECT_TRUE(ui.asked.isEmpty()); // failed before any question
}

TEST_F(TrashTest, CancelHalfWayUndoesWhatWasDone) {
    Write(work.filePath("src/a.txt"), "a");
    Write(work.filePath("src/b.txt"), "b");
    ScriptedUi ui;
    ui.cancelAfterSteps = 2;
    ShellFileOp op(&ui);
    EXPECT_EQ(op.Run(FO_MOVE, {work.filePath("src/a.txt"), work.filePath("src/b.txt")},
                     work.filePath("dst"), FOF_ALLOWUNDO),
              sorCancelled);
    EXPECT_TRUE(QFile::exists(work.filePath("src/a.txt")));
    EXPECT_TRUE(QFile::exists(work.filePath("src/b.txt")));
    EXPECT_TRUE(QDir(work.filePath("dst")).isEmpty());
    ui.cancelAfterSteps = 1;
    EXPECT_EQ(op.Run(FO_DELETE, {work.filePath("src/a.txt"), work.filePath("src/b.txt")}, "",
                     FOF_ALLOWUNDO),
              sorCancelled);
    EXPECT_TRUE(QFile::exists(work.filePath("src/a.txt")));
    EXPECT_EQ(QueryTrash({HomeTrashDir()}).items, 0);
}

TEST_F(TrashTest, DeleteAsksOnceAndRefusalKeepsFiles) {
    Write(work.filePath("a.txt"), "a");
    ScriptedUi ui;
    ui.trashAnswer = false;
    ShellFileOp op(&ui);
    EXPECT_EQ(op.Run(FO_DELETE, {work.filePath("a.txt")}, "", FOF_ALLOWUNDO), sorCancelled);
    EXPECT_TRUE(QFile::exists(work.filePath("a.txt")));
    ui.trashAnswer = true;
    EXPECT_EQ(op.Run(FO_DELETE, {work.filePath("a.txt")}, "", FOF_ALLOWUNDO), 0);
    EXPECT_EQ(ui.asked.size(), 2);
    EXPECT_EQ(QueryTrash({HomeTrashDir()}).items, 1);
}

TEST_F(TrashTest, FolderCannotGoIntoItselfAndTwoSameNamesAreRefused) {
    Write(work.filePath("d/x/a.txt"), "a");
    Write(work.filePath("e/a.txt"), "e");
    ShellFileOp op;
    EXPECT_EQ(op.Run(FO_COPY, {work.filePath("d")}, work.filePath("d/x"), 0), sorFailed);
    EXPECT_EQ(op.Run(FO_COPY, {work.filePath("d/x/a.txt"), work.filePath("e/a.txt")},
                     work.filePath("f"), 0),
              sorFailed);
    EXPECT_FALSE(QFile::exists(work.filePath("f/a.txt")));
    // A target that is the source's own folder under another name.
    ASSERT_TRUE(QFile::link(work.filePath("e"), work.filePath("alias")));
    EXPECT_EQ(op.Run(FO_MOVE, {work.filePath("e/a.txt")}, work.filePath("alias"), 0), sorFailed);
    EXPECT_EQ(Read(work.filePath("e/a.txt")), "e");
}

TEST_F(TrashTest, MoveAcrossFileSystemsCopiesThenRemoves) {
    QTemporaryDir other("/dev/shm/morvane-test-XXXXXX");
    struct stat a, b;
    if (!other.isValid() || stat("/dev/shm", &a) != 0 ||
        stat(QFile::encodeName(work.path()).constData(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system";
    Write(other.filePath("d/f.txt"), "far");
    const QByteArray f = QFile::encodeName(other.filePath("d/f.txt"));
    struct utimbuf old {
        1000000000, 1000000000
    };
    utime(f.constData(), &old);
    ScriptedUi ui;
    ShellFileOp op(&ui);
    EXPECT_EQ(op.Run(FO_MOVE, {other.filePath("d")}, work.filePath("dst"), FOF_ALLOWUNDO), 0);
    EXPECT_FALSE(QFile::exists(other.filePath("d")));
    EXPECT_EQ(Read(work.filePath("dst/d/f.txt")), "far");
    ASSERT_EQ(stat(QFile::encodeName(work.filePath("dst/d/f.txt")).constData(), &a), 0);
    EXPECT_EQ(a.st_mtime, 1000000000);
    // Trashing on that file system uses a trash at its top.
    Write(other.filePath("g.txt"), "g");
    TrashedItem item;
    QString error;
    ASSERT_TRUE(MoveToTrash(other.filePath("g.txt"), &error, &item)) << error.toStdString();
    EXPECT_FALSE(item.trashed.startsWith(HomeTrashDir()));
    EXPECT_TRUE(RestoreFromTrash(item));
    EXPECT_TRUE(QFile::exists(other.filePath("g.txt")));
    const QString top = QFileInfo(item.trashed).path() + "/..";
    for (const char* d : {"/files", "/info", ""})
        QDir().rmdir(QDir::cleanPath(top + d));
}

TEST_F(TrashTest, FolderOntoFolderOfTheSameNameIsMergedAskingPerFile) {
    auto tree = [this] {
        Write(work.filePath("src/d/a.txt"), "new");
        Write(work.filePath("src/d/sub/c.txt"), "c");
        Write(work.filePath("dst/d/a.txt"), "old");
        Write(work.filePath("dst/d/only.txt"), "stays");
        Write(work.filePath("dst/d/sub/x.txt"), "x");
    };
    tree();
    ScriptedUi ui;
    ShellFileOp op(&ui);
    const QStringList d{work.filePath("src/d")};
    // Cancel at the clash inside: nothing moves.
    EXPECT_EQ(op.Run(FO_MOVE, d, work.filePath("dst"), FOF_ALLOWUNDO), sorCancelled);
    EXPECT_EQ(ui.asked, QStringList{"replace:" + work.filePath("dst/d/a.txt")});
    EXPECT_EQ(Read(work.filePath("src/d/sub/c.txt")), "c");
    EXPECT_FALSE(QFile::exists(work.filePath("dst/d/sub/c.txt")));
    // Skip: the rest arrives, the skipped file stays in its folder, which is not handled.
    ui.replaceAnswer = ReplaceAnswer::Skip;
    EXPECT_EQ(op.Run(FO_MOVE, d, work.filePath("dst"), FOF_ALLOWUNDO), sorPartly);
    EXPECT_EQ(op.HandledFlags(), std::vector<char>{0});
    EXPECT_EQ(Read(work.filePath("dst/d/sub/c.txt")), "c");
    EXPECT_EQ(Read(work.filePath("dst/d/a.txt")), "old");
    EXPECT_EQ(Read(work.filePath("src/d/a.txt")), "new");
    EXPECT_FALSE(QFile::exists(work.filePath("src/d/sub")));
    // Replace: the old file goes to the Trash, files only in the target stay.
    ui.replaceAnswer = ReplaceAnswer::Replace;
    EXPECT_EQ(op.Run(FO_MOVE, d, work.filePath("dst"), FOF_ALLOWUNDO), 0);
    EXPECT_EQ(op.HandledFlags(), std::vector<char>{1});
    EXPECT_FALSE(QFile::exists(work.filePath("src/d")));
    EXPECT_EQ(Read(work.filePath("dst/d/a.txt")), "new");
    EXPECT_EQ(Read(work.filePath("dst/d/only.txt")), "stays");
    EXPECT_EQ(Read(work.filePath("dst/d/sub/x.txt")), "x");
    EXPECT_EQ(Read(HomeTrashDir() + "/files/a.txt"), "old");
    EXPECT_EQ(QueryTrash({HomeTrashDir()}).items, 1); // the folder itself was never trashed
    // A copy merges the same way and leaves the source.
    tree();
    EXPECT_EQ(op.Run(FO_COPY, d, work.filePath("dst"), FOF_ALLOWUNDO), 0);
    EXPECT_EQ(Read(work.filePath("src/d/a.txt")), "new");
    EXPECT_EQ(Read(work.filePath("dst/d/a.txt")), "new");
    EXPECT_EQ(Read(work.filePath("dst/d/only.txt")), "stays");
}

TEST_F(TrashTest, ReplaceWithoutATrashIsRefusedAndChangesNothing) {
    Write(work.filePath("src/a.txt"), "new");
    Write(work.filePath("src/d/f.txt"), "new folder");
    Write(work.filePath("dst/a.txt"), "old");
    Write(work.filePath("dst/d"), "a file where the folder goes");
    QDir(HomeTrashDir()).removeRecursively();
    Write(HomeTrashDir(), "a file where the trash goes"); // no trash can be made
    ScriptedUi ui;
    ui.replaceAnswer = ReplaceAnswer::Replace;
    ShellFileOp op(&ui);
    for (const char* name : {"a.txt", "d"})
        EXPECT_EQ(
            op.Run(FO_MOVE, {work.filePath("src/") + name}, work.filePath("dst"), FOF_ALLOWUNDO),
            sorFailed);
    QFile::remove(HomeTrashDir());
    ASSERT_EQ(ui.errors.size(), 2);
    EXPECT_TRUE(ui.errors[1].contains("cannot be replaced")) << ui.errors[1].toStdString();
    EXPECT_EQ(Read(work.filePath("dst/a.txt")) + Read(work.filePath("dst/d")),
              "olda file where the folder goes");
    EXPECT_EQ(Read(work.filePath("src/a.txt")) + Read(work.filePath("src/d/f.txt")),
              "newnew folder");
    EXPECT_EQ(QDir(work.filePath("dst"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"a.txt", "d"}));
}

TEST_F(TrashTest, NamesThatAreNotUtf8AreTrashedMovedAndCopiedByTheirBytes) {
    const QByteArray dir = NativePath(work.path());
    const QByteArray name = "caf\xe9.txt";
    auto make = [&](const QByteArray& path) {
        std::FILE* f = std::fopen(path.constData(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("data", f);
        std::fclose(f);
    };
    auto exists = [](const QByteArray& path) {
        struct stat st {};
        return ::lstat(path.constData(), &st) == 0;
    };

    make(dir + "/" + name);
    EXPECT_TRUE(SendToRecycleBin(PathFromNative(dir + "/" + name)));
    EXPECT_FALSE(exists(dir + "/" + name));
    const QByteArray trash = NativePath(HomeTrashDir());
    EXPECT_TRUE(exists(trash + "/files/" + name));
    QFile info(PathFromNative(trash + "/info/" + name + ".trashinfo"));
    int fd = ::open((trash + "/info/" + name + ".trashinfo").constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(info.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    EXPECT_TRUE(info.readAll().contains("/caf%E9.txt\n"));

    // Copy and move into a target folder that is not UTF-8 either and does not exist yet.
    make(dir + "/" + name);
    const QByteArray target = dir + "/t\xff";
    ShellFileOp copy;
    EXPECT_EQ(copy.Run(FO_COPY, {PathFromNative(dir + "/" + name)}, PathFromNative(target),
                       FOF_NOCONFIRMATION),
              sorOk)
        << copy.LastError().toStdString();
    EXPECT_TRUE(exists(target + "/" + name));
    ShellFileOp move;
    EXPECT_EQ(move.Run(FO_MOVE, {PathFromNative(dir + "/" + name)}, PathFromNative(dir + "/m\xfe"),
                       FOF_NOCONFIRMATION),
              sorOk)
        << move.LastError().toStdString();
    EXPECT_TRUE(exists(dir + "/m\xfe/" + name));
    EXPECT_FALSE(exists(dir + "/" + name));

    // A message names such a file with replacement characters.
    ShellFileOp missing;
    EXPECT_EQ(missing.Run(FO_DELETE, {PathFromNative(dir + "/gone\xe9")}, {}, 0), sorFailed);
    EXPECT_TRUE(missing.LastError().contains(QString::fromUtf8("gone\uFFFD")));

    // Emptying the trash reaches such names too.
    EXPECT_TRUE(EmptyTrash({HomeTrashDir()}));
    EXPECT_FALSE(exists(trash + "/files/" + name));
    RemoveTree(target);
    RemoveTree(dir + "/m\xfe");
}

TEST_F(TrashTest, LinkedHomeTrashIsRefusedBothWaysWithAMessage) {
    const QString elsewhere = work.filePath("elsewhere");
    Write(elsewhere + "/files/old.txt", "old");
    Write(elsewhere + "/info/old.txt.trashinfo", "[Trash Info]\nPath=/x/old.txt\n");
    QDir(HomeTrashDir()).removeRecursively();
    ASSERT_TRUE(QFile::link(elsewhere, HomeTrashDir()));
    Write(work.filePath("a.txt"), "a");

    QString error;
    EXPECT_FALSE(MoveToTrash(work.filePath("a.txt"), &error));
    EXPECT_TRUE(error.contains("symbolic link")) << error.toStdString();
    ScriptedUi ui;
    ShellFileOp op(&ui);
    EXPECT_EQ(op.Run(FO_DELETE, {work.filePath("a.txt")}, "", FOF_ALLOWUNDO), sorFailed);
    EXPECT_TRUE(ui.errors.value(0).contains("symbolic link"));
    EXPECT_EQ(Read(work.filePath("a.txt")), "a");

    error.clear();
    EXPECT_FALSE(EmptyTrash({HomeTrashDir()}, &error));
    EXPECT_TRUE(error.contains("symbolic link")) << error.toStdString();
    EXPECT_EQ(QueryTrash({HomeTrashDir()}).error, ELOOP);
    EXPECT_EQ(Read(elsewhere + "/files/old.txt"), "old") << "the link's target is not emptied";
    EXPECT_TRUE(QFile::exists(elsewhere + "/info/old.txt.trashinfo"));
    QFile::remove(HomeTrashDir());
}

TEST_F(TrashTest, LongNamesGoUnderAShorterNameAndComeBackWhole) {
    auto at = [this](const QByteArray& name) {
        return PathFromNative(NativePath(work.path()) + "/" + name);
    };
    const QByteArray e = "\xc3\xa9"; // two bytes each
    const QList<QByteArray> names{QByteArray(242, 'a') + ".txt", QByteArray(255, 'b'),
                                  e.repeated(125) + ".odt", QByteArray(242, 'a') + ".txt"};
    QList<TrashedItem> items;
    for (const QByteArray& n : names) {
        Write(at(n), n.left(1) + QByteArray::number(items.size()));
        TrashedItem item;
        QString error;
        ASSERT_TRUE(MoveToTrash(at(n), &error, &item)) << error.toStdString();
        items << item;
    }
    QStringList files = EntryNames(HomeTrashDir() + "/files");
    files.sort();
    for (const QString& f : files) {
        EXPECT_LE(NativePath(f).size(), 245) << "room for .trashinfo";
        EXPECT_TRUE(QFile::exists(HomeTrashDir() + "/info/" + f + ".trashinfo"));
    }
    const QString a(241, 'a'), aa(239, 'a');
    EXPECT_EQ(files, (QStringList{aa + ".2.txt", a + ".txt", QString(245, 'b'),
                                  QString(120, QChar(0xe9)) + ".odt"}))
        << "cut between characters, the extension and a count kept";
    EXPECT_TRUE(Read(items[2].infoFile)
                    .contains("Path=" + NativePath(items[2].original).toPercentEncoding("/")));
    for (const TrashedItem& item : items.mid(1))
        EXPECT_TRUE(RestoreFromTrash(item));
    EXPECT_EQ(Read(at(names[1])) + Read(at(names[0])), "b1a3");
    EXPECT_TRUE(EmptyTrash({HomeTrashDir()}));
    EXPECT_TRUE(QDir(HomeTrashDir() + "/info").isEmpty());
}

TEST_F(TrashTest, LongNamesListAndRestoreWithGio) {
    // gio reaches the Trash through the desktop's trash service, on a bus of its own.
    auto gio = [](const QStringList& args) {
        QProcess p;
        p.start("dbus-run-session", QStringList{"--", "gio", "trash"} + args);
        const bool ok =
            p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        return ok ? p.readAllStandardOutput() : QByteArray("<failed>");
    };
    if (gio({"--list"}) == "<failed>") GTEST_SKIP() << "gio cannot list the Trash (no gvfs)";
    const QString path = PathFromNative(NativePath(work.path()) + "/" + QByteArray(250, 'g'));
    Write(path, "gio");
    TrashedItem item;
    ASSERT_TRUE(MoveToTrash(path, nullptr, &item));
    EXPECT_TRUE(gio({"--list"}).contains(NativePath(path)));
    gio({"--restore", "trash:///" + QFileInfo(item.trashed).fileName()});
    EXPECT_EQ(Read(path), "gio");
    EXPECT_FALSE(QFile::exists(item.infoFile));
}

namespace {

// The deepest of levels nested folders called name below top, opened folder by
// folder (its whole path passes PATH_MAX) and reached through /proc.
struct DeepFolder {
    DeepFolder(const QByteArray& top, const QByteArray& name, int levels, bool make) {
        fd = ::open(top.constData(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < levels && fd >= 0; ++i) {
            if (make) ::mkdirat(fd, name.constData(), 0755);
            const int sub = ::openat(fd, name.constData(), O_RDONLY | O_DIRECTORY);
            ::close(std::exchange(fd, sub));
        }
    }
    ~DeepFolder() {
        if (fd >= 0) ::close(fd);
    }
    QString File(const char* name) const {
        return QStringLiteral("/proc/self/fd/%1/%2").arg(fd).arg(name);
    }
    int fd = -1;
};

} // namespace

TEST_F(TrashTest, TreesDeeperThanPathMaxAreCopiedMovedAndUndone) {
    // 80 levels of 60 bytes: about 4,900 bytes of path, and deeper than the
    // levels a walk keeps open.
    const QByteArray name(60, 'd');
    const int levels = 80;
    auto make = [&](const QString& top, const QByteArray& data) {
        QDir().mkpath(top);
        Write(DeepFolder(NativePath(top), name, levels / 2, true).File("mid"));
        Write(DeepFolder(NativePath(top), name, levels, true).File("end"), data);
    };
    auto end = [&](const QString& top) {
        return Read(DeepFolder(NativePath(top), name, levels, false).File("end"));
    };
    const QString src = work.filePath("src");
    make(src, "bottom");
    ASSERT_TRUE(QFile::link("end", PathFromNative(NativePath(src) + "/" + name + "/to-end")));

    ScriptedUi ui;
    ShellFileOp op(&ui);
    ASSERT_EQ(op.Run(FO_COPY, {src}, work.filePath("copy"), FOF_ALLOWUNDO), sorOk)
        << op.LastError().toStdString();
    EXPECT_EQ(end(work.filePath("copy/src")), "bottom");
    EXPECT_EQ(TreeBytes(NativePath(work.filePath("copy/src"))), 7) << "end and mid";
    EXPECT_TRUE(QFileInfo(work.filePath("copy/src/") + name + "/to-end").isSymLink());

    // A cancel at the second file undoes the whole deep copy.
    ui.cancelAfterSteps = 2;
    EXPECT_EQ(op.Run(FO_COPY, {src}, work.filePath("cancelled"), FOF_ALLOWUNDO), sorCancelled);
    EXPECT_TRUE(QDir(work.filePath("cancelled")).isEmpty());
    ui.cancelAfterSteps = -1;

    // Across file systems a move copies, then removes the deep source.
    QTemporaryDir other("/dev/shm/morvane-test-XXXXXX");
    struct stat a, b;
    if (other.isValid() && stat("/dev/shm", &a) == 0 &&
        stat(NativePath(work.path()).constData(), &b) == 0 && a.st_dev != b.st_dev) {
        make(other.filePath("far"), "far");
        ASSERT_EQ(op.Run(FO_MOVE, {other.filePath("far")}, work.path(), FOF_ALLOWUNDO), sorOk)
            << op.LastError().toStdString();
        EXPECT_FALSE(QFile::exists(other.filePath("far")));
        EXPECT_EQ(end(work.filePath("far")), "far");
    }
    for (const char* d : {"src", "copy", "far"})
        RemoveTree(NativePath(work.filePath(d)));
    EXPECT_EQ(end(work.filePath("copy/src")), "<missing>");
}
