#include "gui/pages/FileListPage.h"
#include "core/engine/DirScanner.h"
#include "core/engine/FileFilter.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "core/settings/IniSnapshot.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/ActivityIndicators.h"
#include "gui/common/ComboItems.h"
#include "gui/common/WaitCursor.h"
#include "gui/dialogs/ListDialog.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ShellOpDialogs.h"
#include "gui/pages/ContentDuplicatesBar.h"
#include "gui/session/AnalysisSession.h"
#include "gui/widgets/ImageMenu.h"
#include "platform/Errors.h"
#include "platform/FileInfo.h"
#include "platform/Memory.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FileListPage::FileListPage(AnalysisSession& session, CommandTable& commands,
                           ActivityIndicators& activity, QWidget* parent)
    : QWidget(parent), session_(session), commands_(commands), activity_(activity) {
    setObjectName(QStringLiteral("FileListPage"));
    // The file count shows for three seconds.
    fileCountTimer_ = new QTimer(this);
    fileCountTimer_->setObjectName(QStringLiteral("FileCountTimer"));
    fileCountTimer_->setInterval(3000);
    connect(fileCountTimer_, &QTimer::timeout, fileCountTimer_, &QTimer::stop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    BuildToolBars();
    layout->addWidget(fileListToolBar_);
    layout->addWidget(fileActionsToolBar_);

    Model = new FileListModel(this);
    fileList_ = new QTableView(this);
    fileList_->setObjectName(QStringLiteral("FileList"));
    fileList_->setModel(Model);
    fileList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    fileList_->setShowGrid(false);
    fileList_->setWordWrap(false);
    fileList_->setAlternatingRowColors(false);
    fileList_->setTextElideMode(Qt::ElideRight);
    fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
    fileList_->setToolTip(QStringLiteral("Click on Item to select. Shift & Click to \r\nselect "
                                         "multiple items.\r\nRight click to check selected "
                                         "items.\r\nRight click to delete checked items."));
    QHeaderView* v = fileList_->verticalHeader();
    v->hide();
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setDefaultSectionSize(fileList_->fontMetrics().height() + 4);
    QHeaderView* h = fileList_->horizontalHeader();
    h->setSectionsClickable(true);
    h->setHighlightSections(false);
    h->setStretchLastSection(false);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QList<int> widths = FileListModel::ColumnWidths();
    for (int c = 0; c < widths.size(); ++c)
        fileList_->setColumnWidth(c, widths[c]);
    // The duplicates by content are looked for in the folder the list came from.
    layout->addWidget(new ContentDuplicatesBar(
        *Model, *fileList_, [this] { return session_.ShownFilesFolder(); }, this));
    layout->addWidget(fileList_, 1);

    BuildMenus();

    connect(h, &QHeaderView::sectionClicked, this, &FileListPage::SortByColumn);
    connect(fileList_, &QTableView::doubleClicked, this, &FileListPage::FileListDblClick);
    connect(fileList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        ShowRowMenu();
        rowMenu_->popup(fileList_->viewport()->mapToGlobal(p));
    });
    connect(fileList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FileListPage::FileListSelectItem);
    fileList_->installEventFilter(this);

    connect(fileCountTimer_, &QTimer::timeout, fileCountLabel_, &QLabel::clear);

    InputQuery = [this](const QString& caption, const QString& prompt, QString& value) {
        bool ok = false;
        const QString t =
            QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, value, &ok);
        if (ok) value = t;
        return ok;
    };
    ShowListText = [this](const QString& text) {
        ListDialog dlg(this);
        dlg.ListText = text;
        dlg.exec();
    };
}

FileListPage::~FileListPage() = default;

IShellOpUi* FileListPage::Dialogs() {
    if (!dialogs_) dialogs_ = std::make_unique<ShellOpDialogs>(window());
    return dialogs_.get();
}

void FileListPage::LoadFilters(const IniSnapshot& ini) {
    LoadComboItems(filterCombo_, ini, QStringLiteral("FilterCombo"));
    filterCombo_->setEditText(
        ini.ReadString(QStringLiteral("Filter"), QStringLiteral("Text"), QStringLiteral("*")));
}

QString FileListPage::FilterText() const {
    return filterCombo_->currentText();
}

void FileListPage::SaveFilterList(const QString& iniFile) const {
    SaveComboItems(filterCombo_, iniFile, QStringLiteral("FilterCombo"));
}

void FileListPage::BuildToolBars() {
    fileListToolBar_ = new QToolBar(this);
    fileListToolBar_->setObjectName(QStringLiteral("FileListToolBar"));
    fileListToolBar_->setIconSize(QSize(16, 16));
    fillFileListButton_ = new QToolButton(fileListToolBar_);
    fillFileListButton_->setObjectName(QStringLiteral("FillFileListButton"));
    fillFileListButton_->setText(QStringLiteral("Fill File List"));
    fillFileListButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    fillFileListButton_->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(fillFileListButton_, &QToolButton::clicked, this,
            &FileListPage::FillFileListButtonClick);
    fileListToolBar_->addWidget(fillFileListButton_);
    fileListToolBar_->addSeparator();

    filterCombo_ = new QComboBox(fileListToolBar_);
    filterCombo_->setObjectName(QStringLiteral("FilterCombo"));
    filterCombo_->setEditable(true);
    filterCombo_->setInsertPolicy(QComboBox::NoInsert);
    filterCombo_->setMinimumWidth(140);
    filterCombo_->setEditText(QStringLiteral("tmp;"));
    filterCombo_->setToolTip(QStringLiteral("Extensions to list, e.g. tmp;bak; (* lists all)"));
    filterCombo_->installEventFilter(this);
    filterCombo_->lineEdit()->installEventFilter(this);
    filterCombo_->setContextMenuPolicy(Qt::CustomContextMenu);
    filterCombo_->lineEdit()->setContextMenuPolicy(Qt::CustomContextMenu);
    fileListToolBar_->addWidget(filterCombo_);

    invertFilterBox_ = new QCheckBox(QStringLiteral("Invert Filter"), fileListToolBar_);
    invertFilterBox_->setObjectName(QStringLiteral("CbxInvertFilter"));
    fileListToolBar_->addWidget(invertFilterBox_);
    detailsBox_ = new QCheckBox(QStringLiteral("Details"), fileListToolBar_);
    detailsBox_->setObjectName(QStringLiteral("Cbx_Details"));
    detailsBox_->setChecked(true);
    fileListToolBar_->addWidget(detailsBox_);
    fileListToolBar_->addSeparator();
    fileCountLabel_ = new QLabel(fileListToolBar_);
    fileCountLabel_->setObjectName(QStringLiteral("NoOfFilesLabel"));
    fileCountLabel_->setMinimumWidth(110);
    fileListToolBar_->addWidget(fileCountLabel_);

    fileActionsToolBar_ = new QToolBar(this);
    fileActionsToolBar_->setObjectName(QStringLiteral("FileActionsToolBar"));
    fileActionsToolBar_->setIconSize(QSize(16, 16));
    fileActionsToolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [this](const char* name, QAction* action) {
        auto* b = new QToolButton(fileActionsToolBar_);
        b->setObjectName(QLatin1String(name));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        if (action) b->setDefaultAction(action);
        fileActionsToolBar_->addWidget(b);
        return b;
    };
    trashButton_ = button("TrashButton", commands_.Action(QStringLiteral("actDelToRecBin")));
    selectNoneButton_ = button("SelectNoneButton", nullptr);
    selectNoneButton_->setText(QStringLiteral("select none"));
    selectNoneButton_->setToolTip(QStringLiteral("Uncheck all items"));
    selectNoneButton_->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    connect(selectNoneButton_, &QToolButton::clicked, this, [this] { CheckRows(false, true); });
    selectAllButton_ = button("SelectAllButton", nullptr);
    selectAllButton_->setText(QStringLiteral("select all"));
    selectAllButton_->setToolTip(QStringLiteral("Check all items"));
    selectAllButton_->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    connect(selectAllButton_, &QToolButton::clicked, this, [this] { CheckRows(true, true); });
    fileActionsToolBar_->addSeparator();
    duplicatesButton_ =
        button("DuplicatesButton", commands_.Action(QStringLiteral("actFindDuplicates")));
    duplicatesButton_->setToolTip(QStringLiteral(
        "Find duplicates in FileList\r\nDuplicated files will be alternatively marked \r\nor "
        "selected.\r\nSwap selection/checked items by clicking right\r\nmouse button, change "
        "selection"));
    findFileButton_ = button("FindFileButton", nullptr);
    findFileButton_->setText(QStringLiteral("Find File"));
    findFileButton_->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    findFileButton_->setToolTip(
        QStringLiteral("Find File in File list\r\nCriteria\r\nFile Name or\r\nFile Path"));
    connect(findFileButton_, &QToolButton::clicked, this, &FileListPage::FindFileClick);
    fileActionsToolBar_->addSeparator();
    archiveButton_ = button("ArchiveButton", commands_.Action(QStringLiteral("actMoveToArchive")));

    if (QAction* a = commands_.Action(QStringLiteral("actDelToRecBin")))
        connect(a, &QAction::triggered, this, &FileListPage::DeleteCheckedToTrash);
    if (QAction* a = commands_.Action(QStringLiteral("actFindDuplicates")))
        connect(a, &QAction::triggered, this, &FileListPage::FindDuplicates);
}

void FileListPage::BuildMenus() {
    // Images from the menu image list; the shared delete command keeps its
    // tool bar image on the tool bar.
    const ImageList& images = commands_.MenuImgList;
    auto* pop = new ImageMenu(this);
    rowMenu_ = pop;
    rowMenu_->setObjectName(QStringLiteral("FolderPop"));
    checkSelectedItem_ = rowMenu_->addAction(images.value(2), QStringLiteral("Check selected"),
                                             this, [this] { CheckRows(true, false); });
    uncheckSelectedItem_ = rowMenu_->addAction(images.value(18), QStringLiteral("Uncheck selected"),
                                               this, [this] { CheckRows(false, false); });
    reverseCheckedItem_ =
        rowMenu_->addAction(images.value(17), QStringLiteral("Reverse checked/selected"), this,
                            &FileListPage::SwapCheckedAndSelected);
    rowMenu_->addSeparator();
    if (QAction* a = commands_.Action(QStringLiteral("actMoveToArchive"))) {
        QAction* item =
            rowMenu_->addAction(images.value(0), QStringLiteral("Move checked to Archive"));
        connect(item, &QAction::triggered, a, &QAction::trigger);
    }
    restoreArchiveItem_ =
        rowMenu_->addAction(images.value(0), QStringLiteral("Restore Morvane Archive"));
    restoreArchiveItem_->setObjectName(QStringLiteral("RestoreArchiveItem"));
    connect(restoreArchiveItem_, &QAction::triggered, this, &FileListPage::RestoreArchiveRequested);
    moveCheckedItem_ = rowMenu_->addAction(images.value(3), QStringLiteral("Move checked"), this,
                                           &FileListPage::MoveCheckedClick);
    copyCheckedItem_ = rowMenu_->addAction(images.value(14), QStringLiteral("Copy checked"), this,
                                           &FileListPage::CopyCheckedClick);
    if (QAction* a = commands_.Action(QStringLiteral("actDelToRecBin"))) {
        rowMenu_->addAction(a);
        pop->SetImage(a, images.value(5));
    }
    rowMenu_->addSeparator();
    showFileTypeItem_ = rowMenu_->addAction(images.value(24), QStringLiteral("Show file type"),
                                            this, &FileListPage::ShowFileTypeClick);
    showFileTypeItem_->setObjectName(QStringLiteral("ShowFileTypeItem"));

    filterMenu_ = new QMenu(this);
    filterMenu_->setObjectName(QStringLiteral("FilterPop"));
    filterMenu_->addAction(QStringLiteral("Add Item"), this, &FileListPage::AddFilterItemClick);
    filterMenu_->addAction(QStringLiteral("Delete Item"), this,
                           &FileListPage::DeleteFilterItemClick);
    filterMenu_->addSeparator();
    filterMenu_->addAction(QStringLiteral("Show all enties"), this,
                           &FileListPage::ShowAllEntriesClick);
    auto popup = [this](QWidget* w) {
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& p) { filterMenu_->popup(w->mapToGlobal(p)); });
    };
    popup(filterCombo_);
    popup(filterCombo_->lineEdit());
}

bool FileListPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (enter && (watched == filterCombo_ || watched == filterCombo_->lineEdit())) {
            AddTextToComboItems(filterCombo_, 0);
            return true;
        }
        // Enter in the list repeats the last search.
        if (enter && watched == fileList_ && !LastSearchText.isEmpty()) {
            try {
                FindFileRow(LastSearchText, FileSearchIndex);
            } catch (...) {
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- filling ---------------------------------------------------------------

void FileListPage::FillFileListButtonClick() {
    try {
        FillFileList(session_);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(window(), e.message());
        return;
    } catch (const std::exception& e) {
        ShowErrorMessage(window(), QString::fromLocal8Bit(e.what()));
        return;
    }
    ShowFileCount();
}

void FileListPage::FillFileList(const AnalysisSession& session) {
    FillRows(session.ShownFileCount(), [&session](const RowSink& add) {
        session.ForEachShownFile(
            [&add](const DirScanner::FileRowFacts& r) { add(r.folder, r.name, r.kb, r.date); });
    });
}

void FileListPage::FillFileList(const QStringList& paths, const QStringList& kbTexts,
                                const QStringList& dateTexts) {
    FillRows(paths.size(), [&](const RowSink& add) {
        for (qsizetype i = 0; i < paths.size(); ++i) {
            const QString& p = paths.at(i);
            const qsizetype slash = p.lastIndexOf(QLatin1Char('/')) + 1;
            add(p.left(slash), p.mid(slash), kbTexts.value(i), dateTexts.value(i));
        }
    });
}

void FileListPage::FillRows(qsizetype count, const std::function<void(const RowSink&)>& rows) {
    WaitCursor wait;
    fileList_->setUpdatesEnabled(false);
    QElapsedTimer clock;
    clock.start();
    activity_.BeginTiming(true);
    auto closing = [&] {
        fileList_->setUpdatesEnabled(true);
        activity_.ResetProgress();
        activity_.ShowElapsed(ElapsedText(clock.elapsed()));
        ReleaseFreeMemory();
    };
    try {
        const QString text = filterCombo_->currentText();
        const FileFilter filter(text, invertFilterBox_->isChecked());
        FilterEntries = filter.Entries();
        if (count > 0) {
            const bool icons = ReadIniBool(session_.IniFileName(), QStringLiteral("Settings"),
                                           QStringLiteral("ShowIcons"), false);
            const bool details = detailsBox_->isChecked();
            const int max = int(count) - 1;
            IProgress& gauge = activity_;
            gauge.SetProgressMax(max);
            FileGaugeStep = NextFileGaugeStep(FileGaugeStep, max);
            FileRowTable table(details);
            const QString none;
            int i = 0;
            rows([&](const QString& folder, const QString& name, const QString& kb,
                     const QString& date) {
                // The extension lies in the name, so the name alone is filtered.
                if (filter.Accepts(name)) table.Append(folder, name, kb, date, none);
                if (const int step = FileGaugeAdvance(FileGaugeStep, i)) gauge.SetAddProgress(step);
                ++i;
            });
            table.Squeeze();
            table.ReadAccessDates();
            fileList_->selectionModel()->clear();
            Model->SetRows(std::move(table), icons);
            fileList_->scrollToTop();
        }
    } catch (...) {
        closing();
        throw;
    }
    closing();
}

bool FileListPage::MatchesFilter(const QString& path) const {
    return ::MatchesFilter(path, filterCombo_->currentText(), FilterEntries);
}

void FileListPage::ShowLabelForAWhile(const QString& text) {
    fileCountLabel_->setText(text);
    // A running timer keeps its three seconds.
    if (!fileCountTimer_->isActive()) fileCountTimer_->start();
}

void FileListPage::ShowFileCount() {
    ShowLabelForAWhile(QString::number(Model->Count()) + QStringLiteral(" Files"));
}

// --- the filter list ------------------------------------------------------

void FileListPage::AddFilterItemClick() {
    QString value;
    if (!InputQuery(QStringLiteral("Enter extension string: e.g. tmp;bak;"),
                    QStringLiteral("Prompt"), value))
        value.clear();
    filterCombo_->setEditText(value);
    AddTextToComboItems(filterCombo_, 0);
}

void FileListPage::DeleteFilterItemClick() {
    DeleteComboItem(filterCombo_);
}

void FileListPage::ShowAllEntriesClick() {
    ShowMessage(window(), ComboItems(filterCombo_).join(QStringLiteral("\r\n")));
}

// --- sorting -------------------------------------------------------------

void FileListPage::SortByColumn(int column) {
    SortRows(column);
}

std::vector<int> FileListPage::SortRows(int column) {
    ListSortState& state = session_.SortState();
    state.Click(column);
    fileList_->setUpdatesEnabled(false);
    std::vector<int> order;
    try {
        const int c = state.SortColumn;
        const bool paths = c == 3 || (c == 0 && !Model->Rows().Detail());
        order =
            SortedOrder(Model->Rows().ColumnTexts(c), state.SortAscending, FormatLocale::current(),
                        TextOrder::current(), paths ? KeyRepeats::Rare : KeyRepeats::Common);
        Model->Reorder(order);
        fileList_->horizontalHeader()->setSortIndicatorShown(true);
        fileList_->horizontalHeader()->setSortIndicator(
            column, state.SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    } catch (...) {
        // A sort that fails leaves the rows as they were, without a message.
        order.clear();
    }
    fileList_->setUpdatesEnabled(true);
    ReleaseFreeMemory(); // the sort keys of every row
    return order;
}
