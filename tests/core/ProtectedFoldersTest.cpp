// The protected-folder check: special places compared as exact texts, the
// program folders by path, one message per reason.
#include "core/cleanup/ProtectedFolders.h"
#include "platform/Trash.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(ProtectedFolders, PlacesExactlyProgramFoldersByPathOneMessagePerReason) {
    QTemporaryDir tmp;
    SpecialPlaces places = CurrentSpecialPlaces();
    places.specialFolders = {tmp.filePath("Desktop"), tmp.filePath("Trash"), "/opt/Desktop"};
    places.systemFolder = tmp.filePath("sys/bin");
    places.windowsFolder = tmp.filePath("sys");
    const QString m = "Not this system folder please!\n\r";
    for (const QString& place : {places.specialFolders[0], places.specialFolders[1],
                                 places.systemFolder, places.windowsFolder}) {
        EXPECT_EQ(FolderRefusals(place, places), QStringList{m + place});
        EXPECT_TRUE(FolderRefusals(place + "/", places).isEmpty()); // other spellings pass
        EXPECT_TRUE(FolderRefusals(place.toUpper(), places).isEmpty());
    }
    for (const char* folder : {"/usr/", "/usr/share/doc", "/opt/tools", "/lib64", "/etc/apt",
                               "/boot", "/home/../sbin/x"})
        EXPECT_EQ(FolderRefusals(folder, places), QStringList{m + folder}) << folder;
    for (const char* folder : {"/", "/usrlocal", "/optional", "/var/tmp", "/tmp/usr"})
        EXPECT_TRUE(FolderRefusals(folder, places).isEmpty()) << folder;
    const QString link = tmp.filePath("to-usr-share"); // a link into the programs is refused
    ASSERT_EQ(::symlink("/usr/share", QFile::encodeName(link)), 0);
    EXPECT_EQ(FolderRefusals(link, places), QStringList{m + link});

    // A special place below /opt, and the real /usr: two reasons, two messages in order.
    QStringList shown;
    auto show = [&](const QString& text) { shown << text; };
    EXPECT_FALSE(CheckFolderAllowed("/opt/Desktop", show, places));
    EXPECT_FALSE(CheckFolderAllowed("/usr", show));
    EXPECT_TRUE(CheckFolderAllowed(tmp.filePath("cache"), show, places));
    EXPECT_EQ(shown, (QStringList{m + "/opt/Desktop", m + "/opt/Desktop", m + "/usr", m + "/usr"}));
}

TEST(ProtectedFolders, SpecialPlacesFollowTheSessionsXdgFolders) {
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME"); // the test's own
    const QString data = qEnvironmentVariable("XDG_DATA_HOME"), home = QDir::homePath();
    QFile dirs(config + "/user-dirs.dirs");
    ASSERT_TRUE(config.startsWith(home) && dirs.open(QIODevice::WriteOnly));
    dirs.write("XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    dirs.close();
    const SpecialPlaces places = CurrentSpecialPlaces();
    dirs.remove();
    EXPECT_EQ(places.specialFolders.first(), home + "/Schreibtisch");
    for (const QString& place :
         {data + "/applications", config + "/autostart", data + "/RecentDocuments", HomeTrashDir(),
          QString("/usr/share/applications")})
        EXPECT_TRUE(places.specialFolders.contains(place)) << place.toStdString();
    EXPECT_EQ(QStringList(places.specialFolders).removeDuplicates(), 0);
}
