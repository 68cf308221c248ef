#include "gui/pages/FolderListPage.h"
#include "core/engine/DirScanner.h"
#include "core/engine/Progress.h"
#include "gui/widgets/FileTypeIcons.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

FolderListPage::FolderListPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("FolderList"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAllColumnsShowFocus(true);
    list_->setHeaderLabels({QStringLiteral("Folder Names"), QStringLiteral("Size (MB)"),
                            QStringLiteral("Size (KB)"), QStringLiteral("Full Path Names"),
                            QStringLiteral("  ")});
    const int widths[] = {200, 70, 90, 500, 1};
    for (int c = 0; c < 5; ++c)
        list_->setColumnWidth(c, widths[c]);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(false);
    list_->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    list_->headerItem()->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    list_->setToolTip(QStringLiteral("Left click on Pie to calc size of that folder\n"
                                     "Right click on Pie to open explorer in that folder"));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    layout->addWidget(list_);

    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        const QString folder = RowFolder(item);
        if (!folder.isEmpty()) emit RowActivated(folder);
    });
    connect(list_->header(), &QHeaderView::sectionClicked, this, &FolderListPage::ColumnClicked);
}

QString FolderListPage::DisplayName(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const qsizetype i = p.lastIndexOf(QLatin1Char('/'));
    return i < 0 ? p : p.mid(i + 1);
}

QString FolderListPage::RowFolder(const QTreeWidgetItem* row) {
    if (!row) return {};
    QString path = row->data(0, kPathRole).toString();
    // A folder may carry a pseudo row's name; the two cannot be told apart, so neither counts.
    const QString name = DisplayName(path);
    if (name == DirScanner::AllFilesName() || name == DirScanner::FreeSpaceName()) return {};
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QString FolderListPage::SelectedRowFolder() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? QString() : RowFolder(selected.first());
}

QIcon FolderListPage::IconFor(const QString& path) const {
    // Icons are shared by type, so a fill of many rows stays quick.
    return FileTypeIcon(FileTypeOf(path));
}

std::optional<FolderListTotals> FolderListPage::FillFolderList(const QStringList& paths,
                                                               const QStringList& mb,
                                                               const QStringList& kb,
                                                               IProgress* progress) {
    if (paths.isEmpty()) return std::nullopt;
    std::optional<FolderListTotals> totals;
    QList<QTreeWidgetItem*> rows;
    list_->setUpdatesEnabled(false);
    try {
        list_->clear();
        SizeValue sumMB = 0, sumKB = 0;
        const int n = int(paths.size());
        if (progress) progress->SetProgressMax(n - 1);
        rows.reserve(n);
        for (int i = 0; i < n; ++i) {
            const QString m = mb.value(i), k = kb.value(i);
            auto* item = new QTreeWidgetItem(QStringList{DisplayPath(DisplayName(paths[i])), m, k,
                                                         DisplayPath(paths[i]), QString()});
            item->setData(0, kPathRole, paths[i]);
            item->setIcon(0, IconFor(paths[i]));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            rows << item;
            sumMB += StrToSizeValue(m);
            sumKB += StrToSizeValue(k);
            if (progress && (i % 64 == 63 || i == n - 1)) progress->SetAddProgress(i % 64 + 1);
        }
        totals = FolderListTotals{TotalText(sumMB, QStringLiteral("MB")),
                                  TotalText(sumKB, QStringLiteral("KB"))};
    } catch (const std::exception&) {
        // The rows made so far stay; the totals are left as they were.
    }
    list_->addTopLevelItems(rows);
    list_->setUpdatesEnabled(true);
    return totals;
}

void FolderListPage::RowsInOrder(QStringList& paths, QStringList& mb) const {
    paths.clear();
    mb.clear();
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        paths << item->data(0, kPathRole).toString();
        mb << item->text(1);
    }
}
