// The list pane (control 904): the drives of the root, one row per drive, or
// the entries of a drive or folder, one row per entry that is not removed.
// It is a view over a table model whose rows are the ListRow records of one
// allocated array; the costly cells (type, date, icon) are fetched the first
// time a row is painted or a sort needs them, then kept.
#pragma once

#include <cstdint>
#include <vector>

#include "model/item_node.h"

class QTreeView;
class QWidget;

// The record behind one row; the view's model keeps a pointer to it.
struct ListRow {
    const char16_t* typeName;  // borrowed (type cache, shared text, "Database"); none until fetched
    int64_t modified;          // TimeStamp; 0 not fetched, MODIFIED_NONE fetched without a time
    ItemNode* item;
};

// Below every stamp, so the rows without a time sort before all dated rows.
constexpr int64_t MODIFIED_NONE = INT64_MIN;

enum ListMode {
    LIST_NONE = 0,
    LIST_DRIVES = 1,
    LIST_CONTENTS = 2,
};

extern ListMode listMode;
// The one array behind the rows now shown (insertion order), and its size.
extern ListRow* listRows;
extern uint32_t listRowCount;

// The list pane, made by the main window; none before.
extern QTreeView* listPane;
// The pane, tree or list, that last received the focus; none at first.
extern QWidget* focusPane;

// Sort state per column set, in memory only: drives by Storage ascending,
// contents by Size largest first at every start.
extern int driveSortColumn;
extern bool driveSortReversed;
extern int contentsSortColumn;
extern bool contentsSortReversed;

// Creates the list pane as a child of parent: report view, full-row
// selection, selection shown without focus, movable headers. The pane starts
// without columns and with the sort state every run starts with.
QTreeView* CreateListPane(QWidget* parent);

// Shows the drives (the root's children), sorted, row 0 focused; the status
// shows the drive count and the pie chart command goes off.
void FillDriveList(ItemNode* drives, uint32_t count);

// Shows the entries of a drive or folder that are not removed, sorted, row 0
// focused; flagged names are marked again first. While a comparison is on,
// the entries of folder (the entries' own, named for an empty one) that the
// earlier scan had and that are gone follow as rows of their own. Returns the
// listed total; the caller shows the status with it.
uint64_t FillContentsList(ItemNode* entries, uint32_t count, const ItemNode* folder = nullptr);

// Recomputes the Possession column after entries of the shown folder were
// removed, and reloads the pie chart. Returns the new listed total.
uint64_t RefreshPossession(ItemNode* entries, uint32_t count);

// The row record of an item, or none.
ListRow* FindListRow(const ItemNode* item);

// Rows as they are shown now (sort order): how many, the record at a
// position, and the position of a record (-1 when it is not shown).
int ShownRowCount();
ListRow* ShownRow(int position);
int ShownRowPosition(const ListRow* row);

// The row with the focus mark, or none.
ListRow* FocusedListRow();

// The selected rows in row order; gone rows, which nothing acts on, are
// never among them.
std::vector<ListRow*> SelectedListRows();

// Gives the row at position the selected and focused state and scrolls it
// into view (a place reached by navigation).
void SelectAndShowRow(int position);

// Makes the row at position the only selected one, with the focus mark, and
// scrolls it into view (a tile of the treemap clicked).
void SelectOnlyRow(int position);

// Repaints the row of record after its mark changed (the deletion cross).
void RedrawListRow(const ListRow* row);

// Takes the rows whose items are flagged ITEM_REMOVED out of the list, in one
// pass after an expunge; their records stay in the array until the next fill.
void RemoveExpungedRows();

// Deletes every row of the list and frees the row array: done before the
// items they point to are freed, and before a new place is shown.
void ClearListPane();

// A header click: the same column flips its direction, another starts in its
// natural order.
void SortListByColumn(int column);

// CMD_SELECT_ALL: selects every row (none keeps the focus mark), then gives
// the list the focus if it did not have it.
void SelectAllRows();

// The list or the tree received the input focus: it becomes focusPane. The
// tree disables Open, Delete and Undelete; the list enables them when a row
// is selected.
void NoteFocusPane(QWidget* pane);

// The pie chart command is on exactly when the contents are sorted by Size
// or Possession, largest first.
void UpdatePieCommand();
