#pragma once
// The "Treemap" page: the current folder's whole tree as nested tiles, laid
// out off the window's thread (a newer request cancels the one going), with
// the legend of file types, hover text, selection, double-click into a
// folder and the folder and file commands on a tile's own path.
#include <QThreadPool>
#include <QWidget>
#include <atomic>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QTimer;
class AnalysisSession;
class CommandTable;
class IShellOpUi;
class ShellOpDialogs;
class TreemapView;
struct TreemapResult;
struct TypeGroupTable;
class Tree;

class TreemapPage : public QWidget {
    Q_OBJECT
public:
    TreemapPage(AnalysisSession& session, CommandTable& commands, QWidget* parent = nullptr);
    ~TreemapPage() override;

    TreemapView* View() const { return view_; }
    // Answers the shell operations' questions; the page's dialogs when null.
    IShellOpUi* ShellUi = nullptr;

    // Lays the picture out again (soon, off the window's thread).
    void Refresh();
    // True while a picture is being made or waits to be.
    bool Busy() const { return busy_; }
    // "Save Picture As": PNG or SVG by the name's ending.
    void SavePictureAs();
    void SavePicture(const QString& fileName) const;

signals:
    // A double click on a folder's tile (or on a file's, for its folder), with its path.
    void FolderActivated(const QString& folder);
    // A command changed the disk below the current folder.
    void RemeasureRequested();
    // What the status bar shows for the tile under the mouse; empty: off it.
    void HoverText(const QString& text);
    // A picture was shown, made in millis.
    void PictureShown(qint64 millis);

protected:
    void showEvent(QShowEvent*) override;

private:
    void StartLayout();
    void Show(std::shared_ptr<const TreemapResult> result);
    void ShowLegend();
    void OnActivated(int tile);
    void OnMenu(int tile, QPoint globalPos);
    void RunOnTile(int operation);
    QString TilePath(int tile) const;
    IShellOpUi* Ui();

    AnalysisSession& session_;
    CommandTable& commands_;
    TreemapView* view_;
    QCheckBox* byFiles_;
    QCheckBox* cushions_;
    QLabel* legend_;
    QMenu* folderMenu_;
    QMenu* fileMenu_;
    QTimer* relayout_;
    QAction* freeSpace_ = nullptr;
    std::unique_ptr<ShellOpDialogs> dialogs_;
    bool dirty_ = true;
    bool busy_ = false;
    QString menuPath_; // the path bytes of the tile the menu is on
    quint64 generation_ = 0;
    std::shared_ptr<std::atomic<bool>> cancel_;
    // The file types of the tree shown, kept for the next picture of it.
    std::weak_ptr<const Tree> groupsTree_;
    std::shared_ptr<const TypeGroupTable> groups_;
    QThreadPool pool_; // one thread: the layout going, the next one waiting
};
