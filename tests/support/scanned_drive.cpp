#include "support/scanned_drive.h"

#include <QTreeWidget>

#include "deletion/marks.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "platform/storage_device.h"
#include "scan/folder_tree.h"

void ScanFolderForTest(ItemNode* folder) { ScanAndWait(Device(), folder, 0); }

void ScanDriveForTest(ItemNode* drive) { ScanAndWait(Device(), drive, 0); }

ItemNode* FindEntry(ItemNode* item, std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) {
        if (!item) return nullptr;
        item = FindChildByName(item, name);
    }
    return item;
}

void AddFolderNodes(ItemNode* folder, QTreeWidgetItem* node) {
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        ItemNode* child = &folder->children[i];
        if (child->flags & ITEM_FOLDER) AddFolderNodes(child, InsertTreeItem(child, node));
    }
}

namespace {

void AlignFolderSizes(ItemNode* fresh, const ItemNode* scanned) {
    fresh->ownSize = scanned->ownSize;
    fresh->diskSize = scanned->diskSize;
    for (uint32_t i = 0; i < fresh->childCount; ++i) {
        ItemNode* child = &fresh->children[i];
        const ItemNode* before = FindChildByName(scanned, child->name);
        if ((child->flags & ITEM_FOLDER) && before) AlignFolderSizes(child, before);
    }
}

}  // namespace

uint64_t FreshTotal(ItemNode* folder) {
    ItemNode fresh{};
    fresh.flags = ITEM_FOLDER;
    fresh.name = folder->name;
    fresh.parent = folder->parent;
    ScanFolderForTest(&fresh);
    AlignFolderSizes(&fresh, folder);
    ComputeTotals(&fresh);
    FreeItemArray(fresh.children, fresh.childCount);
    return fresh.total;
}

void EndScannedDrive(QTreeWidget* tree) {
    delete tree;
    treePane = nullptr;
    FreeItemTree();
    SetDevice(nullptr);
    markedCount = 0;
}
