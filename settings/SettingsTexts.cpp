// Interim colour texts until the shared colour unit lands.
#include "settings/SettingsTexts.h"
#include "platform/Errors.h"
#include <array>
#include <utility>

namespace {
const std::array<std::pair<const char*, std::uint32_t>, 16> kNames{{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
}};
}

std::uint32_t ColorFromText(const QString& text) {
    for (const auto& [name, value] : kNames)
        if (text.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return value;
    bool ok = false;
    qint64 v = text.startsWith('$') ? text.mid(1).toLongLong(&ok, 16) : text.toLongLong(&ok, 10);
    if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return std::uint32_t(v);
}

QString ColorText(std::uint32_t color) {
    for (const auto& [name, value] : kNames)
        if (value == color) return QLatin1String(name);
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

TFontSpec FontFromText(const QString& text) {
    TFontSpec f;
    QString s = text;
    auto cut = [&s] {
        const qsizetype p = s.indexOf(QLatin1Char(','));
        if (p < 0) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
        return p + 1; // 1-based position
    };
    qsizetype p = cut();
    f.name = s.mid(1, p - 3);
    s.remove(0, p);
    p = cut();
    bool ok = false;
    const QString sizeText = s.mid(1, p - 2);
    f.size = sizeText.toInt(&ok);
    if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(sizeText));
    s.remove(0, p);
    p = cut();
    const QString style = QLatin1Char('|') + s.mid(2, p - 4);
    s.remove(0, p);
    f.color = ColorFromText(s.mid(2, s.size() - 3));
    f.bold = style.contains(QLatin1String("|Bold"));
    f.italic = style.contains(QLatin1String("|Italic"));
    f.underline = style.contains(QLatin1String("|Underline"));
    f.strikeout = style.contains(QLatin1String("|Strikeout"));
    return f;
}

QString FontText(const TFontSpec& f) {
    QString style;
    if (f.bold) style += QLatin1String("|Bold");
    if (f.italic) style += QLatin1String("|Italic");
    if (f.underline) style += QLatin1String("|Underline");
    if (f.strikeout) style += QLatin1String("|Strikeout");
    if (style.startsWith(QLatin1Char('|'))) style.remove(0, 1);
    return QStringLiteral("\"%1\", %2, [%3], [%4]")
        .arg(f.name)
        .arg(f.size)
        .arg(style, ColorText(f.color));
}
