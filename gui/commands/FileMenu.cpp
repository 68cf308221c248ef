#include "gui/commands/FileMenu.h"
#include <QFontDatabase>
#include <QPainter>

namespace {
struct DrawnItem {
    const char* action;
    const char* text;
    int image;
};
constexpr DrawnItem kItems[] = {
    {"actRun", "Run (F9)", 29},
    {"actUpOneDir", "Up one Dir (F10)", 34},
    {"actBrowseDir", "Browse Directory (F2)", 8},
    {"actPrint", "Print Sheet (Ctrl+P)", 26},
    {"ACTSave", "Save Result (Ctrl+S)", 30},
    {"ACTOpen", "Load Result (Ctrl+O)", 24},
    {"actCompareSnapshot", "Compare with Snapshot...", -1},
    {"ExitItem", "Exit (Ctrl+Q)", 9},
};

const DrawnItem* Find(const QAction* a) {
    for (const DrawnItem& d : kItems)
        if (a && a->objectName() == QLatin1String(d.action)) return &d;
    return nullptr;
}

// Tahoma where it is installed; otherwise Wine's Tahoma, which has its metrics
// (fonts-wine keeps it outside the font path); else a plain sans-serif face.
QFont BannerFont() {
    static const bool loaded = [] {
        if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) return true;
        for (const char* file :
             {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
            QFontDatabase::addApplicationFont(QLatin1String(file));
        return QFontDatabase::hasFamily(QStringLiteral("Tahoma"));
    }();
    QFont f;
    f.setFamilies(
        loaded ? QStringList{QStringLiteral("Tahoma")}
               : QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    f.setBold(true);
    return f;
}
} // namespace

FileMenu::FileMenu(const QString& title, QWidget* parent,
                   std::function<std::pair<QColor, QColor>()> colors, const ImageList* images,
                   const ImageList* hotImages)
    : QMenu(title, parent), colors_(std::move(colors)), images_(images), hotImages_(hotImages) {
    // Room for the band: the items start right of it.
    setContentsMargins(BandWidth, 0, 0, 0);
}

QString FileMenu::DrawnText(const QAction* a) {
    const DrawnItem* d = Find(a);
    return d ? QLatin1String(d->text) : QString();
}

int FileMenu::DrawnImage(const QAction* a) {
    const DrawnItem* d = Find(a);
    return d ? d->image : -1;
}

void FileMenu::paintEvent(QPaintEvent* e) {
    QMenu::paintEvent(e);
    QPainter p(this);
    for (QAction* a : actions())
        if (Find(a)) DrawItem(p, a, a == activeAction());
    DrawSideBar(p);
}

void FileMenu::DrawItem(QPainter& p, QAction* a, bool selected) {
    const QRect r = actionGeometry(a);
    const QColor back = palette().color(selected ? QPalette::Highlight : QPalette::Window);
    p.fillRect(QRect(BandWidth - 1, r.top(), width() - BandWidth + 1, r.height()), back);
    const ImageList* list = selected ? hotImages_ : images_;
    if (list) {
        const QIcon icon = list->value(DrawnImage(a));
        // A disabled command looks disabled in its image too.
        const QIcon::Mode mode = a->isEnabled() ? QIcon::Normal : QIcon::Disabled;
        p.drawPixmap(ImageX, r.top() + 2, icon.pixmap(16, 16, mode));
    }
    p.setFont(font());
    p.setPen(palette().color(a->isEnabled() ? QPalette::Active : QPalette::Disabled,
                             selected ? QPalette::HighlightedText : QPalette::WindowText));
    p.drawText(QRect(TextX, r.top(), width() - TextX, r.height()),
               Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip,
               DrawnText(a));
}

void FileMenu::DrawSideBar(QPainter& p) {
    const auto [back, fore] =
        colors_ ? colors_() : std::pair<QColor, QColor>{QColor(0, 0, 128), QColor(Qt::white)};
    p.fillRect(QRect(0, 0, BandWidth, height()), back);
    p.setFont(BannerFont());
    p.setPen(fore);
    // The banner runs upwards from the bottom of the band.
    p.save();
    p.translate(0, height());
    p.rotate(-90);
    p.drawText(QRect(6, 0, height() - 12, BandWidth), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Morvane ++"));
    p.restore();
}
