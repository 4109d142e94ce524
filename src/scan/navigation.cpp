#include "scan/navigation.h"

#include <QTreeWidget>

#include "deletion/marks.h"
#include "model/path_list.h"
#include "platform/owner_window.h"
#include "scan/folder_tree.h"
#include "scan/item_tree_owner.h"
#include "scan/scan_control.h"
#include "views/contents_list.h"

bool GoUp() {
    if (!treePane) return false;
    QTreeWidgetItem* current = treePane->currentItem();
    if (!current) {
        if (QTreeWidgetItem* first = treePane->topLevelItem(0)) treePane->setCurrentItem(first);
        return false;
    }
    QTreeWidgetItem* parent = current->parent();
    if (!parent) return false;
    treePane->setCurrentItem(parent);
    return true;
}

void OpenSelected() {
    // Opening needs the entries of a folder in the list, which come with the
    // contents listing; the drive list has nothing to open.
}

void RefreshCommand() {
    if (scanState != SCAN_IDLE) return;
    if (ConfirmLeavePlace(OwnerWindow())) Refresh();
}

void Refresh() {
    RebuildItemTree();
    if (treePane && treePane->topLevelItem(0)) treePane->setCurrentItem(treePane->topLevelItem(0));
}

bool NavigateTo(const PathList* place) {
    if (!treePane) return false;
    QTreeWidgetItem* node = treePane->topLevelItem(0);
    if (!node) return false;
    for (const PathList* component = place; component; component = component->next) {
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < node->childCount() && !found; ++i) {
            ItemNode* item = TreeNodeItem(node->child(i));
            if (item && CompareNames(item->name, component->name) == 0) found = node->child(i);
        }
        if (!found) {
            treePane->setCurrentItem(node);
            return false;
        }
        node = found;
    }
    treePane->setCurrentItem(node);
    return true;
}

PathList* CurrentPlace() {
    PathList* place = nullptr;
    const ItemNode* item = nullptr;
    if (ListRow* row = FocusedListRow()) {
        item = row->item;
    } else {
        place = NewPathNode(u"");
        if (!place) return nullptr;
        item = treePane ? TreeNodeItem(treePane->currentItem()) : nullptr;
    }
    for (; item && !(item->flags & ITEM_ROOT); item = item->parent) {
        PathList* node = NewPathNode(item->name);
        if (!node) {
            FreePathList(place);
            return nullptr;
        }
        node->next = place;
        place = node;
    }
    return place;
}
