#include "gui/window/ButtonImages.h"
#include "core/settings/IniFile.h"
#include "gui/commands/CommandTable.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ModalHook.h"
#include "gui/session/AnalysisSession.h"
#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>

namespace {
constexpr int kImageSize = 16;
const QString kSection = QStringLiteral("Toolbar Images");
const QString kKey = QStringLiteral("Current");
// The key colour of the strips we draw: a colour no icon uses.
const QColor kKeyColor(255, 0, 255);

// Where the shipped strips are: beside the program in a build, in its data
// folder when installed.
QString StripFolder() {
    const QString here = QCoreApplication::applicationDirPath();
    const QString shared = here + QStringLiteral("/../share/morvane");
    return QFileInfo::exists(here + QStringLiteral("/alt1.bmp")) || !QFileInfo::exists(shared)
               ? here
               : QDir::cleanPath(shared);
}

QString NotLoaded(const QString& file) {
    return QStringLiteral("The button images %1 could not be loaded.")
        .arg(QDir::toNativeSeparators(file));
}

ImageList Load(const QString& file, const ImageList& builtIn) {
    const ImageList images = SplitStrip(QImage(file));
    if (images.isEmpty()) return {};
    // Positions a short strip does not reach keep their built-in image.
    ImageList merged = images;
    for (qsizetype i = merged.size(); i < builtIn.size(); ++i)
        merged << builtIn[i];
    return merged;
}

// The full-colour icon of that name, as the desktop's older theme drew it.
QImage ColourIcon(const QString& name) {
    for (const char* size : {"16x16", "24x24", "32x32", "48x48"}) {
        const QString file = QStringLiteral("/usr/share/icons/Adwaita/%1/legacy/%2.png")
                                 .arg(QLatin1String(size), name);
        const QImage img(file);
        if (!img.isNull())
            return img.scaled(kImageSize, kImageSize, Qt::KeepAspectRatio,
                              Qt::SmoothTransformation);
    }
    return ThemeIcon(name).pixmap(kImageSize, kImageSize).toImage();
}
} // namespace

ImageList SplitStrip(const QImage& strip) {
    ImageList list;
    if (strip.isNull() || strip.width() < kImageSize) return list;
    QImage argb = strip.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = argb.pixel(0, 0);
    for (int y = 0; y < argb.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (line[x] == key) line[x] = qRgba(0, 0, 0, 0);
    }
    for (int x = 0; x + kImageSize <= argb.width(); x += kImageSize)
        list << QIcon(QPixmap::fromImage(argb.copy(x, 0, kImageSize, argb.height())));
    return list;
}

QString LoadButtonImages(CommandTable& commands, const QString& iniFileName,
                         const QString& fileName) {
    if (fileName.isEmpty() || !QFileInfo::exists(fileName)) return {};
    const QString base = fileName.chopped(5);
    const ImageList hot = Load(base + QStringLiteral("1.bmp"), commands.HotImages);
    if (hot.isEmpty()) return NotLoaded(base + QStringLiteral("1.bmp"));
    commands.SetButtonImages(commands.Images, hot);
    // The hot images stay replaced when the normal strip fails.
    const ImageList normal = Load(base + QStringLiteral("2.bmp"), commands.Images);
    if (normal.isEmpty()) return NotLoaded(base + QStringLiteral("2.bmp"));
    commands.SetButtonImages(normal, hot);
    WriteIniString(iniFileName, kSection, kKey, base + QStringLiteral("1.bmp"));
    return {};
}

QImage DrawButtonStrip(bool hot) {
    const QStringList names = ToolImageNames();
    QImage strip(kImageSize * int(names.size()), kImageSize, QImage::Format_RGB32);
    strip.fill(kKeyColor);
    QPainter p(&strip);
    for (int i = 0; i < names.size(); ++i) {
        QImage icon = ColourIcon(names[i]).convertToFormat(QImage::Format_ARGB32);
        if (hot) {
            // Hot images: the same icon, lighter, as if lit by the mouse.
            QPainter lp(&icon);
            lp.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            lp.fillRect(icon.rect(), QColor(255, 255, 255, 90));
        }
        // Half-transparent edges are made solid so no pixel blends into the key colour.
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x) {
                const QRgb c = icon.pixel(x, y);
                icon.setPixel(x, y, qAlpha(c) < 128 ? qRgba(0, 0, 0, 0) : (c | 0xff000000u));
            }
        p.drawImage(i * kImageSize, 0, icon);
    }
    p.end();
    strip.setPixel(0, 0, kKeyColor.rgb());
    return strip;
}

void InstallButtonImages(const CommandContext& context) {
    QWidget* window = &context.window;
    CommandTable* commands = &context.commands;
    const QString iniFileName = context.session.IniFileName();
    auto report = [window](const QString& error) {
        if (!error.isEmpty()) ShowErrorMessage(window, error);
    };
    try {
        report(LoadButtonImages(*commands, iniFileName,
                                ReadIniString(iniFileName, kSection, kKey, QString())));
    } catch (const std::exception&) {
        // An unreadable settings file was reported at start; the built-in images stay.
    }
    QObject::connect(commands->Action(QStringLiteral("LoadButtonImagesItem")), &QAction::triggered,
                     window, [window, commands, iniFileName, report] {
                         QFileDialog dlg(window, QStringLiteral("Load button images"),
                                         StripFolder(),
                                         QStringLiteral("Bitmap image lists (*1.bmp)"));
                         dlg.setDefaultSuffix(QStringLiteral("bmp"));
                         dlg.setFileMode(QFileDialog::ExistingFile);
                         if (ExecModal(dlg) != QDialog::Accepted) return;
                         const QString file = dlg.selectedFiles().value(0);
                         try {
                             report(LoadButtonImages(*commands, iniFileName, file));
                         } catch (const std::exception& e) {
                             report(QString::fromLocal8Bit(e.what()));
                         }
                     });
}
