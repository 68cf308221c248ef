#include "gui/widgets/InputBlocker.h"
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QWidget>

InputBlocker::InputBlocker(QWidget* window) : window_(window ? window->window() : nullptr) {
    if (window_) qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker() {
    qApp->removeEventFilter(this);
}

namespace {
bool IsUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}
} // namespace

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
    if (!window_) return false;
    // Closing the window would pull its objects away from under the work.
    if (event->type() == QEvent::Close) return watched == window_ && event->spontaneous();
    if (!IsUserInput(event->type())) return false;
    if (auto* widget = qobject_cast<QWidget*>(watched)) return widget->window() == window_;
    // Shortcuts of the window's actions reach the action itself.
    if (auto* action = qobject_cast<QAction*>(watched)) {
        const QObject* parent = action->parent();
        while (parent && parent != window_)
            parent = parent->parent();
        return parent == window_;
    }
    return false;
}
