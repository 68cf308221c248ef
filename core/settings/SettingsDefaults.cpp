#include "core/settings/SettingsDefaults.h"
#include "core/settings/IniFile.h"
#include "core/settings/IniSnapshot.h"
#include "platform/Errors.h"
#include <QStringList>

int ClampHistorySize(int n) {
    return n < kHistoryMin ? kHistoryMin : (n > kHistoryMax ? kHistoryMax : n);
}
int ClampDesign(int n) {
    return n < 0 ? 0 : (n > kDesignMax ? kDesignMax : n);
}

FontDesc FontFromText(const QString& text) {
    FontDesc font;
    StrToFont(text, font);
    return font;
}

SettingsValues FactorySettings() {
    SettingsValues v;
    // A pale yellow.
    v.ListColor = v.LegendColor = v.BarFontColor = HexToColor(QStringLiteral("FFe088"));
    v.GradientColor1 = clMaroon;
    v.GradientColor2 = clNavy;
    v.BarColor = clNavy;
    v.ListFont = v.LegendFont = FontFromText(SettingsDefault::ListFont);
    v.ChartFont = FontFromText(SettingsDefault::ChartFont);
    v.ActivePage = 0;
    v.BarStyle = 0;
    v.EnableZoom = false;
    v.ShowIcons = false;
    v.FlatDesign = 1;
    v.HistorySize = 30;
    v.MinFileSize = QStringLiteral("0");
    return v;
}

void WriteAllSettings(const QString& f, const SettingsValues& v) {
    const QString& s = kSettingsSection;
    WriteIniBool(f, s, QStringLiteral("ShowIcons"), v.ShowIcons);
    WriteIniInteger(f, s, QStringLiteral("FlatDesign"), v.FlatDesign);
    WriteIniString(f, s, QStringLiteral("MinFileSize"), v.MinFileSize);
    WriteIniInteger(f, s, QStringLiteral("BarStyle"), v.BarStyle);
    WriteIniInteger(f, s, QStringLiteral("ActivePage"), v.ActivePage);
    WriteIniBool(f, s, QStringLiteral("EnableZoom"), v.EnableZoom);
    WriteIniInteger(f, s, QStringLiteral("HistorySize"), v.HistorySize);
    WriteIniInteger(f, s, QStringLiteral("FlatDesign"), v.FlatDesign);
    WriteIniString(f, s, QStringLiteral("LegendColor"), ColorToString(v.LegendColor));
    WriteIniString(f, s, QStringLiteral("BarFontColor"), ColorToString(v.BarFontColor));
    WriteIniString(f, s, QStringLiteral("BarColor"), ColorToString(v.BarColor));
    WriteIniString(f, s, QStringLiteral("LegendFont"), FontToStr(v.LegendFont));
    WriteIniString(f, s, QStringLiteral("GradientColor2"), ColorToString(v.GradientColor2));
    WriteIniString(f, s, QStringLiteral("GradientColor1"), ColorToString(v.GradientColor1));
    WriteIniString(f, s, QStringLiteral("ListColor"), ColorToString(v.ListColor));
    WriteIniString(f, s, QStringLiteral("ChartFont"), FontToStr(v.ChartFont));
    WriteIniString(f, s, QStringLiteral("ListFont"), FontToStr(v.ListFont));
}

WindowSettings ReadWindowSettings(const QString& f, QStringList* errors) {
    WindowSettings w;
    const QString& s = kSettingsSection;
    const IniSnapshot ini(f); // one read of the file for every key
    // A text that does not convert leaves that key at its built-in value.
    auto color = [&](const QString& key, const QString& def, ColorCode& out) {
        try {
            out = StringToColor(ini.ReadString(s, key, def));
        } catch (const EConvertError& e) {
            if (errors) errors->append(e.message());
        }
    };
    auto font = [&](const QString& key, const QString& def, FontDesc& out) {
        try {
            out = FontFromText(def);
            const FontDesc stored = FontFromText(ini.ReadString(s, key, def));
            out = stored;
        } catch (const EConvertError& e) {
            if (errors) errors->append(e.message());
        }
    };
    color(QStringLiteral("BarColor"), SettingsDefault::BarColor, w.BarColor);
    color(QStringLiteral("BarFontColor"), SettingsDefault::BarFontColor, w.BarFontColor);
    w.MinFileSize = std::max(0, ini.ReadInteger(s, QStringLiteral("MinFileSize"), 0));
    color(QStringLiteral("GradientColor1"), SettingsDefault::GradientColor1, w.GradientColor1);
    color(QStringLiteral("GradientColor2"), SettingsDefault::GradientColor2, w.GradientColor2);
    color(QStringLiteral("LegendColor"), SettingsDefault::LegendColor, w.LegendColor);
    font(QStringLiteral("ListFont"), SettingsDefault::ListFont, w.ListFont);
    font(QStringLiteral("ChartFont"), SettingsDefault::ChartFont, w.ChartFont);
    font(QStringLiteral("LegendFont"), SettingsDefault::LegendFont, w.LegendFont);
    w.CircelPie = ini.ReadBool(s, QStringLiteral("CircelPie"), true);
    w.EnableZoom = ini.ReadBool(s, QStringLiteral("EnableZoom"), true);
    w.ShowIcons = ini.ReadBool(s, QStringLiteral("ShowIcons"), false);
    w.HistorySize = ClampHistorySize(ini.ReadInteger(s, QStringLiteral("HistorySize"), 20));
    w.FlatDesign = ini.ReadInteger(s, QStringLiteral("FlatDesign"), 0);
    return w;
}
