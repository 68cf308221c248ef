#pragma once
class TForm1;
class TChartPages;
// Puts the bar and pie charts on pages 1 and 2 of the window and wires them to
// its commands, Timer1, runs and settings.
TChartPages* InstallChartPages(TForm1& form);
