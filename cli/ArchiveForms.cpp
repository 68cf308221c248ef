#include "cli/ArchiveForms.h"
#include "core/archive/ArchiveNames.h"
#include "core/archive/ZipAdd.h"
#include "core/archive/ZipArchiver.h"
#include "core/archive/ZipExtract.h"
#include "core/engine/DirScanner.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QCoreApplication>
#include <QStringList>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Fail(int status, const QString& message) {
    QString text = message;
    text.replace(QLatin1String("\n\r"), QLatin1String("\n"));
    std::fprintf(stderr, "morvane: %s\n", DisplayPath(text).toLocal8Bit().constData());
    return status;
}

// The progress window's stand-in: a counter on a terminal, nothing otherwise.
class TerminalArchiveUi : public IArchiveUi {
public:
    explicit TerminalArchiveUi(const char* what) : what_(what), shown_(::isatty(STDERR_FILENO)) {}
    void OpenProgress(int max) override {
        max_ = max;
        pos_ = 0;
        Show();
    }
    void StepProgress() override {
        ++pos_;
        Show();
    }
    void CloseProgress() override {
        if (shown_) std::fputs("\r\033[K", stderr);
    }
    void ShowEngineError(const QString& text) override { Fail(1, text); }

private:
    void Show() {
        if (!shown_) return;
        std::fprintf(stderr, "\r\033[K%s: %d of %d", what_, pos_, max_);
        std::fflush(stderr);
    }
    const char* what_;
    bool shown_;
    int max_ = 0;
    int pos_ = 0;
};

// The arguments after the command: one operand and, where allowed, --min-size.
QString ParseArguments(int argc, char** argv, bool minSizeAllowed, QString& operand,
                       qint64& minSizeKB) {
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << PathFromNative(argv[i], qsizetype(std::strlen(argv[i])));
    bool operandsOnly = false; // after "--": a name may begin with '-'
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!operandsOnly && arg == QLatin1String("--")) {
            operandsOnly = true;
        } else if (operandsOnly) {
            if (!operand.isEmpty() || arg.isEmpty())
                return QStringLiteral("unexpected argument \"%1\"").arg(arg);
            operand = arg;
        } else if (minSizeAllowed && (arg == QLatin1String("--min-size") ||
                                      arg.startsWith(QLatin1String("--min-size=")))) {
            QString value;
            if (arg.contains(QLatin1Char('=')))
                value = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            else if (i + 1 < args.size())
                value = args.at(++i);
            else
                return QStringLiteral("--min-size needs a value (KB)");
            bool ok = false;
            minSizeKB = value.toLongLong(&ok);
            if (!ok || minSizeKB < 0 || minSizeKB > (qint64(1) << 40))
                return QStringLiteral("--min-size needs a whole number of KB, not \"%1\"")
                    .arg(value);
        } else if (arg.startsWith(QLatin1String("--")) && arg.size() > 2) {
            return QStringLiteral("unknown option %1").arg(arg);
        } else if (operand.isEmpty() && !arg.isEmpty()) {
            operand = arg;
        } else {
            return QStringLiteral("unexpected argument \"%1\"").arg(arg);
        }
    }
    return {};
}

// An interrupt stops the add before anything is removed; a second one ends the
// program at once (the sources are still in place then too).
void StopArchiving(int) {
    if (ArchiveInterrupt().exchange(true)) _exit(130);
}

void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = StopArchiving;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

} // namespace

int RunMoveToArchive(int argc, char** argv) {
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QString folder;
    qint64 minSizeKB = 0;
    if (const QString error = ParseArguments(argc, argv, true, folder, minSizeKB); !error.isEmpty())
        return Fail(2, error);
    if (folder.isEmpty())
        return Fail(2, QStringLiteral("no folder given (morvane --move-to-archive FOLDER)"));
    if (!IsExistingFolder(folder))
        return Fail(2, QStringLiteral("folder not found: %1").arg(folder));
    folder = AbsolutePath(folder);
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');

    DirScanner scanner;
    scanner.FolderPath = folder;
    DirScanner::SetMinFileSize(minSizeKB * 1024);
    try {
        scanner.Measure();
    } catch (const EMorvaneError& e) {
        return Fail(2, e.message());
    }
    if (scanner.FileRowCount() == 0) return 0; // nothing recorded, nothing to move

    const std::string name = NextArchiveName(PathBytes(folder));
    std::vector<std::string> files;
    files.reserve(std::size_t(scanner.FileRowCount()));
    for (const QString& p : scanner.FilePaths())
        files.push_back(PathBytes(p));
    TerminalArchiveUi ui("Archiving");
    QString problem;
    CatchInterrupts();
    const bool ok = MoveFilesToArchive(name, files, &ui, nullptr, &problem);
    struct stat st {};
    if (!name.empty() && ::lstat(name.c_str(), &st) == 0) {
        std::fwrite(name.data(), 1, name.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    if (ok) return 0;
    return Fail(1, kMoveFailure + (problem.isEmpty() ? QString() : QStringLiteral("\n") + problem));
}

int RunRestoreArchive(int argc, char** argv) {
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QString zip;
    qint64 unused = 0;
    if (const QString error = ParseArguments(argc, argv, false, zip, unused); !error.isEmpty())
        return Fail(2, error);
    if (zip.isEmpty())
        return Fail(2, QStringLiteral("no archive given (morvane --restore-archive ZIP)"));
    const std::string archive = PathBytes(AbsolutePath(zip));
    struct stat st {};
    if (::stat(archive.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Fail(2, QStringLiteral("archive not found: %1").arg(zip));
    const std::string target = RestoreTarget(archive);
    if (target.empty())
        return Fail(2, QStringLiteral("%1 is not named like an archive of the move commands "
                                      "(Archived_files_R_<n>.zip)")
                           .arg(zip));
    QString why;
    if (!OpensAsArchive(archive, &why)) return Fail(2, QStringLiteral("%1: %2").arg(zip, why));
    TerminalArchiveUi ui("Restoring");
    QString problem;
    if (RestoreArchive(archive, target, &ui, &problem)) return 0;
    return Fail(1, QStringLiteral("%1 was not restored whole: %2").arg(zip, problem));
}
