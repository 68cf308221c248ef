#pragma once
// The main window's widgets for tests, found by object name as a person finds
// them by sight: the window offers no accessors for them.
#include "gui/pages/FolderListPage.h"
#include "gui/window/DirTreeView.h"
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

template <class T> T* Named(const QWidget& window, const QString& name) {
    return window.findChild<T*>(name);
}

inline QTabWidget* PageTabs(const QWidget& w) {
    return Named<QTabWidget>(w, "PageTabs");
}
// Page i's container, "TabSheet<i+1>".
inline QWidget* Page(const QWidget& w, int index) {
    return Named<QWidget>(w, QStringLiteral("TabSheet%1").arg(index + 1));
}
inline QComboBox* HistoryCombo(const QWidget& w) {
    return Named<QComboBox>(w, "HistoryCombo");
}
inline QToolButton* CommandLineButton(const QWidget& w) {
    return Named<QToolButton>(w, "But_CommandLine");
}
inline QToolBar* MainToolBar(const QWidget& w) {
    return Named<QToolBar>(w, "MainToolBar");
}
inline QLabel* StatusPanel(const QWidget& w, int index) {
    return Named<QLabel>(w, QStringLiteral("Panel%1").arg(index));
}
inline DirTreeView* DirTree(const QWidget& w) {
    return Named<DirTreeView>(w, "DirTree");
}
inline FolderListPage* FolderPage(const QWidget& w) {
    return w.findChild<FolderListPage*>();
}
