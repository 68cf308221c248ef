// Housekeeping of the Tools menu on fixtures in the test's own HOME: the
// trash's fill level and emptying, the recent-documents list, the browsers'
// caches and history, and what the command line starts.
#include "core/cleanup/BrowserStores.h"
#include "core/cleanup/HistoryDatabase.h"
#include "core/cleanup/RecentDocuments.h"
#include "platform/ProgramStarter.h"
#include "platform/Trash.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

void Write(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool Exists(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// Runs SQL on a database file (created when missing); the first column of the
// last row is returned as text.
QString Sql(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    QString last;
    char* err = nullptr;
    sqlite3_exec(
        db, sql,
        [](void* out, int, char** values, char**) {
            *static_cast<QString*>(out) = QString::fromUtf8(values[0] ? values[0] : "NULL");
            return 0;
        },
        &last, &err);
    EXPECT_EQ(err, nullptr) << err << " in " << sql;
    sqlite3_free(err);
    sqlite3_close(db);
    return last;
}

class HousekeepingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tmp.isValid()); }
    QString P(const QString& rel) const { return tmp.filePath(rel); }
    // A file outside every store, which must survive.
    QString Outside() {
        Write(P("outside/keep.txt"), "keep");
        return P("outside/keep.txt");
    }
    QTemporaryDir tmp{QDir::homePath() + "/housekeeping-XXXXXX"};
};

TEST_F(HousekeepingTest, TrashHintCountsEveryTrashAndReportsAnUnreadableOne) {
    const QString a = P("trashA"), b = P("trashB");
    Write(a + "/files/one", QByteArray(1000, 'x'));
    Write(a + "/files/folder/two", QByteArray(1000, 'x'));
    Write(b + "/files/three", QByteArray(48, 'x'));
    EXPECT_EQ(RecycleBinHint(QueryTrash({a, b})),
              "Your Recycle Bin is filled with\r\nSize:2 kbyte in 3 Items!\r\nClick to empty "
              "Recycle Bin!");
    Write(P("small/files/x"), QByteArray(1023, 'x'));
    EXPECT_TRUE(RecycleBinHint(QueryTrash({P("small")})).contains("\r\nSize:0 kbyte in 1 Items!"));
    EXPECT_TRUE(RecycleBinHint(QueryTrash({P("none")})).contains("\r\nSize:0 kbyte in 0 Items!"));

    Write(P("broken/files"), "not a folder"); // ENOTDIR = 20
    EXPECT_EQ(RecycleBinHint(QueryTrash({a, P("broken")})), "Err:14");
}

TEST_F(HousekeepingTest, EmptyingRemovesEveryTrashButNeverFollowsALink) {
    const QString keep = Outside();
    const QString a = P("trashA"), b = P("trashB");
    Write(a + "/files/one", "1");
    Write(a + "/info/one.trashinfo", "[Trash Info]\n");
    Write(a + "/files/dir/deep/two", "2");
    Write(b + "/files/three", "3");
    Write(b + "/info/orphan.trashinfo", "[Trash Info]\n");
    ASSERT_TRUE(QFile::link(keep, b + "/files/link"));
    ASSERT_TRUE(QFile::link(P("outside"), b + "/files/dirlink"));
    EXPECT_TRUE(EmptyTrash({a, b}));
    EXPECT_EQ(QueryTrash({a, b}).items, 0);
    EXPECT_TRUE(QDir(a + "/info").isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
    EXPECT_FALSE(Exists(b + "/info/orphan.trashinfo"));
    EXPECT_EQ(Read(keep), "keep");

    // A files/ folder swapped for a link to elsewhere is left as it is.
    QDir().mkpath(P("trashC"));
    ASSERT_TRUE(QFile::link(P("outside"), P("trashC/files")));
    EXPECT_FALSE(EmptyTrash({P("trashC")}));
    EXPECT_EQ(Read(keep), "keep");
    EXPECT_NE(QueryTrash({P("trashC")}).error, 0);
}

TEST_F(HousekeepingTest, RecentListBecomesAnEmptyReadableListAndItsFolderIsEmptied) {
    const QString keep = Outside();
    const QString data = P("data");
    Write(data + "/recently-used.xbel",
          "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\"><bookmark href=\"file:///a\"/>"
          "<bookmark href=\"file:///b\"/></xbel>\n");
    Write(data + "/RecentDocuments/a.desktop", "[Desktop Entry]\n");
    ASSERT_TRUE(QFile::link(keep, data + "/RecentDocuments/b.desktop"));
    QDir().mkpath(data + "/RecentDocuments/sub");
    QString error;
    ASSERT_TRUE(ClearRecentDocuments(data, &error)) << error.toStdString();

    QXmlStreamReader xml(Read(data + "/recently-used.xbel"));
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QLatin1String("xbel"));
    EXPECT_FALSE(xml.readNextStartElement()); // no bookmark left
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_TRUE(QDir(data + "/RecentDocuments").entryList(QDir::Files | QDir::System).isEmpty());
    EXPECT_EQ(Read(keep), "keep");

    // A list linked to a file elsewhere: the link is replaced, the file kept;
    // one linked to /dev/null (kept empty on purpose) stays.
    QFile::remove(data + "/recently-used.xbel");
    ASSERT_TRUE(QFile::link(keep, data + "/recently-used.xbel"));
    ASSERT_TRUE(ClearRecentDocuments(data));
    EXPECT_FALSE(QFileInfo(data + "/recently-used.xbel").isSymLink());
    EXPECT_EQ(Read(keep), "keep");
    QFile::remove(data + "/recently-used.xbel");
    ASSERT_TRUE(QFile::link("/dev/null", data + "/recently-used.xbel"));
    ASSERT_TRUE(ClearRecentDocuments(data));
    EXPECT_EQ(QFileInfo(data + "/recently-used.xbel").symLinkTarget(), "/dev/null");
}

// Browser fixtures: a Firefox and a Chromium profile, and a Chrome whose
// lock is held by this very process, as a running browser's would be.
class BrowserStoresTest : public HousekeepingTest {
protected:
    void SetUp() override {
        HousekeepingTest::SetUp();
        places = {P("cache"), P("config"), P("mozilla/firefox")};
    }
    static QString LiveChromiumLock() {
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        return QString::fromLocal8Bit(host) + "-" + QString::number(getpid());
    }
    static QString LiveFirefoxLock() { return "127.0.0.1:+" + QString::number(getpid()); }
    BrowserPlaces places;
};

TEST_F(BrowserStoresTest, CachesOfIdleBrowsersAreEmptiedAndARunningOneIsLeftAlone) {
    const QString keep = Outside();
    const QString ff = P("cache/mozilla/firefox/abc.default/cache2");
    Write(ff + "/entries/0A1B", "x");
    Write(ff + "/doomed/1", "x");
    Write(ff + "/index", "x");
    Write(P("mozilla/firefox/abc.default/prefs.js"), "pref");
    ASSERT_TRUE(QFile::link("127.0.0.1:+2147483646", P("mozilla/firefox/abc.default/lock")));
    const QString cr = P("cache/chromium/Default");
    Write(cr + "/Cache/Cache_Data/0123_0", "x");
    Write(cr + "/Cache/Cache_Data/index-dir/the-real-index", "x");
    Write(cr + "/Code Cache/js/abcd", "x");
    Write(cr + "/Other/keep", "keep");
    ASSERT_TRUE(QFile::link(keep, cr + "/Cache/Cache_Data/link"));
    ASSERT_TRUE(QFile::link(P("outside"), cr + "/Code Cache/wasm"));
    Write(P("config/chromium/Default/Preferences"), "{}");
    const QString ch = P("cache/google-chrome/Default/Cache/Cache_Data/0123_0");
    Write(ch, "busy");
    QDir().mkpath(P("config/google-chrome"));
    ASSERT_TRUE(QFile::link(LiveChromiumLock(), P("config/google-chrome/SingletonLock")));

    const BrowserCleanResult r = DeleteCacheEntries(places);
    EXPECT_EQ(r.removed, 8); // the stale Firefox lock does not hold its profile
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.inUse, 1);
    for (const QString& gone :
         {ff + "/entries/0A1B", ff + "/doomed/1", ff + "/index", cr + "/Cache/Cache_Data/0123_0",
          cr + "/Cache/Cache_Data/link", cr + "/Code Cache/wasm"})
        EXPECT_FALSE(Exists(gone)) << gone.toStdString();
    EXPECT_TRUE(QFileInfo(ff + "/entries").isDir()); // folders stay for the browser
    EXPECT_EQ(Read(cr + "/Other/keep"), "keep");
    EXPECT_EQ(Read(keep), "keep");
    EXPECT_EQ(Read(ch), "busy");
    EXPECT_EQ(Read(P("mozilla/firefox/abc.default/prefs.js")), "pref");

    // Firefox running: its lock names this live process.
    Write(ff + "/entries/new", "x");
    QFile::remove(P("mozilla/firefox/abc.default/lock"));
    ASSERT_TRUE(QFile::link(LiveFirefoxLock(), P("mozilla/firefox/abc.default/lock")));
    EXPECT_EQ(DeleteCacheEntries(places).inUse, 2);
    EXPECT_TRUE(Exists(ff + "/entries/new"));
}

void MakeFirefoxHistory(const QString& file) {
    QDir().mkpath(QFileInfo(file).path());
    Sql(file, "CREATE TABLE moz_origins(id INTEGER PRIMARY KEY, host TEXT);"
              "CREATE TABLE moz_places(id INTEGER PRIMARY KEY, url TEXT, visit_count INTEGER,"
              " last_visit_date INTEGER, foreign_count INTEGER DEFAULT 0, origin_id INTEGER);"
              "CREATE TABLE moz_historyvisits(id INTEGER PRIMARY KEY, place_id INTEGER,"
              " visit_date INTEGER);"
              "CREATE TABLE moz_bookmarks(id INTEGER PRIMARY KEY, fk INTEGER, title TEXT);"
              "CREATE TABLE moz_inputhistory(place_id INTEGER, input TEXT);"
              "INSERT INTO moz_origins VALUES(1,'kept.org'),(2,'gone.org');"
              "INSERT INTO moz_places VALUES(1,'https://kept.org/',3,99,1,1),"
              " (2,'https://gone.org/a',1,98,0,2),(3,'https://gone.org/b',2,97,0,2);"
              "INSERT INTO moz_historyvisits VALUES(1,1,99),(2,2,98),(3,3,97),(4,1,96);"
              "INSERT INTO moz_bookmarks VALUES(1,NULL,'menu'),(2,1,'Kept');"
              "INSERT INTO moz_inputhistory VALUES(2,'gon');");
}

void MakeChromiumHistory(const QString& file) {
    QDir().mkpath(QFileInfo(file).path());
    Sql(file, "CREATE TABLE meta(key TEXT, value TEXT);"
              "CREATE TABLE urls(id INTEGER PRIMARY KEY, url TEXT);"
              "CREATE TABLE visits(id INTEGER PRIMARY KEY, url INTEGER);"
              "CREATE TABLE keyword_search_terms(keyword_id INTEGER, url_id INTEGER, term TEXT);"
              "CREATE TABLE segments(id INTEGER PRIMARY KEY, name TEXT, url_id INTEGER);"
              "CREATE TABLE segment_usage(id INTEGER PRIMARY KEY, segment_id INTEGER);"
              "CREATE TABLE downloads(id INTEGER PRIMARY KEY, target_path TEXT);"
              "INSERT INTO meta VALUES('version','67');"
              "INSERT INTO urls VALUES(1,'https://a/'),(2,'https://b/');"
              "INSERT INTO visits VALUES(1,1),(2,2);"
              "INSERT INTO keyword_search_terms VALUES(1,1,'cats');"
              "INSERT INTO segments VALUES(1,'a',1);"
              "INSERT INTO segment_usage VALUES(1,1);"
              "INSERT INTO downloads VALUES(1,'/tmp/x');");
}

TEST_F(BrowserStoresTest, HistoryLosesItsVisitsAndKeepsBookmarks) {
    const QString places1 = P("mozilla/firefox/abc.default/places.sqlite");
    const QString history = P("config/chromium/Default/History");
    const QString brave = P("config/BraveSoftware/Brave-Browser/Profile 1/History");
    MakeFirefoxHistory(places1);
    MakeChromiumHistory(history);
    MakeChromiumHistory(brave);
    Write(P("config/BraveSoftware/Brave-Browser/Local State"), "{}");
    ASSERT_TRUE(
        QFile::link(LiveChromiumLock(), P("config/BraveSoftware/Brave-Browser/SingletonLock")));

    const BrowserCleanResult r = ClearUrlHistory(places);
    EXPECT_EQ(r.removed, 2);
    EXPECT_EQ(r.inUse, 1);
    EXPECT_EQ(Sql(places1, "SELECT count(*) FROM moz_historyvisits"), "0");
    EXPECT_EQ(Sql(places1, "SELECT group_concat(url) FROM moz_places"), "https://kept.org/");
    EXPECT_EQ(Sql(places1, "SELECT visit_count || ',' || ifnull(last_visit_date, 'none') FROM "
                           "moz_places"),
              "0,none");
    EXPECT_EQ(Sql(places1, "SELECT group_concat(title) FROM moz_bookmarks"), "menu,Kept");
    EXPECT_EQ(Sql(places1, "SELECT group_concat(host) FROM moz_origins"), "kept.org");
    EXPECT_EQ(Sql(places1, "SELECT count(*) FROM moz_inputhistory"), "0");
    EXPECT_EQ(Sql(history, "SELECT (SELECT count(*) FROM urls) + (SELECT count(*) FROM visits) +"
                           " (SELECT count(*) FROM keyword_search_terms) +"
                           " (SELECT count(*) FROM segments) + (SELECT count(*) FROM "
                           "segment_usage)"),
              "0");
    EXPECT_EQ(Sql(history, "SELECT count(*) FROM downloads"), "1");
    EXPECT_EQ(Sql(history, "SELECT value FROM meta"), "67");
    EXPECT_EQ(Sql(brave, "SELECT count(*) FROM visits"), "2"); // Brave is running
    // Cleared once more, the stores are still valid and empty.
    EXPECT_EQ(ClearHistoryDatabase(history, HistoryFormat::Chromium), HistoryOutcome::Cleared);
}

TEST_F(BrowserStoresTest, DamagedOrLockedHistoryIsLeftAsItWas) {
    const QString garbage = P("config/chromium/Default/History");
    Write(garbage, QByteArray(4096, 'g'));
    EXPECT_EQ(ClearHistoryDatabase(garbage, HistoryFormat::Chromium), HistoryOutcome::Damaged);
    EXPECT_EQ(Read(garbage), QByteArray(4096, 'g'));
    // A database of another kind is no history store.
    EXPECT_EQ(ClearHistoryDatabase(garbage, HistoryFormat::Places), HistoryOutcome::Damaged);
    const QString other = P("other.sqlite");
    Sql(other, "CREATE TABLE t(x); INSERT INTO t VALUES(1);");
    EXPECT_EQ(ClearHistoryDatabase(other, HistoryFormat::Places), HistoryOutcome::Damaged);
    EXPECT_EQ(Sql(other, "SELECT count(*) FROM t"), "1");

    const QString history = P("locked/History");
    MakeChromiumHistory(history);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(history).constData(), &holder), SQLITE_OK);
    ASSERT_EQ(
        sqlite3_exec(holder, "BEGIN IMMEDIATE; DELETE FROM downloads;", nullptr, nullptr, nullptr),
        SQLITE_OK);
    EXPECT_EQ(ClearHistoryDatabase(history, HistoryFormat::Chromium), HistoryOutcome::Locked);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(Sql(history, "SELECT count(*) FROM visits"), "2");

    // A history that is a link to a database elsewhere is not written through.
    const QString target = P("outside/History");
    MakeChromiumHistory(target);
    QDir().mkpath(P("linked"));
    ASSERT_TRUE(QFile::link(target, P("linked/History")));
    EXPECT_EQ(ClearHistoryDatabase(P("linked/History"), HistoryFormat::Chromium),
              HistoryOutcome::Damaged);
    EXPECT_EQ(Sql(target, "SELECT count(*) FROM visits"), "2");
}

// PATH and SHELL point at fixtures while a test runs.
class ProgramStarterTest : public HousekeepingTest {
protected:
    void SetUp() override {
        HousekeepingTest::SetUp();
        oldPath = qgetenv("PATH");
        oldShell = qgetenv("SHELL");
        qputenv("PATH", QFile::encodeName(P("bin")));
        qputenv("SHELL", "/bin/bash");
    }
    void TearDown() override {
        qputenv("PATH", oldPath);
        qputenv("SHELL", oldShell);
    }
    void Install(const char* name) {
        Write(P("bin/") + name, "#!/bin/sh\n");
        QFile::setPermissions(P("bin/") + name, QFile::ReadOwner | QFile::ExeOwner);
    }
    QByteArray oldPath, oldShell;
};

TEST_F(ProgramStarterTest, CommandLineRunsInATerminalInTheFolder) {
    const QString folder = QFileInfo(Outside()).path();
    EXPECT_TRUE(CommandLineLaunch("ls", folder).IsEmpty()); // no terminal installed
    Install("xterm");
    Install("x-terminal-emulator");
    const ProgramLaunch l = CommandLineLaunch("dir /w", folder);
    EXPECT_EQ(l.program, P("bin/x-terminal-emulator"));
    EXPECT_EQ(l.arguments, QStringList({"-e", "/bin/bash", "-c", "dir /w; read"}));
    EXPECT_EQ(l.workingDirectory, folder);
    // An empty command still opens the terminal; a missing folder is not a reason to fail.
    const ProgramLaunch empty = CommandLineLaunch("", P("no such folder"));
    EXPECT_EQ(empty.arguments.last(), "read");
    EXPECT_TRUE(empty.workingDirectory.isEmpty());

    EXPECT_EQ(CommandLineScript("make &", "/bin/bash"), "make &\nread");
    EXPECT_EQ(CommandLineScript("ls # all", "/bin/bash"), "ls # all\nread");
    EXPECT_EQ(CommandLineScript("a && b", "/bin/bash"), "a && b; read");
    EXPECT_EQ(CommandLineScript("ls", "/bin/sh"), "ls; read _");
}

TEST_F(ProgramStarterTest, SystemToolsStartOnlyWhenInstalled) {
    int started = 0;
    const ProgramStarter old = SetProgramStarter([&](const ProgramLaunch&) { return ++started; });
    EXPECT_FALSE(StartProgram(DiskCleanupLaunch()));
    EXPECT_FALSE(StartProgram(SoftwareCentreLaunch()));
    EXPECT_EQ(started, 0);
    Install("bleachbit");
    Install("plasma-discover");
    Install("xterm");
    EXPECT_TRUE(StartProgram(DiskCleanupLaunch()));
    EXPECT_EQ(SoftwareCentreLaunch().program, P("bin/plasma-discover"));
    Install("gnome-software");
    EXPECT_EQ(SoftwareCentreLaunch().program, P("bin/gnome-software"));
    // The defragmenter lives in /usr/sbin, outside an ordinary PATH.
    const ProgramLaunch defrag = DefragLaunch(P("outside"));
    if (QFileInfo::exists("/usr/sbin/e4defrag")) {
        EXPECT_EQ(defrag.program, P("bin/xterm"));
        EXPECT_EQ(defrag.arguments.mid(defrag.arguments.size() - 2),
                  QStringList({"/usr/sbin/e4defrag", P("outside")}));
    }
    SetProgramStarter(old);
}

} // namespace
