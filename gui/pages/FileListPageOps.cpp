// The file list's commands: duplicates, search, checks, and the shell
#include "gui/common/WaitCursor.h"
// operations on checked rows.
#include "core/engine/FileFilter.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FileListPage.h"
#include "gui/session/AnalysisSession.h"
#include "platform/FileInfo.h"
#include "platform/NativePath.h"
#include "platform/ShellFileOp.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QTableView>
#include <QTimer>
#include <QUrl>

namespace {

QItemSelection RowRuns(const QAbstractItemModel* model, const std::vector<char>& rows) {
    QItemSelection sel;
    const int last = model->columnCount() - 1;
    const int n = int(rows.size());
    for (int i = 0; i < n;) {
        if (!rows[std::size_t(i)]) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < n && rows[std::size_t(j + 1)])
            ++j;
        sel.append(QItemSelectionRange(model->index(i, 0), model->index(j, last)));
        i = j + 1;
    }
    return sel;
}

} // namespace

// --- selection helpers -------------------------------------------------------

std::vector<char> FileListPage::SelectedFlags() const {
    std::vector<char> flags(std::size_t(Model->Count()));
    for (const QItemSelectionRange& r : fileList_->selectionModel()->selection())
        for (int i = r.top(); i <= r.bottom() && i < Model->Count(); ++i)
            flags[std::size_t(i)] = 1;
    return flags;
}

int FileListPage::SelectedCount() const {
    int n = 0;
    for (char c : SelectedFlags())
        n += c;
    return n;
}

int FileListPage::SingleSelectedRow() const {
    const std::vector<char> sel = SelectedFlags();
    int row = -1;
    for (std::size_t i = 0; i < sel.size(); ++i)
        if (sel[i]) {
            if (row >= 0) return -1;
            row = int(i);
        }
    return row;
}

void FileListPage::SelectRows(const std::vector<char>& selected) {
    fileList_->selectionModel()->select(RowRuns(Model, selected),
                                        QItemSelectionModel::ClearAndSelect);
}

void FileListPage::FileListSelectItem(const QItemSelection& selected,
                                      const QItemSelection& deselected) {
    const QItemSelection& changed = selected.isEmpty() ? deselected : selected;
    if (!changed.isEmpty()) FileSearchIndex = changed.first().top();
}

// --- duplicates ------------------------------------------------------------

void FileListPage::FindDuplicates() {
    if (Model->Count() < 2) return;
    if (!detailsBox_->isChecked() || !Model->Rows().Detail()) {
        ShowMessage(window(), QStringLiteral("Please refill file list and check \"Details\" to use "
                                             "this function\""));
        return;
    }
    MarkDuplicates(true, true);
}

void FileListPage::MarkDuplicates(bool compareSize, bool compareDate) {
    WaitCursor wait;
    std::size_t pairs = 0;
    std::vector<char> select;
    try {
        SortByColumn(0);
        fileList_->setUpdatesEnabled(false);
        const auto found = DuplicatePairs(Model->Rows(), compareSize, compareDate);
        pairs = found.size();
        std::vector<char> checks = Model->Checks();
        select.assign(std::size_t(Model->Count()), 0);
        std::vector<int> numbers(std::size_t(Model->Count()));
        for (int i = 0; i < Model->Count(); ++i)
            numbers[std::size_t(i)] = Model->Rows().DupNumber(i);
        for (std::size_t n = 0; n < found.size(); ++n) {
            checks[std::size_t(found[n].first)] = 1;
            select[std::size_t(found[n].second)] = 1;
            numbers[std::size_t(found[n].first)] = int(n);
            numbers[std::size_t(found[n].second)] = int(n);
        }
        Model->SetAllChecks(checks);
        Model->SetDupNumbers(numbers);
        fileList_->setFocus();
    } catch (...) {
        // The closing steps below still run.
    }
    // Numbered rows sort before those still marked "x", in pair order. The
    // second rows of the pairs are selected in their new places: carrying
    // thousands of selected ranges through a sort is slow.
    const std::vector<int> order = SortRows(6);
    if (pairs > 0 && select.size() == std::size_t(Model->Count())) {
        std::vector<char> moved = select;
        if (order.size() == select.size())
            for (std::size_t i = 0; i < order.size(); ++i)
                moved[i] = select[std::size_t(order[i])];
        fileList_->selectionModel()->select(RowRuns(Model, moved), QItemSelectionModel::Select);
    }
    fileList_->setUpdatesEnabled(true);
    if (pairs < 1)
        ShowLabelForAWhile(QStringLiteral("no duplicate file"));
    else
        fileList_->scrollToTop();
}

// --- search --------------------------------------------------------------

void FileListPage::FindFileClick() {
    if (FileSearchIndex > Model->Count() - 1) FileSearchIndex = -1;
    QString text = LastSearchText;
    if (!InputQuery(QStringLiteral("Enter part of a search str"), QStringLiteral("of a file name"),
                    text))
        return;
    LastSearchText = text;
    FileSearchIndex = FindFileRow(text, FileSearchIndex);
}

int FileListPage::FindFileRow(const QString& text, int start) {
    const int h = FindFileRowIndex(Model->Rows(), text, start);
    if (h >= 0) {
        FileSearchIndex = h;
        fileList_->selectionModel()->setCurrentIndex(
            Model->index(h, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (h > 0) fileList_->scrollTo(Model->index(h - 1, 0), QAbstractItemView::PositionAtTop);
    } else {
        ShowLabelForAWhile(QStringLiteral("no match"));
        FileSearchIndex = -1;
    }
    fileList_->setFocus();
    return h;
}

// --- checks ----------------------------------------------------------------

void FileListPage::CheckRows(bool state, bool allRows) {
    std::vector<char> checks = Model->Checks();
    const std::vector<char> selected = allRows ? std::vector<char>() : SelectedFlags();
    for (std::size_t i = 0; i < checks.size(); ++i)
        if (allRows || selected[i]) checks[i] = state;
    Model->SetAllChecks(checks);
}

void FileListPage::SwapCheckedAndSelected() {
    std::vector<char> checks = Model->Checks();
    std::vector<char> selected = SelectedFlags();
    ::SwapCheckedAndSelected(checks, selected);
    fileList_->setUpdatesEnabled(false);
    Model->SetAllChecks(checks);
    SelectRows(selected);
    fileList_->setUpdatesEnabled(true);
}

QStringList FileListPage::CheckedPaths() const {
    QStringList paths;
    for (int i = 0; i < Model->Count(); ++i)
        if (Model->Checked(i)) paths << Model->RowPath(i);
    return paths;
}

void FileListPage::RemoveCheckedRows() {
    Model->RemoveRows(Model->Checks());
}

bool FileListPage::ShellOperationOnList(const QStringList& paths, const QString& target,
                                        int operation, std::vector<char>* handled) {
    try {
        ShellFileOp op(ShellUi ? ShellUi : Dialogs());
        const bool ok = op.Run(operation, paths, target, FOF_ALLOWUNDO) == sorOk;
        if (handled) *handled = op.HandledFlags();
        return ok;
    } catch (...) {
        return false;
    }
}

bool FileListPage::RemoveHandledRows(const std::vector<char>& handled) {
    // handled has one flag per checked row, in row order.
    std::vector<char> remove(std::size_t(Model->Count()), 0);
    std::size_t k = 0;
    bool any = false;
    for (std::size_t i = 0; i < remove.size() && k < handled.size(); ++i)
        if (Model->Checked(int(i))) any |= (remove[i] = handled[k++]) != 0;
    if (any) Model->RemoveRows(remove);
    return any;
}

void FileListPage::FileListAction(const QString& target, int operation) {
    WaitCursor wait;
    const QStringList paths = CheckedPaths();
    if (paths.isEmpty()) return;
    // The shell's own dialogs need the normal cursor.
    std::vector<char> handled;
    bool ok = false;
    {
        const WaitCursor normal(Qt::ArrowCursor);
        ok = ShellOperationOnList(paths, target, operation, &handled);
    }
    if (ok) {
        RemoveCheckedRows();
        ShowFileCount();
        return;
    }
    // After "Skip" the items already moved or trashed lose their rows; the
    // skipped ones keep theirs, still checked.
    if (RemoveHandledRows(handled)) ShowFileCount();
}

void FileListPage::MoveCheckedClick() {
    FolderDialog pd(window());
    pd.Directory = session_.CurrentFolder();
    pd.Title = QStringLiteral("Select target directory");
    if (pd.Execute()) FileListAction(pd.Directory, FO_MOVE);
}

void FileListPage::CopyCheckedClick() {
    FolderDialog pd(window());
    pd.Directory = session_.CurrentFolder();
    pd.Title = QStringLiteral("Select target directory");
    if (pd.Execute()) FileListAction(pd.Directory, FO_COPY);
}

void FileListPage::DeleteCheckedToTrash() {
    FileListAction(QStringLiteral("c:\\"), FO_DELETE);
}

// --- one selected row ------------------------------------------------------

void FileListPage::FileListDblClick() {
    const int row = SingleSelectedRow();
    if (row < 0) return;
    QDesktopServices::openUrl(FileUrl(Model->RowPath(row)));
}

void FileListPage::ShowRowMenu() {
    const int row = SingleSelectedRow();
    const bool one = row >= 0;
    showFileTypeItem_->setEnabled(one);
    restoreArchiveItem_->setEnabled(one &&
                                    Model->RowPath(row).contains(QLatin1String("Archived_files")));
}

QString FileListPage::FileTypeText(const QString& p) {
    const QString a = FileAttributeText(p);
    QString v;
    if (p.endsWith(QLatin1String(".exe")) && PathExtension(p) == QLatin1String(".exe")) {
        QStringList lines;
        FileVersionLines(p, lines);
        for (const QString& l : lines)
            v += l + QStringLiteral("\r\n");
    }
    const QString t = FileTypeName(p);
    const QString br = QStringLiteral("\n\r");
    return QStringLiteral("FileName:") + br + DisplayPath(p) + QStringLiteral("  ") + br + br +
           QStringLiteral("FileType:") + br + t + br + br + QStringLiteral("FileAttributes:") + a +
           br + br + v;
}

void FileListPage::ShowFileTypeClick() {
    const int row = SingleSelectedRow();
    if (row < 0) return;
    ShowListText(FileTypeText(Model->RowPath(row)));
}
