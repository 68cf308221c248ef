#pragma once
// What the file list tells about one file: access date, attributes, type name
// and version block.
#include <QDate>
#include <QString>
#include <QStringList>

// The day of the last access in local time; 29 December 1899 (the date value
// -1) when the file cannot be found.
QDate LastAccessDate(const QString& path);

// LastAccessDate for many files, read folder by folder: each folder is opened
// once and its files are asked relative to it, which spares the kernel the
// walk down the whole path for every file. Same answers as LastAccessDate.
class AccessDateReader {
public:
    AccessDateReader() = default;
    ~AccessDateReader();
    AccessDateReader(const AccessDateReader&) = delete;
    AccessDateReader& operator=(const AccessDateReader&) = delete;
    // folder ends in '/'.
    QDate Of(const QString& folder, const QString& name);

private:
    QString folder_;
    int fd_ = -1;
};

// The attribute bits of a path (directory 16, hidden 2, read-only 1, system 4,
// archive 32), read without following a symbolic link; -1 when it cannot be read.
int FileAttributes(const QString& path);

// One line per attribute, each begun by CR: "\rArchive ", "\rHidden ",
// "\rWrite Protected ", "\rSystem "; empty when the attributes cannot be read.
QString FileAttributeText(const QString& path);

// The type's description, e.g. "plain text document"; at most 80 characters.
QString FileTypeName(const QString& path);

// The version block as "Label<pad> = value" lines, sorted without regard to
// case, or the one line "No FileVersionInfo found". False when reading failed.
bool FileVersionLines(const QString& path, QStringList& lines);

// text cut to n characters, or filled up to n with filler, at the end or in front.
QString PadText(const QString& text, const QString& filler, int n, bool atEnd);
