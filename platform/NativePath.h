#pragma once
// Paths travel through the program as QString, but a Linux file name is bytes
// and need not be valid UTF-8. To act on such a name, each byte of a sequence
// that is not UTF-8 is kept as the lone surrogate U+DC80 + byte; NativePath
// gives the file system's bytes back exactly. Valid UTF-8 gives the same text
// as QFile::decodeName.
//
// Rules for the rest of the program:
// - a path handed to a system call goes through NativePath(), never through
//   QFile::encodeName, QFile or QFileInfo's file-system calls;
// - a name read from the file system comes in through PathFromNative();
// - a path or name shown to the user, or written into a report, goes through
//   DisplayPath(), which shows each kept byte as U+FFFD; that text is for
//   reading only and does not name the file any more.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QUrl>

QString PathFromNative(const char* bytes, qsizetype length);
inline QString PathFromNative(const QByteArray& bytes) {
    return PathFromNative(bytes.constData(), bytes.size());
}
QByteArray NativePath(const QString& path);

// True when path holds a kept byte (a name that is not valid UTF-8).
bool HasRawBytes(const QString& path);
QString DisplayPath(const QString& path);

// The file: URL of path, percent-encoded from its bytes.
QUrl FileUrl(const QString& path);
// The path of a local file: URL by its bytes (FileUrl's reverse); empty for
// another kind of URL.
QString PathFromUrl(const QUrl& url);

// An existing folder (a link to one counts), by its real bytes.
bool IsExistingFolder(const QString& path);
// Names in folder (without "." and ".."), read as bytes; empty when it cannot be read.
QStringList EntryNames(const QString& folder);
// Creates path and its missing parents; true when it is a folder afterwards.
bool MakeFolders(const QString& path);

// path made absolute against the working folder and cleaned, by text alone: the
// bytes of a name that is not UTF-8 stay as they are.
QString AbsolutePath(const QString& path);
// The folder holding path, absolute ("/" for a name in the root).
QString FolderOf(const QString& path);
// $TMPDIR by its bytes, else /tmp.
QString TempFolder();
// Opens path for reading by its bytes; false with the system's message in error.
bool OpenForReading(QFile& file, const QString& path, QString* error);
