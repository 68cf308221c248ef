#pragma once
// The colour and font texts of the settings file as the dialogs use them.
#include <QString>
#include <cstdint>

// Colour text ("clNavy", "$0088E0FF") to colour value; throws EConvertError.
std::uint32_t ColorFromText(const QString& text);
QString ColorText(std::uint32_t color);

// A font as the settings file describes it.
struct TFontSpec {
    QString name = QStringLiteral("Arial");
    int size = 9;
    std::uint32_t color = 0x80000008; // clWindowText
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
};

// Font text ("\"Arial\", 9, [], [clWindowText]") to font; throws EConvertError.
TFontSpec FontFromText(const QString& text);
QString FontText(const TFontSpec& font);
