#pragma once
// The chart settings of the settings file: gradient and legend colours, title
// and legend fonts, zoom of the bar chart, circular pie.
#include "gui/charts/ChartBase.h"

struct ChartSettings {
    ChartLook look;
    bool enableZoom = true;
    bool circelPie = true;
};

// Reads section "Settings"; a text that does not read keeps that item's default.
ChartSettings ReadChartSettings(const QString& iniFile);
