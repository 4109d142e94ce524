#include "scan/scan_control.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include "deletion/kept_place.h"
#include "platform/command_actions.h"
#include "resources/app_texts.h"
#include "scan/folder_rescan.h"
#include "scan/folder_tree.h"
#include "scan/history.h"
#include "scan/navigation.h"
#include "scan/scan_feed.h"
#include "views/status_bar.h"
#include "views/treemap_pane.h"
#include "platform/nested_loops.h"

std::atomic<ScanState> scanState{SCAN_IDLE};
uint32_t scanReason = 0;
ScanRequest scanRequest = {nullptr, nullptr, 0};
ItemNode* scanItem = nullptr;

namespace {

QPointer<QTimer> statusRestoreTimer;

// The busy cursor of the running scan is shown.
bool scanCursorShown = false;
// The item tree is about to go (Refresh, closing): a finished scan follows
// nothing that waited for it, and no scan starts.
bool scanDiscarding = false;
bool scanClosing = false;
void (*closeWhenEnded)() = nullptr;

void ShowBusyCursor() {
    if (scanCursorShown) return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    scanCursorShown = true;
}

bool FollowsNothing() { return scanDiscarding || scanClosing; }

}  // namespace

void SetUpScan(QObject* owner) {
    delete statusRestoreTimer;
    statusRestoreTimer = NewSingleShotTimer(owner, "statusRestoreTimer", OnStatusRestoreTimer);
    scanClosing = false;
    scanDiscarding = false;
    closeWhenEnded = nullptr;
}

QTimer* StatusRestoreTimer() { return statusRestoreTimer; }

QTimer* NewSingleShotTimer(QObject* owner, const char* name, void (*onTimeout)()) {
    QTimer* timer = new QTimer(owner);
    timer->setSingleShot(true);
    timer->setObjectName(QString::fromLatin1(name));
    QObject::connect(timer, &QTimer::timeout, timer, onTimeout);
    return timer;
}

void ShowStopText() { ShowStatusNotice(stopText); }

void ShowStatusNotice(const char16_t* text) {
    SetStatusSimple(true);
    SetStatusSimpleText(text);
    if (statusRestoreTimer)
        statusRestoreTimer->start(STATUS_RESTORE_MS);
    else
        SetStatusSimple(false);
}

void RequestScanStop() {
    DiscardKeptPlace();
    AskScanToStop();
}

void AskScanToStop() {
    if (scanState == SCAN_RUNNING) scanState = SCAN_STOP_REQUESTED;
    StopScanEngine();
}

void OnScanEngineGone() {
    if (ScanEngineAlive() || !closeWhenEnded) return;
    void (*close)() = closeWhenEnded;
    closeWhenEnded = nullptr;
    // From the loop, not from within the scan's end.
    QTimer::singleShot(0, QCoreApplication::instance(), close);
}

bool StartScan(uint32_t reason, ItemNode* drive, QTreeWidgetItem* treeItem) {
    if (scanState != SCAN_IDLE || !drive || !IsUnscannedDrive(drive) || FollowsNothing()) return false;
    scanState = SCAN_RUNNING;
    scanReason = reason;
    scanRequest = {drive, treeItem, drive->ownSize};
    scanItem = drive;
    {
        // The treemap of the drives reads the drive's flags.
        TreemapHold hold;
        drive->flags |= ITEM_SCANNING;
    }
    for (int id : {CMD_REFRESH, CMD_OPEN, CMD_DELETE, CMD_UNDELETE, CMD_GO_BACKWARD, CMD_GO_FORWARD, CMD_RESCAN_FOLDER})
        EnableCommand(id, false);
    ShowBusyCursor();

    if (StartScanEngine(&scanRequest)) return true;

    // No listing thread: the drive stays as it was and the scan ends at once.
    PauseTreemap();
    drive->flags &= ~ITEM_SCANNING;
    ResumeTreemap();
    FinishScan();
    // Told as a stop is.
    ShowStopText();
    return false;
}

void FinishScan() {
    EnableCommand(CMD_GO_FORWARD, History(HISTORY_CAN_FORWARD, nullptr, 0));
    EnableCommand(CMD_GO_BACKWARD, History(HISTORY_CAN_BACK, nullptr, 0));
    EnableCommand(CMD_REFRESH, true);
    if (scanCursorShown) {
        QGuiApplication::restoreOverrideCursor();
        scanCursorShown = false;
    }
    scanItem = nullptr;
    scanState = SCAN_IDLE;
    scanReason = 0;
    UpdateRescanCommand();
}

void OnScanDone(ScanRequest* request) {
    uint32_t reason = scanReason;
    ItemNode* drive = request->item;
    QTreeWidgetItem* driveNode = request->treeItem;
    FinishScan();
    if (FollowsNothing()) return;

    if (reason & SCAN_FOR_EXPAND) SetTreeNodeExpanded(driveNode, true);
    // The navigation goes on unless the user chose a place meanwhile: a
    // selection made during the scan wins over the navigation it replaced.
    if ((reason & SCAN_FOR_NAVIGATION) && !(reason & SCAN_FOR_LIST) && !PendingItem()) {
        NavigateTo(nullptr);
        return;
    }
    DropNavigationPath();
    if (PendingItem()) {
        // The place chosen in the drive while it was scanned, or a choice
        // elsewhere whose stop came too late to take effect.
        ApplyPendingSelection();
        return;
    }
    if (reason & SCAN_FOR_LIST) {
        ClearList();
        ListPlace(drive);
    }
}

void OnScanStopped() {
    uint32_t reason = scanReason;
    FinishScan();
    if (FollowsNothing()) return;

    // A stopped navigation is abandoned: its drive stays unscanned.
    DropNavigationPath();
    if (PendingItem()) {
        ApplyPendingSelection();
        return;
    }
    if (reason == SCAN_FOR_NAVIGATION) {
        if (QTreeWidgetItem* root = TreeRootNode()) {
            if (treePane->currentItem() == root) {
                pendingTreeItem = root;
                ApplyPendingSelection();
            } else {
                treePane->setCurrentItem(root);
            }
        }
    }
}

bool OnTreeItemExpanding(QTreeWidgetItem* node, bool expanding) {
    if (scanState != SCAN_IDLE) {
        if (!expanding || TreeNodeItem(node) != scanItem) return true;
        // The drive being scanned opens, and its folders appear as found.
        scanReason |= SCAN_FOR_EXPAND;
        return false;
    }
    if (!expanding) return false;
    ItemNode* item = TreeNodeItem(node);
    // The drive stays open while it is scanned: its folders appear there as
    // the scan finds them.
    if (item && IsUnscannedDrive(item)) return !StartScan(SCAN_FOR_EXPAND, item, node);
    return false;
}

void StopCommand() {
    if (scanState == SCAN_IDLE) return;
    DropPendingSelection();
    RequestScanStop();
}

bool ScanWorkerAlive() { return ScanEngineAlive(); }

void WaitForScanToEnd() {
    if (!ScanEngineAlive() && scanState == SCAN_IDLE) return;
    bool was = scanDiscarding;
    scanDiscarding = true;
    NestedLoop loop;
    DropNavigationWork();
    // The engine's end is a report posted to this thread, so the loop keeps
    // running until it has been handled and the engine is gone.
    while (ScanEngineAlive() || scanState != SCAN_IDLE) {
        AskScanToStop();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    }
    scanDiscarding = was;
}

void CloseWhenScanEnded(void (*close)()) {
    scanClosing = true;
    DropNavigationWork();
    AskScanToStop();
    if (!ScanEngineAlive()) {
        closeWhenEnded = nullptr;
        QTimer::singleShot(0, QCoreApplication::instance(), close);
        return;
    }
    closeWhenEnded = close;
}

void OnStatusRestoreTimer() {
    if (statusRestoreTimer) statusRestoreTimer->stop();
    SetStatusSimple(false);
}
