#include "views/contents_list.h"

#include <QHeaderView>
#include <QTreeView>

ListMode listMode = LIST_NONE;
ListRow* listRows = nullptr;
uint32_t listRowCount = 0;
QTreeView* listPane = nullptr;
QWidget* focusPane = nullptr;
int driveSortColumn = 0;
bool driveSortReversed = false;
int contentsSortColumn = 1;
bool contentsSortReversed = false;

QTreeView* CreateListPane(QWidget* parent) {
    QTreeView* list = new QTreeView(parent);
    list->setObjectName(QStringLiteral("listPane"));
    list->setAccessibleName(QStringLiteral("List"));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->header()->setSectionsMovable(true);
    return list;
}

// Placeholders until the list model exists: the bare view shows no rows.
void FillDriveList(ItemNode*, uint32_t) {}
uint64_t FillContentsList(ItemNode*, uint32_t) { return 0; }
void RefreshPossession(ItemNode*, uint32_t) {}
ListRow* FindListRow(const ItemNode*) { return nullptr; }
int ShownRowCount() { return 0; }
ListRow* ShownRow(int) { return nullptr; }
int ShownRowPosition(const ListRow*) { return -1; }
ListRow* FocusedListRow() { return nullptr; }
std::vector<ListRow*> SelectedListRows() { return {}; }
void SelectAndShowRow(int) {}
void RedrawListRow(const ListRow*) {}
void RemoveListRow(const ListRow*) {}
void ReleaseListRows() {}
void ClearListPane() {}
void SortListByColumn(int) {}
void UpdatePieCommand() {}
void SaveColumnLayout() {}

void SelectAllRows() {
    if (!listPane) return;
    listPane->selectAll();
    if (focusPane != listPane) listPane->setFocus(Qt::OtherFocusReason);
}
