#pragma once
// The "Clean Shortcuts" page: lists the shortcuts below a start folder and
// which of them are broken, lists or removes empty folders, and sends the
// checked rows to the Trash.
#include "core/cleanup/CleanupRow.h"
#include <QWidget>
#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QToolBar;
class QToolButton;
class QTreeWidget;
class AnalysisSession;
class CommandTable;

class ShortcutsPage : public QWidget {
    Q_OBJECT
public:
    // Its list sorts with the session's sort state; its menu runs commands.
    ShortcutsPage(AnalysisSession& session, CommandTable& commands, QWidget* parent = nullptr);

    // Replaceable for tests: where a row goes on deletion (false with error set
    // when it stays), and how a folder is opened in the file manager.
    std::function<bool(const QString& path, QString* error)> SendToTrash;
    std::function<void(const QString& folder)> OpenFolder;

    // --- commands ----------------------------------------------------------
    void ListShortcutsClick();
    void ListEmptyFoldersClick();
    void DeleteEmptyFoldersClick();
    void DeleteCheckedRows();
    void CheckRowsByCondition(const QString& word);
    void UncheckSelected();
    // Enables the pop-up items for the list's rows and selection.
    void UpdateMenuItems();
    // The folder the tools start from; empty when the user typed into the combo.
    QString CleanupStartFolder() const;
    // The combo's "Browse ..." and its sixth item.
    void StartMenuComboActivated(int index);
    void StartMenuComboDropDown();
    void RowDoubleClicked(int row);

signals:
    // A text for the bottom box, which is a status line on this page.
    void BottomBoxText(const QString& text);
    // A row became the current one (the file list's search goes on from it).
    void RowChosen(int row);

private:
    void BuildToolBar();
    void BuildList();
    void ShowRows(const std::vector<CleanupRow>& rows);
    // Empty when no start folder was chosen; the user is told so.
    QString StartFolderOrRefuse();

    // The controls; tests find them by object name.
    QToolBar* toolBar_ = nullptr;
    QToolButton* listShortcutsButton_ = nullptr;
    QToolButton* listEmptyFoldersButton_ = nullptr;
    QToolButton* deleteCheckedButton_ = nullptr;
    QToolButton* deleteEmptyFoldersButton_ = nullptr;
    QComboBox* startCombo_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* checkBrokenItem_ = nullptr;
    QAction* checkCDRomItem_ = nullptr;
    QAction* uncheckSelectedItem_ = nullptr;
    QAction* deleteCheckedItem_ = nullptr;

    AnalysisSession& session_;
    CommandTable& commands_;
    bool typedStart_ = false;
    // What the list shows: empty-folder rows are tested again before they go,
    // and the start folder they were listed from never goes.
    bool folderRows_ = false;
    QString listedStart_;
};
