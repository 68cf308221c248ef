#include "gui/pages/TempFoldersPage.h"
#include "gui/common/FolderActions.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

namespace {
QString Shown(QString hint) {
    return hint.replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

// The row under the mouse is underlined, as a link would be.
class HotItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->state & QStyle::State_MouseOver) option->font.setUnderline(true);
    }
};

constexpr int kPickerFlags = 37; // file-system folders only, status text, validate
} // namespace

TempFoldersPage::TempFoldersPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("TempFoldersPage"));
    const QString listHint = QStringLiteral(
        "Add here directories with temporary files e.g. \r\nnetscape cache, temp etc.\r\nall "
        "files will be deleted bz pressing go hide traces\r\nif relevant edit box is "
        "checked.\r\n\r\nYou can also manually manipulate those files in\r\na single folder by "
        "pressing edit folder\r\n\r\nWith delete files you can delete all files in one "
        "selected\r\ndirectory");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* group = new QGroupBox(QStringLiteral("Directories with temporary files"), this);
    group->setObjectName(QStringLiteral("TempFoldersGroup"));
    layout->addWidget(group);
    auto* groupLayout = new QVBoxLayout(group);
    auto* buttons = new QHBoxLayout;
    groupLayout->addLayout(buttons);

    auto button = [group, buttons](const char* name, const char* caption, const QString& hint) {
        auto* b = new QToolButton(group);
        b->setObjectName(QLatin1String(name));
        b->setText(QLatin1String(caption));
        b->setToolTip(Shown(hint));
        b->setAutoRaise(true);
        b->setMinimumWidth(80);
        buttons->addWidget(b);
        return b;
    };
    addButton_ = button("AddTempFolder", "+ Add", listHint);
    removeButton_ = button("RemoveTempFolder", "- Remove", listHint);
    editButton_ = button(
        "EditTempFolder", "Edit",
        QStringLiteral("This button displays the content of the selected\r\ndirectory (files "
                       "and folders) for editing.\r\n\r\nFrom here you can select all files "
                       "which are not \r\nmarked as read only for deletion.\r\n\r\nThe folder "
                       "structure remains untouched."));
    deleteFilesButton_ = button(
        "DeleteTempFiles", "Delete Files",
        QStringLiteral("Delete files in selected temporary folders.\r\n\r\nThis will delete all "
                       "files in the selected folder \r\n(if they are not marked as read "
                       "only)\r\nThe folder structure will not be touched.\r\n"));
    buttons->addStretch(1);

    folders_ = new QTreeWidget(group);
    folders_->setObjectName(QStringLiteral("TempFolderList"));
    folders_->setColumnCount(1);
    folders_->setColumnWidth(0, 400);
    folders_->setHeaderHidden(true);
    folders_->header()->setSectionsClickable(false);
    folders_->setRootIsDecorated(false);
    folders_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    folders_->setSelectionBehavior(QAbstractItemView::SelectRows);
    folders_->setAllColumnsShowFocus(true);
    folders_->setMouseTracking(true);
    folders_->viewport()->setAttribute(Qt::WA_Hover);
    folders_->setItemDelegate(new HotItemDelegate(folders_));
    folders_->setToolTip(Shown(listHint));
    groupLayout->addWidget(folders_, 1);

    connect(addButton_, &QToolButton::clicked, this, &TempFoldersPage::AddFolderClick);
    connect(removeButton_, &QToolButton::clicked, this, &TempFoldersPage::RemoveFoldersClick);
    connect(deleteFilesButton_, &QToolButton::clicked, this, &TempFoldersPage::DeleteFilesClick);
    // "Edit" is placed and does nothing yet.
}

void TempFoldersPage::AddFolderClick() {
    if (browseStart_.isEmpty()) {
        const QList<QTreeWidgetItem*> selected = folders_->selectedItems();
        browseStart_ = selected.size() == 1 ? selected.first()->text(0) : QStringLiteral("/");
    }
    QString chosen = browseStart_;
    BrowseForFolders picker;
    if (!picker.BrowseFolderFrom(window(), chosen, QStringLiteral("Select Directory Sample"),
                                 QString(), kPickerFlags))
        return;
    browseStart_ = chosen; // also when the folder is refused below
    if (!CheckFolderAllowed(window(), chosen)) return;
    auto* row = new QTreeWidgetItem(folders_, QStringList{chosen});
    row->setIcon(0, QFileIconProvider().icon(QFileIconProvider::Folder));
}

void TempFoldersPage::RemoveFoldersClick() {
    for (int i = folders_->topLevelItemCount() - 1; i >= 0; --i)
        if (folders_->topLevelItem(i)->isSelected())
            std::unique_ptr<QTreeWidgetItem>(folders_->takeTopLevelItem(i));
}

void TempFoldersPage::DeleteFilesClick() {
    if (folders_->selectedItems().size() != 1) return;
    if (!AskWarningYesNo(window(), QStringLiteral("Do you really want to delete all files in the "
                                                  "selected folder \r\nincluding its subfolders?")))
        return;
    ShowMessage(window(), QStringLiteral("not supported yet"));
}
