#include "gui/commands/CompareCommands.h"
#include "core/compare/FolderChanges.h"
#include "core/snapshot/Snapshot.h"
#include "gui/commands/CommandContext.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/ListSort.h"
#include "gui/common/SnapshotFile.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/ChartPages.h"
#include "gui/pages/FolderListPage.h"
#include "gui/session/AnalysisSession.h"
#include "platform/NativePath.h"
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>

namespace {

QString RunDialog(const QString& folder) {
    const QString start = HasRawBytes(folder) ? QString() : folder;
    return QFileDialog::getOpenFileName(QApplication::activeWindow(),
                                        QStringLiteral("Compare with Snapshot"), start,
                                        QStringLiteral("ncdu/gdu JSON export (*.json *)"));
}

CompareCommands::DialogFunction& Dialog() {
    static CompareCommands::DialogFunction dialog = RunDialog;
    return dialog;
}

// Sorts signed changes as numbers: the list sorts digits-only texts numerically,
// so the key is the change moved above zero (exact in a double up to 2^53).
QString SortKey(std::int64_t bytes) {
    return QString::number(bytes + (std::int64_t(1) << 51));
}

QString SignedMB(std::int64_t bytes) {
    const QString mb = SizeText(suMB, BytesToSizeValue(bytes < 0 ? -bytes : bytes));
    return bytes > 0 ? QLatin1Char('+') + mb : bytes < 0 ? QLatin1Char('-') + mb : mb;
}

const QColor kGrowth(176, 32, 32), kShrink(24, 128, 48);

} // namespace

void CompareCommands::SetFileDialog(DialogFunction dialog) {
    Dialog() = dialog ? std::move(dialog) : DialogFunction(RunDialog);
}

CompareCommands::CompareCommands(const CommandContext& context, FolderListPage& list,
                                 ChartPages& charts)
    : QObject(&context.window), session_(context.session), list_(list), charts_(charts),
      window_(&context.window),
      compare_(context.commands.Action(QStringLiteral("actCompareSnapshot"))),
      chartMode_(context.commands.Action(QStringLiteral("actChartShowsChange"))),
      panel_(new QLabel(&context.window)) {
    panel_->setObjectName(QStringLiteral("ComparePanel"));
    panel_->setContentsMargins(4, 0, 4, 0);
    panel_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel_->hide();
    chartMode_->setEnabled(false);
    connect(compare_, &QAction::triggered, this, &CompareCommands::CompareTriggered);
    connect(chartMode_, &QAction::toggled, this, &CompareCommands::RefillCharts);
    connect(&session_, &AnalysisSession::ComparisonChanged, this,
            &CompareCommands::ComparisonChanged);
    // Every fill and every sort puts the rows in anew: their changes follow.
    connect(list_.FolderList()->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (!filling_) ShowListChanges();
    });
}

void CompareCommands::CompareTriggered(bool on) {
    if (!on) {
        session_.SetComparison(nullptr);
        return;
    }
    compare_->setChecked(false); // until a comparison is there
    if (!session_.ShownTree()) {
        ShowMessage(window_, QStringLiteral("Analyse a folder or open a snapshot first; then "
                                            "compare it with an earlier snapshot."));
        return;
    }
    const QString file = Dialog()(openFolder_.isEmpty() ? session_.CurrentFolder() : openFolder_);
    if (file.isEmpty()) return;
    if (CompareWith(file)) openFolder_ = QFileInfo(file).absolutePath() + QLatin1Char('/');
}

bool CompareCommands::CompareWith(const QString& fileName) {
    const std::shared_ptr<const Tree> shown = session_.ShownTree();
    if (!shown) return false;
    std::shared_ptr<const SnapshotComparison> made;
    if (!WithSnapshotFile(window_, fileName, [&](std::shared_ptr<const Snapshot> base) {
            made = SnapshotComparison::Make(std::move(base), QFileInfo(fileName).absoluteFilePath(),
                                            shown);
        }))
        return false;
    session_.SetComparison(std::move(made));
    return true;
}

void CompareCommands::ComparisonChanged() {
    const bool on = session_.Comparison() != nullptr;
    compare_->setChecked(on);
    chartMode_->setEnabled(on);
    if (!on && chartMode_->isChecked())
        chartMode_->setChecked(false); // refills the charts
    else if (chartMode_->isChecked())
        RefillCharts();
    ShowListChanges();
}

void CompareCommands::ShowListChanges() {
    QTreeWidget* list = list_.FolderList();
    const std::shared_ptr<const SnapshotComparison> c = session_.Comparison();
    filling_ = true;
    if (!c) {
        if (list->columnCount() > kChangeColumn) list->setColumnCount(kChangeColumn);
        panel_->hide();
        filling_ = false;
        return;
    }
    if (list->columnCount() <= kChangeColumn) {
        list->setColumnCount(kChangeColumn + 1);
        list->headerItem()->setText(kChangeColumn, QStringLiteral("Change (MB)"));
        list->headerItem()->setTextAlignment(kChangeColumn, Qt::AlignRight | Qt::AlignVCenter);
        list->setColumnWidth(kChangeColumn, 110);
        // After the path column, which is wide: move it next to the sizes.
        list->header()->moveSection(list->header()->visualIndex(kChangeColumn), 3);
    }
    QStringList paths;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        paths << list->topLevelItem(i)->data(0, FolderListPage::kPathRole).toString();
    const RowChanges changes = ChangesOfRows(*c, paths);
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list->topLevelItem(i);
        const std::optional<RowChange>& rc = changes.rows[std::size_t(i)];
        row->setTextAlignment(kChangeColumn, Qt::AlignRight | Qt::AlignVCenter);
        if (!rc) {
            row->setText(kChangeColumn, QString());
            row->setData(kChangeColumn, kSortKeyRole, QVariant());
            continue;
        }
        row->setText(kChangeColumn,
                     SignedMB(rc->bytes) + (rc->added ? QStringLiteral(" new") : QString()));
        row->setData(kChangeColumn, kSortKeyRole, SortKey(rc->bytes));
        row->setForeground(kChangeColumn, rc->bytes > 0   ? QBrush(kGrowth)
                                          : rc->bytes < 0 ? QBrush(kShrink)
                                                          : QBrush());
        row->setToolTip(kChangeColumn,
                        rc->added ? QStringLiteral("New since the snapshot") : QString());
    }
    // What is gone cannot be a row: the panel names it.
    QString text = QStringLiteral("Base: %1").arg(QFileInfo(c->baseFile).fileName());
    const std::vector<Tree::Index>& gone = changes.folder.removed;
    if (!gone.empty()) {
        QStringList names;
        for (std::size_t k = 0; k < gone.size() && k < 5; ++k)
            names << DisplayPath(c->base->Name(gone[k])) +
                         (c->base->At(gone[k]).IsFolder() ? QStringLiteral("/") : QString());
        if (gone.size() > 5) names << QStringLiteral("...");
        text += QStringLiteral("; gone: %1").arg(names.join(QStringLiteral(", ")));
    }
    panel_->setText(text);
    panel_->setToolTip(QStringLiteral("The base of the comparison: %1 (taken of %2)")
                           .arg(DisplayPath(c->baseFile), DisplayPath(c->base->RootPath())));
    panel_->show();
    filling_ = false;
}

void CompareCommands::RefillCharts() {
    QStringList paths, mb;
    list_.RowsInOrder(paths, mb);
    try {
        charts_.FillCharts(paths, mb);
    } catch (const std::exception&) {
        return; // a size that does not read leaves the charts as they were filled
    }
    ChartsFilled();
}

void CompareCommands::ChartsFilled() {
    const std::shared_ptr<const SnapshotComparison> c = session_.Comparison();
    if (!c || !chartMode_->isChecked()) return;
    ChartBase* bars = charts_.ChartOf(ChartPages::BarPage);
    if (!bars) return;
    std::vector<ChartPoint>& points = bars->Series().points;
    QStringList paths;
    for (const ChartPoint& p : points)
        paths << p.path;
    const RowChanges changes = ChangesOfRows(*c, paths);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::int64_t bytes = changes.rows[i] ? changes.rows[i]->bytes : 0;
        // Bars grow one way: the length is the amount, the colour and the mark the sign.
        points[i].value = double(bytes < 0 ? -bytes : bytes) / 1048576.0;
        points[i].negative = bytes < 0;
        points[i].color = bytes < 0 ? kShrink : kGrowth;
    }
    const QString folder = paths.isEmpty() ? session_.CurrentFolder() : FolderOfRows(paths);
    bars->SetTitle(
        {QStringLiteral("Change since %1 in:").arg(QFileInfo(c->baseFile).fileName()), folder});
    bars->PointsChanged();
}
