#pragma once
// The treemap forms of the report: --format treemap-png or treemap-svg draws
// the picture of FOLDER (or of a snapshot's folder) without a window.
#include "cli/Report.h"
#include <QByteArray>

// "1920x1080" into the options; an empty text or the message.
QString ParseTreemapSize(const QString& text, ReportOptions& o);

struct TreemapReportFile {
    QByteArray bytes;
    int status = 0; // with error: 2 bad input
    QString error;
};
// Analyses or reads what the options name and returns the file's contents.
TreemapReportFile MakeTreemapReportFile(const ReportOptions& o);
