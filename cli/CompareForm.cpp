#include "cli/CompareForm.h"
#include "cli/FormIO.h"
#include "cli/Interrupts.h"
#include "cli/Report.h"
#include "core/engine/DirScanner.h"
#include "core/engine/SizeText.h"
#include "core/export/CsvField.h"
#include "core/export/ExportWriter.h"
#include "core/snapshot/Snapshot.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const char* StateName(const CompareEntry& e) {
    switch (e.state) {
    case CompareEntry::Added:
        return "added";
    case CompareEntry::Removed:
        return "removed";
    case CompareEntry::Changed:
        break;
    }
    return "changed";
}

QString Signed(std::int64_t v) {
    return v > 0 ? QStringLiteral("+%1").arg(v) : QString::number(v);
}

// A signed size in KB, as the size list writes KB.
QString SignedKB(std::int64_t bytes) {
    const QString kb = SizeText(suKB, BytesToSizeValue(bytes < 0 ? -bytes : bytes));
    return bytes > 0 ? QLatin1Char('+') + kb : bytes < 0 ? QLatin1Char('-') + kb : kb;
}

QString KB(std::int64_t bytes) {
    return SizeText(suKB, BytesToSizeValue(bytes));
}

QString PathOf(const CompareReport& r, const CompareEntry& e) {
    const QByteArray bytes = e.newIndex != Tree::kNone
                                 ? ComparePath(r.newer, r.result.newRoot, e.newIndex)
                                 : ComparePath(r.older, r.result.oldRoot, e.oldIndex);
    return DisplayPath(PathFromNative(bytes)) + (e.folder ? QStringLiteral("/") : QString());
}

QString SummaryText(const CompareReport& r) {
    const CompareResult& c = r.result;
    return QStringLiteral("Total: %1 KB before, %2 KB now, change %3 KB (%4 bytes), %5 files; "
                          "%6 added, %7 removed, %8 changed")
        .arg(KB(c.oldTotal), KB(c.newTotal), SignedKB(c.TotalChange()), Signed(c.TotalChange()),
             Signed(c.FileChange()))
        .arg(c.addedCount)
        .arg(c.removedCount)
        .arg(c.changedCount);
}

QByteArray Json(const CompareReport& r) {
    QJsonArray entries;
    for (const CompareEntry& e : r.result.entries)
        entries.append(QJsonObject{{QStringLiteral("path"), PathOf(r, e)},
                                   {QStringLiteral("state"), QLatin1String(StateName(e))},
                                   {QStringLiteral("folder"), e.folder},
                                   {QStringLiteral("old_size"), qint64(e.oldSize)},
                                   {QStringLiteral("new_size"), qint64(e.newSize)},
                                   {QStringLiteral("change"), qint64(e.Change())},
                                   {QStringLiteral("file_change"), qint64(e.FileChange())}});
    const CompareResult& c = r.result;
    const QJsonObject root{{QStringLiteral("old"), DisplayPath(r.oldName)},
                           {QStringLiteral("new"), DisplayPath(r.newName)},
                           {QStringLiteral("entries"), entries},
                           {QStringLiteral("summary"),
                            QJsonObject{{QStringLiteral("old_size"), qint64(c.oldTotal)},
                                        {QStringLiteral("new_size"), qint64(c.newTotal)},
                                        {QStringLiteral("change"), qint64(c.TotalChange())},
                                        {QStringLiteral("old_files"), qint64(c.oldFiles)},
                                        {QStringLiteral("new_files"), qint64(c.newFiles)},
                                        {QStringLiteral("file_change"), qint64(c.FileChange())},
                                        {QStringLiteral("added"), qint64(c.addedCount)},
                                        {QStringLiteral("removed"), qint64(c.removedCount)},
                                        {QStringLiteral("changed"), qint64(c.changedCount)}}}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

QByteArray Csv(const CompareReport& r, QString (*line)(const QStringList&)) {
    QByteArray out = line({QStringLiteral("Path"), QStringLiteral("State"),
                           QStringLiteral("Old size (bytes)"), QStringLiteral("New size (bytes)"),
                           QStringLiteral("Change (bytes)"), QStringLiteral("Change (files)")})
                         .toUtf8() +
                     "\r\n";
    for (const CompareEntry& e : r.result.entries)
        out += line({PathOf(r, e), QLatin1String(StateName(e)), QString::number(e.oldSize),
                     QString::number(e.newSize), QString::number(e.Change()),
                     QString::number(e.FileChange())})
                   .toUtf8() +
               "\r\n";
    const CompareResult& c = r.result;
    out += line({QString(), QStringLiteral("total"), QString::number(c.oldTotal),
                 QString::number(c.newTotal), QString::number(c.TotalChange()),
                 QString::number(c.FileChange())})
               .toUtf8() +
           "\r\n";
    return out;
}

QByteArray Html(const CompareReport& r) {
    QString h = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                               "<title>What changed</title></head><body>\n"
                               "<p>%1<br>%2</p>\n<table border=\"1\" cellspacing=\"0\">\n"
                               "<tr><th>Change (KB)</th><th>Old (KB)</th><th>New (KB)</th>"
                               "<th>Files</th><th>State</th><th>Path</th></tr>\n")
                    .arg(QStringLiteral("Before: ") + DisplayPath(r.oldName).toHtmlEscaped(),
                         QStringLiteral("Now: ") + DisplayPath(r.newName).toHtmlEscaped());
    for (const CompareEntry& e : r.result.entries)
        h += QStringLiteral("<tr><td align=\"right\">%1</td><td align=\"right\">%2</td>"
                            "<td align=\"right\">%3</td><td align=\"right\">%4</td><td>%5</td>"
                            "<td>%6</td></tr>\n")
                 .arg(SignedKB(e.Change()), KB(e.oldSize), KB(e.newSize), Signed(e.FileChange()),
                      QLatin1String(StateName(e)), PathOf(r, e).toHtmlEscaped());
    h +=
        QStringLiteral("</table>\n<p>%1</p>\n</body></html>\n").arg(SummaryText(r).toHtmlEscaped());
    return h.toUtf8();
}

QByteArray Text(const CompareReport& r) {
    QByteArray out =
        OneLineText(QStringLiteral("Before: ") + DisplayPath(r.oldName)).toUtf8() + "\r\n" +
        OneLineText(QStringLiteral("Now:    ") + DisplayPath(r.newName)).toUtf8() + "\r\n\r\n";
    const auto row = [](const QString& change, const QString& old, const QString& now,
                        const QString& files, const QString& state, const QString& path) {
        return QStringLiteral("%1 %2 %3 %4 %5 %6")
                   .arg(change, 16)
                   .arg(old, 16)
                   .arg(now, 16)
                   .arg(files, 9)
                   .arg(state, -7)
                   .arg(OneLineText(path))
                   .toUtf8() +
               "\r\n";
    };
    out +=
        row(QStringLiteral("Change (KB)"), QStringLiteral("Old (KB)"), QStringLiteral("New (KB)"),
            QStringLiteral("Files"), QStringLiteral("State"), QStringLiteral("Path"));
    for (const CompareEntry& e : r.result.entries)
        out += row(SignedKB(e.Change()), KB(e.oldSize), KB(e.newSize), Signed(e.FileChange()),
                   QLatin1String(StateName(e)), PathOf(r, e));
    out += "\r\n" + SummaryText(r).toUtf8() + "\r\n";
    return out;
}

struct Side {
    std::shared_ptr<const Tree> tree;
    Tree::Index root = Tree::kNone;
    QString name;
};

// A folder is analysed now; anything else is read as a snapshot. Throws
// EMorvaneError with the message.
Side Load(const QString& arg, const QString& subfolder) {
    Side s;
    if (IsExistingFolder(arg)) {
        DirScanner scanner;
        scanner.FolderPath = AbsoluteFolder(arg);
        scanner.Measure();
        s.tree = scanner.LastTree();
        if (!s.tree) throw EMorvaneError(QStringLiteral("cannot read %1").arg(arg));
    } else {
        if (!QFileInfo::exists(arg)) throw EMorvaneError(QStringLiteral("not found: %1").arg(arg));
        s.tree = std::make_shared<const Snapshot>(Snapshot::Read(arg));
    }
    s.root = subfolder.isEmpty() ? 0 : s.tree->Find(subfolder);
    if (s.root == Tree::kNone || !s.tree->At(s.root).IsFolder())
        throw EMorvaneError(QStringLiteral("no folder %1 in %2").arg(subfolder, arg));
    s.name = s.tree->Path(s.root);
    return s;
}

} // namespace

QString CompareUsage() {
    return QStringLiteral(
        "usage: morvane --compare OLD NEW [options]\n"
        "Lists what grew and what shrank between two analyses, largest growth first.\n"
        "OLD and NEW are each a snapshot file (ncdu-json, ncdu's or gdu's) or a folder,\n"
        "analysed now.\n"
        "options:\n"
        "  --path SUBFOLDER  compare this folder below both tops (default: the tops)\n"
        "  --format F        text (default), csv, csv-semicolon, html or json\n"
        "  --output FILE     write there instead of standard output\n"
        "  --min-change KB   only changes of at least KB kilobytes either way (default 0)\n"
        "  --depth N         only entries up to N levels below the folder (default: all)\n"
        "  --help            show this text\n"
        "exit status: 0 done, 1 could not write, 2 bad input (nothing written)\n");
}

QByteArray CompareText(const CompareReport& r, const QString& format) {
    if (format == QLatin1String("json")) return Json(r);
    if (format == QLatin1String("csv")) return Csv(r, ListToCSVLine);
    if (format == QLatin1String("csv-semicolon")) return Csv(r, ListToSemikoCSVLine);
    if (format == QLatin1String("html")) return Html(r);
    return Text(r);
}

int RunCompareForm(int argc, char** argv) {
    ReportInterrupts interrupts; // before any thread starts
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    QStringList args, operands;
    for (int i = 2; i < argc; ++i)
        args << PathFromNative(argv[i], qsizetype(std::strlen(argv[i])));
    QString output, subfolder, format = QStringLiteral("text");
    CompareOptions options;
    bool operandsOnly = false; // after "--": a name may begin with '-'
    static const QStringList valued = {QStringLiteral("--path"), QStringLiteral("--format"),
                                       QStringLiteral("--output"), QStringLiteral("--min-change"),
                                       QStringLiteral("--depth")};
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i], value;
        if (operandsOnly || !arg.startsWith(QLatin1String("-"))) {
            if (arg.isEmpty()) return FormFail(2, QStringLiteral("an empty name"));
            operands << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            operandsOnly = true;
            continue;
        }
        if (const QString error = SplitOption(args, i, valued, arg, value); !error.isEmpty())
            return FormFail(2, error);
        bool ok = true;
        if (arg == QLatin1String("--help")) {
            std::fputs(CompareUsage().toLocal8Bit().constData(), stdout);
            return 0;
        } else if (arg == QLatin1String("--path")) {
            subfolder = value;
        } else if (arg == QLatin1String("--min-change")) {
            const qint64 kb = value.toLongLong(&ok);
            if (!ok || kb < 0 || kb > (qint64(1) << 50) / 1024)
                return FormFail(
                    2, QStringLiteral("--min-change needs a number of KB, not \"%1\"").arg(value));
            options.minChange = kb * 1024;
        } else if (arg == QLatin1String("--depth")) {
            const int n = value.toInt(&ok);
            if (!ok || n < 1 || n > 65535)
                return FormFail(
                    2, QStringLiteral("--depth needs a number from 1, not \"%1\"").arg(value));
            options.depth = n;
        } else if (arg == QLatin1String("--format")) {
            static const QStringList formats = {"text", "csv", "csv-semicolon", "html", "json"};
            if (!formats.contains(value))
                return FormFail(2,
                                QStringLiteral("unknown format \"%1\" (text, csv, csv-semicolon, "
                                               "html, json)")
                                    .arg(value));
            format = value;
        } else if (arg == QLatin1String("--output")) {
            if (value.isEmpty()) return FormFail(2, QStringLiteral("--output needs a file name"));
            output = value;
        } else {
            return FormFail(2, QStringLiteral("unknown option %1").arg(arg));
        }
    }
    if (operands.size() != 2)
        return FormFail(2, QStringLiteral("give two analyses (morvane --compare OLD NEW)"));
    if (!output.isEmpty() && !IsExistingFolder(FolderOf(output)))
        return FormFail(2,
                        QStringLiteral("cannot write %1: its folder does not exist").arg(output));

    Side older, newer;
    try {
        older = Load(operands[0], subfolder);
        newer = Load(operands[1], subfolder);
    } catch (const EMorvaneError& e) {
        return FormFail(2, e.message());
    }
    const CompareResult result =
        CompareTrees(*older.tree, older.root, *newer.tree, newer.root, options);
    const QByteArray text =
        CompareText({*older.tree, *newer.tree, result, older.name, newer.name}, format);
    return WriteFormOutput(output, text);
}
