#include "scan/item_tree_owner.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

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

// The tree node of item, found from the root by the items along its path;
// none when a folder on the way was never filled (item has no node then).
QTreeWidgetItem* TreeNodeOf(const ItemNode* item) {
    std::vector<const ItemNode*> chain;
    for (const ItemNode* at = item; at; at = at->parent) chain.push_back(at);
    QTreeWidgetItem* node = TreeRootNode();
    if (!node || TreeNodeItem(node) != chain.back()) return nullptr;
    for (size_t k = chain.size() - 1; node && k-- > 0;) node = ShownTreeChild(node, chain[k]);
    return node;
}

using CarriedSet = std::unordered_set<const ItemNode*>;

// The nodes below node showed the old records of folder's subfolders; they
// are made to show the new ones of the same name, open or closed as they
// were, and followed down where the new records are not carried over; the
// nodes of folders gone are deleted, and new folders get nodes of their own.
// Runs while the old records are still there to be named.
void MergeNodes(QTreeWidgetItem* node, ItemNode* folder, const CarriedSet& carried) {
    // A node never filled has no nodes below to follow.
    if (!TreeNodeFilled(node)) {
        NoteTreeNodeChildren(node);
        return;
    }
    std::unordered_map<std::u16string, QTreeWidgetItem*> shown;
    for (int i = 0; i < node->childCount(); ++i) {
        if (const ItemNode* item = TreeNodeItem(node->child(i))) shown.emplace(item->name, node->child(i));
    }
    std::vector<ItemNode*> added;
    std::vector<std::pair<QTreeWidgetItem*, ItemNode*>> followed;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        ItemNode* child = &folder->children[i];
        if (!(child->flags & ITEM_FOLDER) || (child->flags & ITEM_REMOVED)) continue;
        auto found = shown.find(child->name);
        if (found == shown.end()) {
            added.push_back(child);
            continue;
        }
        SetTreeNodeItem(found->second, child);
        if (!carried.count(child)) followed.push_back({found->second, child});
        shown.erase(found);
    }
    for (auto& [name, gone] : shown) DeleteTreeNode(gone);
    for (auto& [childNode, child] : followed) MergeNodes(childNode, child, carried);
    for (ItemNode* child : added) InsertTreeItem(child, node);
}

// A walk that left subfolders unentered: each takes over the subtree of the
// old record of its name (the blocks move, nothing is copied), and is noted
// as carried. Below subfolders the walk entered, the same again.
void CarryOver(ItemNode* oldItems, uint32_t oldCount, ItemNode* folder, const ItemNode* top, CarriedSet* carried) {
    std::unordered_map<std::u16string, ItemNode*> old;
    for (uint32_t i = 0; i < oldCount; ++i) {
        ItemNode* record = &oldItems[i];
        if ((record->flags & ITEM_FOLDER) && !(record->flags & ITEM_REMOVED)) old.emplace(record->name, record);
    }
    if (old.empty()) return;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        ItemNode* child = &folder->children[i];
        if (!(child->flags & ITEM_FOLDER) || (child->flags & ITEM_DATABASE)) continue;
        auto found = old.find(child->name);
        if (found == old.end()) continue;
        ItemNode* before = found->second;
        if (child->flags & ITEM_SCANNED) {
            if (!(child->flags & ITEM_FOLDER_AGAIN))
                CarryOver(before->children, before->childCount, child, top, carried);
            continue;
        }
        constexpr uint32_t WALK_FLAGS = ITEM_SCANNED | ITEM_UNREADABLE | ITEM_INCOMPLETE | ITEM_HOLDS_EXCLUDED;
        child->children = before->children;
        child->childCount = before->childCount;
        for (uint32_t k = 0; k < child->childCount; ++k) child->children[k].parent = child;
        child->flags |= before->flags & WALK_FLAGS;
        child->readError = before->readError;
        child->total = before->total;
        before->children = nullptr;
        before->childCount = 0;
        carried->insert(child);
        // What it cannot tell makes every folder the walk listed above it
        // incomplete, as the walk's own unreadable folders do.
        if (child->flags & (ITEM_UNREADABLE | ITEM_INCOMPLETE)) {
            for (ItemNode* above = child->parent; above && above != top; above = above->parent)
                above->flags |= ITEM_INCOMPLETE;
        }
    }
}

// ComputeTotals, but a carried folder keeps the total it had.
void ComputeFreshTotals(ItemNode* item, const CarriedSet& carried) {
    if (carried.count(item)) return;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < item->childCount; ++i) {
        ItemNode* child = &item->children[i];
        if (child->flags & ITEM_REMOVED) continue;
        ComputeFreshTotals(child, carried);
        sum = SaturatingAdd(sum, child->total);
    }
    item->total = SaturatingAdd(sum, CountedSize(item));
}

// Whether item lies in a block about to be freed: its way up reaches the
// old top block before the folder.
bool InOldBlocks(const ItemNode* item, const ItemNode* folder, const ItemNode* oldItems, uint32_t oldCount) {
    for (const ItemNode* at = item; at && at != folder; at = at->parent) {
        if (at >= oldItems && at < oldItems + oldCount) return true;
    }
    return false;
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
    const bool wasIncomplete = folder->flags & (ITEM_UNREADABLE | ITEM_INCOMPLETE);

    ItemNode* oldItems = folder->children;
    const uint32_t oldCount = folder->childCount;
    for (uint32_t i = 0; i < fresh->childCount; ++i) fresh->children[i].parent = folder;
    // The subfolders the walk did not enter keep what they held.
    CarriedSet carried;
    ItemNode freshFolder = *folder;
    freshFolder.children = fresh->children;
    freshFolder.childCount = fresh->childCount;
    CarryOver(oldItems, oldCount, &freshFolder, folder, &carried);

    // The drive's links that stay (outside the old blocks, or carried over)
    // and the walk's own; the first link of each file in the tree's order
    // counts its blocks again.
    std::vector<HardLink> driveLinks;
    bool linksMoved = !links.empty();
    if (const std::vector<HardLink>* kept = drive ? KeptHardLinks(drive) : nullptr) {
        for (const HardLink& link : *kept) {
            if (InOldBlocks(link.item, folder, oldItems, oldCount))
                linksMoved = true;
            else
                driveLinks.push_back(link);
        }
    }

    QTreeWidgetItem* folderNode = TreeNodeOf(folder);
    folder->children = fresh->children;
    folder->childCount = fresh->childCount;
    // The folder tree's nodes follow while the old records can still be named.
    if (folderNode) MergeNodes(folderNode, folder, carried);
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
    if (linksMoved) {
        for (const HardLink& link : driveLinks) link.item->flags &= ~ITEM_LINK_REPEAT;
        MarkLinkRepeats(&driveLinks);
    }
    if (drive) {
        if (linksMoved) KeepHardLinks(drive, driveLinks);
        // An unreadable folder that went takes its sign off the folders above.
        for (ItemNode* above = folder; above && !(above->flags & ITEM_ROOT); above = above->parent) {
            if (HoldsUnreadable(above))
                above->flags |= ITEM_INCOMPLETE;
            else
                above->flags &= ~ITEM_INCOMPLETE;
            if (above == drive) break;
        }
    }
    if (linksMoved && drive) {
        // A link's blocks may now count elsewhere in the drive: every total
        // below it is counted again, as a scan's end does.
        for (uint32_t i = 0; i < drive->childCount; ++i) ComputeTotals(&drive->children[i]);
    } else {
        if (folder->flags & ITEM_DRIVE) {
            for (uint32_t i = 0; i < folder->childCount; ++i) ComputeFreshTotals(&folder->children[i], carried);
        } else {
            ComputeFreshTotals(folder, carried);
        }
        // A drive's own total stays its capacity.
        for (ItemNode* above = folder->parent; above && !(above->flags & (ITEM_ROOT | ITEM_DRIVE)); above = above->parent)
            above->total = SaturatingAdd(SumVisibleTotals(above->children, above->childCount), CountedSize(above));
    }
    if (drive) {
        QueryDriveSpace(drive);
        if (wasIncomplete || (folder->flags & (ITEM_UNREADABLE | ITEM_INCOMPLETE))) {
            QString firstPath;
            const uint32_t unreadable = CountUnreadableFolders(drive, &firstPath);
            NoteUnreadable(drive, unreadable, firstPath);
        }
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
