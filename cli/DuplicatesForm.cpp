#include "cli/DuplicatesForm.h"
#include "cli/CleanupForms.h"
#include "cli/FormIO.h"
#include "cli/Interrupts.h"
#include "core/export/CsvField.h"
#include "core/export/ExportWriter.h"
#include "core/export/WholeFile.h"
#include "platform/NativePath.h"
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {

constexpr auto Fail = FormFail;

QString Shown(const std::string& path) {
    return DisplayPath(PathFromNative(path.data(), qsizetype(path.size())));
}

QString SummaryText(const DuplicateResult& r) {
    return QStringLiteral("%1 groups, %2 copies, %3 bytes could be freed")
        .arg(r.groups.size())
        .arg(r.Copies())
        .arg(r.Wasted());
}

QByteArray Json(const DuplicateResult& r) {
    QJsonArray groups;
    for (const DuplicateGroup& g : r.groups) {
        QJsonArray paths;
        for (const DuplicateCopy& c : g.copies)
            paths.append(Shown(c.path));
        groups.append(QJsonObject{{QStringLiteral("size"), qint64(g.size)},
                                  {QStringLiteral("hash"), QString::fromStdString(g.HashText())},
                                  {QStringLiteral("paths"), paths}});
    }
    QJsonArray skipped;
    for (const DuplicateProblem& p : r.problems)
        skipped.append(QJsonObject{{QStringLiteral("path"), Shown(p.path)},
                                   {QStringLiteral("reason"), QString::fromStdString(p.message)}});
    const QJsonObject root{{QStringLiteral("groups"), groups},
                           {QStringLiteral("skipped"), skipped},
                           {QStringLiteral("summary"),
                            QJsonObject{{QStringLiteral("groups"), qint64(r.groups.size())},
                                        {QStringLiteral("copies"), qint64(r.Copies())},
                                        {QStringLiteral("bytes_freeable"), qint64(r.Wasted())}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace

QString DuplicatesUsage() {
    return QStringLiteral(
        "usage: morvane --duplicates FOLDER... [options]\n"
        "Lists the files with the same content under any name; deletes nothing.\n"
        "options:\n"
        "  --min-size KB    only files of at least KB kilobytes (default 0)\n"
        "  --include-empty  list empty files too (left out by default)\n"
        "  --format F       text (default), csv or json\n"
        "  --output FILE    write there instead of standard output\n"
        "  --threads N      files read at a time (default 4)\n"
        "  --help           show this text\n"
        "exit status: 0 done, 1 could not write, 2 bad input (nothing written)\n");
}

QByteArray DuplicatesText(const DuplicateResult& r, const QString& format) {
    if (format == QLatin1String("json")) return Json(r);
    QByteArray out;
    if (format == QLatin1String("csv")) {
        out += ListToCSVLine({QStringLiteral("Group"), QStringLiteral("Size"),
                              QStringLiteral("Hash"), QStringLiteral("Path")})
                   .toUtf8() +
               "\r\n";
        for (std::size_t n = 0; n < r.groups.size(); ++n) {
            const DuplicateGroup& g = r.groups[n];
            for (const DuplicateCopy& c : g.copies)
                out += ListToCSVLine({QString::number(n + 1), QString::number(g.size),
                                      QString::fromStdString(g.HashText()), Shown(c.path)})
                           .toUtf8() +
                       "\r\n";
        }
        return out;
    }
    for (const DuplicateGroup& g : r.groups) {
        out += QStringLiteral("%1 bytes x %2 copies  %3")
                   .arg(g.size)
                   .arg(g.copies.size())
                   .arg(QString::fromStdString(g.HashText()))
                   .toUtf8() +
               "\r\n";
        for (const DuplicateCopy& c : g.copies)
            out += OneLineText(QStringLiteral("  ") + Shown(c.path)).toUtf8() + "\r\n";
        out += "\r\n";
    }
    out += SummaryText(r).toUtf8() + "\r\n";
    return out;
}

int RunDuplicatesForm(int argc, char** argv) {
    ReportInterrupts interrupts; // before any thread starts
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QStringList args, folders;
    for (int i = 2; i < argc; ++i)
        args << PathFromNative(argv[i], qsizetype(std::strlen(argv[i])));
    QString output, format = QStringLiteral("text");
    DuplicateOptions options;
    bool operandsOnly = false; // after "--": a folder may begin with '-'
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i], value;
        if (operandsOnly || !arg.startsWith(QLatin1String("-"))) {
            if (arg.isEmpty()) return Fail(2, QStringLiteral("an empty folder name"));
            folders << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            operandsOnly = true;
            continue;
        }
        static const QStringList valued = {QStringLiteral("--min-size"), QStringLiteral("--format"),
                                           QStringLiteral("--output"), QStringLiteral("--threads")};
        if (const QString error = SplitOption(args, i, valued, arg, value); !error.isEmpty())
            return Fail(2, error);
        bool ok = true;
        if (arg == QLatin1String("--help")) {
            std::fputs(DuplicatesUsage().toLocal8Bit().constData(), stdout);
            return 0;
        } else if (arg == QLatin1String("--include-empty")) {
            options.includeEmpty = true;
        } else if (arg == QLatin1String("--min-size")) {
            const qint64 kb = value.toLongLong(&ok);
            if (!ok || kb < 0 || kb > (qint64(1) << 53) / 1024)
                return Fail(
                    2, QStringLiteral("--min-size needs a number of KB, not \"%1\"").arg(value));
            options.minSize = std::uint64_t(kb) * 1024;
        } else if (arg == QLatin1String("--threads")) {
            const int n = value.toInt(&ok);
            if (!ok || n < 1 || n > 64)
                return Fail(2, QStringLiteral("--threads needs 1 to 64, not \"%1\"").arg(value));
            options.threads = n;
        } else if (arg == QLatin1String("--format")) {
            if (value != QLatin1String("text") && value != QLatin1String("csv") &&
                value != QLatin1String("json"))
                return Fail(2,
                            QStringLiteral("unknown format \"%1\" (text, csv, json)").arg(value));
            format = value;
        } else if (arg == QLatin1String("--output")) {
            if (value.isEmpty()) return Fail(2, QStringLiteral("--output needs a file name"));
            output = value;
        } else {
            return Fail(2, QStringLiteral("unknown option %1").arg(arg));
        }
    }
    if (folders.isEmpty())
        return Fail(2, QStringLiteral("no folder given (morvane --duplicates FOLDER...)"));
    std::vector<std::string> roots;
    for (const QString& f : folders) {
        if (!IsExistingFolder(f)) return Fail(2, QStringLiteral("folder not found: %1").arg(f));
        roots.push_back(NativePath(f).toStdString());
    }
    if (!output.isEmpty() && !IsExistingFolder(FolderOf(output)))
        return Fail(2, QStringLiteral("cannot write %1: its folder does not exist").arg(output));

    const DuplicateResult result = FindDuplicates(roots, options);
    for (const DuplicateProblem& p : result.problems)
        std::fprintf(stderr, "morvane: skipped %s: %s\n",
                     OneLineText(Shown(p.path)).toLocal8Bit().constData(), p.message.c_str());
    const QByteArray text = DuplicatesText(result, format);
    return WriteFormOutput(output, text);
}
