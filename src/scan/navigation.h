// Moving between places: up to the parent, opening the selected entry, and
// rebuilding the tree from the drives.
#pragma once

// CMD_UP: selects the parent of the tree's current node, or the tree's first
// node when there is none. Returns true when a parent was selected.
bool GoUp();

// CMD_OPEN: opens the selected entry of the list.
void OpenSelected();

// CMD_REFRESH: while no scan runs and the marks may be dropped, Refresh.
void RefreshCommand();

// Drops the whole item tree and builds the root and its drives again.
void Refresh();

struct PathList;

// Selects the tree node of place as far down as the tree has nodes for its
// components (the root and the drives before a scan). Returns true when
// the whole place was found.
bool NavigateTo(const PathList* place);

// The current place as a new list: the drive, the folders and the focused
// entry of the list, or the selected folder with an empty last component
// when no row has the focus; none when memory runs out.
PathList* CurrentPlace();
