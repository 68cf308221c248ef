#include "gui/pages/FolderPane.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ShellOpDialogs.h"
#include "gui/pages/CommanderLogic.h"
#include "gui/pages/FolderPaneModel.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include "platform/ShellFileOp.h"
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QStylePainter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const char* const kGnomeCopied = "x-special/gnome-copied-files";
const char* const kKdeCut = "application/x-kde-cutselection";

QIcon StyleIcon(const QWidget* w, const char* theme, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QLatin1String(theme), w->style()->standardIcon(fallback));
}

// A path box narrower than its path shows the path's end, where the folder is.
class PathComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionComboBox opt;
        initStyleOption(&opt);
        p.drawComplexControl(QStyle::CC_ComboBox, opt);
        const QRect field =
            style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
        const int icon = opt.currentIcon.isNull() ? 0 : opt.iconSize.width() + 4;
        opt.currentText =
            fontMetrics().elidedText(opt.currentText, Qt::ElideLeft, field.width() - icon);
        p.drawControl(QStyle::CE_ComboBoxLabel, opt);
    }
};
} // namespace

FolderPane::FolderPane(const QString& name, bool multiSelection, bool infoTips, QWidget* parent)
    : QWidget(parent), dialogs_(std::make_unique<ShellOpDialogs>(this)) {
    setObjectName(name);
    OpenFile = [](const QString& path) { QDesktopServices::openUrl(FileUrl(path)); };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    tools_ = new QToolBar(this);
    tools_->setObjectName(name + QStringLiteral("Tools"));
    tools_->setIconSize(QSize(16, 16));
    viewMenu_ = new QMenu(this);
    viewMenu_->setObjectName(name + QStringLiteral("ViewMenu"));
    auto* group = new QActionGroup(viewMenu_);
    group->setExclusive(true);
    struct Item {
        const char* caption;
        ViewStyle style;
    };
    const Item items[] = {{"Thumbnails", ViewStyle::Thumb},
                          {"Tiles", ViewStyle::Icon},
                          {"Icons", ViewStyle::SmallIcon},
                          {"List", ViewStyle::List},
                          {"Details", ViewStyle::Report}};
    for (const Item& it : items) {
        QAction* a = viewMenu_->addAction(QLatin1String(it.caption));
        a->setCheckable(true);
        group->addAction(a);
        viewItems_[int(it.style)] = a;
        const ViewStyle style = it.style;
        connect(a, &QAction::triggered, this, [this, a, style] {
            SetViewStyle(style);
            a->setChecked(true);
        });
    }
    viewButton_ = new QToolButton(tools_);
    viewButton_->setObjectName(name + QStringLiteral("ViewButton"));
    viewButton_->setIcon(StyleIcon(this, "view-list-icons", QStyle::SP_FileDialogListView));
    viewButton_->setToolTip(QStringLiteral("Views"));
    viewButton_->setMenu(viewMenu_);
    viewButton_->setPopupMode(QToolButton::InstantPopup);
    viewButton_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(viewButton_, &QWidget::customContextMenuRequested, this,
            &FolderPane::ViewButtonContextMenu);
    tools_->addWidget(viewButton_);
    upButton_ = new QToolButton(tools_);
    upButton_->setObjectName(name + QStringLiteral("UpButton"));
    upButton_->setIcon(StyleIcon(this, "go-up", QStyle::SP_FileDialogToParent));
    upButton_->setToolTip(QStringLiteral("Up one folder"));
    connect(upButton_, &QToolButton::clicked, this, &FolderPane::UpClicked);
    tools_->addWidget(upButton_);
    pathCombo_ = new PathComboBox(tools_);
    pathCombo_->setObjectName(name + QStringLiteral("PathCombo"));
    pathCombo_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(pathCombo_, &QComboBox::activated, this, [this](int i) {
        const QString path = pathCombo_->itemData(i).toString();
        try {
            SetDirectory(path);
        } catch (const EMorvaneError& e) {
            FillPathCombo();
            ShowErrorMessage(this, e.message());
            return;
        }
        emit PathChosen(path);
    });
    tools_->addWidget(pathCombo_);
    layout->addWidget(tools_);

    folderLabel_ = new QLabel(this);
    folderLabel_->setObjectName(QStringLiteral("Lbl") + name + QStringLiteral("Dir"));
    folderLabel_->setContentsMargins(3, 2, 3, 2);
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(folderLabel_);

    model_ = new FolderPaneModel(this);
    files_ = model_->Files();
    model_->SetInfoTips(infoTips);
    delegate_ = new FolderPaneDelegate(this);

    views_ = new QStackedWidget(this);
    listView_ = new QListView(views_);
    listView_->setObjectName(name + QStringLiteral("List"));
    listView_->setModel(model_);
    listView_->setItemDelegate(delegate_);
    listView_->setLayoutMode(QListView::Batched);
    listView_->setBatchSize(1024);
    detailsView_ = new QTreeView(views_);
    detailsView_->setObjectName(name + QStringLiteral("Details"));
    detailsView_->setModel(model_);
    detailsView_->setSelectionModel(listView_->selectionModel());
    detailsView_->setRootIsDecorated(false);
    detailsView_->setItemsExpandable(false);
    detailsView_->setUniformRowHeights(true);
    detailsView_->setSortingEnabled(true);
    detailsView_->sortByColumn(0, Qt::AscendingOrder);
    detailsView_->header()->setSectionsMovable(false);
    detailsView_->header()->resizeSection(0, 180);
    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(listView_),
                                 static_cast<QAbstractItemView*>(detailsView_)}) {
        v->setSelectionMode(multiSelection ? QAbstractItemView::ExtendedSelection
                                           : QAbstractItemView::SingleSelection);
        // One selection for both views: a click in a list style marks the
        // whole row, as the details style shows it.
        v->setSelectionBehavior(QAbstractItemView::SelectRows);
        v->setEditTriggers(QAbstractItemView::EditKeyPressed);
        v->setDragDropMode(QAbstractItemView::DragDrop);
        v->setDefaultDropAction(Qt::CopyAction); // Shift moves
        v->setDropIndicatorShown(true);
        v->setFrameShape(QFrame::NoFrame);
        v->setContextMenuPolicy(Qt::CustomContextMenu);
        v->installEventFilter(this);
        v->viewport()->installEventFilter(this);
        connect(v, &QAbstractItemView::doubleClicked, this, &FolderPane::DoubleClicked);
        connect(v, &QWidget::customContextMenuRequested, this, [this, v](const QPoint& pos) {
            const QModelIndex i = v->indexAt(pos);
            QItemSelectionModel* sel = v->selectionModel();
            if (!i.isValid())
                sel->clearSelection();
            else if (!sel->isSelected(i))
                sel->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                            QItemSelectionModel::Rows);
            UpdateContextMenu();
            contextMenu_->popup(v->viewport()->mapToGlobal(pos));
        });
    }
    views_->addWidget(listView_);
    views_->addWidget(detailsView_);
    layout->addWidget(views_, 1);

    contextMenu_ = new QMenu(this);
    contextMenu_->setObjectName(name + QStringLiteral("ContextMenu"));
    openItem_ = contextMenu_->addAction(QStringLiteral("Open"), this, &FolderPane::DoubleClicked);
    contextMenu_->addSeparator();
    cutItem_ = contextMenu_->addAction(QStringLiteral("Cut"), this, [this] { CopySelected(true); });
    copyItem_ =
        contextMenu_->addAction(QStringLiteral("Copy"), this, [this] { CopySelected(false); });
    pasteItem_ =
        contextMenu_->addAction(QStringLiteral("Paste"), this, &FolderPane::PasteIntoFolder);
    contextMenu_->addSeparator();
    renameItem_ =
        contextMenu_->addAction(QStringLiteral("Rename"), this, &FolderPane::RenameSelected);
    trashItem_ =
        contextMenu_->addAction(QStringLiteral("Move to Trash"), this, &FolderPane::TrashSelected);
    const std::pair<QAction*, const char*> itemNames[] = {
        {openItem_, "OpenItem"},   {cutItem_, "CutItem"},       {copyItem_, "CopyItem"},
        {pasteItem_, "PasteItem"}, {renameItem_, "RenameItem"}, {trashItem_, "TrashItem"}};
    for (const auto& [action, role] : itemNames)
        action->setObjectName(name + QLatin1String(role));

    // The keys work while the pane has the focus; the menu's enabling is for
    // the menu only, the commands check their selection themselves.
    const std::pair<QAction*, QKeySequence> keys[] = {{cutItem_, QKeySequence::Cut},
                                                      {copyItem_, QKeySequence::Copy},
                                                      {pasteItem_, QKeySequence::Paste},
                                                      {trashItem_, QKeySequence::Delete}};
    for (const auto& [action, key] : keys) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        views_->addAction(action);
    }
    connect(contextMenu_, &QMenu::aboutToHide, this, [this] {
        for (QAction* a : contextMenu_->actions())
            a->setEnabled(true);
    });

    // After the drop has ended: the operation may ask questions.
    connect(
        model_, &FolderPaneModel::DropRequested, this,
        [this](const QStringList& sources, const QString& target, bool move) {
            RunShellOp(move ? FO_MOVE : FO_COPY, sources, target);
        },
        Qt::QueuedConnection);

    SetViewStyle(ViewStyle::Icon);
}

FolderPane::~FolderPane() = default;

QAction* FolderPane::ViewItem(ViewStyle style) const {
    return viewItems_[int(style)];
}

void FolderPane::SetPathBoxWidth(int width) {
    pathCombo_->setFixedWidth(width);
}

void FolderPane::SeparatePathBox() {
    tools_->insertSeparator(tools_->actions().constLast());
}

QString FolderPane::FolderText() const {
    return folderLabel_->text();
}

void FolderPane::SetFolderText(const QString& text) {
    folderLabel_->setText(text);
}

void FolderPane::SetFolderTextWrapped(bool wrap) {
    folderLabel_->setWordWrap(wrap);
}

void FolderPane::SetDirectory(const QString& path) {
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.isDir())
        throw EMorvaneError(QStringLiteral("Directory does not exist"));
    const QString clean = QDir::cleanPath(fi.absoluteFilePath());
    if (FolderWithDelimiter(clean) == directory_) return;
    directory_ = FolderWithDelimiter(clean);
    listView_->selectionModel()->clear();
    // A hidden pane reads its folder (and the mounts for its path box) when it
    // is shown: the left pane follows every folder chosen on other pages, and
    // reading a big folder then would only compete with the analysis.
    if (isVisible())
        ShowRoot();
    else
        rootPending_ = true;
    emit DirectoryChanged(directory_);
}

void FolderPane::ShowRoot() {
    rootPending_ = false;
    const QModelIndex root =
        model_->mapFromSource(files_->setRootPath(QDir::cleanPath(directory_)));
    listView_->setRootIndex(root);
    detailsView_->setRootIndex(root);
    FillPathCombo();
}

void FolderPane::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (rootPending_) ShowRoot();
}

void FolderPane::SetViewStyle(ViewStyle style) {
    style_ = style;
    model_->SetThumbnails(style == ViewStyle::Thumb);
    if (style == ViewStyle::Report) {
        views_->setCurrentWidget(detailsView_);
        return;
    }
    const int line = listView_->fontMetrics().height();
    switch (style) {
    case ViewStyle::Icon: // tiles: a big icon with the name and the type beside it
        delegate_->SetLook(FolderPaneDelegate::Look::Tiles);
        listView_->setViewMode(QListView::ListMode); // cells filled from their left edge
        listView_->setFlow(QListView::LeftToRight);
        listView_->setIconSize(QSize(48, 48));
        listView_->setGridSize(QSize(240, std::max(56, 3 * line + 8)));
        listView_->setWordWrap(false);
        break;
    case ViewStyle::SmallIcon:
        delegate_->SetLook(FolderPaneDelegate::Look::Small);
        listView_->setViewMode(QListView::ListMode);
        listView_->setFlow(QListView::LeftToRight);
        listView_->setIconSize(QSize(16, 16));
        listView_->setGridSize(QSize(180, std::max(20, line + 4)));
        listView_->setWordWrap(false);
        break;
    case ViewStyle::List:
        delegate_->SetLook(FolderPaneDelegate::Look::Small);
        listView_->setViewMode(QListView::ListMode);
        listView_->setFlow(QListView::TopToBottom);
        listView_->setIconSize(QSize(16, 16));
        listView_->setGridSize(QSize());
        listView_->setWordWrap(false);
        break;
    case ViewStyle::Thumb: {
        // Previews of 60 x 80 with 40 pixels between them both ways.
        delegate_->SetLook(FolderPaneDelegate::Look::Thumbnails);
        listView_->setViewMode(QListView::IconMode);
        listView_->setFlow(QListView::LeftToRight);
        listView_->setIconSize(FolderPaneModel::kThumbSize);
        listView_->setGridSize(FolderPaneModel::kThumbSize + QSize(40, 40 + 2 * line));
        listView_->setWordWrap(true);
        break;
    }
    case ViewStyle::Report:
        break;
    }
    listView_->setWrapping(true);
    listView_->setMovement(QListView::Static);
    listView_->setResizeMode(QListView::Adjust);
    listView_->setTextElideMode(Qt::ElideRight);
    listView_->viewport()->update();
    views_->setCurrentWidget(listView_);
}

QAbstractItemView* FolderPane::CurrentView() const {
    return style_ == ViewStyle::Report ? static_cast<QAbstractItemView*>(detailsView_)
                                       : static_cast<QAbstractItemView*>(listView_);
}

namespace {
// The selected item the pane's commands act on: the current one when it is
// selected, else the first selected row.
QModelIndex SelectedIndex(const QItemSelectionModel* sel) {
    const QModelIndex cur = sel->currentIndex();
    if (cur.isValid() && sel->isSelected(cur)) return cur.siblingAtColumn(0);
    for (const QModelIndex& i : sel->selectedIndexes())
        if (i.column() == 0) return i;
    return {};
}
} // namespace

QString FolderPane::SelectedPath() const {
    const QModelIndex i = SelectedIndex(listView_->selectionModel());
    return i.isValid() ? files_->filePath(model_->mapToSource(i)) : QString();
}

QStringList FolderPane::SelectedPaths() const {
    QStringList out;
    // By the name column alone: a row selected in part still counts.
    for (const QModelIndex& i : listView_->selectionModel()->selectedIndexes())
        if (i.column() == 0) out << files_->filePath(model_->mapToSource(i));
    return out;
}

void FolderPane::SelectItem(const QString& path) {
    const QModelIndex i = model_->mapFromSource(files_->index(QDir::cleanPath(path)));
    if (!i.isValid()) return;
    listView_->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
}

void FolderPane::SetBorder(bool single) {
    border_ = single;
    for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(listView_),
                                 static_cast<QAbstractItemView*>(detailsView_)}) {
        v->setFrameShape(single ? QFrame::StyledPanel : QFrame::NoFrame);
        v->setFrameShadow(QFrame::Sunken);
        v->setLineWidth(1);
    }
}

void FolderPane::OpenSelected() {
    const QString p = SelectedPath();
    if (p.isEmpty()) return;
    const QFileInfo fi(p);
    if (fi.isDir())
        SetDirectory(p);
    else if (fi.isFile() && OpenFile)
        OpenFile(p);
}

void FolderPane::FillPathCombo() {
    QStringList mounts;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        if (s.isValid() && s.isReady()) mounts << s.rootPath();
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QList<PathEntry> entries = PathComboEntries(
        directory_, QDir::homePath(), QFileInfo(desktop).isDir() ? desktop : QString(), mounts);
    const qsizetype chain = FolderChain(directory_).size();
    const QSignalBlocker block(pathCombo_);
    pathCombo_->clear();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const PathEntry& e = entries[i];
        QIcon icon = style()->standardIcon(QStyle::SP_DirIcon);
        if (i >= chain) {
            if (e.caption == QLatin1String("Home"))
                icon = style()->standardIcon(QStyle::SP_DirHomeIcon);
            else if (e.caption == QLatin1String("Desktop"))
                icon = style()->standardIcon(QStyle::SP_DesktopIcon);
            else
                icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
        }
        pathCombo_->addItem(icon, e.caption, e.path);
        pathCombo_->setItemData(int(i), e.path, Qt::ToolTipRole);
    }
    pathCombo_->setCurrentIndex(int(chain) - 1);
}

void FolderPane::UpdateContextMenu() {
    const int n = int(SelectedPaths().size());
    openItem_->setEnabled(n == 1);
    renameItem_->setEnabled(n == 1);
    copyItem_->setEnabled(n > 0);
    cutItem_->setEnabled(n > 0);
    trashItem_->setEnabled(n > 0);
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    bool files = false;
    if (mime && mime->hasUrls())
        for (const QUrl& u : mime->urls())
            files = files || u.isLocalFile();
    pasteItem_->setEnabled(files && !directory_.isEmpty());
}

void FolderPane::CopySelected(bool cut) {
    const QStringList paths = SelectedPaths();
    if (paths.isEmpty()) return;
    auto mime = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    QByteArray gnome = cut ? "cut" : "copy";
    for (const QString& p : paths) {
        urls << FileUrl(p);
        gnome += '\n' + urls.last().toEncoded();
    }
    mime->setUrls(urls);
    // The marks other file managers read to tell a cut from a copy.
    mime->setData(QLatin1String(kGnomeCopied), gnome);
    mime->setData(QLatin1String(kKdeCut), cut ? "1" : "0");
    QApplication::clipboard()->setMimeData(mime.release());
}

void FolderPane::PasteIntoFolder() {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || directory_.isEmpty()) return;
    QStringList sources;
    for (const QUrl& u : mime->urls())
        if (u.isLocalFile()) sources << PathFromUrl(u);
    if (sources.isEmpty()) return;
    const bool cut = mime->data(QLatin1String(kKdeCut)) == "1" ||
                     mime->data(QLatin1String(kGnomeCopied)).startsWith("cut");
    // What was cut is gone from its place once moved: it cannot be pasted twice.
    if (RunShellOp(cut ? FO_MOVE : FO_COPY, sources, directory_) && cut)
        QApplication::clipboard()->clear();
}

void FolderPane::TrashSelected() {
    const QStringList paths = SelectedPaths();
    if (!paths.isEmpty()) RunShellOp(FO_DELETE, paths, QString());
}

void FolderPane::RenameSelected() {
    QAbstractItemView* v = CurrentView();
    const QModelIndex i = SelectedIndex(v->selectionModel());
    if (i.isValid()) v->edit(i);
}

bool FolderPane::RunShellOp(int operation, const QStringList& sources, const QString& target) {
    try {
        ShellFileOp op(ShellUi ? ShellUi : dialogs_.get());
        return op.Run(operation, sources, target, FOF_ALLOWUNDO) == sorOk;
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    } catch (const std::exception& e) {
        ShowErrorMessage(this, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

bool FolderPane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress &&
        (watched == listView_->viewport() || watched == detailsView_->viewport())) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) emit Clicked();
    } else if (event->type() == QEvent::KeyPress &&
               (watched == listView_ || watched == detailsView_)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !SelectedPath().isEmpty()) {
            emit DoubleClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
