#include "gui/pages/TreemapPage.h"
#include "core/engine/DirScanner.h"
#include "core/treemap/TreemapFiles.h"
#include "gui/commands/CommandTable.h"
#include "gui/common/FolderActions.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/dialogs/ShellOpDialogs.h"
#include "gui/pages/TreemapView.h"
#include "gui/session/AnalysisSession.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>

namespace {
// The processor time of the calling thread: what the machine's load does not inflate.
qint64 ThreadCpuMillis() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
} // namespace

TreemapPage::TreemapPage(AnalysisSession& session, CommandTable& commands, QWidget* parent)
    : QWidget(parent), session_(session), commands_(commands),
      dialogs_(std::make_unique<ShellOpDialogs>(this)) {
    setObjectName(QStringLiteral("TreemapPage"));
    pool_.setMaxThreadCount(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* bar = new QHBoxLayout;
    byFiles_ = new QCheckBox(QStringLiteral("Size by number of files"), this);
    byFiles_->setObjectName(QStringLiteral("TreemapByFiles"));
    byFiles_->setToolTip(QStringLiteral("Tile areas by the number of files instead of bytes"));
    cushions_ = new QCheckBox(QStringLiteral("Cushions"), this);
    cushions_->setObjectName(QStringLiteral("TreemapCushions"));
    cushions_->setToolTip(QStringLiteral("Shaded cushions, or flat tiles with outlines"));
    cushions_->setChecked(true);
    auto* save = new QPushButton(QStringLiteral("Save Picture As..."), this);
    save->setObjectName(QStringLiteral("TreemapSave"));
    save->setToolTip(QStringLiteral("Save the treemap as a PNG picture or an SVG drawing"));
    bar->addWidget(byFiles_);
    bar->addWidget(cushions_);
    bar->addStretch(1);
    bar->addWidget(save);
    layout->addLayout(bar);
    view_ = new TreemapView(this);
    layout->addWidget(view_, 1);
    legend_ = new QLabel(this);
    legend_->setObjectName(QStringLiteral("TreemapLegend"));
    legend_->setTextFormat(Qt::RichText);
    legend_->setWordWrap(true);
    layout->addWidget(legend_);

    folderMenu_ = new QMenu(this);
    folderMenu_->setObjectName(QStringLiteral("TreemapFolderMenu"));
    folderMenu_->addAction(QStringLiteral("Open with Explorer"), this,
                           [this] { OpenInShell(AnalysisSession::WithDelimiter(menuPath_)); });
    folderMenu_->addSeparator();
    folderMenu_->addAction(QStringLiteral("Delete Folder"), this, [this] { RunOnTile(FO_DELETE); });
    folderMenu_->addAction(QStringLiteral("Move Folder"), this, [this] { RunOnTile(FO_MOVE); });
    folderMenu_->addAction(QStringLiteral("Copy Folder"), this, [this] { RunOnTile(FO_COPY); });
    fileMenu_ = new QMenu(this);
    fileMenu_->setObjectName(QStringLiteral("TreemapFileMenu"));
    fileMenu_->addAction(QStringLiteral("Open"), this, [this] { OpenInShell(menuPath_); });
    fileMenu_->addAction(QStringLiteral("Open Folder"), this, [this] {
        OpenInShell(AnalysisSession::WithDelimiter(FolderOf(menuPath_)));
    });
    fileMenu_->addSeparator();
    fileMenu_->addAction(QStringLiteral("Delete File"), this, [this] { RunOnTile(FO_DELETE); });
    fileMenu_->addAction(QStringLiteral("Move File"), this, [this] { RunOnTile(FO_MOVE); });
    fileMenu_->addAction(QStringLiteral("Copy File"), this, [this] { RunOnTile(FO_COPY); });

    // Bursts of requests (a run ending, a resize) make one layout.
    relayout_ = new QTimer(this);
    relayout_->setSingleShot(true);
    relayout_->setInterval(0);
    connect(relayout_, &QTimer::timeout, this, &TreemapPage::StartLayout);
    connect(&session_, &AnalysisSession::ShownTreeChanged, this, [this] {
        // A hidden page does not keep the tree before alive until it is shown.
        if (!isVisible()) {
            if (cancel_) cancel_->store(true);
            ++generation_; // a picture on its way is of that tree too
            Show(nullptr);
        }
        Refresh();
    });
    connect(&session_, &AnalysisSession::CurrentFolderChanged, this, &TreemapPage::Refresh);
    connect(&session_, &AnalysisSession::ComparisonChanged, this, &TreemapPage::Refresh);
    connect(byFiles_, &QCheckBox::toggled, this, &TreemapPage::Refresh);
    connect(cushions_, &QCheckBox::toggled, this, &TreemapPage::Refresh);
    connect(view_, &TreemapView::Resized, this, &TreemapPage::Refresh);
    connect(view_, &TreemapView::Hovered, this,
            [this](int tile) { emit HoverText(view_->TileText(tile)); });
    connect(view_, &TreemapView::Activated, this, &TreemapPage::OnActivated);
    connect(view_, &TreemapView::MenuRequested, this, &TreemapPage::OnMenu);
    connect(save, &QPushButton::clicked, this, &TreemapPage::SavePictureAs);
    if ((freeSpace_ = commands_.Action(QStringLiteral("FreeSpaceButt"))))
        connect(freeSpace_, &QAction::toggled, this, &TreemapPage::Refresh);
}

TreemapPage::~TreemapPage() {
    // The layout going holds this page: it ends before the page does.
    if (cancel_) cancel_->store(true);
    pool_.clear();
    pool_.waitForDone();
}

void TreemapPage::Refresh() {
    dirty_ = true;
    busy_ = true;
    if (isVisible()) relayout_->start();
}

void TreemapPage::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (dirty_) relayout_->start();
}

void TreemapPage::StartLayout() {
    if (!isVisible()) return;
    dirty_ = false;
    if (cancel_) cancel_->store(true);
    pool_.clear();
    const quint64 generation = ++generation_;
    const std::shared_ptr<const Tree> tree = session_.ShownTree();
    const Tree::Index top = session_.CurrentNode();
    TreemapOptions options;
    options.width = view_->width();
    options.height = view_->height();
    options.byFiles = byFiles_->isChecked();
    if (!tree || top == Tree::kNone || !tree->At(top).IsFolder() || options.width <= 0 ||
        options.height <= 0) {
        Show(nullptr);
        return;
    }
    // As the size list shows it: at the root of a file system on the disk.
    const QString folder = session_.CurrentFolder();
    if (freeSpace_ && freeSpace_->isChecked() && !options.byFiles && !session_.SnapshotShown() &&
        DirScanner::IsDriveRoot(folder))
        options.freeSpace = std::max<qint64>(0, DirScanner::FreeBytes(folder));
    TreemapStyle style;
    style.cushions = cushions_->isChecked();
    // While a comparison of this tree is held, tiles show growth and shrinkage.
    std::shared_ptr<const SnapshotComparison> comparison = session_.Comparison();
    if (comparison && comparison->shown == tree)
        style.change = &comparison->result.change;
    else
        comparison.reset();
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    cancel_ = cancel;
    std::shared_ptr<const TypeGroupTable> groups;
    if (groupsTree_.lock() == tree) groups = groups_;
    pool_.start([this, tree, top, options, style, cancel, generation, groups, comparison] {
        QElapsedTimer clock;
        clock.start();
        const qint64 cpuStart = ThreadCpuMillis();
        auto r = std::make_shared<TreemapResult>();
        r->tree = tree;
        r->style = style;
        r->comparison = comparison;
        r->layout = TreemapLayout::Make(*tree, top, options, cancel.get());
        if (r->layout.Cancelled()) return;
        r->groups =
            groups ? groups
                   : std::make_shared<const TypeGroupTable>(GroupTypes(*tree, 0, cancel.get()));
        if (cancel->load()) return;
        r->legend = GroupBytes(*tree, *r->groups, top);
        r->picture = RenderTreemap(*tree, r->layout, *r->groups, style);
        const RawPicture& p = r->picture;
        // In the screen's format once here, so that a repaint is a copy.
        r->image = QImage(p.rgb.data(), p.width, p.height, p.width * 3, QImage::Format_RGB888)
                       .convertToFormat(QImage::Format_RGB32);
        r->millis = clock.elapsed();
        r->cpuMillis = ThreadCpuMillis() - cpuStart;
        QMetaObject::invokeMethod(
            this,
            [this, r, generation] {
                if (generation == generation_) Show(r);
            },
            Qt::QueuedConnection);
    });
}

void TreemapPage::Show(std::shared_ptr<const TreemapResult> result) {
    busy_ = dirty_;
    const qint64 millis = result ? result->millis : 0;
    if (result) {
        groupsTree_ = result->tree;
        groups_ = result->groups;
    } else {
        groupsTree_.reset();
        groups_.reset();
    }
    view_->SetResult(std::move(result));
    ShowLegend();
    emit PictureShown(millis);
}

void TreemapPage::ShowLegend() {
    const TreemapResult* r = view_->Result();
    if (!r) {
        legend_->clear();
        return;
    }
    // A square of the colour, then its meaning.
    auto swatch = [](std::uint32_t rgb) {
        return QStringLiteral("<span style=\"background-color:#%1\">&nbsp;&nbsp;&nbsp;&nbsp;"
                              "</span>&nbsp;")
            .arg(rgb, 6, 16, QLatin1Char('0'));
    };
    if (r->comparison) {
        // Coloured by growth: the legend says what the colours mean and against what.
        legend_->setText(swatch(kGrewColor) + tr("grew") + QStringLiteral("&nbsp;&nbsp; ") +
                         swatch(kShrankColor) + tr("shrank") + QStringLiteral("&nbsp;&nbsp; ") +
                         swatch(kUnchangedColor) +
                         tr("unchanged since %1")
                             .arg(QFileInfo(r->comparison->baseFile).fileName().toHtmlEscaped()));
        return;
    }
    std::int64_t all = 0;
    for (std::int64_t b : r->legend)
        all += b;
    const QLocale locale;
    QString html;
    for (int g = 0; g < kTypeGroupCount; ++g) {
        const double share = all > 0 ? 100.0 * double(r->legend[std::size_t(g)]) / double(all) : 0;
        html += swatch(TypeGroupColor(TypeGroup(g))) +
                QStringLiteral("%1 %2%&nbsp;&nbsp; ")
                    .arg(QString::fromLatin1(TypeGroupName(TypeGroup(g))),
                         locale.toString(share, 'f', 1));
    }
    legend_->setText(html);
}

QString TreemapPage::TilePath(int tile) const {
    const TreemapResult* r = view_->Result();
    if (!r || tile < 0) return {};
    const Tree::Index node = r->layout.Tiles()[std::size_t(tile)].node;
    return node == Tree::kNone ? QString() : PathFromNative(r->tree->PathBytes(node));
}

void TreemapPage::OnActivated(int tile) {
    const TreemapResult* r = view_->Result();
    if (!r) return;
    Tree::Index node = r->layout.Tiles()[std::size_t(tile)].node;
    if (node == Tree::kNone) return;
    // A file's tile stands for its folder; the folder shown is current already.
    if (!r->tree->At(node).IsFolder()) node = r->tree->At(node).parent;
    if (node == Tree::kNone || node == r->layout.Top()) return;
    emit FolderActivated(PathFromNative(r->tree->PathBytes(node)));
}

void TreemapPage::OnMenu(int tile, QPoint globalPos) {
    const TreemapResult* r = view_->Result();
    menuPath_ = TilePath(tile);
    if (!r || menuPath_.isEmpty()) return;
    const Tree::Index node = r->layout.Tiles()[std::size_t(tile)].node;
    (r->tree->At(node).IsFolder() ? folderMenu_ : fileMenu_)->popup(globalPos);
}

IShellOpUi* TreemapPage::Ui() {
    return ShellUi ? ShellUi : dialogs_.get();
}

void TreemapPage::RunOnTile(int operation) {
    const QString path = menuPath_;
    if (path.isEmpty() || session_.Running()) return;
    bool done = false;
    if (operation == FO_DELETE) {
        done = RecycleFolder(path, Ui());
    } else {
        FolderDialog pd(this);
        pd.Directory = session_.CurrentFolder();
        pd.Title = QStringLiteral("Select target directory");
        if (!pd.Execute()) return;
        done = ShellOperationOnPath(path, pd.Directory, operation, Ui());
    }
    // A copy leaves the folder as it was.
    if (done && operation != FO_COPY) emit RemeasureRequested();
}

void TreemapPage::SavePictureAs() {
    if (!view_->Result()) {
        ShowErrorMessage(this, QStringLiteral("There is no treemap to save."));
        return;
    }
    QString filter;
    const QString fileName = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save Picture As"), session_.CurrentFolder(),
        QStringLiteral("PNG picture (*.png);;SVG drawing (*.svg)"), &filter);
    if (fileName.isEmpty()) return;
    try {
        SavePicture(fileName);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void TreemapPage::SavePicture(const QString& fileName) const {
    const TreemapResult* r = view_->Result();
    if (!r) throw EMorvaneError(QStringLiteral("There is no treemap to save."));
    if (fileName.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        SaveTreemapSvg(*r->tree, r->layout, *r->groups, r->style, fileName);
    else
        SavePngFile(r->picture, fileName);
}
