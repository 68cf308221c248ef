#pragma once
// The headless archive commands:
//     morvane --move-to-archive FOLDER [--min-size KB]
//     morvane --restore-archive ZIP
// argv[1] is the command. Exit status: 0 every file handled, 1 not (the
// failure on standard error), 2 bad input (nothing done).
int RunMoveToArchive(int argc, char** argv);
int RunRestoreArchive(int argc, char** argv);
