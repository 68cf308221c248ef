// Housekeeping of the Tools menu on fixtures in the test's own HOME: the
// trash's fill level and emptying, the recent-documents list, the browsers'
// caches and history, and what the command line starts.
#include "common/TestFiles.h"
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

// Runs SQL on a database file (created when missing); gives the first column
// of the last row.
std::string Sql(const QString& file, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(file).constData(), &db);
    std::string last;
    char* err = nullptr;
    sqlite3_exec(
        db, sql,
        [](void* out, int, char** values, char**) {
            *static_cast<std::string*>(out) = values[0] ? values[0] : "NULL";
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
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        Write(keep, "keep"); // outside every store: must survive
    }
    QString P(const QString& rel) const { return tmp.filePath(rel); }
    QTemporaryDir tmp{QDir::homePath() + "/housekeeping-XXXXXX"};
    const QString keep = P("outside/keep.txt");
};

TEST_F(HousekeepingTest, TrashHintAndEmptyingCoverEveryTrashButNeverFollowALink) {
    const QString a = P("trashA"), b = P("trashB");
    Write(a + "/files/one", QByteArray(1000, 'x'));
    Write(a + "/info/one.trashinfo");
    Write(a + "/files/dir/two", QByteArray(1000, 'x'));
    Write(b + "/files/three", QByteArray(48, 'x'));
    Write(b + "/info/orphan.trashinfo");
    EXPECT_EQ(RecycleBinHint(QueryTrash({a, b})),
              "Your Recycle Bin is filled with\r\nSize:2 kbyte in 3 Items!\r\nClick to empty "
              "Recycle Bin!");
    ASSERT_TRUE(QFile::link(keep, b + "/files/link"));
    ASSERT_TRUE(QFile::link(P("outside"), b + "/files/dirlink"));
    EXPECT_TRUE(EmptyTrash({a, b}));
    EXPECT_TRUE(RecycleBinHint(QueryTrash({a, b})).contains("\r\nSize:0 kbyte in 0 Items!"));
    EXPECT_TRUE(QDir(a + "/info").isEmpty() && QDir(b + "/info").isEmpty());
    EXPECT_EQ(Read(keep), "keep");

    // files/ that is no folder: an error code in the hint; a link is not followed.
    Write(P("broken/files"), "not a folder"); // ENOTDIR = 20
    EXPECT_EQ(RecycleBinHint(QueryTrash({a, P("broken")})), "Err:14");
    QDir().mkpath(P("trashC"));
    ASSERT_TRUE(QFile::link(P("outside"), P("trashC/files")));
    EXPECT_FALSE(EmptyTrash({P("trashC")}));
    EXPECT_EQ(Read(keep), "keep");
}

TEST_F(HousekeepingTest, RecentListBecomesAnEmptyReadableListAndItsFolderIsEmptied) {
    const QString list = P("data/recently-used.xbel");
    Write(list, "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\"><bookmark href=\"file:///a\"/>"
                "</xbel>\n");
    Write(P("data/RecentDocuments/a.desktop"));
    ASSERT_TRUE(QFile::link(keep, P("data/RecentDocuments/b.desktop")));
    ASSERT_TRUE(ClearRecentDocuments(P("data")));
    QXmlStreamReader xml(Read(list));
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QLatin1String("xbel"));
    EXPECT_FALSE(xml.readNextStartElement()); // no bookmark left
    EXPECT_FALSE(xml.hasError());
    EXPECT_TRUE(QDir(P("data/RecentDocuments"))
                    .isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot));
    EXPECT_EQ(Read(keep), "keep");

    // A list linked to a file is replaced, never written through; one linked to
    // /dev/null (kept empty on purpose) stays.
    QFile::remove(list);
    ASSERT_TRUE(QFile::link(keep, list));
    ASSERT_TRUE(ClearRecentDocuments(P("data")));
    EXPECT_FALSE(QFileInfo(list).isSymLink());
    EXPECT_EQ(Read(keep), "keep");
    QFile::remove(list);
    ASSERT_TRUE(QFile::link("/dev/null", list));
    ASSERT_TRUE(ClearRecentDocuments(P("data")));
    EXPECT_EQ(QFileInfo(list).symLinkTarget(), "/dev/null");
}

// A profile lock naming this live process, as a running browser's would.
QString LiveLock(bool chromium) {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return (chromium ? QString::fromLocal8Bit(host) + "-" : QString("127.0.0.1:+")) +
           QString::number(getpid());
}

TEST_F(HousekeepingTest, CachesOfIdleBrowsersAreEmptiedAndARunningOneIsLeftAlone) {
    const BrowserPlaces places{P("cache"), P("config"), P("mozilla/firefox")};
    const QString ff = P("cache/mozilla/firefox/p.default/cache2/");
    const QString cr = P("cache/chromium/Default/");
    for (const QString& f :
         {ff + "entries/0A1B", ff + "doomed/1", ff + "index", cr + "Cache/Cache_Data/0_0",
          cr + "Cache/Cache_Data/index-dir/i", cr + "Code Cache/js/a", cr + "Other/keep",
          P("cache/google-chrome/Default/Cache/busy")})
        Write(f);
    ASSERT_TRUE(QFile::link(keep, cr + "Cache/Cache_Data/link"));
    ASSERT_TRUE(QFile::link(P("outside"), cr + "Code Cache/wasm"));
    QDir().mkpath(P("mozilla/firefox/p.default"));
    QDir().mkpath(P("config/google-chrome"));
    ASSERT_TRUE(QFile::link("127.0.0.1:+2147483646", P("mozilla/firefox/p.default/lock")));
    ASSERT_TRUE(QFile::link(LiveLock(true), P("config/google-chrome/SingletonLock")));

    const BrowserCleanResult r = DeleteCacheEntries(places);
    EXPECT_EQ(r.removed, 8); // a stale lock does not hold its profile
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.inUse, 1);
    EXPECT_TRUE(QDir(ff).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(QFileInfo(ff + "entries").isDir()); // folders stay for the browser
    EXPECT_FALSE(QFileInfo(cr + "Cache/Cache_Data/link").isSymLink());
    EXPECT_FALSE(QFileInfo(cr + "Code Cache/wasm").isSymLink());
    EXPECT_EQ(Read(cr + "Other/keep"), "x");
    EXPECT_EQ(Read(P("cache/google-chrome/Default/Cache/busy")), "x");
    EXPECT_EQ(Read(keep), "keep");

    Write(ff + "entries/new");
    QFile::remove(P("mozilla/firefox/p.default/lock"));
    ASSERT_TRUE(QFile::link(LiveLock(false), P("mozilla/firefox/p.default/lock")));
    EXPECT_EQ(DeleteCacheEntries(places).inUse, 2);
    EXPECT_TRUE(QFileInfo::exists(ff + "entries/new"));
}

void MakeChromiumHistory(const QString& file) {
    QDir().mkpath(QFileInfo(file).path());
    Sql(file, "CREATE TABLE meta(key, value); CREATE TABLE urls(id, url);"
              "CREATE TABLE visits(id, url); CREATE TABLE keyword_search_terms(url_id, term);"
              "CREATE TABLE segments(id, url_id); CREATE TABLE downloads(id, path);"
              "INSERT INTO meta VALUES('version', 67); INSERT INTO urls VALUES(1,'a'),(2,'b');"
              "INSERT INTO visits VALUES(1,1),(2,2); INSERT INTO keyword_search_terms "
              "VALUES(1,'cats'); INSERT INTO segments VALUES(1,1); INSERT INTO downloads "
              "VALUES(1,'/x');");
}

TEST_F(HousekeepingTest, HistoryLosesItsVisitsAndKeepsBookmarks) {
    const QString firefox = P("mozilla/firefox/p.default/places.sqlite");
    const QString chromium = P("config/chromium/Default/History");
    const QString brave = P("config/BraveSoftware/Brave-Browser/Profile 1/History");
    QDir().mkpath(QFileInfo(firefox).path());
    Sql(firefox, "CREATE TABLE moz_origins(id, host); CREATE TABLE moz_places(id, url,"
                 " visit_count, last_visit_date, foreign_count, origin_id);"
                 "CREATE TABLE moz_historyvisits(id, place_id); CREATE TABLE moz_bookmarks(id, "
                 "fk, title); CREATE TABLE moz_inputhistory(place_id, input);"
                 "INSERT INTO moz_origins VALUES(1,'kept.org'),(2,'gone.org');"
                 "INSERT INTO moz_places VALUES(1,'https://kept.org/',3,99,1,1),"
                 " (2,'https://gone.org/a',1,98,0,2),(3,'https://gone.org/b',2,97,0,2);"
                 "INSERT INTO moz_historyvisits VALUES(1,1),(2,2),(3,3);"
                 "INSERT INTO moz_bookmarks VALUES(1,NULL,'menu'),(2,1,'Kept');"
                 "INSERT INTO moz_inputhistory VALUES(2,'gon');");
    MakeChromiumHistory(chromium);
    MakeChromiumHistory(brave);
    ASSERT_TRUE(QFile::link(LiveLock(true), P("config/BraveSoftware/Brave-Browser/SingletonLock")));

    const BrowserCleanResult r = ClearUrlHistory({P("cache"), P("config"), P("mozilla/firefox")});
    EXPECT_EQ(r.removed, 2);
    EXPECT_EQ(r.inUse, 1);
    EXPECT_EQ(Sql(firefox, "SELECT (SELECT count(*) FROM moz_historyvisits) || (SELECT count(*) "
                           "FROM moz_inputhistory) || group_concat(url || visit_count || "
                           "ifnull(last_visit_date, '-')) FROM moz_places"),
              "00https://kept.org/0-");
    EXPECT_EQ(Sql(firefox, "SELECT group_concat(title) FROM moz_bookmarks"), "menu,Kept");
    EXPECT_EQ(Sql(firefox, "SELECT group_concat(host) FROM moz_origins"), "kept.org");
    EXPECT_EQ(Sql(chromium, "SELECT (SELECT count(*) FROM urls) || (SELECT count(*) FROM visits)"
                            " || (SELECT count(*) FROM keyword_search_terms) || (SELECT count(*) "
                            "FROM segments) || (SELECT count(*) FROM downloads) || (SELECT "
                            "value FROM meta)"),
              "0000167");
    EXPECT_EQ(Sql(brave, "SELECT count(*) FROM visits"), "2"); // Brave is running
}

TEST_F(HousekeepingTest, DamagedLockedOrLinkedHistoryIsLeftAsItWas) {
    const QString garbage = P("damaged/History");
    Write(garbage, QByteArray(4096, 'g'));
    EXPECT_EQ(ClearHistoryDatabase(garbage, HistoryFormat::Chromium), HistoryOutcome::Damaged);
    EXPECT_EQ(Read(garbage), QByteArray(4096, 'g'));

    const QString history = P("locked/History");
    MakeChromiumHistory(history);
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(history).constData(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE; DELETE FROM downloads;", 0, 0, 0), SQLITE_OK);
    EXPECT_EQ(ClearHistoryDatabase(history, HistoryFormat::Chromium), HistoryOutcome::Locked);
    sqlite3_exec(holder, "ROLLBACK", 0, 0, 0);
    sqlite3_close(holder);
    EXPECT_EQ(Sql(history, "SELECT count(*) FROM visits"), "2");
    // A database of another kind is no history store.
    EXPECT_EQ(ClearHistoryDatabase(history, HistoryFormat::Places), HistoryOutcome::Damaged);

    QDir().mkpath(P("linked"));
    ASSERT_TRUE(QFile::link(history, P("linked/History")));
    EXPECT_EQ(ClearHistoryDatabase(P("linked/History"), HistoryFormat::Chromium),
              HistoryOutcome::Damaged);
    EXPECT_EQ(Sql(history, "SELECT count(*) FROM visits"), "2");
}

TEST_F(HousekeepingTest, ProgramsStartOnlyWhenInstalledAndTheCommandLineInItsFolder) {
    const QByteArray oldPath = qgetenv("PATH"), oldShell = qgetenv("SHELL");
    qputenv("PATH", QFile::encodeName(P("bin")));
    qputenv("SHELL", "/bin/bash");
    auto install = [this](const char* name) {
        Write(P("bin/") + name, "#!/bin/sh\n");
        QFile::setPermissions(P("bin/") + name, QFile::ReadOwner | QFile::ExeOwner);
    };
    int started = 0;
    const ProgramStarter old = SetProgramStarter([&](const ProgramLaunch&) { return ++started; });
    EXPECT_FALSE(StartProgram(CommandLineLaunch("ls", P("outside")))); // no terminal
    EXPECT_FALSE(StartProgram(DiskCleanupLaunch()));
    EXPECT_FALSE(StartProgram(SoftwareCentreLaunch()));
    EXPECT_EQ(started, 0);
    for (const char* name : {"xterm", "x-terminal-emulator", "bleachbit", "plasma-discover"})
        install(name);
    EXPECT_TRUE(StartProgram(DiskCleanupLaunch()));
    EXPECT_EQ(SoftwareCentreLaunch().program, P("bin/plasma-discover"));

    const ProgramLaunch l = CommandLineLaunch("dir /w", P("outside"));
    EXPECT_EQ(l.program, P("bin/x-terminal-emulator"));
    EXPECT_EQ(l.arguments, QStringList({"-e", "/bin/bash", "-c", "dir /w; read"}));
    EXPECT_EQ(l.workingDirectory, P("outside"));
    // An empty command still opens the terminal, also for a folder that is gone.
    const ProgramLaunch empty = CommandLineLaunch("", P("gone"));
    EXPECT_EQ(empty.arguments.last(), "read");
    EXPECT_TRUE(empty.workingDirectory.isEmpty());
    EXPECT_EQ(CommandLineScript("make &", "/bin/bash"), "make &\nread");
    EXPECT_EQ(CommandLineScript("ls # all", "/bin/bash"), "ls # all\nread");
    EXPECT_EQ(CommandLineScript("a && b", "/bin/sh"), "a && b; read _");
    if (QFileInfo::exists("/usr/sbin/e4defrag")) { // outside an ordinary PATH
        EXPECT_TRUE(DefragLaunch(P("outside")).arguments.contains("/usr/sbin/e4defrag"));
    }
    SetProgramStarter(old);
    qputenv("PATH", oldPath);
    qputenv("SHELL", oldShell);
}

} // namespace
