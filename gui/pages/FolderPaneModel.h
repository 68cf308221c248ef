#pragma once
// What a commander pane shows of the file system model: image previews as
// icons in the thumbnail style, and info tips when the pane wants them.
#include <QCache>
#include <QIcon>
#include <QIdentityProxyModel>
#include <QStyledItemDelegate>

class QFileSystemModel;

class FolderPaneModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    // Size a preview is scaled to fit.
    static constexpr QSize kThumbSize{60, 80};

    explicit FolderPaneModel(QFileSystemModel* files, QObject* parent = nullptr);

    QFileSystemModel* Files() const { return files_; }
    void SetThumbnails(bool on);
    void SetInfoTips(bool on) { infoTips_ = on; }

    QVariant data(const QModelIndex& index, int role) const override;

private:
    QIcon Thumbnail(const QString& path) const;
    QIcon OnCanvas(const QIcon& icon) const;

    QFileSystemModel* files_;
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
