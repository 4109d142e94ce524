// Paths of items, places as chains of components, and comma-joined name lists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/item_node.h"

// Path buffers of the user interface hold the platform's longest path.
constexpr int PATH_CHARS = 4096;

// One component of a place; the name lives in the node's own block, freed
// with it by FreePathList.
struct PathList {
    PathList* next;
    char16_t* name;
};

PathList* NewPathNode(const char16_t* text);
// The list of names in order (from the drive down); none when memory is
// exhausted.
PathList* PathListFromNames(const std::vector<std::u16string>& names);
void FreePathList(PathList* list);

// "\Windows\foo.txt" gives "\", "Windows", "foo.txt"; a last component of
// exactly "/" stands for "\"; the empty text is the root. None on no memory.
PathList* ParsePathList(const char16_t* text);

// The text form of a place; the caller frees it with std::free. None on no memory.
char16_t* PathListToText(const PathList* list);

// Writes the folder path of item ("\Windows\", "Card\", "" for the root) into
// buffer, cut after the last whole component that fits; returns the position
// of its NUL, or none.
char16_t* ItemFolderPath(char16_t* buffer, uint32_t capacity, const ItemNode* item);

// Writes the full path of an item other than the root; the name always fits.
char16_t* ItemPath(char16_t* buffer, uint32_t capacity, const ItemNode* item);

uint32_t FolderPathLength(const ItemNode* item);
uint32_t ItemPathLength(const ItemNode* item);
uint32_t ItemDepth(const ItemNode* item);

// The one name comparison of the system: letter case folded first, so lists
// sort the way a reader expects, then exact code units, so that zero means the
// same name (host file systems tell "a" from "A").
int CompareNames(const char16_t* a, const char16_t* b);

// The letter-case folding CompareNames compares by first: names whose folded
// code units differ are ordered by the first such unit, a name before any
// longer name it begins.
// Inline for the common ASCII unit: sorting folds every unit of every name.
char16_t FoldWideNameUnit(char16_t unit);
inline char16_t FoldNameUnit(char16_t unit) {
    if (unit < 0x80) return (unit >= u'A' && unit <= u'Z') ? unit + (u'a' - u'A') : unit;
    return FoldWideNameUnit(unit);
}

// First record of item's children, removed ones included, whose name is text.
ItemNode* FindChildByName(const ItemNode* item, const char16_t* text);

// Splits "a,b" into packed NUL-separated names; returns their number. With
// names, the caller receives the block and frees it with std::free.
uint32_t SplitNameList(const char16_t* text, char16_t** names);

// Joins count packed names with ","; a name holding "," is left out. The
// caller frees the text with std::free.
char16_t* JoinNameList(const char16_t* names, uint32_t count);
