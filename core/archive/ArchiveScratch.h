#pragma once
// How an archive operation stops on an interrupt, and the scratch files it
// writes on the way: none may outlive the run, and none of another run is
// ever taken for a user's file.
#include <QString>
#include <atomic>

// Set (also from a signal handler) to stop an add or an extract: the add keeps
// every source and leaves no archive, the extract removes the file it was
// writing. Neither leaves a scratch file.
std::atomic<bool>& ArchiveInterrupt();
inline const QString kInterrupted = QStringLiteral("interrupted");

// The scratch file being written now, as an open folder and a name in it, so
// that a signal which ends the process at once can remove it first.
void SetScratchFile(int dirfd, const char* name);
void ClearScratchFile();
// Safe in a signal handler.
void RemoveScratchFileNow();

// Whether name is the scratch name of an archive being written
// (".Archived_files_R_<n>.zip.<pid>-<k>.part", possibly with libzip's own
// suffix after it); pid receives the writing process.
bool IsArchiveScratchName(const char* name, long* pid = nullptr);
// Whether name is such a scratch name of a process that is gone.
bool IsStaleScratchName(const char* name);
// Removes the archive scratch files in the folder whose process is gone.
void RemoveStaleScratch(int folderFd);
