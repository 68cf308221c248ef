#include "app/ViewRowSource.h"
#include <QAbstractItemModel>

int TViewRowSource::ColumnCount() const {
    return model_ ? model_->columnCount() : 0;
}

QString TViewRowSource::ColumnCaption(int column) const {
    return model_ ? model_->headerData(column, Qt::Horizontal).toString() : QString();
}

int TViewRowSource::RowCount() const {
    return model_ ? model_->rowCount() : 0;
}

QString TViewRowSource::Cell(int row, int column) const {
    if (!model_ || column >= model_->columnCount()) return {};
    return model_->index(row, column).data(Qt::DisplayRole).toString();
}

QString TViewRowSource::Caption(int row) const {
    return Cell(row, 0);
}

QString TViewRowSource::SubItem(int row, int index) const {
    return Cell(row, index);
}

int TViewRowSource::SubItemCount(int row) const {
    const int n = ColumnCount();
    for (int c = 1; c < n; ++c)
        if (!Cell(row, c).isEmpty()) return n - 1;
    return 0;
}
