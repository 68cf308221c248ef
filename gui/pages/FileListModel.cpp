#include "gui/pages/FileListModel.h"
#include "core/engine/FileFilter.h"
#include "gui/widgets/FileTypeIcons.h"
#include "platform/NativePath.h"

#include <QFileIconProvider>
#include <QFileInfo>

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

QStringList FileListModel::ColumnCaptions() {
    return {QStringLiteral("File Names"), QStringLiteral("Date (Cr)"),
            QStringLiteral("Date (Ac)"),  QStringLiteral("Full Path Names"),
            QStringLiteral("Size (kb)"),  QStringLiteral("Ext"),
            QStringLiteral("Dup")};
}

QList<int> FileListModel::ColumnWidths() {
    return {150, 70, 70, 400, 70, 40, 11};
}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 7;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const FileRow& r = rows_[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (role == Qt::ToolTipRole && index.column() != 0 && index.column() != 3) return {};
        // Names that are not UTF-8 are shown with replacement characters; the
        // operations use RowPath, which keeps their bytes.
        if (index.column() == 0 || index.column() == 3) return DisplayPath(r.Cell(index.column()));
        return r.Cell(index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0) return r.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0 && showIcons_) return IconFor(r);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == 4) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole || index.column() != 0) return false;
    SetChecked(index.row(), value.toInt() == Qt::Checked);
    return true;
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant FileListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o == Qt::Horizontal && role == Qt::DisplayRole) return ColumnCaptions().value(section);
    return {};
}

void FileListModel::SetRows(std::vector<FileRow> rows, bool showIcons) {
    beginResetModel();
    rows_ = std::move(rows);
    showIcons_ = showIcons;
    rowTypes_.clear();
    endResetModel();
}

void FileListModel::SetChecked(int row, bool on) {
    if (row < 0 || row >= Count() || rows_[std::size_t(row)].checked == on) return;
    rows_[std::size_t(row)].checked = on;
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

void FileListModel::SetAllChecks(const std::vector<char>& checked) {
    for (std::size_t i = 0; i < rows_.size() && i < checked.size(); ++i)
        rows_[i].checked = checked[i] != 0;
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(Count() - 1, 0), {Qt::CheckStateRole});
}

std::vector<char> FileListModel::Checks() const {
    std::vector<char> c(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        c[i] = rows_[i].checked;
    return c;
}

void FileListModel::SetCell(int row, int column, const QString& text) {
    if (row < 0 || row >= Count()) return;
    rows_[std::size_t(row)].SetCell(column, text);
    const QModelIndex i = index(row, column);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

void FileListModel::Reorder(const std::vector<int>& order) {
    if (order.size() != rows_.size()) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newIndex(order.size());
    std::vector<FileRow> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        newIndex[std::size_t(order[i])] = int(i);
        sorted.push_back(std::move(rows_[std::size_t(order[i])]));
    }
    rows_ = std::move(sorted);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from)
        to << index(newIndex[std::size_t(i.row())], i.column());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int FileListModel::RemoveRows(const std::vector<char>& remove) {
    auto gone = [&](int i) { return std::size_t(i) < remove.size() && remove[std::size_t(i)]; };
    int blocks = 0;
    for (int i = 0; i < Count(); ++i)
        if (gone(i) && (i == 0 || !gone(i - 1))) ++blocks;
    if (blocks > 64) {
        // Many scattered rows: one pass and one reset beats thousands of erases.
        beginResetModel();
        std::vector<FileRow> kept;
        kept.reserve(rows_.size());
        for (int i = 0; i < Count(); ++i)
            if (!gone(i)) kept.push_back(std::move(rows_[std::size_t(i)]));
        const int removed = Count() - int(kept.size());
        rows_ = std::move(kept);
        endResetModel();
        return removed;
    }
    // Contiguous blocks from the last to the first, so indices stay valid.
    int removed = 0;
    int i = Count() - 1;
    while (i >= 0) {
        if (std::size_t(i) >= remove.size() || !remove[std::size_t(i)]) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && remove[std::size_t(first - 1)])
            --first;
        beginRemoveRows({}, first, i);
        rows_.erase(rows_.begin() + first, rows_.begin() + i + 1);
        endRemoveRows();
        removed += i - first + 1;
        i = first - 1;
    }
    return removed;
}

QIcon FileListModel::IconFor(const FileRow& row) const {
    // A row's type is found once, when it is first painted; icons are shared by type.
    const QString& path = row.RowPath();
    auto it = rowTypes_.constFind(path);
    if (it == rowTypes_.constEnd()) it = rowTypes_.insert(path, FileTypeOf(path));
    return FileTypeIcon(*it);
}
