#include "model/scan_compare.h"

#include <algorithm>

#include "model/scan_file.h"

namespace {

// Folders with fewer entries than this are matched pair by pair; a table
// costs more than it saves there.
constexpr uint32_t COMPARE_TABLE_MIN = 16;

uint32_t NameHash(const char16_t* name) {
    uint32_t hash = 2166136261u;
    for (; *name; ++name) hash = (hash ^ static_cast<uint32_t>(*name)) * 16777619u;
    return hash;
}

bool IsFolder(const ItemNode* item) { return (item->flags & ITEM_FOLDER) != 0; }

// Matches folders one after another with one table of earlier entries by
// name, kept between folders so that a whole tree costs one allocation.
class FolderMatcher {
public:
    void Match(const ItemNode* earlier, const ItemNode* later, FolderMatch* match) {
        const uint32_t earlierCount = earlier ? earlier->childCount : 0;
        const uint32_t laterCount = later ? later->childCount : 0;
        match->earlierOf.assign(laterCount, COMPARE_NONE);
        match->gone.clear();
        used.assign(earlierCount, 0);
        if (earlierCount > 0 && laterCount > 0) {
            if (earlierCount < COMPARE_TABLE_MIN && laterCount < COMPARE_TABLE_MIN)
                MatchPairwise(earlier->children, earlierCount, later->children, laterCount, match);
            else
                MatchByTable(earlier->children, earlierCount, later->children, laterCount, match);
        }
        for (uint32_t j = 0; j < earlierCount; ++j) {
            if (!used[j]) match->gone.push_back(j);
        }
    }

private:
    static bool Matches(const ItemNode& earlier, const ItemNode& later) {
        return IsFolder(&earlier) == IsFolder(&later) && SameName(earlier.name, later.name);
    }

    void MatchPairwise(const ItemNode* earlier, uint32_t earlierCount, const ItemNode* later, uint32_t laterCount,
                       FolderMatch* match) {
        for (uint32_t i = 0; i < laterCount; ++i) {
            if (later[i].flags & ITEM_REMOVED) continue;
            for (uint32_t j = 0; j < earlierCount; ++j) {
                if (!used[j] && Matches(earlier[j], later[i])) {
                    used[j] = 1;
                    match->earlierOf[i] = j;
                    break;
                }
            }
        }
    }

    // Open addressing over a power of two at least twice the entries; a
    // slot holds an earlier index + 1. Entries of one name (a scan file may
    // hold several) each match one later entry, in order.
    void MatchByTable(const ItemNode* earlier, uint32_t earlierCount, const ItemNode* later, uint32_t laterCount,
                      FolderMatch* match) {
        size_t size = 1;
        while (size < static_cast<size_t>(earlierCount) * 2) size <<= 1;
        table.assign(size, 0);
        const size_t mask = size - 1;
        for (uint32_t j = 0; j < earlierCount; ++j) {
            size_t slot = NameHash(earlier[j].name) & mask;
            while (table[slot]) slot = (slot + 1) & mask;
            table[slot] = j + 1;
        }
        for (uint32_t i = 0; i < laterCount; ++i) {
            if (later[i].flags & ITEM_REMOVED) continue;
            for (size_t slot = NameHash(later[i].name) & mask; table[slot]; slot = (slot + 1) & mask) {
                const uint32_t j = table[slot] - 1;
                if (!used[j] && Matches(earlier[j], later[i])) {
                    used[j] = 1;
                    match->earlierOf[i] = j;
                    break;
                }
            }
        }
    }

    std::vector<uint32_t> table;
    std::vector<uint8_t> used;
};

// An entry taking part in a report, before its path is made.
struct Candidate {
    const ItemNode* item;  // the later record; the earlier one for a gone entry
    ChangeKind kind;
    uint64_t before;
    uint64_t after;
    SizeChange change;
    uint64_t order;  // the walk's order, so that ties keep one order
};

// Whether a ranks before b: the larger change first, then the one met first.
bool RanksBefore(const Candidate& a, const Candidate& b) {
    if (a.change.magnitude != b.change.magnitude) return a.change.magnitude > b.change.magnitude;
    return a.order < b.order;
}

// The best `top` candidates of one direction: a heap whose first is the
// worst kept, so a candidate that cannot enter costs one comparison.
class TopChanges {
public:
    explicit TopChanges(size_t limit) : top(limit) {}

    void Offer(const Candidate& candidate) {
        if (top == 0) return;
        if (kept.size() < top) {
            kept.push_back(candidate);
            std::push_heap(kept.begin(), kept.end(), RanksBefore);
        } else if (RanksBefore(candidate, kept.front())) {
            std::pop_heap(kept.begin(), kept.end(), RanksBefore);
            kept.back() = candidate;
            std::push_heap(kept.begin(), kept.end(), RanksBefore);
        }
    }

    std::vector<Candidate> Sorted() {
        std::vector<Candidate> sorted = kept;
        std::sort(sorted.begin(), sorted.end(), RanksBefore);
        return sorted;
    }

private:
    size_t top;
    std::vector<Candidate> kept;
};

}  // namespace

bool SameName(const char16_t* a, const char16_t* b) {
    if (!a || !b) return a == b;
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

void MatchFolders(const ItemNode* earlier, const ItemNode* later, FolderMatch* match) {
    FolderMatcher matcher;
    matcher.Match(earlier, later, match);
}

const ItemNode* FindEarlierPlace(const ItemNode* earlierTop, const ItemNode* laterTop, const ItemNode* later) {
    std::vector<const ItemNode*> chain;
    for (const ItemNode* node = later; node != laterTop; node = node->parent) {
        if (!node) return nullptr;  // later does not lie below laterTop
        chain.push_back(node);
    }
    const ItemNode* at = earlierTop;
    for (size_t k = chain.size(); k-- > 0 && at;) {
        const ItemNode* found = nullptr;
        for (uint32_t j = 0; j < at->childCount && !found; ++j) {
            const ItemNode& child = at->children[j];
            if (IsFolder(&child) && SameName(child.name, chain[k]->name)) found = &child;
        }
        at = found;
    }
    return at;
}

uint64_t PlaceTotal(const ItemNode* place) {
    if (!place) return 0;
    if (!(place->flags & ITEM_DRIVE)) return place->total;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < place->childCount; ++i) {
        if (!(place->children[i].flags & ITEM_REMOVED)) sum += place->children[i].total;
    }
    return sum;
}

SizeChange ChangeBetween(uint64_t before, uint64_t after) {
    return after >= before ? SizeChange{false, after - before} : SizeChange{true, before - after};
}

bool ChangeLess(const SizeChange& a, const SizeChange& b) {
    if (a.negative != b.negative) return a.negative;
    return a.negative ? a.magnitude > b.magnitude : a.magnitude < b.magnitude;
}

void CompareScans(const ItemNode* earlierRoot, const ItemNode* laterRoot, size_t top,
                  const std::string& earlierRootPath, const std::string& laterRootPath, ScanComparison* result) {
    *result = ScanComparison{};
    result->totalBefore = PlaceTotal(earlierRoot);
    result->totalAfter = PlaceTotal(laterRoot);
    TopChanges grown(top);
    TopChanges shrunk(top);
    FolderMatcher matcher;
    FolderMatch match;
    uint64_t order = 0;
    struct Pair {
        const ItemNode* earlier;
        const ItemNode* later;
    };
    std::vector<Pair> pending{{earlierRoot, laterRoot}};
    while (!pending.empty()) {
        const Pair pair = pending.back();
        pending.pop_back();
        matcher.Match(pair.earlier, pair.later, &match);
        for (uint32_t i = 0; pair.later && i < pair.later->childCount; ++i) {
            const ItemNode* later = &pair.later->children[i];
            if (later->flags & ITEM_REMOVED) continue;
            const uint32_t j = match.earlierOf[i];
            if (j == COMPARE_NONE) {
                grown.Offer({later, CHANGE_NEW, 0, later->total, {false, later->total}, order++});
                continue;
            }
            const ItemNode* earlier = &pair.earlier->children[j];
            const SizeChange change = ChangeBetween(earlier->total, later->total);
            if (change.magnitude != 0) {
                Candidate candidate{later, CHANGE_CHANGED, earlier->total, later->total, change, order++};
                if (change.negative)
                    shrunk.Offer(candidate);
                else
                    grown.Offer(candidate);
            }
            if (IsFolder(later)) pending.push_back({earlier, later});
        }
        for (uint32_t j : match.gone) {
            const ItemNode* earlier = &pair.earlier->children[j];
            shrunk.Offer({earlier, CHANGE_GONE, earlier->total, 0, {true, earlier->total}, order++});
        }
    }
    auto report = [&](TopChanges* changes, std::vector<ScanChange>* out) {
        for (const Candidate& candidate : changes->Sorted()) {
            ScanChange entry;
            entry.path = candidate.kind == CHANGE_GONE
                             ? HostPathBelow(candidate.item, earlierRoot, earlierRootPath)
                             : HostPathBelow(candidate.item, laterRoot, laterRootPath);
            entry.kind = candidate.kind;
            entry.before = candidate.before;
            entry.after = candidate.after;
            entry.change = candidate.change;
            out->push_back(std::move(entry));
        }
    };
    report(&grown, &result->grown);
    report(&shrunk, &result->shrunk);
}
