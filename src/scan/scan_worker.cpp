#include "scan/scan_worker.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/text.h"
#include "scan/folder_tree.h"
#include "views/status_bar.h"

namespace {

using Clock = std::chrono::steady_clock;

// The path being read is shown at most this often, always the newest.
constexpr auto STATUS_INTERVAL = std::chrono::milliseconds(50);
// Nodes inserted per call: a level of many thousand folders goes in several
// calls, so the user-interface thread never stalls on one.
constexpr uint32_t TREE_BATCH = 1000;

// What the walk of one drive carries from folder to folder. The path buffer
// holds the folder being read, with its trailing "\", extended in place by
// each level.
struct ScanWalk {
    ScanRequest* request;
    uint64_t seenBytes;
    Clock::time_point lastStatus;
    char16_t path[PATH_CHARS];
};

// Runs call on the user-interface thread and waits until it has run.
template <typename Call>
void OnUiThread(Call&& call) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::forward<Call>(call), Qt::BlockingQueuedConnection);
}

bool StatusDue(const ScanWalk& walk) { return Clock::now() - walk.lastStatus >= STATUS_INTERVAL; }

// User-interface thread: the path being read and the progress.
void ShowScanPath(const ScanWalk& walk) {
    SetStatusSimpleText(walk.path);
    SetStatusProgress(ScanProgressPermille(walk.seenBytes, walk.request->usedBytes));
}

void AddSeenBytes(ScanWalk& walk, const ItemNode* items, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) walk.seenBytes += items[i].ownSize;
}

// User-interface thread: the stop was noticed. The tree stops redrawing
// while the levels unwind, and the stop text shows for a while.
void ShowScanStopped() {
    if (treePane) treePane->setUpdatesEnabled(false);
    SetStatusProgress(-1);
    ShowStopText();
}

// The folders among a level's records (the database folder included), in
// array order, with the order that sorts them by name.
void CollectSubfolders(ItemNode* items, uint32_t count, std::vector<ItemNode*>* subfolders,
                       std::vector<uint32_t>* order) {
    for (uint32_t i = 0; i < count; ++i) {
        if (items[i].flags & ITEM_FOLDER) subfolders->push_back(&items[i]);
    }
    order->resize(subfolders->size());
    for (uint32_t k = 0; k < order->size(); ++k) (*order)[k] = k;
    std::sort(order->begin(), order->end(), [subfolders](uint32_t a, uint32_t b) {
        return CompareNames((*subfolders)[a]->name, (*subfolders)[b]->name) < 0;
    });
}

// Inserts a level's folders under parent, a batch per call; the path being
// read rides along when it is due.
void InsertLevel(ScanWalk& walk, QTreeWidgetItem* parent, const std::vector<ItemNode*>& subfolders,
                 const std::vector<uint32_t>& order, std::vector<QTreeWidgetItem*>* nodes) {
    nodes->assign(subfolders.size(), nullptr);
    uint32_t total = static_cast<uint32_t>(subfolders.size());
    for (uint32_t start = 0; start < total; start += TREE_BATCH) {
        uint32_t count = std::min(TREE_BATCH, total - start);
        bool showPath = StatusDue(walk);
        OnUiThread([&] {
            InsertTreeChildren(parent, subfolders.data(), order.data() + start, count, nodes->data());
            if (showPath) ShowScanPath(walk);
        });
        if (showPath) walk.lastStatus = Clock::now();
    }
}

// A level just listed: its bytes count as seen, and its folders (in array
// order) get their nodes under node, which come back in the same order.
void TakeLevel(ScanWalk& walk, ItemNode* items, uint32_t count, QTreeWidgetItem* node,
               std::vector<ItemNode*>* subfolders, std::vector<QTreeWidgetItem*>* nodes) {
    AddSeenBytes(walk, items, count);
    std::vector<uint32_t> order;
    CollectSubfolders(items, count, subfolders, &order);
    if (!subfolders->empty()) InsertLevel(walk, node, *subfolders, order, nodes);
}

void ScanDatabaseFolder(ScanWalk& walk, ItemNode* folder) {
    ItemNode* items = nullptr;
    uint32_t count = ListDatabases(folder, &items);
    AddSeenBytes(walk, items, count);
    folder->children = items;
    folder->childCount = count;
    folder->flags |= ITEM_SCANNED;
}

// Writes name and "\" at end; false when the path would not fit the buffer
// (the folder is then listed without content, never with a shortened path).
bool AppendFolderName(ScanWalk& walk, char16_t* end, const char16_t* name, char16_t** newEnd) {
    size_t length = TextLength(name);
    size_t used = static_cast<size_t>(end - walk.path);
    if (used + length + 2 > PATH_CHARS) return false;
    std::copy(name, name + length, end);
    end[length] = u'\\';
    end[length + 1] = 0;
    *newEnd = end + length + 1;
    return true;
}

// What a scanned level hands back: its records, and whether any of them is a
// folder.
struct ScannedLevel {
    ItemNode* items = nullptr;
    uint32_t count = 0;
    bool hasSubfolder = false;
};

bool ScanFolder(ScanWalk& walk, char16_t* end, ItemNode* folder, QTreeWidgetItem* node);

// Lists the folder whose path (with its trailing "\") the buffer holds up to
// end, inserts its folders' nodes under node and scans each of them (the
// database folder as a list of databases). The records are handed back
// unattached. False when stopped: the nodes inserted here are deleted and
// the records freed, so a stop unwinds level by level.
bool ScanSubfolders(ScanWalk& walk, char16_t* end, ItemNode* folder, bool isStoreRoot, QTreeWidgetItem* node,
                    ScannedLevel* level) {
    ItemNode* items = nullptr;
    uint32_t count = 0;
    size_t used = static_cast<size_t>(end - walk.path);
    if (used + 4 <= PATH_CHARS) {  // room for "*.*" and the NUL
        CopyText(end, u"*.*", 3);
        count = ListFolder(walk.path, folder, isStoreRoot, &items);
        *end = 0;
    }
    std::vector<ItemNode*> subfolders;
    std::vector<QTreeWidgetItem*> nodes;
    TakeLevel(walk, items, count, node, &subfolders, &nodes);

    for (size_t i = 0; i < subfolders.size(); ++i) {
        ItemNode* subfolder = subfolders[i];
        if (subfolder->flags & ITEM_DATABASE) {
            ScanDatabaseFolder(walk, subfolder);
            continue;
        }
        char16_t* subEnd = nullptr;
        if (!AppendFolderName(walk, end, subfolder->name, &subEnd)) {
            subfolder->flags |= ITEM_SCANNED;
            continue;
        }
        bool done = ScanFolder(walk, subEnd, subfolder, nodes[i]);
        *end = 0;
        if (!done) {
            OnUiThread([node] { DeleteTreeChildren(node); });
            FreeItemArray(items, count);
            return false;
        }
    }
    level->items = items;
    level->count = count;
    level->hasSubfolder = !subfolders.empty();
    return true;
}

// Scans the folder whose path (with its trailing "\") the buffer holds up
// to end. Its array is attached only after all its subfolders are done.
// True when done, false when stopped.
bool ScanFolder(ScanWalk& walk, char16_t* end, ItemNode* folder, QTreeWidgetItem* node) {
    if (scanState.load() == SCAN_STOP_REQUESTED) {
        OnUiThread([] { ShowScanStopped(); });
        return false;
    }
    if (StatusDue(walk)) {
        OnUiThread([&] { ShowScanPath(walk); });
        walk.lastStatus = Clock::now();
    }
    ScannedLevel level;
    if (!ScanSubfolders(walk, end, folder, false, node, &level)) return false;
    folder->children = level.items;
    folder->childCount = level.count;
    folder->flags |= ITEM_SCANNED;
    return true;
}

// Scans the drive level; its records are handed back unattached with their
// totals computed, and attached on the user-interface thread with the
// report, so that the drive's own record changes only there. False when
// stopped; nothing below the drive is left then.
bool ScanDrive(ScanWalk& walk, ScannedLevel* level) {
    ItemNode* drive = walk.request->item;
    size_t length = TextLength(drive->name);
    bool isStoreRoot = length > 0 && drive->name[length - 1] == u'\\';
    walk.lastStatus = Clock::now();
    OnUiThread([&] {
        if (QTimer* restore = StatusRestoreTimer()) restore->stop();
        SetStatusSimple(true);
        SetStatusSimpleText(drive->name);
        SetStatusProgress(ScanProgressPermille(0, walk.request->usedBytes));
    });
    // A name too long for the buffer leaves the drive without content.
    if (length + 5 > PATH_CHARS) return true;
    std::copy(drive->name, drive->name + length, walk.path);
    char16_t* end = walk.path + length;
    if (!isStoreRoot) *end++ = u'\\';
    *end = 0;
    if (!ScanSubfolders(walk, end, drive, isStoreRoot, walk.request->treeItem, level)) return false;
    // Totals once, after the walk; the drive's own total stays its capacity.
    for (uint32_t i = 0; i < level->count; ++i) ComputeTotals(&level->items[i]);
    return true;
}

}  // namespace

int ScanProgressPermille(uint64_t seenBytes, uint64_t usedBytes) {
    if (usedBytes == 0) return -1;
    double share = static_cast<double>(seenBytes) / static_cast<double>(usedBytes);
    return static_cast<int>(std::min(share * 1000.0, static_cast<double>(SCAN_PROGRESS_CAP)));
}

void ScanThread(ScanRequest* request) {
    // The path buffer lives on the worker's stack for the whole walk.
    ScanWalk walk;
    walk.request = request;
    walk.seenBytes = 0;
    walk.path[0] = 0;

    ScannedLevel level;
    if (ScanDrive(walk, &level)) {
        OnUiThread([&] {
            ItemNode* drive = request->item;
            drive->children = level.items;
            drive->childCount = level.count;
            drive->flags = (drive->flags & ~ITEM_SCANNING) | ITEM_SCANNED;
            SetTreeChildrenButton(request->treeItem, level.hasSubfolder);
            SetStatusProgress(-1);
            SetStatusSimple(false);
            OnScanDone(request);
        });
    } else {
        OnUiThread([&] {
            if (treePane) treePane->setUpdatesEnabled(true);
            request->item->flags &= ~ITEM_SCANNING;
            OnScanStopped();
        });
    }
}
