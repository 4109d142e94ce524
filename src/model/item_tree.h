// The storage tree: the root, its drives, and below them what the scan lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/item_node.h"

struct FolderEntry;
struct FolderListing;
class StorageDevice;

// Owns the whole tree; none until CreateRootItem succeeds.
extern ItemNode* rootItem;

// The name of the database pseudo-folder of the object store (16 characters,
// the NUL included); start-up loads it from the string table.
constexpr int DATABASE_NAME_CHARS = 16;
extern char16_t databaseFolderName[DATABASE_NAME_CHARS];

// One zero-filled block for count records followed by nameChars characters
// (NULs included); none when memory ran out. Freed by FreeItemArray.
ItemNode* AllocateItemBlock(size_t count, size_t nameChars);
// Where the names of a block of count records begin.
char16_t* NameTail(ItemNode* block, size_t count);

// Allocates the root (named by platform kind) and enumerates its drives; the
// caller shows them in the folder tree. Returns the root or none.
ItemNode* CreateRootItem();

// Lists the drives under parent: the slots of opened scan files, the
// storage cards in reverse enumeration order, then the object store "\".
// Returns their number; *items receives the block (none when there are none
// or memory ran out).
uint32_t EnumerateDrives(ItemNode* parent, ItemNode** items);

// Fills a drive's total (capacity) and ownSize (used bytes); both stay as they
// are when the device cannot tell. A scan file's drive is as big as what it
// holds.
void QueryDriveSpace(ItemNode* drive);

// Lists one folder into one block, records in reverse enumeration order.
// pattern is the folder path followed by "*.*"; isStoreRoot is true exactly
// for "\", whose listing skips the drives' folders and ends with the database
// folder. Returns the count; *items receives the block or none.
uint32_t ListFolder(const char16_t* pattern, ItemNode* parent, bool isStoreRoot,
                    ItemNode** items);

// Makes the block of one folder level from a listing whose facts are read,
// as ListFolder does: records in reverse enumeration order, the entries the
// skip rules leave out dropped, the database folder last for the store's
// root. The listing's skipped entries are flagged invalid on the way.
uint32_t BuildFolderLevel(FolderListing* listing, ItemNode* parent, bool isStoreRoot, ItemNode** items);

// The parts of BuildFolderLevel that a folder built a part at a time uses
// too. EntryName: an entry's name as the program's, NUL-terminated, in the
// listing's names or decoded from the device's own into scratch; its length
// in *length. KeepsEntry: whether the skip rules keep an entry of that name
// (the store root's drive names aside). FillRecord: a record's flags and
// facts from its entry, the name and parent aside.
const char16_t* EntryName(const FolderListing& listing, const FolderEntry& entry, std::vector<char16_t>* scratch,
                          size_t* length);
bool KeepsEntry(const FolderEntry& entry, const char16_t* name, size_t length);
void FillRecord(ItemNode* record, const FolderEntry& entry);

// Lists the object store's databases under the database folder; the first
// of the device the program runs on, the second of the device given.
uint32_t ListDatabases(ItemNode* databaseFolder, ItemNode** items);
uint32_t ListDatabasesOf(StorageDevice* device, ItemNode* databaseFolder, ItemNode** items);

// How sizes are counted: the bytes entries occupy on their volume, each
// hard-linked file once per drive scan (the default, as du counts), or their
// apparent sizes as the listings give them, every link counted.
enum SizeCount {
    SIZE_DISK_USAGE = 0,
    SIZE_APPARENT = 1,
};
extern SizeCount sizeCount;

// The bytes an entry counts for itself under the chosen count.
inline uint64_t CountedSize(const ItemNode* item) {
    if (sizeCount == SIZE_APPARENT) return item->ownSize;
    return (item->flags & ITEM_LINK_REPEAT) ? 0 : item->diskSize;
}

// a + b, or the largest count where the sum would not fit: a total never
// wraps to a small number (a scan file may claim any sizes).
inline uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    uint64_t sum;
    return __builtin_add_overflow(a, b, &sum) ? UINT64_MAX : sum;
}

// Sets total of the item and of everything below it under the chosen
// count, skipping removed records.
void ComputeTotals(ItemNode* item);

// Chooses how sizes are counted and counts every scanned drive's totals
// again; no entry's own sizes change, so switching back gives every total
// back. A drive being scanned has nothing attached yet and is left alone.
void SetSizeCount(SizeCount count);

// Sum of total over the records that are not removed: the listed total.
uint64_t SumVisibleTotals(const ItemNode* items, uint32_t count);

// Number of records that are not removed.
uint32_t CountVisibleItems(const ItemNode* items, uint32_t count);

// Whether the records hold a folder (or drive) that is not removed: what
// gives an item's node a children button.
bool HoldsVisibleFolder(const ItemNode* items, uint32_t count);

// Frees an array and everything below it, removed records included.
void FreeItemArray(ItemNode* items, uint32_t count);

// Frees the whole tree and clears rootItem.
void FreeItemTree();
