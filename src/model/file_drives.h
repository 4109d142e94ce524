// Scan files opened as drives of their own under the root. A file drive
// browses like any drive, but its entries are not on this machine: nothing
// that changes storage reaches them, and its "scan" reads the file again.
//
// The root's block keeps a slot for every opened file and a few spare ones
// before the machine's own drives, so opening a file fills a slot without
// moving any record (nothing scanned elsewhere is dropped); a spare slot is
// flagged ITEM_REMOVED, which every list, count and total skips.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/item_node.h"

struct ScanFileContents;

struct FileDrive {
    std::string fileName;    // as it was opened
    std::u16string name;     // the path that was scanned: the drive's name
    std::string rootPath;    // that path's host bytes, as the file names it
    int64_t fileTime = 0;    // the file's last change, Unix seconds
    int64_t scanTime = 0;    // when the scan was made, as the file says; 0 when it does not
    std::string failure;     // why the last reading failed; empty when it did not
    ScanFileContents* pending = nullptr;  // read at opening, taken by the drive's first scan
};

// The opened scan files in the order they were opened; slot k of the root's
// block stands for fileDrives[k].
extern std::vector<FileDrive*> fileDrives;

// Spare slots the root's block holds beyond the opened files.
constexpr uint32_t FILE_DRIVE_SPARE_SLOTS = 4;

// The file drive a drive record stands for, or none.
FileDrive* FileDriveOf(const ItemNode* drive);

// Whether item is a file drive or lies below one.
bool IsFromScanFile(const ItemNode* item);

// Opens file as a drive in the next spare slot of root's block: the record
// becomes an unscanned drive named after the scanned path. Takes file over
// (also when it fails). None when no spare slot is left.
ItemNode* AttachFileDrive(ItemNode* root, FileDrive* file);

// Lays out the first FileDriveSlotCount() records of a new root block of
// drives: the opened files' drives, then the spare slots.
void FillFileDriveSlots(ItemNode* parent, ItemNode* block);

// How many slots a new root block holds.
inline uint32_t FileDriveSlotCount() { return static_cast<uint32_t>(fileDrives.size()) + FILE_DRIVE_SPARE_SLOTS; }

// Frees one opened file's record, and what it read and did not hand on.
void ForgetFileDrive(FileDrive* file);

// Forgets every opened file; the item tree must be gone (its slots name them).
void ForgetFileDrives();
