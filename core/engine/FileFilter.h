#pragma once
// The extension filter of the file list, shared with the headless report.
#include <QString>
#include <QStringList>

// The entries of a filter text such as "exe;txt;": spaces removed, split at
// ";", one leading ";" dropped; "exe;;txt" keeps its empty middle entry.
QStringList ParseFilterText(const QString& text);

// The extension of a path with its dot: from the last "." after the last "/";
// empty when there is none.
QString PathExtension(const QString& path);

// The "Ext" cell: the extension without its dot, at most four characters.
QString ExtCellText(const QString& path);

// True when filterText is exactly "*", or when the path's extension equals
// "." + one of the entries, ignoring ASCII letter case.
bool MatchesFilter(const QString& path, const QString& filterText, const QStringList& entries);

// ASCII-only upper case (a to z), as the filter and the search compare.
QString AsciiUpper(const QString& text);

// The filter applied to a whole list, with the invert option; one parse.
class FileFilter {
public:
    FileFilter(const QString& text, bool invert);
    bool Accepts(const QString& path) const;
    // Every path is matched (Accepts then does not look at the path).
    bool MatchesAll() const { return all_; }
    const QStringList& Entries() const { return entries_; }

private:
    QString text_;
    QStringList entries_;
    QStringList upperDotted_;
    bool all_;
    bool invert_;
};
