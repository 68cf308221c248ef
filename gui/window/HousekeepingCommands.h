#pragma once
// The Tools menu's housekeeping: emptying the trash (with its fill level on the
// tool button's hint), the recent-documents list, the browsers' caches and
// history, the system tools and the command line of the bottom box.
class MainWindow;
class QString;

void InstallHousekeeping(MainWindow& form);

// The folder the command line runs in: the left commander pane's.
QString CommandLineFolder(const MainWindow& form);
