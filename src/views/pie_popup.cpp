#include "views/pie_popup.h"

#include "platform/app_flags.h"

void PieChartCommand() {
    // The pie chart window arrives with its own pop-up; until then the
    // command stays disabled and there is no pop-up to open or close.
    if (appFlags & APP_PIE_POPUP) return;
}
