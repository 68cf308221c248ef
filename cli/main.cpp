// morvane: the headless forms, or the window. The window is its own program
// (morvane-window, beside this one), so a report starts without loading the GUI
// libraries.
#include "cli/ArchiveForms.h"
#include "cli/CleanupForms.h"
#include "cli/CommandLine.h"
#include "cli/CompareForm.h"
#include "cli/DuplicatesForm.h"
#include "cli/Report.h"
#include "platform/DisplayCheck.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits.h>
#include <string>
#include <unistd.h>

namespace {
std::string WindowProgram() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "morvane-window";
    std::string path(self, std::size_t(n));
    const std::size_t slash = path.rfind('/');
    return path.substr(0, slash + 1) + "morvane-window";
}
} // namespace

int main(int argc, char** argv) {
    switch (ChooseForm(argc, argv)) {
    case ProgramForm::Report:
        return RunReport(argc, argv);
    case ProgramForm::MoveToArchive:
        return RunMoveToArchive(argc, argv);
    case ProgramForm::RestoreArchive:
        return RunRestoreArchive(argc, argv);
    case ProgramForm::Cleanup:
        // The "Clean Shortcuts" lists, without the window; they delete nothing.
        return RunCleanupForm(argc, argv);
    case ProgramForm::Duplicates:
        return RunDuplicatesForm(argc, argv);
    case ProgramForm::Compare:
        return RunCompareForm(argc, argv);
    case ProgramForm::Help:
        std::fputs(ProgramUsage().toLocal8Bit().constData(), stdout);
        return 0;
    case ProgramForm::Version:
        std::printf("%s\n", ProgramVersion().toLocal8Bit().constData());
        return 0;
    case ProgramForm::UsageError:
        std::fprintf(stderr, "morvane: unknown option %s (morvane --help lists the forms)\n",
                     argv[1]);
        return 2;
    case ProgramForm::Window:
        break;
    }
    if (const QString missing = MissingDisplay(); !missing.isEmpty()) {
        std::fprintf(stderr, "morvane: %s\n", missing.toLocal8Bit().constData());
        return 1;
    }
    const std::string window = WindowProgram();
    ::execv(window.c_str(), argv);
    std::fprintf(stderr, "morvane: cannot start the window program %s: %s\n", window.c_str(),
                 std::strerror(errno));
    return 2;
}
