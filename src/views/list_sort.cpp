#include "views/list_sort.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "model/format.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/text.h"
#include "platform/storage_device.h"
#include "views/link_type.h"
#include "views/list_columns.h"
#include "views/list_model.h"
#include "views/place_comparison.h"
#include "views/type_cache.h"

namespace {

// -1, 0 or 1 for two unsigned keys, ascending.
int CompareKeys(uint64_t a, uint64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// A signed time as an unsigned key of the same order.
uint64_t TimeKey(int64_t time) { return static_cast<uint64_t>(time) ^ (UINT64_C(1) << 63); }

// The column of the sort under way, for the orderings below.
int sortingColumn = 0;

// A row's size as sizes sort: a gone row has none now, and sorts below
// every entry there is.
uint64_t RowSizeKey(const ListRow& row) { return IsEarlierRecord(row.item) ? 0 : row.item->total; }

// A row's change as one unsigned key in the order of the signed changes:
// shrinking below 2^63, growing above; a row without a change in the middle.
uint64_t RowChangeKey(const ListRow& row) {
    constexpr uint64_t MIDDLE = uint64_t(1) << 63;
    SizeChange change;
    bool isNew = false;
    if (!RowChange(&row, &change, &isNew)) return MIDDLE;
    if (change.negative) return MIDDLE - std::min(change.magnitude, MIDDLE);
    return MIDDLE + std::min(change.magnitude, MIDDLE - 1);
}

// A contents row's sort key: its size or time, or twelve folded code units
// of its name, with its place in the present order. The keys are made walking
// the records in memory order (the order of the items and their names) and
// sorted as one compact array, so a sort of many rows neither jumps from row
// to item to name at every comparison nor needs a stable sort: rows with
// equal keys keep their present order through position.
struct SortKey {
    uint64_t key[3];  // size or time in key[0]; or folded name units, four per word
    uint32_t record;
    uint32_t position;
};

constexpr uint32_t NOT_SHOWN = UINT32_MAX;

// Four folded code units of name from *at on, packed so that comparing the
// numbers compares the units in order; a name that ends counts as lower
// than any unit, as a name goes before the longer names it begins.
uint64_t PackFoldedUnits(const char16_t* name, size_t* at) {
    uint64_t packed = 0;
    for (int i = 0; i < 4; ++i) {
        const char16_t unit = name[*at];
        packed <<= 16;
        if (unit == 0) continue;
        packed |= FoldNameUnit(unit);
        ++*at;
    }
    return packed;
}

// The number of leading code units that every shown name has in common once
// folded (IMG_, file0...): the name keys start after them, where names differ.
size_t SharedFoldedPrefix(const uint32_t* positions) {
    const char16_t* first = nullptr;
    size_t shared = 0;
    for (uint32_t record = 0; record < listRowCount; ++record) {
        const ItemNode* item = listRows[record].item;
        if (positions[record] == NOT_SHOWN) continue;
        if (!item) return 0;
        if (!first) {
            first = item->name;
            shared = TextLength(first);
            continue;
        }
        size_t at = 0;
        while (at < shared && item->name[at] && FoldNameUnit(item->name[at]) == FoldNameUnit(first[at])) ++at;
        shared = at;
        if (shared == 0) break;
    }
    return shared;
}

// The stable sort by the set's comparison function itself.
void OrderByComparison(uint32_t* order, uint32_t count) {
    const auto compare = listMode == LIST_CONTENTS ? CompareContentsRows : CompareDriveRows;
    std::stable_sort(order, order + count, [compare](uint32_t a, uint32_t b) {
        return compare(&listRows[a], &listRows[b], sortingColumn) < 0;
    });
}

// The same order as OrderByComparison gives for the contents columns Name,
// Size, Possession and Modified, from keys: names whose keys are equal are
// told apart by the name comparison itself.
void OrderByKeys(uint32_t* order, uint32_t count) {
    const uint32_t* positions = ShownPositions();
    auto* keys = static_cast<SortKey*>(std::calloc(count, sizeof(SortKey)));
    if (!keys || !positions) {
        std::free(keys);
        OrderByComparison(order, count);
        return;
    }
    const int column = sortingColumn;
    const size_t shared = column == 0 ? SharedFoldedPrefix(positions) : 0;
    uint32_t made = 0;
    for (uint32_t record = 0; record < listRowCount && made < count; ++record) {
        if (positions[record] == NOT_SHOWN) continue;
        const ListRow& row = listRows[record];
        SortKey& key = keys[made++];
        key.record = record;
        key.position = positions[record];
        if (!row.item) continue;
        if (column == 0) {
            size_t at = shared;
            for (uint64_t& word : key.key) word = PackFoldedUnits(row.item->name, &at);
        } else {
            key.key[0] = column == 4                    ? TimeKey(row.modified)
                         : column == LIST_CHANGE_COLUMN ? RowChangeKey(row)
                                                        : RowSizeKey(row);
        }
    }
    const bool descending = NaturalDescending(LIST_CONTENTS, column) != contentsSortReversed;
    const bool names = column == 0;
    std::sort(keys, keys + made, [descending, names](const SortKey& x, const SortKey& y) {
        int result = CompareKeys(x.key[0], y.key[0]);
        if (result == 0) result = CompareKeys(x.key[1], y.key[1]);
        if (result == 0) result = CompareKeys(x.key[2], y.key[2]);
        if (result == 0 && names) {
            const ItemNode* a = listRows[x.record].item;
            const ItemNode* b = listRows[y.record].item;
            if (a && b) result = CompareNames(a->name, b->name);
        }
        if (result != 0) return descending ? result > 0 : result < 0;
        return x.position < y.position;
    });
    for (uint32_t i = 0; i < made; ++i) order[i] = keys[i].record;
    std::free(keys);
}

// The time of the database named name in databases as a stamp, or
// MODIFIED_NONE: a file time of 0 or 1 is no time either.
int64_t DatabaseTime(const std::vector<DatabaseInfo>& databases, const char16_t* name) {
    for (const DatabaseInfo& database : databases) {
        if (CompareNames(database.name, name) != 0) continue;
        const int64_t stamp = database.modified > 1 ? TimeStampOfFileTime(database.modified) : 0;
        return stamp != 0 ? stamp : MODIFIED_NONE;
    }
    return MODIFIED_NONE;
}

// Fills the time of row, a database's, and of every other database row not
// fetched yet: the object store lists all databases in one reading, which a
// row at a time would repeat for each. Row keeps MODIFIED_NONE when the
// reading fails; the others are left to their own fetch.
void FetchDatabaseTimes(ListRow* row) {
    std::vector<DatabaseInfo> databases;
    if (!Device()->ReadDatabases(&databases)) return;
    for (DatabaseInfo& database : databases) database.name[31] = 0;
    row->modified = DatabaseTime(databases, row->item->name);
    for (uint32_t record = 0; record < listRowCount; ++record) {
        ListRow& other = listRows[record];
        const ItemNode* item = other.item;
        if (other.modified != 0 || !item || (item->flags & (ITEM_DATABASE | ITEM_FOLDER)) != ITEM_DATABASE) continue;
        other.modified = DatabaseTime(databases, item->name);
    }
}

}  // namespace

int CompareDriveRows(ListRow* a, ListRow* b, int column) {
    if (!a || !b || !a->item || !b->item) return 0;
    const ItemNode* x = a->item;
    const ItemNode* y = b->item;
    int result = 0;
    switch (column) {
    case 0: result = CompareNames(x->name, y->name); break;
    case 1: result = CompareKeys(x->total, y->total); break;
    case 2: result = CompareKeys(x->ownSize, y->ownSize); break;
    case 3: result = CompareKeys(Percent(x->ownSize, x->total), Percent(y->ownSize, y->total)); break;
    case 4: result = CompareKeys(DriveFreeBytes(x), DriveFreeBytes(y)); break;
    default: return 0;
    }
    return driveSortReversed ? -result : result;
}

int CompareContentsRows(ListRow* a, ListRow* b, int column) {
    if (!a || !b || !a->item || !b->item) return 0;
    int result = 0;
    switch (column) {
    case 0: result = CompareNames(a->item->name, b->item->name); break;
    case 1:
    case 2: result = CompareKeys(RowSizeKey(*a), RowSizeKey(*b)); break;
    case LIST_CHANGE_COLUMN: result = CompareKeys(RowChangeKey(*a), RowChangeKey(*b)); break;
    case 3:
        if (!a->typeName) FetchTypeName(a);
        if (!b->typeName) FetchTypeName(b);
        if (a->typeName && b->typeName) result = CompareNames(a->typeName, b->typeName);
        break;
    case 4:
        if (a->modified == 0) FetchModifiedTime(a);
        if (b->modified == 0) FetchModifiedTime(b);
        result = CompareKeys(TimeKey(a->modified), TimeKey(b->modified));
        break;
    default: return 0;
    }
    if (NaturalDescending(LIST_CONTENTS, column)) result = -result;
    return contentsSortReversed ? -result : result;
}

bool FetchTypeName(ListRow* row) {
    const ItemNode* item = row->item;
    if (!item) return false;
    if ((item->flags & ITEM_DATABASE) && !(item->flags & ITEM_FOLDER)) {
        row->typeName = databaseFolderName;
        return true;
    }
    // A link is no kind of file: its row says where it points.
    if (item->flags & ITEM_LINK) {
        row->typeName = LinkTypeText(item);
        return row->typeName != nullptr;
    }
    const TypeCacheEntry* entry = LookupFileType(item);
    if (!entry || !entry->typeName) return false;
    row->typeName = entry->typeName;
    return true;
}

bool FetchModifiedTime(ListRow* row) {
    const ItemNode* item = row->item;
    row->modified = MODIFIED_NONE;
    if (!item) return false;
    if (item->flags & ITEM_DATABASE) {
        if (!(item->flags & ITEM_FOLDER)) FetchDatabaseTimes(row);
        return row->modified != MODIFIED_NONE;
    }
    // The scan kept the time, to the millisecond: nothing is read again.
    if (item->modified == 0) return false;
    row->modified = item->modified;
    return true;
}

void SortShownRows(bool announce) {
    if (!listModel || listMode == LIST_NONE) return;
    const bool contents = listMode == LIST_CONTENTS;
    const int column = contents ? contentsSortColumn : driveSortColumn;
    const bool waitCursor = contents || announce;
    if (waitCursor) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (contents && (column == 3 || column == 4)) {
        // Each shown row's key is fetched once up front, in memory order, so
        // the comparisons that follow only read it.
        const uint32_t* positions = ShownPositions();
        for (uint32_t record = 0; positions && record < listRowCount; ++record) {
            if (positions[record] == NOT_SHOWN) continue;
            ListRow* row = &listRows[record];
            if (column == 3 && !row->typeName) FetchTypeName(row);
            if (column == 4 && row->modified == 0) FetchModifiedTime(row);
        }
    }
    sortingColumn = column;
    // The type texts are few and shared; every other contents column sorts
    // by keys.
    listModel->ReorderShown(contents && column != 3 ? OrderByKeys : OrderByComparison, announce);
    if (waitCursor) QGuiApplication::restoreOverrideCursor();
}
