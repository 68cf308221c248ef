#include "gui/pages/CommanderPage.h"
#include "gui/dialogs/MessageBoxes.h"
#include "gui/pages/FolderPane.h"
#include "gui/session/AnalysisSession.h"
#include "platform/Errors.h"
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QSplitter>
#include <QTabWidget>
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

    Splitter = new QSplitter(Qt::Horizontal, this);
    Splitter->setObjectName(QStringLiteral("CommanderSplitter"));
    Splitter->setHandleWidth(5);
    Left = new FolderPane(QStringLiteral("ExplLeft"), true, true, Splitter);
    Left->PathCombo->setFixedWidth(151);
    Left->FolderLabel->setObjectName(QStringLiteral("LblExplLeftDir"));
    Right = new FolderPane(QStringLiteral("ExplRight"), false, false, Splitter);
    Right->PathCombo->setFixedWidth(230);
    Right->Tools->insertSeparator(Right->Tools->actions().constLast());
    Right->FolderLabel->setObjectName(QStringLiteral("LblExplRightDir"));
    Right->FolderLabel->setWordWrap(true);
    Splitter->addWidget(Left);
    Splitter->addWidget(Right);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    Splitter->setCollapsible(0, false);
    Splitter->setCollapsible(1, false);
    Splitter->setSizes({400, kRightPanelWidth});
    layout->addWidget(Splitter, 1);

    BottomBar = new QToolBar(this);
    BottomBar->setObjectName(QStringLiteral("CommanderButtons"));
    BottomBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const char* const names[6] = {"CopyButton",   "MoveButton",    "MakeDirButton",
                                  "DeleteButton", "CopyZipButton", "MoveZipButton"};
    for (int i = 0; i < 6; ++i) {
        auto* b = new QToolButton(BottomBar);
        b->setObjectName(QLatin1String(names[i]));
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        // At least the classic width; a longer caption widens its button.
        b->setMinimumWidth(kButtonWidth);
        connect(b, &QToolButton::clicked, this, &CommanderPage::NotSupportedClick);
        BottomBar->addWidget(b);
        Buttons[i] = b;
    }
    SetCaptions(ActivePane::None);
    layout->addWidget(BottomBar);

    connect(Left, &FolderPane::Clicked, this, &CommanderPage::ActivateLeftPane);
    connect(Right, &FolderPane::Clicked, this, &CommanderPage::ActivateRightPane);
    connect(Left, &FolderPane::DoubleClicked, this, &CommanderPage::LeftDblClick);
    connect(Right, &FolderPane::DoubleClicked, this, &CommanderPage::RightDblClick);
    connect(Left, &FolderPane::UpClicked, this, &CommanderPage::LeftUpClick);
    connect(Right, &FolderPane::UpClicked, this, &CommanderPage::RightUpClick);
    connect(Left, &FolderPane::PathChosen, this, &CommanderPage::LeftPathChosen);
    connect(Right, &FolderPane::PathChosen, this, &CommanderPage::RightPathChosen);
    connect(Left, &FolderPane::ViewButtonContextMenu, this, &CommanderPage::ViewButtonContextPopup);
    connect(Right, &FolderPane::ViewButtonContextMenu, this,
            &CommanderPage::ViewButtonContextPopup);

    connect(&session, &AnalysisSession::CurrentFolderChanged, this,
            &CommanderPage::FollowCurrentFolder);
}

void CommanderPage::FollowCurrentFolder() {
    const QString folder = session_.CurrentFolder();
    try {
        Left->SetDirectory(folder);
    } catch (const EMorvaneError&) {
        // The current folder vanished: the pane keeps what it shows.
    }
    Left->FolderLabel->setText(folder);
}

void CommanderPage::ShowRightFolder(const QString& path) {
    if (!pageActive_) return;
    try {
        Right->SetDirectory(path);
        Right->FolderLabel->setText(path);
    } catch (const EMorvaneError&) {
        // A remembered folder that cannot be shown is no error for the user.
    }
}

QString CommanderPage::LeftFolderLabel() const {
    return Left->FolderLabel->text();
}

QString CommanderPage::RightFolder() const {
    return Right->Directory();
}

QString CommanderPage::RightFolderToKeep() const {
    const QString right = RightFolder();
    return right.isEmpty() ? rememberedRight_ : right;
}

void CommanderPage::SetCaptions(ActivePane active) {
    const auto captions = CommanderCaptions(active);
    for (int i = 0; i < 6; ++i)
        Buttons[i]->setText(captions[i]);
}

void CommanderPage::ActivateLeftPane() {
    active_ = ActivePane::Left;
    Left->SetBorder(true);
    Right->SetBorder(false);
    SetCaptions(active_);
}

void CommanderPage::ActivateRightPane() {
    active_ = ActivePane::Right;
    Left->SetBorder(false);
    Right->SetBorder(true);
    SetCaptions(active_);
}

void CommanderPage::LeftDblClick() {
    const QString caption = Left->SelectedCaption();
    if (!caption.isEmpty() && !Left->Directory().isEmpty()) {
        const QString p = Left->Directory() + caption;
        const QFileInfo fi(p);
        // Opened here only: the pane does not open it a second time.
        if (fi.isDir())
            session_.SelectFolder(p);
        else if (fi.isFile() && Left->OpenFile)
            Left->OpenFile(p);
    }
    FollowCurrentFolder();
    emit BottomBoxText(session_.CurrentFolder());
}

void CommanderPage::RightDblClick() {
    const QString s = Right->SelectedPath();
    if (!s.isEmpty() && QFileInfo(s).isDir()) Right->FolderLabel->setText(s);
    const QString left = Left->Directory();
    if (!left.isEmpty() && QFileInfo(left).isDir()) Left->FolderLabel->setText(left);
    try {
        Right->OpenSelected();
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void CommanderPage::LeftUpClick() {
    if (Left->Directory().isEmpty()) return;
    session_.SelectFolder(AnalysisSession::ParentFolder(Left->Directory()));
}

void CommanderPage::RightUpClick() {
    Right->setUpdatesEnabled(false);
    try {
        Right->SetDirectory(AnalysisSession::ParentFolder(Right->Directory()));
        // The label names the folder the pane now shows.
        Right->FolderLabel->setText(Right->Directory());
    } catch (const EMorvaneError& e) {
        Right->setUpdatesEnabled(true);
        ShowErrorMessage(this, e.message());
        return;
    }
    Right->setUpdatesEnabled(true);
}

void CommanderPage::LeftPathChosen(const QString& path) {
    session_.SelectFolder(path);
}

void CommanderPage::RightPathChosen(const QString& path) {
    // The left pane shows the same folder; the current folder and the left
    // label stay as they are.
    Right->FolderLabel->setText(path);
    try {
        Left->SetDirectory(path);
    } catch (const EMorvaneError& e) {
        ShowErrorMessage(this, e.message());
    }
}

void CommanderPage::NotSupportedClick() {
    ShowMessage(this, QStringLiteral("not supported yet"));
}

void CommanderPage::ViewButtonContextPopup() {
    Left->ViewItem(FolderPane::ViewStyle::SmallIcon)->setChecked(true);
}
