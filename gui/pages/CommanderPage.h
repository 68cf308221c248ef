#pragma once
// The "Comander" page: two folder panes side by side. The left pane follows
// the session's current folder (choosing a folder there makes it current); the
// right one is free and returns to the folder remembered at start each time
// the page is shown. The bottom buttons are not built yet and say so.
#include "gui/pages/CommanderLogic.h"
#include <QWidget>
#include <array>

class QSplitter;
class QToolBar;
class QToolButton;
class AnalysisSession;
class FolderPane;

class CommanderPage : public QWidget {
    Q_OBJECT
public:
    explicit CommanderPage(AnalysisSession& session, QWidget* parent = nullptr);

    ActivePane Active() const { return active_; }
    // The left pane and its label show the current folder (the window's own
    // SyncLeftPane also sets the bottom box).
    void FollowCurrentFolder();
    // The window tells whether the page is the one shown.
    void SetActive(bool active) { pageActive_ = active; }
    // Only while the page is the active page; a folder that cannot be shown
    // leaves the right pane as it was.
    void ShowRightFolder(const QString& path);
    // The page was chosen: the right pane goes back to the remembered folder.
    void PageShown() { ShowRightFolder(rememberedRight_); }
    // The right pane's folder remembered at start (kept across runs).
    QString RememberedRightFolder() const { return rememberedRight_; }
    void SetRememberedRightFolder(const QString& folder) { rememberedRight_ = folder; }
    // What to remember for the next start: the right pane's folder, or the
    // remembered one while the pane never showed a folder.
    QString RightFolderToKeep() const;
    // The folder named above the left pane (a command line runs there).
    QString LeftFolderLabel() const;
    // The right pane's folder, empty when it never showed one.
    QString RightFolder() const;

    void ActivateLeftPane();
    void ActivateRightPane();

    // Handlers.
    void LeftDblClick();
    void RightDblClick();
    void LeftUpClick();
    void RightUpClick();
    void LeftPathChosen(const QString& path);
    void RightPathChosen(const QString& path);
    void NotSupportedClick();
    void ViewButtonContextPopup();

signals:
    // A text for the bottom box (the current folder, after a move in the left pane).
    void BottomBoxText(const QString& text);

private:
    void SetCaptions(ActivePane active);

    AnalysisSession& session_;
    // The controls; tests find them by object name ("ExplLeft", "ExplRight",
    // "CommanderButtons").
    FolderPane* left_ = nullptr;
    FolderPane* right_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QToolBar* bottomBar_ = nullptr;
    // Copy, move, make folder, delete, copy to zip, move to zip.
    std::array<QToolButton*, 6> buttons_{};
    bool pageActive_ = false;
    QString rememberedRight_ = QStringLiteral("/");
    ActivePane active_ = ActivePane::None;
};
