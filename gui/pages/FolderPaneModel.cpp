#include "gui/pages/FolderPaneModel.h"
#include "platform/NativePath.h"
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QImageReader>
#include <QLocale>
#include <QMimeData>
#include <QMimeDatabase>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>
#include <QUrl>

namespace {
// Larger images are not read for a preview: decoding them would stall the pane.
constexpr qint64 kMaxPreviewBytes = 64LL * 1024 * 1024;
} // namespace

namespace {
// Plain files with an extension are told apart by it alone; links, folders,
// programs, system items and names without extension ("Makefile") keep their own.
bool ByExtension(const QFileInfo& info) {
    return info.isFile() && !info.isSymLink() && !info.isExecutable() && !info.suffix().isEmpty();
}
} // namespace

QIcon PaneIconProvider::icon(const QFileInfo& info) const {
    if (!ByExtension(info)) return QFileIconProvider::icon(info);
    const QString key = info.suffix().toLower();
    {
        const QMutexLocker lock(&mutex_);
        const auto it = icons_.constFind(key);
        if (it != icons_.constEnd()) return *it;
    }
    const QIcon icon = QFileIconProvider::icon(info);
    const QMutexLocker lock(&mutex_);
    icons_.insert(key, icon);
    return icon;
}

QString PaneIconProvider::type(const QFileInfo& info) const {
    if (!ByExtension(info)) return QFileIconProvider::type(info);
    const QString key = info.suffix().toLower();
    {
        const QMutexLocker lock(&mutex_);
        const auto it = types_.constFind(key);
        if (it != types_.constEnd()) return *it;
    }
    const QString type =
        QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).comment();
    const QMutexLocker lock(&mutex_);
    types_.insert(key, type);
    return type;
}

FolderPaneModel::FolderPaneModel(QObject* parent)
    : QIdentityProxyModel(parent), icons_(std::make_unique<PaneIconProvider>()),
      files_(std::make_unique<QFileSystemModel>()) {
    // Folders, files and system items; names beginning with "." stay hidden.
    files_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    files_->setReadOnly(false); // renaming in place
    files_->setIconProvider(icons_.get());
    setSourceModel(files_.get());
}

FolderPaneModel::~FolderPaneModel() {
    setSourceModel(nullptr);
}

void FolderPaneModel::SetThumbnails(bool on) {
    if (thumbnails_ == on) return;
    thumbnails_ = on; // the views lay out and repaint as their style changes
}

QVariant FolderPaneModel::data(const QModelIndex& index, int role) const {
    if (index.column() == 0) {
        if (role == Qt::DecorationRole && thumbnails_) {
            const QFileInfo fi = files_->fileInfo(mapToSource(index));
            if (fi.isFile() && !fi.isSymLink() && fi.size() <= kMaxPreviewBytes) {
                const QIcon icon = Thumbnail(fi.filePath());
                if (!icon.isNull()) return icon;
            }
        }
        if (role == Qt::DecorationRole) {
            // Without an icon theme the desktop gives no icons: the style's own stand in.
            QIcon icon = QIdentityProxyModel::data(index, role).value<QIcon>();
            if (icon.isNull())
                icon = QApplication::style()->standardIcon(
                    files_->isDir(mapToSource(index)) ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
            return thumbnails_ ? OnCanvas(icon) : icon;
        }
        if (role == Qt::ToolTipRole && infoTips_) {
            const QModelIndex s = mapToSource(index);
            const QFileInfo fi = files_->fileInfo(s);
            QString tip = fi.fileName() + QLatin1Char('\n') + files_->type(s);
            if (!fi.isDir()) tip += QLatin1Char('\n') + QLocale().formattedDataSize(fi.size());
            tip += QLatin1Char('\n') + QLocale().toString(fi.lastModified(), QLocale::ShortFormat);
            return tip;
        }
    }
    return QIdentityProxyModel::data(index, role);
}

Qt::DropActions FolderPaneModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction;
}

QStringList FolderPaneModel::DropSources(const QMimeData* data, const QModelIndex& parent,
                                         QString* target) const {
    if (!data || !data->hasUrls()) return {};
    const QString folder = files_->filePath(mapToSource(parent));
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return {};
    const QString here = QDir::cleanPath(folder);
    QStringList sources;
    for (const QUrl& u : data->urls()) {
        if (!u.isLocalFile()) continue;
        const QString p = QDir::cleanPath(PathFromUrl(u));
        // Dropped where it already lies: nothing to do.
        if (QFileInfo(p).absolutePath() != here) sources << p;
    }
    if (target) *target = here;
    return sources;
}

bool FolderPaneModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                      const QModelIndex& parent) const {
    return (action == Qt::CopyAction || action == Qt::MoveAction) &&
           !DropSources(data, parent, nullptr).isEmpty();
}

bool FolderPaneModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                   const QModelIndex& parent) {
    if (action != Qt::CopyAction && action != Qt::MoveAction) return false;
    QString target;
    const QStringList sources = DropSources(data, parent, &target);
    if (sources.isEmpty()) return false;
    emit DropRequested(sources, target, action == Qt::MoveAction);
    // Not "done": the dragging view must not remove rows of its own.
    return false;
}

QIcon FolderPaneModel::OnCanvas(const QIcon& icon) const {
    const qint64 key = icon.cacheKey();
    if (const QIcon* cached = canvases_.object(key)) return *cached;
    // The same frame as a preview, so names line up under every item.
    QPixmap canvas(kThumbSize);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    const QPixmap pm = icon.pixmap(48, 48);
    p.drawPixmap((kThumbSize.width() - pm.width()) / 2, (kThumbSize.height() - pm.height()) / 2,
                 pm);
    p.end();
    canvases_.insert(key, new QIcon(canvas));
    return QIcon(canvas);
}

QIcon FolderPaneModel::Thumbnail(const QString& path) const {
    const QFileInfo fi(path);
    const QString key =
        path + QLatin1Char('\n') + QString::number(fi.lastModified().toMSecsSinceEpoch());
    if (const QIcon* cached = thumbs_.object(key)) return *cached;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QIcon icon;
    if (reader.canRead()) {
        QSize size = reader.size();
        if (size.isValid()) {
            size.scale(kThumbSize.boundedTo(size), Qt::KeepAspectRatio);
            reader.setScaledSize(size);
        }
        QImage image = reader.read();
        if (!image.isNull()) {
            if (image.width() > kThumbSize.width() || image.height() > kThumbSize.height())
                image = image.scaled(kThumbSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
            // Centred on a fixed canvas so every preview lines up in the grid.
            QPixmap canvas(kThumbSize);
            canvas.fill(Qt::transparent);
            QPainter p(&canvas);
            p.drawImage((kThumbSize.width() - image.width()) / 2,
                        (kThumbSize.height() - image.height()) / 2, image);
            p.end();
            icon = QIcon(canvas);
        }
    }
    // Files that are no image are remembered too, so they are not read again.
    thumbs_.insert(key, new QIcon(icon));
    return icon;
}

void FolderPaneDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    switch (look_) {
    case Look::Tiles: {
        option->decorationPosition = QStyleOptionViewItem::Left;
        option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        const QString type = index.sibling(index.row(), 2).data().toString();
        const QString size = index.sibling(index.row(), 1).data().toString();
        option->text += QChar::LineSeparator + type;
        if (!size.isEmpty()) option->text += QChar::LineSeparator + size;
        break;
    }
    case Look::Small:
        option->decorationPosition = QStyleOptionViewItem::Left;
        option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        break;
    case Look::Thumbnails:
        option->decorationPosition = QStyleOptionViewItem::Top;
        option->decorationAlignment = Qt::AlignCenter;
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        break;
    }
}
