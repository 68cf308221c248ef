#include "cli/CommandLine.h"
#include "cli/Report.h"
#include <cstring>

ProgramForm ChooseForm(int argc, char** argv) {
    if (argc < 2) return ProgramForm::Window;
    const char* first = argv[1];
    if (std::strcmp(first, "--report") == 0) return ProgramForm::Report;
    if (std::strcmp(first, "--move-to-archive") == 0) return ProgramForm::MoveToArchive;
    if (std::strcmp(first, "--restore-archive") == 0) return ProgramForm::RestoreArchive;
    if (std::strcmp(first, "--shortcuts") == 0 || std::strcmp(first, "--empty-folders") == 0)
        return ProgramForm::Cleanup;
    if (std::strcmp(first, "--duplicates") == 0) return ProgramForm::Duplicates;
    if (std::strcmp(first, "--compare") == 0) return ProgramForm::Compare;
    if (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)
        return ProgramForm::Help;
    if (std::strcmp(first, "--version") == 0) return ProgramForm::Version;
    // "--" lets a folder whose name begins with '-' through.
    if (first[0] == '-' && std::strcmp(first, "--") != 0) return ProgramForm::UsageError;
    return ProgramForm::Window;
}

QString ProgramUsage() {
    QString text = QStringLiteral(
        "usage: morvane [FOLDER]      open the window, analysing FOLDER at once when given\n"
        "       morvane -- FOLDER     the same, for a folder whose name begins with '-'\n"
        "       morvane --help        show this text\n"
        "       morvane --version     show the version\n"
        "       morvane --shortcuts FOLDER [--format text|csv] [--output FILE] [--bare]\n"
        "       morvane --empty-folders FOLDER [--format text|csv] [--output FILE] [--bare]\n"
        "                             list what the \"Clean Shortcuts\" page would list\n"
        "       morvane --duplicates FOLDER... [--min-size KB] [--format text|csv|json]\n"
        "                          [--output FILE]\n"
        "                             list the files with the same content under any name\n"
        "       morvane --compare OLD NEW [--path SUBFOLDER] [--min-change KB] [--depth N]\n"
        "                          [--format text|csv|csv-semicolon|html|json] [--output FILE]\n"
        "                             what grew and shrank between two snapshots or folders\n"
        "       morvane --move-to-archive FOLDER [--min-size KB]\n"
        "                             move FOLDER's recorded files into a zip archive in it\n"
        "       morvane --restore-archive ZIP\n"
        "                             put an archive's files back where they came from\n"
        "       Every form takes -- before its FOLDER or ZIP, for a name beginning with '-'.\n");
    // The report's own usage follows, its first line aligned with the others.
    const QString report = ReportUsage();
    const QString prefix = QStringLiteral("usage: ");
    text += report.startsWith(prefix)
                ? QString(prefix.size(), QLatin1Char(' ')) + report.mid(prefix.size())
                : report;
    return text;
}

QString ProgramVersion() {
    return QStringLiteral("morvane " MORVANE_VERSION);
}
