#pragma once
// One pane of the two-pane page: a tool bar with the view menu, the up button
// and the path combo box, the folder label, and the folder's items in one of
// five view styles. Files are renamed, copied, moved and sent to the Trash
// from its context menu, its keys and by drag and drop, always through the
// shell file operation.
#include <QWidget>
#include <functional>
#include <memory>

class QAbstractItemView;
class QAction;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QListView;
class QMenu;
class QStackedWidget;
class QToolBar;
class QToolButton;
class QTreeView;
class FolderPaneDelegate;
class FolderPaneModel;
class IShellOpUi;
class ShellOpDialogs;

class FolderPane : public QWidget {
    Q_OBJECT
public:
    // In the order of the pane's view style property.
    enum class ViewStyle { Icon, SmallIcon, List, Report, Thumb };

    // The left pane selects several items and shows info tips; the right one
    // neither.
    FolderPane(const QString& name, bool multiSelection, bool infoTips, QWidget* parent = nullptr);
    ~FolderPane() override;

    // The tool bar's path box: a fixed width, and a separator before it.
    void SetPathBoxWidth(int width);
    void SeparatePathBox();
    // The label above the items, which the page fills (it names a folder that
    // may differ from the one shown).
    QString FolderText() const;
    void SetFolderText(const QString& text);
    void SetFolderTextWrapped(bool wrap);

    // Replaceable for tests: the shell operation's dialogs and the opening of a
    // file with the desktop's default application.
    IShellOpUi* ShellUi = nullptr;
    std::function<void(const QString&)> OpenFile;

    // The folder shown, with a trailing "/"; empty before one is set.
    QString Directory() const { return directory_; }
    // Shows path; throws EMorvaneError "Directory does not exist" when path is
    // not an existing folder (the pane then keeps its folder).
    void SetDirectory(const QString& path);

    ViewStyle Style() const { return style_; }
    void SetViewStyle(ViewStyle style);
    // The view menu's item for a style (radio items, one group).
    QAction* ViewItem(ViewStyle style) const;

    // The current item's full path (empty when none).
    QString SelectedPath() const;
    QStringList SelectedPaths() const;
    // Makes the item at path the current, selected one.
    void SelectItem(const QString& path);
    QAbstractItemView* CurrentView() const;
    QFileSystemModel* Files() const { return files_; }

    void SetBorder(bool single);
    bool HasBorder() const { return border_; }

    // The pane's own action on its current item: enters a folder, opens a
    // file with the desktop's default application.
    void OpenSelected();

    // Context menu commands.
    void CopySelected(bool cut);
    void PasteIntoFolder();
    void TrashSelected();
    void RenameSelected();

signals:
    void Clicked();
    void DoubleClicked(); // also Enter and the context menu's Open
    void UpClicked();
    // An entry of the path combo box was chosen; the pane is already there.
    void PathChosen(const QString& path);
    void ViewButtonContextMenu();
    void DirectoryChanged(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowRoot();
    void FillPathCombo();
    void UpdateContextMenu();
    bool RunShellOp(int operation, const QStringList& sources, const QString& target);

    // Found by tests under the pane's name followed by their role
    // ("ExplLeftUpButton"); the label is "Lbl<name>Dir".
    QToolBar* tools_ = nullptr;
    QToolButton* viewButton_ = nullptr; // drop-down with viewMenu_
    QToolButton* upButton_ = nullptr;
    QComboBox* pathCombo_ = nullptr;
    QLabel* folderLabel_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QAction* openItem_ = nullptr;
    QAction* renameItem_ = nullptr;
    QAction* copyItem_ = nullptr;
    QAction* cutItem_ = nullptr;
    QAction* pasteItem_ = nullptr;
    QAction* trashItem_ = nullptr;
    QListView* listView_ = nullptr;    // thumbnails, tiles, icons, list
    QTreeView* detailsView_ = nullptr; // details
    QFileSystemModel* files_ = nullptr;
    FolderPaneModel* model_ = nullptr;
    FolderPaneDelegate* delegate_ = nullptr;
    QStackedWidget* views_ = nullptr;
    std::unique_ptr<ShellOpDialogs> dialogs_;
    QAction* viewItems_[5] = {};
    QString directory_;
    ViewStyle style_ = ViewStyle::Icon;
    bool border_ = false;
    bool rootPending_ = false;
};
