#pragma once
// The result file (".MVX"): the three FolderRow lists of an analysis (full paths,
// MB texts, KB texts). Three sections, each an int32 count minus one (-1 when
// empty) followed by that many items of int32 byte length + UTF-8 bytes (a
// path keeps the bytes of a name that is not UTF-8); all integers
// little-endian, no header.
#include <QString>
#include <QStringList>

// Writes the file whole (temporary file, then rename); a failed save leaves any
// earlier file untouched. Throws EMorvaneError with a message naming the file.
void SaveResultFile(const QStringList& paths, const QStringList& mbTexts,
                    const QStringList& kbTexts, const QString& fileName);

// Reads the file; the three lists are replaced only when the whole file is good.
// A file that cannot be read or is not a result file throws EMorvaneError naming
// the file and leaves the lists unchanged.
void LoadResultFile(QStringList& paths, QStringList& mbTexts, QStringList& kbTexts,
                    const QString& fileName);

// The bytes of a result file, and their reading (for tests and the report).
QByteArray ResultFileBytes(const QStringList& paths, const QStringList& mbTexts,
                           const QStringList& kbTexts);
// Returns an empty text when bytes are a good result file, else what is wrong.
QString ParseResultFile(const QByteArray& bytes, QStringList& paths, QStringList& mbTexts,
                        QStringList& kbTexts);
