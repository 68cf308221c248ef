#pragma once
// Mouse input as a person gives it: clicks at a row's place on the screen, a
// right click that opens the pop-up menu, and a click on one of its items.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTreeWidget>

// The centre of row on the screen, scrolled into view first.
inline QPoint RowCentre(QTreeWidget* list, QTreeWidgetItem* row) {
    list->scrollToItem(row);
    return list->visualItemRect(row).center();
}

// A right click: the button press and release, then the context menu event
// the window system sends after them.
inline void RightClick(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::RightButton, Qt::NoModifier, at);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &menu);
}

// Clicks the item of the open pop-up menu that carries action; false when no
// menu is open or it has no such item.
inline bool ChooseFromPopUp(QAction* action) {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !action) return false;
    const QRect item = menu->actionGeometry(action);
    if (!item.isValid() || !menu->actions().contains(action)) return false;
    QTest::mouseMove(menu, item.center());
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, item.center());
    return true;
}

// Right click on row, then the pop-up menu's item of action.
inline bool RowCommand(QTreeWidget* list, QTreeWidgetItem* row, QAction* action) {
    if (!row) return false;
    RightClick(list->viewport(), RowCentre(list, row));
    return ChooseFromPopUp(action);
}
