#include "views/file_kinds_tally.h"

#include <algorithm>
#include <unordered_map>

#include "model/item_tree.h"
#include "views/type_cache.h"

namespace {

constexpr uint32_t STOP_CHECK_ENTRIES = 4096;

bool Larger(const LargeFile& a, const LargeFile& b) { return a.bytes > b.bytes; }

// Keeps the LARGEST_FILES_KEPT largest of what is offered in a heap whose
// front is the smallest kept.
void Offer(std::vector<LargeFile>* heap, LargeFile file) {
    if (heap->size() < LARGEST_FILES_KEPT) {
        heap->push_back(file);
        std::push_heap(heap->begin(), heap->end(), Larger);
    } else if (file.bytes > heap->front().bytes) {
        std::pop_heap(heap->begin(), heap->end(), Larger);
        heap->back() = file;
        std::push_heap(heap->begin(), heap->end(), Larger);
    }
}

// Puts a heap of Offer in order, largest first.
void SortLargest(std::vector<LargeFile>* heap) { std::sort_heap(heap->begin(), heap->end(), Larger); }

struct KindIndex {
    std::unordered_map<std::u16string, uint32_t> byExtension;
    int32_t families[4] = {-1, -1, -1, -1};
    std::u16string key;  // reused: a lookup allocates nothing
};

FileKind* KindOf(const ItemNode* file, KindIndex* index, FileKindsTally* tally) {
    FileKindFamily family = KIND_EXTENSION;
    if (file->flags & ITEM_LINK) family = KIND_LINK;
    else if (file->flags & ITEM_DATABASE) family = KIND_DATABASE;
    else if (!HasTypeExtension(file->name)) family = KIND_NO_EXTENSION;
    uint32_t at;
    if (family == KIND_EXTENSION) {
        char16_t extension[TYPE_KEY_CHARS];
        TypeKeyOf(file->name, extension, TYPE_KEY_CHARS);
        index->key.assign(extension);
        auto found = index->byExtension.find(index->key);
        if (found != index->byExtension.end()) return &tally->kinds[found->second];
        at = static_cast<uint32_t>(tally->kinds.size());
        index->byExtension.emplace(index->key, at);
        tally->kinds.push_back({family, index->key, 0, 0, file, {}});
        return &tally->kinds.back();
    }
    if (index->families[family] >= 0) return &tally->kinds[static_cast<size_t>(index->families[family])];
    index->families[family] = static_cast<int32_t>(tally->kinds.size());
    tally->kinds.push_back({family, std::u16string(), 0, 0, file, {}});
    return &tally->kinds.back();
}

bool Entered(const ItemNode* drive) {
    return (drive->flags & ITEM_SCANNED) && !(drive->flags & (ITEM_SCANNING | ITEM_REMOVED));
}

}  // namespace

bool TallyFileKinds(const ItemNode* place, const std::atomic<bool>* stop, FileKindsTally* tally) {
    *tally = FileKindsTally();
    tally->place = place;
    if (!place) return true;
    KindIndex index;
    std::vector<const ItemNode*> folders;
    if (place->flags & ITEM_ROOT) {
        for (uint32_t i = 0; i < place->childCount; ++i)
            if (Entered(&place->children[i])) folders.push_back(&place->children[i]);
    } else if (!(place->flags & ITEM_DRIVE) || Entered(place)) {
        folders.push_back(place);
        // A drive's own sizes are its capacity and used bytes, not its own.
        if (!(place->flags & ITEM_DRIVE)) tally->placeBytes = CountedSize(place);
    }
    uint32_t sinceCheck = 0;
    while (!folders.empty()) {
        const ItemNode* folder = folders.back();
        folders.pop_back();
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            if (++sinceCheck >= STOP_CHECK_ENTRIES) {
                sinceCheck = 0;
                if (stop && stop->load(std::memory_order_relaxed)) return false;
            }
            const ItemNode* entry = &folder->children[i];
            // Listed but not counted, or not of this tree at all.
            if (entry->flags & (ITEM_REMOVED | ITEM_EXCLUDED | ITEM_EARLIER)) continue;
            const uint64_t bytes = CountedSize(entry);
            tally->placeBytes = SaturatingAdd(tally->placeBytes, bytes);
            if (entry->flags & ITEM_FOLDER) {
                // A folder shown again has no entries of its own: they count where it stands first.
                if (entry->childCount) folders.push_back(entry);
                continue;
            }
            ++tally->files;
            FileKind* kind = KindOf(entry, &index, tally);
            ++kind->count;
            kind->bytes = SaturatingAdd(kind->bytes, bytes);
            Offer(&kind->largest, {bytes, entry});
            Offer(&tally->largest, {bytes, entry});
        }
    }
    for (FileKind& kind : tally->kinds) SortLargest(&kind.largest);
    SortLargest(&tally->largest);
    return true;
}
