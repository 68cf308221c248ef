#pragma once
// What a commander pane shows of the file system model: image previews as
// icons in the thumbnail style, and info tips when the pane wants them.
#include <QCache>
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QIdentityProxyModel>
#include <QMutex>
#include <QStyledItemDelegate>
#include <memory>

class QFileSystemModel;

// Icons and type names of files by their extension: the model asks for every
// file of a folder, and a folder of many files would otherwise load slowly.
class PaneIconProvider : public QFileIconProvider {
public:
    QIcon icon(const QFileInfo& info) const override;
    using QFileIconProvider::icon;
    QString type(const QFileInfo& info) const override;

private:
    // The model asks from its own thread.
    mutable QMutex mutex_;
    mutable QHash<QString, QIcon> icons_;
    mutable QHash<QString, QString> types_;
};

class FolderPaneModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    // Size a preview is scaled to fit.
    static constexpr QSize kThumbSize{60, 80};

    explicit FolderPaneModel(QObject* parent = nullptr);
    ~FolderPaneModel() override;

    QFileSystemModel* Files() const { return files_.get(); }
    void SetThumbnails(bool on);
    void SetInfoTips(bool on) { infoTips_ = on; }

    QVariant data(const QModelIndex& index, int role) const override;
    // Drops are handed to the pane as a request; the model itself never
    // moves a file.
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

    // Rows go when their files go (the model watches the folder); a view
    // finishing a move drag must not remove anything itself.
    bool removeRows(int, int, const QModelIndex& = QModelIndex()) override { return false; }

signals:
    // Files dropped on a folder of this model (none already in that folder).
    void DropRequested(const QStringList& sources, const QString& target, bool move);

private:
    // The folder a drop on parent lands in and the dropped files not already
    // there; empty when there is nothing to do.
    QStringList DropSources(const QMimeData* data, const QModelIndex& parent,
                            QString* target) const;
    QIcon Thumbnail(const QString& path) const;
    QIcon OnCanvas(const QIcon& icon) const;

    // The provider is declared first so that it outlives the model using it.
    std::unique_ptr<PaneIconProvider> icons_;
    std::unique_ptr<QFileSystemModel> files_;
    bool thumbnails_ = false;
    bool infoTips_ = false;
    mutable QCache<QString, QIcon> thumbs_{400};
    mutable QCache<qint64, QIcon> canvases_{100};
};

// Draws the items of the list styles: tiles carry the type under the name,
// thumbnails and tiles put the text beside or under a bigger picture.
class FolderPaneDelegate : public QStyledItemDelegate {
public:
    enum class Look { Tiles, Small, Thumbnails };
    using QStyledItemDelegate::QStyledItemDelegate;
    void SetLook(Look look) { look_ = look; }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    Look look_ = Look::Tiles;
};
