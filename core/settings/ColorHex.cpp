#include "core/settings/ColorHex.h"
#include "core/settings/IntText.h"
#include "platform/Errors.h"
#include <iterator>

namespace {

constexpr ColorName kNames[] = {
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clActiveCaption", clActiveCaption},
    {"clInactiveCaption", clInactiveCaption},
    {"clMenu", clMenu},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clMenuText", clMenuText},
    {"clWindowText", clWindowText},
    {"clCaptionText", clCaptionText},
    {"clActiveBorder", clActiveBorder},
    {"clInactiveBorder", clInactiveBorder},
    {"clAppWorkSpace", clAppWorkSpace},
    {"clHighlight", clHighlight},
    {"clHighlightText", clHighlightText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clInactiveCaptionText", clInactiveCaptionText},
    {"clBtnHighlight", clBtnHighlight},
    {"cl3DDkShadow", cl3DDkShadow},
    {"cl3DLight", cl3DLight},
    {"clInfoText", clInfoText},
    {"clInfoBk", clInfoBk},
    {"clNone", clNone},
};

[[noreturn]] void ThrowNotInteger(const QString& text) {
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

int HexByte(const QString& text, int from) {
    int v = 0;
    const QString pair = text.mid(from, 2);
    // After "$" only hex digits are taken, so blanks and signs fail here.
    if (pair.size() != 2 || !TryStrToInt(QString(QLatin1Char('$') + pair), v))
        ThrowNotInteger(QLatin1Char('$') + pair);
    return v;
}

} // namespace

const ColorName* ColorNames(int& count) {
    count = int(std::size(kNames));
    return kNames;
}

QString ColorToString(ColorCode color) {
    for (const ColorName& n : kNames)
        if (n.value == color) return QLatin1String(n.name);
    return QStringLiteral("$%1").arg(color, 8, 16, QLatin1Char('0')).toUpper();
}

bool TryStringToColor(const QString& text, ColorCode& color) {
    for (const ColorName& n : kNames) {
        if (text.compare(QLatin1String(n.name), Qt::CaseInsensitive) == 0) {
            color = n.value;
            return true;
        }
    }
    int v = 0;
    if (!TryStrToInt(text, v)) return false;
    color = ColorCode(v);
    return true;
}

ColorCode StringToColor(const QString& text) {
    ColorCode c = 0;
    if (!TryStringToColor(text, c)) ThrowNotInteger(text);
    return c;
}

QString ColorToHex(ColorCode color) {
    return QStringLiteral("%1%2%3")
        .arg(RedOf(color), 2, 16, QLatin1Char('0'))
        .arg(GreenOf(color), 2, 16, QLatin1Char('0'))
        .arg(BlueOf(color), 2, 16, QLatin1Char('0'))
        .toUpper();
}

ColorCode HexToColor(const QString& text) {
    const int r = HexByte(text, 0);
    const int g = HexByte(text, 2);
    const int b = HexByte(text, 4);
    return RGBColor(r, g, b);
}
