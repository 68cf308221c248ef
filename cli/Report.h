#pragma once
// The headless report: `morvane --report FOLDER [options]`.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

// argv[0] is the program, argv[1] is "--report". Returns the exit status:
// 0 done, 1 the output or result file could not be written, 2 bad input
// (nothing written).
int RunReport(int argc, char** argv);

struct ReportOptions {
    QString folder;
    bool files = false;
    qint64 minSizeKB = 0;
    bool freeSpace = false;
    QString format = QStringLiteral("text"); // text, csv, csv-semicolon, xlsx, html
    QString output;                          // empty: standard output
    bool bare = false;
    QString header = QStringLiteral("Foldersize at");
    QString saveResult;
    QString openResult;
    int threads = 0; // 0: by the number of cores; 1: one thread
    bool help = false;
    QString filter = QStringLiteral("*"); // extension filter of --files
    bool filterGiven = false;
    bool invert = false;
    QString openSnapshot;    // a JSON export of ncdu or gdu (or ours) instead of FOLDER
    QString snapshotPath;    // the folder inside the snapshot; empty: its top folder
    int treemapWidth = 1920; // --size of the treemap formats
    int treemapHeight = 1080;
    bool sizeGiven = false;
};

// One option of the command line. apply returns an empty text when the value is
// good, else the message. New options are new rows of ReportOptionTable().
struct ReportOption {
    QString name;
    QString valueName; // empty: the option takes no value
    QString help;
    std::function<QString(ReportOptions&, const QString& value)> apply;
};
const std::vector<ReportOption>& ReportOptionTable();

// Parses the arguments after "--report"; returns an empty text or the message.
QString ParseReportOptions(const QStringList& args, ReportOptions& options);
QString ReportUsage();
// folder made absolute and clean, ending in '/', by text alone.
QString AbsoluteFolder(const QString& folder);
