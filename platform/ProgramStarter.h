#pragma once
// Starting the desktop's own programs: the terminal emulator, the defragmenter,
// the disk clean-up program and the software centre. A program that is not
// installed gives an empty launch, which starts nothing and names what is missing.
#include <QString>
#include <QStringList>
#include <functional>

struct ProgramLaunch {
    QString program; // full path; empty: nothing to start
    QStringList arguments;
    QString workingDirectory; // empty: the caller's own
    QString missing;          // with no program: what is not installed, as a sentence
    bool IsEmpty() const { return program.isEmpty(); }
};

// name found along PATH; with systemFolders also in /usr/sbin and /sbin, where
// administrator tools live outside an ordinary user's PATH.
QString FindProgram(const QString& name, bool systemFolders = false);

// The shell text that runs command and then waits for Enter, so the terminal
// stays open: "COMMAND; read". shell is the program that will read it.
QString CommandLineScript(const QString& command, const QString& shell = QString());

// $SHELL when it names a program, else bash, else /bin/sh.
QString UserShell();

// command run by $SHELL in a terminal emulator (x-terminal-emulator, else the
// first installed of a short list), in folder when it exists.
ProgramLaunch CommandLineLaunch(const QString& command, const QString& folder);

// The defragmenter reporting on folder, in a terminal: it is a console program.
ProgramLaunch DefragLaunch(const QString& folder);
ProgramLaunch DiskCleanupLaunch();
ProgramLaunch SoftwareCentreLaunch();

// Starts launch without waiting for it; false when nothing started.
bool StartProgram(const ProgramLaunch& launch);

// Tests put their own starter here so no program is really started; returns
// the one it replaces. An empty starter restores the real one.
using ProgramStarter = std::function<bool(const ProgramLaunch&)>;
ProgramStarter SetProgramStarter(ProgramStarter starter);
