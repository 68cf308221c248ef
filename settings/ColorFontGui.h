#pragma once
// Colour values and font descriptions as Qt draws them. System colours are
// looked up in the palette at the moment of drawing.
#include "settings/ColorHex.h"
#include "settings/FontToStr_StrToFontU.h"
#include <QColor>
#include <QFont>
#include <QPalette>

// clNone gives an invalid QColor; a system colour its palette role's colour.
QColor ToQColor(TColor color, const QPalette& palette);
QColor ToQColor(TColor color); // with the application's palette
// A plain colour of the QColor's red, green and blue.
TColor FromQColor(const QColor& color);

QFont ToQFont(const TFontDesc& font);
// Name, size and style of a QFont, with the given colour.
TFontDesc FromQFont(const QFont& font, TColor color);
