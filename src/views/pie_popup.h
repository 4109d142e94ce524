// The pop-up window "Pie Chart" that shows the pie chart of the listed folder:
// the first eight rows of the list against the listed total.
#pragma once

#include <cstdint>

class QWidget;

// The pop-up, or none while it is closed.
extern QWidget* piePopup;

// CMD_PIE_CHART: closes the pop-up when it is open, opens it otherwise.
void PieChartCommand();

// Makes the chart show the first eight rows of the list against total and
// redraws it.
void ReloadPieChart(uint64_t total);

// Enables or disables CMD_PIE_CHART; disabling closes the pop-up.
void SetPieCommandEnabled(bool on);

void ClosePiePopup();
