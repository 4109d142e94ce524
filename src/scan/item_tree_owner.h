// The one owner of the item tree's life. Everything that points into the tree
// (tree nodes, list rows, status records, the pending selection, the marks
// count, the treemap's worker and tiles, the windows of the kinds of files) is dropped here before the items are freed, and never while the
// scan worker still walks them.
#pragma once

#include "model/item_node.h"

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

// DiscardItemTree, then BuildItemTree: Refresh and the low-memory request.
ItemNode* RebuildItemTree();
