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

    // Replaces the rows with the given parallel lists and returns the totals.
    // Repaints once. With no rows nothing changes and nothing is returned.
    // Throws nothing: a row whose size does not parse ends the fill there.
    std::optional<FolderListTotals> FillFolderList(const QStringList& paths, const QStringList& mb,
                                                   const QStringList& kb, IProgress* progress);

    // Paths and MB texts of the rows in their current order.
    void RowsInOrder(QStringList& paths, QStringList& mb) const;

    static QString DisplayName(const QString& path);

signals:
    // A double click on a row, with the real name of its folder (the caption
    // shows a name that is not UTF-8 with replacement characters).
    void RowActivated(const QString& caption);
    void ColumnClicked(int column);

private:
    QIcon IconFor(const QString& path) const;

    QTreeWidget* list_;
};
