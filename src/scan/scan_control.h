// The background scan as the user-interface thread sees it: its state,
// tested by everything that would touch the item tree, starting a scan,
// its two completion reports, expansions during a scan, Stop, and waiting
// for a worker before the item tree goes.
#pragma once

#include <atomic>
#include <cstdint>

#include "model/item_node.h"

class QObject;
class QTimer;
class QTreeWidgetItem;

enum ScanState {
    SCAN_IDLE = 0,
    SCAN_RUNNING = 1,
    SCAN_STOP_REQUESTED = 2,
};

// Why the scan runs; a scan starts with one reason, the user-interface
// thread may add SCAN_FOR_LIST and SCAN_FOR_EXPAND while it runs.
enum ScanReason : uint32_t {
    SCAN_FOR_LIST = 0x1,        // list the drive (or the place chosen in it) when done
    SCAN_FOR_EXPAND = 0x2,      // expand the drive's node when done
    SCAN_FOR_NAVIGATION = 0x4,  // go on with the waiting navigation when done
};

// The one scan request, reused by every scan and not before FinishScan.
struct ScanRequest {
    ItemNode* item;              // the drive
    QTreeWidgetItem* treeItem;   // its node
    uint64_t usedBytes;          // the drive's used bytes, for the progress
};

constexpr int STATUS_RESTORE_MS = 5000;

// Written by the user-interface thread only; the worker reads it at every
// folder it enters.
extern std::atomic<ScanState> scanState;
extern uint32_t scanReason;
extern ScanRequest scanRequest;
// The drive being scanned; none when idle.
extern ItemNode* scanItem;

// Makes the status restore timer, owned by owner (the main window). Called
// once the panes exist.
void SetUpScan(QObject* owner);

// The status restore timer, or none without a window.
QTimer* StatusRestoreTimer();

// A stopped single-shot timer owned by owner that calls onTimeout, named
// name so that it can be told apart among the window's children.
QTimer* NewSingleShotTimer(QObject* owner, const char* name, void (*onTimeout)());

// The stop text in the status bar's simple mode until the status restore
// timer puts the parts back (at once without a window).
void ShowStopText();

// Any text shown that way: a notice that gives the parts back by itself.
void ShowStatusNotice(const char16_t* text);

// Asks the running scan to stop. The place waiting to be reopened with its
// flagged names goes with it: the stop frees what it names.
void RequestScanStop();

// Asks the scan engine to stop, the state following: the one way the
// engine's stop word is set.
void AskScanToStop();

// The scan engine's end has been handled and the engine is gone: a close
// that waited for it goes on.
void OnScanEngineGone();

// Starts the scan of drive (ITEM_DRIVE set, ITEM_SCANNED clear) with its
// node, while scanState is idle: the busy cursor shows and Refresh, Open,
// Delete, Undelete and the history commands are off until FinishScan.
// False when no scan started (no listing thread could be made, or the
// window is closing); the state is then idle again and the stop text tells
// it.
bool StartScan(uint32_t reason, ItemNode* drive, QTreeWidgetItem* treeItem);

// Returns the scan state to idle: commands and cursor back.
void FinishScan();

// The scan's two reports, run on the user-interface thread once the engine
// has ended: the drive was scanned completely, or the scan was stopped.
void OnScanDone(ScanRequest* request);
void OnScanStopped();

// A node is about to be expanded (or collapsed); true refuses it. During a
// scan every change is refused but the expansion of the drive being scanned,
// whose folders then appear as they are found; expanding an unscanned drive
// starts its scan and keeps it open.
bool OnTreeItemExpanding(QTreeWidgetItem* node, bool expanding);

// CMD_STOP: only while a scan runs, drops the pending selection and the
// place waiting to be reopened with its flagged names, and asks the scan to
// stop.
void StopCommand();

// Whether the scan engine exists (its end may not be handled yet).
bool ScanWorkerAlive();

// Requests the stop of a running scan and runs the event loop (user input
// held back) until the engine has ended and its end has been handled;
// nothing waiting for the scan is followed afterwards. Returns at once when
// there is no engine. The user-interface thread never blocks on the engine:
// its end is a report posted into this loop.
void WaitForScanToEnd();

// Closing while the engine exists: stops the scan, follows nothing that
// waited for it, starts no other scan, and calls close once the engine is
// gone.
void CloseWhenScanEnded(void (*close)());

// The status restore timer fired: the status bar shows its parts again.
void OnStatusRestoreTimer();

