#include "scan/scan_feed.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <string>
#include <vector>

#include "model/display_name.h"
#include "model/file_drives.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "platform/storage_device.h"
#include "scan/change_follow.h"
#include "scan/exclusions.h"
#include "scan/folder_tree.h"
#include "scan/scan_files.h"
#include "scan/scan_keeper.h"
#include "views/file_kinds.h"
#include "views/status_bar.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "views/treemap_pane.h"

namespace {

// The one engine of the running scan; none when idle.
ScanEngine* engine = nullptr;
ScanRequest* feedRequest = nullptr;
QPointer<QTimer> feedTimer;
QElapsedTimer sinceStatus;
// Levels taken from the engine and not yet in the tree, and the tree node of
// every folder of the drive's own level whose level has not come yet: each
// folder's level comes once, so only the folders still to be listed are held
// here.
std::vector<ScanLevel> backlog;
size_t backlogDone = 0;
QHash<const ItemNode*, QTreeWidgetItem*> folderNodes;

// Nodes inserted per timer turn at most: a backlog goes in several turns,
// so the user-interface thread never stalls on one.
constexpr size_t FEED_NODES_PER_TURN = 4000;

void ShowScanPath() {
    const ItemNode* newest = engine->NewestFolder();
    char16_t path[PATH_CHARS];
    if (newest && ItemFolderPath(path, PATH_CHARS, newest)) SetStatusSimpleText(path);
    // The used bytes are the volume's blocks: in disk usage the share
    // compares like with like.
    uint64_t seen = sizeCount == SIZE_DISK_USAGE ? engine->SeenDiskBytes() : engine->SeenBytes();
    SetStatusProgress(ScanProgressPermille(seen, feedRequest->usedBytes));
    sinceStatus.restart();
}

// Inserts the folders of the drive's own level under its node, in name
// order. A level of one of those folders gives its node a children button
// when it holds a subfolder; deeper folders get nodes when their folder is
// first opened, after the scan.
size_t InsertLevel(const ScanLevel& level) {
    if (level.folder != feedRequest->item) {
        QTreeWidgetItem* node = folderNodes.take(level.folder);
        if (node && HoldsVisibleFolder(level.items, level.count)) SetTreeChildrenButton(node, true);
        return node ? 1 : 0;
    }
    std::vector<ItemNode*> subfolders;
    std::vector<QTreeWidgetItem*> nodes;
    InsertSubfolderNodes(feedRequest->treeItem, level.items, level.count, &subfolders, &nodes);
    for (size_t k = 0; k < subfolders.size(); ++k) folderNodes.insert(subfolders[k], nodes[k]);
    return subfolders.size();
}

// Takes the engine's new levels and inserts up to limit nodes of the backlog.
void FeedTree(size_t limit) {
    engine->TakeLevels(&backlog);
    if (backlogDone == backlog.size() || !treePane) return;
    bool updates = treePane->updatesEnabled();
    treePane->setUpdatesEnabled(false);
    size_t inserted = 0;
    while (backlogDone < backlog.size() && inserted < limit) inserted += InsertLevel(backlog[backlogDone++]);
    treePane->setUpdatesEnabled(updates);
    if (backlogDone == backlog.size()) {
        backlog.clear();
        backlogDone = 0;
    }
}

void OnFeedTimer() {
    if (!engine) return;
    // A stopped walk's nodes would only be deleted again.
    if (scanState == SCAN_RUNNING) FeedTree(FEED_NODES_PER_TURN);
    if (scanState == SCAN_RUNNING && sinceStatus.elapsed() >= SCAN_STATUS_MS) ShowScanPath();
}

void DropFeed() {
    if (feedTimer) feedTimer->stop();
    std::vector<ScanLevel>().swap(backlog);
    backlogDone = 0;
    folderNodes.clear();
}

// The engine's end, on the user-interface thread: a complete walk's last
// levels go into the tree and its blocks are attached to the drive; a
// stopped walk's nodes are deleted before its blocks are freed.
void OnEngineEnded(ScanEngine* ended) {
    if (ended != engine) return;
    // Arrived while the treemap waits for its worker inside other work: the
    // tree changes only once that work is done.
    if (TreemapWaiting()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [ended] { OnEngineEnded(ended); }, Qt::QueuedConnection);
        return;
    }
    // The blocks are attached and the drive's flags change: the treemap's
    // worker reads nothing meanwhile.
    TreemapHold hold;
    ScanRequest* request = feedRequest;
    ItemNode* drive = request->item;
    QTreeWidgetItem* driveNode = request->treeItem;
    bool complete = engine->Outcome() == SCAN_COMPLETE;
    if (complete) {
        FeedTree(SIZE_MAX);
    } else {
        // The tree stops redrawing while the nodes go, and the stop text
        // shows for a while.
        if (treePane) treePane->setUpdatesEnabled(false);
        SetStatusProgress(-1);
        ShowStopText();
        DeleteTreeChildren(driveNode);
        SetTreeNodeExpanded(driveNode, false);
    }
    DropFeed();
    engine->Finish();
    uint32_t unreadable = engine->UnreadableCount();
    if (complete) {
        KeepHardLinks(drive, engine->HardLinks());
        QString firstPath;
        if (unreadable) CountUnreadableFolders(drive, &firstPath);
        NoteUnreadable(drive, unreadable, firstPath);
    }
    if (drive->flags & ITEM_FROM_FILE) FileDriveRead(drive, engine->ReadFailure());
    delete engine;
    engine = nullptr;
    feedRequest = nullptr;

    if (complete) {
        drive->flags = (drive->flags & ~ITEM_SCANNING) | ITEM_SCANNED;
        SetTreeChildrenButton(driveNode, HoldsVisibleFolder(drive->children, drive->childCount));
        SetStatusProgress(-1);
        SetStatusSimple(false);
        OnScanDone(request);
        WatchScannedDrive(drive);
        RefreshFileKinds();
        // Kept once shown; a drive read from a scan file is kept already.
        const std::string drivePath = scanKeeper && !(drive->flags & ITEM_FROM_FILE) ? ScannedHostPath(drive) : "";
        if (!drivePath.empty()) {
            static const std::vector<HardLink> NO_LINKS;
            const std::vector<HardLink>* links = KeptHardLinks(drive);
            scanKeeper->Keep(drive, drivePath, links ? *links : NO_LINKS);
        }
        // Said after the listing, unless the end started the next scan.
        if (unreadable > 0 && scanState == SCAN_IDLE) {
            std::u16string notice = StringText(STR_UNREADABLE_COUNT).arg(unreadable).toStdU16String();
            ShowStatusNotice(notice.c_str());
        }
    } else {
        if (treePane) treePane->setUpdatesEnabled(true);
        drive->flags &= ~ITEM_SCANNING;
        OnScanStopped();
    }
    OnScanEngineGone();
}

}  // namespace

uint32_t CountUnreadableFolders(const ItemNode* drive, QString* firstPath) {
    uint32_t count = 0;
    const ItemNode* first = nullptr;
    if (drive->flags & ITEM_UNREADABLE) {
        first = drive;
        ++count;
    }
    // Depth first in listing order: a block holds its records in reverse.
    std::vector<std::pair<const ItemNode*, uint32_t>> open = {{drive, drive->childCount}};
    while (!open.empty()) {
        const ItemNode* folder = open.back().first;
        if (open.back().second == 0) {
            open.pop_back();
            continue;
        }
        const ItemNode* item = &folder->children[--open.back().second];
        if (!(item->flags & ITEM_FOLDER) || (item->flags & ITEM_REMOVED)) continue;
        if (item->flags & ITEM_UNREADABLE) {
            if (!first) first = item;
            ++count;
        }
        if (item->childCount) open.push_back({item, item->childCount});
    }
    if (first) {
        char16_t path[PATH_CHARS];
        *firstPath = DisplayName(ItemPath(path, PATH_CHARS, first) ? path : first->name);
    } else {
        firstPath->clear();
    }
    return count;
}

int ScanProgressPermille(uint64_t seenBytes, uint64_t usedBytes) {
    if (usedBytes == 0) return -1;
    double share = static_cast<double>(seenBytes) / static_cast<double>(usedBytes);
    return static_cast<int>(std::min(share * 1000.0, static_cast<double>(SCAN_PROGRESS_CAP)));
}

bool StartScanEngine(ScanRequest* request) {
    if (engine) return false;
    engine = new ScanEngine(Device());
    feedRequest = request;
    ScanEngine* started = engine;
    // The report is posted, never waited for: the last listing thread goes
    // on to its end at once.
    auto report = [started] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [started] { OnEngineEnded(started); }, Qt::QueuedConnection);
    };
    // A scan file's drive is read from its file, the first time from what
    // opening it read already.
    FileDrive* file = FileDriveOf(request->item);
    if (!file) engine->SetExcludes(&WindowExcludes());
    bool ok = file ? engine->StartFromFile(request->item, file->fileName, file->pending, report)
                   : engine->Start(request->item, 0, report);
    if (ok && file) file->pending = nullptr;
    if (!ok) {
        delete engine;
        engine = nullptr;
        feedRequest = nullptr;
        return false;
    }
    if (!feedTimer) {
        feedTimer = new QTimer(QCoreApplication::instance());
        feedTimer->setObjectName(QStringLiteral("scanFeedTimer"));
        QObject::connect(feedTimer, &QTimer::timeout, feedTimer, OnFeedTimer);
    }
    feedTimer->start(SCAN_FEED_MS);
    if (QTimer* restore = StatusRestoreTimer()) restore->stop();
    SetStatusSimple(true);
    SetStatusSimpleText(request->item->name);
    SetStatusProgress(ScanProgressPermille(0, request->usedBytes));
    sinceStatus.start();
    return true;
}

bool ScanEngineAlive() { return engine != nullptr; }

void StopScanEngine() {
    if (engine) engine->RequestStop();
}
