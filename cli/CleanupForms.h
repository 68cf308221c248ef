#pragma once
// The headless forms of the "Clean Shortcuts" page:
//   morvane --shortcuts FOLDER [--format text|csv] [--output FILE] [--bare]
//   morvane --empty-folders FOLDER [...]
// They list what the page would list and never delete anything.
#include "core/cleanup/CleanupRow.h"
#include <QByteArray>
#include <vector>

// argv[1] is "--shortcuts" or "--empty-folders". Exit status as the report:
// 0 done, 1 the output could not be written, 2 bad input (nothing written).
int RunCleanupForm(int argc, char** argv);

// Writes all of bytes to fd (a pipe may take them in parts); false on an error.
bool WriteAll(int fd, const QByteArray& bytes);

// The rows as the form writes them: fixed-width text or CSV, CR LF line ends,
// with the column captions first unless bare.
QByteArray CleanupRowsText(const std::vector<CleanupRow>& rows, bool csv, bool bare);
