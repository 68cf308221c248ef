#pragma once
// Every command of the main window as a QAction, with its caption, hint, key
// and image, and the main menu, the main tool bar and the pop-up menus built
// from them. Actions are found by name (Action("actRun")); handlers are
// connected by the window and by the pages that own them.
#include "gui/common/AppIcons.h"
#include <QHash>
#include <QObject>
#include <functional>
#include <utility>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

class CommandTable : public QObject {
    Q_OBJECT
public:
    // Creates the actions as children of owner and adds them to it, so their
    // keys work wherever the focus is in that window.
    explicit CommandTable(QWidget* owner);

    // The action or menu/tool item action of that name; nullptr when unknown.
    QAction* Action(const QString& name) const;
    QStringList Names() const;

    ImageList Images;    // tool bar and action images
    ImageList HotImages; // hot images, same order
    ImageList MenuImgList;
    // Replaces the tool bar images (and their hot images) of every action.
    void SetButtonImages(const ImageList& normal, const ImageList& hot);

    // The File menu's band colours come from bandColors (background, text).
    void BuildMainMenu(QMenuBar* bar, std::function<std::pair<QColor, QColor>()> bandColors = {});
    // Main tool bar; label and gauge go where the elapsed time and progress sit.
    void BuildMainToolBar(QToolBar* bar, QWidget* label, QWidget* gauge);
    QMenu* HistoryPop() const { return historyPop_; }
    QMenu* DirTreePopUp() const { return dirTreePopUp_; }
    QMenu* FolderListPopUp() const { return folderListPopUp_; }

private:
    QAction* Add(const QString& name, const QString& caption, const QString& hint, int image,
                 const QString& key = {}, bool checkable = false, bool checked = false);
    // A menu item or button with its own caption, hint or image that runs action.
    QAction* Proxy(const QString& name, QAction* action, const QString& caption,
                   const QString& hint, const QIcon& icon);

    QWidget* owner_;
    QHash<QString, QAction*> actions_;
    QMenu* historyPop_ = nullptr;
    QMenu* dirTreePopUp_ = nullptr;
    QMenu* folderListPopUp_ = nullptr;
};
