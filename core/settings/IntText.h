#pragma once
// Integer texts as the settings file and the colour texts hold them.
#include <QString>

// Decimal with an optional sign, or "$", "0x" or "0X" followed by up to eight
// hexadecimal digits (taken as a 32-bit pattern, so "$FFFFFFFF" is -1).
// Leading blanks are allowed, nothing may follow the number.
bool TryStrToInt(QStringView text, int& value);

// The same; throws EConvertError "'<text>' is not a valid integer value".
int StrToInt(const QString& text);
