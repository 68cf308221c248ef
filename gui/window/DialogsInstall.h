#pragma once
class MainWindow;
// Connects the settings dialog, the export dialog and the plain print to the
// window's commands.
void InstallDialogs(MainWindow& form);
