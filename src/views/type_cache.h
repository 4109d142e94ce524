// The file type text and icon of each kind of file, asked of the desktop once
// per kind: per upper-cased extension, per ".EXE" or ".LNK" file, and once
// for all folders.
#pragma once

#include <cstdint>

#include <QIcon>
#include <QString>
#include <QStringList>

#include "model/item_node.h"

constexpr int TYPE_CACHE_BUCKETS = 64;
constexpr int TYPE_KEY_CHARS = 80;

// One block: the four fields, then the key, then (unless borrowed) the type
// text. Entries live until ClearTypeCache.
struct TypeCacheEntry {
    const char16_t* key;
    int32_t iconIndex;         // in smallImageList
    const char16_t* typeName;  // own, or the shared ".EXE"/".LNK" text; never none, empty when unnamed
    TypeCacheEntry* next;      // the next entry of the same bucket
};

// The chain heads; new entries go to the head of their chain.
extern TypeCacheEntry* typeCacheBuckets[TYPE_CACHE_BUCKETS];

// The type text of the first ".EXE" and the first ".LNK" entry that the
// desktop could name (inside that entry's block), borrowed by every later one;
// none until then.
extern const char16_t* sharedExeTypeName;
extern const char16_t* sharedLnkTypeName;

// The entry of an item, made on a miss; none when it cannot be allocated (the
// next need asks again). A type the desktop cannot name gets an entry with its
// icon and an empty type text; once the desktop's type database has changed,
// the next lookup asks again and, when the desktop names the type now, puts a
// named entry in its place. The unnamed entry's block stays until
// ClearTypeCache, since rows may still borrow its empty text.
TypeCacheEntry* LookupFileType(const ItemNode* item);

// The upper-cased extension of name (".TXT"), or the whole name when it has
// no "." after its first character; at most capacity - 1 characters.
void TypeKeyOf(const char16_t* name, char16_t* buffer, int capacity);

// Whether name has a "." after its first character, so that its kind is its
// extension; otherwise the kind is known by the whole name.
bool HasTypeExtension(const char16_t* name);

// The sum of the key's code units modulo 64.
int HashTypeKey(const char16_t* key);

// Frees every entry; at shutdown.
void ClearTypeCache();

// What the desktop says of a kind of file: its type text (empty when it
// cannot name the type) and its small icon.
struct DesktopFileType {
    QString typeText;
    QIcon icon;
};

// Asks the desktop by the item's name alone, the file is never opened: the
// MIME type's comment by the name's extension (folders: inode/directory),
// empty for the default type; the icon theme's icon of that type, else the
// program's folder or page image.
DesktopFileType AskDesktopFileType(const ItemNode* item);

// Where LookupFileType asks: AskDesktopFileType unless a test puts its own
// answer in place.
extern DesktopFileType (*fileTypeSource)(const ItemNode* item);

// A value standing for the state of the desktop's type database (the MIME
// database's cache files), so that unnamed types are asked about again only
// when it changed. TYPE_STAMP_UNSETTLED while a file changed within the last
// TYPE_STAMP_SETTLE_MS: Qt reads a changed database only some seconds later.
constexpr qint64 TYPE_STAMP_UNSETTLED = -1;
constexpr qint64 TYPE_STAMP_SETTLE_MS = 6000;
qint64 TypeDatabaseStamp();
// The stamp of the given database files at time now (ms since 1970).
qint64 TypeDatabaseStampOf(const QStringList& files, qint64 now);

// Where LookupFileType reads the stamp: TypeDatabaseStamp unless a test puts
// its own in place; and how often it reads it, at most.
extern qint64 (*typeDatabaseStamp)();
extern int typeStampCheckMs;
