// The user-interface thread's side of a running scan. The scan engine walks
// the drive on threads of its own and never waits for the interface; this
// side takes what the engine has finished on its own timer: the folders
// found go into the folder tree a level at a time, and the folder being read
// with the share of the drive's used bytes seen shows in the status bar, at
// most every 50 ms. The engine's end arrives as a queued report, upon which
// the drive's subtree is attached, or a stopped walk unwinds.
#pragma once

#include <cstdint>

#include "scan/scan_control.h"

class QString;

// Starts the engine on the request's drive. False when no listing thread
// could be started; nothing changed then.
bool StartScanEngine(ScanRequest* request);

// Whether an engine exists: walking, or ended with its report not handled.
bool ScanEngineAlive();

// The folders of drive (the drive itself included) that could not be read,
// and the path of the first in the tree's order (empty when none).
uint32_t CountUnreadableFolders(const ItemNode* drive, QString* firstPath);

// Asks the engine to stop; every listing thread reads it at the next folder.
void StopScanEngine();

// The progress beside the path: thousandths of the drive's used bytes seen
// so far, held below the whole until the scan ends; -1 (hidden) when the
// used bytes are unknown.
int ScanProgressPermille(uint64_t seenBytes, uint64_t usedBytes);

constexpr int SCAN_PROGRESS_CAP = 990;

// How often the interface takes the engine's levels, and shows its path.
constexpr int SCAN_FEED_MS = 20;
constexpr int SCAN_STATUS_MS = 50;
