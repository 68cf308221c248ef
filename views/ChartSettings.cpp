#include "views/ChartSettings.h"
#include "platform/Errors.h"
#include "settings/ColorFontGui.h"
#include "settings/IniStuff.h"

namespace {

const QString kSettings = QStringLiteral("Settings");

QColor ReadColor(const QString& ini, const QString& key, const QString& def) {
    TColor c = 0;
    if (!TryStringToColor(ReadIniString(ini, kSettings, key, def), c)) c = StringToColor(def);
    return ToQColor(c);
}

void ReadFont(const QString& ini, const QString& key, const QString& def, QFont& font,
              QColor& color) {
    TFontDesc desc;
    try {
        StrToFont(ReadIniString(ini, kSettings, key, def), desc);
    } catch (const EMorvaneError&) {
        desc = TFontDesc();
        StrToFont(def, desc);
    }
    font = ToQFont(desc);
    color = ToQColor(desc.color);
}

} // namespace

TChartSettings ReadChartSettings(const QString& ini) {
    TChartSettings s;
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
