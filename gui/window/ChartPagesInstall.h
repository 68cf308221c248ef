#pragma once
class MainWindow;
class ChartPages;
// Puts the bar and pie charts on pages 1 and 2 of the window and wires them to
// its commands, RotateTimer, runs and settings.
ChartPages* InstallChartPages(MainWindow& form);
