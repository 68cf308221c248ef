#include "platform/ProgramStarter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool StartDetached(const ProgramLaunch& launch) {
    return QProcess::startDetached(launch.program, launch.arguments, launch.workingDirectory);
}

ProgramStarter& Starter() {
    static ProgramStarter starter = StartDetached;
    return starter;
}

// Terminal emulators and the argument that makes each run a program with its
// arguments; x-terminal-emulator is the system's choice and takes -e by policy.
struct Terminal {
    const char* name;
    const char* runOption;
};
constexpr Terminal kTerminals[] = {
    {"x-terminal-emulator", "-e"}, {"gnome-terminal", "--"}, {"konsole", "-e"},
    {"xfce4-terminal", "-x"},      {"mate-terminal", "-x"},  {"xterm", "-e"},
};

ProgramLaunch NotInstalled(const QString& missing) {
    ProgramLaunch launch;
    launch.missing = missing;
    return launch;
}

ProgramLaunch InTerminal(const QStringList& command, const QString& folder) {
    QStringList names;
    for (const Terminal& t : kTerminals) {
        names << QString::fromLatin1(t.name);
        const QString path = FindProgram(names.last());
        if (path.isEmpty()) continue;
        ProgramLaunch launch{path, QStringList{QString::fromLatin1(t.runOption)} + command, {}, {}};
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) launch.workingDirectory = folder;
        return launch;
    }
    return NotInstalled(QStringLiteral("No terminal emulator is installed (none of %1 was found).")
                            .arg(names.join(QLatin1String(", "))));
}

} // namespace

QString UserShell() {
    const QString shell = qEnvironmentVariable("SHELL");
    if (QDir::isAbsolutePath(shell) && QFileInfo(shell).isExecutable()) return shell;
    const QString bash = FindProgram(QStringLiteral("bash"));
    return bash.isEmpty() ? QStringLiteral("/bin/sh") : bash;
}

QString FindProgram(const QString& name, bool systemFolders) {
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty() && systemFolders)
        path = QStandardPaths::findExecutable(
            name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path;
}

QString CommandLineScript(const QString& command, const QString& shell) {
    // A plain POSIX shell's read needs a variable name.
    const QString name = QFileInfo(shell).fileName();
    const QString read = name == QLatin1String("sh") || name == QLatin1String("dash")
                             ? QStringLiteral("read _")
                             : QStringLiteral("read");
    // "; read" after nothing, after a trailing "&" or behind a comment would be a
    // syntax error or never run, and the window would vanish at once.
    const QString trimmed = command.trimmed();
    if (trimmed.isEmpty()) return read;
    if (command.contains(QLatin1Char('#')) || command.contains(QLatin1Char('\n')) ||
        (trimmed.endsWith(QLatin1Char('&')) && !trimmed.endsWith(QLatin1String("&&"))))
        return command + QLatin1Char('\n') + read;
    return command + QStringLiteral("; ") + read;
}

ProgramLaunch CommandLineLaunch(const QString& command, const QString& folder) {
    const QString shell = UserShell();
    return InTerminal({shell, QStringLiteral("-c"), CommandLineScript(command, shell)}, folder);
}

ProgramLaunch DefragLaunch(const QString& folder) {
    const QString defrag = FindProgram(QStringLiteral("e4defrag"), true);
    if (defrag.isEmpty())
        return NotInstalled(QStringLiteral("e4defrag is not installed (it comes with e2fsprogs)."));
    // The folder travels as an argument, never inside the script text.
    return InTerminal({QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                       QStringLiteral("\"$0\" -c \"$1\"; read _"), defrag, folder},
                      folder);
}

ProgramLaunch DiskCleanupLaunch() {
    const QString path = FindProgram(QStringLiteral("bleachbit"));
    if (path.isEmpty()) return NotInstalled(QStringLiteral("bleachbit is not installed."));
    return {path, {}, {}, {}};
}

ProgramLaunch SoftwareCentreLaunch() {
    for (const char* name : {"gnome-software", "plasma-discover"}) {
        const QString path = FindProgram(QString::fromLatin1(name));
        if (!path.isEmpty()) return {path, {}, {}, {}};
    }
    return NotInstalled(QStringLiteral("No software centre is installed (neither gnome-software "
                                       "nor plasma-discover was found)."));
}

bool StartProgram(const ProgramLaunch& launch) {
    return !launch.IsEmpty() && Starter()(launch);
}

ProgramStarter SetProgramStarter(ProgramStarter starter) {
    ProgramStarter old = std::move(Starter());
    Starter() = starter ? std::move(starter) : ProgramStarter(StartDetached);
    return old;
}
