#include "scan/item_tree_owner.h"

#include "deletion/marks.h"
#include "model/item_tree.h"
#include "scan/folder_tree.h"
#include "scan/navigation.h"
#include "scan/scan_files.h"
#include "scan/scan_keeper.h"
#include "scan/scan_control.h"
#include "views/contents_list.h"
#include "views/file_kinds.h"
#include "views/status_bar.h"
#include "views/treemap_pane.h"

ItemNode* BuildItemTree() {
    ItemNode* root = CreateRootItem();
    InsertRootInTree(root);
    treeReady = true;
    return root;
}

void DiscardItemTree() {
    WaitForScanToEnd();
    ForgetTreemapItems();
    ForgetFileKindsItems();
    WaitForScanKeeper();
    treeReady = false;
    DropNavigationWork();
    scanRequest = {nullptr, nullptr, 0};
    ClearTree();
    ClearListPane();
    ClearStatusParts();
    DropUnreadableNotes();
    markedCount = 0;
    DropKeptHardLinks();
    FreeItemTree();
}

ItemNode* RebuildItemTree() {
    DiscardItemTree();
    return BuildItemTree();
}
