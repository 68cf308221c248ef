#include "gui/pages/CommanderPage.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderPane.h"
#include "gui/session/AnalysisSession.h"
#include "platform/Errors.h"
#include <QFileInfo>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int kRightPanelWidth = 303;
constexpr int kButtonWidth = 74;
} // namespace

CommanderPage::CommanderPage(AnalysisSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("CommanderPage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("CommanderSplitter"));
    splitter_->setHandleWidth(5);
    left_ = new FolderPane(QStringLiteral("ExplLeft"), true, true, splitter_);
    left_->SetPathBoxWidth(151);
    right_ = new FolderPane(QStringLiteral("ExplRight"), false, false, splitter_);
    right_->SetPathBoxWidth(230);
    right_->SeparatePathBox();
    right_->SetFolderTextWrapped(true);
    splitter_->addWidget(left_);
    splitter_->addWidget(right_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    splitter_->setCollapsible(0, false);
    splitter_->setCollapsible(1, false);
    splitter_->setSizes({400, kRightPanelWidth});
    layout->addWidget(splitter_, 1);

    bottomBar_ = new QToolBar(this);
    bottomBar_->setObjectName(QStringLiteral("CommanderButtons"));
    bottomBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const char* const names[6] = {"CopyButton",   "MoveButton",    "MakeDirButton",
                                  "DeleteButton", "CopyZipButton", "MoveZipButton"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QToolButton(bottomBar_);
        b->setObjectName(QLatin1String(names[i]));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        // At least the classic width; a longer caption widens its button.
        b->setMinimumWidth(kButtonWidth);
        connect(b, &QToolButton::clicked, this, &CommanderPage::NotSupportedClick);
        bottomBar_->addWidget(b);
        buttons_[i] = b;
    }
    SetCaptions(ActivePane::None);
    layout->addWidget(bottomBar_);

    connect(left_, &FolderPane::Clicked, this, &CommanderPage::ActivateLeftPane);
    connect(right_, &FolderPane::Clicked, this, &CommanderPage::ActivateRightPane);
    connect(left_, &FolderPane::DoubleClicked, this, &CommanderPage::LeftDblClick);
    connect(right_, &FolderPane::DoubleClicked, this, &CommanderPage::RightDblClick);
    connect(left_, &FolderPane::UpClicked, this, &CommanderPage::LeftUpClick);
    connect(right_, &FolderPane::UpClicked, this, &CommanderPage::RightUpClick);
    connect(left_, &FolderPane::PathChosen, this, &CommanderPage::LeftPathChosen);
    connect(right_, &FolderPane::PathChosen, this, &CommanderPage::RightPathChosen);
    connect(left_, &FolderPane::ViewButtonContextMenu, this,
            &CommanderPage::ViewButtonContextPopup);
    connect(right_, &FolderPane::ViewButtonContextMenu, this,
            &CommanderPage::ViewButtonContextPopup);

    connect(&session, &AnalysisSession::CurrentFolderChanged, this,
            &CommanderPage::FollowCurrentFolder);
}

void CommanderPage::FollowCurrentFolder() {
    const QString folder = session_.CurrentFolder();
    try {
        left_->SetDirectory(folder);
    } catch (const EMorvaneError&) {
        // The current folder vanished: the pane keeps what it shows.
    }
    left_->SetFolderText(folder);
}

void CommanderPage::ShowRightFolder(const QString& path) {
    if (!pageActive_) return;
    try {
        right_->SetDirectory(path);
        right_->SetFolderText(path);
    } catch (const EMorvaneError&) {
        // A remembered folder that cannot be shown is no error for the user.
    }
}

QString CommanderPage::LeftFolderLabel() const {
    return left_->FolderText();
}

QString CommanderPage::RightFolder() const {
    return right_->Directory();
}

QString CommanderPage::RightFolderToKeep() const {
    const QString right = RightFolder();
    return right.isEmpty() ? rememberedRight_ : right;
}

void CommanderPage::SetCaptions(ActivePane active) {
    const auto captions = CommanderCaptions(active);
    for (int i = 0; i < 6; ++i)
        buttons_[i]->setText(captions[i]);
}

void CommanderPage::ActivateLeftPane() {
    active_ = ActivePane::Left;
    left_->SetBorder(true);
    right_->SetBorder(false);
    SetCaptions(active_);
}

void CommanderPage::ActivateRightPane() {
    active_ = ActivePane::Right;
    left_->SetBorder(false);
    right_->SetBorder(true);
    SetCaptions(active_);
}

void CommanderPage::LeftDblClick() {
    // The item's own path, not the folder plus the name shown.
    const QString p = left_->SelectedPath();
    if (!p.isEmpty()) {
        const QFileInfo fi(p);
        // Opened here only: the pane does not open it a second time.
        if (fi.isDir())
            session_.SelectFolder(p);
        else if (fi.isFile() && left_->OpenFile)
            left_->OpenFile(p);
    }
    FollowCurrentFolder();
    emit BottomBoxText(session_.CurrentFolder());
}

void CommanderPage::RightDblClick() {
    const QString s = right_->SelectedPath();
    if (!s.isEmpty() && QFileInfo(s).isDir()) right_->SetFolderText(s);
    const QString left = left_->Directory();
    if (!left.isEmpty() && QFileInfo(left).isDir()) left_->SetFolderText(left);
    try {
        right_->OpenSelected();
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void CommanderPage::LeftUpClick() {
    if (left_->Directory().isEmpty()) return;
    session_.SelectFolder(AnalysisSession::ParentFolder(left_->Directory()));
}

void CommanderPage::RightUpClick() {
    right_->setUpdatesEnabled(false);
    try {
        right_->SetDirectory(AnalysisSession::ParentFolder(right_->Directory()));
        // The label names the folder the pane now shows.
        right_->SetFolderText(right_->Directory());
    } catch (const EMorvaneError& e) {
        right_->setUpdatesEnabled(true);
        ShowErrorMessage(this, e.message());
        return;
    }
    right_->setUpdatesEnabled(true);
}

void CommanderPage::LeftPathChosen(const QString& path) {
    session_.SelectFolder(path);
}

void CommanderPage::RightPathChosen(const QString& path) {
    // The left pane shows the same folder; the current folder and the left
    // label stay as they are.
    right_->SetFolderText(path);
    try {
        left_->SetDirectory(path);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void CommanderPage::NotSupportedClick() {
    ShowMessage(this, QStringLiteral("not supported yet"));
}

void CommanderPage::ViewButtonContextPopup() {
    left_->ViewItem(FolderPane::ViewStyle::SmallIcon)->setChecked(true);
}
