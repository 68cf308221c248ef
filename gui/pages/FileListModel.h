#pragma once
// The rows of FileList: seven columns, a check box in column 0, optional
// icons by file type. The rows are a compact table whose cell texts are made
// when the view asks for them, so millions of files fill, sort and repaint
// quickly.
#include "core/engine/FileListRows.h"
#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <vector>

class FileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit FileListModel(QObject* parent = nullptr);

    static QStringList ColumnCaptions();
    static QList<int> ColumnWidths();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // Replaces every row at once (one reset, one repaint).
    void SetRows(FileRowTable rows, bool showIcons);
    const FileRowTable& Rows() const { return rows_; }
    QString Cell(int row, int column) const { return rows_.Cell(row, column); }
    QString RowPath(int i) const { return rows_.Path(i); }
    bool Checked(int row) const { return rows_.Checked(row); }
    int Count() const { return rows_.Count(); }

    void SetChecked(int row, bool on);
    // Sets every row's check from flags (one change signal).
    void SetAllChecks(const std::vector<char>& checked);
    std::vector<char> Checks() const;
    // Sets the "Dup" cells of the rows in numbers (-1 for "x"; one change signal).
    void SetDupNumbers(const std::vector<int>& numbers);

    // Puts the rows into the given order (order[i] = old index of new row i);
    // selections and the current row follow their rows.
    void Reorder(const std::vector<int>& order);
    // Removes the rows flagged in remove; returns how many went.
    int RemoveRows(const std::vector<char>& remove);

private:
    QIcon IconFor(int row) const;

    FileRowTable rows_;
    bool showIcons_ = false;
    mutable QHash<QString, QString> rowTypes_; // path -> its file type
};
