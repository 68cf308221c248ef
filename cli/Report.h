#pragma once
// The headless report: `morvane --report FOLDER [options]`.

// argv[0] is the program, argv[1] is "--report". Returns the exit status.
int RunReport(int argc, char** argv);
