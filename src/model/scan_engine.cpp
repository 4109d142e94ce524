#include "model/scan_engine.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_file.h"
#include "model/text.h"

// An open folder whose subfolders are still to be opened from it; it closes
// when the last of them has been.
struct ScanEngine::OpenParent {
    FolderHandle handle;
    std::atomic<uint32_t> users;
};

// A folder of many entries whose facts several threads read, a range each;
// the thread that reads the last range makes the folder's block.
struct ScanEngine::BigFolder {
    ItemNode* folder;
    FolderHandle handle;
    uint32_t pathLength;
    std::atomic<uint32_t> rangesLeft;
    FolderListing listing;
};

// A folder to list (big none), or a range of a big folder's facts to read.
struct ScanEngine::Task {
    ItemNode* folder;
    OpenParent* parent;   // none for the top, which is opened by its path
    uint32_t pathLength;  // of the folder's path with its trailing "\"
    BigFolder* big;
    size_t begin;
    size_t end;
};

ScanEngine::ThreadStarter ScanEngine::threadStarter = ScanEngine::StartPosixThread;

namespace {

// Facts read per task of a big folder: enough that a task outweighs its
// hand-over, few enough that every thread gets some.
constexpr size_t SCAN_FACTS_RANGE = 2048;

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

bool IsStoreRootDrive(const ItemNode* item) {
    if (!(item->flags & ITEM_DRIVE)) return false;
    size_t length = TextLength(item->name);
    return length > 0 && item->name[length - 1] == u'\\';
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
    char16_t path[PATH_CHARS];
    char16_t* end = ItemFolderPath(path, PATH_CHARS, top);
    uint32_t pathLength = end ? static_cast<uint32_t>(end - path) : PATH_CHARS;
    if (threadsWanted <= 0) threadsWanted = device->ListingThreads(path);
    if (threadsWanted <= 0) threadsWanted = std::max(2, static_cast<int>(std::thread::hardware_concurrency()));

    stack.push_back(Task{top, nullptr, pathLength, nullptr, 0, 0});
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
    static_cast<ScanEngine*>(engine)->Work();
    return nullptr;
}

void ScanEngine::Work() {
    for (;;) {
        Task task;
        {
            std::unique_lock<std::mutex> lock(workLock);
            workChanged.wait(lock, [this] { return !stack.empty() || pending == 0; });
            if (stack.empty()) break;
            task = stack.back();
            stack.pop_back();
        }
        RunTask(task);
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
    if (--pending == 0) workChanged.notify_all();
}

void ScanEngine::RunTask(const Task& task) {
    if (task.big)
        FactsTask(task);
    else
        ListTask(task);
}

void ScanEngine::ReleaseParent(OpenParent* parent) {
    if (parent && parent->users.fetch_sub(1) == 1) {
        device->CloseFolder(parent->handle);
        delete parent;
    }
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
    // A folder whose path would not fit a path buffer is listed without
    // content, as everywhere else in the program.
    if (task.pathLength + 4 > PATH_CHARS) {
        ReleaseParent(task.parent);
        ScanLevel level{folder, nullptr, 0, 0};
        Publish(&level, 1);
        return;
    }
    FolderHandle handle = NO_FOLDER;
    bool opened;
    if (task.parent) {
        opened = device->OpenSubfolder(task.parent->handle, folder->name, &handle);
        ReleaseParent(task.parent);
    } else {
        char16_t path[PATH_CHARS];
        opened = ItemFolderPath(path, PATH_CHARS, folder) && device->OpenFolder(path, &handle);
    }
    thread_local FolderListing scratch;
    scratch.Clear();
    if (!opened || !device->ReadFolderNames(handle, &scratch)) {
        ScanLevel level{folder, nullptr, 0, static_cast<uint32_t>(device->LastSystemError())};
        if (opened) device->CloseFolder(handle);
        // The store's root keeps its database folder even so.
        if (folder == top && topIsStoreRoot) {
            scratch.Clear();
            CompleteFolder(folder, NO_FOLDER, &scratch, task.pathLength);
            return;
        }
        Publish(&level, 1);
        return;
    }
    size_t entries = scratch.entries.size();
    if (entries > SCAN_SPLIT_ENTRIES && threadCount > 1) {
        BigFolder* big = new BigFolder{folder, handle, task.pathLength, {0}, {}};
        std::swap(big->listing, scratch);
        uint32_t ranges = static_cast<uint32_t>((entries + SCAN_FACTS_RANGE - 1) / SCAN_FACTS_RANGE);
        big->rangesLeft = ranges;
        for (uint32_t range = ranges; range-- > 1;) {
            size_t begin = range * SCAN_FACTS_RANGE;
            Push(Task{folder, nullptr, task.pathLength, big, begin, std::min(entries, begin + SCAN_FACTS_RANGE)});
        }
        FactsTask(Task{folder, nullptr, task.pathLength, big, 0, std::min(entries, SCAN_FACTS_RANGE)});
        return;
    }
    device->ReadEntryFacts(handle, &scratch, 0, entries);
    CompleteFolder(folder, handle, &scratch, task.pathLength);
}

void ScanEngine::FactsTask(const Task& task) {
    BigFolder* big = task.big;
    bool stopped = big->folder != top && stopRequested.load(std::memory_order_relaxed);
    if (!stopped) device->ReadEntryFacts(big->handle, &big->listing, task.begin, task.end);
    if (big->rangesLeft.fetch_sub(1) != 1) return;
    if (stopped || (big->folder != top && stopRequested.load(std::memory_order_relaxed))) {
        anyDiscarded = true;
        device->CloseFolder(big->handle);
    } else {
        CompleteFolder(big->folder, big->handle, &big->listing, big->pathLength);
    }
    delete big;
}

// Makes the folder's block from its read listing, publishes it (with the
// database folder's for the store's root), and hands its subfolders to the
// pool; they are opened relative to the folder's handle, which closes when
// the last of them is open.
void ScanEngine::CompleteFolder(ItemNode* folder, FolderHandle handle, FolderListing* listing, uint32_t pathLength) {
    bool isStoreRoot = folder == top && topIsStoreRoot;
    ItemNode* items = nullptr;
    uint32_t count = BuildFolderLevel(listing, folder, isStoreRoot, &items);

    // The records follow the listing's entries backwards, skipped ones left
    // out: the same walk finds each record's hard-link identity.
    std::vector<HardLink> links;
    uint64_t bytes = 0;
    uint64_t diskBytes = 0;
    size_t record = 0;
    for (size_t i = listing->entries.size(); i-- > 0 && record < count;) {
        const FolderEntry& entry = listing->entries[i];
        if (entry.attributes == FILE_ATTR_INVALID) continue;
        if (entry.links > 1 && !(entry.attributes & FILE_ATTR_DIRECTORY))
            links.push_back({listing->volumeId, entry.fileId, &items[record], entry.links});
        ++record;
    }
    for (uint32_t i = 0; i < count; ++i) {
        bytes += items[i].ownSize;
        diskBytes += items[i].diskSize;
    }

    ScanLevel published[2] = {{folder, items, count, 0}, {}};
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

    std::vector<ScanLevel> tooDeep;
    std::vector<Task> subfolders;
    for (uint32_t i = 0; i < count; ++i) {
        ItemNode* child = &items[i];
        if (!(child->flags & ITEM_FOLDER) || (child->flags & ITEM_DATABASE)) continue;
        uint32_t length = static_cast<uint32_t>(TextLength(child->name));
        if (pathLength + length + 2 > PATH_CHARS)
            tooDeep.push_back({child, nullptr, 0, 0});
        else
            subfolders.push_back(Task{child, nullptr, pathLength + length + 1, nullptr, 0, 0});
    }
    {
        std::lock_guard<std::mutex> lock(levelLock);
        levels.insert(levels.end(), published, published + publishedCount);
        levels.insert(levels.end(), tooDeep.begin(), tooDeep.end());
        hardLinks.insert(hardLinks.end(), links.begin(), links.end());
    }
    if (subfolders.empty()) {
        device->CloseFolder(handle);
        return;
    }
    OpenParent* parent = new OpenParent{handle, {static_cast<uint32_t>(subfolders.size())}};
    std::lock_guard<std::mutex> lock(workLock);
    // Pushed last first, so the first subfolder is listed first.
    for (size_t i = subfolders.size(); i-- > 0;) {
        subfolders[i].parent = parent;
        stack.push_back(subfolders[i]);
    }
    pending += subfolders.size();
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
        folder->flags |= ITEM_SCANNED;
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
