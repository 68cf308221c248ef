#pragma once
#include <QString>
class CommandTable;
class HelpWindow;
class QWidget;

// Wires "Help me !", "Help Contents", "Help Index" and Shift+F1 (What's This)
// to the manual, and gives each menu item of window its help topic.
void InstallHelp(QWidget& window, const CommandTable& commands);
// The window's help window, made on first use; it closes with the window.
HelpWindow* HelpWindowOf(QWidget& window);
// Help-context number of a menu item; 0 when it has none.
int HelpContextOf(const QString& menu, const QString& caption);
