#pragma once
// The "Folder Size List" page: one row per measured folder with its sizes, and
// the totals of the rows for the status bar.
#include "core/engine/SizeText.h"
#include <QIcon>
#include <QStringList>
#include <QWidget>
#include <optional>

class IProgress;
class QTreeWidget;
class QTreeWidgetItem;

// Totals of a fill, as the status bar shows them ("%n MB", "%n KB").
struct FolderListTotals {
    QString MBText;
    QString KBText;
};

class FolderListPage : public QWidget {
    Q_OBJECT
public:
    explicit FolderListPage(QWidget* parent = nullptr);

    QTreeWidget* FolderList() const { return list_; }
    // Column 0 of a row holds its full path, as the file system has it.
    static constexpr int kPathRole = Qt::UserRole + 1;
    // The folder a row stands for, from the path it stores (no trailing '/');
    // empty without a row and for the pseudo rows. Every command on a row
    // takes its folder from here: the caption is for reading only, and the
    // current folder may have moved on since the list was filled.
    static QString RowFolder(const QTreeWidgetItem* row);
    // RowFolder of the selected row.
    QString SelectedRowFolder() const;

    // Replaces the rows with the given parallel lists and returns the totals.
    // Repaints once. With no rows nothing changes and nothing is returned.
    // Throws nothing: a row whose size does not parse ends the fill there.
    std::optional<FolderListTotals> FillFolderList(const QStringList& paths, const QStringList& mb,
                                                   const QStringList& kb, IProgress* progress);

    // Paths and MB texts of the rows in their current order.
    void RowsInOrder(QStringList& paths, QStringList& mb) const;

    static QString DisplayName(const QString& path);

signals:
    // A double click on a folder's row, with RowFolder of it.
    void RowActivated(const QString& folder);
    void ColumnClicked(int column);

private:
    QIcon IconFor(const QString& path) const;

    QTreeWidget* list_;
};
