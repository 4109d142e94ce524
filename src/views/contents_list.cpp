#include "views/contents_list.h"

#include <QHeaderView>
#include <QTreeView>

QTreeView* listPane = nullptr;
QWidget* focusPane = nullptr;

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

void SelectAllRows() {
    if (!listPane) return;
    listPane->selectAll();
    if (focusPane != listPane) listPane->setFocus(Qt::OtherFocusReason);
}

void ClearListPane() {
    // The drive and contents rows arrive with the list model; the bare view
    // holds no rows that could point into the item tree.
}
