#include "scan/folder_tree.h"

bool treeReady = false;

void InsertRootInTree(ItemNode* root) {
    // The tree pane arrives with the main window; until then the root lives
    // only in the item tree.
    (void)root;
}
