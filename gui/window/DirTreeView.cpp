#include "gui/window/DirTreeView.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScrollBar>

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
    connect(model_, &QFileSystemModel::directoryLoaded, this, &DirTreeView::KeepInView);
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

void DirTreeView::KeepInView(const QString& loaded) {
    if (shown_.isEmpty()) return;
    // The rows of a folder read late push the ones below them down, out of view.
    const QString dir = loaded.endsWith(QLatin1Char('/')) ? loaded : loaded + QLatin1Char('/');
    if (!shown_.startsWith(dir) && shown_ != loaded) return;
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
