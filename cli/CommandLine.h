#pragma once
// The morvane program's first argument: a headless form, --help, --version, or
// the window (with an optional folder).
#include <QString>

// What the program does with its arguments.
enum class ProgramForm {
    Window,
    Report,
    MoveToArchive,
    RestoreArchive,
    Cleanup,
    Compare,
    Duplicates,
    Help,
    Version,
    UsageError
};
ProgramForm ChooseForm(int argc, char** argv);

// The usage of every form, for --help.
QString ProgramUsage();
QString ProgramVersion();
