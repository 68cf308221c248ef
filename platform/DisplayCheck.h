#pragma once
// Whether a window can open at all, asked before the GUI library would abort.
#include <QString>

// Empty when the platform Qt will use has a display that answers; else why
// not, in one line.
QString MissingDisplay();
