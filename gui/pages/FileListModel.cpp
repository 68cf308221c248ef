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
    return parent.isValid() ? 0 : rows_.Count();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 7;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.Count()) return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (role == Qt::ToolTipRole && index.column() != 0 && index.column() != 3) return {};
        // Names that are not UTF-8 are shown with replacement characters; the
        // operations use RowPath, which keeps their bytes.
        if (index.column() == 0 || index.column() == 3)
            return DisplayPath(rows_.Cell(row, index.column()));
        return rows_.Cell(row, index.column());
    case Qt::UserRole + 1: // the real path, bytes kept, as the size list's items hold it
        return index.column() == 0 ? QVariant(rows_.Path(row)) : QVariant();
    case Qt::CheckStateRole:
        if (index.column() == 0) return rows_.Checked(row) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        if (index.column() == 0 && showIcons_) return IconFor(row);
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

void FileListModel::SetRows(FileRowTable rows, bool showIcons) {
    beginResetModel();
    rows_ = std::move(rows);
    showIcons_ = showIcons;
    rowTypes_.clear();
    endResetModel();
}

void FileListModel::SetChecked(int row, bool on) {
    if (row < 0 || row >= Count() || rows_.Checked(row) == on) return;
    rows_.SetChecked(row, on);
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
}

void FileListModel::SetAllChecks(const std::vector<char>& checked) {
    for (int i = 0; i < Count() && std::size_t(i) < checked.size(); ++i)
        rows_.SetChecked(i, checked[std::size_t(i)] != 0);
    if (Count() > 0) emit dataChanged(index(0, 0), index(Count() - 1, 0), {Qt::CheckStateRole});
}

std::vector<char> FileListModel::Checks() const {
    std::vector<char> c(static_cast<std::size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        c[std::size_t(i)] = rows_.Checked(i);
    return c;
}

void FileListModel::SetDupNumbers(const std::vector<int>& numbers) {
    for (int i = 0; i < Count() && std::size_t(i) < numbers.size(); ++i)
        rows_.SetDupNumber(i, numbers[std::size_t(i)]);
    if (Count() > 0) emit dataChanged(index(0, 6), index(Count() - 1, 6), {Qt::DisplayRole});
}

void FileListModel::Reorder(const std::vector<int>& order) {
    if (order.size() != std::size_t(Count())) return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newIndex(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        newIndex[std::size_t(order[i])] = int(i);
    rows_.Reorder(order);
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
        const int removed = rows_.Remove(remove);
        endResetModel();
        return removed;
    }
    // Contiguous blocks from the last to the first, so indices stay valid.
    int removed = 0;
    int i = Count() - 1;
    while (i >= 0) {
        if (!gone(i)) {
            --i;
            continue;
        }
        int first = i;
        while (first > 0 && gone(first - 1))
            --first;
        beginRemoveRows({}, first, i);
        rows_.RemoveRange(first, i);
        endRemoveRows();
        removed += i - first + 1;
        i = first - 1;
    }
    return removed;
}

QIcon FileListModel::IconFor(int row) const {
    // A row's type is found once, when it is first painted; icons are shared by type.
    const QString path = rows_.Path(row);
    auto it = rowTypes_.constFind(path);
    if (it == rowTypes_.constEnd()) it = rowTypes_.insert(path, FileTypeOf(path));
    return FileTypeIcon(*it);
}
