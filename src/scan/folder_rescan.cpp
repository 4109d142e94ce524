#include "scan/folder_rescan.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <thread>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "deletion/expunge.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "platform/command_actions.h"
#include "platform/nested_loops.h"
#include "platform/storage_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/exclusions.h"
#include "scan/item_tree_owner.h"
#include "scan/navigation.h"
#include "scan/scan_control.h"
#include "scan/scan_files.h"
#include "scan/scan_keeper.h"
#include "views/status_bar.h"
#include "views/treemap_pane.h"
#include "model/display_name.h"
#include "model/file_drives.h"

namespace {

// The path of folder below top, its names joined by "/", which no name
// holds; empty for top itself.
std::u16string PathBelow(const ItemNode* folder, const ItemNode* top) {
    std::vector<const char16_t*> names;
    for (const ItemNode* at = folder; at && at != top; at = at->parent) names.push_back(at->name);
    std::u16string path;
    for (size_t k = names.size(); k-- > 0;) {
        path += names[k];
        if (k) path.push_back(u'/');
    }
    return path;
}

// Which subfolders a rescan for changes enters: the folders listed again
// (the changed ones and those on the way to them), and for each the names
// of the subfolders it held, so that a new one is told from one kept.
struct EnterPlan {
    std::unordered_set<std::u16string> listed;
    std::unordered_map<std::u16string, std::unordered_set<std::u16string>> held;

    bool Enters(const ItemNode* folder, const ItemNode* top) const {
        const std::u16string above = PathBelow(folder->parent, top);
        // Below a new folder everything is new.
        if (!listed.count(above)) return true;
        std::u16string path = above;
        if (!path.empty()) path.push_back(u'/');
        path += folder->name;
        if (listed.count(path)) return true;
        auto known = held.find(above);
        return known == held.end() || !known->second.count(folder->name);
    }
};

// How long an ended walk waits before it tries again to be put in place.
constexpr int RESCAN_RETRY_MS = 50;

// The one rescan at a time: its engine, the folder and the stand-in the
// engine attaches the new subtree to.
class FolderRescanner {
public:
    bool Start(ItemNode* folder, bool shown, const std::vector<const ItemNode*>* changed);
    void OnEnded(ScanEngine* ended);
    void WaitAndDrop();
    ItemNode* Folder() const { return engine ? folder : nullptr; }
    uint64_t Applied() const { return applied; }
    void (*listener)(ItemNode* folder, bool applied) = nullptr;

private:
    void TryToApply();
    void End(bool put);

    ScanEngine* engine = nullptr;
    ItemNode* folder = nullptr;
    ItemNode standIn{};
    bool ended = false;
    bool dropping = false;
    bool shown = false;
    QPointer<QTimer> retry;
    uint64_t applied = 0;
};

FolderRescanner rescanner;

bool FolderRescanner::Start(ItemNode* target, bool show, const std::vector<const ItemNode*>* changed) {
    if (engine || !CanRescanFolder(target) || !TreeMayChange()) return false;
    folder = target;
    // The stand-in has the folder's name and place, so the walk finds its
    // path, and nothing below it yet.
    standIn = *target;
    standIn.children = nullptr;
    standIn.childCount = 0;
    standIn.flags = target->flags & ~(ITEM_SCANNED | ITEM_UNREADABLE | ITEM_INCOMPLETE | ITEM_HOLDS_EXCLUDED |
                                      ITEM_MARKED | ITEM_SCANNING);
    standIn.readError = 0;
    engine = new ScanEngine(Device());
    engine->SetExcludes(&WindowExcludes());
    engine->SetExcludeBase(DriveOf(target));
    if (changed) {
        auto plan = std::make_shared<EnterPlan>();
        plan->listed.insert(std::u16string());
        for (const ItemNode* folder : *changed) {
            for (const ItemNode* at = folder; at && at != target; at = at->parent) {
                if (!plan->listed.insert(PathBelow(at, target)).second) break;
            }
        }
        // The subfolders each listed folder held, found from the top down.
        std::vector<const ItemNode*> open = {target};
        while (!open.empty()) {
            const ItemNode* folder = open.back();
            open.pop_back();
            const std::u16string path = PathBelow(folder, target);
            std::unordered_set<std::u16string>& names = plan->held[path];
            for (uint32_t i = 0; i < folder->childCount; ++i) {
                const ItemNode* child = &folder->children[i];
                if (!(child->flags & ITEM_FOLDER) || (child->flags & ITEM_REMOVED)) continue;
                names.insert(child->name);
                std::u16string below = path;
                if (!below.empty()) below.push_back(u'/');
                below += child->name;
                if (plan->listed.count(below)) open.push_back(child);
            }
        }
        const ItemNode* top = &standIn;
        engine->SetEnterFilter([plan, top](const ItemNode* folder) { return plan->Enters(folder, top); });
    }
    ended = false;
    dropping = false;
    shown = show;
    ScanEngine* started = engine;
    auto report = [started] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [started] { rescanner.OnEnded(started); }, Qt::QueuedConnection);
    };
    // A rescan for changes lists few folders: as many threads as cores, none
    // waiting in reserve.
    const int threads = changed ? std::max(2, static_cast<int>(std::thread::hardware_concurrency())) : 0;
    if (!engine->Start(&standIn, threads, report)) {
        delete engine;
        engine = nullptr;
        folder = nullptr;
        return false;
    }
    if (shown) {
        char16_t path[PATH_CHARS];
        QString text = StringText(STR_RESCANNING).arg(DisplayName(ItemPath(path, PATH_CHARS, target) ? path : target->name));
        std::u16string notice = text.toStdU16String();
        if (QTimer* restore = StatusRestoreTimer()) restore->stop();
        SetStatusSimple(true);
        SetStatusSimpleText(notice.c_str());
    }
    UpdateRescanCommand();
    return true;
}

void FolderRescanner::OnEnded(ScanEngine* finished) {
    if (finished != engine) return;
    ended = true;
    TryToApply();
}

void FolderRescanner::TryToApply() {
    if (!engine || !ended) return;
    // A kept scan being written reads the records: it is not waited for,
    // the new subtree goes in once it is done.
    const bool keeperBusy = scanKeeper && scanKeeper->Busy();
    if (!dropping && (!TreeMayChange() || TreemapWaiting() || keeperBusy)) {
        // Put in place once the scan, the expunge, the question or the
        // writing of the kept scan is over.
        if (!retry) {
            retry = new QTimer(QCoreApplication::instance());
            retry->setSingleShot(true);
            retry->setObjectName(QStringLiteral("rescanRetryTimer"));
            QObject::connect(retry, &QTimer::timeout, retry, [] { rescanner.TryToApply(); });
        }
        retry->start(RESCAN_RETRY_MS);
        return;
    }
    if (retry) retry->stop();
    const bool complete = engine->Finish() == SCAN_COMPLETE;
    // A folder removed meanwhile (an expunge) stays removed.
    const bool put = complete && !dropping && !(folder->flags & ITEM_REMOVED);
    if (put) {
        if (!(folder->flags & ITEM_DRIVE)) {
            char16_t path[PATH_CHARS];
            FolderEntry facts{};
            if (ItemPath(path, PATH_CHARS, folder) && Device()->ReadEntryFactsAt(path, &facts)) {
                standIn.ownSize = facts.size;
                standIn.diskSize = facts.diskSize;
                standIn.modified = facts.modified;
            }
        }
        ReplaceFolderItems(folder, &standIn, engine->HardLinks());
        ++applied;
    } else if (complete) {
        FreeItemArray(standIn.children, standIn.childCount);
    }
    standIn.children = nullptr;
    standIn.childCount = 0;
    End(put);
}

void FolderRescanner::End(bool put) {
    delete engine;
    engine = nullptr;
    ItemNode* was = folder;
    folder = nullptr;
    ended = false;
    if (shown && scanState == SCAN_IDLE) SetStatusSimple(false);
    shown = false;
    UpdateRescanCommand();
    if (listener && !dropping) listener(was, put);
    dropping = false;
}

void FolderRescanner::WaitAndDrop() {
    if (!engine) return;
    dropping = true;
    engine->RequestStop();
    if (ended) {
        TryToApply();
        return;
    }
    NestedLoop loop;
    while (engine) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

bool CanRescanFolder(const ItemNode* folder) {
    if (!folder || !OpensAsPlace(folder) || !(folder->flags & ITEM_SCANNED)) return false;
    if (folder->flags & (ITEM_ROOT | ITEM_REMOVED | ITEM_EARLIER | ITEM_EXCLUDED | ITEM_FOLDER_AGAIN | ITEM_DATABASE))
        return false;
    return !IsFromScanFile(folder);
}

bool StartFolderRescan(ItemNode* folder, bool shown, const std::vector<const ItemNode*>* changed) {
    return rescanner.Start(folder, shown, changed);
}

ItemNode* RescanningFolder() { return rescanner.Folder(); }

void WaitForFolderRescan() { rescanner.WaitAndDrop(); }

void RescanFolderCommand() {
    if (!listedPlace || RescanningFolder()) return;
    StartFolderRescan(listedPlace, true);
}

void UpdateRescanCommand() {
    EnableCommand(CMD_RESCAN_FOLDER, listedPlace && CanRescanFolder(listedPlace) && !RescanningFolder() &&
                                         scanState == SCAN_IDLE);
}

uint64_t AppliedRescanCount() { return rescanner.Applied(); }

void SetRescanEndedListener(void (*listener)(ItemNode* folder, bool applied)) { rescanner.listener = listener; }

bool TreeMayChange() {
    return scanState == SCAN_IDLE && !ScanWorkerAlive() && !ExpungeRunning() && !InsideNestedLoop();
}
