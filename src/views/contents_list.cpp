#include "views/contents_list.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>

#include "deletion/marks.h"
#include "model/item_tree.h"
#include "platform/command_actions.h"
#include "views/list_columns.h"
#include "views/list_filter.h"
#include "views/list_model.h"
#include "views/list_sort.h"
#include "views/pie_popup.h"
#include "views/place_comparison.h"
#include "views/status_bar.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"

ListMode listMode = LIST_NONE;
ListRow* listRows = nullptr;
uint32_t listRowCount = 0;
QTreeView* listPane = nullptr;
QWidget* focusPane = nullptr;
int driveSortColumn = 0;
bool driveSortReversed = false;
int contentsSortColumn = 1;
bool contentsSortReversed = false;

namespace {

QItemSelectionModel* ListSelection() { return listPane && listModel ? listPane->selectionModel() : nullptr; }

bool AnyRowSelected() {
    QItemSelectionModel* selection = ListSelection();
    return selection && selection->hasSelection();
}

// Open, Delete and Undelete act on the selected rows.
void EnableRowCommands(bool on) {
    EnableCommand(CMD_OPEN, on);
    EnableCommand(CMD_DELETE, on);
    EnableCommand(CMD_UNDELETE, on);
}

// Any change of a row's state: the row commands follow the selection.
void OnRowStateChanged() { EnableRowCommands(AnyRowSelected()); }

// Row 0 gets the focus mark and no row is selected.
void FocusFirstRow() {
    QItemSelectionModel* selection = ListSelection();
    if (!selection) return;
    selection->clearSelection();
    selection->setCurrentIndex(shownRows.count ? listModel->index(0, 0) : QModelIndex(), QItemSelectionModel::NoUpdate);
}

// Installs a fill's arrays in place of the last ones, announced as one reset
// together with the sort that puts the rows in order.
void ShowFill(ListRow* rows, const ShownRows& shown, uint32_t count, uint64_t total) {
    listModel->BeginReset();
    FreeFillArrays();
    listRows = rows;
    listRowCount = count;
    shownRows = shown;
    listedTotal = total;
    SortShownRows(false);
    listModel->EndReset();
}

}  // namespace

QTreeView* CreateListPane(QWidget* parent) {
    // A new pane starts as a run does: no column set, drives by name,
    // contents by size, largest first.
    FreeFillArrays();
    listMode = LIST_NONE;
    driveSortColumn = 0;
    driveSortReversed = false;
    contentsSortColumn = 1;
    contentsSortReversed = false;

    QTreeView* list = new QTreeView(parent);
    list->setObjectName(QStringLiteral("listPane"));
    list->setAccessibleName(StringText(STR_LIST_NAME));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setIconSize(QSize(16, 16));
    list->setTextElideMode(Qt::ElideRight);

    QHeaderView* header = list->header();
    header->setSectionsMovable(true);
    header->setSectionsClickable(true);
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setMinimumSectionSize(0);
    InstallHeaderArrowStyle(header);

    listModel = new ListModel(list);
    list->setModel(listModel);
    QObject::connect(listModel, &QObject::destroyed, [] { listModel = nullptr; });
    QObject::connect(header, &QHeaderView::sectionClicked, list, [](int column) { SortListByColumn(column); });
    QItemSelectionModel* selection = list->selectionModel();
    QObject::connect(selection, &QItemSelectionModel::selectionChanged, list, [] { OnRowStateChanged(); });
    QObject::connect(selection, &QItemSelectionModel::currentChanged, list, [] { OnRowStateChanged(); });
    return list;
}

void FillDriveList(ItemNode* drives, uint32_t count) {
    if (!listModel) return;
    ForgetListFilter();
    SwitchToDriveColumns();
    ListRow* rows;
    ShownRows shown;
    // Spare slots for scan files are no drives.
    const uint32_t visible = CountVisibleItems(drives, count);
    if (!AllocateFill(visible, &rows, &shown)) return;
    MatchListedFolder(nullptr);
    uint32_t p = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!(drives[i].flags & ITEM_REMOVED)) rows[p++].item = &drives[i];
    }
    ShowFill(rows, shown, visible, 0);
    ShowRootStatus();
    SetPieCommandEnabled(false);
    FocusFirstRow();
    UpdateHeaderArrows();
    OnRowStateChanged();
}

uint64_t FillContentsList(ItemNode* entries, uint32_t count, const ItemNode* folder) {
    // Another place, or the same one listed again: the filter ends.
    ForgetListFilter();
    if (listModel) SwitchToContentsColumns();
    ReapplyFlaggedNames(entries, count);
    if (markedCount > 0) EnableCommand(CMD_EXPUNGE, true);
    const uint64_t total = SumVisibleTotals(entries, count);
    const uint32_t visible = CountVisibleItems(entries, count);
    if (!listModel) return total;
    if (!folder && count > 0) folder = entries[0].parent;
    const uint32_t gone = MatchListedFolder(folder);
    ListRow* rows;
    ShownRows shown;
    if (!AllocateFill(visible + gone, &rows, &shown)) return total;
    uint32_t p = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!(entries[i].flags & ITEM_REMOVED)) rows[p++].item = &entries[i];
    }
    // The gone rows show records of the earlier tree, which nothing changes.
    for (uint32_t k = 0; k < gone; ++k) rows[p++].item = const_cast<ItemNode*>(GoneRecord(k));
    ShowFill(rows, shown, visible + gone, total);
    if (piePopup) ReloadPieChart(total);
    UpdatePieCommand();
    FocusFirstRow();
    UpdateHeaderArrows();
    OnRowStateChanged();
    return total;
}

uint64_t RefreshPossession(ItemNode* entries, uint32_t count) {
    const uint64_t total = SumVisibleTotals(entries, count);
    if (!listRows) return total;
    listedTotal = total;
    if (listModel) listModel->ColumnChanged(2);
    ReloadPieChart(total);
    return total;
}

ListRow* FindListRow(const ItemNode* item) {
    for (uint32_t i = 0; i < listRowCount; ++i) {
        if (listRows[i].item == item) return &listRows[i];
    }
    return nullptr;
}

int ShownRowCount() { return static_cast<int>(shownRows.count); }

ListRow* ShownRow(int position) {
    if (position < 0 || static_cast<uint32_t>(position) >= shownRows.count) return nullptr;
    return &listRows[shownRows.order[position]];
}

int ShownRowPosition(const ListRow* row) {
    if (!row || !listRows || row < listRows || row >= listRows + listRowCount) return -1;
    return ShownPositionOf(static_cast<uint32_t>(row - listRows));
}

ListRow* FocusedListRow() {
    QItemSelectionModel* selection = ListSelection();
    if (!selection) return nullptr;
    return ShownRow(selection->currentIndex().isValid() ? selection->currentIndex().row() : -1);
}

std::vector<ListRow*> SelectedListRows() {
    std::vector<ListRow*> rows;
    QItemSelectionModel* selection = ListSelection();
    if (!selection) return rows;
    std::vector<int> positions;
    for (const QItemSelectionRange& range : selection->selection()) {
        for (int position = range.top(); position <= range.bottom(); ++position) positions.push_back(position);
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    rows.reserve(positions.size());
    for (int position : positions) {
        ListRow* row = ShownRow(position);
        if (row && !IsEarlierRecord(row->item)) rows.push_back(row);
    }
    return rows;
}

void SelectAndShowRow(int position) {
    QItemSelectionModel* selection = ListSelection();
    if (!selection || position < 0 || static_cast<uint32_t>(position) >= shownRows.count) return;
    const QModelIndex index = listModel->index(position, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    listPane->scrollTo(index);
}

void SelectOnlyRow(int position) {
    QItemSelectionModel* selection = ListSelection();
    if (!selection || position < 0 || static_cast<uint32_t>(position) >= shownRows.count) return;
    const QModelIndex index = listModel->index(position, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    listPane->scrollTo(index);
}

void RedrawListRow(const ListRow* row) {
    if (listModel) listModel->RowChanged(ShownRowPosition(row));
}

void RemoveExpungedRows() {
    if (listModel) listModel->RemoveShownOfRemovedItems();
}

void ClearListPane() {
    // Inside one reset: no row of the view may point into the freed records.
    if (listModel) listModel->BeginReset();
    FreeFillArrays();
    // Nor the comparison's match, which names the listed folder.
    MatchListedFolder(nullptr);
    if (listModel) listModel->EndReset();
}

void SortListByColumn(int column) {
    if (listMode == LIST_NONE || column < 0 || column >= ShownColumnCount()) return;
    const bool drives = listMode == LIST_DRIVES;
    int& sortColumn = drives ? driveSortColumn : contentsSortColumn;
    bool& reversed = drives ? driveSortReversed : contentsSortReversed;
    if (column == sortColumn) {
        reversed = !reversed;
    } else {
        sortColumn = column;
        reversed = false;
    }
    UpdateHeaderArrows();
    UpdatePieCommand();
    SortShownRows(true);
}

void SelectAllRows() {
    QItemSelectionModel* selection = ListSelection();
    if (!selection) return;
    if (shownRows.count) {
        const QItemSelection all(listModel->index(0, 0),
                                 listModel->index(static_cast<int>(shownRows.count) - 1, ShownColumnCount() - 1));
        selection->select(all, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    if (focusPane != listPane) listPane->setFocus(Qt::OtherFocusReason);
    // Every row exactly selected: none keeps the focus mark. Done after the
    // focus moves, which would otherwise put the mark on the first row.
    selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void NoteFocusPane(QWidget* pane) {
    focusPane = pane;
    if (pane && pane == listPane) {
        if (AnyRowSelected()) EnableRowCommands(true);
    } else if (pane) {
        EnableRowCommands(false);
    }
}

void UpdatePieCommand() {
    SetPieCommandEnabled(listMode == LIST_CONTENTS && (contentsSortColumn == 1 || contentsSortColumn == 2) &&
                         !contentsSortReversed);
}
