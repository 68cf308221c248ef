#include "core/engine/FileFilter.h"

QStringList ParseFilterText(const QString& text) {
    QStringList entries;
    QString t = text;
    t.remove(QLatin1Char(' '));
    if (t.isEmpty()) return entries;
    if (t.startsWith(QLatin1Char(';'))) t.remove(0, 1);
    if (!t.endsWith(QLatin1Char(';'))) t += QLatin1Char(';');
    QString current;
    for (const QChar c : t) {
        if (c == QLatin1Char(';')) {
            entries << current;
            current.clear();
        } else {
            current += c;
        }
    }
    return entries;
}

QString PathExtension(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (dot < 0 || dot < slash) return {};
    return path.mid(dot);
}

QString ExtCellText(const QString& path) {
    return PathExtension(path).mid(1, 4);
}

QString AsciiUpper(const QString& text) {
    QString r = text;
    for (QChar& c : r)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return r;
}

bool MatchesFilter(const QString& path, const QString& filterText, const QStringList& entries) {
    if (filterText == QLatin1String("*")) return true;
    const QString ext = AsciiUpper(PathExtension(path));
    for (const QString& e : entries)
        if (ext == AsciiUpper(QLatin1Char('.') + e)) return true;
    return false;
}

FileFilter::FileFilter(const QString& text, bool invert)
    : text_(text), entries_(ParseFilterText(text)), all_(text == QLatin1String("*")),
      invert_(invert) {
    for (const QString& e : entries_)
        upperDotted_ << AsciiUpper(QLatin1Char('.') + e);
}

bool FileFilter::Accepts(const QString& path) const {
    bool m = all_;
    if (!m) {
        const QString ext = AsciiUpper(PathExtension(path));
        m = upperDotted_.contains(ext);
    }
    return m != invert_;
}
