#pragma once
// The treemap's canvas: shows a finished picture, tells which tile is under
// the mouse, and turns clicks into selection, activation and menu requests.
// It never lays out: the page hands it finished pictures.
#include "core/compare/FolderChanges.h"
#include "core/treemap/TreemapRender.h"
#include <QImage>
#include <QWidget>
#include <memory>

// A picture made off the window's thread, with what it was made from.
struct TreemapResult {
    std::shared_ptr<const Tree> tree; // kept while the picture is shown
    TreemapLayout layout;
    // File types of the whole tree, made once per tree and shared by its pictures.
    std::shared_ptr<const TypeGroupTable> groups;
    std::array<std::int64_t, kTypeGroupCount> legend{}; // bytes per group below the top
    RawPicture picture;
    QImage image; // picture in the screen's format
    TreemapStyle style;
    // Holds the change per node that style.change points into, when coloured by growth.
    std::shared_ptr<const SnapshotComparison> comparison;
    qint64 millis = 0;    // from start to finish
    qint64 cpuMillis = 0; // of them on the processor
};

class TreemapView : public QWidget {
    Q_OBJECT
public:
    explicit TreemapView(QWidget* parent = nullptr);

    void SetResult(std::shared_ptr<const TreemapResult> result);
    const TreemapResult* Result() const { return result_.get(); }
    int SelectedTile() const { return selected_; }
    // The tile at a point of the widget; -1 for none.
    int TileAt(QPoint p) const;
    // The text a tile's tooltip and the status bar show.
    QString TileText(int tile) const;

signals:
    void Resized();
    void Hovered(int tile); // -1: off the picture
    void Activated(int tile);
    void MenuRequested(int tile, QPoint globalPos);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    void leaveEvent(QEvent*) override;
    bool event(QEvent*) override;

private:
    std::shared_ptr<const TreemapResult> result_;
    int selected_ = -1;
    int hovered_ = -1;
};
