// The shortcut checker, the empty folder finder and their headless forms, on
// trees built in temporary folders.
#include "cli/CleanupForms.h"
#include "common/TestFiles.h"
#include "core/cleanup/EmptyFolders.h"
#include "core/cleanup/ShortcutChecker.h"
#include "platform/Trash.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray Entry(const QByteArray& body) {
    return "[Desktop Entry]\nName=x\n" + body + "\n";
}

QStringList Column(const std::vector<CleanupRow>& rows, QString CleanupRow::*field) {
    QStringList out;
    for (const CleanupRow& r : rows)
        out << r.*field;
    return out;
}

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        root = tmp.path() + "/start";
        oldPath = qgetenv("PATH");
        Write(tmp.path() + "/bin/myprog", "#!/bin/sh\n");
        ::chmod(QFile::encodeName(tmp.path() + "/bin/myprog").constData(), 0755);
        qputenv("PATH", QFile::encodeName(tmp.path() + "/bin"));
        // Paths below /media/cd stand for a disc, below /mnt/share for an NFS share.
        SetFileSystemTypeFn([](const QByteArray& p) -> QByteArray {
            return p.startsWith("/media/cd/")    ? "iso9660"
                   : p.startsWith("/mnt/share/") ? "nfs4"
                                                 : "ext4";
        });
    }
    void TearDown() override {
        qputenv("PATH", oldPath);
        SetFileSystemTypeFn({});
    }
    QTemporaryDir tmp;
    QString root;
    QByteArray oldPath;
};

} // namespace

TEST_F(ShortcutTest, EveryConditionWithItsTextTargetAndCheck) {
    const QString existing = tmp.path() + "/there file.txt";
    Write(existing, "x");
    const struct {
        const char* name;
        QByteArray body; // a desktop entry, or "->target" for a symbolic link
        QString target, condition;
        bool checked;
    } cases[] = {
        {"ok.desktop", Entry("Type=Link\nURL=file://" + QUrl::toPercentEncoding(existing, "/")),
         existing, "OK", false},
        {"gone.desktop", Entry("Type=Link\nURL=file:///no/such/file"), "/no/such/file", "Broken",
         true},
        {"app.desktop", Entry("Type=Application\nExec=\"myprog\" --open %U"),
         tmp.path() + "/bin/myprog", "OK", false},
        {"noapp.desktop", Entry("Type=Application\nExec=notinstalled %f"), "notinstalled", "Broken",
         true},
        {"tryexec.desktop", Entry("Type=Application\nTryExec=notinstalled\nExec=myprog"),
         "notinstalled", "Broken", true},
        {"smb.desktop", Entry("Type=Link\nURL=smb://server/share/doc.odt"),
         "smb://server/share/doc.odt", "Network Link", false},
        {"dir.desktop", Entry("Type=Directory"), "", "undefined", false},
        {"garbage.DESKTOP", "\x01\x02 not an entry", "", "undefined", false},
        {"cd.desktop", Entry("Type=Link\nURL=file:///media/cd/setup.exe"), "/media/cd/setup.exe",
         "Link to CDRom", true},
        {"nfs.desktop", Entry("Type=Link\nURL=file:///mnt/share/gone"), "/mnt/share/gone",
         "Network Link", false},
        {"dangling", "->/no/such/target", "/no/such/target", "Broken", true},
        {"relative", "->../there file.txt", root + "/../there file.txt", "OK", false},
        {"toroot", "->/", "/", "Broken", true},
        {"pipe.desktop", "|", "", "undefined", false},
    };
    QDir().mkpath(root);
    for (const auto& c : cases) {
        const QString path = root + "/" + c.name;
        if (c.body.startsWith("->"))
            ASSERT_TRUE(QFile::link(QString::fromUtf8(c.body.mid(2)), path));
        else if (c.body == "|") // read, it would wait for a writer for ever
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            Write(path, c.body);
    }
    Write(root + "/readme.txt", "not a shortcut");
    const std::vector<CleanupRow> rows = ScanShortcuts(root);
    ASSERT_EQ(rows.size(), std::size(cases));
    for (const auto& c : cases) {
        const auto it = std::find_if(rows.begin(), rows.end(),
                                     [&](const CleanupRow& r) { return r.name == c.name; });
        ASSERT_NE(it, rows.end()) << c.name;
        EXPECT_EQ(it->target, c.target) << c.name;
        EXPECT_EQ(it->condition, c.condition) << c.name;
        EXPECT_EQ(it->checked, c.checked) << c.name;
        EXPECT_EQ(it->path, root + "/" + c.name);
    }
    // An unsupported text is never looked up relative to the working folder.
    EXPECT_EQ(ClassifyTarget("//server/share"), LinkCondition::Network);
    EXPECT_EQ(ClassifyTarget(""), LinkCondition::Undefined);
}

TEST_F(ShortcutTest, AFoldersShortcutsComeBeforeItsSubfoldersAndDotFoldersAreSkipped) {
    const QByteArray link = Entry("Type=Link\nURL=file:///no/such");
    Write(root + "/top.desktop", link);
    Write(root + "/a/a1.desktop", link);
    Write(root + "/a/deep/a2.desktop", link);
    Write(root + "/b/b1.desktop", link);
    Write(root + "/.config/hidden.desktop", link);
    Write(root + "/a/.local/hidden.desktop", link);
    Write(tmp.path() + "/start2/other.desktop", link); // a sibling sharing the prefix

    for (const QString& start : {root, root + "/"}) {
        const QStringList names = Column(ScanShortcuts(start), &CleanupRow::name);
        ASSERT_EQ(names.size(), 4) << names.join(',').toStdString();
        EXPECT_EQ(names.first(), "top.desktop");
        EXPECT_LT(names.indexOf("a1.desktop"), names.indexOf("a2.desktop"));
        EXPECT_FALSE(names.contains("hidden.desktop"));
        EXPECT_FALSE(names.contains("other.desktop"));
    }
    EXPECT_TRUE(ScanShortcuts(tmp.path() + "/missing").empty());
    EXPECT_TRUE(ScanShortcuts(QString()).empty());
}

namespace {

class EmptyFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        a = tmp.path() + "/A";
        for (const char* d : {"/B/C", "/X/A", "/E", "/H", "/S", "/.dotempty"})
            QDir().mkpath(a + d);
        Write(a + "/H/.hidden", "");
        ASSERT_EQ(::mkfifo(QFile::encodeName(a + "/S/pipe").constData(), 0600), 0);
        QDir().mkpath(tmp.path() + "/outside/empty");
        ASSERT_TRUE(QFile::link(tmp.path() + "/outside/empty", a + "/link"));
        QDir().mkpath(tmp.path() + "/A2/sibling"); // shares the start folder's prefix
    }
    QStringList Listed(const QString& start) {
        QStringList paths = Column(ListEmptyFolders(start), &CleanupRow::path);
        paths.sort();
        return paths;
    }
    QTemporaryDir tmp;
    QString a;
};

} // namespace

TEST_F(EmptyFolderTest, ListsOnlyTrulyEmptyFoldersWithOrWithoutTrailingSlash) {
    const QStringList expected{a + "/.dotempty/", a + "/B/C/", a + "/E/", a + "/X/A/"};
    EXPECT_EQ(Listed(a), expected);
    EXPECT_EQ(Listed(a + "/"), expected);
    const std::vector<CleanupRow> rows = ListEmptyFolders(a);
    const auto c =
        std::find_if(rows.begin(), rows.end(), [](const CleanupRow& r) { return r.name == "C"; });
    ASSERT_NE(c, rows.end());
    EXPECT_EQ(c->target, c->path);
    EXPECT_EQ(c->condition, "Empty");
    EXPECT_TRUE(c->checked);
    // Each folder comes before the folders below it; the listing runs backwards.
    const QList<QByteArray> order = CollectFolders(QFile::encodeName(a));
    EXPECT_EQ(order.first(), QFile::encodeName(a));
    EXPECT_LT(order.indexOf(QFile::encodeName(a + "/B/")),
              order.indexOf(QFile::encodeName(a + "/B/C/")));
    EXPECT_FALSE(order.contains(QFile::encodeName(a + "/link/")));

    // An empty start folder lists itself.
    EXPECT_EQ(Listed(a + "/E"), QStringList{a + "/E"});
    EXPECT_TRUE(Listed(tmp.path() + "/missing").isEmpty());
    EXPECT_FALSE(IsFolderEmpty(QFile::encodeName(a + "/H")));
    EXPECT_FALSE(IsFolderEmpty(QFile::encodeName(a + "/S")));
}

TEST_F(EmptyFolderTest, DeleteTakesNestedChainsToTheTrashAndKeepsStartAndItsNamesakes) {
    const QStringList removed = DeleteEmptyFolders(a, &SendToRecycleBin);
    EXPECT_TRUE(removed.contains(a + "/B/C"));
    EXPECT_TRUE(removed.contains(a + "/B")) << "a chain of empty folders goes in one run";
    EXPECT_TRUE(QDir(a + "/X/A").exists()) << "named like the start folder";
    EXPECT_TRUE(QDir(a).exists());
    EXPECT_TRUE(QFile::exists(a + "/H/.hidden"));
    EXPECT_TRUE(QDir(tmp.path() + "/outside/empty").exists()) << "links are not followed";
    EXPECT_TRUE(QDir(tmp.path() + "/A2/sibling").exists());
    EXPECT_TRUE(QDir(HomeTrashDir() + "/files/B").exists());

    // The start folder stays even when it is all that is left; the Trash is
    // never taken into itself when the start folder holds it.
    const QString e = tmp.path() + "/lone";
    QDir().mkpath(e);
    EXPECT_TRUE(DeleteEmptyFolders(e, &SendToRecycleBin).isEmpty());
    EXPECT_TRUE(QDir(e).exists());
    QDir().mkpath(HomeTrashDir() + "/expunged");
    const QStringList fromData =
        DeleteEmptyFolders(QFileInfo(HomeTrashDir()).path(), [](const QString&) { return true; });
    for (const QString& p : fromData)
        EXPECT_FALSE(p.startsWith(HomeTrashDir())) << p.toStdString();
}

TEST_F(EmptyFolderTest, AListedFolderIsTestedAgainAndTheStartFolderNeverGoes) {
    auto may = [](const QString& folder, const QString& start) {
        return MayTrashListedFolder(QFile::encodeName(folder), QFile::encodeName(start));
    };
    EXPECT_TRUE(may(a + "/E/", a) && may(a + "/E", a + "/"));
    Write(a + "/E/new.txt");
    EXPECT_FALSE(may(a + "/E/", a)) << "gained a file since it was listed";
    EXPECT_FALSE(may(a + "/link/", a)) << "a link to an empty folder";
    EXPECT_FALSE(may(a + "/gone/", a));
    // The start folder itself, however either is spelt.
    EXPECT_FALSE(may(a + "/X/A", a + "/X/A/") || may(a + "/X/./A/", a + "/X/A"));
    EXPECT_TRUE(may(a + "/X/A", a));
}

namespace {

struct FormRun {
    int status = -1;
    QByteArray out, err;
};

FormRun Form(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MORVANE_BINARY), args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

} // namespace

TEST_F(EmptyFolderTest, HeadlessFormsWriteThePagesRowsAndDeleteNothing) {
    Write(a + "/B/gone.desktop", Entry("Type=Link\nURL=file:///no/such"));
    QDir().rmdir(a + "/.dotempty");
    QFile::remove(a + "/link");

    FormRun r = Form({"--shortcuts", a, "--format", "csv"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QByteArray expected = "Shortcut / Foldername,Target Application / Folder path,"
                                "Condition,Shortcut path,\r\ngone.desktop,/no/such,Broken," +
                                QFile::encodeName(a) + "/B/gone.desktop,\r\n";
    EXPECT_EQ(r.out.toStdString(), expected.toStdString());
    EXPECT_EQ(r.out, CleanupRowsText(ScanShortcuts(a), true, false));

    const QString out = tmp.path() + "/empty.txt";
    r = Form({"--empty-folders", a + "/", "--output=" + out, "--bare"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_EQ(text, CleanupRowsText(ListEmptyFolders(a + "/"), false, true));
    EXPECT_EQ(text.count("\r\n"), 3); // C, E and X/A
    EXPECT_TRUE(text.contains("C  " + QFile::encodeName(a) + "/B/C/  Empty  "));
    EXPECT_TRUE(QDir(a + "/B/C").exists());
    EXPECT_TRUE(QFile::exists(a + "/B/gone.desktop"));

    for (const QStringList& bad :
         {QStringList{"--shortcuts", tmp.path() + "/missing"}, QStringList{"--empty-folders"},
          QStringList{"--shortcuts", a, "--format", "xlsx"},
          QStringList{"--shortcuts", a, "--delete"},
          QStringList{"--empty-folders", a, "--output", tmp.path() + "/no/dir/out.csv"}}) {
        r = Form(bad);
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith("morvane: "));
    }
}
