#include "views/FileListPage.h"
#include "app/ComboItems.h"
#include "app/GaugeU.h"
#include "app/ListDlgU.h"
#include "app/MainFormU.h"
#include "app/MessageBoxes.h"
#include "engine/FileFilter.h"
#include "engine/SizeText.h"
#include "platform/Errors.h"
#include "platform/FileInfo.h"
#include "platform/Memory.h"
#include "platform/ShellFileOpGui.h"
#include "settings/IniStuff.h"

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
struct TWaitCursor {
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TFileListPage::TFileListPage(TForm1& form, QWidget* parent)
    : QWidget(parent), form_(form), dialogs_(std::make_unique<TShellOpDialogs>(&form)) {
    setObjectName(QStringLiteral("FileListPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    BuildToolBars();
    layout->addWidget(ToolBar2);
    layout->addWidget(ToolBar2b);

    Model = new TFileListModel(this);
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
    const QList<int> widths = TFileListModel::ColumnWidths();
    for (int c = 0; c < widths.size(); ++c)
        FileList->setColumnWidth(c, widths[c]);
    layout->addWidget(FileList, 1);

    BuildMenus();

    connect(h, &QHeaderView::sectionClicked, this, &TFileListPage::SortByColumn);
    connect(FileList, &QTableView::doubleClicked, this, &TFileListPage::FileListDblClick);
    connect(FileList, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        FolderPopPopup();
        FolderPop->popup(FileList->viewport()->mapToGlobal(p));
    });
    connect(FileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFileListPage::FileListSelectItem);
    FileList->installEventFilter(this);

    connect(form_.Timer2(), &QTimer::timeout, NoOfFilesLabel, &QLabel::clear);

    InputQuery = [this](const QString& caption, const QString& prompt, QString& value) {
        bool ok = false;
        const QString t =
            QInputDialog::getText(this, caption, prompt, QLineEdit::Normal, value, &ok);
        if (ok) value = t;
        return ok;
    };
    ShowListText = [this](const QString& text) {
        TListForm dlg(this);
        dlg.ListText = text;
        dlg.exec();
    };
}

TFileListPage::~TFileListPage() = default;

void TFileListPage::BuildToolBars() {
    ToolBar2 = new QToolBar(this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setIconSize(QSize(16, 16));
    FillFileListButton = new QToolButton(ToolBar2);
    FillFileListButton->setObjectName(QStringLiteral("FillFileListButton"));
    FillFileListButton->setText(QStringLiteral("Fill File List"));
    FillFileListButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FillFileListButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(FillFileListButton, &QToolButton::clicked, this,
            &TFileListPage::FillFileListButtonClick);
    ToolBar2->addWidget(FillFileListButton);
    ToolBar2->addSeparator();

    FilterCombo = new QComboBox(ToolBar2);
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
    ToolBar2->addWidget(FilterCombo);
    form_.FilterCombo = FilterCombo;

    CbxInvertFilter = new QCheckBox(QStringLiteral("Invert Filter"), ToolBar2);
    CbxInvertFilter->setObjectName(QStringLiteral("CbxInvertFilter"));
    ToolBar2->addWidget(CbxInvertFilter);
    Cbx_Details = new QCheckBox(QStringLiteral("Details"), ToolBar2);
    Cbx_Details->setObjectName(QStringLiteral("Cbx_Details"));
    Cbx_Details->setChecked(true);
    ToolBar2->addWidget(Cbx_Details);
    ToolBar2->addSeparator();
    NoOfFilesLabel = new QLabel(ToolBar2);
    NoOfFilesLabel->setObjectName(QStringLiteral("NoOfFilesLabel"));
    NoOfFilesLabel->setMinimumWidth(110);
    ToolBar2->addWidget(NoOfFilesLabel);

    ToolBar2b = new QToolBar(this);
    ToolBar2b->setObjectName(QStringLiteral("ToolBar2b"));
    ToolBar2b->setIconSize(QSize(16, 16));
    ToolBar2b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto button = [this](const char* name, QAction* action) {
        auto* b = new QToolButton(ToolBar2b);
        b->setObjectName(QLatin1String(name));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        if (action) b->setDefaultAction(action);
        ToolBar2b->addWidget(b);
        return b;
    };
    ToolButton20 = button("ToolButton20", form_.Action(QStringLiteral("actDelToRecBin")));
    ToolButton16 = button("ToolButton16", nullptr);
    ToolButton16->setText(QStringLiteral("select none"));
    ToolButton16->setToolTip(QStringLiteral("Uncheck all items"));
    ToolButton16->setIcon(style()->standardIcon(QStyle::SP_DialogResetButton));
    connect(ToolButton16, &QToolButton::clicked, this, [this] { CheckRows(false, true); });
    ToolButton15 = button("ToolButton15", nullptr);
    ToolButton15->setText(QStringLiteral("select all"));
    ToolButton15->setToolTip(QStringLiteral("Check all items"));
    ToolButton15->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    connect(ToolButton15, &QToolButton::clicked, this, [this] { CheckRows(true, true); });
    ToolBar2b->addSeparator();
    ToolButton22 = button("ToolButton22", form_.Action(QStringLiteral("actFindDuplicates")));
    ToolButton22->setToolTip(QStringLiteral(
        "Find duplicates in FileList\r\nDuplicated files will be alternatively marked \r\nor "
        "selected.\r\nSwap selection/checked items by clicking right\r\nmouse button, change "
        "selection"));
    ToolButton23 = button("ToolButton23", nullptr);
    ToolButton23->setText(QStringLiteral("Find File"));
    ToolButton23->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    ToolButton23->setToolTip(
        QStringLiteral("Find File in File list\r\nCriteria\r\nFile Name or\r\nFile Path"));
    connect(ToolButton23, &QToolButton::clicked, this, &TFileListPage::ToolButton23Click);
    ToolBar2b->addSeparator();
    ToolButton24 = button("ToolButton24", form_.Action(QStringLiteral("actMoveToArchive")));

    if (QAction* a = form_.Action(QStringLiteral("actDelToRecBin")))
        connect(a, &QAction::triggered, this, &TFileListPage::actDelToRecBinExecute);
    if (QAction* a = form_.Action(QStringLiteral("actFindDuplicates")))
        connect(a, &QAction::triggered, this, &TFileListPage::actFindDuplicatesExecute);
}

void TFileListPage::BuildMenus() {
    FolderPop = new QMenu(this);
    FolderPop->setObjectName(QStringLiteral("FolderPop"));
    Checkselected1 = FolderPop->addAction(QStringLiteral("Check selected"), this,
                                          [this] { CheckRows(true, false); });
    Uncheckselected1 = FolderPop->addAction(QStringLiteral("Uncheck selected"), this,
                                            [this] { CheckRows(false, false); });
    Reversecheckedselected1 = FolderPop->addAction(QStringLiteral("Reverse checked/selected"), this,
                                                   &TFileListPage::SwapCheckedAndSelected);
    FolderPop->addSeparator();
    if (QAction* a = form_.Action(QStringLiteral("actMoveToArchive"))) {
        QAction* item = FolderPop->addAction(a->icon(), QStringLiteral("Move checked to Archive"));
        connect(item, &QAction::triggered, a, &QAction::trigger);
    }
    RestoreMorvaneArchive2 = FolderPop->addAction(QStringLiteral("Restore Morvane Archive"));
    RestoreMorvaneArchive2->setObjectName(QStringLiteral("RestoreMorvaneArchive2"));
    move_sel =
        FolderPop->addAction(QStringLiteral("Move checked"), this, &TFileListPage::move_selClick);
    Copy_Sel =
        FolderPop->addAction(QStringLiteral("Copy checked"), this, &TFileListPage::Copy_SelClick);
    if (QAction* a = form_.Action(QStringLiteral("actDelToRecBin"))) FolderPop->addAction(a);
    FolderPop->addSeparator();
    Showfiletype1 = FolderPop->addAction(QStringLiteral("Show file type"), this,
                                         &TFileListPage::Showfiletype1Click);

    FilterPop = new QMenu(this);
    FilterPop->setObjectName(QStringLiteral("FilterPop"));
    FilterPop->addAction(QStringLiteral("Add Item"), this, &TFileListPage::AddItem1Click);
    FilterPop->addAction(QStringLiteral("Delete Item"), this, &TFileListPage::DeleteItem1Click);
    FilterPop->addSeparator();
    FilterPop->addAction(QStringLiteral("Show all enties"), this,
                         &TFileListPage::Showallenties1Click);
    auto popup = [this](QWidget* w) {
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& p) { FilterPop->popup(w->mapToGlobal(p)); });
    };
    popup(FilterCombo);
    popup(FilterCombo->lineEdit());
}

bool TFileListPage::eventFilter(QObject* watched, QEvent* event) {
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

void TFileListPage::FillFileListButtonClick() {
    TDirSize& s = form_.Scanner();
    try {
        FillFileList(s.FilePaths(), s.FileKB(), s.FileDates());
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(&form_, e.message());
        return;
    } catch (const std::exception& e) {
        ShowErrorMessage(&form_, QString::fromLocal8Bit(e.what()));
        return;
    }
    ShowFileCount();
}

QString TFileListPage::AccessDateText(const QString& path) {
    // Few distinct days among many files: format each day once and share the text.
    const QDate d = LastAccessDate(path);
    const qint64 key = d.toJulianDay();
    auto it = dateTexts_.constFind(key);
    if (it != dateTexts_.constEnd()) return *it;
    const QString t = DateText(d.year(), d.month(), d.day());
    dateTexts_.insert(key, t);
    return t;
}

void TFileListPage::FillFileList(const QStringList& paths, const QStringList& kbTexts,
                                 const QStringList& dateTexts) {
    TWaitCursor wait;
    FileList->setUpdatesEnabled(false);
    form_.Timer3()->stop();
    QElapsedTimer clock;
    clock.start();
    form_.Label1()->clear();
    auto closing = [&] {
        FileList->setUpdatesEnabled(true);
        if (TGauge* g = form_.GaugeWidget()) g->ResetProgress();
        form_.Label1()->setText(ElapsedText(clock.elapsed()));
        form_.Timer3()->start();
        ReleaseFreeMemory();
    };
    try {
        const QString text = FilterCombo->currentText();
        const TFileFilter filter(text, CbxInvertFilter->isChecked());
        FilterEntries = filter.Entries();
        if (!paths.isEmpty()) {
            const bool icons = ReadIniBool(form_.IniFileName(), QStringLiteral("Settings"),
                                           QStringLiteral("ShowIcons"), false);
            const bool details = Cbx_Details->isChecked();
            const int max = int(paths.size()) - 1;
            IProgress& gauge = form_.Gauge();
            gauge.SetProgressMax(max);
            FileGaugeStep = NextFileGaugeStep(FileGaugeStep, max);
            std::vector<TFileRow> rows;
            rows.reserve(std::size_t(paths.size()));
            for (int i = 0; i <= max; ++i) {
                const QString& p = paths.at(i);
                if (filter.Accepts(p))
                    rows.push_back(MakeFileRow(p, kbTexts.value(i), dateTexts.value(i),
                                               details ? AccessDateText(p) : QString(), details));
                if (const int step = FileGaugeAdvance(FileGaugeStep, i)) gauge.SetAddProgress(step);
            }
            FileList->selectionModel()->clear();
            Model->SetRows(std::move(rows), icons);
            FileList->scrollToTop();
        }
    } catch (...) {
        closing();
        throw;
    }
    closing();
}

bool TFileListPage::MatchesFilter(const QString& path) const {
    return ::MatchesFilter(path, FilterCombo->currentText(), FilterEntries);
}

void TFileListPage::ShowLabelForAWhile(const QString& text) {
    NoOfFilesLabel->setText(text);
    // A running timer keeps its three seconds.
    if (!form_.Timer2()->isActive()) form_.Timer2()->start();
}

void TFileListPage::ShowFileCount() {
    ShowLabelForAWhile(QString::number(Model->Count()) + QStringLiteral(" Files"));
}

// --- the filter list ------------------------------------------------------

void TFileListPage::AddItem1Click() {
    QString value;
    if (!InputQuery(QStringLiteral("Enter extension string: e.g. tmp;bak;"),
                    QStringLiteral("Prompt"), value))
        value.clear();
    FilterCombo->setEditText(value);
    AddTextToComboItems(FilterCombo, 0);
}

void TFileListPage::DeleteItem1Click() {
    DeleteComboItem(FilterCombo);
}

void TFileListPage::Showallenties1Click() {
    ShowMessage(&form_, ComboItems(FilterCombo).join(QStringLiteral("\r\n")));
}

// --- sorting -------------------------------------------------------------

void TFileListPage::SortByColumn(int column) {
    TSortState& state = form_.SortState();
    state.Click(column);
    FileList->setUpdatesEnabled(false);
    try {
        QStringList keys;
        keys.reserve(Model->Count());
        for (const TFileRow& r : Model->Rows())
            keys << r.Cell(state.SortColumn);
        Model->Reorder(SortedOrder(keys, state.SortAscending));
        FileList->horizontalHeader()->setSortIndicatorShown(true);
        FileList->horizontalHeader()->setSortIndicator(
            column, state.SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    } catch (...) {
        // A sort that fails leaves the rows as they were, without a message.
    }
    FileList->setUpdatesEnabled(true);
    ReleaseFreeMemory(); // the sort keys of every row
}
