#pragma once
// One row of export fields as one CSV line (no line terminator), and the
// shortening of a text to a fixed column width.
#include <QString>
#include <QStringList>

// Every field is followed by the separator, the last one too. A field holding
// the separator, a comma, a double quote, CR or LF is enclosed in double quotes
// with its own double quotes doubled. A field beginning with = + - @, a tab or a
// carriage return that is not a number gets a leading apostrophe so that a
// spreadsheet reads it as text, not as a formula.
QString ListToCSVLine(const QStringList& fields);       // separator ","
QString ListToSemikoCSVLine(const QStringList& fields); // separator ";"

// A text at least width characters long becomes its first width - 6
// characters, "..", its last three characters and a space: exactly width
// characters. A shorter text is returned unchanged. Characters are code points.
QString FitToWidth(const QString& text, int width);
// FitToWidth(text, width) appended to line.
void AppendFitted(QString& line, const QString& text, int width);
