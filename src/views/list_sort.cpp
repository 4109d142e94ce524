#include "views/list_sort.h"

#include <QCursor>
#include <QGuiApplication>

#include <vector>

#include "model/format.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/storage_device.h"
#include "views/list_model.h"
#include "views/type_cache.h"

namespace {

// -1, 0 or 1 for two unsigned keys, ascending.
int CompareKeys(uint64_t a, uint64_t b) { return a < b ? -1 : (a > b ? 1 : 0); }

// A drive's free bytes; never below 0, even when a device reports more used
// bytes than its capacity.
uint64_t FreeBytes(const ItemNode* drive) { return drive->total > drive->ownSize ? drive->total - drive->ownSize : 0; }

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
    case 4: result = CompareKeys(FreeBytes(x), FreeBytes(y)); break;
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
    case 2: result = CompareKeys(b->item->total, a->item->total); break;
    case 3:
        if (!a->typeName) FetchTypeName(a);
        if (!b->typeName) FetchTypeName(b);
        if (a->typeName && b->typeName) result = CompareNames(a->typeName, b->typeName);
        break;
    case 4:
        if (a->modified == 0) FetchModifiedTime(a);
        if (b->modified == 0) FetchModifiedTime(b);
        result = CompareKeys(a->modified, b->modified);
        break;
    default: return 0;
    }
    return contentsSortReversed ? -result : result;
}

bool FetchTypeName(ListRow* row) {
    const ItemNode* item = row->item;
    if (!item) return false;
    if ((item->flags & ITEM_DATABASE) && !(item->flags & ITEM_FOLDER)) {
        row->typeName = databaseFolderName;
        return true;
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
    uint64_t time = 0;
    bool found = false;
    if (!(item->flags & ITEM_DATABASE)) {
        char16_t path[PATH_CHARS];
        found = ItemPath(path, PATH_CHARS, item) && Device()->LastWriteTime(path, &time);
    } else if (!(item->flags & ITEM_FOLDER)) {
        std::vector<DatabaseInfo> databases;
        if (Device()->ReadDatabases(&databases)) {
            for (DatabaseInfo& database : databases) {
                database.name[31] = 0;
                if (CompareNames(database.name, item->name) != 0) continue;
                time = database.modified;
                found = true;
                break;
            }
        }
    }
    // 0 and 1 would read as "not fetched" and "no time": such a time is no
    // time, and it is not asked for again.
    if (!found || time <= MODIFIED_NONE) return false;
    row->modified = time;
    return true;
}

void SortShownRows(bool announce) {
    if (!listModel || listMode == LIST_NONE) return;
    const bool contents = listMode == LIST_CONTENTS;
    const int column = contents ? contentsSortColumn : driveSortColumn;
    const bool waitCursor = contents || announce;
    if (waitCursor) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (contents && (column == 3 || column == 4)) {
        // Each row's key is fetched once up front, so the comparisons that
        // follow only read it.
        for (uint32_t p = 0; p < shownRows.count; ++p) {
            ListRow* row = &listRows[shownRows.order[p]];
            if (column == 3 && !row->typeName) FetchTypeName(row);
            if (column == 4 && row->modified == 0) FetchModifiedTime(row);
        }
    }
    listModel->SortShown(contents ? CompareContentsRows : CompareDriveRows, column, announce);
    if (waitCursor) QGuiApplication::restoreOverrideCursor();
}
