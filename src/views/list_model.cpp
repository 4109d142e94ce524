#include "views/list_model.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "model/format.h"
#include "platform/storage_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "views/image_list.h"
#include "views/link_type.h"
#include "views/list_columns.h"
#include "views/list_sort.h"
#include "views/place_comparison.h"
#include "views/size_choice.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

ShownRows shownRows = {};
uint64_t listedTotal = 0;
uint64_t listDataRequests = 0;
ListModel* listModel = nullptr;

namespace {

constexpr uint32_t NOT_SHOWN = UINT32_MAX;

// "%d%%" of a share.
QString PercentText(uint64_t part, uint64_t whole) { return QString::number(Percent(part, whole)) + u'%'; }

QString DriveCellText(const ItemNode* drive, int column) {
    switch (column) {
    case 0: return DisplayName(drive->name);
    case 1: return SizeText(drive->total);
    case 2: return SizeText(drive->ownSize);
    case 3: return PercentText(drive->ownSize, drive->total);
    case 4: return SizeText(DriveFreeBytes(drive));
    default: return QString();
    }
}

// A contents row's cell; Type and Modified are fetched the first time a
// cell of theirs is asked for.
QString ContentsCellText(ListRow* row, int column) {
    const ItemNode* item = row->item;
    if (column == LIST_CHANGE_COLUMN) return ChangeCellText(row);
    // A gone row: its name, "gone" for its size, its type and date.
    if (IsEarlierRecord(item) && (column == 1 || column == 2)) {
        if (column == 2) return QString();
        char16_t text[32];
        LoadStringText(STR_CHANGE_GONE, text, 32);
        return QString::fromUtf16(text);
    }
    switch (column) {
    case 0: return DisplayName(item->name);
    case 1: return (item->flags & (ITEM_INCOMPLETE | ITEM_UNREADABLE)) ? LowerBoundText(SizeText(item->total))
                                                                       : SizeText(item->total);
    case 2: return PercentText(item->total, listedTotal);
    case 3:
        if (!row->typeName && !FetchTypeName(row)) return QString();
        return QString::fromUtf16(row->typeName);
    case 4: {
        if (row->modified == 0) FetchModifiedTime(row);
        if (row->modified == MODIFIED_NONE) return QString();
        char16_t text[32] = {};
        FormatModified(UnixSecondsOfTimeStamp(row->modified), text, 32);
        return QString::fromUtf16(text);
    }
    default: return QString();
    }
}

// The row's image: the drive image for drives; for entries the image list's
// answer, kept once found so it is never asked again for this row.
int RowImage(uint32_t record) {
    const ItemNode* item = listRows[record].item;
    if (listMode == LIST_DRIVES) return DriveImageOf(item);
    int32_t& kept = shownRows.images[record];
    if (kept > 0) return kept - 1;
    int image = ListImageOf(item);
    if (image >= 0) kept = image + 1;
    return image;
}

void RebuildPositions() {
    std::fill(shownRows.positions, shownRows.positions + listRowCount, NOT_SHOWN);
    for (uint32_t p = 0; p < shownRows.count; ++p) shownRows.positions[shownRows.order[p]] = p;
    shownRows.positionsValid = true;
}

}  // namespace

int ShownColumnCount() { return LIST_COLUMNS + (ChangeColumnShown() ? 1 : 0); }

QString GroupedText(uint64_t value) {
    char16_t text[THOUSANDS_CHARS];
    FormatThousands(text, THOUSANDS_CHARS, value);
    return QString::fromUtf16(text);
}

int ListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(shownRows.count);
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || listMode == LIST_NONE ? 0 : ShownColumnCount();
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // A gone row is shown greyed and can be neither selected nor opened.
    if (static_cast<uint32_t>(index.row()) < shownRows.count &&
        IsEarlierRecord(listRows[shownRows.order[index.row()]].item))
        return Qt::ItemNeverHasChildren;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    ++listDataRequests;
    if (!index.isValid() || static_cast<uint32_t>(index.row()) >= shownRows.count) return QVariant();
    const uint32_t record = shownRows.order[index.row()];
    ListRow* row = &listRows[record];
    if (!row->item) return QVariant();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return listMode == LIST_DRIVES ? DriveCellText(row->item, column) : ContentsCellText(row, column);
    case Qt::DecorationRole: {
        if (column != 0) return QVariant();
        int image = RowImage(record);
        if (image < 0) return QVariant();
        const bool marked = row->item->flags & ITEM_MARKED;
        if (row->item->flags & ITEM_UNREADABLE) return SmallImageUnreadable(marked);
        if (row->item->flags & ITEM_LINK) return SmallImageLinked(image, marked);
        return marked ? SmallImageMarked(image) : SmallImage(image);
    }
    case Qt::ToolTipRole: {
        if (column == 0) return UnreadableReason(row->item);
        // A size shown in units tells its exact bytes on demand.
        if (listMode == LIST_CONTENTS && column == 1) return SizeToolTip(row->item->total);
        if (listMode == LIST_CONTENTS && column == LIST_CHANGE_COLUMN && sizeUnits) {
            SizeChange change;
            bool isNew = false;
            if (RowChange(row, &change, &isNew) && change.magnitude)
                return (change.negative ? u'-' : u'+') + GroupedText(change.magnitude);
        }
        if (listMode == LIST_DRIVES && (column == 1 || column == 2 || column == 4)) {
            const ItemNode* drive = row->item;
            return SizeToolTip(column == 1 ? drive->total : column == 2 ? drive->ownSize : DriveFreeBytes(drive));
        }
        return QVariant();
    }
    case Qt::AccessibleDescriptionRole:
        // The deletion cross and the unreadable sign are painted over the
        // icon; screen readers hear them.
        if (column != 0) return QVariant();
        if (IsEarlierRecord(row->item)) {
            char16_t text[32];
            LoadStringText(STR_CHANGE_GONE, text, 32);
            return QString::fromUtf16(text);
        }
        if (row->item->flags & ITEM_UNREADABLE) {
            QString reason = UnreadableReason(row->item);
            return (row->item->flags & ITEM_MARKED) ? StringText(STR_MARKED_AND).arg(reason) : reason;
        }
        if (row->item->flags & ITEM_LINK)
            return (row->item->flags & ITEM_MARKED) ? StringText(STR_MARKED_AND).arg(StringText(STR_SYMBOLIC_LINK))
                                                    : StringText(STR_SYMBOLIC_LINK);
        if (row->item->flags & ITEM_MARKED) return StringText(STR_MARKED);
        return QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(column) | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ShownColumnCount() || listMode == LIST_NONE)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return ColumnHeaderText(section);
    case Qt::DecorationRole: {
        QIcon image = SmallImage(ColumnHeaderImage(section));
        return image.isNull() ? QVariant() : QVariant(image);
    }
    case Qt::AccessibleDescriptionRole: {
        const int image = ColumnHeaderImage(section);
        if (image == IMAGE_ARROW_UP) return StringText(STR_SORTED_ASCENDING);
        if (image == IMAGE_ARROW_DOWN) return StringText(STR_SORTED_DESCENDING);
        return QVariant();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(section) | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

void ListModel::ReorderShown(RowOrdering ordering, bool announce) {
    uint32_t* order = shownRows.order;
    if (shownRows.count < 2) return;
    QModelIndexList before;
    std::vector<uint32_t> records;
    if (announce) {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        // Selection and focus belong to records, not to positions.
        before = persistentIndexList();
        records.reserve(static_cast<size_t>(before.size()));
        for (const QModelIndex& index : before) records.push_back(order[index.row()]);
    }
    ordering(order, shownRows.count);
    shownRows.positionsValid = false;
    if (!announce) return;
    RebuildPositions();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.push_back(index(static_cast<int>(shownRows.positions[records[static_cast<size_t>(i)]]),
                              before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListModel::RemoveShownOfRemovedItems() {
    uint32_t* order = shownRows.order;
    auto gone = [order](uint32_t position) { return (listRows[order[position]].item->flags & ITEM_REMOVED) != 0; };
    // Runs of such rows leave from the last to the first, so that positions
    // before a run stay as they are and each run is one removal for the view.
    uint32_t end = shownRows.count;
    while (end > 0) {
        if (!gone(end - 1)) {
            --end;
            continue;
        }
        uint32_t first = end - 1;
        while (first > 0 && gone(first - 1)) --first;
        beginRemoveRows(QModelIndex(), static_cast<int>(first), static_cast<int>(end - 1));
        std::memmove(order + first, order + end, (shownRows.count - end) * sizeof(uint32_t));
        shownRows.count -= end - first;
        shownRows.positionsValid = false;
        endRemoveRows();
        end = first;
    }
}

void ListModel::RowChanged(int position) {
    if (position < 0 || static_cast<uint32_t>(position) >= shownRows.count || listMode == LIST_NONE) return;
    emit dataChanged(index(position, 0), index(position, ShownColumnCount() - 1));
}

void ListModel::ColumnChanged(int column) {
    if (shownRows.count == 0 || listMode == LIST_NONE) return;
    emit dataChanged(index(0, column), index(static_cast<int>(shownRows.count) - 1, column), {Qt::DisplayRole});
}

void ListModel::HeaderChanged() {
    if (listMode != LIST_NONE) emit headerDataChanged(Qt::Horizontal, 0, ShownColumnCount() - 1);
}

bool AllocateFill(uint32_t count, ListRow** rows, ShownRows* shown) {
    *rows = nullptr;
    *shown = {};
    if (count == 0) return true;
    auto* records = static_cast<ListRow*>(std::calloc(count, sizeof(ListRow)));
    // order, positions and images: three 32-bit words per row.
    auto* words = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(count) * 3, sizeof(uint32_t)));
    if (!records || !words) {
        std::free(records);
        std::free(words);
        return false;
    }
    *rows = records;
    shown->order = words;
    shown->positions = words + count;
    shown->images = reinterpret_cast<int32_t*>(words + 2 * static_cast<size_t>(count));
    for (uint32_t i = 0; i < count; ++i) shown->order[i] = i;
    shown->count = count;
    return true;
}

void FreeFillArrays() {
    // The rows that borrowed the links' type texts go with the array.
    ForgetLinkTypeTexts();
    std::free(listRows);
    std::free(shownRows.order);
    listRows = nullptr;
    listRowCount = 0;
    shownRows = {};
}

int ShownPositionOf(uint32_t record) {
    if (record >= listRowCount) return -1;
    if (!shownRows.positionsValid) RebuildPositions();
    const uint32_t position = shownRows.positions[record];
    return position == NOT_SHOWN ? -1 : static_cast<int>(position);
}

const uint32_t* ShownPositions() {
    if (!shownRows.positionsValid && shownRows.positions) RebuildPositions();
    return shownRows.positions;
}

