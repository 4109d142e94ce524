// The worker's side of a drive scan. It walks the drive level by level,
// reaching the tree, the status bar and the timers only through blocking
// calls into the user-interface thread, batched: one call per level for the
// tree and the path being read at most every 50 ms.
#pragma once

#include "scan/scan_control.h"

// The worker's body: scans request's drive, then reports through one
// blocking call (OnScanDone or OnScanStopped). Touches nothing afterwards:
// the report may already have started the next scan.
void ScanThread(ScanRequest* request);

// The progress beside the path: thousandths of the drive's used bytes seen
// so far, held below the whole until the scan ends; -1 (hidden) when the
// used bytes are unknown.
int ScanProgressPermille(uint64_t seenBytes, uint64_t usedBytes);

constexpr int SCAN_PROGRESS_CAP = 990;
