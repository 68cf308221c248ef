#pragma once
// The headless duplicate finder by content:
//   morvane --duplicates FOLDER... [--min-size KB] [--format text|csv|json] [--output FILE]
#include "core/duplicates/DuplicateFinder.h"
#include <QByteArray>
#include <QString>

// argv[1] is "--duplicates". Exit status as the report: 0 done, 1 the output
// could not be written, 2 bad input (nothing written).
int RunDuplicatesForm(int argc, char** argv);

// The groups as the form writes them; format is "text", "csv" or "json".
QByteArray DuplicatesText(const DuplicateResult& result, const QString& format);
QString DuplicatesUsage();
