#pragma once
// The one-line text form of a font: "Name", size, [Style|Style], [colour].
#include "settings/ColorHex.h"
#include <QString>

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font as the settings file keeps it; the GUI turns it into a QFont.
struct TFontDesc {
    QString name = QStringLiteral("Arial");
    int size = 9; // points
    TColor color = clWindowText;
    unsigned style = 0; // TFontStyle bits

    bool has(TFontStyle s) const { return (style & s) != 0; }
    bool operator==(const TFontDesc&) const = default;
};

// "\"Arial\", 9, [], [clWindowText]"
QString FontToStr(const TFontDesc& font);
// Reads a font text into font, in the order name, size, colour, style; a bad
// size or colour throws EConvertError and leaves the earlier steps applied.
void StrToFont(const QString& text, TFontDesc& font);
