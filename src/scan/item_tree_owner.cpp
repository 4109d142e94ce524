#include "scan/item_tree_owner.h"

#include <algorithm>
#include <string>

#include <QApplication>
#include <QLineEdit>
#include <QTreeWidgetItem>

#include "deletion/kept_place.h"
#include "deletion/marks.h"
#include "model/path_list.h"
#include "platform/command_actions.h"
#include "scan/change_follow.h"
#include "scan/folder_rescan.h"
#include "scan/scan_feed.h"
#include "views/list_filter.h"
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
    WaitForFolderRescan();
    ForgetWatchedDrives();
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

namespace {

bool IsAtOrBelow(const ItemNode* item, const ItemNode* folder) {
    for (const ItemNode* at = item; at; at = at->parent) {
        if (at == folder) return true;
    }
    return false;
}

// The tree node of item, found from the root by the items along its path.
QTreeWidgetItem* TreeNodeOf(const ItemNode* item) {
    std::vector<const ItemNode*> chain;
    for (const ItemNode* at = item; at; at = at->parent) chain.push_back(at);
    QTreeWidgetItem* node = TreeRootNode();
    if (!node || TreeNodeItem(node) != chain.back()) return nullptr;
    for (size_t k = chain.size() - 1; node && k-- > 0;) node = FindTreeChild(node, chain[k]);
    return node;
}

// The names from below top down to node, for finding it again once the
// nodes are made anew.
using NamePath = std::vector<std::u16string>;

void CollectOpenBranches(QTreeWidgetItem* node, NamePath* path, std::vector<NamePath>* open) {
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        const ItemNode* item = TreeNodeItem(child);
        if (!item || !child->isExpanded()) continue;
        path->push_back(item->name);
        open->push_back(*path);
        CollectOpenBranches(child, path, open);
        path->pop_back();
    }
}

// Makes the nodes of every folder below folder under node, each level in
// name order, as a scan inserts them.
void InsertSubtreeNodes(QTreeWidgetItem* node, ItemNode* folder) {
    std::vector<ItemNode*> subfolders;
    std::vector<QTreeWidgetItem*> nodes;
    InsertSubfolderNodes(node, folder->children, folder->childCount, &subfolders, &nodes);
    for (size_t k = 0; k < subfolders.size(); ++k) InsertSubtreeNodes(nodes[k], subfolders[k]);
}

void ReopenBranches(QTreeWidgetItem* top, const std::vector<NamePath>& open) {
    for (const NamePath& path : open) {
        QTreeWidgetItem* node = top;
        for (const std::u16string& name : path) {
            QTreeWidgetItem* found = nullptr;
            for (int i = 0; node && i < node->childCount() && !found; ++i) {
                const ItemNode* item = TreeNodeItem(node->child(i));
                if (item && CompareNames(item->name, name.c_str()) == 0) found = node->child(i);
            }
            node = found;
        }
        if (node) SetTreeNodeExpanded(node, true);
    }
}

// Whether folder holds an unreadable or incomplete folder among its entries.
bool HoldsUnreadable(const ItemNode* folder) {
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode& child = folder->children[i];
        if (!(child.flags & ITEM_REMOVED) && (child.flags & ITEM_FOLDER) &&
            (child.flags & (ITEM_UNREADABLE | ITEM_INCOMPLETE)))
            return true;
    }
    return false;
}

}  // namespace

void ReplaceFolderItems(ItemNode* folder, ItemNode* fresh, const std::vector<HardLink>& links) {
    ItemNode* drive = DriveOf(folder);
    // Which place the window shows, seen from folder: its rows, status and
    // picture may point into the old subtree, or show totals that change.
    const bool listedBelow = listedPlace && IsAtOrBelow(listedPlace, folder);
    const bool listedAbove = listedPlace && !listedBelow && IsAtOrBelow(folder, listedPlace);
    const bool relist = listedBelow || listedAbove;

    ForgetTreemapItems();
    ForgetFileKindsItems();
    WaitForScanKeeper();
    PathList* place = relist ? CurrentPlace() : nullptr;
    const bool filterOpen = relist && ListFilterOpen();
    const QString filterText = filterOpen && ListFilterField() ? ListFilterField()->text() : QString();
    QWidget* focus = QApplication::focusWidget();
    if (listedBelow) {
        // The marks live on records that go: they come back by name.
        DiscardKeptPlace();
        KeepPlaceMarks();
        FreePathList(pendingPlace);
        pendingPlace = nullptr;
        markedCount = 0;
        EnableCommand(CMD_EXPUNGE, false);
    }
    if (relist) {
        ClearList();
        ClearStatusParts();
    }
    QTreeWidgetItem* folderNode = TreeNodeOf(folder);
    std::vector<NamePath> openBranches;
    if (folderNode) {
        NamePath path;
        CollectOpenBranches(folderNode, &path, &openBranches);
        DeleteTreeChildren(folderNode);
    }

    // The drive's links that lie outside the old subtree stay; the new
    // subtree's join them, and the first link of each file in the tree's
    // order counts its blocks again.
    std::vector<HardLink> driveLinks;
    if (const std::vector<HardLink>* kept = drive ? KeptHardLinks(drive) : nullptr) {
        for (const HardLink& link : *kept) {
            if (!IsAtOrBelow(link.item, folder)) driveLinks.push_back(link);
        }
    }

    ItemNode* oldItems = folder->children;
    const uint32_t oldCount = folder->childCount;
    folder->children = fresh->children;
    folder->childCount = fresh->childCount;
    for (uint32_t i = 0; i < folder->childCount; ++i) folder->children[i].parent = folder;
    constexpr uint32_t WALK_FLAGS = ITEM_UNREADABLE | ITEM_INCOMPLETE | ITEM_HOLDS_EXCLUDED;
    folder->flags = (folder->flags & ~WALK_FLAGS) | (fresh->flags & WALK_FLAGS) | ITEM_SCANNED;
    folder->readError = fresh->readError;
    if (!(folder->flags & ITEM_DRIVE)) {
        // The folder's own blocks grow with its entries.
        folder->ownSize = fresh->ownSize;
        folder->diskSize = fresh->diskSize;
        folder->modified = fresh->modified;
    }
    fresh->children = nullptr;
    fresh->childCount = 0;
    FreeItemArray(oldItems, oldCount);

    for (const HardLink& link : links) driveLinks.push_back(link);
    for (const HardLink& link : driveLinks) link.item->flags &= ~ITEM_LINK_REPEAT;
    MarkLinkRepeats(&driveLinks);
    if (drive) {
        KeepHardLinks(drive, driveLinks);
        // An unreadable folder that went takes its sign off the folders above.
        for (ItemNode* above = folder->parent; above && !(above->flags & ITEM_ROOT); above = above->parent) {
            if (HoldsUnreadable(above))
                above->flags |= ITEM_INCOMPLETE;
            else
                above->flags &= ~ITEM_INCOMPLETE;
            if (above == drive) break;
        }
        // A link's blocks may now count elsewhere in the drive: every total
        // below it is counted again, as a scan's end does.
        for (uint32_t i = 0; i < drive->childCount; ++i) ComputeTotals(&drive->children[i]);
        QueryDriveSpace(drive);
        QString firstPath;
        const uint32_t unreadable = CountUnreadableFolders(drive, &firstPath);
        NoteUnreadable(drive, unreadable, firstPath);
    }

    if (folderNode) {
        InsertSubtreeNodes(folderNode, folder);
        ReopenBranches(folderNode, openBranches);
    }
    if (relist) {
        NavigateTo(place);
        if (filterOpen && listedPlace) {
            OpenListFilter();
            if (QLineEdit* field = ListFilterField()) field->setText(filterText);
        ApplyListFilter(filterText);
        }
        if (focus && focus != QApplication::focusWidget()) focus->setFocus(Qt::OtherFocusReason);
    }
    RefreshFileKinds();
}
