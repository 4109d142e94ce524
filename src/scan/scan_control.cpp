#include "scan/scan_control.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include "deletion/kept_place.h"
#include "platform/command_actions.h"
#include "resources/app_texts.h"
#include "scan/folder_tree.h"
#include "scan/history.h"
#include "scan/navigation.h"
#include "scan/scan_worker.h"
#include "views/status_bar.h"

std::atomic<ScanState> scanState{SCAN_IDLE};
uint32_t scanReason = 0;
ScanRequest scanRequest = {nullptr, nullptr, 0};
ItemNode* scanItem = nullptr;
ScanThreadStarter scanThreadStarter = StartScanThread;

namespace {

QPointer<QTimer> statusRestoreTimer;

// Worker threads that have not ended yet (one scans; a second may be
// reporting its end while the next scan starts).
int liveWorkers = 0;
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

void OnWorkerEnded() {
    --liveWorkers;
    if (liveWorkers == 0 && closeWhenEnded) {
        void (*close)() = closeWhenEnded;
        closeWhenEnded = nullptr;
        // From the loop, not from within the thread's end.
        QTimer::singleShot(0, QCoreApplication::instance(), close);
    }
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

void ShowStopText() {
    SetStatusSimpleText(stopText);
    if (statusRestoreTimer)
        statusRestoreTimer->start(STATUS_RESTORE_MS);
    else
        SetStatusSimple(false);
}

void RequestScanStop() {
    DiscardKeptPlace();
    scanState = SCAN_STOP_REQUESTED;
}

bool StartScanThread(QThread* thread) {
    thread->start();
    return thread->isRunning() || thread->isFinished();
}

bool StartScan(uint32_t reason, ItemNode* drive, QTreeWidgetItem* treeItem) {
    if (scanState != SCAN_IDLE || !drive || !IsUnscannedDrive(drive) || FollowsNothing()) return false;
    scanState = SCAN_RUNNING;
    scanReason = reason;
    scanRequest = {drive, treeItem, drive->ownSize};
    scanItem = drive;
    drive->flags |= ITEM_SCANNING;
    for (int id : {CMD_REFRESH, CMD_OPEN, CMD_DELETE, CMD_UNDELETE, CMD_GO_BACKWARD, CMD_GO_FORWARD})
        EnableCommand(id, false);
    ShowBusyCursor();

    ScanRequest* request = &scanRequest;
    QThread* thread = QThread::create([request] { ScanThread(request); });
    thread->setObjectName(QStringLiteral("scan"));
    QObject::connect(
        thread, &QThread::finished, QCoreApplication::instance(),
        [thread] {
            // The thread object waits out the last instructions of its end.
            delete thread;
            OnWorkerEnded();
        },
        Qt::QueuedConnection);
    ++liveWorkers;
    if (scanThreadStarter(thread)) return true;

    // No worker: the drive stays as it was and the scan ends at once.
    --liveWorkers;
    delete thread;
    drive->flags &= ~ITEM_SCANNING;
    FinishScan();
    // Told as a stop is.
    SetStatusSimple(true);
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
        if (expanding && TreeNodeItem(node) == scanItem) scanReason |= SCAN_FOR_EXPAND;
        return true;
    }
    if (!expanding) return false;
    ItemNode* item = TreeNodeItem(node);
    if (item && IsUnscannedDrive(item)) {
        // The drive opens when its scan is done; until then there is
        // nothing to show under it, and nodes inserted under a closed
        // node cost the least.
        StartScan(SCAN_FOR_EXPAND, item, node);
        return true;
    }
    return false;
}

void StopCommand() {
    if (scanState == SCAN_IDLE) return;
    DropPendingSelection();
    RequestScanStop();
}

bool ScanWorkerAlive() { return liveWorkers > 0; }

void WaitForScanToEnd() {
    if (liveWorkers == 0 && scanState == SCAN_IDLE) return;
    bool was = scanDiscarding;
    scanDiscarding = true;
    DropNavigationWork();
    // The worker's reports are calls into this thread, so the loop keeps
    // running until the last one has been handled and the thread has ended.
    while (liveWorkers > 0 || scanState != SCAN_IDLE) {
        if (scanState == SCAN_RUNNING) scanState = SCAN_STOP_REQUESTED;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
    }
    scanDiscarding = was;
}

void CloseWhenScanEnded(void (*close)()) {
    scanClosing = true;
    DropNavigationWork();
    if (scanState == SCAN_RUNNING) scanState = SCAN_STOP_REQUESTED;
    if (liveWorkers == 0) {
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
