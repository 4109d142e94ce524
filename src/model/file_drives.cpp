#include "model/file_drives.h"

#include "model/item_tree.h"
#include "model/scan_file.h"

std::vector<FileDrive*> fileDrives;

namespace {

// The name of a spare slot: no entry is ever called so.
const char16_t SPARE_NAME[] = u"";

uint32_t SlotOf(const ItemNode* drive) {
    if (!drive || !drive->parent || !(drive->parent->flags & ITEM_ROOT)) return UINT32_MAX;
    return static_cast<uint32_t>(drive - drive->parent->children);
}

}  // namespace

FileDrive* FileDriveOf(const ItemNode* drive) {
    if (!drive || (drive->flags & (ITEM_FROM_FILE | ITEM_DRIVE)) != (ITEM_FROM_FILE | ITEM_DRIVE)) return nullptr;
    uint32_t slot = SlotOf(drive);
    return slot < fileDrives.size() ? fileDrives[slot] : nullptr;
}

bool IsFromScanFile(const ItemNode* item) {
    for (; item; item = item->parent) {
        if (item->flags & ITEM_DRIVE) return (item->flags & ITEM_FROM_FILE) != 0;
    }
    return false;
}

void FillFileDriveSlots(ItemNode* parent, ItemNode* block) {
    const uint32_t slots = FileDriveSlotCount();
    for (uint32_t i = 0; i < slots; ++i) {
        ItemNode* record = &block[i];
        record->parent = parent;
        if (i < fileDrives.size()) {
            record->flags = ITEM_DRIVE | ITEM_FROM_FILE;
            record->name = fileDrives[i]->name.c_str();
        } else {
            record->flags = ITEM_FROM_FILE | ITEM_REMOVED;
            record->name = SPARE_NAME;
        }
    }
}

ItemNode* AttachFileDrive(ItemNode* root, FileDrive* file) {
    const uint32_t slot = static_cast<uint32_t>(fileDrives.size());
    if (!root || slot >= root->childCount) {
        ForgetFileDrive(file);
        return nullptr;
    }
    ItemNode* record = &root->children[slot];
    if ((record->flags & (ITEM_FROM_FILE | ITEM_REMOVED)) != (ITEM_FROM_FILE | ITEM_REMOVED)) {
        ForgetFileDrive(file);
        return nullptr;
    }
    fileDrives.push_back(file);
    *record = ItemNode{};
    record->parent = root;
    record->flags = ITEM_DRIVE | ITEM_FROM_FILE;
    record->name = file->name.c_str();
    return record;
}

void ForgetFileDrive(FileDrive* file) {
    if (!file) return;
    if (file->pending) {
        FreeScanFile(file->pending);
        delete file->pending;
    }
    delete file;
}

void ForgetFileDrives() {
    for (FileDrive* file : fileDrives) ForgetFileDrive(file);
    fileDrives.clear();
}
