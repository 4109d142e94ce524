#include "model/scan_engine.h"

#include <sys/resource.h>

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <memory>
#include <cstdlib>
#include <thread>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_excludes.h"
#include "model/scan_file.h"
#include "model/text.h"
#include "platform/host_names.h"

// A folder whose subfolders are still to be listed. Its handle stays open
// while the budget of open folders allows; a folder closed to spare
// descriptors is opened again from its nearest open ancestor when one of its
// subfolders is listed. It lives while a task or a folder below refers to it,
// so the names from the top down to it stay at hand for that.
struct ScanEngine::OpenParent {
    ItemNode* folder;
    OpenParent* above;  // the open parent of folder's own folder; none for the top
    uint64_t volumeId;  // the folder's identity, to tell it when a bind mount shows it below itself
    uint64_t fileId;    // 0: unknown
    std::atomic<uint32_t> users;
    // Under folderLock: the subfolders not opened yet (the handle closes when
    // none is left), the handle (NO_FOLDER while closed), the threads opening
    // from it now, and when it was last used.
    uint32_t toOpen;
    FolderHandle handle;
    uint32_t pins;
    uint64_t lastUse;
};

// A folder of many entries whose facts several threads read, a range each;
// the thread that reads the last range makes the folder's block.
struct ScanEngine::BigFolder {
    ItemNode* folder;
    OpenParent* parent;
    FolderHandle handle;
    std::atomic<uint32_t> rangesLeft;
    FolderListing listing;
};

// A folder listed a part at a time, on a device that lists in parts: its
// entries are counted first, so its block is made once at its exact size,
// then each part's facts are read and its records made in the block by
// whichever thread takes the part. The whole listing is never held: at most
// a few parts are at once.
struct ScanEngine::PartedFolder {
    ItemNode* folder;
    OpenParent* above;
    FolderHandle handle;
    ItemNode* items;
    size_t slots;      // entries counted, one record each
    size_t nameChars;  // their names' characters, terminators included
    uint64_t volumeId;
    uint64_t folderId;
    std::atomic<uint32_t> partsLeft;  // parts not done, and one for the listing itself
    std::atomic<uint32_t> queued;     // parts handed to the pool and not done
    // Set by the listing thread before its own count is let go of.
    uint32_t error;   // the listing failed: the system's error number
    bool grew;        // more entries than counted: listed again whole
    bool cache;       // a cache folder to leave out
    std::mutex lock;  // guards what the parts add below
    std::vector<HardLink> links;
    uint32_t factsError;
    uint32_t folderFlags;
};

// One part of a PartedFolder: its listing, and where its entries stand in the
// folder's enumeration.
struct ScanEngine::FolderPart {
    PartedFolder* folder;
    size_t entriesBefore;
    size_t namesBefore;  // name characters of the entries before, terminators included
    FolderListing listing;
};

// A folder to list (big and part none), a range of a big folder's facts to
// read, or a part of a folder listed in parts.
struct ScanEngine::Task {
    ItemNode* folder;
    OpenParent* parent;  // none for the top, which is opened by its path
    BigFolder* big;
    size_t begin;
    size_t end;
    FolderPart* part = nullptr;
};

ScanEngine::ThreadStarter ScanEngine::threadStarter = ScanEngine::StartPosixThread;

namespace {

// Facts read per task of a big folder: enough that a task outweighs its
// hand-over, few enough that every thread gets some.
constexpr size_t SCAN_FACTS_RANGE = 2048;
// Entries per part of a folder listed in parts, and the parts per core
// thread handed to the pool at once: enough to keep every thread busy, few
// enough that the parts held stay small beside the block.
constexpr size_t SCAN_PART_ENTRIES = 1024;
constexpr uint32_t SCAN_PARTS_QUEUED_PER_THREAD = 2;
// A listing scratch that grew past this many entries is let go of after the
// folder, not held by its thread for the rest of the walk.
constexpr size_t SCAN_SCRATCH_KEPT = 2 * SCAN_SPLIT_ENTRIES;

// Whether a comes before b in the tree's order: depth first, records in
// block order, a folder before what it holds.
bool ComesFirstInTree(const ItemNode* a, const ItemNode* b) {
    std::vector<const ItemNode*> chainA, chainB;
    for (const ItemNode* node = a; node; node = node->parent) chainA.push_back(node);
    for (const ItemNode* node = b; node; node = node->parent) chainB.push_back(node);
    // From the top down to where the chains part; siblings share a block.
    size_t i = chainA.size(), j = chainB.size();
    while (i > 0 && j > 0 && chainA[i - 1] == chainB[j - 1]) {
        --i;
        --j;
    }
    if (i == 0 || j == 0) return i == 0;
    return chainA[i - 1] < chainB[j - 1];
}

// Folders kept open for their subfolders, per listing thread: enough that a
// walk rarely opens a folder twice, few enough that no depth of tree runs out
// of descriptors; a low limit of the process's descriptors lowers it.
constexpr int SCAN_OPEN_FOLDERS_PER_THREAD = 4;

// Listing threads per core where the device leaves the choice: those past
// the first per core run only while a core's thread waits.
constexpr int SCAN_THREADS_PER_CORE = 4;
// A task that has run this long while its thread used less than half of
// that time on a processor waits on the device.
constexpr int64_t SCAN_WAITING_NS = 100000;
// How often a thread that lists only while others wait looks at them: soon
// after a task of its own, when the device is likely to keep them waiting,
// then less and less often while none waits, so a walk of cached folders
// pays next to nothing for the threads it does not need.
constexpr auto SCAN_WAITING_POLL_FIRST = std::chrono::microseconds(250);
constexpr auto SCAN_WAITING_POLL_LAST = std::chrono::microseconds(2000);

int64_t ClockNs(clockid_t clock) {
    struct timespec now;
    if (clock_gettime(clock, &now) != 0) return 0;
    return int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

bool IsStoreRootDrive(const ItemNode* item) {
    if (!(item->flags & ITEM_DRIVE)) return false;
    size_t length = TextLength(item->name);
    return length > 0 && item->name[length - 1] == u'\\';
}

uint32_t OpenFolderBudget(int threads) {
    uint32_t budget = static_cast<uint32_t>(threads) * SCAN_OPEN_FOLDERS_PER_THREAD;
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        // A quarter of the limit, the rest left to the listings themselves
        // and to the program around the walk.
        budget = std::min<uint64_t>(budget, limit.rlim_cur / 4);
    }
    return std::max<uint32_t>(budget, 2);
}

}  // namespace

// The first link of each file in the tree's order carries its blocks; the
// others are marked, so a scan counts the file once whichever thread met
// which link first.
void MarkLinkRepeats(std::vector<HardLink>* links) {
    std::sort(links->begin(), links->end(), [](const HardLink& a, const HardLink& b) {
        if (a.volumeId != b.volumeId) return a.volumeId < b.volumeId;
        if (a.fileId != b.fileId) return a.fileId < b.fileId;
        return ComesFirstInTree(a.item, b.item);
    });
    for (size_t i = 1; i < links->size(); ++i) {
        const HardLink& before = (*links)[i - 1];
        HardLink& link = (*links)[i];
        if (link.volumeId == before.volumeId && link.fileId == before.fileId) link.item->flags |= ITEM_LINK_REPEAT;
    }
}

bool ScanEngine::StartPosixThread(pthread_t* thread, void* (*body)(void*), void* argument) {
    return pthread_create(thread, nullptr, body, argument) == 0;
}

ScanEngine::ScanEngine(StorageDevice* storage) : device(storage) {}

ScanEngine::~ScanEngine() {
    if (!threads.empty()) {
        RequestStop();
        WaitUntilEnded();
    }
    if (!finished) {
        for (pthread_t thread : threads) pthread_join(thread, nullptr);
        threads.clear();
        FreeLevels();
    }
}

bool ScanEngine::Start(ItemNode* scanTop, int threadsWanted, std::function<void()> whenEnded) {
    top = scanTop;
    topIsStoreRoot = IsStoreRootDrive(top);
    onEnded = std::move(whenEnded);
    if (threadsWanted <= 0) {
        char16_t path[PATH_CHARS];
        if (ItemFolderPath(path, PATH_CHARS, top)) threadsWanted = device->ListingThreads(path);
    }
    if (threadsWanted <= 0) {
        // One listing thread per core, and beside them threads that list
        // only while those wait on the disk: a cold disk takes many requests
        // at once, a warm cache gains nothing from more threads than cores.
        coreThreads = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));
        threadsWanted = coreThreads * SCAN_THREADS_PER_CORE;
    } else {
        coreThreads = threadsWanted;
    }
    openBudget = OpenFolderBudget(threadsWanted);
    workers = std::make_unique<Worker[]>(static_cast<size_t>(threadsWanted));

    stack.push_back(Task{top, nullptr, nullptr, 0, 0});
    pending = 1;
    // Counted before any thread runs: the last one to leave ends the walk.
    threadCount = threadsWanted;
    liveThreads = threadsWanted;
    threads.reserve(threadsWanted);
    for (int i = 0; i < threadsWanted; ++i) {
        pthread_t thread;
        if (threadStarter(&thread, ThreadBody, this)) {
            threads.push_back(thread);
            continue;
        }
        // Fewer threads than wanted still walk; none cannot.
        if (i == 0) {
            stack.clear();
            pending = 0;
            liveThreads = 0;
            return false;
        }
        // The threads that run may have left already, uncounted ones aside.
        if (liveThreads.fetch_sub(threadsWanted - i) == threadsWanted - i) EndWalk();
        break;
    }
    return true;
}

bool ScanEngine::StartFromFile(ItemNode* scanTop, const std::string& file, ScanFileContents* alreadyRead,
                               std::function<void()> whenEnded) {
    top = scanTop;
    fileName = file;
    preRead = alreadyRead;
    onEnded = std::move(whenEnded);
    threadCount = 1;
    liveThreads = 1;
    pthread_t thread;
    if (!threadStarter(&thread, FileThreadBody, this)) {
        liveThreads = 0;
        preRead = nullptr;  // still the caller's
        return false;
    }
    threads.push_back(thread);
    return true;
}

void* ScanEngine::FileThreadBody(void* engine) {
    auto* self = static_cast<ScanEngine*>(engine);
    self->ReadFileTree();
    if (self->liveThreads.fetch_sub(1) == 1) self->EndWalk();
    return nullptr;
}

void ScanEngine::ReadFileTree() {
    ScanFileContents contents;
    bool read = true;
    if (preRead) {
        contents = std::move(*preRead);
        delete preRead;
        preRead = nullptr;
    } else {
        read = OpenScanFile(fileName, &contents, &readFailure);
    }
    if (!read) return;
    if (stopRequested.load()) {
        anyDiscarded = true;
        FreeScanFile(&contents);
        return;
    }
    PublishFileTree(&contents);
}

// Hands the file's blocks on as a walk's levels: each folder's block is
// taken off its record (so every level stands alone, as a walk's do, and a
// stop frees each once), the file's root's block becoming top's.
void ScanEngine::PublishFileTree(ScanFileContents* contents) {
    constexpr size_t LEVELS_PER_BATCH = 1024;
    std::vector<ScanLevel> batch;
    std::vector<std::pair<ItemNode*, ItemNode*>> waiting = {{top, contents->root}};
    uint64_t bytes = 0, diskBytes = 0;
    for (size_t next = 0; next < waiting.size(); ++next) {
        auto [target, source] = waiting[next];
        ItemNode* items = source->children;
        uint32_t count = source->childCount;
        source->children = nullptr;
        source->childCount = 0;
        for (uint32_t i = 0; i < count; ++i) {
            items[i].parent = target;
            bytes += items[i].ownSize;
            diskBytes += items[i].diskSize;
            if (items[i].flags & ITEM_FOLDER) waiting.push_back({&items[i], &items[i]});
        }
        const uint32_t error = (source->flags & ITEM_UNREADABLE) ? static_cast<uint32_t>(source->readError) : 0u;
        batch.push_back(ScanLevel{target, items, count, error});
        if (batch.size() == LEVELS_PER_BATCH) {
            Publish(batch.data(), batch.size());
            batch.clear();
            newestFolder.store(target, std::memory_order_release);
            seenBytes.store(bytes, std::memory_order_relaxed);
            seenDiskBytes.store(diskBytes, std::memory_order_relaxed);
        }
    }
    Publish(batch.data(), batch.size());
    seenBytes.store(bytes, std::memory_order_relaxed);
    seenDiskBytes.store(diskBytes, std::memory_order_relaxed);
    {
        std::lock_guard<std::mutex> lock(levelLock);
        hardLinks = std::move(contents->hardLinks);
    }
    // The file's root record itself: its block holds nothing more.
    FreeItemArray(contents->root, 1);
    contents->root = nullptr;
}

void ScanEngine::EndWalk() {
    {
        std::lock_guard<std::mutex> lock(workLock);
        ended = true;
        workChanged.notify_all();
    }
    // The last act of the walk: the owner may finish it from here on.
    if (onEnded) onEnded();
}

void ScanEngine::RequestStop() {
    stopRequested = true;
    // Threads waiting for work see the stop at once.
    std::lock_guard<std::mutex> lock(workLock);
    workChanged.notify_all();
    extraChanged.notify_all();
}

ScanOutcome ScanEngine::Outcome() {
    std::lock_guard<std::mutex> lock(workLock);
    if (!ended) return SCAN_WALKING;
    return anyDiscarded ? SCAN_STOPPED : SCAN_COMPLETE;
}

void ScanEngine::WaitUntilEnded() {
    std::unique_lock<std::mutex> lock(workLock);
    workChanged.wait(lock, [this] { return ended; });
}

size_t ScanEngine::TakeLevels(std::vector<ScanLevel>* taken) {
    std::lock_guard<std::mutex> lock(levelLock);
    size_t count = levels.size() - levelsTaken;
    taken->insert(taken->end(), levels.begin() + static_cast<std::ptrdiff_t>(levelsTaken), levels.end());
    levelsTaken = levels.size();
    return count;
}

void* ScanEngine::ThreadBody(void* engine) {
    auto* self = static_cast<ScanEngine*>(engine);
    self->Work(self->nextWorker.fetch_add(1));
    return nullptr;
}

// Whether a core's thread is in a task that waits on the device: running
// long, with little time on a processor.
bool ScanEngine::AnyCoreWaiting() {
    int64_t now = ClockNs(CLOCK_MONOTONIC);
    for (int i = 0; i < coreThreads; ++i) {
        Worker& worker = workers[static_cast<size_t>(i)];
        if (!worker.ready.load(std::memory_order_acquire)) continue;
        int64_t started = worker.taskStarted.load(std::memory_order_acquire);
        if (started == 0 || now - started < SCAN_WAITING_NS || !worker.hasClock) continue;
        int64_t used = ClockNs(worker.cpuClock) - worker.taskCpuStarted.load(std::memory_order_relaxed);
        if (used < (now - started) / 2) return true;
    }
    return false;
}

void ScanEngine::Work(int index) {
    Worker& self = workers[static_cast<size_t>(index)];
    self.hasClock = pthread_getcpuclockid(pthread_self(), &self.cpuClock) == 0;
    const bool core = index < coreThreads;
    self.ready.store(true, std::memory_order_release);
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> lock(workLock);
            if (core) {
                workChanged.wait(lock, [this] { return !stack.empty() || pending == 0; });
            } else {
                // Listing only while a core's thread waits on the device.
                auto poll = SCAN_WAITING_POLL_FIRST;
                while (pending != 0 && (stack.empty() || !AnyCoreWaiting())) {
                    extraChanged.wait_for(lock, poll);
                    poll = std::min(poll * 2, SCAN_WAITING_POLL_LAST);
                }
            }
            if (stack.empty()) break;
            task = stack.back();
            stack.pop_back();
        }
        self.taskCpuStarted.store(ClockNs(CLOCK_THREAD_CPUTIME_ID), std::memory_order_relaxed);
        self.taskStarted.store(ClockNs(CLOCK_MONOTONIC), std::memory_order_release);
        RunTask(task);
        self.taskStarted.store(0, std::memory_order_release);
        TaskDone();
    }
    if (liveThreads.fetch_sub(1) == 1) EndWalk();
}

void ScanEngine::Push(const Task& task) {
    std::lock_guard<std::mutex> lock(workLock);
    stack.push_back(task);
    ++pending;
    workChanged.notify_one();
}

void ScanEngine::TaskDone() {
    std::lock_guard<std::mutex> lock(workLock);
    if (--pending == 0) {
        workChanged.notify_all();
        extraChanged.notify_all();
    }
}

void ScanEngine::RunTask(const Task& task) {
    if (task.part)
        PartTask(task.part, true);
    else if (task.big)
        FactsTask(task);
    else
        ListTask(task);
}

void ScanEngine::ReleaseParent(OpenParent* parent) {
    // The last user of a folder lets go of it, and with it of its parent.
    while (parent && parent->users.fetch_sub(1) == 1) {
        {
            std::lock_guard<std::mutex> lock(folderLock);
            if (parent->handle != NO_FOLDER) ForgetOpen(parent);
        }
        OpenParent* above = parent->above;
        delete parent;
        parent = above;
    }
}

// Under folderLock: closes the handle of an open parent and takes it off the
// open ones.
void ScanEngine::ForgetOpen(OpenParent* parent) {
    device->CloseFolder(parent->handle);
    parent->handle = NO_FOLDER;
    openParents.erase(std::find(openParents.begin(), openParents.end(), parent));
}

// Under folderLock: keeps parent's handle among the open ones, then closes
// the least recently used that no thread opens from while over the budget.
void ScanEngine::KeepOpen(OpenParent* parent, FolderHandle handle) {
    parent->handle = handle;
    parent->lastUse = ++useClock;
    openParents.push_back(parent);
    while (openParents.size() > openBudget) {
        OpenParent* oldest = nullptr;
        for (OpenParent* open : openParents) {
            if (open->pins == 0 && (!oldest || open->lastUse < oldest->lastUse)) oldest = open;
        }
        if (!oldest) break;
        ForgetOpen(oldest);
    }
}

// The open handle of parent, held (pinned) until UnpinParent so that no
// other thread closes it meanwhile. A parent closed to spare descriptors is
// opened again folder by folder from its nearest open ancestor, or from the
// top's path; the folders opened on the way are kept for the subfolders
// they still have. NO_FOLDER, the error set, when a folder on the way
// cannot be opened any more.
// Under folderLock: a handle no thread opens from, with no subfolder left
// to open from it, closes.
void ScanEngine::CloseWhenDone(OpenParent* parent) {
    if (parent->toOpen == 0 && parent->pins == 0 && parent->handle != NO_FOLDER) ForgetOpen(parent);
}

FolderHandle ScanEngine::PinParent(OpenParent* parent) {
    std::vector<OpenParent*> chain;
    OpenParent* base = nullptr;
    {
        std::lock_guard<std::mutex> lock(folderLock);
        if (parent->handle != NO_FOLDER) {
            ++parent->pins;
            parent->lastUse = ++useClock;
            return parent->handle;
        }
        for (OpenParent* at = parent; at; at = at->above) {
            if (at->handle != NO_FOLDER) {
                base = at;
                ++base->pins;
                break;
            }
            chain.push_back(at);
        }
    }
    // Down from the base: chain holds parent first, the highest closed one
    // last. Each folder on the way is kept where subfolders are left to open
    // from it (and no other thread opened it meanwhile), else closed once
    // the next one is open, so a reopening holds two folders at a time.
    FolderHandle from = base ? base->handle : NO_FOLDER;
    OpenParent* held = base;  // pinned: from is its handle
    bool ownsFrom = false;    // from is ours to keep or close
    for (size_t i = chain.size(); i-- > 0;) {
        OpenParent* at = chain[i];
        FolderHandle next = NO_FOLDER;
        bool opened;
        if (from == NO_FOLDER) {
            char16_t path[PATH_CHARS];
            opened = ItemFolderPath(path, PATH_CHARS, at->folder) && device->OpenFolder(path, &next);
        } else {
            opened = device->OpenSubfolder(from, at->folder->name, &next);
        }
        if (held) {
            // The folder above is done with: kept or closed if it was
            // opened here, else let go of.
            if (ownsFrom) {
                std::lock_guard<std::mutex> lock(folderLock);
                if (held->handle == NO_FOLDER && held->toOpen > 0) {
                    KeepOpen(held, from);
                } else {
                    device->CloseFolder(from);
                }
            } else {
                std::lock_guard<std::mutex> lock(folderLock);
                --held->pins;
                CloseWhenDone(held);
            }
        }
        if (!opened) return NO_FOLDER;
        from = next;
        held = at;
        ownsFrom = true;
    }
    // parent itself: pinned for the caller, then kept.
    std::lock_guard<std::mutex> lock(folderLock);
    ++parent->pins;
    if (parent->handle == NO_FOLDER)
        KeepOpen(parent, from);
    else
        device->CloseFolder(from);
    return parent->handle;
}

void ScanEngine::OpenedFrom(OpenParent* parent, bool pinned) {
    std::lock_guard<std::mutex> lock(folderLock);
    if (pinned) --parent->pins;
    --parent->toOpen;
    CloseWhenDone(parent);
}

void ScanEngine::Publish(const ScanLevel* published, size_t count) {
    std::lock_guard<std::mutex> lock(levelLock);
    levels.insert(levels.end(), published, published + count);
}

void ScanEngine::ListTask(const Task& task) {
    ItemNode* folder = task.folder;
    // The stop is read as each folder below top is entered; top's own
    // listing always runs, so a top without subfolders is listed to its end.
    if (folder != top && stopRequested.load(std::memory_order_relaxed)) {
        anyDiscarded = true;
        ReleaseParent(task.parent);
        return;
    }
    newestFolder.store(folder, std::memory_order_release);
    FolderHandle handle = NO_FOLDER;
    bool opened;
    if (task.parent) {
        FolderHandle parentHandle = PinParent(task.parent);
        opened = parentHandle != NO_FOLDER && device->OpenSubfolder(parentHandle, folder->name, &handle);
        OpenedFrom(task.parent, parentHandle != NO_FOLDER);
    } else {
        char16_t path[PATH_CHARS];
        opened = ItemFolderPath(path, PATH_CHARS, folder) && device->OpenFolder(path, &handle);
    }
    thread_local FolderListing scratch;
    if (scratch.entries.capacity() > SCAN_SCRATCH_KEPT) scratch = FolderListing{};
    scratch.Clear();
    // The store's root is built whole: its drives and database folder are
    // its own. Any other folder is read a part at a time where the device
    // can, so one of many entries is never listed whole.
    const bool whole = folder == top && topIsStoreRoot;
    bool ended = true;
    if (!opened ||
        !device->ReadFolderPart(handle, &scratch, true, whole ? SIZE_MAX : SCAN_SPLIT_ENTRIES, &ended)) {
        ScanLevel level{folder, nullptr, 0, static_cast<uint32_t>(device->LastSystemError())};
        if (opened) device->CloseFolder(handle);
        // The store's root keeps its database folder even so.
        if (folder == top && topIsStoreRoot) {
            scratch.Clear();
            CompleteFolder(folder, task.parent, NO_FOLDER, &scratch);
            return;
        }
        ReleaseParent(task.parent);
        Publish(&level, 1);
        return;
    }
    if (!ended) {
        ListInParts(folder, task.parent, handle);
        return;
    }
    if (excludes && !excludes->Empty() && ApplyExcludes(folder, handle, &scratch)) {
        // A cache folder: listed where it stands, not entered.
        PublishUnlisted(folder, task.parent, handle, 0, ITEM_EXCLUDED);
        return;
    }
    size_t entries = scratch.entries.size();
    if (entries > SCAN_SPLIT_ENTRIES && coreThreads > 1) {
        BigFolder* big = new BigFolder{folder, task.parent, handle, {0}, {}};
        std::swap(big->listing, scratch);
        uint32_t ranges = static_cast<uint32_t>((entries + SCAN_FACTS_RANGE - 1) / SCAN_FACTS_RANGE);
        big->rangesLeft = ranges;
        for (uint32_t range = ranges; range-- > 1;) {
            size_t begin = range * SCAN_FACTS_RANGE;
            Push(Task{folder, nullptr, big, begin, std::min(entries, begin + SCAN_FACTS_RANGE)});
        }
        FactsTask(Task{folder, nullptr, big, 0, std::min(entries, SCAN_FACTS_RANGE)});
        return;
    }
    device->ReadEntryFacts(handle, &scratch, 0, entries);
    CompleteFolder(folder, task.parent, handle, &scratch);
}

// Closes a folder that gets no block (unreadable, or a cache left out),
// lets go of its parent and publishes it as such.
void ScanEngine::PublishUnlisted(ItemNode* folder, OpenParent* above, FolderHandle handle, uint32_t error,
                                 uint32_t flags) {
    device->CloseFolder(handle);
    ReleaseParent(above);
    ScanLevel level{folder, nullptr, 0, error, flags};
    Publish(&level, 1);
}

// Lists a folder of more entries than one part: counts them and their names
// in a first reading, makes the block, then reads the folder again a part
// at a time and hands the parts to the pool, a few at once; a part beyond
// those is done on this thread, which so never waits for the others.
void ScanEngine::ListInParts(ItemNode* folder, OpenParent* above, FolderHandle handle) {
    thread_local std::vector<char16_t> name;
    thread_local FolderListing counting;
    size_t slots = 0, nameChars = 0;
    bool ended = false;
    for (bool fromStart = true; !ended; fromStart = false) {
        counting.Clear();
        if (!device->ReadFolderPart(handle, &counting, fromStart, SCAN_PART_ENTRIES, &ended)) {
            PublishUnlisted(folder, above, handle, static_cast<uint32_t>(device->LastSystemError()), 0);
            return;
        }
        for (const FolderEntry& entry : counting.entries) {
            size_t length = 0;
            EntryName(counting, entry, &name, &length);
            ++slots;
            nameChars += length + 1;
        }
    }
    if (counting.entries.capacity() > SCAN_SCRATCH_KEPT) counting = FolderListing{};
    ItemNode* items = AllocateItemBlock(slots, nameChars);
    if (!items) {
        PublishUnlisted(folder, above, handle, ENOMEM, 0);
        return;
    }
    auto* parted = new PartedFolder{folder, above, handle, items, slots, nameChars, counting.volumeId,
                                    counting.folderId, {1}, {0}, 0, false, false, {}, {}, 0, 0};
    const uint32_t queueLimit = static_cast<uint32_t>(coreThreads) * SCAN_PARTS_QUEUED_PER_THREAD;
    size_t entriesBefore = 0, namesBefore = 0;
    ended = false;
    for (bool fromStart = true; !ended; fromStart = false) {
        if (folder != top && stopRequested.load(std::memory_order_relaxed)) break;
        auto* part = new FolderPart{parted, entriesBefore, namesBefore, {}};
        // Made at its size at once: grown step by step, it would leave the
        // steps behind as holes among the blocks.
        part->listing.entries.reserve(SCAN_PART_ENTRIES);
        if (!device->ReadFolderPart(handle, &part->listing, fromStart, SCAN_PART_ENTRIES, &ended)) {
            parted->error = static_cast<uint32_t>(device->LastSystemError());
            delete part;
            break;
        }
        for (const FolderEntry& entry : part->listing.entries) {
            size_t length = 0;
            EntryName(part->listing, entry, &name, &length);
            ++entriesBefore;
            namesBefore += length + 1;
        }
        if (entriesBefore > slots || namesBefore > nameChars) {
            // Entries came in since they were counted.
            parted->grew = true;
            delete part;
            break;
        }
        if (excludes && !excludes->Empty() && ApplyExcludes(folder, handle, &part->listing)) {
            parted->cache = true;
            delete part;
            break;
        }
        parted->partsLeft.fetch_add(1);
        if (parted->queued.load() < queueLimit) {
            parted->queued.fetch_add(1);
            Push(Task{folder, nullptr, nullptr, 0, 0, part});
        } else {
            PartTask(part, false);
        }
    }
    PartDone(parted);
}

// Reads a part's facts and makes its records; the last part done finishes
// the folder.
void ScanEngine::PartTask(FolderPart* part, bool queued) {
    PartedFolder* parted = part->folder;
    if (parted->folder == top || !stopRequested.load(std::memory_order_relaxed)) {
        device->ReadEntryFacts(parted->handle, &part->listing, 0, part->listing.entries.size());
        MakePartRecords(part);
    }
    delete part;
    if (queued) parted->queued.fetch_sub(1);
    PartDone(parted);
}

// The records of a part's entries, in the folder's block: records in the
// reverse of enumeration order and names in record order, so entry e of n is
// record n - 1 - e and its name ends where the names of the entries before
// it begin, counted from the block's end. An entry the skip rules leave out
// leaves a hole (a record without a name) that FinishParts closes.
void ScanEngine::MakePartRecords(FolderPart* part) {
    PartedFolder* parted = part->folder;
    const FolderListing& listing = part->listing;
    thread_local std::vector<char16_t> name;
    char16_t* names = NameTail(parted->items, parted->slots);
    std::vector<HardLink> links;
    uint32_t factsError = 0, folderFlags = 0;
    size_t namesEnd = parted->nameChars - part->namesBefore;
    for (size_t i = 0; i < listing.entries.size(); ++i) {
        const FolderEntry& entry = listing.entries[i];
        size_t length = 0;
        const char16_t* text = EntryName(listing, entry, &name, &length);
        namesEnd -= length + 1;
        if (!KeepsEntry(entry, text, length)) continue;
        ItemNode* record = &parted->items[parted->slots - 1 - (part->entriesBefore + i)];
        record->parent = parted->folder;
        record->name = names + namesEnd;
        CopyText(names + namesEnd, text, length);
        FillRecord(record, entry);
        NoteEntry(entry, record, listing, parted->above, &links, &factsError, &folderFlags);
    }
    std::lock_guard<std::mutex> lock(parted->lock);
    parted->links.insert(parted->links.end(), links.begin(), links.end());
    if (!parted->factsError) parted->factsError = factsError;
    parted->folderFlags |= folderFlags;
}

void ScanEngine::PartDone(PartedFolder* parted) {
    if (parted->partsLeft.fetch_sub(1) == 1) FinishParts(parted);
}

// Every part is done: closes the holes of the entries left out and hands
// the folder on as CompleteFolder does. A folder stopped, unreadable on the
// way, or a cache gets no block; one that grew while it was read is listed
// again whole.
void ScanEngine::FinishParts(PartedFolder* parted) {
    std::unique_ptr<PartedFolder> owned(parted);
    ItemNode* folder = parted->folder;
    const bool stopped = folder != top && stopRequested.load(std::memory_order_relaxed);
    if (stopped || parted->error || parted->cache || parted->grew) {
        std::free(parted->items);
        if (stopped) {
            anyDiscarded = true;
            device->CloseFolder(parted->handle);
            ReleaseParent(parted->above);
        } else if (parted->error || parted->cache) {
            PublishUnlisted(folder, parted->above, parted->handle, parted->error,
                            parted->cache ? uint32_t(ITEM_EXCLUDED) : 0u);
        } else {
            thread_local FolderListing whole;
            whole.Clear();
            if (!device->ReadFolderNames(parted->handle, &whole)) {
                PublishUnlisted(folder, parted->above, parted->handle,
                                static_cast<uint32_t>(device->LastSystemError()), 0);
            } else if (excludes && !excludes->Empty() && ApplyExcludes(folder, parted->handle, &whole)) {
                PublishUnlisted(folder, parted->above, parted->handle, 0, ITEM_EXCLUDED);
            } else {
                device->ReadEntryFacts(parted->handle, &whole, 0, whole.entries.size());
                CompleteFolder(folder, parted->above, parted->handle, &whole);
            }
            whole = FolderListing{};
        }
        return;
    }
    ItemNode* items = parted->items;
    size_t count = 0;
    char16_t* names = NameTail(items, parted->slots);
    for (size_t i = 0; i < parted->slots; ++i) {
        if (!items[i].name) continue;
        if (count != i) {
            // Records and names move down over the holes, in order.
            items[count] = items[i];
            size_t length = TextLength(items[i].name) + 1;
            std::memmove(names, items[count].name, length * sizeof(char16_t));
            items[count].name = names;
        }
        names += TextLength(items[count].name) + 1;
        ++count;
    }
    if (count == 0) {
        std::free(items);
        items = nullptr;
    }
    HandOn(folder, parted->above, parted->handle, items, static_cast<uint32_t>(count), parted->factsError,
           parted->folderFlags, parted->links, parted->volumeId, parted->folderId);
}

void ScanEngine::FactsTask(const Task& task) {
    BigFolder* big = task.big;
    bool stopped = big->folder != top && stopRequested.load(std::memory_order_relaxed);
    if (!stopped) device->ReadEntryFacts(big->handle, &big->listing, task.begin, task.end);
    if (big->rangesLeft.fetch_sub(1) != 1) return;
    if (stopped || (big->folder != top && stopRequested.load(std::memory_order_relaxed))) {
        anyDiscarded = true;
        device->CloseFolder(big->handle);
        ReleaseParent(big->parent);
    } else {
        CompleteFolder(big->folder, big->parent, big->handle, &big->listing);
    }
    delete big;
}

// Marks the entries of a listed folder that the excludes leave out; true
// when the folder itself is a cache to leave out (never the top).
bool ScanEngine::ApplyExcludes(ItemNode* folder, FolderHandle handle, FolderListing* listing) {
    thread_local std::string name;
    auto hostName = [listing](const FolderEntry& entry) -> const char* {
        if (listing->decodeName) return &listing->hostNames[entry.hostNameOffset];
        name.clear();
        EncodeHostPath(&listing->names[entry.nameOffset], entry.nameLength, &name);
        return name.c_str();
    };
    if (excludes->Caches() && folder != top) {
        for (size_t i = 0; i < listing->entries.size(); ++i) {
            const FolderEntry& entry = listing->entries[i];
            if ((entry.attributes & FILE_ATTR_DIRECTORY) || std::strcmp(hostName(entry), SCAN_CACHE_TAG_NAME) != 0)
                continue;
            char start[SCAN_CACHE_TAG_SIGNATURE_LENGTH];
            size_t read = 0;
            if (device->ReadFileStart(handle, *listing, i, start, sizeof start, &read) && IsCacheTag(start, read))
                return true;
        }
    }
    if (excludes->Patterns().empty()) return false;
    // The folder's depth below the top, and its path where a pattern that
    // names paths can match its entries.
    const ItemNode* base = excludeBase ? excludeBase : top;
    size_t depth = 0;
    for (const ItemNode* at = folder; at && at != base; at = at->parent) ++depth;
    thread_local std::string folderPath;
    thread_local ExcludeScope scope;
    folderPath.clear();
    if (excludes->NeedsFolderPath(depth)) {
        std::vector<const ItemNode*> chain;
        for (const ItemNode* at = folder; at && at != base; at = at->parent) chain.push_back(at);
        for (size_t i = chain.size(); i-- > 0;) {
            EncodeHostPath(chain[i]->name, TextLength(chain[i]->name), &folderPath);
            if (i > 0) folderPath.push_back('/');
        }
    }
    if (!excludes->ScopeFor(depth, folderPath, &scope)) return false;
    for (FolderEntry& entry : listing->entries) {
        if (entry.attributes == FILE_ATTR_INVALID || (entry.attributes & FILE_ATTR_VOLUME)) continue;
        const char* entryName = hostName(entry);
        if (excludes->Excludes(entryName, std::strlen(entryName), &scope)) entry.attributes |= FILE_ATTR_EXCLUDED;
    }
    return false;
}

// Whether the folder of the given identity is folder itself (whose listing
// is given) or one of the folders above it: a bind mount shows a folder
// inside itself, and entering it would walk the same folders for ever.
bool ScanEngine::IsFolderAgain(const FolderListing& listing, const OpenParent* above, uint64_t fileId) {
    if (fileId == 0) return false;
    if (listing.folderId == fileId) return true;
    for (const OpenParent* at = above; at; at = at->above) {
        if (at->fileId == fileId && at->volumeId == listing.volumeId) return true;
    }
    return false;
}

// Makes the folder's block from its read listing and hands it on.
void ScanEngine::CompleteFolder(ItemNode* folder, OpenParent* above, FolderHandle handle, FolderListing* listing) {
    bool isStoreRoot = folder == top && topIsStoreRoot;
    ItemNode* items = nullptr;
    uint32_t count = BuildFolderLevel(listing, folder, isStoreRoot, &items);

    // The records follow the listing's entries backwards, skipped ones left
    // out.
    std::vector<HardLink> links;
    uint32_t factsError = 0;
    uint32_t folderFlags = 0;
    size_t record = 0;
    for (size_t i = listing->entries.size(); i-- > 0 && record < count;) {
        const FolderEntry& entry = listing->entries[i];
        if (entry.attributes == FILE_ATTR_INVALID) continue;
        NoteEntry(entry, &items[record++], *listing, above, &links, &factsError, &folderFlags);
    }
    HandOn(folder, above, handle, items, count, factsError, folderFlags, links, listing->volumeId,
           listing->folderId);
}

// What an entry tells beside its record: its hard-link identity, a folder
// seen again below itself, facts that could not be read (which leave the
// folder incomplete) and entries left out.
void ScanEngine::NoteEntry(const FolderEntry& entry, ItemNode* item, const FolderListing& listing,
                           const OpenParent* above, std::vector<HardLink>* links, uint32_t* factsError,
                           uint32_t* folderFlags) {
    if (entry.attributes & FILE_ATTR_EXCLUDED) {
        *folderFlags |= ITEM_HOLDS_EXCLUDED;
        return;
    }
    if (entry.links > 1 && !(entry.attributes & FILE_ATTR_DIRECTORY))
        links->push_back({listing.volumeId, entry.fileId, item, entry.links});
    if (entry.error && !*factsError) *factsError = entry.error;
    if ((entry.attributes & FILE_ATTR_DIRECTORY) && IsFolderAgain(listing, above, entry.fileId)) {
        // Its blocks are counted where it stands first.
        item->flags |= ITEM_SCANNED | ITEM_FOLDER_AGAIN;
        item->ownSize = 0;
        item->diskSize = 0;
    }
}

// Publishes a folder's block (with the database folder's for the store's
// root), and hands its subfolders to the pool; they are opened relative to
// the folder's handle. The folder's own parent (above) is handed on to its
// subfolders, or let go of when it has none.
void ScanEngine::HandOn(ItemNode* folder, OpenParent* above, FolderHandle handle, ItemNode* items, uint32_t count,
                        uint32_t factsError, uint32_t folderFlags, const std::vector<HardLink>& links,
                        uint64_t volumeId, uint64_t folderId) {
    bool isStoreRoot = folder == top && topIsStoreRoot;
    uint64_t bytes = 0;
    uint64_t diskBytes = 0;
    for (uint32_t i = 0; i < count; ++i) {
        bytes += items[i].ownSize;
        diskBytes += items[i].diskSize;
    }

    ScanLevel published[2] = {{folder, items, count, factsError, folderFlags}, {}};
    size_t publishedCount = 1;
    if (isStoreRoot && count > 0) {
        ItemNode* databases = &items[count - 1];
        ItemNode* databaseItems = nullptr;
        uint32_t databaseCount = ListDatabasesOf(device, databases, &databaseItems);
        for (uint32_t i = 0; i < databaseCount; ++i) {
            bytes += databaseItems[i].ownSize;
            diskBytes += databaseItems[i].diskSize;
        }
        published[publishedCount++] = {databases, databaseItems, databaseCount, 0};
    }
    seenBytes.fetch_add(bytes, std::memory_order_relaxed);
    seenDiskBytes.fetch_add(diskBytes, std::memory_order_relaxed);

    // The subfolders entered, asked once each; the records are published
    // below and not written again.
    thread_local std::vector<uint32_t> entered;
    entered.clear();
    for (uint32_t i = 0; i < count; ++i) {
        if (Enters(&items[i])) entered.push_back(i);
    }
    const uint32_t subfolderCount = static_cast<uint32_t>(entered.size());
    {
        std::lock_guard<std::mutex> lock(levelLock);
        levels.insert(levels.end(), published, published + publishedCount);
        hardLinks.insert(hardLinks.end(), links.begin(), links.end());
    }
    if (subfolderCount == 0) {
        device->CloseFolder(handle);
        ReleaseParent(above);
        return;
    }
    OpenParent* parent =
        new OpenParent{folder, above, volumeId, folderId, {subfolderCount}, subfolderCount, NO_FOLDER, 0, 0};
    if (handle != NO_FOLDER) {
        std::lock_guard<std::mutex> lock(folderLock);
        KeepOpen(parent, handle);
    }
    std::lock_guard<std::mutex> lock(workLock);
    // Pushed last first, so the first subfolder is listed first.
    for (size_t k = entered.size(); k-- > 0;) stack.push_back(Task{&items[entered[k]], parent, nullptr, 0, 0});
    pending += subfolderCount;
    workChanged.notify_all();
}

void ScanEngine::FreeLevels() {
    std::lock_guard<std::mutex> lock(levelLock);
    // Nothing is attached, so each block is freed on its own.
    for (const ScanLevel& level : levels) FreeItemArray(level.items, level.count);
    levels.clear();
    levelsTaken = 0;
    hardLinks.clear();
}

ScanOutcome ScanEngine::Finish() {
    if (finished) return anyDiscarded ? SCAN_STOPPED : SCAN_COMPLETE;
    WaitUntilEnded();
    for (pthread_t thread : threads) pthread_join(thread, nullptr);
    threads.clear();
    finished = true;
    if (anyDiscarded) {
        FreeLevels();
        return SCAN_STOPPED;
    }
    std::lock_guard<std::mutex> lock(levelLock);
    for (const ScanLevel& level : levels) {
        ItemNode* folder = level.folder;
        folder->children = level.items;
        folder->childCount = level.count;
        folder->flags |= ITEM_SCANNED | level.flags;
        // A cache folder left out counts nothing, its own blocks included.
        if (level.flags & ITEM_EXCLUDED) folder->ownSize = folder->diskSize = 0;
        if (level.error) {
            folder->flags |= ITEM_UNREADABLE;
            folder->readError = level.error;
            ++unreadableCount;
            for (ItemNode* above = folder->parent; above && !(above->flags & (ITEM_INCOMPLETE | ITEM_ROOT));
                 above = above->parent)
                above->flags |= ITEM_INCOMPLETE;
        }
    }
    levels.clear();
    levelsTaken = 0;
    MarkLinkRepeats(&hardLinks);
    // Totals once, after the walk; a drive's own total stays its capacity.
    for (uint32_t i = 0; i < top->childCount; ++i) ComputeTotals(&top->children[i]);
    return SCAN_COMPLETE;
}

ScanOutcome ScanAndWait(StorageDevice* device, ItemNode* top, int threads) {
    ScanEngine engine(device);
    if (!engine.Start(top, threads, nullptr)) return SCAN_STOPPED;
    engine.WaitUntilEnded();
    return engine.Finish();
}
