#pragma once
// The headless comparison of two analyses:
//   morvane --compare OLD NEW [--path SUBFOLDER] [--format text|csv|csv-semicolon|html|json]
//                     [--output FILE] [--min-change KB] [--depth N]
// OLD and NEW are each a snapshot file (ours, ncdu's or gdu's) or a folder analysed now.
#include "core/compare/TreeCompare.h"
#include <QByteArray>
#include <QString>

// argv[1] is "--compare". Exit status as the report: 0 done, 1 the output
// could not be written, 2 bad input (nothing written).
int RunCompareForm(int argc, char** argv);

// What the form writes: the listed entries of result, the two folders compared
// named by oldName and newName; format is one of the form's formats.
struct CompareReport {
    const Tree& older;
    const Tree& newer;
    const CompareResult& result;
    QString oldName, newName;
};
QByteArray CompareText(const CompareReport& report, const QString& format);
QString CompareUsage();
