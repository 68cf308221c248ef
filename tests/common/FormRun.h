#pragma once
// A program run to its end: exit status (-1 when it crashed or hung) and what
// it wrote; Morvane runs the headless program of this build.
#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

struct FormRun {
    int status = -1;
    QByteArray out, err;
};

inline FormRun RunProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

#ifdef MORVANE_BINARY
inline FormRun Morvane(const QStringList& args) {
    return RunProgram(QStringLiteral(MORVANE_BINARY), args);
}
#endif
