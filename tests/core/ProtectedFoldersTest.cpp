// The protected-folder check: special places compared as exact texts, the
// program folders by path, one message per reason.
#include "core/cleanup/ProtectedFolders.h"
#include "platform/Trash.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
const QString kMessage = "Not this system folder please!\n\r";

class ProtectedFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid());
        places.specialFolders = {tmp.filePath("Desktop"), tmp.filePath("Documents"),
                                 tmp.filePath("Trash")};
        places.systemFolder = tmp.filePath("usr/bin");
        places.windowsFolder = tmp.filePath("usr");
        places.programRoots = CurrentSpecialPlaces().programRoots;
    }
    QTemporaryDir tmp;
    SpecialPlaces places;
};
} // namespace

TEST_F(ProtectedFoldersTest, EachPlaceExactlyAsTheSystemWritesIt) {
    const QStringList exact =
        places.specialFolders + QStringList{places.systemFolder, places.windowsFolder};
    for (const QString& place : exact) {
        EXPECT_EQ(FolderRefusals(place, places), QStringList{kMessage + place})
            << place.toStdString();
        // Another spelling of the same folder is not the place.
        EXPECT_TRUE(FolderRefusals(place + "/", places).isEmpty()) << place.toStdString();
        EXPECT_TRUE(FolderRefusals(place.toUpper(), places).isEmpty()) << place.toStdString();
    }
    EXPECT_TRUE(FolderRefusals(tmp.filePath("Desktop/cache"), places).isEmpty());
    EXPECT_TRUE(FolderRefusals(tmp.path(), places).isEmpty());
}

TEST_F(ProtectedFoldersTest, ProgramFoldersAtOrBelowTheirRoots) {
    for (const char* folder :
         {"/usr", "/usr/", "/usr/share/doc", "/opt", "/opt/tools/cache", "/bin", "/sbin/x", "/lib",
          "/lib64", "/libexec/x", "/etc/apt", "/boot", "/home/../opt/x", "//usr//local"})
        EXPECT_EQ(FolderRefusals(folder, places), QStringList{kMessage + folder}) << folder;
    for (const char* folder : {"/", "/home/me/cache", "/usrlocal", "/optional", "/var/tmp",
                               "/tmp/usr", "/etcetera", "/media/usr"})
        EXPECT_TRUE(FolderRefusals(folder, places).isEmpty()) << folder;

    // A link that leads into a program folder is refused too.
    const QString link = tmp.filePath("to-usr-share");
    ASSERT_EQ(::symlink("/usr/share", QFile::encodeName(link)), 0);
    EXPECT_EQ(FolderRefusals(link, places), QStringList{kMessage + link});
}

TEST_F(ProtectedFoldersTest, EveryReasonShowsItsOwnMessageInOrder) {
    places.specialFolders << "/opt/Desktop";
    QStringList shown;
    auto show = [&](const QString& m) { shown << m; };
    EXPECT_FALSE(CheckFolderAllowed("/opt/Desktop", show, places));
    EXPECT_EQ(shown, (QStringList{kMessage + "/opt/Desktop", kMessage + "/opt/Desktop"}));

    // The real system and Windows folders are program folders as well.
    shown.clear();
    const SpecialPlaces real = CurrentSpecialPlaces();
    EXPECT_FALSE(CheckFolderAllowed("/usr", show, real));
    EXPECT_FALSE(CheckFolderAllowed("/usr/bin", show, real));
    EXPECT_EQ(shown, (QStringList{kMessage + "/usr", kMessage + "/usr", kMessage + "/usr/bin",
                                  kMessage + "/usr/bin"}));

    shown.clear();
    EXPECT_TRUE(CheckFolderAllowed(tmp.filePath("cache"), show, places));
    EXPECT_TRUE(shown.isEmpty());
}

TEST(SpecialPlaces, FollowTheSessionsXdgFolders) {
    // The test process has its own HOME and XDG folders.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    ASSERT_TRUE(config.startsWith(QDir::homePath()));
    QFile dirs(config + "/user-dirs.dirs");
    ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    dirs.close();
    const SpecialPlaces places = CurrentSpecialPlaces();
    dirs.remove();

    const QString home = QDir::homePath();
    for (const QString& place :
         {home + "/Schreibtisch", home + "/Musik", data + "/applications", config + "/autostart",
          data + "/RecentDocuments", HomeTrashDir(), QString("/usr/share/applications")})
        EXPECT_TRUE(places.specialFolders.contains(place)) << place.toStdString();
    EXPECT_EQ(places.specialFolders.first(), home + "/Schreibtisch"); // the desktop is number 0
    QStringList once = places.specialFolders;
    EXPECT_EQ(once.removeDuplicates(), 0);
    EXPECT_EQ(places.systemFolder, "/usr/bin");
    EXPECT_EQ(places.windowsFolder, "/usr");
}
