#include "scan/change_follow.h"
#include "scan/folder_rescan.h"
#include "scan/navigation.h"

#include <QAbstractItemView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "deletion/marks.h"
#include "model/path_list.h"
#include "platform/app_flags.h"
#include "platform/command_actions.h"
#include "platform/owner_window.h"
#include "scan/folder_tree.h"
#include "scan/history.h"
#include "scan/item_tree_owner.h"
#include "scan/scan_control.h"
#include "scan/shell_open.h"
#include "views/contents_list.h"
#include "views/status_bar.h"
#include "views/treemap_pane.h"
#include "platform/nested_loops.h"
#include "scan/scan_files.h"

QTreeWidgetItem* pendingTreeItem = nullptr;
bool openRequested = false;
PathList* navigationPath = nullptr;
ItemNode* listedPlace = nullptr;

namespace {

QPointer<QTimer> pendingSelectionTimer;

// Watches the keys of the two panes ahead of them.
class PaneKeys : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        QKeyEvent* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
        if (treePane && watched == treePane) return OnTreeKeyDown(key->key());
        if (listPane && watched == listPane) return OnListKeyDown(key->key());
        return false;
    }
};

// A selection coming due while a modal window or a wait holds rows waits for
// it to end: listing the place frees the rows.
void OnPendingSelectionDue() {
    if (InsideNestedLoop()) {
        if (pendingSelectionTimer) pendingSelectionTimer->start(PENDING_SELECTION_MS);
        return;
    }
    ApplyPendingSelection();
}

void SetBusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
void RestoreCursor() { QGuiApplication::restoreOverrideCursor(); }

// Makes node the pending selection and shows it after the usual delay
// (at once after Open); a countdown already running starts over.
void MakePending(QTreeWidgetItem* node) {
    pendingTreeItem = node;
    int delay = openRequested ? 0 : PENDING_SELECTION_MS;
    openRequested = false;
    if (pendingSelectionTimer) pendingSelectionTimer->start(delay);
}

// Selects node the ordinary way; a node that is selected already is shown
// again, as a selection would show it.
void SelectTreeNode(QTreeWidgetItem* node) {
    if (!treePane || !node) return;
    if (treePane->currentItem() == node) {
        MakePending(node);
        return;
    }
    treePane->setCurrentItem(node);
}

// The end of a navigation in item (shown by node) with entry in focus:
// selected silently, listed at once, the entry selected and in view.
void LandOn(ItemNode* item, QTreeWidgetItem* node, const ItemNode* entry) {
    SelectTreeNodeSilently(node);
    DropPendingSelection();
    ClearList();
    ListPlace(item);
    ListRow* row = FindListRow(entry);
    int position = row ? ShownRowPosition(row) : -1;
    if (position >= 0) SelectAndShowRow(position);
}

}  // namespace

void SetUpNavigation(QWidget* window) {
    delete pendingSelectionTimer;
    pendingSelectionTimer = NewSingleShotTimer(window, "pendingSelectionTimer", OnPendingSelectionDue);
    DropNavigationWork();
    SetUpScan(window);

    PaneKeys* keys = new PaneKeys(window);
    if (treePane) treePane->installEventFilter(keys);
    if (listPane) {
        listPane->installEventFilter(keys);
        QObject::connect(listPane, &QAbstractItemView::activated, keys, OpenSelected);
    }
}

QTimer* PendingSelectionTimer() { return pendingSelectionTimer; }

void ListPlace(ItemNode* item) {
    // Filling marks flagged names again: the treemap's worker reads nothing
    // meanwhile, and draws the new place after.
    TreemapHold hold;
    if (item->flags & ITEM_ROOT) {
        EnableCommand(CMD_UP, false);
        FillDriveList(item->children, item->childCount);
    } else {
        EnableCommand(CMD_UP, true);
        uint64_t listed = FillContentsList(item->children, item->childCount, item);
        ShowFolderStatus(item, listed);
    }
    listedPlace = item;
    ShowTreemapPlace(item);
    EnableCommand(CMD_EXPORT_SCAN, CanExportPlace(item));
    UpdateRescanCommand();
    WatchListedPlace(item);
}

void ClearList() {
    ClearListPane();
    listedPlace = nullptr;
    ShowTreemapPlace(nullptr);
    for (int id : {CMD_OPEN, CMD_DELETE, CMD_UNDELETE, CMD_EXPORT_SCAN, CMD_RESCAN_FOLDER}) EnableCommand(id, false);
}

ItemNode* PendingItem() { return TreeNodeItem(pendingTreeItem); }

bool PendingSelectionArmed() { return pendingSelectionTimer && pendingSelectionTimer->isActive(); }

bool ScanSettled() { return scanState == SCAN_IDLE && !ScanWorkerAlive() && !PendingSelectionArmed(); }

void ShowStartPlace() {
    QTreeWidgetItem* root = TreeRootNode();
    if (!root) return;
    SelectTreeNodeSilently(root);
    ListPlace(TreeNodeItem(root));
    treePane->setFocus(Qt::OtherFocusReason);
}

bool OnTreeSelChanging() { return !ConfirmLeavePlace(OwnerWindow()); }

void OnTreeSelChanged(QTreeWidgetItem* now, QTreeWidgetItem* old) {
    if (!treeReady) return;
    RecordPlace(TreeNodeItem(old), HISTORY_PUSH);
    if (scanState == SCAN_IDLE) {
        EnableHistoryAfterPush();
        MakePending(now);
        return;
    }
    ItemNode* item = TreeNodeItem(now);
    if (!item) return;
    bool inScannedDrive = now == scanRequest.treeItem || IsTreeNodeBelow(now, scanRequest.treeItem);
    if (inScannedDrive) {
        // The drive being scanned, or a folder the scan has found in it: the
        // scan goes on and the place is listed when it is done. A folder of
        // a drive whose scan is stopping is freed by the stop, so the drive
        // itself stands in for it.
        ClearList();
        if (scanState == SCAN_STOP_REQUESTED) {
            pendingTreeItem = scanRequest.treeItem;
        } else {
            pendingTreeItem = now;
            scanReason |= SCAN_FOR_LIST;
        }
        ShowPendingStatus(scanItem);
        return;
    }
    // Anywhere else: the scan stops, and the place shows when it has.
    if (pendingSelectionTimer) pendingSelectionTimer->stop();
    pendingTreeItem = now;
    RequestScanStop();
}

void OnTreeNodesDeleting(QTreeWidgetItem* node) {
    if (pendingTreeItem && IsTreeNodeBelow(pendingTreeItem, node)) pendingTreeItem = node;
}

void ApplyPendingSelection() {
    QTreeWidgetItem* node = pendingTreeItem;
    ItemNode* item = TreeNodeItem(node);
    if (!item) return;
    SetBusyCursor();
    ClearList();
    if (IsUnscannedDrive(item)) {
        EnableCommand(CMD_UP, true);
        ShowPendingStatus(item);
        if (item->flags & ITEM_SCANNING) {
            // Its scan runs already: it lists the drive when done.
            scanReason |= SCAN_FOR_LIST;
        } else if (scanState != SCAN_IDLE) {
            // Another drive's scan runs (its node was expanded meanwhile):
            // it stops, and this drive is shown when it has.
            RequestScanStop();
        } else if (!StartScan(SCAN_FOR_LIST, item, node)) {
            DropPendingSelection();
        }
        // The selection stays pending until its scan is done.
        RestoreCursor();
        return;
    }
    ListPlace(item);
    pendingTreeItem = nullptr;
    RestoreCursor();
}

void DropPendingSelection() {
    if (pendingSelectionTimer) pendingSelectionTimer->stop();
    pendingTreeItem = nullptr;
    openRequested = false;
}

void DropNavigationPath() {
    FreePathList(navigationPath);
    navigationPath = nullptr;
}

void DropNavigationWork() {
    DropPendingSelection();
    DropNavigationPath();
    listedPlace = nullptr;
}

bool NavigateTo(PathList* place) {
    // A new place replaces a navigation still waiting for its scan.
    if (place && place != navigationPath) {
        DropNavigationPath();
        navigationPath = place;
    }
    if (!navigationPath) return true;
    QTreeWidgetItem* currentNode = TreeRootNode();
    ItemNode* current = TreeNodeItem(currentNode);
    if (!current) {
        DropNavigationPath();
        return true;
    }
    for (const PathList* component = navigationPath; component; component = component->next) {
        if (IsUnscannedDrive(current)) {
            if (scanState != SCAN_IDLE) {
                // The drive's own scan is under way: the navigation waits for
                // it. Any other scan abandons the navigation.
                if (current == scanItem && scanState == SCAN_RUNNING) {
                    scanReason |= SCAN_FOR_NAVIGATION;
                    return false;
                }
                DropNavigationPath();
                return false;
            }
            if (!StartScan(SCAN_FOR_NAVIGATION, current, currentNode)) DropNavigationPath();
            return false;
        }
        bool last = component->next == nullptr;
        ItemNode* child = component->name[0] ? FindChildByName(current, component->name) : nullptr;
        // Removed entries are gone; a file or database cannot be passed through.
        if (child && ((child->flags & ITEM_REMOVED) || (!last && !OpensAsPlace(child)))) child = nullptr;
        QTreeWidgetItem* childNode = child ? FindTreeChild(currentNode, child) : nullptr;
        if (!child || (!last && !childNode)) {
            DropNavigationPath();
            SelectTreeNode(currentNode);
            return true;
        }
        if (last) {
            DropNavigationPath();
            LandOn(current, currentNode, child);
            return true;
        }
        current = child;
        currentNode = childNode;
    }
    DropNavigationPath();
    return true;
}

PathList* CurrentPlace() {
    if (!treePane) return nullptr;
    QTreeWidgetItem* node = treePane->currentItem();
    ItemNode* shown = TreeNodeItem(node);
    ListRow* row = shown && listedPlace == shown ? FocusedListRow() : nullptr;
    PathList* place = nullptr;
    ItemNode* item = nullptr;
    if (row && row->item) {
        item = row->item;
    } else {
        place = NewPathNode(u"");
        if (!place) return nullptr;
        item = shown;
    }
    for (; item && !(item->flags & ITEM_ROOT); item = item->parent) {
        PathList* component = NewPathNode(item->name);
        if (!component) {
            FreePathList(place);
            return nullptr;
        }
        component->next = place;
        place = component;
    }
    return place;
}

void RebuildAll() {
    RebuildItemTree();
    EnableCommand(CMD_UP, false);
}

void Refresh() {
    // Work around a modal window or a wait may hold rows and items.
    if (InsideNestedLoop()) return;
    if (treePane) treePane->setUpdatesEnabled(false);
    if (listPane) listPane->setUpdatesEnabled(false);
    PathList* place = CurrentPlace();
    RebuildAll();
    NavigateTo(place);
    if (treePane) treePane->setUpdatesEnabled(true);
    if (listPane) listPane->setUpdatesEnabled(true);
}

void RefreshCommand() {
    if (scanState != SCAN_IDLE || InsideNestedLoop()) return;
    if (ConfirmLeavePlace(OwnerWindow())) Refresh();
}

bool GoUp() {
    if (!treePane) return false;
    QTreeWidgetItem* current = treePane->currentItem();
    if (!current) {
        if (QTreeWidgetItem* root = TreeRootNode()) treePane->setCurrentItem(root);
        return false;
    }
    QTreeWidgetItem* parent = current->parent();
    if (!parent) return false;
    treePane->setCurrentItem(parent);
    return true;
}

void OpenSelected() {
    if (!listPane || focusPane != listPane) return;
    std::vector<ListRow*> rows = SelectedListRows();
    if (rows.empty() || !rows.front() || !rows.front()->item) return;
    ItemNode* item = rows.front()->item;
    if (OpensAsPlace(item)) {
        openRequested = true;
        SelectItemInTree(item);
        // A refused or impossible selection leaves no request behind.
        openRequested = false;
        return;
    }
    OpenWithShell(item);
}

bool OnTreeKeyDown(int key) {
    if (key != Qt::Key_Tab && key != Qt::Key_Backtab) return false;
    // In full-screen mode the list is hidden: the focus stays.
    if (!(appFlags & APP_FULLSCREEN) && listPane) listPane->setFocus(Qt::TabFocusReason);
    return true;
}

bool OnListKeyDown(int key) {
    switch (key) {
    case Qt::Key_Backspace:
        GoUp();
        return true;
    case Qt::Key_Delete:
        MarkSelection(focusPane, CMD_DELETE);
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // In full-screen mode the key goes on to the list itself.
        if (appFlags & APP_FULLSCREEN) return false;
        if (treePane) treePane->setFocus(Qt::TabFocusReason);
        return true;
    default:
        return false;
    }
}
