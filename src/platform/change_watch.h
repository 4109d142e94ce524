// Watching host folders for changes: fanotify on whole file systems where the
// process may use it (one mark follows every folder of a volume), otherwise
// inotify on each folder asked for, up to a limit of watches. A thread of its
// own reads the kernel's events and gathers the folders whose entries
// changed, each once, until they are taken; it tells a report function when
// the first of a new batch arrives. Paths are host paths (bytes).
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class ChangeWatch {
public:
    // report runs on the watch's thread when changes wait and none waited
    // before; it must not block.
    explicit ChangeWatch(std::function<void()> report);
    // Stops the thread and closes every watch.
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    // Starts the thread; false when it could not be made.
    bool Start();

    // Watches the whole file system that holds the folder at path with one
    // fanotify mark. False where the process may not (no privilege, a file
    // system without file handles); the caller watches folders instead.
    bool WatchFileSystem(const std::string& path);

    // Watches each folder with inotify, while fewer than limit watches are
    // held; returns how many of them are watched now (a folder watched
    // already counts). The watches are added on the watch's thread.
    size_t WatchFolders(const std::vector<std::string>& folders, size_t limit);
    // How many inotify watches are held.
    size_t FolderWatchCount();

    // The folders whose entries changed since the last call, each once. A
    // lost event (the kernel's queue overflowed) gives every watched top:
    // everything may have changed.
    std::vector<std::string> TakeChanged();

    // Whether no event waits to be read, none is being read and nothing was
    // left untaken: what happened on disk so far has been handed out.
    bool Quiet();

private:
    static void* ThreadBody(void* watch);
    void Run();
    void ReadFanotify();
    void ReadInotify();
    void Note(const std::string& folder);
    void NoteEverything();
    // Whether path lies at or below a folder watched: a file system's mark
    // tells of every folder of it.
    bool BelowATop(const std::string& path);
    bool Pending(int fd);

    std::function<void()> report;
    pthread_t thread{};
    bool running = false;
    int wakeFd = -1;
    int fanotifyFd = -1;
    int inotifyFd = -1;
    std::atomic<bool> stopping{false};
    std::atomic<bool> reading{false};

    std::mutex lock;
    std::unordered_set<std::string> changed;
    std::vector<std::string> tops;  // what a lost event makes stale
    // The fanotify marks: each file system's id and a folder of it open, to
    // turn a file handle back into a path.
    struct Volume {
        uint64_t fsid;
        int mountFd;
    };
    std::vector<Volume> volumes;
    std::unordered_map<int, std::string> folderOfWatch;
    std::unordered_map<std::string, int> watchOfFolder;
};
