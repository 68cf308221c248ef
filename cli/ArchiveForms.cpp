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
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
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

// The signal that stopped the run; 0 while none came.
std::atomic<int> stopSignal{0};
std::atomic<DirScanner*> runningScan{nullptr};

// The first interrupt stops the move or restore where it is: the sources and
// the files restored so far stay whole and no scratch file is left. A second
// one ends the program at once, removing the scratch file being written.
void StopArchiving(int sig) {
    // The signal is known before the stop is seen, whichever thread takes it.
    if (int none = 0; !stopSignal.compare_exchange_strong(none, sig)) {
        RemoveScratchFileNow();
        _exit(128 + sig);
    }
    ArchiveInterrupt() = true;
    if (DirScanner* scan = runningScan) scan->Cancel();
}

void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = StopArchiving;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

// 130 for SIGINT, 143 for SIGTERM, as the report.
int Stopped(const QString& what) {
    return Fail(128 + stopSignal, QStringLiteral("interrupted; %1").arg(what));
}

// Every failure of a run on its own line after the headline.
QString Lines(const QString& headline, const QStringList& failures) {
    return failures.isEmpty() ? headline
                              : headline + QStringLiteral("\n") + failures.join(QLatin1Char('\n'));
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

    auto scanner = std::make_unique<DirScanner>();
    scanner->FolderPath = folder;
    DirScanner::SetMinFileSize(minSizeKB * 1024);
    runningScan = scanner.get();
    CatchInterrupts();
    try {
        scanner->Measure();
    } catch (const EMorvaneError& e) {
        runningScan = nullptr;
        return Fail(2, e.message());
    }
    runningScan = nullptr;
    if (ArchiveInterrupt()) return Stopped(QStringLiteral("no file was moved"));
    if (scanner->FileRowCount() == 0) return 0; // nothing recorded, nothing to move

    const std::string name = NextArchiveName(PathBytes(folder));
    // Made from the rows' parts, without the four text lists of the file list:
    // each folder's bytes once, the names in one block.
    PathList files;
    files.Reserve(std::size_t(scanner->FileRowCount()));
    QString lastFolder;
    std::string folderBytes;
    scanner->ForEachFileRow([&](const DirScanner::FileRowFacts& row) {
        if (row.folder != lastFolder) {
            lastFolder = row.folder;
            folderBytes = PathBytes(row.folder);
        }
        files.Append(folderBytes, PathBytes(row.name));
    });
    scanner.reset(); // its rows are not needed any more
    TerminalArchiveUi ui("Archiving");
    ArchiveDetails details;
    const bool ok = MoveFilesToArchive(name, std::move(files), &ui, nullptr, nullptr, &details);
    struct stat st {};
    if (!name.empty() && ::lstat(name.c_str(), &st) == 0 && !details.interrupted) {
        std::fwrite(name.data(), 1, name.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    if (details.interrupted) return Stopped(QStringLiteral("no file was moved"));
    if (ok) return 0;
    return Fail(1, Lines(kMoveFailure, details.failures));
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
    ArchiveDetails details;
    CatchInterrupts();
    const bool ok = RestoreArchive(archive, target, &ui, nullptr, &details);
    if (details.interrupted) return Stopped(QStringLiteral("%1 was not restored whole").arg(zip));
    if (ok) return 0;
    return Fail(1, Lines(QStringLiteral("%1 was not restored whole:").arg(zip), details.failures));
}
