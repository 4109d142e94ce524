// The file type text and icon of each kind of file, asked of the desktop once
// per kind: per upper-cased extension, per ".EXE" or ".LNK" file, and once
// for all folders.
#pragma once

#include <cstdint>

#include "model/item_node.h"

constexpr int TYPE_CACHE_BUCKETS = 64;
constexpr int TYPE_KEY_CHARS = 80;

// One block: the four fields, then the key, then (unless borrowed) the type
// text. Entries live until ClearTypeCache.
struct TypeCacheEntry {
    const char16_t* key;
    int32_t iconIndex;         // in smallImageList
    const char16_t* typeName;  // own, or the shared ".EXE"/".LNK" text
    TypeCacheEntry* next;      // the next entry of the same bucket
};

// The entry of an item, made on a miss; none when it cannot be allocated.
TypeCacheEntry* LookupFileType(const ItemNode* item);

// The upper-cased extension of name (".TXT"), or the whole name when it has
// no "." after its first character; at most capacity - 1 characters.
void TypeKeyOf(const char16_t* name, char16_t* buffer, int capacity);

// The sum of the key's code units modulo 64.
int HashTypeKey(const char16_t* key);

// Frees every entry; at shutdown.
void ClearTypeCache();
