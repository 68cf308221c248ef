#include "cli/Report.h"
#include <cstdio>

int RunReport(int, char**) {
    std::fputs("morvane: the report is not built yet\n", stderr);
    return 2;
}
