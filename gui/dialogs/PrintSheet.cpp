#include "gui/dialogs/PrintSheet.h"
#include "gui/dialogs/ModalHook.h"
#include "platform/Errors.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QStandardPaths>
#include <memory>

namespace {
const QString kTextFont = QStringLiteral("Courier New");
const QString kIndent = QStringLiteral("     ");

std::unique_ptr<QPrinter>& PrinterSlot() {
    static std::unique_ptr<QPrinter> printer;
    return printer;
}

QFont MonoFont(const QString& name, qreal pointSize) {
    QFont font(name);
    // Courier New is rarely installed here; keep the fallback fixed-pitch.
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
}

// Header and footer fonts of the preview, given as character heights in pixels.
QFont PixelFont(const QString& name, int pixels, bool bold, bool italic) {
    QFont font(name);
    font.setStyleHint(QFont::Serif);
    font.setPointSizeF(pixels * 72.0 / 96.0);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void BeginOrThrow(QPainter& painter, QPrinter& printer) {
    if (!painter.begin(&printer))
        throw EMorvaneError(
            QStringLiteral("The printer could not be opened. Nothing was printed."));
}

bool AskPrinter(QPrinter& printer, QWidget* parent) {
    // With no printer installed the dialog prints to a PDF file; offer one.
    if (printer.outputFormat() == QPrinter::PdfFormat && printer.outputFileName().isEmpty()) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
        printer.setOutputFileName(QDir(folder).filePath(QStringLiteral("Morvane.pdf")));
    }
    printer.setDocName(QStringLiteral("Morvane"));
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return ExecModal(dialog) == QDialog::Accepted;
}
} // namespace

QPrinter& AppPrinter() {
    auto& slot = PrinterSlot();
    if (!slot) {
        slot = std::make_unique<QPrinter>(QPrinter::HighResolution);
        // The printer must go before the application does.
        qAddPostRoutine([] { PrinterSlot().reset(); });
    }
    return *slot;
}

qreal FittingPointSize(const QStringList& lines, const QString& fontName, qreal fontSize,
                       qreal pageWidth, QPaintDevice* device) {
    auto widest = [&](qreal size) {
        QFontMetricsF metrics(MonoFont(fontName, size), device);
        qreal w = 0;
        for (const QString& line : lines) {
            qsizetype n = line.size();
            while (n > 0 && line.at(n - 1) == QLatin1Char(' '))
                --n;
            w = std::max(w, metrics.horizontalAdvance(line.left(n)));
        }
        return w;
    };
    qreal size = fontSize;
    const qreal w = widest(size);
    if (w <= pageWidth || w <= 0) return size;
    // A line cut off at the paper's edge loses data; shrink the font instead.
    size = std::floor(fontSize * pageWidth / w * 4) / 4;
    while (size > 1 && widest(size) > pageWidth)
        size -= 0.25;
    return std::max<qreal>(size, 1);
}

void WriteTextPages(QPrinter& printer, const QStringList& lines, int fontSize) {
    QPainter painter;
    BeginOrThrow(painter, printer);
    const QRectF page(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    const qreal size = FittingPointSize(lines, kTextFont, fontSize, page.width(), &printer);
    const QFont font = MonoFont(kTextFont, size);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    qreal y = metrics.ascent();
    for (const QString& line : lines) {
        if (y + metrics.descent() > page.height() && y > metrics.ascent()) {
            printer.newPage();
            y = metrics.ascent();
        }
        painter.drawText(QPointF(0, y), line);
        y += metrics.lineSpacing();
    }
    painter.end();
}

bool PrintTextLines(const QStringList& lines, int fontSize, QWidget* parent) {
    QPrinter& printer = AppPrinter();
    if (!AskPrinter(printer, parent)) return false;
    QStringList device{kIndent, kIndent};
    device.reserve(lines.size() + 2);
    for (const QString& line : lines)
        device << kIndent + line;
    WriteTextPages(printer, device, fontSize);
    return true;
}

void PaintPreviewPages(QPrinter& printer, const QStringList& lines, const QString& fontName,
                       int fontSize) {
    printer.setFullPage(true);
    QPainter painter;
    BeginOrThrow(painter, printer);
    const qreal inch = printer.resolution();
    const QRectF paper(QPointF(0, 0), printer.paperRect(QPrinter::DevicePixel).size());
    const QRectF body = paper.adjusted(inch, inch, -inch, -inch);
    const qreal size = FittingPointSize(lines, fontName, fontSize, body.width(), &printer);
    const QFont bodyFont = MonoFont(fontName, size);
    const QFont footerFont =
        PixelFont(QStringLiteral("Times New Roman"), 13, /*bold=*/false, /*italic=*/true);
    const QFontMetricsF metrics(bodyFont, &printer);
    const QFontMetricsF footerMetrics(footerFont, &printer);
    const int perPage = std::max(1, int(body.height() / metrics.lineSpacing()));
    const qsizetype total = lines.size();
    const qsizetype pages = std::max<qsizetype>(1, (total + perPage - 1) / perPage);
    for (qsizetype page = 0; page < pages; ++page) {
        if (page > 0) printer.newPage();
        painter.setFont(bodyFont);
        qreal y = body.top() + metrics.ascent();
        for (qsizetype i = page * perPage; i < std::min(total, (page + 1) * perPage); ++i) {
            painter.drawText(QPointF(body.left(), y), lines.at(i));
            y += metrics.lineSpacing();
        }
        // The page number sits on the footer line, 0.75 inch above the paper's edge.
        painter.setFont(footerFont);
        const QString number = QStringLiteral("Page %1").arg(page + 1);
        const qreal x = body.right() - footerMetrics.horizontalAdvance(number);
        painter.drawText(QPointF(x, paper.bottom() - 0.75 * inch), number);
    }
    painter.end();
}

void PreviewTextLines(const QStringList& lines, int fontSize, QPageLayout::Orientation orientation,
                      QWidget* parent) {
    QPrinter& printer = AppPrinter();
    printer.setPageOrientation(orientation);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&lines, fontSize](QPrinter* target) {
                         PaintPreviewPages(*target, lines, kTextFont, fontSize);
                     });
    if (auto* view = dialog.findChild<QPrintPreviewWidget*>()) view->fitToWidth();
    ExecModal(dialog);
    // Later plain prints use the printable area again.
    printer.setFullPage(false);
}

bool PrintWidgetPicture(QWidget* widget, QWidget* parent) {
    if (!widget) return false;
    QPrinter& printer = AppPrinter();
    if (!AskPrinter(printer, parent)) return false;
    QPainter painter;
    BeginOrThrow(painter, printer);
    const QSizeF page = printer.pageRect(QPrinter::DevicePixel).size();
    const QSizeF size = widget->size();
    if (size.width() > 0 && size.height() > 0) {
        const qreal scale = std::min(page.width() / size.width(), page.height() / size.height());
        painter.scale(scale, scale);
        widget->render(&painter, QPoint(0, 0), QRegion(), QWidget::DrawChildren);
    }
    painter.end();
    return true;
}
