// The state of the background scan, tested by everything that would touch
// the item tree, and the Stop command.
#pragma once

enum ScanState {
    SCAN_IDLE = 0,
    SCAN_RUNNING = 1,
    SCAN_STOP_REQUESTED = 2,
};

extern ScanState scanState;

// CMD_STOP: only while a scan runs, drops the place waiting to be reopened
// with its flagged names and asks the scan to stop.
void StopCommand();

// Requests the stop of a running scan and runs the event loop until its
// worker has reported; returns at once when no scan runs.
void WaitForScanToEnd();
