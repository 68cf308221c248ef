#pragma once
// The program's icon, drawn rather than shipped so that every size is sharp:
// the window uses it, and the install step writes it into the hicolor theme.
#include <QImage>

QImage DrawAppIcon(int size);
