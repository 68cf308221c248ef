#include "core/settings/FontText.h"
#include "core/settings/IntText.h"

namespace {
// Copy with 1-based positions; a start or count outside the text shortens it.
QString Copy(const QString& s, qsizetype from, qsizetype count) {
    if (count <= 0 || from > s.size()) return {};
    if (from < 1) from = 1;
    return s.mid(from - 1, count);
}
// 1-based position of the first comma, 0 when there is none.
qsizetype CommaPos(const QString& s) {
    return s.indexOf(QLatin1Char(',')) + 1;
}
} // namespace

QString FontToStr(const FontDesc& font) {
    QString style;
    if (font.Has(fsBold)) style += QStringLiteral("|Bold");
    if (font.Has(fsItalic)) style += QStringLiteral("|Italic");
    if (font.Has(fsUnderline)) style += QStringLiteral("|Underline");
    if (font.Has(fsStrikeOut)) style += QStringLiteral("|Strikeout");
    if (style.startsWith(QLatin1Char('|'))) style.remove(0, 1);
    return QStringLiteral("\"%1\", %2, [%3], [%4]")
        .arg(font.name, QString::number(font.size), style, ColorToString(font.color));
}

void StrToFont(const QString& text, FontDesc& font) {
    QString s = text;
    const qsizetype p1 = CommaPos(s);
    font.name = Copy(s, 2, p1 - 3);
    s.remove(0, p1);

    const qsizetype p2 = CommaPos(s);
    font.size = StrToInt(Copy(s, 2, p2 - 2));
    s.remove(0, p2);

    const qsizetype p3 = CommaPos(s);
    const QString styleText = Copy(s, 3, p3 - 4);
    s.remove(0, p3);

    font.color = StringToColor(Copy(s, 3, s.size() - 3));

    const QString styles = QLatin1Char('|') + styleText;
    font.style = 0;
    if (styles.contains(QStringLiteral("|Bold"))) font.style |= fsBold;
    if (styles.contains(QStringLiteral("|Italic"))) font.style |= fsItalic;
    if (styles.contains(QStringLiteral("|Underline"))) font.style |= fsUnderline;
    if (styles.contains(QStringLiteral("|Strikeout"))) font.style |= fsStrikeOut;
}
