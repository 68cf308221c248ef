#include "core/export/PlainPrint.h"
#include "core/export/ExportWriter.h"

bool SizeListPrintLines(const IRowSource& folderList, const QString& folder, QStringList& lines) {
    ExportWriter ex; // every flag off: no header, folder, column header or summary row
    ex.SourceList = &folderList;
    ex.SetExportFolder(folder);
    const bool ok = ex.MakeText(false);
    lines = ex.ExportLines;
    return ok;
}
