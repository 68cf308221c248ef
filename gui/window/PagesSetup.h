#pragma once
class MainWindow;
// Fills the pages and dialogs owned by other parts of the program into the
// window. Called once from the window's constructor, before the state is loaded.
void InstallPages(MainWindow& form);
