#include "gui/charts/ChartSettings.h"
#include "core/settings/IniFile.h"
#include "gui/dialogs/ColorFontPickers.h"
#include "platform/Errors.h"

namespace {

const QString kSettings = QStringLiteral("Settings");

QColor ReadColor(const QString& ini, const QString& key, const QString& def) {
    ColorCode c = 0;
    if (!TryStringToColor(ReadIniString(ini, kSettings, key, def), c)) c = StringToColor(def);
    return ToQColor(c);
}

void ReadFont(const QString& ini, const QString& key, const QString& def, QFont& font,
              QColor& color) {
    FontDesc desc;
    try {
        StrToFont(ReadIniString(ini, kSettings, key, def), desc);
    } catch (const EMorvaneError&) {
        desc = FontDesc();
        StrToFont(def, desc);
    }
    font = ToQFont(desc);
    color = ToQColor(desc.color);
}

} // namespace

ChartSettings ReadChartSettings(const QString& ini) {
    ChartSettings s;
    s.look.gradientBottom =
        ReadColor(ini, QStringLiteral("GradientColor1"), QStringLiteral("clgreen"));
    s.look.gradientTop = ReadColor(ini, QStringLiteral("GradientColor2"), QStringLiteral("clnavy"));
    s.look.legendColor = ReadColor(ini, QStringLiteral("LegendColor"), QStringLiteral("clwhite"));
    ReadFont(ini, QStringLiteral("ChartFont"),
             QStringLiteral("\"MS Sans Serif\", 8, [Bold], [clYellow]"), s.look.titleFont,
             s.look.titleColor);
    ReadFont(ini, QStringLiteral("LegendFont"), QStringLiteral("\"Arial\", 9, [], [clWindowText]"),
             s.look.legendFont, s.look.legendFontColor);
    s.enableZoom = ReadIniBool(ini, kSettings, QStringLiteral("EnableZoom"), true);
    s.circelPie = ReadIniBool(ini, kSettings, QStringLiteral("CircelPie"), true);
    return s;
}
