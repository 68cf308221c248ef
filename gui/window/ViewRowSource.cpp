#include "gui/window/ViewRowSource.h"
#include <QAbstractItemModel>

int ViewRowSource::ColumnCount() const {
    return model_ ? model_->columnCount() : 0;
}

QString ViewRowSource::ColumnCaption(int column) const {
    return model_ ? model_->headerData(column, Qt::Horizontal).toString() : QString();
}

int ViewRowSource::RowCount() const {
    return model_ ? model_->rowCount() : 0;
}

QString ViewRowSource::Cell(int row, int column) const {
    if (!model_ || column >= model_->columnCount()) return {};
    return model_->index(row, column).data(Qt::DisplayRole).toString();
}

QString ViewRowSource::Caption(int row) const {
    return Cell(row, 0);
}

QString ViewRowSource::SubItem(int row, int index) const {
    return Cell(row, index);
}

int ViewRowSource::SubItemCount(int row) const {
    const int n = ColumnCount();
    for (int c = 1; c < n; ++c)
        if (!Cell(row, c).isEmpty()) return n - 1;
    return 0;
}

QString ViewRowSource::LinkPath(int row) const {
    const QVariant path = model_ ? model_->index(row, 0).data(kPathRole) : QVariant();
    return path.isValid() ? path.toString() : Cell(row, 3);
}
