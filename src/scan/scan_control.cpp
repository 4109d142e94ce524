#include "scan/scan_control.h"

#include <cstdlib>

#include "model/path_list.h"
#include "shell/settings_store.h"

ScanState scanState = SCAN_IDLE;

void StopCommand() {
    if (scanState == SCAN_IDLE) return;
    FreePathList(pendingPlace);
    pendingPlace = nullptr;
    std::free(flaggedNames);
    flaggedNames = nullptr;
    flaggedCount = 0;
    scanState = SCAN_STOP_REQUESTED;
}
