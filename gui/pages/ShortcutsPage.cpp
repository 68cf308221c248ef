#include "gui/pages/ShortcutsPage.h"
#include "core/cleanup/EmptyFolders.h"
#include "core/cleanup/ShortcutChecker.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/AppIcons.h"
#include "gui/common/ListSort.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/session/AnalysisSession.h"
#include "platform/NativePath.h"
#include "platform/Trash.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// A combo box that tells when its list is opened.
class DropDownCombo : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnDropDown;
    void showPopup() override {
        if (OnDropDown) OnDropDown();
        QComboBox::showPopup();
    }
};

constexpr int kConditionColumn = 2;
constexpr int kPathColumn = 3;

} // namespace

ShortcutsPage::ShortcutsPage(AnalysisSession& session, CommandTable& commands, QWidget* parent)
    : QWidget(parent), session_(session), commands_(commands) {
    setObjectName(QStringLiteral("ShortcutsPage"));
    SendToTrash = [](const QString& path, QString* error) { return MoveToTrash(path, error); };
    OpenFolder = [](const QString& folder) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildToolBar();
    BuildList();
    layout->addWidget(toolBar_);
    layout->addWidget(list_, 1);
}

void ShortcutsPage::BuildToolBar() {
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("CleanupToolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    // Images only: the captions stay for accessibility and tests.
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    auto button = [this](QToolButton*& b, const char* name, const char* caption, const char* hint,
                         const QIcon& icon, std::function<void()> handler) {
        b = new QToolButton(toolBar_);
        b->setObjectName(QLatin1String(name));
        b->setText(QLatin1String(caption));
        b->setToolTip(QLatin1String(hint));
        b->setIcon(icon);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, [handler] { handler(); });
        toolBar_->addWidget(b);
    };
    button(listShortcutsButton_, "ListShortcutsButton", "List shortcuts",
           "List all shortcuts in the location\r\nlisted in the combo box.\r\nLinks with a broken "
           "reference\r\nwill be checked for later \r\ndeletion",
           ThemeIcon(QStringLiteral("edit-find"), QStyle::SP_FileDialogContentsView),
           [this] { ListShortcutsClick(); });
    button(listEmptyFoldersButton_, "ListEmptyFoldersButton", "List empty folders",
           "List empty folders\r\n(This does not list\r\nfolders containing\r\none empty "
           "folder!)\r\n\r\nUse this function n times\r\nor use DeleteEmpty\r\nFolders function",
           ThemeIcon(QStringLiteral("folder"), QStyle::SP_DirIcon),
           [this] { ListEmptyFoldersClick(); });
    button(deleteCheckedButton_, "DeleteCheckedButton", "Delete checked items",
           "Delete checked items\r\ninto recycle bin",
           ThemeIcon(QStringLiteral("user-trash"), QStyle::SP_TrashIcon), [this] {
               WaitCursor wait;
               DeleteCheckedRows();
           });
    toolBar_->addSeparator();
    button(deleteEmptyFoldersButton_, "DeleteEmptyFoldersButton", "Delete empty folders",
           "Delete empty folders\r\nwith subfolders without\r\nconfirmation dialog\r\ninto "
           "recycle bin",
           ThemeIcon(QStringLiteral("edit-delete"), QStyle::SP_DialogDiscardButton),
           [this] { DeleteEmptyFoldersClick(); });
    toolBar_->addSeparator();

    auto* combo = new DropDownCombo(toolBar_);
    startCombo_ = combo;
    startCombo_->setObjectName(QStringLiteral("StartMenuCombo"));
    startCombo_->setEditable(true);
    startCombo_->setInsertPolicy(QComboBox::NoInsert);
    startCombo_->setFixedWidth(164);
    startCombo_->addItems({QStringLiteral("Common start menu"), QStringLiteral("User start menu"),
                           QStringLiteral("Desktop"), QStringLiteral("Recent used documents"),
                           QStringLiteral("Browse ..."), QString()});
    startCombo_->setCurrentIndex(spCommonStartMenu);
    combo->OnDropDown = [this] { StartMenuComboDropDown(); };
    connect(startCombo_, &QComboBox::activated, this, &ShortcutsPage::StartMenuComboActivated);
    connect(startCombo_->lineEdit(), &QLineEdit::textEdited, this, [this] { typedStart_ = true; });
    toolBar_->addWidget(startCombo_);
}

void ShortcutsPage::BuildList() {
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("LV_Shortcut"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels(CleanupColumnCaptions());
    const int widths[] = {250, 300, 50, 300};
    for (int c = 0; c < 4; ++c)
        list_->setColumnWidth(c, widths[c]);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionsClickable(true);
    list_->setToolTip(QStringLiteral("Click on Item to select. Shift & Click to \r\nselect "
                                     "multiple items.\r\nRight click to check selected "
                                     "items.\r\nRight click to delete checked items."));
    list_->setContextMenuPolicy(Qt::CustomContextMenu);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("Pop_Shortcut"));
    const ImageList& images = commands_.MenuImgList;
    checkBrokenItem_ = menu_->addAction(images.value(17), QStringLiteral("Check broken Items"),
                                        this, [this] { CheckRowsByCondition("BROKEN"); });
    checkCDRomItem_ = menu_->addAction(images.value(17), QStringLiteral("Check Items on CDRom"),
                                       this, [this] { CheckRowsByCondition("CDROM"); });
    uncheckSelectedItem_ =
        menu_->addAction(images.value(18), QStringLiteral("Uncheck selected items"));
    menu_->addSeparator();
    deleteCheckedItem_ = menu_->addAction(images.value(5), QStringLiteral("Delete checked items"),
                                          this, &ShortcutsPage::DeleteCheckedRows);
    // The menu item runs the window's command, which any key binding reaches too.
    if (QAction* command = commands_.Action(QStringLiteral("actUncheck_Selected"))) {
        connect(uncheckSelectedItem_, &QAction::triggered, command, &QAction::trigger);
        connect(command, &QAction::triggered, this, &ShortcutsPage::UncheckSelected);
    } else {
        connect(uncheckSelectedItem_, &QAction::triggered, this, &ShortcutsPage::UncheckSelected);
    }
    checkBrokenItem_->setObjectName(QStringLiteral("CheckBrokenItem"));
    checkCDRomItem_->setObjectName(QStringLiteral("CheckCDRomItem"));
    uncheckSelectedItem_->setObjectName(QStringLiteral("UncheckSelectedItem"));
    deleteCheckedItem_->setObjectName(QStringLiteral("DeleteCheckedItem"));
    connect(menu_, &QMenu::aboutToShow, this, &ShortcutsPage::UpdateMenuItems);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { menu_->popup(list_->viewport()->mapToGlobal(pos)); });
    connect(list_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(list_, column, session_.SortState()); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        RowDoubleClicked(list_->indexOfTopLevelItem(item));
    });
    // The file list's search goes on from the row last selected in either list.
    connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) emit RowChosen(list_->indexOfTopLevelItem(item));
    });
    UpdateMenuItems();
}

QString ShortcutsPage::CleanupStartFolder() const {
    const int index = typedStart_ ? -1 : startCombo_->currentIndex();
    if (index < 0) return {};
    return ::CleanupStartFolder(index, startCombo_->itemText(spBrowsedFolder),
                                startCombo_->currentText());
}

QString ShortcutsPage::StartFolderOrRefuse() {
    const QString start = CleanupStartFolder();
    // Starting anywhere else would reach the whole disk.
    if (start.isEmpty())
        ShowMessage(window(), QStringLiteral("No start folder chosen.\r\nChoose a place from the "
                                             "list or \"Browse ...\" for a folder."));
    return start;
}

void ShortcutsPage::StartMenuComboActivated(int index) {
    typedStart_ = false;
    if (index == spBrowsedFolder) {
        startCombo_->setCurrentIndex(spCommonStartMenu);
        return;
    }
    if (index != spBrowse) return;
    QString r = BrowseForFolders().BrowseFolder(
        QStringLiteral("Select Directory where Morvane starts looking for shortcuts!"), 0);
    if (!r.endsWith(u'/')) r += u'/';
    if (r == QLatin1String("/") || !QFileInfo(r).isDir()) {
        startCombo_->setCurrentIndex(spCommonStartMenu);
        return;
    }
    startCombo_->setItemText(spBrowsedFolder, r);
    startCombo_->setCurrentIndex(spBrowsedFolder);
    startCombo_->setEditText(r);
    // The bottom combo is a status line on this page: showing the folder must
    // not select it as the window's folder.
    emit BottomBoxText(r);
}

void ShortcutsPage::StartMenuComboDropDown() {
    startCombo_->setItemText(spBrowsedFolder, QString());
    emit BottomBoxText(QString());
}

void ShortcutsPage::ShowRows(const std::vector<CleanupRow>& rows) {
    QList<QTreeWidgetItem*> items;
    items.reserve(qsizetype(rows.size()));
    for (const CleanupRow& r : rows) {
        auto* item = new QTreeWidgetItem(QStringList{r.name, r.target, r.condition, r.path});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, r.checked ? Qt::Checked : Qt::Unchecked);
        items << item;
    }
    list_->addTopLevelItems(items);
}

void ShortcutsPage::ListShortcutsClick() {
    const QString start = StartFolderOrRefuse();
    if (start.isEmpty()) return;
    WaitCursor wait;
    list_->setUpdatesEnabled(false);
    list_->clear();
    folderRows_ = false;
    ShowRows(ScanShortcuts(start));
    list_->setUpdatesEnabled(true);
    UpdateMenuItems();
    // Working shortcuts count as rows: the message only says nothing was found.
    if (list_->topLevelItemCount() == 0)
        ShowMessage(window(), QStringLiteral("No broken shortcut found"));
}

void ShortcutsPage::ListEmptyFoldersClick() {
    const QString start = StartFolderOrRefuse();
    if (start.isEmpty()) return;
    WaitCursor wait;
    list_->setUpdatesEnabled(false);
    list_->clear();
    folderRows_ = true;
    listedStart_ = start;
    ShowRows(ListEmptyFolders(start));
    list_->setUpdatesEnabled(true);
    UpdateMenuItems();
    if (list_->topLevelItemCount() == 0)
        ShowMessage(window(), QStringLiteral("No empty folders found"));
}

void ShortcutsPage::DeleteEmptyFoldersClick() {
    const QString start = StartFolderOrRefuse();
    if (start.isEmpty()) return;
    WaitCursor wait;
    list_->clear();
    folderRows_ = false;
    UpdateMenuItems();
    if (!AskWarningYesNo(window(), QStringLiteral("This will scan through the selected path "
                                                  "including subpath\r\nfor empty directories and "
                                                  "delete them to recycle bin\r\nDo you want to "
                                                  "proceed?")))
        return;
    QString error;
    DeleteEmptyFolders(start, [this, &error](const QString& path) {
        QString why;
        if (SendToTrash(path, &why)) return true;
        if (error.isEmpty()) error = why;
        return false;
    });
    // A folder that stays is told once, with the first reason (a refused Trash).
    if (!error.isEmpty()) ShowErrorMessage(window(), error);
}

void ShortcutsPage::DeleteCheckedRows() {
    QStringList kept;
    QString error;
    for (int i = list_->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->checkState(0) != Qt::Checked) continue;
        QString p = item->text(kPathColumn);
        while (p.size() > 1 && p.endsWith(u'/'))
            p.chop(1);
        // A listed folder may have gained content or become a link since.
        if (folderRows_ && !MayTrashListedFolder(NativePath(p), NativePath(listedStart_))) {
            kept.prepend(DisplayPath(p));
            continue;
        }
        // A row whose path could not go stays, still checked.
        QString why;
        if (SendToTrash(p, &why))
            delete list_->takeTopLevelItem(i);
        else if (error.isEmpty())
            error = why;
    }
    UpdateMenuItems();
    if (!kept.isEmpty())
        ShowMessage(window(), QStringLiteral("These folders were left where they are: the start "
                                             "folder stays, and a folder that is no longer empty, "
                                             "or has become a link, is not removed.\r\n") +
                                  kept.join(QStringLiteral("\r\n")));
    if (!error.isEmpty()) ShowErrorMessage(window(), error);
}

void ShortcutsPage::CheckRowsByCondition(const QString& word) {
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (ConditionMatches(item->text(kConditionColumn), word))
            item->setCheckState(0, Qt::Checked);
    }
}

void ShortcutsPage::UncheckSelected() {
    for (QTreeWidgetItem* item : list_->selectedItems())
        item->setCheckState(0, Qt::Unchecked);
}

void ShortcutsPage::UpdateMenuItems() {
    const bool rows = list_->topLevelItemCount() > 0;
    uncheckSelectedItem_->setEnabled(rows && !list_->selectedItems().isEmpty());
    checkBrokenItem_->setEnabled(rows);
    deleteCheckedItem_->setEnabled(rows);
    checkCDRomItem_->setEnabled(true);
}

void ShortcutsPage::RowDoubleClicked(int row) {
    const QTreeWidgetItem* item = list_->topLevelItem(row);
    if (!item) return;
    const QString path = item->text(kPathColumn);
    // An empty-folder row is a folder to open; a shortcut opens where it lies.
    const bool folderRow = item->text(kConditionColumn) == QLatin1String("Empty");
    OpenFolder(folderRow ? path : QFileInfo(path).absolutePath());
}
