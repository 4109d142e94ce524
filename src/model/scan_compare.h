// Comparing two scans of one place: the entries of a later scan matched to
// those of an earlier one by path, folder by folder, names compared as the
// host's bytes (names decode to text one to one, so equal texts are equal
// bytes). A renamed entry is one gone and one new. Sizes are the totals
// under the current size count, so hard links count as the sizes do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/item_node.h"

// Stands for "no entry" in a match.
constexpr uint32_t COMPARE_NONE = UINT32_MAX;

// Whether two names are the same bytes.
bool SameName(const char16_t* a, const char16_t* b);

// The entries of two folders matched: for each record of later, the index
// of its earlier record (COMPARE_NONE: new), and the earlier records no
// later record matched (gone). Removed records of later match nothing and
// are matched by nothing. An entry that was a file and is a folder (or the
// other way) is gone and new. Either folder may be none (no entries).
struct FolderMatch {
    std::vector<uint32_t> earlierOf;
    std::vector<uint32_t> gone;
};
void MatchFolders(const ItemNode* earlier, const ItemNode* later, FolderMatch* match);

// The record below earlierTop that stands where later stands below laterTop:
// the same names from the tops down, folders all the way. None when the
// earlier scan has no such folder.
const ItemNode* FindEarlierPlace(const ItemNode* earlierTop, const ItemNode* laterTop, const ItemNode* later);

// The bytes a place holds: its total, or for a drive (whose total is its
// capacity) the totals of its entries.
uint64_t PlaceTotal(const ItemNode* place);

// A change in a sign and a magnitude, so that every pair of 64-bit sizes
// has one.
struct SizeChange {
    bool negative = false;
    uint64_t magnitude = 0;
};
SizeChange ChangeBetween(uint64_t before, uint64_t after);

// Whether a sorts before b by change, least first.
bool ChangeLess(const SizeChange& a, const SizeChange& b);

enum ChangeKind {
    CHANGE_CHANGED = 0,  // in both scans
    CHANGE_NEW = 1,      // only in the later one
    CHANGE_GONE = 2,     // only in the earlier one
};

// One entry of a comparison's report.
struct ScanChange {
    std::string path;  // host bytes, below the later scan's root (a gone one below the earlier's)
    ChangeKind kind = CHANGE_CHANGED;
    uint64_t before = 0;
    uint64_t after = 0;
    SizeChange change;
};

// What comparing two whole scans tells: the entries that grew most and
// those that shrank most (each at most top, largest change first), and the
// totals. Every entry below the roots takes part, folders too; what lies in
// a new or a gone folder is told by that folder alone. An entry that did
// not change is in neither list; a new one of no size stands last among
// those that grew, a gone one of no size last among those that shrank.
struct ScanComparison {
    std::vector<ScanChange> grown;
    std::vector<ScanChange> shrunk;
    uint64_t totalBefore = 0;
    uint64_t totalAfter = 0;
};

// Compares the trees below two roots (as scan files read give them, totals
// computed). rootPath names the later root in the paths of the report, and
// earlierRootPath the earlier one for gone entries.
void CompareScans(const ItemNode* earlierRoot, const ItemNode* laterRoot, size_t top,
                  const std::string& earlierRootPath, const std::string& laterRootPath, ScanComparison* result);
