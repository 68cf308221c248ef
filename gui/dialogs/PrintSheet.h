#pragma once
// Printing of text lines and pictures: the plain print of the size list, the
// export dialog's print and its print preview.
#include <QPageLayout>
#include <QStringList>

class QPaintDevice;
class QPrinter;
class QWidget;

// The program's one printer: its choices (printer, orientation) last for the
// whole session, as with any desktop program.
QPrinter& AppPrinter();

// Shows the print dialog and prints the lines as on a text device: two lines of
// five blanks, then every line preceded by five blanks, in "Courier New" at
// fontSize points. False when the dialog was cancelled. Throws EMorvaneError
// when the printer cannot be opened.
bool PrintTextLines(const QStringList& lines, int fontSize, QWidget* parent = nullptr);

// The text device alone: writes the lines on printer pages as they stand.
void WriteTextPages(QPrinter& printer, const QStringList& lines, int fontSize);

// The preview component's page layout: one-inch margins, body font at the given
// size, "Page %d" at the bottom right in the footer font.
void PaintPreviewPages(QPrinter& printer, const QStringList& lines, const QString& fontName,
                       int fontSize);

// Shows the lines in a modal print preview zoomed to the page width.
void PreviewTextLines(const QStringList& lines, int fontSize, QPageLayout::Orientation orientation,
                      QWidget* parent = nullptr);

// Shows the print dialog and prints a widget's picture (a chart) scaled to the
// page. False when the dialog was cancelled.
bool PrintWidgetPicture(QWidget* widget, QWidget* parent = nullptr);

// The largest point size, at most fontSize, at which the widest line fits
// pageWidth device units; lines are measured without their trailing blanks.
qreal FittingPointSize(const QStringList& lines, const QString& fontName, qreal fontSize,
                       qreal pageWidth, QPaintDevice* device);
