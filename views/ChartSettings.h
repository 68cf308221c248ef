#pragma once
// The chart settings of the settings file: gradient and legend colours, title
// and legend fonts, zoom of the bar chart, circular pie.
#include "views/ChartBase.h"

struct TChartSettings {
    TChartLook look;
    bool enableZoom = true;
    bool circelPie = true;
};

// Reads section "Settings"; a text that does not read keeps that item's default.
TChartSettings ReadChartSettings(const QString& iniFile);
