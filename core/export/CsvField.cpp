#include "core/export/CsvField.h"

namespace {

bool NeedsQuotes(const QString& field, QChar separator) {
    for (const QChar c : field) {
        if (c == separator || c == u',' || c == u'"' || c == u'\r' || c == u'\n') return true;
    }
    return false;
}

// A plain number with an optional sign: "-2", "+1.5", "1,5", "1E15".
bool IsNumber(const QString& field) {
    qsizetype i = 0;
    const qsizetype n = field.size();
    auto digits = [&] {
        const qsizetype from = i;
        while (i < n && field[i] >= u'0' && field[i] <= u'9')
            ++i;
        return i > from;
    };
    if (i < n && (field[i] == u'-' || field[i] == u'+')) ++i;
    if (!digits()) return false;
    if (i < n && (field[i] == u'.' || field[i] == u',')) {
        ++i;
        if (!digits()) return false;
    }
    if (i < n && (field[i] == u'E' || field[i] == u'e')) {
        ++i;
        if (i < n && (field[i] == u'-' || field[i] == u'+')) ++i;
        if (!digits()) return false;
    }
    return i == n;
}

// A spreadsheet opening the file takes a cell that begins with = + - @, a tab or
// a carriage return for a formula ("-2+3", "+HYPERLINK(...)"), and a file name
// can be crafted to be one: an apostrophe in front makes it read the cell as
// text. A number keeps its value.
QString DefusedFormula(const QString& field) {
    if (field.isEmpty()) return field;
    const QChar c = field.front();
    const bool starter =
        c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
    if (starter && !IsNumber(field)) return u'\'' + field;
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

void AppendFitted(QString& line, const QString& text, int width) {
    if (width <= 0) return;
    if (!HasSurrogates(text)) {
        const QStringView t(text);
        if (t.size() < width) {
            line += t;
        } else if (width < 6) {
            // Too narrow for the ellipsis form: keep what fits and end in a space.
            line += t.left(width - 1);
            line += u' ';
        } else {
            line += t.left(width - 6);
            line += QLatin1String("..");
            line += t.right(3);
            line += u' ';
        }
        return;
    }
    // Count code points so a character outside the BMP is never cut in half.
    const QList<uint> cps = text.toUcs4();
    const qsizetype len = cps.size();
    if (len < width) {
        line += text;
        return;
    }
    auto part = [&](qsizetype from, qsizetype n) {
        return QString::fromUcs4(reinterpret_cast<const char32_t*>(cps.constData()) + from, n);
    };
    if (width < 6)
        line += part(0, width - 1) + u' ';
    else
        line += part(0, width - 6) + QStringLiteral("..") + part(len - 3, 3) + u' ';
}

QString FitToWidth(const QString& text, int width) {
    QString out;
    AppendFitted(out, text, width);
    return out.isNull() && !text.isNull() && width > 0 ? text : out;
}
