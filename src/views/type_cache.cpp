#include "views/type_cache.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QMimeType>
#include <QStandardPaths>

#include <cstdlib>

#include "model/path_list.h"
#include "model/text.h"
#include "views/image_list.h"

TypeCacheEntry* typeCacheBuckets[TYPE_CACHE_BUCKETS] = {};
const char16_t* sharedExeTypeName = nullptr;
const char16_t* sharedLnkTypeName = nullptr;
DesktopFileType (*fileTypeSource)(const ItemNode* item) = AskDesktopFileType;
qint64 (*typeDatabaseStamp)() = TypeDatabaseStamp;
int typeStampCheckMs = 5000;

namespace {

constexpr char16_t FOLDER_KEY[] = u"\\";
constexpr char16_t EXE_KEY[] = u".EXE";
constexpr char16_t LNK_KEY[] = u".LNK";

// The entries whose type the desktop could not name, each with the stamp of
// the type database it was last asked against.
QHash<const TypeCacheEntry*, qint64> unnamedTypes;

// The type database's stamp as last read, and when it was read.
qint64 knownStamp = TYPE_STAMP_UNSETTLED;
qint64 stampReadAt = 0;
bool stampRead = false;

// Entries replaced by a named one: rows may still borrow their empty text, so
// they are freed only with the cache. Linked through next.
TypeCacheEntry* retiredEntries = nullptr;

// Theme icons by icon name, so that every kind of one MIME type shares one
// icon instead of loading the theme's files again.
QHash<QString, QIcon> themeIcons;

QElapsedTimer& Clock() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock;
}

// The type database's stamp, read again at most every typeStampCheckMs.
qint64 CurrentStamp() {
    qint64 now = Clock().elapsed();
    if (!stampRead || now - stampReadAt >= typeStampCheckMs) {
        knownStamp = typeDatabaseStamp();
        stampReadAt = now;
        stampRead = true;
    }
    return knownStamp;
}

QIcon ThemeIcon(const QString& name) {
    if (name.isEmpty()) return QIcon();
    auto found = themeIcons.constFind(name);
    if (found != themeIcons.constEnd()) return *found;
    QIcon icon = QIcon::fromTheme(name);
    themeIcons.insert(name, icon);
    return icon;
}

// Where the extension of a name starts: its last "." other than the first
// character, else the first character.
size_t ExtensionStart(const char16_t* name, size_t length) {
    for (size_t i = length; i > 1; --i)
        if (name[i - 1] == u'.') return i - 1;
    return 0;
}

bool SameText(const char16_t* a, const char16_t* b) { return CompareNames(a, b) == 0; }

// One zeroed block holding the entry, its key and, unless it borrows the
// shared text, its type text. None when it cannot be allocated.
TypeCacheEntry* NewEntry(const char16_t* key, const QString& typeText, bool ownText) {
    size_t keyLength = TextLength(key);
    size_t textLength = ownText ? static_cast<size_t>(typeText.size()) : 0;
    size_t size = sizeof(TypeCacheEntry) + (keyLength + 1) * sizeof(char16_t) +
                  (ownText ? (textLength + 1) * sizeof(char16_t) : 0);
    auto* entry = static_cast<TypeCacheEntry*>(std::calloc(1, size));
    if (!entry) return nullptr;
    auto* keyText = reinterpret_cast<char16_t*>(entry + 1);
    char16_t* after = CopyText(keyText, key, keyLength);
    entry->key = keyText;
    if (ownText) {
        CopyText(after, reinterpret_cast<const char16_t*>(typeText.utf16()), textLength);
        entry->typeName = after;
    }
    return entry;
}

// The entry's icon: the desktop's, added at the end of the image list, or the
// open-folder image when it cannot be added.
int32_t AddTypeIcon(const QIcon& icon) {
    int index = AddSmallImage(icon);
    return index == IMAGE_NONE ? IMAGE_FOLDER_OPEN : index;
}

// Makes the entry for key from the desktop's answer; shared is the ".EXE" or
// ".LNK" text of its kind, or none. An empty shared text is never borrowed.
TypeCacheEntry* MakeEntry(const char16_t* key, const DesktopFileType& answer, const char16_t** shared) {
    bool ownText = !shared || !*shared;
    TypeCacheEntry* entry = NewEntry(key, answer.typeText, ownText);
    if (!entry) return nullptr;
    if (ownText) {
        if (shared && entry->typeName[0]) *shared = entry->typeName;
    } else {
        entry->typeName = *shared;
    }
    entry->iconIndex = AddTypeIcon(answer.icon);
    if (!entry->typeName[0]) unnamedTypes.insert(entry, CurrentStamp());
    return entry;
}

// Asks the desktop again about an unnamed entry when its type database has
// changed since the entry was last asked, and settled; puts a named entry in
// its place (*link points at it) when the desktop names the type now.
// Returns the entry to answer.
TypeCacheEntry* AskAgain(TypeCacheEntry** link, const ItemNode* item, const char16_t** shared) {
    TypeCacheEntry* entry = *link;
    auto unnamed = unnamedTypes.find(entry);
    qint64 stamp = CurrentStamp();
    if (unnamed == unnamedTypes.end() || stamp == TYPE_STAMP_UNSETTLED || stamp == *unnamed) return entry;
    *unnamed = stamp;
    DesktopFileType answer = fileTypeSource(item);
    if (answer.typeText.isEmpty()) return entry;
    TypeCacheEntry* named = NewEntry(entry->key, answer.typeText, true);
    if (!named) return entry;
    if (shared && !*shared) *shared = named->typeName;
    named->iconIndex = AddTypeIcon(answer.icon);
    named->next = entry->next;
    *link = named;
    unnamedTypes.erase(unnamed);
    entry->next = retiredEntries;
    retiredEntries = entry;
    return named;
}

// A name standing for the kind of a file: "x" and its extension as TypeKeyOf
// finds it, in its own letter case and uncut (a bare ".gz" matches no
// pattern); the whole name when it has no "." after its first character.
QString KindName(const char16_t* name) {
    size_t length = TextLength(name);
    size_t start = ExtensionStart(name, length);
    QString extension = QString::fromUtf16(name + start, static_cast<qsizetype>(length - start));
    return start == 0 ? extension : QLatin1Char('x') + extension;
}

void FreeChain(TypeCacheEntry* entry) {
    while (entry) {
        TypeCacheEntry* next = entry->next;
        std::free(entry);
        entry = next;
    }
}

}  // namespace

void TypeKeyOf(const char16_t* name, char16_t* buffer, int capacity) {
    if (capacity <= 0) return;
    if (!name) {
        buffer[0] = 0;
        return;
    }
    size_t length = TextLength(name);
    size_t start = ExtensionStart(name, length);
    int written = 0;
    for (size_t i = start; i < length && written < capacity - 1; ++i) {
        char16_t c = name[i];
        buffer[written++] = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
    }
    buffer[written] = 0;
}

bool HasTypeExtension(const char16_t* name) {
    return name && ExtensionStart(name, TextLength(name)) > 0;
}

int HashTypeKey(const char16_t* key) {
    uint32_t sum = 0;
    for (; *key; ++key) sum += static_cast<uint16_t>(*key);
    return static_cast<int>(sum % TYPE_CACHE_BUCKETS);
}

TypeCacheEntry* LookupFileType(const ItemNode* item) {
    if (!item) return nullptr;
    char16_t extension[TYPE_KEY_CHARS];
    char16_t path[PATH_CHARS];
    const char16_t* key = FOLDER_KEY;
    const char16_t** shared = nullptr;
    if (!(item->flags & ITEM_FOLDER)) {
        TypeKeyOf(item->name, extension, TYPE_KEY_CHARS);
        key = extension;
        if (SameText(extension, EXE_KEY)) shared = &sharedExeTypeName;
        else if (SameText(extension, LNK_KEY)) shared = &sharedLnkTypeName;
        // Each ".EXE" and ".LNK" file is a kind of its own, known by its path.
        if (shared && ItemPath(path, PATH_CHARS, item)) key = path;
    }

    TypeCacheEntry** bucket = &typeCacheBuckets[HashTypeKey(key)];
    for (TypeCacheEntry** link = bucket; *link; link = &(*link)->next) {
        if (!SameText((*link)->key, key)) continue;
        if ((*link)->typeName[0]) return *link;
        return AskAgain(link, item, shared);
    }

    TypeCacheEntry* entry = MakeEntry(key, fileTypeSource(item), shared);
    if (!entry) return nullptr;
    entry->next = *bucket;
    *bucket = entry;
    return entry;
}

void ClearTypeCache() {
    for (TypeCacheEntry*& bucket : typeCacheBuckets) {
        FreeChain(bucket);
        bucket = nullptr;
    }
    FreeChain(retiredEntries);
    retiredEntries = nullptr;
    unnamedTypes.clear();
    stampRead = false;
    themeIcons.clear();
    sharedExeTypeName = nullptr;
    sharedLnkTypeName = nullptr;
}

DesktopFileType AskDesktopFileType(const ItemNode* item) {
    QMimeDatabase database;
    bool folder = item->flags & ITEM_FOLDER;
    // By the name alone: matching by content would open every file. Only the
    // part of the name that makes the key is shown to the desktop, so that the
    // answer fits every file of the kind ("a.tar.gz" would name all ".GZ"
    // files tar archives).
    QMimeType type = folder ? database.mimeTypeForName(QStringLiteral("inode/directory"))
                            : database.mimeTypeForFile(KindName(item->name), QMimeDatabase::MatchExtension);
    DesktopFileType answer;
    if (type.isValid() && !type.isDefault()) answer.typeText = type.comment();
    if (type.isValid()) {
        answer.icon = ThemeIcon(type.iconName());
        if (answer.icon.isNull()) answer.icon = ThemeIcon(type.genericIconName());
    }
    if (answer.icon.isNull()) answer.icon = SmallImage(folder ? IMAGE_FOLDER : IMAGE_FILE);
    return answer;
}

qint64 TypeDatabaseStampOf(const QStringList& files, qint64 now) {
    qint64 stamp = files.size();
    for (const QString& path : files) {
        qint64 modified = QFileInfo(path).lastModified().toMSecsSinceEpoch();
        if (now - modified < TYPE_STAMP_SETTLE_MS) return TYPE_STAMP_UNSETTLED;
        stamp += modified;
    }
    return stamp;
}

qint64 TypeDatabaseStamp() {
    QStringList files = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation, QStringLiteral("mime/mime.cache"));
    return TypeDatabaseStampOf(files, QDateTime::currentMSecsSinceEpoch());
}
