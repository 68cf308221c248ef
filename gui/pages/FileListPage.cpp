#include "gui/pages/FileListPage.h"
#include "core/engine/DirScanner.h"
#include "core/engine/FileFilter.h"
#include "core/engine/SizeText.h"
#include "core/settings/IniFile.h"
#include "core/settings/IniSnapshot.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/ActivityIndicators.h"
#include "gui/common/ComboItems.h"
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

namespace {

// The hourglass for the length of a command, also when it throws.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

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
    layout->addWidget(FileListToolBar);
    layout->addWidget(FileActionsToolBar);

    Model = new FileListModel(this);
    FileList = new QTableView(this);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setModel(Model);
    FileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FileList->setShowGrid(false);
    FileList->setWordWrap(false);
    FileList->setAlternatingRowColors(false);
    FileList->setTextElideMode(Qt::ElideRight);
    FileList->setContextMenuPolicy(Qt::CustomContextMenu);
    FileList->setToolTip(QStringLiteral("Click on Item to select. Shift & Click to \r\nselect "
                                        "multiple items.\r\nRight click to check selected "
                                        "items.\r\nRight click to delete checked items."));
    QHeaderView* v = FileList->verticalHeader();
    v->hide();
    v->setSectionResizeMode(QHeaderView::Fixed);
    v->setDefaultSectionSize(FileList->fontMetrics().height() + 4);
    QHeaderView* h = FileList->horizontalHeader();
    h->setSectionsClickable(true);
    h->setHighlightSections(false);
    h->setStretchLastSection(false);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QList<int> widths = FileListModel::ColumnWidths();
    for (int c = 0; c < widths.size(); ++c)
        FileList->setColumnWidth(c, widths[c]);
    // The duplicates by content are looked for in the folder the list came from.
    layout->addWidget(new ContentDuplicatesBar(
        *Model, *FileList, [this] { return session_.ShownFilesFolder(); }, this));
    layout->addWidget(FileList, 1);

    BuildMenus();

    connect(h, &QHeaderView::sectionClicked, this, &FileListPage::SortByColumn);
    connect(FileList, &QTableView::doubleClicked, this, &FileListPage::FileListDblClick);
    connect(FileList, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        FolderPopPopup();
        FolderPop->popup(FileList->viewport()->mapToGlobal(p));
    });
    connect(FileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FileListPage::FileListSelectItem);
    FileList->installEventFilter(this);

    connect(fileCountTimer_, &QTimer::timeout, NoOfFilesLabel, &QLabel::clear);

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
    LoadComboItems(FilterCombo, ini, QStringLiteral("FilterCombo"));
    FilterCombo->setEditText(
        ini.ReadString(QStringLiteral("Filter"), QStringLiteral("Text"), QStringLiteral("*")));
}

QString FileListPage::FilterText() const {
    return FilterCombo->currentText();
}

void FileListPage::SaveFilterList(const QString& iniFile) const {
    SaveComboItems(FilterCombo, iniFile, QStringLiteral("FilterCombo"));
}

void FileListPage::BuildToolBars() {
    FileListToolBar = new QToolBar(this);
    FileListToolBar->setObjectName(QStringLiteral("FileListToolBar"));
    FileListToolBar->setIconSize(QSize(16, 16));
    FillFileListButton = new QToolButton(FileListToolBar);
    FillFileListButton->setObjectName(QStringLiteral("FillFileListButton"));
    FillFileListButton->setText(QStringLiteral("Fill File List"));
    FillFileListButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FillFileListButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(FillFileListButton, &QToolButton::clicked, this,
            &FileListPage::FillFileListButtonClick);
    FileListToolBar->addWidget(FillFileListButton);
    FileListToolBar->addSeparator();

    FilterCombo = new QComboBox(FileListToolBar);
    FilterCombo->setObjectName(QStringLiteral("FilterCombo"));
    FilterCombo->setEditable(true);
    FilterCombo->setInsertPolicy(QComboBox::NoInsert);
    FilterCombo->setMinimumWidth(140);
    FilterCombo->setEditText(QStringLiteral("tmp;"));
    FilterCombo->setToolTip(QStringLiteral("Extensions to list, e.g. tmp;bak; (* lists all)"));
    FilterCombo->installEventFilter(this);
    FilterCombo->lineEdit()->installEventFilter(this);
    FilterCombo->setContextMenuPolicy(Qt::CustomContextMenu);
    FilterCombo->lineEdit()->setContextMenuPolicy(Qt::CustomContextMenu);
    FileListToolBar->addWidget(FilterCombo);

    CbxInvertFilter = new QCheckBox(QStringLiteral("Invert Filter"), FileListToolBar);
    CbxInvertFilter->setObjectName(QStringLiteral("CbxInvertFilter"));
    FileListToolBar->addWidget(CbxInvertFilter);
    Cbx_Details = new QCheckBox(QStringLiteral("Details"), FileListToolBar);
    Cbx_Details->setObjectName(QStringLiteral("Cbx_Details"));
    Cbx_Details->setChecked(true);
    FileListToolBar->addWidget(Cbx_Details);
    FileListToolBar->addSeparator();
    NoOfFilesLabel = new QLabel(FileListToolBar);
    NoOfFilesLabel->setObjectName(QStringLiteral("NoOfFilesLabel"));
    NoOfFilesLabel->setMinimumWidth(110);
    FileListToolBar->addWidget(NoOfFilesLabel);

    FileActionsToolBar = new QToolBar(this);
    FileActionsToolBar->setObjectName(QStringLiteral("FileActionsToolBar"));
    FileActionsToolBar->setIconSize(QSize(16, 16));
    FileActionsToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [this](const char* name, QAction* action) {
        auto* b = new QToolButton(FileActionsToolBar);
        b->setObjectName(QLatin1String(name));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        if (action) b->setDefaultAction(action);
        FileActionsToolBar->addWidget(b);
        return b;
    };
    TrashButton = button("TrashButton", commands_.Action(QStringLiteral("actDelToRecBin")));
    SelectNoneButton = button("SelectNoneButton", nullptr);
    SelectNoneButton->setText(QStringLiteral("select none"));
    SelectNoneButton->setToolTip(QStringLiteral("Uncheck all items"));
    SelectNoneButton->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    connect(SelectNoneButton, &QToolButton::clicked, this, [this] { CheckRows(false, true); });
    SelectAllButton = button("SelectAllButton", nullptr);
    SelectAllButton->setText(QStringLiteral("select all"));
    SelectAllButton->setToolTip(QStringLiteral("Check all items"));
    SelectAllButton->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    connect(SelectAllButton, &QToolButton::clicked, this, [this] { CheckRows(true, true); });
    FileActionsToolBar->addSeparator();
    DuplicatesButton =
        button("DuplicatesButton", commands_.Action(QStringLiteral("actFindDuplicates")));
    DuplicatesButton->setToolTip(QStringLiteral(
        "Find duplicates in FileList\r\nDuplicated files will be alternatively marked \r\nor "
        "selected.\r\nSwap selection/checked items by clicking right\r\nmouse button, change "
        "selection"));
    FindFileButton = button("FindFileButton", nullptr);
    FindFileButton->setText(QStringLiteral("Find File"));
    FindFileButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    FindFileButton->setToolTip(
        QStringLiteral("Find File in File list\r\nCriteria\r\nFile Name or\r\nFile Path"));
    connect(FindFileButton, &QToolButton::clicked, this, &FileListPage::FindFileClick);
    FileActionsToolBar->addSeparator();
    ArchiveButton = button("ArchiveButton", commands_.Action(QStringLiteral("actMoveToArchive")));

    if (QAction* a = commands_.Action(QStringLiteral("actDelToRecBin")))
        connect(a, &QAction::triggered, this, &FileListPage::actDelToRecBinExecute);
    if (QAction* a = commands_.Action(QStringLiteral("actFindDuplicates")))
        connect(a, &QAction::triggered, this, &FileListPage::actFindDuplicatesExecute);
}

void FileListPage::BuildMenus() {
    // Images from the menu image list; the shared delete command keeps its
    // tool bar image on the tool bar.
    const ImageList& images = commands_.MenuImgList;
    auto* pop = new ImageMenu(this);
    FolderPop = pop;
    FolderPop->setObjectName(QStringLiteral("FolderPop"));
    CheckSelectedItem = FolderPop->addAction(images.value(2), QStringLiteral("Check selected"),
                                             this, [this] { CheckRows(true, false); });
    UncheckSelectedItem = FolderPop->addAction(images.value(18), QStringLiteral("Uncheck selected"),
                                               this, [this] { CheckRows(false, false); });
    ReverseCheckedSelectedItem =
        FolderPop->addAction(images.value(17), QStringLiteral("Reverse checked/selected"), this,
                             &FileListPage::SwapCheckedAndSelected);
    FolderPop->addSeparator();
    if (QAction* a = commands_.Action(QStringLiteral("actMoveToArchive"))) {
        QAction* item =
            FolderPop->addAction(images.value(0), QStringLiteral("Move checked to Archive"));
        connect(item, &QAction::triggered, a, &QAction::trigger);
    }
    RestoreArchiveItem =
        FolderPop->addAction(images.value(0), QStringLiteral("Restore Morvane Archive"));
    RestoreArchiveItem->setObjectName(QStringLiteral("RestoreArchiveItem"));
    connect(RestoreArchiveItem, &QAction::triggered, this, &FileListPage::RestoreArchiveRequested);
    move_sel = FolderPop->addAction(images.value(3), QStringLiteral("Move checked"), this,
                                    &FileListPage::move_selClick);
    Copy_Sel = FolderPop->addAction(images.value(14), QStringLiteral("Copy checked"), this,
                                    &FileListPage::Copy_SelClick);
    if (QAction* a = commands_.Action(QStringLiteral("actDelToRecBin"))) {
        FolderPop->addAction(a);
        pop->SetImage(a, images.value(5));
    }
    FolderPop->addSeparator();
    ShowFileTypeItem = FolderPop->addAction(images.value(24), QStringLiteral("Show file type"),
                                            this, &FileListPage::ShowFileTypeClick);
    ShowFileTypeItem->setObjectName(QStringLiteral("ShowFileTypeItem"));

    FilterPop = new QMenu(this);
    FilterPop->setObjectName(QStringLiteral("FilterPop"));
    FilterPop->addAction(QStringLiteral("Add Item"), this, &FileListPage::AddFilterItemClick);
    FilterPop->addAction(QStringLiteral("Delete Item"), this, &FileListPage::DeleteFilterItemClick);
    FilterPop->addSeparator();
    FilterPop->addAction(QStringLiteral("Show all enties"), this,
                         &FileListPage::ShowAllEntriesClick);
    auto popup = [this](QWidget* w) {
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& p) { FilterPop->popup(w->mapToGlobal(p)); });
    };
    popup(FilterCombo);
    popup(FilterCombo->lineEdit());
}

bool FileListPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        if (enter && (watched == FilterCombo || watched == FilterCombo->lineEdit())) {
            AddTextToComboItems(FilterCombo, 0);
            return true;
        }
        // Enter in the list repeats the last search.
        if (enter && watched == FileList && !LastSearchText.isEmpty()) {
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
    FileList->setUpdatesEnabled(false);
    QElapsedTimer clock;
    clock.start();
    activity_.BeginTiming(true);
    auto closing = [&] {
        FileList->setUpdatesEnabled(true);
        activity_.ResetProgress();
        activity_.ShowElapsed(ElapsedText(clock.elapsed()));
        ReleaseFreeMemory();
    };
    try {
        const QString text = FilterCombo->currentText();
        const FileFilter filter(text, CbxInvertFilter->isChecked());
        FilterEntries = filter.Entries();
        if (count > 0) {
            const bool icons = ReadIniBool(session_.IniFileName(), QStringLiteral("Settings"),
                                           QStringLiteral("ShowIcons"), false);
            const bool details = Cbx_Details->isChecked();
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
            FileList->selectionModel()->clear();
            Model->SetRows(std::move(table), icons);
            FileList->scrollToTop();
        }
    } catch (...) {
        closing();
        throw;
    }
    closing();
}

bool FileListPage::MatchesFilter(const QString& path) const {
    return ::MatchesFilter(path, FilterCombo->currentText(), FilterEntries);
}

void FileListPage::ShowLabelForAWhile(const QString& text) {
    NoOfFilesLabel->setText(text);
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
    FilterCombo->setEditText(value);
    AddTextToComboItems(FilterCombo, 0);
}

void FileListPage::DeleteFilterItemClick() {
    DeleteComboItem(FilterCombo);
}

void FileListPage::ShowAllEntriesClick() {
    ShowMessage(window(), ComboItems(FilterCombo).join(QStringLiteral("\r\n")));
}

// --- sorting -------------------------------------------------------------

void FileListPage::SortByColumn(int column) {
    SortRows(column);
}

std::vector<int> FileListPage::SortRows(int column) {
    ListSortState& state = session_.SortState();
    state.Click(column);
    FileList->setUpdatesEnabled(false);
    std::vector<int> order;
    try {
        const int c = state.SortColumn;
        const bool paths = c == 3 || (c == 0 && !Model->Rows().Detail());
        order =
            SortedOrder(Model->Rows().ColumnTexts(c), state.SortAscending, FormatLocale::current(),
                        TextOrder::current(), paths ? KeyRepeats::Rare : KeyRepeats::Common);
        Model->Reorder(order);
        FileList->horizontalHeader()->setSortIndicatorShown(true);
        FileList->horizontalHeader()->setSortIndicator(
            column, state.SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    } catch (...) {
        // A sort that fails leaves the rows as they were, without a message.
        order.clear();
    }
    FileList->setUpdatesEnabled(true);
    ReleaseFreeMemory(); // the sort keys of every row
    return order;
}
