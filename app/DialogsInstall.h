#pragma once
class TForm1;
// Connects the settings dialog, the export dialog and the plain print to the
// window's commands.
void InstallDialogs(TForm1& form);
