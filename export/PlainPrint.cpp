#include "export/PlainPrint.h"
#include "export/ExportListU.h"

bool SizeListPrintLines(const IRowSource& folderList, const QString& folder, QStringList& lines) {
    TExportList ex; // every flag off: no header, folder, column header or summary row
    ex.SourceList = &folderList;
    ex.SetExportFolder(folder);
    const bool ok = ex.MakeText(false);
    lines = ex.ExportLines;
    return ok;
}
