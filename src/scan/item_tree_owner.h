// The one owner of the item tree's life. Everything that points into the tree
// (tree nodes, list rows, status records, the pending selection, the marks
// count, the treemap's worker and tiles, the windows of the kinds of files) is dropped here before the items are freed, and never while the
// scan worker still walks them.
#pragma once

#include <vector>

#include "model/item_node.h"
#include "model/scan_engine.h"

// Builds the root and its drives and shows them in the folder tree, the root
// expanded; selection changes are handled from then on. Returns the root or
// none.
ItemNode* BuildItemTree();

// Stops a running scan and lets its worker report first (the event loop runs
// meanwhile; the user-interface thread never blocks on the worker), then
// drops the pending selection, the waiting navigation, the scan request, the
// folder tree's nodes, the list rows, the status records and the marks
// count, and frees the items. Selection changes are not handled until the
// next BuildItemTree.
void DiscardItemTree();

// Puts the subtree walked again into fresh (a stand-in of folder that a
// finished walk attached its levels to, with links the files of several links
// it met) in place of folder's own, and frees the old blocks. Everything that
// may point into them lets go first: the treemap, the kept scan's writer, the
// list and status of a place at, above or below folder, the folder tree's
// nodes below it. Then the totals up to the drive, the drive's hard links and
// unreadable folders are counted again, the nodes made anew with the same
// branches open, and a place that was listed is listed again with its focused
// entry, its marks (by name, where the entry still exists) and its filter.
// fresh is left empty. Never while a scan, an expunge or a modal loop runs.
void ReplaceFolderItems(ItemNode* folder, ItemNode* fresh, const std::vector<HardLink>& links);

// DiscardItemTree, then BuildItemTree: Refresh and the low-memory request.
ItemNode* RebuildItemTree();
