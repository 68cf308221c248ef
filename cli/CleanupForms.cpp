#include "cli/CleanupForms.h"
#include "core/cleanup/EmptyFolders.h"
#include "core/cleanup/ShortcutChecker.h"
#include "core/export/CsvField.h"
#include "core/export/ExportWriter.h"
#include "core/export/WholeFile.h"
#include "platform/NativePath.h"
#include <QCoreApplication>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

int Fail(int status, const QString& message) {
    // A name holding a line break must not split the one line of the message.
    std::fprintf(stderr, "morvane: %s\n",
                 OneLineText(DisplayPath(message)).toLocal8Bit().constData());
    return status;
}

QString Usage(const QString& form) {
    return QStringLiteral("usage: morvane %1 FOLDER [options]\n"
                          "Lists what the \"Clean Shortcuts\" page would list; deletes nothing.\n"
                          "options:\n"
                          "  --format F      text (default) or csv\n"
                          "  --output FILE   write there instead of standard output\n"
                          "  --bare          only the rows, without the column captions\n"
                          "  --help          show this text\n"
                          "exit status: 0 done, 1 could not write, 2 bad input (nothing written)\n")
        .arg(form);
}

// Names as the report writes them: a byte that is not UTF-8 shows as U+FFFD.
QStringList Cells(const CleanupRow& r) {
    return {DisplayPath(r.name), DisplayPath(r.target), r.condition, DisplayPath(r.path)};
}

} // namespace

bool WriteAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t w = ::write(fd, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        done += w;
    }
    return true;
}

QByteArray CleanupRowsText(const std::vector<CleanupRow>& rows, bool csv, bool bare) {
    std::vector<QStringList> lines;
    if (!bare) lines.push_back(CleanupColumnCaptions());
    for (const CleanupRow& r : rows)
        lines.push_back(Cells(r));
    QByteArray out;
    if (csv) {
        for (const QStringList& l : lines)
            out += ListToCSVLine(l).toUtf8() + "\r\n";
        return out;
    }
    // Columns as wide as their longest text: paths are never cut.
    qsizetype widths[3] = {0, 0, 0};
    for (const QStringList& l : lines)
        for (int c = 0; c < 3; ++c)
            widths[c] = std::max(widths[c], l[c].toUcs4().size());
    for (const QStringList& l : lines) {
        QString line;
        for (int c = 0; c < 3; ++c)
            line += l[c] + QString(widths[c] - l[c].toUcs4().size() + 2, u' ');
        out += OneLineText(line + l[3]).toUtf8() + "\r\n";
    }
    return out;
}

int RunCleanupForm(int argc, char** argv) {
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    const QString form = QString::fromLatin1(argv[1]);
    QString folder, output, format = QStringLiteral("text");
    bool bare = false;
    QStringList args;
    for (int i = 2; i < argc; ++i)
        args << PathFromNative(argv[i], qsizetype(std::strlen(argv[i])));
    bool operandsOnly = false; // after "--": a folder may begin with '-'
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i], value;
        if (!operandsOnly && arg == QLatin1String("--")) {
            operandsOnly = true;
            continue;
        }
        if (operandsOnly) {
            if (!folder.isEmpty() || arg.isEmpty())
                return Fail(2, QStringLiteral("unexpected argument \"%1\"").arg(arg));
            folder = arg;
            continue;
        }
        const bool takesValue =
            arg.startsWith(QLatin1String("--format")) || arg.startsWith(QLatin1String("--output"));
        if (takesValue) {
            if (const qsizetype eq = arg.indexOf(u'='); eq > 0) {
                value = arg.mid(eq + 1);
                arg = arg.left(eq);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return Fail(2, QStringLiteral("%1 needs a value").arg(arg));
            }
        }
        if (arg == QLatin1String("--help")) {
            std::fputs(Usage(form).toLocal8Bit().constData(), stdout);
            return 0;
        } else if (arg == QLatin1String("--bare")) {
            bare = true;
        } else if (arg == QLatin1String("--format")) {
            if (value != QLatin1String("text") && value != QLatin1String("csv"))
                return Fail(2, QStringLiteral("unknown format \"%1\" (text, csv)").arg(value));
            format = value;
        } else if (arg == QLatin1String("--output")) {
            if (value.isEmpty()) return Fail(2, QStringLiteral("--output needs a file name"));
            output = value;
        } else if (arg.startsWith(QLatin1String("--"))) {
            return Fail(2, QStringLiteral("unknown option %1").arg(arg));
        } else if (folder.isEmpty() && !arg.isEmpty()) {
            folder = arg;
        } else {
            return Fail(2, QStringLiteral("unexpected argument \"%1\"").arg(arg));
        }
    }
    if (folder.isEmpty())
        return Fail(2, QStringLiteral("no folder given (morvane %1 FOLDER)").arg(form));
    if (!IsExistingFolder(folder))
        return Fail(2, QStringLiteral("folder not found: %1").arg(folder));
    if (!output.isEmpty() && !IsExistingFolder(FolderOf(output)))
        return Fail(2, QStringLiteral("cannot write %1: its folder does not exist").arg(output));

    const std::vector<CleanupRow> rows =
        form == QLatin1String("--shortcuts") ? ScanShortcuts(folder) : ListEmptyFolders(folder);
    const QByteArray text = CleanupRowsText(rows, format == QLatin1String("csv"), bare);
    if (output.isEmpty()) {
        if (!WriteAll(STDOUT_FILENO, text))
            return Fail(1, QStringLiteral("could not write to standard output"));
        return 0;
    }
    WholeFileWriter file(output);
    if (!file.Open() || !file.Write(text) || !file.Commit())
        return Fail(1, QStringLiteral("could not write %1: %2").arg(output, file.ErrorString()));
    return 0;
}
