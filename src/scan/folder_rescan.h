// Walking one folder again, on its own: View > Rescan Folder, and the rescans
// that follow changes on disk. The scan engine walks the folder's subtree
// into a stand-in of the folder on its own threads while the window goes on;
// the walk's end, on the interface thread, puts the new subtree in place of
// the old through the item tree's owner, once nothing would be disturbed by
// it: no scan, no expunge or move to the trash, no question open.
#pragma once

#include <cstdint>
#include <vector>

#include "model/item_node.h"

// Whether folder can be walked again: a scanned folder or drive of this
// machine that the scan entered.
bool CanRescanFolder(const ItemNode* folder);

// Starts walking folder again; shown says whether the status bar tells it
// (the user asked) or it runs unseen (a change on disk). With changed (the
// folders at or below folder whose entries changed), only those and the
// folders on the way to them are listed again, and new folders walked
// whole; every other subfolder keeps what it held. False when it cannot be
// rescanned, a scan or another rescan runs, or no thread could be made.
bool StartFolderRescan(ItemNode* folder, bool shown, const std::vector<const ItemNode*>* changed = nullptr);

// The folder being walked again, while its walk runs or its end waits to be
// put in place; none otherwise.
ItemNode* RescanningFolder();

// Stops a rescan and runs the event loop (user input held back) until its
// end has been handled; nothing of it is put in place. Called before the
// item tree goes.
void WaitForFolderRescan();

// CMD_RESCAN_FOLDER: the listed folder, while no scan runs.
void RescanFolderCommand();
// Turns CMD_RESCAN_FOLDER on or off for the place listed now.
void UpdateRescanCommand();

// How many rescans have been put in place since the program started: the
// program's own signal that the tree follows the disk again.
uint64_t AppliedRescanCount();

// Called on the interface thread whenever a rescan has ended, put in place
// or not (the watch starts the next one then); none by default.
void SetRescanEndedListener(void (*listener)(ItemNode* folder, bool applied));

// Whether the tree may change now: no scan, no expunge or move to the trash,
// no modal window or wait.
bool TreeMayChange();
