#include "gui/pages/TreemapView.h"
#include "platform/NativePath.h"
#include <QHelpEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

TreemapView::TreemapView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TreemapView"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 64);
}

void TreemapView::SetResult(std::shared_ptr<const TreemapResult> result) {
    // The selection stays on the same entry when it still has a tile.
    Tree::Index selectedNode = Tree::kNone;
    if (result_ && selected_ >= 0)
        selectedNode = result_->layout.Tiles()[std::size_t(selected_)].node;
    const bool sameTree = result_ && result && result_->tree == result->tree;
    result_ = std::move(result);
    selected_ = sameTree && selectedNode != Tree::kNone && result_
                    ? result_->layout.TileOf(selectedNode)
                    : -1;
    hovered_ = -1;
    update();
}

int TreemapView::TileAt(QPoint p) const {
    return result_ ? result_->layout.HitTest(p.x(), p.y()) : -1;
}

QString TreemapView::TileText(int tile) const {
    if (!result_ || tile < 0) return {};
    const TreemapLayout& map = result_->layout;
    const TreemapTile& t = map.Tiles()[std::size_t(tile)];
    const QLocale locale;
    const Tree& tree = *result_->tree;
    if (t.flags & TreemapTile::FreeSpace)
        return QStringLiteral("Free space: %1")
            .arg(locale.formattedDataSize(map.Options().freeSpace));
    const std::int64_t bytes = TreemapLayout::Weight(tree, t.node, false);
    const bool byFiles = map.Options().byFiles;
    const double share =
        double(TreemapLayout::Weight(tree, t.node, byFiles)) /
        double(std::max<std::int64_t>(1, TreemapLayout::Weight(tree, map.Top(), byFiles)));
    QString text = QStringLiteral("%1  %2").arg(DisplayPath(tree.Path(t.node)),
                                                locale.formattedDataSize(bytes));
    if (tree.At(t.node).IsFolder())
        text +=
            QStringLiteral(", %1 files").arg(locale.toString(qulonglong(tree.At(t.node).files)));
    return text + QStringLiteral(", %1% of the folder%2")
                      .arg(locale.toString(100 * share, 'f', 1),
                           byFiles ? QStringLiteral("'s files") : QString());
}

void TreemapView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (!result_) return;
    p.drawImage(0, 0, result_->image);
    if (selected_ >= 0) {
        const TreemapTile& t = result_->layout.Tiles()[std::size_t(selected_)];
        const QRect r(t.x0, t.y0, t.x1 - t.x0, t.y1 - t.y0);
        p.setPen(QPen(QColor(0xFF, 0xE1, 0x4D), 2));
        p.drawRect(r.adjusted(1, 1, -1, -1));
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(r.adjusted(2, 2, -3, -3));
    }
}

void TreemapView::resizeEvent(QResizeEvent*) {
    emit Resized();
}

void TreemapView::mouseMoveEvent(QMouseEvent* e) {
    const int tile = TileAt(e->position().toPoint());
    if (tile == hovered_) return;
    hovered_ = tile;
    emit Hovered(tile);
}

void TreemapView::mousePressEvent(QMouseEvent* e) {
    const int tile = TileAt(e->position().toPoint());
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
    if (tile != selected_) {
        selected_ = tile;
        update();
    }
}

void TreemapView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const int tile = TileAt(e->position().toPoint());
    if (tile >= 0) emit Activated(tile);
}

void TreemapView::contextMenuEvent(QContextMenuEvent* e) {
    const int tile = TileAt(e->pos());
    if (tile < 0) return;
    if (tile != selected_) {
        selected_ = tile;
        update();
    }
    emit MenuRequested(tile, e->globalPos());
}

void TreemapView::leaveEvent(QEvent*) {
    if (hovered_ < 0) return;
    hovered_ = -1;
    emit Hovered(-1);
}

bool TreemapView::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QString text = TileText(TileAt(help->pos()));
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, this);
        return true;
    }
    return QWidget::event(e);
}
