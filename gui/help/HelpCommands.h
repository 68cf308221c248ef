#pragma once
#include <QString>
class MainWindow;
class HelpWindow;

// Wires "Help me !", "Help Contents", "Help Index" and Shift+F1 (What's This)
// to the manual, and gives each menu item its help topic.
void InstallHelp(MainWindow& form);
// The form's help window, made on first use; it closes with the form.
HelpWindow* FormHelpWindow(MainWindow& form);
// Help-context number of a menu item; 0 when it has none.
int HelpContextOf(const QString& menu, const QString& caption);
