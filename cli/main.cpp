// morvane: the headless report, or the window. The window is its own program
// (morvane-window, beside this one), so a report starts without loading the GUI
// libraries.
#include "cli/CleanupForms.h"
#include "cli/Report.h"
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
    if (argc > 1 && std::strcmp(argv[1], "--report") == 0) return RunReport(argc, argv);
    // The "Clean Shortcuts" lists, without the window; they delete nothing.
    if (argc > 1 &&
        (std::strcmp(argv[1], "--shortcuts") == 0 || std::strcmp(argv[1], "--empty-folders") == 0))
        return RunCleanupForm(argc, argv);

    const std::string window = WindowProgram();
    ::execv(window.c_str(), argv);
    std::fprintf(stderr, "morvane: cannot start the window program %s: %s\n", window.c_str(),
                 std::strerror(errno));
    return 2;
}
