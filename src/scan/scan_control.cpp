#include "scan/scan_control.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "deletion/kept_place.h"

ScanState scanState = SCAN_IDLE;

void StopCommand() {
    if (scanState == SCAN_IDLE) return;
    DiscardKeptPlace();
    scanState = SCAN_STOP_REQUESTED;
}

void WaitForScanToEnd() {
    if (scanState == SCAN_IDLE) return;
    scanState = SCAN_STOP_REQUESTED;
    // The worker's last report is a blocking call into this thread, so the
    // loop must keep running until it has been handled.
    while (scanState != SCAN_IDLE) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
