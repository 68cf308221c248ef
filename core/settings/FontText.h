#pragma once
// The one-line text form of a font: "Name", size, [Style|Style], [colour].
#include "core/settings/ColorHex.h"
#include <QString>

enum FontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font as the settings file keeps it; the GUI turns it into a QFont.
struct FontDesc {
    QString name = QStringLiteral("Arial");
    int size = 9; // points
    ColorCode color = clWindowText;
    unsigned style = 0; // FontStyle bits

    bool Has(FontStyle s) const { return (style & s) != 0; }
    bool operator==(const FontDesc&) const = default;
};

// "\"Arial\", 9, [], [clWindowText]"
QString FontToStr(const FontDesc& font);
// Reads a font text into font, in the order name, size, colour, style; a bad
// size or colour throws EConvertError and leaves the earlier steps applied.
void StrToFont(const QString& text, FontDesc& font);
