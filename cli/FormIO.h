#pragma once
// What the headless forms share: the one-line error message, an option taken
// apart from its value, and the output written whole.
#include <QByteArray>
#include <QString>
#include <QStringList>

// "morvane: message" on standard error, on one line; returns status.
int FormFail(int status, const QString& message);

// args[i] is an option: its name and value apart, "--x=v" or, for an option in
// valued, "--x v" (i then moves to the value). Returns an empty text or the
// message.
QString SplitOption(const QStringList& args, qsizetype& i, const QStringList& valued, QString& name,
                    QString& value);

// Writes text whole to output (standard output when empty) under the
// interrupts' commit lock. Returns the exit status: 0 done, 1 not written
// (the message said).
int WriteFormOutput(const QString& output, const QByteArray& text);
