// The table model behind the list pane. It is a view over the ListRow records
// of the last fill, shown in the order of a permutation array: filling,
// sorting and removing rows never copy a record, a fill is announced once,
// and a row's costly cells are computed only when the view asks for them.
#pragma once

#include "model/display_name.h"

#include <cstdint>

#include <QAbstractTableModel>

#include "views/contents_list.h"

constexpr int LIST_COLUMNS = 5;
// The column a comparison adds to the contents set, after the five kept in
// the settings record.
constexpr int LIST_CHANGE_COLUMN = 5;

// The columns shown now: the set's five, and Change while a comparison is on.
int ShownColumnCount();

// What a fill shows, beside its ListRow block: the display order and, per
// record, its display position and its cached image. One zeroed block.
struct ShownRows {
    uint32_t* order;      // display position -> record index
    uint32_t* positions;  // record index -> display position; UINT32_MAX when not shown
    int32_t* images;      // record index -> image + 1; 0 not asked yet
    uint32_t count;       // rows shown now
    bool positionsValid;  // positions follow order
};

extern ShownRows shownRows;

// The listed total the Possession column is relative to.
extern uint64_t listedTotal;

// data() requests answered since start, so a benchmark can tell how many
// cells scrolling touches.
extern uint64_t listDataRequests;

// Puts the display order (count record indexes) into a new order.
using RowOrdering = void (*)(uint32_t* order, uint32_t count);

class ListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // A whole new content (a fill, an empty list, a switch of column sets)
    // is announced once, between these two.
    void BeginReset() { beginResetModel(); }
    void EndReset() { endResetModel(); }

    // Puts the shown rows into the order that ordering gives. With announce,
    // the view hears one layout change and selection and focus stay on
    // their records; inside a reset nothing is announced.
    void ReorderShown(RowOrdering ordering, bool announce);

    // Takes the rows whose items are flagged ITEM_REMOVED out of the display
    // order.
    void RemoveShownOfRemovedItems();

    // Repaints every cell of one row, or one column of every row.
    void RowChanged(int position);
    void ColumnChanged(int column);

    // The header's texts or images changed.
    void HeaderChanged();
};

// The model of the list pane while it exists.
extern ListModel* listModel;

// Allocates the row records and the display arrays of a fill of count rows,
// each in one zeroed block, the order set to insertion order. False, and
// nothing allocated, when memory runs out.
bool AllocateFill(uint32_t count, ListRow** rows, ShownRows* shown);

// Frees listRows and shownRows without announcing anything; the caller
// announces the change (or the view has no rows).
void FreeFillArrays();

// The display position of record index, or -1.
int ShownPositionOf(uint32_t record);

// The display position of every record (UINT32_MAX when not shown), brought
// up to date first.
const uint32_t* ShownPositions();

// A byte count with its thousands grouped ("1,234,567"), as the list and the
// status bar show it.
QString GroupedText(uint64_t value);

