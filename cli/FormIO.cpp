#include "cli/FormIO.h"
#include "cli/CleanupForms.h"
#include "cli/Interrupts.h"
#include "core/export/ExportWriter.h"
#include "core/export/WholeFile.h"
#include "platform/NativePath.h"
#include <cstdio>
#include <mutex>
#include <unistd.h>

int FormFail(int status, const QString& message) {
    // A name holding a line break must not split the one line of the message.
    std::fprintf(stderr, "morvane: %s\n",
                 OneLineText(DisplayPath(message)).toLocal8Bit().constData());
    return status;
}

QString SplitOption(const QStringList& args, qsizetype& i, const QStringList& valued, QString& name,
                    QString& value) {
    name = args[i];
    value.clear();
    if (const qsizetype eq = name.indexOf(u'='); eq > 0 && valued.contains(name.left(eq))) {
        value = name.mid(eq + 1);
        name = name.left(eq);
    } else if (valued.contains(name)) {
        if (i + 1 >= args.size()) return QStringLiteral("%1 needs a value").arg(name);
        value = args[++i];
    }
    return {};
}

int WriteFormOutput(const QString& output, const QByteArray& text) {
    // An interrupt waits until the output is whole.
    std::lock_guard commit(ReportInterrupts::CommitLock());
    if (output.isEmpty()) {
        if (!WriteAll(STDOUT_FILENO, text))
            return FormFail(1, QStringLiteral("could not write to standard output"));
    } else {
        WholeFileWriter file(output);
        if (!file.Open() || !file.Write(text) || !file.Commit())
            return FormFail(
                1, QStringLiteral("could not write %1: %2").arg(output, file.ErrorString()));
    }
    ReportInterrupts::Committed();
    return 0;
}
