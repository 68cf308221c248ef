#pragma once
// A menu that shows its own images for actions shared with the tool bars:
// the menus draw from the menu image list, the tool bars from theirs.
#include <QHash>
#include <QIcon>
#include <QMenu>

class ImageMenu : public QMenu {
    Q_OBJECT
public:
    using QMenu::QMenu;
    void SetImage(const QAction* action, const QIcon& icon) { images_.insert(action, icon); }
    // The image the item shows.
    QIcon ShownImage(const QAction* action) const;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;

private:
    QHash<const QAction*, QIcon> images_;
};
