#include "model/item_tree.h"

#include <cstdlib>
#include <vector>

#include "model/file_drives.h"
#include "model/path_list.h"
#include "model/text.h"
#include "platform/storage_device.h"
#include "platform/machine_name.h"
#include "platform/platform_kind.h"

ItemNode* rootItem = nullptr;
SizeCount sizeCount = SIZE_DISK_USAGE;
char16_t databaseFolderName[DATABASE_NAME_CHARS] = u"Database";

namespace {

const char16_t ROOT_NAME_PALMSIZE[] = u"My Palm-size PC";
const char16_t ROOT_NAME_HANDHELD[] = u"My Handheld PC";
// A host name has at most 64 characters; a pretty one may be longer.
constexpr int ROOT_NAME_CHARS = 256;

bool IsDotEntry(const char16_t* name, uint32_t length) {
    return (length == 1 && name[0] == u'.') || (length == 2 && name[0] == u'.' && name[1] == u'.');
}

// Whether name equals the name of a child of the root: the folders through
// which the storage cards appear in "\".
bool IsDriveName(const char16_t* name) {
    if (!rootItem) return false;
    for (uint32_t i = 0; i < rootItem->childCount; ++i) {
        if (rootItem->children[i].flags & ITEM_FROM_FILE) continue;
        if (CompareNames(rootItem->children[i].name, name) == 0) return true;
    }
    return false;
}

// The scratch listing of the calling thread, reused folder after folder.
FolderListing& Scratch() {
    thread_local FolderListing listing;
    listing.Clear();
    return listing;
}

}  // namespace

ItemNode* AllocateItemBlock(size_t count, size_t nameChars) {
    return static_cast<ItemNode*>(
        std::calloc(1, count * sizeof(ItemNode) + nameChars * sizeof(char16_t)));
}

char16_t* NameTail(ItemNode* block, size_t count) {
    return reinterpret_cast<char16_t*>(block + count);
}

ItemNode* CreateRootItem() {
    const char16_t* name = platformKind == PLATFORM_PALMSIZE ? ROOT_NAME_PALMSIZE : ROOT_NAME_HANDHELD;
    // A desktop computer is no handheld: its root is named after the machine.
    char16_t machine[ROOT_NAME_CHARS];
    if (platformKind == PLATFORM_OTHER) {
        MachineName(machine, ROOT_NAME_CHARS);
        if (machine[0]) name = machine;
    }
    size_t length = TextLength(name);
    ItemNode* root = AllocateItemBlock(1, length + 1);
    if (root) {
        char16_t* tail = NameTail(root, 1);
        CopyText(tail, name, length);
        root->name = tail;
        root->flags = ITEM_ROOT;
        rootItem = root;
        root->childCount = EnumerateDrives(root, &root->children);
    }
    return root;
}

uint32_t EnumerateDrives(ItemNode* parent, ItemNode** items) {
    *items = nullptr;
    FolderListing& listing = Scratch();
    // The object store first, so it ends up last once the order is reversed.
    std::vector<const FolderEntry*> cards;
    if (Device()->ReadFolder(u"\\", &listing)) {
        for (const FolderEntry& entry : listing.entries) {
            if (entry.attributes == FILE_ATTR_INVALID) continue;
            if ((entry.attributes & (FILE_ATTR_DIRECTORY | FILE_ATTR_VOLUME)) ==
                (FILE_ATTR_DIRECTORY | FILE_ATTR_VOLUME))
                cards.push_back(&entry);
        }
    }
    // The slots of opened scan files come first, so the machine's own
    // drives keep their order and the object store stays last.
    const size_t slots = FileDriveSlotCount();
    size_t count = slots + cards.size() + 1;
    size_t nameChars = 2;  // "\" and its NUL
    for (const FolderEntry* card : cards) nameChars += card->nameLength + 1;
    ItemNode* block = AllocateItemBlock(count, nameChars);
    if (!block) return 0;
    FillFileDriveSlots(parent, block);

    char16_t* tail = NameTail(block, count);
    for (size_t i = slots; i < count; ++i) {
        ItemNode* drive = &block[i];
        drive->parent = parent;
        drive->name = tail;
        if (i + 1 < count) {
            const FolderEntry* card = cards[cards.size() - 1 - (i - slots)];
            tail = CopyText(tail, &listing.names[card->nameOffset], card->nameLength);
        } else {
            tail = CopyText(tail, u"\\", 1);
        }
        drive->flags = ITEM_DRIVE;
        QueryDriveSpace(drive);
    }
    *items = block;
    return static_cast<uint32_t>(count);
}

void QueryDriveSpace(ItemNode* drive) {
    // A scan file's drive is as big as what the file holds, and full.
    if (drive->flags & ITEM_FROM_FILE) {
        drive->total = drive->ownSize = SumVisibleTotals(drive->children, drive->childCount);
        return;
    }
    uint64_t totalBytes = 0;
    uint64_t freeBytes = 0;
    if (!Device()->VolumeSpace(drive->name, &totalBytes, &freeBytes)) return;
    drive->total = totalBytes;
    // A volume that reports more free than total bytes is treated as full
    // of nothing rather than wrapped round to an absurd used size.
    drive->ownSize = freeBytes < totalBytes ? totalBytes - freeBytes : 0;
}

uint32_t ListFolder(const char16_t* pattern, ItemNode* parent, bool isStoreRoot, ItemNode** items) {
    *items = nullptr;
    // The folder is the pattern without its "*.*".
    size_t patternLength = TextLength(pattern);
    size_t folderLength = patternLength;
    if (folderLength >= 3 && pattern[folderLength - 3] == u'*' && pattern[folderLength - 2] == u'.' &&
        pattern[folderLength - 1] == u'*')
        folderLength -= 3;
    thread_local std::vector<char16_t> folder;
    folder.assign(pattern, pattern + folderLength);
    folder.push_back(0);

    FolderListing& listing = Scratch();
    if (!Device()->ReadFolder(folder.data(), &listing)) listing.Clear();
    return BuildFolderLevel(&listing, parent, isStoreRoot, items);
}

const char16_t* EntryName(const FolderListing& listing, const FolderEntry& entry, std::vector<char16_t>* scratch,
                          size_t* length) {
    scratch->clear();
    if (listing.decodeName) {
        *length = listing.decodeName(&listing.hostNames[entry.hostNameOffset], entry.nameLength, scratch);
    } else {
        const char16_t* text = listing.names.data() + entry.nameOffset;
        scratch->assign(text, text + entry.nameLength);
        *length = entry.nameLength;
    }
    scratch->push_back(0);
    return scratch->data();
}

bool KeepsEntry(const FolderEntry& entry, const char16_t* name, size_t length) {
    if (entry.attributes == FILE_ATTR_INVALID) return false;
    if ((entry.attributes & FILE_ATTR_INROM) && !(entry.attributes & FILE_ATTR_DIRECTORY)) return false;
    return !IsDotEntry(name, static_cast<uint32_t>(length));
}

void FillRecord(ItemNode* record, const FolderEntry& entry) {
    if (entry.attributes & FILE_ATTR_DIRECTORY)
        record->flags = (entry.attributes & FILE_ATTR_INROM) ? (ITEM_FOLDER | ITEM_ROM) : ITEM_FOLDER;
    if (entry.attributes & FILE_ATTR_LINK) record->flags |= ITEM_LINK;
    record->ownSize = entry.size;
    record->diskSize = entry.diskSize;
    record->modified = entry.modified;
    if (entry.attributes & FILE_ATTR_EXCLUDED) {
        // Listed, but neither counted nor entered.
        record->flags |= ITEM_EXCLUDED | ((entry.attributes & FILE_ATTR_DIRECTORY) ? uint32_t(ITEM_SCANNED) : 0u);
        record->ownSize = 0;
        record->diskSize = 0;
        record->modified = 0;
    }
    if (entry.error) {
        // Listed, but its facts could not be read: its sizes are unknown.
        record->flags |= ITEM_UNREADABLE;
        record->readError = entry.error;
    }
}

uint32_t BuildFolderLevel(FolderListing* listing, ItemNode* parent, bool isStoreRoot, ItemNode** items) {
    *items = nullptr;
    // Keep the entries the skip rules let through, flagging the others out
    // by turning their attributes invalid.
    size_t count = 0;
    size_t nameChars = 0;
    thread_local std::vector<char16_t> name;
    for (FolderEntry& entry : listing->entries) {
        size_t length = 0;
        const char16_t* text =
            entry.attributes == FILE_ATTR_INVALID ? u"" : EntryName(*listing, entry, &name, &length);
        if (!KeepsEntry(entry, text, length) || (isStoreRoot && IsDriveName(text))) {
            entry.attributes = FILE_ATTR_INVALID;
            continue;
        }
        ++count;
        nameChars += length + 1;
    }
    size_t databaseNameLength = TextLength(databaseFolderName);
    if (isStoreRoot) {
        ++count;
        nameChars += databaseNameLength + 1;
    }
    if (count == 0) return 0;
    ItemNode* block = AllocateItemBlock(count, nameChars);
    if (!block) return 0;

    // Records in the reverse of enumeration order, names in record order.
    char16_t* tail = NameTail(block, count);
    ItemNode* record = block;
    for (size_t i = listing->entries.size(); i-- > 0;) {
        const FolderEntry& entry = listing->entries[i];
        if (entry.attributes == FILE_ATTR_INVALID) continue;
        record->parent = parent;
        record->name = tail;
        size_t length = 0;
        const char16_t* text = EntryName(*listing, entry, &name, &length);
        tail = CopyText(tail, text, length);
        FillRecord(record, entry);
        ++record;
    }
    if (isStoreRoot) {
        record->parent = parent;
        record->name = tail;
        CopyText(tail, databaseFolderName, databaseNameLength);
        record->flags = ITEM_FOLDER | ITEM_DATABASE;
    }
    *items = block;
    return static_cast<uint32_t>(count);
}

uint32_t ListDatabases(ItemNode* databaseFolder, ItemNode** items) {
    return ListDatabasesOf(Device(), databaseFolder, items);
}

uint32_t ListDatabasesOf(StorageDevice* device, ItemNode* databaseFolder, ItemNode** items) {
    *items = nullptr;
    std::vector<DatabaseInfo> databases;
    if (!device->ReadDatabases(&databases) || databases.empty()) return 0;
    size_t nameChars = 0;
    for (DatabaseInfo& database : databases) {
        database.name[31] = 0;
        nameChars += TextLength(database.name) + 1;
    }
    ItemNode* block = AllocateItemBlock(databases.size(), nameChars);
    if (!block) return 0;
    char16_t* tail = NameTail(block, databases.size());
    for (size_t i = 0; i < databases.size(); ++i) {
        block[i].parent = databaseFolder;
        block[i].name = tail;
        tail = CopyText(tail, databases[i].name, TextLength(databases[i].name));
        block[i].flags = ITEM_DATABASE;
        block[i].ownSize = databases[i].size;
        block[i].diskSize = databases[i].size;
        block[i].modified = TimeStampOfFileTime(databases[i].modified);
    }
    *items = block;
    return static_cast<uint32_t>(databases.size());
}

void ComputeTotals(ItemNode* item) {
    uint64_t sum = 0;
    for (uint32_t i = 0; i < item->childCount; ++i) {
        ItemNode* child = &item->children[i];
        if (child->flags & ITEM_REMOVED) continue;
        ComputeTotals(child);
        sum = SaturatingAdd(sum, child->total);
    }
    item->total = SaturatingAdd(sum, CountedSize(item));
}

void SetSizeCount(SizeCount count) {
    sizeCount = count;
    if (!rootItem) return;
    for (uint32_t d = 0; d < rootItem->childCount; ++d) {
        ItemNode* drive = &rootItem->children[d];
        if (!(drive->flags & ITEM_SCANNED)) continue;
        for (uint32_t i = 0; i < drive->childCount; ++i) ComputeTotals(&drive->children[i]);
        if (drive->flags & ITEM_FROM_FILE) QueryDriveSpace(drive);
    }
}

uint64_t SumVisibleTotals(const ItemNode* items, uint32_t count) {
    uint64_t sum = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!(items[i].flags & ITEM_REMOVED)) sum = SaturatingAdd(sum, items[i].total);
    }
    return sum;
}

uint32_t CountVisibleItems(const ItemNode* items, uint32_t count) {
    uint32_t visible = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!(items[i].flags & ITEM_REMOVED)) ++visible;
    }
    return visible;
}

bool HoldsVisibleFolder(const ItemNode* items, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (!(items[i].flags & ITEM_REMOVED) && OpensAsPlace(&items[i])) return true;
    }
    return false;
}

void FreeItemArray(ItemNode* items, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (items[i].children) FreeItemArray(items[i].children, items[i].childCount);
    }
    if (count > 0) std::free(items);
}

void FreeItemTree() {
    if (!rootItem) return;
    FreeItemArray(rootItem->children, rootItem->childCount);
    std::free(rootItem);
    rootItem = nullptr;
}
