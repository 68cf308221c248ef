#include "cli/Report.h"
#include "cli/Interrupts.h"
#include "cli/ReportRows.h"
#include "cli/TreeReportRows.h"
#include "core/engine/DirScanner.h"
#include "core/engine/FileFilter.h"
#include "core/engine/SizeText.h"
#include "core/export/ExcelApplication.h"
#include "core/export/ExportWriter.h"
#include "core/export/WholeFile.h"
#include "core/resultfile/ResultFile.h"
#include "core/snapshot/Snapshot.h"
#include "core/snapshot/SnapshotWriter.h"
#include "core/tree/TreeRows.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

bool ParseInt(const QString& text, qint64 min, qint64 max, qint64* out) {
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v < min || v > max) return false;
    *out = v;
    return true;
}

// A one-line progress display on a terminal.
class TerminalProgress : public IProgress {
public:
    explicit TerminalProgress(QString folder) : folder_(std::move(folder)) {}
    ~TerminalProgress() override {
        if (shown_) std::fputs("\r\033[K", stderr);
    }
    void SetProgressMax(int max) override {
        max_ = max;
        Show();
    }
    void SetAddProgress(int n) override {
        pos_ += n;
        Show();
    }

private:
    void Show() {
        std::fprintf(stderr, "\r\033[KAnalysing %s: %d of %d",
                     DisplayPath(folder_).toLocal8Bit().constData(), pos_, max_);
        std::fflush(stderr);
        shown_ = true;
    }
    QString folder_;
    int max_ = 0;
    int pos_ = 0;
    bool shown_ = false;
};

int Fail(int status, const QString& message) {
    // A name holding a line break must not split the one line of the message.
    std::fprintf(stderr, "morvane: %s\n",
                 OneLineText(DisplayPath(message)).toLocal8Bit().constData());
    return status;
}

bool CopyToStdout(const QString& path) {
    QFile f;
    if (!OpenForReading(f, path, nullptr)) return false;
    char buf[1 << 16];
    for (;;) {
        const qint64 n = f.read(buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) return true;
        for (qint64 done = 0; done < n;) {
            const ssize_t w = ::write(STDOUT_FILENO, buf + done, std::size_t(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

// The folder a new file would go into exists (or is one missing level, which the
// result file makes itself when allowed).
bool TargetFolderExists(const QString& file, bool oneLevelMayBeMissing) {
    const QString dir = FolderOf(file);
    return IsExistingFolder(dir) || (oneLevelMayBeMissing && IsExistingFolder(FolderOf(dir)));
}

// Where a report file is written first. A file goes into a scratch folder and is
// put in place at the end, so an interrupt leaves nothing half-written; standard
// output gets the finished file copied in. A pipe or device named by --output is
// written directly: no file of ours is at stake there.
struct ReportTarget {
    QString path;
    bool toStdout = false;
    bool special = false;
    QString error;
};

ReportTarget ChooseTarget(const ReportOptions& o, ReportInterrupts& interrupts,
                          const QString& scratchName) {
    ReportTarget t;
    t.toStdout = o.output.isEmpty();
    t.special = !t.toStdout && IsSpecialTarget(o.output);
    t.path = o.output;
    if (!t.special) {
        const QString scratch = interrupts.MakeScratch(t.toStdout ? QString() : o.output);
        if (scratch.isEmpty())
            t.error = t.toStdout ? QStringLiteral("no temporary folder")
                                 : QStringLiteral("could not write %1").arg(o.output);
        else
            t.path = scratch + QLatin1Char('/') + scratchName;
    }
    return t;
}

// The whole tree in the JSON export of ncdu and gdu, streamed as the walk goes:
// into the scratch folder, put in place at the end as the other formats are.
int RunSnapshotReport(const ReportOptions& o, const QString& folder, ReportInterrupts& interrupts) {
    const ReportTarget t = ChooseTarget(o, interrupts, QStringLiteral("snapshot.json"));
    if (!t.error.isEmpty()) return Fail(1, t.error);
    const bool toStdout = t.toStdout, special = t.special;
    const QString& target = t.path;
    const SnapshotWriteResult r = WriteSnapshot(folder, target);
    if (!r.ok) return Fail(1, r.error);
    std::lock_guard commit(ReportInterrupts::CommitLock());
    if (toStdout && !CopyToStdout(target))
        return Fail(1, QStringLiteral("could not write to standard output"));
    QString error;
    if (!toStdout && !special && !ReplaceWithFile(target, o.output, &error))
        return Fail(1, QStringLiteral("could not write %1: %2").arg(o.output, error));
    ReportInterrupts::Committed();
    return 0;
}

} // namespace

const std::vector<ReportOption>& ReportOptionTable() {
    static const std::vector<ReportOption> table = {
        {"--files",
         {},
         "write the file list (every recorded entry) instead of the size list",
         [](ReportOptions& o, const QString&) { return o.files = true, QString(); }},
        {"--min-size", "KB", "minimum file size in KB for recorded entries (default 0)",
         [](ReportOptions& o, const QString& v) {
             return ParseInt(v, 0, qint64(1) << 40, &o.minSizeKB)
                        ? QString()
                        : QStringLiteral("--min-size needs a whole number of KB, not \"%1\"")
                              .arg(v);
         }},
        {"--free-space",
         {},
         "add the free-space row when FOLDER is the root of a file system",
         [](ReportOptions& o, const QString&) { return o.freeSpace = true, QString(); }},
        {"--format", "F",
         "text (default), csv, csv-semicolon, xlsx, html or ncdu-json (the whole tree)",
         [](ReportOptions& o, const QString& v) {
             static const QStringList formats{"text", "csv",  "csv-semicolon",
                                              "xlsx", "html", "ncdu-json"};
             if (!formats.contains(v))
                 return QStringLiteral("unknown format \"%1\" (text, csv, csv-semicolon, xlsx, "
                                       "html, ncdu-json)")
                     .arg(v);
             o.format = v;
             return QString();
         }},
        {"--output", "FILE", "write there instead of standard output (required for xlsx)",
         [](ReportOptions& o, const QString& v) {
             if (v.isEmpty()) return QStringLiteral("--output needs a file name");
             o.output = v;
             return QString();
         }},
        {"--bare",
         {},
         "only the item rows: no header, folder, column-header or summary rows",
         [](ReportOptions& o, const QString&) { return o.bare = true, QString(); }},
        {"--header", "TEXT", "the header line (default \"Foldersize at\")",
         [](ReportOptions& o, const QString& v) { return o.header = v, QString(); }},
        {"--save-result", "FILE", "also save the analysis as a result file (.MVX)",
         [](ReportOptions& o, const QString& v) {
             if (v.isEmpty()) return QStringLiteral("--save-result needs a file name");
             o.saveResult = v;
             return QString();
         }},
        {"--open-result", "FILE", "read a result file instead of analysing FOLDER",
         [](ReportOptions& o, const QString& v) {
             if (v.isEmpty()) return QStringLiteral("--open-result needs a file name");
             o.openResult = v;
             return QString();
         }},
        {"--threads", "N",
         "threads walking the subfolders: 1 = one thread, 0 = chosen for the disk (default)",
         [](ReportOptions& o, const QString& v) {
             qint64 n = 0;
             if (!ParseInt(v, 0, 16, &n))
                 return QStringLiteral("--threads needs a number from 0 to 16, not \"%1\"").arg(v);
             o.threads = int(n);
             return QString();
         }},
        {"--filter", "TEXT",
         "with --files: only files with these extensions, e.g. \"tmp;bak\" (default *)",
         [](ReportOptions& o, const QString& v) {
             o.filter = v;
             o.filterGiven = true;
             return QString();
         }},
        {"--invert",
         {},
         "with --files: only files the filter does not match",
         [](ReportOptions& o, const QString&) { return o.invert = true, QString(); }},
        {"--open-snapshot", "FILE",
         "read a JSON export of ncdu or gdu (or ncdu-json) instead of analysing FOLDER",
         [](ReportOptions& o, const QString& v) {
             if (v.isEmpty()) return QStringLiteral("--open-snapshot needs a file name");
             o.openSnapshot = v;
             return QString();
         }},
        {"--path", "SUBFOLDER", "with --open-snapshot: the folder inside it to list",
         [](ReportOptions& o, const QString& v) { return o.snapshotPath = v, QString(); }},
        {"--help",
         {},
         "show this text",
         [](ReportOptions& o, const QString&) { return o.help = true, QString(); }},
    };
    return table;
}

QString ReportUsage() {
    QString text = QStringLiteral(
        "usage: morvane --report FOLDER [options]\n"
        "       morvane --report --open-result FILE [options]\n"
        "       morvane --report --open-snapshot FILE [--path SUBFOLDER] [options]\n"
        "Analyses FOLDER as the window would and writes its size list (or file list).\n"
        "options:\n");
    for (const ReportOption& o : ReportOptionTable()) {
        QString left = o.name;
        if (!o.valueName.isEmpty()) left += QLatin1Char(' ') + o.valueName;
        text += QStringLiteral("  %1 %2\n").arg(left, -20).arg(o.help);
    }
    text += QStringLiteral(
        "exit status: 0 done, 1 could not write, 2 bad input (nothing written),\n"
        "             130 or 143 interrupted by SIGINT or SIGTERM (nothing written);\n"
        "             an interrupt while the output is put in place lets it finish (0)\n");
    return text;
}

QString ParseReportOptions(const QStringList& args, ReportOptions& options) {
    const auto& table = ReportOptionTable();
    bool operandsOnly = false; // after "--": a folder may begin with '-'
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (!operandsOnly && arg == QLatin1String("--")) {
            operandsOnly = true;
        } else if (!operandsOnly && arg.startsWith(QLatin1String("--"))) {
            QString name = arg, value;
            bool inlineValue = false;
            if (const qsizetype eq = arg.indexOf(QLatin1Char('=')); eq > 0) {
                name = arg.left(eq);
                value = arg.mid(eq + 1);
                inlineValue = true;
            }
            const auto it = std::find_if(table.begin(), table.end(),
                                         [&](const ReportOption& o) { return o.name == name; });
            if (it == table.end()) return QStringLiteral("unknown option %1").arg(name);
            if (it->valueName.isEmpty()) {
                if (inlineValue) return QStringLiteral("%1 takes no value").arg(name);
            } else if (!inlineValue) {
                if (i + 1 >= args.size())
                    return QStringLiteral("%1 needs a value (%2)").arg(name, it->valueName);
                value = args.at(++i);
            }
            const QString error = it->apply(options, value);
            if (!error.isEmpty()) return error;
        } else if (options.folder.isEmpty() && !arg.isEmpty()) {
            options.folder = arg;
        } else {
            return QStringLiteral("unexpected argument \"%1\"").arg(arg);
        }
    }
    if (options.help) return {};
    if (!options.openSnapshot.isEmpty() &&
        (!options.folder.isEmpty() || !options.openResult.isEmpty() ||
         options.format == QLatin1String("ncdu-json")))
        return QStringLiteral("--open-snapshot takes no FOLDER, --open-result or ncdu-json");
    if (!options.snapshotPath.isEmpty() && options.openSnapshot.isEmpty())
        return QStringLiteral("--path applies to --open-snapshot");
    if (options.folder.isEmpty() && options.openResult.isEmpty() && options.openSnapshot.isEmpty())
        return QStringLiteral("no folder given (morvane --report FOLDER)");
    if (options.format == QLatin1String("xlsx") && options.output.isEmpty())
        return QStringLiteral("the xlsx format needs --output FILE");
    if ((options.filterGiven || options.invert) && !options.files)
        return QStringLiteral("--filter and --invert apply to the file list; add --files");
    if (options.format == QLatin1String("ncdu-json") &&
        (options.files || !options.openResult.isEmpty() || !options.saveResult.isEmpty()))
        return QStringLiteral("ncdu-json writes the whole tree of FOLDER; it takes no --files, "
                              "--open-result or --save-result");
    if (options.files && !options.openResult.isEmpty())
        return QStringLiteral("a result file holds no file list; --files needs a folder");
    return {};
}

// folder made absolute and clean, by text alone (the bytes of a name that is not
// UTF-8 stay as they are).
QString AbsoluteFolder(const QString& folder) {
    const QString p = AbsolutePath(folder);
    return p.endsWith(QLatin1Char('/')) ? p : p + QLatin1Char('/');
}

int RunReport(int argc, char** argv) {
    // Before any other thread: they all inherit the blocked signals.
    ReportInterrupts interrupts;
    // Qt's file and text helpers want an application object; a core one is enough.
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << PathFromNative(argv[i], qsizetype(std::strlen(argv[i])));

    ReportOptions o;
    if (const QString error = ParseReportOptions(args, o); !error.isEmpty()) return Fail(2, error);
    if (o.help) {
        std::fputs(ReportUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }

    // Bad input is found before anything is written.
    if (o.openResult.isEmpty() && o.openSnapshot.isEmpty() && !IsExistingFolder(o.folder))
        return Fail(2, QStringLiteral("folder not found: %1").arg(o.folder));
    if (!o.output.isEmpty() && !TargetFolderExists(o.output, false))
        return Fail(2, QStringLiteral("cannot write %1: its folder does not exist").arg(o.output));
    if (!o.saveResult.isEmpty() && !TargetFolderExists(o.saveResult, true))
        return Fail(2,
                    QStringLiteral("cannot write %1: its folder does not exist").arg(o.saveResult));

    if (o.format == QLatin1String("ncdu-json"))
        return RunSnapshotReport(o, AbsoluteFolder(o.folder), interrupts);

    auto dirSize = std::make_unique<DirScanner>();
    QString folder;
    SizeValue totalGB = 0;
    std::unique_ptr<Snapshot> snapshot;
    std::unique_ptr<TreeFileRowSource> snapshotFiles;
    try {
        if (!o.openSnapshot.isEmpty()) {
            snapshot = std::make_unique<Snapshot>(Snapshot::Read(o.openSnapshot));
            const std::uint32_t at = snapshot->Find(o.snapshotPath);
            if (at == Snapshot::kNone || !snapshot->At(at).IsFolder())
                return Fail(
                    2, QStringLiteral("no folder %1 in %2").arg(o.snapshotPath, o.openSnapshot));
            TreeFolderRows rows = FolderRowsOf(*snapshot, at);
            dirSize->EntryPaths = std::move(rows.paths);
            dirSize->EntryMB = std::move(rows.mb);
            dirSize->EntryKB = std::move(rows.kb);
            totalGB = StrToSizeValue(SizeText(suGB, rows.total));
            folder = snapshot->Path(at);
            if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
            if (o.files) {
                snapshotFiles = std::make_unique<TreeFileRowSource>(*snapshot, at);
                const FileFilter filter(o.filter, o.invert);
                snapshotFiles->Filter([&](const QString& path) { return filter.Accepts(path); });
            }
        } else if (!o.openResult.isEmpty()) {
            LoadResultFile(dirSize->EntryPaths, dirSize->EntryMB, dirSize->EntryKB, o.openResult);
            folder = o.folder;
            if (folder.isEmpty() && !dirSize->EntryPaths.isEmpty()) {
                const QString& first = dirSize->EntryPaths.first();
                folder = first.left(first.lastIndexOf(QLatin1Char('/')) + 1);
            }
            // No run behind a result file: the GB total comes from its rows,
            // summed wide enough for any count of them.
            WideSizeValue kb = 0;
            for (qsizetype i = 0; i < dirSize->EntryKB.size(); ++i)
                if (!dirSize->EntryPaths.at(i).endsWith(DirScanner::FreeSpaceName()))
                    kb += StrToWideSizeValue(dirSize->EntryKB.at(i));
            totalGB = StrToSizeValue(SizeText(suGB, kb * 1024));
        } else {
            folder = AbsoluteFolder(o.folder);
            std::unique_ptr<TerminalProgress> progress;
            if (::isatty(STDERR_FILENO)) progress = std::make_unique<TerminalProgress>(folder);
            dirSize->FolderPath = folder;
            dirSize->IncludeFreeSpace = o.freeSpace;
            dirSize->Threads = o.threads;
            dirSize->Progress = progress.get();
            DirScanner::SetMinFileSize(o.minSizeKB * 1024);
            dirSize->Measure();
            dirSize->Progress = nullptr;
            totalGB = StrToSizeValue(dirSize->TotalGBText);
        }
    } catch (const EMorvaneError& e) {
        return Fail(2, e.message());
    }

    // The status bar's totals: the size list's MB and KB texts summed.
    WideSizeValue sumMB = 0, sumKB = 0;
    try {
        for (const QString& t : dirSize->EntryMB)
            sumMB += StrToWideSizeValue(t);
        for (const QString& t : dirSize->EntryKB)
            sumKB += StrToWideSizeValue(t);
    } catch (const EMorvaneError& e) {
        return Fail(2, QStringLiteral("%1: %2").arg(o.openResult, e.message()));
    }

    FolderRowSource folderRows(*dirSize);
    // Only the rows' nodes are kept: the writer makes each row's texts as it goes.
    std::unique_ptr<IRowSource> fileRows;
    const std::shared_ptr<const Tree> tree = dirSize->LastTree();
    if (o.files && !snapshot && tree)
        fileRows = std::make_unique<TreeReportRows>(
            *tree, folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'),
            DirScanner::MinFileSizeBytes, FileFilter(o.filter, o.invert));
    else if (o.files && !snapshot) // no finished run: its rows, if any
        fileRows = std::make_unique<FileRowSource>(*dirSize);
    ExportWriter ex;
    ex.SourceList = snapshotFiles ? snapshotFiles.get()
                    : fileRows    ? fileRows.get()
                                  : static_cast<const IRowSource*>(&folderRows);
    ex.ExportTotalMB = TotalText(sumMB, QStringLiteral("MB"));
    ex.ExportTotalKB = TotalText(sumKB, QStringLiteral("KB"));
    ex.ExportTotalGB = NumberText(totalGB / 10000.0L);
    ex.SetHeaderText(DisplayPath(o.header));
    ex.SetExportFolder(folder);
    ex.SetIncludeHeadDate(!o.bare);
    ex.SetIncludeFolderName(!o.bare);
    ex.SetIncludeColumnHeader(!o.bare);
    // The totals are the size list's: a file list never carries a summary row.
    ex.SetIncludeSummary(!o.bare && !o.files);
    ex.SetHtmlFontColor(0x000000);
    ex.SetHtmlBackColor(0xFFFFFF);
    ex.SetHtmlFontSize(0);

    // Standard output gets the finished file copied in, so a redirection is
    // never replaced behind the shell's back.
    const ReportTarget t = ChooseTarget(o, interrupts, QStringLiteral("report"));
    if (!t.error.isEmpty()) return Fail(1, t.error);
    const bool toStdout = t.toStdout, special = t.special;
    const QString& target = t.path;
    ex.SetTargetFile(target);
    ex.StreamRows = true;
    bool ok = false;
    try {
        if (o.format == QLatin1String("csv"))
            ok = ex.MakeCSV();
        else if (o.format == QLatin1String("csv-semicolon"))
            ok = ex.MakeSemicolonCSV();
        else if (o.format == QLatin1String("xlsx"))
            ok = ex.MakeXLS();
        else if (o.format == QLatin1String("html"))
            ok = ex.MakeHTML();
        else
            ok = ex.MakeText(true);
    } catch (const EMorvaneError& e) {
        return Fail(1, e.message());
    }
    if (!ok)
        return Fail(
            1,
            QStringLiteral("could not write %1").arg(o.output.isEmpty() ? "the report" : o.output));
    if (ex.CutCells > 0)
        std::fprintf(stderr,
                     "morvane: %d cells longer than 32,767 characters, the limit of a workbook "
                     "cell, were cut to it and end in \"%s\"\n",
                     ex.CutCells, ExcelApplication::CutMark().toLocal8Bit().constData());
    {
        // Standard output is written only now, whole: an interrupt waits for it.
        std::lock_guard commit(ReportInterrupts::CommitLock());
        if (toStdout && !CopyToStdout(target))
            return Fail(1, QStringLiteral("could not write to standard output"));
        if (!o.saveResult.isEmpty()) {
            try {
                SaveResultFile(dirSize->EntryPaths, dirSize->EntryMB, dirSize->EntryKB,
                               o.saveResult);
            } catch (const EMorvaneError& e) {
                return Fail(1, e.message());
            }
        }
        QString error;
        if (!toStdout && !special && !ReplaceWithFile(target, o.output, &error))
            return Fail(1, QStringLiteral("could not write %1: %2").arg(o.output, error));
        ReportInterrupts::Committed();
    }
    // The process ends here: handing millions of row texts back one by one would
    // only cost time. The sanitizer build does, so that a real leak shows.
#ifndef __SANITIZE_ADDRESS__
    (void)dirSize.release();
    (void)snapshot.release();
#endif
    return 0;
}
