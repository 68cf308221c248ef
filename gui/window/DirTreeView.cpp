#include "gui/window/DirTreeView.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>

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
}
