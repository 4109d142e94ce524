// The folder tree pane: one node per folder-like item.
#pragma once

#include "model/item_node.h"

// Set once the root and its drives have been created (or could not be).
extern bool treeReady;

// Inserts the root and its drives into the tree pane and expands the root.
// Before the main window has made its tree pane there is nothing to insert into.
void InsertRootInTree(ItemNode* root);
