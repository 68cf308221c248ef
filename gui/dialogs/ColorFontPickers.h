#pragma once
// Colour values and font descriptions as Qt draws them. System colours are
// looked up in the palette at the moment of drawing.
#include "core/settings/ColorHex.h"
#include "core/settings/FontText.h"
#include <QColor>
#include <QFont>
#include <QPalette>

// clNone gives an invalid QColor; a system colour its palette role's colour.
QColor ToQColor(ColorCode color, const QPalette& palette);
QColor ToQColor(ColorCode color); // with the application's palette
// A plain colour of the QColor's red, green and blue.
ColorCode FromQColor(const QColor& color);

QFont ToQFont(const FontDesc& font);
// Name, size and style of a QFont, with the given colour.
FontDesc FromQFont(const QFont& font, ColorCode color);
