#include "scan/change_follow.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/file_drives.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/text.h"
#include "platform/change_watch.h"
#include "platform/command_actions.h"
#include "platform/host_device.h"
#include "platform/host_names.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/folder_rescan.h"
#include "scan/scan_control.h"
#include "scan/scan_files.h"
#include "views/status_bar.h"

bool followChanges = true;
size_t folderWatchLimit = SIZE_MAX;
bool watchWholeFileSystems = true;

namespace {

// The first change of a burst waits this long for the rest of it.
constexpr int FOLLOW_SETTLE_MS = 100;
// A subtree is walked again at most this often.
constexpr int FOLLOW_INTERVAL_MS = 1000;
// How soon a rescan that could not start now is tried again.
constexpr int FOLLOW_RETRY_MS = 200;

struct WatchedDrive {
    ItemNode* drive;
    std::string hostPath;
};

// The state of following: the kernel's watch, the drives it covers, the
// folders found stale and when each subtree was last walked again.
class ChangeFollower {
public:
    void SetUp(QObject* owner);
    void Forget();
    void WatchDrive(ItemNode* drive);
    void WatchPlace(ItemNode* place);
    void WatchBelow(ItemNode* folder);
    void OnReported();
    void Process();
    void Schedule(int milliseconds);
    bool Settled() const;
    bool InPart() const { return inPart; }

private:
    bool EnsureWatch();
    ItemNode* FolderOf(const std::string& path) const;

    QPointer<QTimer> timer;
    std::unique_ptr<ChangeWatch> watch;
    std::vector<WatchedDrive> drives;
    std::set<std::string> stale;
    std::map<const ItemNode*, int64_t> lastRescan;  // by drive
    QElapsedTimer clock;
    bool inPart = false;
};

ChangeFollower follower;

// The host path of every folder below folder, folder's own first.
void CollectFolderPaths(ItemNode* folder, std::vector<std::string>* paths) {
    const std::string top = ScannedHostPath(folder);
    if (top.empty()) return;
    paths->push_back(top);
    std::vector<std::pair<ItemNode*, size_t>> open = {{folder, 0}};
    std::vector<std::string> prefix = {top};
    while (!open.empty()) {
        ItemNode* at = open.back().first;
        size_t& next = open.back().second;
        if (next == at->childCount) {
            open.pop_back();
            prefix.pop_back();
            continue;
        }
        ItemNode* child = &at->children[next++];
        if (!(child->flags & ITEM_FOLDER) || (child->flags & (ITEM_REMOVED | ITEM_EXCLUDED | ITEM_FOLDER_AGAIN)))
            continue;
        std::string path = prefix.back();
        if (path != "/") path.push_back('/');
        EncodeHostPath(child->name, TextLength(child->name), &path);
        paths->push_back(path);
        if (child->childCount) {
            open.push_back({child, 0});
            prefix.push_back(std::move(path));
        }
    }
}

// The deepest folder that holds both a and b (either may be it).
ItemNode* CommonFolder(ItemNode* a, ItemNode* b) {
    std::vector<ItemNode*> above;
    for (ItemNode* at = a; at; at = at->parent) above.push_back(at);
    for (ItemNode* at = b; at; at = at->parent) {
        if (std::find(above.begin(), above.end(), at) != above.end()) return at;
    }
    return nullptr;
}

void ChangeFollower::SetUp(QObject* owner) {
    Forget();
    delete timer;
    timer = NewSingleShotTimer(owner, "changeFollowTimer", [] { follower.Process(); });
    clock.start();
    SetRescanEndedListener([](ItemNode* folder, bool applied) {
        if (applied) follower.WatchBelow(folder);
        follower.Schedule(0);
    });
}

void ChangeFollower::Forget() {
    watch.reset();
    drives.clear();
    stale.clear();
    lastRescan.clear();
    inPart = false;
    if (timer) timer->stop();
}

bool ChangeFollower::EnsureWatch() {
    if (watch) return true;
    watch = std::make_unique<ChangeWatch>([] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { follower.OnReported(); }, Qt::QueuedConnection);
    });
    if (!watch->Start()) {
        watch.reset();
        return false;
    }
    return true;
}

void ChangeFollower::WatchDrive(ItemNode* drive) {
    if (!followChanges || !drive || IsFromScanFile(drive) || !(drive->flags & ITEM_SCANNED)) return;
    // Only the machine's own file systems change under the window.
    if (!dynamic_cast<HostDevice*>(Device())) return;
    const std::string path = ScannedHostPath(drive);
    if (path.empty() || !EnsureWatch()) return;
    for (const WatchedDrive& watched : drives) {
        if (watched.drive == drive) return;
    }
    drives.push_back(WatchedDrive{drive, path});
    if (watchWholeFileSystems && watch->WatchFileSystem(path)) return;
    std::vector<std::string> folders;
    CollectFolderPaths(drive, &folders);
    const size_t watched = watch->WatchFolders(folders, folderWatchLimit);
    if (watched < folders.size()) {
        inPart = true;
        ShowStatusNotice(reinterpret_cast<const char16_t*>(StringText(STR_WATCH_PARTIAL).utf16()));
    }
}

void ChangeFollower::WatchPlace(ItemNode* place) {
    if (!inPart || !watch || !place) return;
    std::vector<std::string> chain;
    for (ItemNode* at = place; at && !(at->flags & ITEM_ROOT); at = at->parent) {
        chain.push_back(ScannedHostPath(at));
        if (at->flags & ITEM_DRIVE) break;
    }
    // These are watched whatever the limit: the place the user looks at
    // follows the disk.
    watch->WatchFolders(chain, watch->FolderWatchCount() + chain.size());
}

void ChangeFollower::WatchBelow(ItemNode* folder) {
    if (!watch || inPart) return;
    // A whole file system's mark covers new folders by itself; a folder
    // watch is needed for each new folder.
    bool anyByFolder = false;
    for (const WatchedDrive& watched : drives) anyByFolder |= watched.drive == DriveOf(folder);
    if (!anyByFolder || watch->FolderWatchCount() == 0) return;
    std::vector<std::string> folders;
    CollectFolderPaths(folder, &folders);
    if (watch->WatchFolders(folders, folderWatchLimit) < folders.size() && !inPart) {
        inPart = true;
        ShowStatusNotice(reinterpret_cast<const char16_t*>(StringText(STR_WATCH_PARTIAL).utf16()));
    }
}

void ChangeFollower::OnReported() {
    if (!watch) return;
    std::vector<std::string> changed = watch->TakeChanged();
    if (!followChanges) return;
    stale.insert(changed.begin(), changed.end());
    if (!stale.empty()) Schedule(FOLLOW_SETTLE_MS);
}

void ChangeFollower::Schedule(int milliseconds) {
    if (!timer) return;
    if (!timer->isActive() || timer->remainingTime() > milliseconds) timer->start(milliseconds);
}

// The deepest scanned folder of a watched drive on the way to path; none
// when path lies on no watched drive.
ItemNode* ChangeFollower::FolderOf(const std::string& path) const {
    for (const WatchedDrive& watched : drives) {
        const std::string& top = watched.hostPath;
        std::string below;
        if (path == top) {
            below.clear();
        } else if (top == "/" && path.size() > 1 && path[0] == '/') {
            below = path.substr(1);
        } else if (path.size() > top.size() && path.compare(0, top.size(), top) == 0 && path[top.size()] == '/') {
            below = path.substr(top.size() + 1);
        } else {
            continue;
        }
        ItemNode* at = watched.drive;
        size_t start = 0;
        std::vector<char16_t> name;
        while (start < below.size()) {
            size_t end = below.find('/', start);
            if (end == std::string::npos) end = below.size();
            name.clear();
            DecodeHostName(below.data() + start, end - start, &name);
            name.push_back(0);
            start = end + 1;
            ItemNode* child = FindChildByName(at, name.data());
            if (!child || !(child->flags & ITEM_FOLDER) || !(child->flags & ITEM_SCANNED) ||
                (child->flags & (ITEM_REMOVED | ITEM_EXCLUDED | ITEM_FOLDER_AGAIN)))
                break;
            at = child;
        }
        return at;
    }
    return nullptr;
}

void ChangeFollower::Process() {
    if (stale.empty()) return;
    if (!followChanges || drives.empty()) {
        stale.clear();
        return;
    }
    // One rescan at a time; its end brings the next.
    if (RescanningFolder()) return;
    if (!TreeMayChange()) {
        Schedule(FOLLOW_RETRY_MS);
        return;
    }
    // The stale folders, each as the deepest folder of the tree it falls in.
    // A drive is walked again at most once a second, from the deepest
    // folder that holds all of its stale folders, listing again only those
    // and the folders on the way to them: a burst anywhere in a drive is one
    // rescan a second, whose cost follows what changed.
    std::vector<std::pair<ItemNode*, std::string>> found;
    for (const std::string& path : stale) {
        if (ItemNode* folder = FolderOf(path)) found.push_back({folder, path});
    }
    const int64_t now = clock.elapsed();
    int64_t wait = -1;
    ItemNode* chosenDrive = nullptr;
    for (const auto& entry : found) {
        ItemNode* drive = DriveOf(entry.first);
        auto last = lastRescan.find(drive);
        const int64_t due = last == lastRescan.end() ? now : last->second + FOLLOW_INTERVAL_MS;
        if (due <= now) {
            chosenDrive = drive;
            break;
        }
        if (wait < 0 || due - now < wait) wait = due - now;
    }
    // Paths that lie on no watched drive are dropped.
    std::set<std::string> left;
    std::vector<const ItemNode*> changed;
    ItemNode* chosen = nullptr;
    for (const auto& entry : found) {
        if (!chosenDrive || DriveOf(entry.first) != chosenDrive) {
            left.insert(entry.second);
            continue;
        }
        changed.push_back(entry.first);
        chosen = chosen ? CommonFolder(chosen, entry.first) : entry.first;
    }
    stale.swap(left);
    if (!chosen) {
        if (wait >= 0) Schedule(static_cast<int>(wait));
        return;
    }
    lastRescan[chosenDrive] = now;
    if (!StartFolderRescan(chosen, false, &changed)) {
        // Not now: the paths it stood for wait for the next try.
        for (const auto& entry : found) stale.insert(entry.second);
        Schedule(FOLLOW_RETRY_MS);
    } else if (!stale.empty()) {
        Schedule(FOLLOW_SETTLE_MS);
    }
}

bool ChangeFollower::Settled() const {
    return (!watch || watch->Quiet()) && stale.empty() && !RescanningFolder();
}

}  // namespace

void SetUpChangeFollow(QObject* owner) { follower.SetUp(owner); }

void EndChangeFollow() { follower.Forget(); }

void ToggleFollowChanges() {
    followChanges = !followChanges;
    CheckCommand(CMD_FOLLOW_CHANGES, followChanges);
    follower.Forget();
    if (!followChanges || !rootItem) return;
    for (uint32_t i = 0; i < rootItem->childCount; ++i) follower.WatchDrive(&rootItem->children[i]);
}

void WatchScannedDrive(ItemNode* drive) { follower.WatchDrive(drive); }

void WatchListedPlace(ItemNode* place) { follower.WatchPlace(place); }

void ForgetWatchedDrives() { follower.Forget(); }

void WatchRescannedFolder(ItemNode* folder) { follower.WatchBelow(folder); }

bool ChangesSettled() { return follower.Settled(); }

bool ChangesFollowedInPart() { return follower.InPart(); }
