#pragma once
// A list view of the window (a QTreeWidget or a table) as the export writers
// read it: its columns and its rows in the order shown.
#include "core/export/RowSource.h"
#include <QPointer>

class QAbstractItemModel;

class ViewRowSource : public IRowSource {
public:
    explicit ViewRowSource(const QAbstractItemModel* model) : model_(model) {}
    int ColumnCount() const override;
    QString ColumnCaption(int column) const override;
    int RowCount() const override;
    QString Caption(int row) const override;
    QString SubItem(int row, int index) const override;
    // A row whose cells after the first are all empty has no details.
    int SubItemCount(int row) const override;
    // The path the row keeps under kPathRole on its first column (the size
    // list's items and the file list's model do), else the shown text.
    QString LinkPath(int row) const override;
    static constexpr int kPathRole = Qt::UserRole + 1;

private:
    QString Cell(int row, int column) const;
    QPointer<const QAbstractItemModel> model_;
};
