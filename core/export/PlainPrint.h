#pragma once
// The text of the plain print of the size list: its item rows only, at the
// default widths.
#include "core/export/RowSource.h"
#include <QStringList>

// Fills lines with the rows built; false when a row could not be built (the
// lines built before it are kept).
bool SizeListPrintLines(const IRowSource& folderList, const QString& folder, QStringList& lines);
