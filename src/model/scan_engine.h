// The scan engine: walks everything below one folder of a storage device
// with a pool of listing threads and builds that subtree's item blocks, the
// same blocks in the same order as a walk on one thread would. It knows no
// interface and never waits for one: whoever shows its progress takes the
// finished levels and the newest folder when it chooses. The blocks are
// attached to their folders only by Finish, on the thread that owns the item
// tree, so until then nothing the owner reads is written.
#pragma once

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/item_node.h"
#include "platform/storage_device.h"

struct ScanFileContents;
class ScanExcludes;

// One folder listed: its block, not attached yet. A folder that could not be
// read has no block and its system error number.
struct ScanLevel {
    ItemNode* folder;
    ItemNode* items;
    uint32_t count;
    uint32_t error;
    uint32_t flags = 0;  // ItemFlags the folder gets when the walk is attached
};

// A file with more than one link: its identity, so that a total can take it
// once however many folders hold it.
struct HardLink {
    uint64_t volumeId;
    uint64_t fileId;
    ItemNode* item;
    uint32_t links;  // the file's link count, as its facts told
};

// Marks every link of a file but the first in the tree's order (depth first,
// records in block order) ITEM_LINK_REPEAT, so a total counts the file once.
// Sorts links by identity on the way.
void MarkLinkRepeats(std::vector<HardLink>* links);

enum ScanOutcome {
    SCAN_WALKING = 0,   // not started or not ended yet
    SCAN_COMPLETE = 1,  // every folder was listed
    SCAN_STOPPED = 2,   // a stop left folders unlisted
};

// Folders of more entries than this have their entries' facts read by
// several threads.
constexpr size_t SCAN_SPLIT_ENTRIES = 4096;

class ScanEngine {
public:
    explicit ScanEngine(StorageDevice* device);
    // Stops a walk still running, waits for its threads and frees the blocks
    // that Finish did not attach.
    ~ScanEngine();
    ScanEngine(const ScanEngine&) = delete;
    ScanEngine& operator=(const ScanEngine&) = delete;

    // Starts the walk below top: a drive, or a folder whose parents give its
    // path. threads 0 takes the device's choice for the drive, else one
    // thread per online core (at least 2) and three more per core that list
    // only while those wait on the device; any other count lists with that
    // many threads alike. onEnded runs once, on the last thread, when
    // the walk has ended (complete or stopped); it must not block. False
    // when no thread could be started; nothing was changed then.
    bool Start(ItemNode* top, int threads, std::function<void()> onEnded);

    // Instead of a walk: reads the scan file fileName on a thread of the
    // engine's own, or takes over contents already read (alreadyRead, may
    // be none), and publishes the file's folders level by level as a walk
    // does, top's first; Finish attaches them to top. A file that cannot be
    // read ends the walk complete with nothing published, and ReadFailure
    // says why. False when no thread could be started.
    bool StartFromFile(ItemNode* top, const std::string& fileName, ScanFileContents* alreadyRead,
                       std::function<void()> onEnded);
    // Leaves out what excludes say from a walk started afterwards; they must
    // outlive it. None (the default) leaves nothing out.
    void SetExcludes(const ScanExcludes* leftOut) { excludes = leftOut; }
    // Where the paths that patterns name begin: the drive, when a walk of
    // one of its folders must leave out what the drive's walk left out. The
    // top (the default) when none.
    void SetExcludeBase(const ItemNode* base) { excludeBase = base; }
    // Which subfolders the walk enters, asked on the listing threads for
    // each subfolder of a folder listed; one refused is left as listed,
    // neither entered nor scanned, for the caller to fill in from what it
    // knows. None (the default) enters every one.
    using EnterFilter = std::function<bool(const ItemNode* folder)>;
    void SetEnterFilter(EnterFilter filter) { enterFilter = std::move(filter); }

    // Why the scan file could not be read; empty when it was, or for a walk.
    const std::string& ReadFailure() const { return readFailure; }

    // Any thread. Every thread reads the stop at every folder it enters.
    void RequestStop();
    // SCAN_WALKING until the walk has ended, then how it ended.
    ScanOutcome Outcome();
    // Blocks until the walk has ended: for callers without an event loop.
    void WaitUntilEnded();

    // Any thread: appends the levels listed since the last call, each after
    // the level that holds its folder; returns how many were appended.
    size_t TakeLevels(std::vector<ScanLevel>* levels);
    // The folder listed last, and the bytes of the entries listed so far:
    // their apparent sizes, and the bytes they occupy.
    const ItemNode* NewestFolder() const { return newestFolder.load(std::memory_order_acquire); }
    uint64_t SeenBytes() const { return seenBytes.load(std::memory_order_relaxed); }
    uint64_t SeenDiskBytes() const { return seenDiskBytes.load(std::memory_order_relaxed); }
    int ThreadCount() const { return threadCount; }

    // The owner's thread, once the walk has ended: waits out the threads'
    // last instructions; attaches a complete walk's levels to their folders
    // (ITEM_SCANNED; ITEM_UNREADABLE with readError where a folder could not
    // be read, and ITEM_INCOMPLETE on every folder above it), marks every link of a hard-linked file but the first in the
    // tree's order ITEM_LINK_REPEAT, and computes the totals below top; or
    // frees a stopped walk's blocks and leaves top as it was. Returns the
    // outcome.
    ScanOutcome Finish();

    // The files with several links that a complete walk met, and the
    // number of folders it could not read.
    const std::vector<HardLink>& HardLinks() const { return hardLinks; }
    uint32_t UnreadableCount() const { return unreadableCount; }

    // How a listing thread is started; tests replace it to refuse threads.
    using ThreadStarter = bool (*)(pthread_t* thread, void* (*body)(void*), void* argument);
    static ThreadStarter threadStarter;
    static bool StartPosixThread(pthread_t* thread, void* (*body)(void*), void* argument);

    struct OpenParent;
    struct BigFolder;
    struct PartedFolder;
    struct FolderPart;
    struct Task;

private:
    static void* ThreadBody(void* engine);
    static void* FileThreadBody(void* engine);
    void ReadFileTree();
    void PublishFileTree(ScanFileContents* contents);
    void Work(int index);
    bool AnyCoreWaiting();
    void EndWalk();
    void Push(const Task& task);
    void TaskDone();
    void RunTask(const Task& task);
    void ListTask(const Task& task);
    void FactsTask(const Task& task);
    void CompleteFolder(ItemNode* folder, OpenParent* above, FolderHandle handle, FolderListing* listing);
    void ListInParts(ItemNode* folder, OpenParent* above, FolderHandle handle);
    void PartTask(FolderPart* part, bool queued);
    void MakePartRecords(FolderPart* part);
    void PartDone(PartedFolder* parted);
    void FinishParts(PartedFolder* parted);
    void HandOn(ItemNode* folder, OpenParent* above, FolderHandle handle, ItemNode* items, uint32_t count,
                uint32_t factsError, uint32_t folderFlags, const std::vector<HardLink>& links, uint64_t volumeId,
                uint64_t folderId);
    void NoteEntry(const FolderEntry& entry, ItemNode* item, const FolderListing& listing, const OpenParent* above,
                   std::vector<HardLink>* links, uint32_t* factsError, uint32_t* folderFlags);
    void PublishUnlisted(ItemNode* folder, OpenParent* above, FolderHandle handle, uint32_t error, uint32_t flags);
    static bool IsFolderAgain(const FolderListing& listing, const OpenParent* above, uint64_t fileId);
    void Publish(const ScanLevel* levels, size_t count);
    void ReleaseParent(OpenParent* parent);
    FolderHandle PinParent(OpenParent* parent);
    void OpenedFrom(OpenParent* parent, bool pinned);
    void CloseWhenDone(OpenParent* parent);
    void KeepOpen(OpenParent* parent, FolderHandle handle);
    void ForgetOpen(OpenParent* parent);
    void FreeLevels();

    bool ApplyExcludes(ItemNode* folder, FolderHandle handle, FolderListing* listing);

    StorageDevice* device;
    const ScanExcludes* excludes = nullptr;
    const ItemNode* excludeBase = nullptr;
    EnterFilter enterFilter;
    bool Enters(const ItemNode* child) const {
        return (child->flags & (ITEM_FOLDER | ITEM_DATABASE | ITEM_SCANNED)) == ITEM_FOLDER &&
               (!enterFilter || enterFilter(child));
    }
    ItemNode* top = nullptr;
    std::string fileName;                      // the scan file read instead of a walk
    ScanFileContents* preRead = nullptr;       // owned until the reading thread takes it
    std::string readFailure;
    bool topIsStoreRoot = false;
    std::function<void()> onEnded;
    std::vector<pthread_t> threads;
    int threadCount = 0;
    // The first coreThreads list whenever there is work; the others only
    // while one of those waits on the device.
    int coreThreads = 0;
    struct Worker {
        std::atomic<int64_t> taskStarted{0};     // monotonic ns; 0 between tasks
        std::atomic<int64_t> taskCpuStarted{0};  // the thread's processor time then
        clockid_t cpuClock{};
        bool hasClock = false;
        std::atomic<bool> ready{false};
    };
    std::unique_ptr<Worker[]> workers;
    std::atomic<int> nextWorker{0};
    std::condition_variable extraChanged;
    std::atomic<int> liveThreads{0};
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> anyDiscarded{false};
    bool finished = false;

    // The folders kept open for their subfolders: at most openBudget of
    // them, whatever the depth; the least recently used is closed first.
    std::mutex folderLock;
    std::vector<OpenParent*> openParents;
    uint32_t openBudget = 2;
    uint64_t useClock = 0;

    // The work: a stack, so that the newest folders are listed first and
    // only the folders along the paths being walked stay open.
    std::mutex workLock;
    std::condition_variable workChanged;
    std::vector<Task> stack;
    size_t pending = 0;  // tasks pushed and not yet done
    bool ended = false;

    std::mutex levelLock;
    // Grows a small chunk at a time: a vector would hold its old and new
    // copies at once when it grows, a peak of its own on a big drive.
    std::deque<ScanLevel> levels;
    size_t levelsTaken = 0;
    std::vector<HardLink> hardLinks;
    uint32_t unreadableCount = 0;

    std::atomic<const ItemNode*> newestFolder{nullptr};
    std::atomic<uint64_t> seenBytes{0};
    std::atomic<uint64_t> seenDiskBytes{0};
};

// Scans below top on the calling thread's behalf and waits for the end: the
// walk of tools and tests that have no interface to keep responsive. Returns
// the outcome of Finish.
ScanOutcome ScanAndWait(StorageDevice* device, ItemNode* top, int threads);
