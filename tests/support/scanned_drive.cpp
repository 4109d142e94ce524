#include "support/scanned_drive.h"

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/text.h"

namespace {

void ListBelow(ItemNode* folder, bool isStoreRoot) {
    if (folder->flags & ITEM_DATABASE) {
        folder->childCount = ListDatabases(folder, &folder->children);
    } else {
        char16_t pattern[PATH_CHARS];
        char16_t* end = ItemFolderPath(pattern, PATH_CHARS - 3, folder);
        if (!end) return;
        CopyText(end, u"*.*", 3);
        folder->childCount = ListFolder(pattern, folder, isStoreRoot, &folder->children);
    }
    folder->flags |= ITEM_SCANNED;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        if (folder->children[i].flags & ITEM_FOLDER) ListBelow(&folder->children[i], false);
    }
}

}  // namespace

void ScanFolderForTest(ItemNode* folder) { ListBelow(folder, false); }

void ScanDriveForTest(ItemNode* drive) {
    const bool isStore = drive->name[0] == u'\\' && drive->name[1] == 0;
    ListBelow(drive, isStore);
    for (uint32_t i = 0; i < drive->childCount; ++i) ComputeTotals(&drive->children[i]);
}

ItemNode* FindEntry(ItemNode* item, std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) {
        if (!item) return nullptr;
        item = FindChildByName(item, name);
    }
    return item;
}
