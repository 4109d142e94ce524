#include "views/treemap_colours.h"

#include <QMimeDatabase>
#include <QMimeType>

#include "model/text.h"
#include "views/type_cache.h"

namespace {

bool HasAny(const QString& name, std::initializer_list<const char*> parts) {
    for (const char* part : parts) {
        if (name.contains(QLatin1String(part))) return true;
    }
    return false;
}

// The family of one type name, without what it inherits.
int OwnFamily(const QString& name) {
    if (name.startsWith(QLatin1String("image/"))) return TREEMAP_FAMILY_IMAGES;
    if (name.startsWith(QLatin1String("video/"))) return TREEMAP_FAMILY_VIDEO;
    if (name.startsWith(QLatin1String("audio/"))) return TREEMAP_FAMILY_AUDIO;
    if (HasAny(name, {"x-executable", "x-sharedlib", "x-pie-executable", "x-object", "x-archive", "x-msdownload",
                      "x-dosexec", "x-ms-dos-executable", "java-vm", "x-java", "bytecode", "wasm", "x-mach-binary",
                      "x-elf", "x-desktop", "x-appimage"}))
        return TREEMAP_FAMILY_PROGRAMS;
    if (HasAny(name, {"zip", "tar", "compress", "archive", "rpm", "debian", "deb-package", "7z", "rar", "x-xz",
                      "bzip", "gzip", "zstd", "lzma", "lz4", "lzip", "cd-image", "iso9660", "disk-image",
                      "diskimage", "squashfs", "flatpak", "snap", "package", "x-cpio"}))
        return TREEMAP_FAMILY_ARCHIVES;
    if (HasAny(name, {"application/pdf", "msword", "opendocument", "officedocument", "ms-excel", "ms-powerpoint",
                      "application/rtf", "epub", "postscript", "x-dvi", "djvu", "x-mobipocket", "vnd.ms-"}))
        return TREEMAP_FAMILY_DOCUMENTS;
    if (name.startsWith(QLatin1String("text/")) ||
        HasAny(name, {"json", "xml", "javascript", "x-shellscript", "x-perl", "x-python", "x-ruby", "x-php",
                      "yaml", "toml", "x-sql", "sql", "x-csh", "x-tcl", "x-m4", "x-awk"}))
        return TREEMAP_FAMILY_SOURCE;
    return -1;
}

// The extension key of a name as the type cache makes it, with the version
// numbers of a shared library ("libc.so.6") passed over.
std::u16string KindKey(const char16_t* name) {
    char16_t key[TYPE_KEY_CHARS];
    TypeKeyOf(name, key, TYPE_KEY_CHARS);
    if (key[0] != u'.') return std::u16string();
    std::u16string upper;
    for (const char16_t* c = name; *c; ++c) upper += (*c >= u'a' && *c <= u'z') ? char16_t(*c - u'a' + u'A') : *c;
    const size_t so = upper.rfind(u".SO.");
    if (so != std::u16string::npos && so > 0) return u".SO";
    return key;
}

}  // namespace

TreemapFamily FamilyOfMimeName(const QString& mimeName) {
    int own = OwnFamily(mimeName);
    if (own >= 0) return static_cast<TreemapFamily>(own);
    static const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForName(mimeName);
    for (const QString& ancestor : type.allAncestors()) {
        if (ancestor == QLatin1String("application/octet-stream")) continue;
        own = OwnFamily(ancestor);
        if (own >= 0) return static_cast<TreemapFamily>(own);
    }
    return TREEMAP_FAMILY_OTHER;
}

TreemapFamily FamilyOfEntry(TreemapFamilyCache* cache, const ItemNode* item) {
    if (item->flags & (ITEM_FOLDER | ITEM_DRIVE | ITEM_ROOT)) return TREEMAP_FAMILY_SMALL;
    if (item->flags & ITEM_DATABASE) return TREEMAP_FAMILY_OTHER;
    const std::u16string key = KindKey(item->name);
    if (key.empty()) return TREEMAP_FAMILY_OTHER;
    auto found = cache->families.find(key);
    if (found != cache->families.end()) return static_cast<TreemapFamily>(found->second);
    // The database answers from several threads; one question per kind.
    static const QMimeDatabase database;
    const QString probe = QLatin1Char('x') + QString::fromStdU16String(key).toLower();
    const QMimeType type = database.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);
    ++cache->lookups;
    const TreemapFamily family = type.isDefault() ? TREEMAP_FAMILY_OTHER : FamilyOfMimeName(type.name());
    cache->families.emplace(key, family);
    return family;
}
