// The pop-up window that shows the pie chart of the listed folder.
#pragma once

// CMD_PIE_CHART: closes the pop-up when it is open, opens it otherwise.
void PieChartCommand();
