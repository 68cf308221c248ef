#pragma once
// The section "Settings": the values of the settings dialog, their defaults as
// each reader takes them, the factory reset and its order of writes.
#include "core/settings/ColorHex.h"
#include "core/settings/FontText.h"
#include <QString>
#include <cstdint>

inline const QString kSettingsSection = QStringLiteral("Settings");

inline constexpr int kHistoryMin = 10;
inline constexpr int kHistoryMax = 50;
inline constexpr int kDesignMax = 2;
// Digits the minimum-size box takes: 999999999 KB stays within an int.
inline constexpr int kMinFileSizeDigits = 9;

int ClampHistorySize(int n);
// A font text read whole; throws EConvertError.
FontDesc FontFromText(const QString& text);
int ClampDesign(int n);

// Default texts of the colour and font keys.
namespace SettingsDefault {
inline const QString ListColor = QStringLiteral("clSilver");
inline const QString GradientColor1 = QStringLiteral("clgreen");
inline const QString GradientColor2 = QStringLiteral("clnavy");
inline const QString LegendColor = QStringLiteral("clwhite");
inline const QString BarColor = QStringLiteral("clnavy");
inline const QString BarFontColor = QStringLiteral("clwhite");
inline const QString ListFont = QStringLiteral("\"Arial\", 9, [], [clWindowText]");
inline const QString ChartFont = QStringLiteral("\"MS Sans Serif\", 8, [Bold], [clYellow]");
inline const QString LegendFont = ListFont;
} // namespace SettingsDefault

// What the settings dialog shows and writes.
struct SettingsValues {
    ColorCode ListColor = 0;
    ColorCode GradientColor1 = 0;
    ColorCode GradientColor2 = 0;
    ColorCode LegendColor = 0;
    ColorCode BarColor = 0;
    ColorCode BarFontColor = 0;
    FontDesc ListFont, ChartFont, LegendFont;
    int ActivePage = 0;
    int BarStyle = 0;
    bool EnableZoom = false;
    bool ShowIcons = false;
    int HistorySize = 20;
    int FlatDesign = 0;
    QString MinFileSize = QStringLiteral("0");
};

// The factory values of "Reset all to default".
SettingsValues FactorySettings();
// Writes every key of the dialog in the reset's order.
void WriteAllSettings(const QString& iniFile, const SettingsValues& values);

// What the main window applies (ApplySettings), read from one open of the file.
struct WindowSettings {
    ColorCode BarColor = clNavy;
    ColorCode BarFontColor = clWhite;
    int MinFileSize = 0; // KB
    ColorCode GradientColor1 = clGreen;
    ColorCode GradientColor2 = clNavy;
    ColorCode LegendColor = clWhite;
    FontDesc ListFont;
    FontDesc ChartFont;
    FontDesc LegendFont;
    bool CircelPie = true;
    bool EnableZoom = true;
    bool ShowIcons = false;
    int HistorySize = 20;
    int FlatDesign = 0;
};

// Reads the window's settings. A colour or font text that does not convert
// keeps that key's built-in value; its message is added to errors (once per
// key) and the other keys are read as stored.
WindowSettings ReadWindowSettings(const QString& iniFile, QStringList* errors = nullptr);
