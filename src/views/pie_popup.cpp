#include "views/pie_popup.h"

#include "platform/app_flags.h"
#include "platform/command_actions.h"

QWidget* piePopup = nullptr;

void PieChartCommand() {
    // Placeholder until the pop-up exists: there is nothing to open or close.
    if (appFlags & APP_PIE_POPUP) ClosePiePopup();
}

void ReloadPieChart(uint64_t) {
    // Placeholder until the chart window exists: nothing to feed.
}

void SetPieCommandEnabled(bool on) {
    EnableCommand(CMD_PIE_CHART, on);
    if (!on) ClosePiePopup();
}

void ClosePiePopup() {
    // Placeholder until the pop-up exists: never open, nothing to close.
}
