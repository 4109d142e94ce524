#include "support/scanned_drive.h"

#include "model/path_list.h"
#include "model/scan_engine.h"
#include "platform/storage_device.h"

void ScanFolderForTest(ItemNode* folder) { ScanAndWait(Device(), folder, 0); }

void ScanDriveForTest(ItemNode* drive) { ScanAndWait(Device(), drive, 0); }

ItemNode* FindEntry(ItemNode* item, std::initializer_list<const char16_t*> names) {
    for (const char16_t* name : names) {
        if (!item) return nullptr;
        item = FindChildByName(item, name);
    }
    return item;
}
