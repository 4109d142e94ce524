#include "views/place_comparison.h"

#include <vector>

#include "model/format.h"
#include "model/item_tree.h"
#include "platform/host_names.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/scan_files.h"
#include "views/contents_list.h"
#include "views/size_choice.h"

PlaceComparison* placeComparison = nullptr;

namespace {

// Where the listed folder stands against the earlier scan.
enum ListedPlace {
    LISTED_OUTSIDE,  // not at or below the earlier scan's root
    LISTED_NEW,      // below it, but the earlier scan has no such folder
    LISTED_MATCHED,
};
ListedPlace listedStanding = LISTED_OUTSIDE;

void FlagEarlier(ItemNode* root) {
    std::vector<ItemNode*> pending{root};
    while (!pending.empty()) {
        ItemNode* folder = pending.back();
        pending.pop_back();
        folder->flags |= ITEM_EARLIER;
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            ItemNode* child = &folder->children[i];
            child->flags |= ITEM_EARLIER;
            if (child->childCount) pending.push_back(child);
        }
    }
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// Where placePath lies against the earlier root, and the record there.
ListedPlace Locate(const std::string& placePath, const ItemNode** found) {
    *found = nullptr;
    if (!placeComparison || !placeComparison->earlier.root) return LISTED_OUTSIDE;
    const std::string root = WithoutTrailingSlash(placeComparison->earlier.rootPath);
    const std::string place = WithoutTrailingSlash(placePath);
    if (place == root) {
        *found = placeComparison->earlier.root;
        return LISTED_MATCHED;
    }
    const std::string prefix = root == "/" ? root : root + "/";
    if (place.compare(0, prefix.size(), prefix) != 0) return LISTED_OUTSIDE;
    const ItemNode* at = placeComparison->earlier.root;
    std::vector<char16_t> name;
    size_t start = prefix.size();
    while (at && start <= place.size()) {
        size_t end = place.find('/', start);
        if (end == std::string::npos) end = place.size();
        name.clear();
        DecodeHostName(place.data() + start, end - start, &name);
        name.push_back(0);
        const ItemNode* next = nullptr;
        for (uint32_t i = 0; i < at->childCount && !next; ++i) {
            const ItemNode& child = at->children[i];
            if ((child.flags & ITEM_FOLDER) && SameName(child.name, name.data())) next = &child;
        }
        at = next;
        start = end + 1;
    }
    *found = at;
    return at ? LISTED_MATCHED : LISTED_NEW;
}

// "12/03 04:10": the earlier scan's date as the Modified column writes dates.
QString EarlierDateText() {
    constexpr uint64_t SECONDS_1601_TO_1970 = 11644473600ull;
    const int64_t time = placeComparison ? placeComparison->time : 0;
    if (time <= 0) return QString();
    char16_t text[32] = {};
    FormatModified((static_cast<uint64_t>(time) + SECONDS_1601_TO_1970) * 10000000ull, text, 32);
    return QString::fromUtf16(text);
}

QString ChangeSinceText(const SizeChange& change) {
    return SignedSizeText(change) + u' ' + StringText(STR_COMPARE_SINCE) + u' ' + EarlierDateText();
}

}  // namespace

void StartComparison(ScanFileContents* contents, const std::string& fileName, int64_t time) {
    EndComparison();
    auto* comparison = new PlaceComparison();
    comparison->earlier = *contents;
    *contents = ScanFileContents{};
    // The links were kept for writing the tree again, which a comparison never does.
    comparison->earlier.hardLinks = {};
    comparison->fileName = fileName;
    comparison->time = time;
    if (comparison->earlier.root) FlagEarlier(comparison->earlier.root);
    placeComparison = comparison;
}

void EndComparison() {
    if (!placeComparison) return;
    FreeScanFile(&placeComparison->earlier);
    delete placeComparison;
    placeComparison = nullptr;
    listedStanding = LISTED_OUTSIDE;
}

const ItemNode* EarlierPlaceOf(const std::string& placePath) {
    const ItemNode* found = nullptr;
    Locate(placePath, &found);
    return found;
}

uint32_t MatchListedFolder(const ItemNode* folder) {
    if (!placeComparison) return 0;
    PlaceComparison& comparison = *placeComparison;
    comparison.listed = folder;
    comparison.earlierListed = nullptr;
    comparison.match = FolderMatch{};
    listedStanding = folder ? Locate(ScannedHostPath(folder), &comparison.earlierListed) : LISTED_OUTSIDE;
    if (listedStanding == LISTED_OUTSIDE) return 0;
    MatchFolders(comparison.earlierListed, folder, &comparison.match);
    return static_cast<uint32_t>(comparison.match.gone.size());
}

const ItemNode* GoneRecord(uint32_t k) {
    if (!placeComparison || !placeComparison->earlierListed || k >= placeComparison->match.gone.size()) return nullptr;
    return &placeComparison->earlierListed->children[placeComparison->match.gone[k]];
}

bool ChangeColumnShown() { return placeComparison != nullptr && listMode == LIST_CONTENTS; }

bool RowChange(const ListRow* row, SizeChange* change, bool* isNew) {
    *isNew = false;
    if (!placeComparison || !row || !row->item || listedStanding == LISTED_OUTSIDE) return false;
    const ItemNode* item = row->item;
    if (IsEarlierRecord(item)) {
        *change = SizeChange{item->total != 0, item->total};
        return true;
    }
    // The object store's databases are in no scan file: nothing to compare.
    if (item->flags & ITEM_DATABASE) return false;
    const ItemNode* listed = placeComparison->listed;
    if (!listed || item < listed->children || item >= listed->children + listed->childCount) return false;
    const uint32_t index = static_cast<uint32_t>(item - listed->children);
    const uint32_t earlier = index < placeComparison->match.earlierOf.size() ? placeComparison->match.earlierOf[index]
                                                                              : COMPARE_NONE;
    if (earlier == COMPARE_NONE) {
        *isNew = true;
        *change = SizeChange{false, item->total};
        return true;
    }
    *change = ChangeBetween(placeComparison->earlierListed->children[earlier].total, item->total);
    return true;
}

QString SignedSizeText(const SizeChange& change) {
    if (change.magnitude == 0) return SizeText(0);
    return (change.negative ? u'-' : u'+') + SizeText(change.magnitude);
}

QString ChangeCellText(const ListRow* row) {
    SizeChange change;
    bool isNew = false;
    if (!RowChange(row, &change, &isNew)) return QString();
    if (isNew) return StringText(STR_CHANGE_NEW);
    return SignedSizeText(change);
}

QString ComparisonStatusText() {
    if (!placeComparison || listMode != LIST_CONTENTS || listedStanding == LISTED_OUTSIDE || !placeComparison->listed)
        return QString();
    const uint64_t before = PlaceTotal(placeComparison->earlierListed);
    return ChangeSinceText(ChangeBetween(before, PlaceTotal(placeComparison->listed)));
}

QString FolderChangeText(const ItemNode* folder) {
    if (!placeComparison || !folder || !(folder->flags & ITEM_SCANNED) || (folder->flags & ITEM_ROOT))
        return QString();
    const ItemNode* earlier = nullptr;
    if (Locate(ScannedHostPath(folder), &earlier) == LISTED_OUTSIDE) return QString();
    if (!earlier) return StringText(STR_CHANGE_NEW) + u' ' + StringText(STR_COMPARE_SINCE) + u' ' + EarlierDateText();
    return ChangeSinceText(ChangeBetween(PlaceTotal(earlier), PlaceTotal(folder)));
}

void RecountComparison() {
    if (placeComparison && placeComparison->earlier.root) ComputeTotals(placeComparison->earlier.root);
}
