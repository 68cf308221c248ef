#include "gui/window/DirTreeView.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

DirTreeView::DirTreeView(QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("DirTree"));
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::Drives);
    model_->setReadOnly(true);
    model_->setRootPath(QStringLiteral("/"));
    setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c)
        hideColumn(c);
    header()->hide();
    setUniformRowHeights(true);
    setAnimated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setRootIndex(QModelIndex());
    // Rows arrive and are sorted after a folder is reported loaded: look again
    // once each burst of changes has settled.
    keepInView_ = new QTimer(this);
    keepInView_->setSingleShot(true);
    keepInView_->setInterval(0);
    connect(keepInView_, &QTimer::timeout, this, &DirTreeView::KeepInView);
    const auto later = [this] {
        if (!shown_.isEmpty()) keepInView_->start();
    };
    connect(model_, &QFileSystemModel::directoryLoaded, this, later);
    connect(model_, &QAbstractItemModel::rowsInserted, this, later);
    connect(model_, &QAbstractItemModel::layoutChanged, this, later);
    connect(verticalScrollBar(), &QScrollBar::sliderPressed, this, [this] { shown_.clear(); });
    connect(this, &QTreeView::clicked, this, [this] {
        if (!NotificationsSuspended()) emit FolderClicked();
    });
}

QString DirTreeView::SelectedFolder() const {
    const QModelIndex i = currentIndex();
    if (!i.isValid() || !selectionModel()->isSelected(i)) return QStringLiteral("?");
    QString p = model_->filePath(i);
    if (p.isEmpty()) return QStringLiteral("?");
    if (!p.endsWith(QLatin1Char('/'))) p += QLatin1Char('/');
    return p;
}

void DirTreeView::SelectPath(const QString& path) {
    if (path.isEmpty()) throw EMorvaneError(QStringLiteral("Invalid Path Name"));
    QString p = QDir::cleanPath(path);
    const QModelIndex i = model_->index(p);
    if (!i.isValid()) return;
    for (QModelIndex parent = i.parent(); parent.isValid(); parent = parent.parent())
        expand(parent);
    setCurrentIndex(i);
    scrollTo(i, QAbstractItemView::PositionAtCenter);
    shown_ = p;
}

void DirTreeView::KeepInView() {
    // The rows of a folder read late push the ones below them down, out of view.
    if (shown_.isEmpty()) return;
    const QModelIndex i = model_->index(shown_);
    if (i.isValid() && i == currentIndex()) scrollTo(i, QAbstractItemView::PositionAtCenter);
}

void DirTreeView::mousePressEvent(QMouseEvent* event) {
    shown_.clear();
    QTreeView::mousePressEvent(event);
}

void DirTreeView::wheelEvent(QWheelEvent* event) {
    shown_.clear();
    QTreeView::wheelEvent(event);
}

void DirTreeView::keyPressEvent(QKeyEvent* event) {
    shown_.clear();
    const QModelIndex before = currentIndex();
    QTreeView::keyPressEvent(event);
    // A folder reached with the keys is chosen just as a click chooses it.
    if (currentIndex() != before && currentIndex().isValid() && !NotificationsSuspended())
        emit FolderClicked();
}
