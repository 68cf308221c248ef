#include "gui/widgets/ImageMenu.h"
#include <QAction>
#include <QStyleOptionMenuItem>

QIcon ImageMenu::ShownImage(const QAction* action) const {
    return images_.value(action, action->icon());
}

void ImageMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    const auto it = images_.constFind(action);
    if (it != images_.constEnd()) option->icon = *it;
}
