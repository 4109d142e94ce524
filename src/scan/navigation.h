// Moving between places: the tree's selection turned into list contents
// (200 ms after the last of a quick run of selections), navigation along a
// place, the current place, Refresh, Up, Open and the keys that move
// between the panes.
#pragma once

#include "model/item_node.h"

class QTimer;
class QTreeWidgetItem;
class QWidget;
struct PathList;

constexpr int PENDING_SELECTION_MS = 200;

// The node the tree's selection moved to and that the list does not show
// yet; none when nothing is pending.
extern QTreeWidgetItem* pendingTreeItem;
// The next selection change comes from Open and is shown without delay.
extern bool openRequested;
// The place NavigateTo follows; kept while a scan it started runs.
extern PathList* navigationPath;
// The drive or folder whose entries the list shows (the root for the drive
// list); none while the list shows nothing of the tree's selection.
extern ItemNode* listedPlace;

// Makes the pending selection timer (owned by window), watches the keys of
// the tree and the list and the list's activation. Called once the panes
// exist.
void SetUpNavigation(QWidget* window);

// The pending selection timer, or none without a window.
QTimer* PendingSelectionTimer();

// The item of pendingTreeItem, or none.
ItemNode* PendingItem();

// Whether the pending selection timer counts down to showing it.
bool PendingSelectionArmed();

// No scan, no worker and no pending selection counting down: what the
// browsing shows stays as it is until the user acts.
bool ScanSettled();

// Shows the root's drives or the entries of item, which becomes
// listedPlace; Up is on except at the root.
void ListPlace(ItemNode* item);

// Empties the list: nothing listed, and Open, Delete and Undelete off until
// rows are selected again.
void ClearList();

// The first listing of a window without a place to return to: the root
// selected, the drives listed, the tree focused.
void ShowStartPlace();

// The selection of the tree is about to change: true refuses the change
// (the marks question was answered no).
bool OnTreeSelChanging();

// The selection of the tree changed from old to now.
void OnTreeSelChanged(QTreeWidgetItem* now, QTreeWidgetItem* old);

// The nodes below node are about to be deleted: a pending selection among
// them moves to node.
void OnTreeNodesDeleting(QTreeWidgetItem* node);

// Shows PendingItem() in the list, scanning its drive first when it has not
// been scanned; run by the pending selection timer and at the end of a scan.
void ApplyPendingSelection();

// Forgets the pending selection and stops its timer.
void DropPendingSelection();

// Forgets the pending selection, the waiting navigation and the listed
// place: nothing of them may be followed once the item tree goes.
void DropNavigationWork();

// Frees the waiting navigation, if any.
void DropNavigationPath();

// Follows place (taken over) from the root, or, given none, the navigation
// waiting in navigationPath. A drive on the way that has not been scanned is
// scanned first and the navigation goes on when the scan is done. A place
// ending in an entry lands in its folder with that entry selected and
// focused; one ending in an empty name selects its folder the ordinary way;
// a component that is not found ends at the deepest item found. Returns true
// when the navigation ended, false when it waits for a scan or was
// abandoned.
bool NavigateTo(PathList* place);

// The current place: drive, folders and the focused entry of the list, or
// an empty last name when no entry has the focus. None on no memory.
PathList* CurrentPlace();

// Drops the whole item tree and builds the root and its drives again.
void RebuildAll();

// Rebuilds everything and comes back to the same place, scanning its drive
// again on the way.
void Refresh();

// CMD_REFRESH: while no scan runs and the marks may be dropped, Refresh.
void RefreshCommand();

// CMD_UP and Backspace: selects the parent of the tree's current node (true),
// or the root node when nothing is selected (false); nothing at the root.
bool GoUp();

// CMD_OPEN and the list's activation: a drive or folder row is shown at
// once, any other entry is opened with the desktop's program.
void OpenSelected();

// Keys of the tree and of the list; true when the key was consumed.
bool OnTreeKeyDown(int key);
bool OnListKeyDown(int key);
