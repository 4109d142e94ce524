// What the File Types and Largest Files windows show of a place's subtree,
// counted from the item tree alone, no disk read: each kind of file with its
// count and bytes under the chosen count, and the largest files, overall and
// per kind. It runs on a worker thread: it reads items and changes none.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "model/item_node.h"

// How many of the largest files a tally keeps, overall and per kind.
constexpr size_t LARGEST_FILES_KEPT = 100;

// The families of kinds. Files with an extension are a kind per extension,
// as the type cache knows them; the rest are one kind per family.
enum FileKindFamily : uint8_t {
    KIND_EXTENSION = 0,   // key: the extension upper-cased (".JPG")
    KIND_NO_EXTENSION,    // no "." after the name's first character
    KIND_LINK,            // symbolic links, whatever their names
    KIND_DATABASE,        // the object store's databases
};

// One of the largest files: its counted bytes beside it, so ordering never
// reads the tree again.
struct LargeFile {
    uint64_t bytes;
    const ItemNode* item;
};

struct FileKind {
    FileKindFamily family;
    std::u16string key;        // the extension of KIND_EXTENSION, else empty
    uint64_t count;
    uint64_t bytes;            // saturating sum of the files' counted bytes
    const ItemNode* sample;    // a file of the kind: the type text is asked by it
    std::vector<LargeFile> largest;  // largest first, at most LARGEST_FILES_KEPT
};

struct FileKindsTally {
    const ItemNode* place = nullptr;
    uint64_t placeBytes = 0;   // the place's counted bytes: its total for a drive or folder
    uint64_t files = 0;
    std::vector<FileKind> kinds;     // in the order first met
    std::vector<LargeFile> largest;  // largest first, at most LARGEST_FILES_KEPT
};

// Counts every file below place (the root: every scanned drive) as the list
// and the totals count it: removed records, excluded entries and earlier
// records are left out, a hard link's further names count what CountedSize
// gives them, a drive being scanned is not entered. False, with a partial
// tally, when stop turned true on the way; it is looked at every few
// thousand entries.
bool TallyFileKinds(const ItemNode* place, const std::atomic<bool>* stop, FileKindsTally* tally);
