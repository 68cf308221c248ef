#include "gui/pages/ContentDuplicatesBar.h"
#include "core/duplicates/KeepRules.h"
#include "core/engine/SizeText.h"
#include "gui/dialogs/FolderPickers.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FileListModel.h"
#include "platform/NativePath.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {

QString StageText(DuplicateStage s) {
    switch (s) {
    case DuplicateStage::Walk:
        return QStringLiteral("Looking for files");
    case DuplicateStage::Head:
        return QStringLiteral("Comparing beginnings");
    case DuplicateStage::Tail:
        return QStringLiteral("Comparing ends");
    case DuplicateStage::Whole:
        return QStringLiteral("Comparing contents");
    case DuplicateStage::Done:
        break;
    }
    return {};
}

} // namespace

ContentDuplicatesBar::ContentDuplicatesBar(FileListModel& model, QTableView& list,
                                           std::function<QString()> currentFolder, QWidget* parent)
    : QToolBar(parent), model_(model), list_(list), currentFolder_(std::move(currentFolder)) {
    setObjectName(QStringLiteral("ContentDuplicatesBar"));
    setIconSize(QSize(16, 16));
    findButton_ = new QToolButton(this);
    findButton_->setObjectName(QStringLiteral("FindContentDuplicatesButton"));
    findButton_->setText(QStringLiteral("Find duplicates by content"));
    findButton_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    findButton_->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    findButton_->setToolTip(QStringLiteral("List the files of the current folder that have the "
                                           "same content under any name\r\nEsc stops"));
    connect(findButton_, &QToolButton::clicked, this, &ContentDuplicatesBar::Start);
    addWidget(findButton_);

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ContentDuplicatesProgress"));
    progressBar_->setMaximumWidth(260);
    progressBar_->setTextVisible(true);
    progressAction_ = addWidget(progressBar_);
    progressAction_->setVisible(false);

    addSeparator();
    auto* keepLabel = new QLabel(QStringLiteral(" Keep "), this);
    addWidget(keepLabel);
    keepCombo_ = new QComboBox(this);
    keepCombo_->setObjectName(QStringLiteral("KeepRuleCombo"));
    // In the order of KeepRule.
    keepCombo_->addItems({QStringLiteral("the oldest copy"), QStringLiteral("the newest copy"),
                          QStringLiteral("the copy with the shortest path"),
                          QStringLiteral("the copies in a folder...")});
    addWidget(keepCombo_);
    checkButton_ = new QToolButton(this);
    checkButton_->setObjectName(QStringLiteral("CheckCopiesButton"));
    checkButton_->setText(QStringLiteral("check the other copies"));
    checkButton_->setToolTip(
        QStringLiteral("Check all copies of each group but the one to keep;\r\n"
                       "a group never has all its copies checked"));
    connect(checkButton_, &QToolButton::clicked, this, &ContentDuplicatesBar::CheckCopies);
    addWidget(checkButton_);
    addSeparator();
    summaryLabel_ = new QLabel(this);
    summaryLabel_->setObjectName(QStringLiteral("ContentDuplicatesSummary"));
    addWidget(summaryLabel_);

    pollTimer_ = new QTimer(this);
    pollTimer_->setInterval(100);
    connect(pollTimer_, &QTimer::timeout, this, &ContentDuplicatesBar::Poll);
}

ContentDuplicatesBar::~ContentDuplicatesBar() {
    cancel_ = true;
    if (worker_.joinable()) worker_.join();
    qApp->removeEventFilter(this);
}

void ContentDuplicatesBar::Start() {
    if (Running()) return;
    const QString folder = currentFolder_();
    if (folder.isEmpty() || !IsExistingFolder(folder)) {
        ShowMessage(this, QStringLiteral("Please analyse a folder first: its files are compared."));
        return;
    }
    cancel_ = false;
    done_ = false;
    result_ = std::make_unique<DuplicateResult>();
    progress_.stage = int(DuplicateStage::Walk);
    progress_.filesFound = 0;
    progress_.filesDone = 0;
    progress_.filesTotal = 0;
    const std::string root = NativePath(folder).toStdString();
    worker_ = std::thread([this, root] {
        *result_ = FindDuplicates({root}, {}, &cancel_, &progress_);
        done_ = true;
    });
    // Esc stops the search wherever the focus is in the window.
    qApp->installEventFilter(this);
    findButton_->setEnabled(false);
    summaryLabel_->clear();
    progressBar_->setRange(0, 0);
    progressBar_->setFormat(StageText(DuplicateStage::Walk));
    progressAction_->setVisible(true);
    pollTimer_->start();
}

void ContentDuplicatesBar::Stop() {
    cancel_ = true;
}

bool ContentDuplicatesBar::eventFilter(QObject* watched, QEvent* event) {
    if (Running() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Stop();
        return true;
    }
    return QToolBar::eventFilter(watched, event);
}

void ContentDuplicatesBar::Poll() {
    if (done_) {
        Finish();
        return;
    }
    const auto stage = DuplicateStage(progress_.stage.load());
    if (stage == DuplicateStage::Walk) {
        progressBar_->setRange(0, 0);
        progressBar_->setFormat(
            QStringLiteral("%1: %2").arg(StageText(stage)).arg(progress_.filesFound.load()));
        return;
    }
    const auto total = progress_.filesTotal.load();
    progressBar_->setRange(0, 1000);
    progressBar_->setValue(total ? int(progress_.filesDone.load() * 1000 / total) : 0);
    progressBar_->setFormat(QStringLiteral("%1: %2 of %3")
                                .arg(StageText(stage))
                                .arg(progress_.filesDone.load())
                                .arg(total));
}

void ContentDuplicatesBar::Finish() {
    pollTimer_->stop();
    worker_.join();
    qApp->removeEventFilter(this);
    findButton_->setEnabled(true);
    progressAction_->setVisible(false);
    const std::unique_ptr<DuplicateResult> result = std::move(result_);
    if (cancel_ || result->cancelled) {
        summaryLabel_->setText(QStringLiteral("stopped"));
        return;
    }
    Fill(*result);
}

void ContentDuplicatesBar::Fill(const DuplicateResult& r) {
    copies_.clear();
    FileRowTable table(true);
    std::vector<int> numbers;
    const QString none;
    for (std::size_t n = 0; n < r.groups.size(); ++n) {
        const DuplicateGroup& g = r.groups[n];
        const QString kb = SizeText(suKB, BytesToSizeValue(std::int64_t(g.size)));
        for (const DuplicateCopy& c : g.copies) {
            const QString path = PathFromNative(c.path.data(), qsizetype(c.path.size()));
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/')) + 1;
            table.Append(path.left(slash), QStringView(path).mid(slash), kb,
                         DateText(std::time_t(c.mtime)), none);
            table.SetDupNumber(table.Count() - 1, int(n + 1));
            copies_.insert(path, {int(n + 1), c.mtime});
        }
    }
    table.Squeeze();
    table.ReadAccessDates();
    list_.selectionModel()->clear();
    model_.SetRows(std::move(table), false);
    list_.scrollToTop();
    QString text = QStringLiteral("%1 groups, %2 copies, %3 could be freed")
                       .arg(r.groups.size())
                       .arg(r.Copies())
                       .arg(TotalText(BytesToSizeValue(std::int64_t(r.Wasted())) / 1048576,
                                      QStringLiteral("MB")));
    QStringList skipped;
    for (const DuplicateProblem& p : r.problems)
        skipped << DisplayPath(PathFromNative(p.path.data(), qsizetype(p.path.size()))) +
                       QStringLiteral(": ") + QString::fromStdString(p.message);
    if (!skipped.isEmpty())
        text += QStringLiteral("; %1 skipped (see the hint)").arg(skipped.size());
    summaryLabel_->setText(text);
    summaryLabel_->setToolTip(skipped.mid(0, 30).join(QLatin1Char('\n')));
}

void ContentDuplicatesBar::CheckCopies() {
    const auto rule = KeepRule(keepCombo_->currentIndex());
    std::string reference;
    if (rule == KeepRule::InsideFolder) {
        FolderDialog pick(this);
        pick.Directory = currentFolder_();
        pick.Title = QStringLiteral("Keep the copies in this folder");
        if (!pick.Execute()) return;
        reference = NativePath(pick.Directory).toStdString();
    }
    // Only rows this finder listed count, with the group it gave them: the
    // list may have been refilled or renumbered since.
    std::vector<CopyRow> rows(std::size_t(model_.Count()));
    for (int i = 0; i < model_.Count(); ++i) {
        const QString path = model_.RowPath(i);
        const auto it = copies_.constFind(path);
        if (it == copies_.constEnd() || it->group != model_.Rows().DupNumber(i)) continue;
        rows[std::size_t(i)] = {it->group, NativePath(path).toStdString(), it->mtime};
    }
    model_.SetAllChecks(CopiesToCheck(rows, rule, reference));
}
