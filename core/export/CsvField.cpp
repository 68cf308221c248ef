#include "core/export/CsvField.h"

namespace {

bool NeedsQuotes(const QString& field, QChar separator) {
    for (const QChar c : field) {
        if (c == separator || c == u',' || c == u'"' || c == u'\r' || c == u'\n') return true;
    }
    return false;
}

// A spreadsheet opening the file takes a cell that begins with '=' or '@' for a
// formula, and a file name can be crafted to be one: an apostrophe in front
// makes it read the cell as text.
QString DefusedFormula(const QString& field) {
    if (field.startsWith(u'=') || field.startsWith(u'@')) return u'\'' + field;
    return field;
}

QString EncodeLine(const QStringList& fields, QChar separator) {
    QString line;
    for (const QString& raw : fields) {
        const QString field = DefusedFormula(raw);
        if (NeedsQuotes(field, separator)) {
            line += u'"';
            for (const QChar c : field) {
                if (c == u'"') line += u'"';
                line += c;
            }
            line += u'"';
        } else {
            line += field;
        }
        line += separator;
    }
    return line;
}

bool HasSurrogates(const QString& text) {
    for (const QChar c : text)
        if (c.isSurrogate()) return true;
    return false;
}

} // namespace

QString ListToCSVLine(const QStringList& fields) {
    return EncodeLine(fields, u',');
}

QString ListToSemikoCSVLine(const QStringList& fields) {
    return EncodeLine(fields, u';');
}

QString FitToWidth(const QString& text, int width) {
    if (width <= 0) return QString();
    if (!HasSurrogates(text)) {
        const qsizetype len = text.size();
        if (len < width) return text;
        // Too narrow for the ellipsis form: keep what fits and end in a space.
        if (width < 6) return text.left(width - 1) + u' ';
        return text.left(width - 6) + QStringLiteral("..") + text.right(3) + u' ';
    }
    // Count code points so a character outside the BMP is never cut in half.
    const QList<uint> cps = text.toUcs4();
    const qsizetype len = cps.size();
    if (len < width) return text;
    auto part = [&](qsizetype from, qsizetype n) {
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(cps.constData()) + from, n);
    };
    if (width < 6) return part(0, width - 1) + u' ';
    return part(0, width - 6) + QStringLiteral("..") + part(len - 3, 3) + u' ';
}
