// The record of one node of the storage tree and its flags.
#pragma once

#include <cstdint>

enum ItemFlags : uint32_t {
    ITEM_FOLDER = 0x1,     // a folder; also set on the database folder
    ITEM_DRIVE = 0x2,      // the object store "\" or a storage card
    ITEM_ROOT = 0x4,       // the root item
    ITEM_DATABASE = 0x8,   // a database; with ITEM_FOLDER, the database folder
    ITEM_ROM = 0x10,       // a folder that lies in ROM
    ITEM_SCANNED = 0x20,   // children have been enumerated
    ITEM_SCANNING = 0x40,  // a drive whose scan is running
    ITEM_MARKED = 0x80,    // marked for deletion
    ITEM_REMOVED = 0x100,  // deleted by an expunge; skipped by every list, count and total
    ITEM_UNREADABLE = 0x200,  // a folder the scan could not list; readError tells why
    ITEM_LINK_REPEAT = 0x400, // a further link of a file with several: its blocks count at another link
    ITEM_INCOMPLETE = 0x800,  // holds an unreadable folder somewhere below: its total is a lower bound
    ITEM_FROM_FILE = 0x1000,  // a drive read from a scan file, or a spare slot for one
    ITEM_FOLDER_AGAIN = 0x2000,  // a folder above it shown again (a bind mount): listed, not entered, counted there
    ITEM_EXCLUDED = 0x4000,      // left out by the scan's excludes: listed, not counted, not entered
    ITEM_HOLDS_EXCLUDED = 0x8000,  // a folder some of whose entries are ITEM_EXCLUDED
    ITEM_EARLIER = 0x20000,    // a record of an earlier scan a comparison holds: shown as gone, never changed
    ITEM_LINK = 0x10000,      // a symbolic link: counts its own size, never followed
};

// All children of one item live in one zero-filled block: the records one
// after another, then their names packed in record order. A name is never
// freed on its own. Byte counts are 64-bit so that desktop volumes and files
// of 4 GB and more keep their real sizes.
struct ItemNode {
    ItemNode* parent;      // none for the root
    ItemNode* children;    // none until enumerated, and for an empty folder
    uint32_t childCount;   // records in children, removed ones included
    uint32_t flags;        // ItemFlags
    uint64_t ownSize;      // bytes of the item itself; a drive's used bytes
    uint64_t total;        // bytes of the item and its subtree; a drive's capacity
    const char16_t* name;  // lives in the same block as the record
    uint64_t diskSize;     // bytes the item itself occupies on its volume
    // The last-write time as a TimeStamp (milliseconds from 1970, some 4,400
    // years either way; storage_device.h); 0 when unknown.
    int64_t modified : 48;
    uint64_t readError : 16;  // the system's error number (errno) of an unreadable folder
};

static_assert(sizeof(ItemNode) == 64, "the item record is the scan's memory budget");

// The three recurring tests on the flags.
inline bool IsUnscannedDrive(const ItemNode* item) {
    return (item->flags & ITEM_DRIVE) && !(item->flags & ITEM_SCANNED);
}
inline bool OpensAsPlace(const ItemNode* item) {
    return item->flags & (ITEM_FOLDER | ITEM_DRIVE);
}
inline bool HasChildrenButton(const ItemNode* item) {
    return item->flags & (ITEM_DRIVE | ITEM_ROOT);
}

// A drive's free bytes: never below 0, even when a device reports more used
// bytes than its capacity.
inline uint64_t DriveFreeBytes(const ItemNode* drive) {
    return drive->total > drive->ownSize ? drive->total - drive->ownSize : 0;
}
