#pragma once
// What the export writers and printing read of a list: the window's list views
// and the headless report both offer their rows through this interface.
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

class IRowSource {
public:
    virtual ~IRowSource() = default;
    virtual int ColumnCount() const = 0;
    virtual QString ColumnCaption(int column) const = 0;
    virtual int RowCount() const = 0;
    // The row caption (the first column's text).
    virtual QString Caption(int row) const = 0;
    // Sub-item 1.. (the following columns); empty when the row has fewer.
    virtual QString SubItem(int row, int index) const = 0;
    // How many sub-items the row really has: a file list row without details
    // has none, and the CSV and text exports refuse such a row.
    virtual int SubItemCount(int row) const {
        (void)row;
        return ColumnCount() - 1;
    }
    // The real path row's path column (sub-item 3) names, with the bytes of a name
    // that is not UTF-8 kept: links are made from it. The shown text where the
    // list keeps nothing else.
    virtual QString LinkPath(int row) const { return SubItem(row, 3); }
    // The caption and sub-items 1..subItems of a row, into cells.
    virtual void Cells(int row, int subItems, QStringList& cells) const {
        cells.clear();
        cells << Caption(row);
        for (int s = 1; s <= subItems; ++s)
            cells << SubItem(row, s);
    }
    // Rows may be read (SubItemCount, Cells) by several threads at once.
    virtual bool ConcurrentRows() const { return false; }
    // Column 0.. holds sizes (MB or KB texts), which a workbook stores as numbers.
    // Both lists caption their size columns "Size (...)".
    virtual bool IsSizeColumn(int column) const {
        return ColumnCaption(column).startsWith(QLatin1String("Size ("), Qt::CaseInsensitive);
    }
};

// Rows held as plain texts: each row is caption followed by its sub-items.
class TextRowSource : public IRowSource {
public:
    TextRowSource() = default;
    explicit TextRowSource(QStringList columns) : columns_(std::move(columns)) {}
    void AddRow(QStringList cells) { rows_.push_back(std::move(cells)); }
    int ColumnCount() const override { return int(columns_.size()); }
    QString ColumnCaption(int column) const override { return columns_.value(column); }
    int RowCount() const override { return int(rows_.size()); }
    QString Caption(int row) const override { return rows_.at(row).value(0); }
    QString SubItem(int row, int index) const override { return rows_.at(row).value(index); }
    // A row given only its caption is a plain row without sub-items; any other
    // row has every column, the missing cells empty.
    int SubItemCount(int row) const override {
        const int n = int(rows_.at(row).size()) - 1;
        return n <= 0 ? 0 : std::max(n, ColumnCount() - 1);
    }

private:
    QStringList columns_;
    std::vector<QStringList> rows_;
};
