// An in-memory device for tests: folders, files, entries in ROM, read-only
// files, storage cards with their own capacity and free bytes, databases, and
// failures injected by path. Paths use "\" like the program's own.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/storage_device.h"

class MemoryDevice : public StorageDevice {
public:
    MemoryDevice();
    ~MemoryDevice() override;

    // Adds a folder, making missing folders on the way. extraAttributes adds
    // FILE_ATTR_INROM or FILE_ATTR_READONLY.
    void AddFolder(const std::u16string& path, uint32_t extraAttributes = 0);
    void AddFile(const std::u16string& path, uint64_t size, uint32_t extraAttributes = 0,
                 uint64_t modified = 0);
    // The bytes an entry occupies, where they differ from its size (a
    // sparse file, or a folder's own blocks); by default its size.
    void SetDiskSize(const std::u16string& path, uint64_t bytes);
    // A storage card: a folder of "\" with attributes 0x110 and its own volume.
    void AddCard(const std::u16string& name, uint64_t capacity, uint64_t freeBytes);
    void SetStoreSpace(uint64_t capacity, uint64_t freeBytes);
    void AddDatabase(const std::u16string& name, uint64_t size, uint64_t modified = 0);
    // Without an object store ReadDatabases fails.
    void RemoveObjectStore();

    // Injected failures.
    void RefuseDelete(const std::u16string& path);  // delete and remove fail: access denied
    void DenyAccess(const std::u16string& path);    // the folder cannot be listed
    void Vanish(const std::u16string& path);        // listed, but gone when its facts are read
    void FailSpaceQuery(const std::u16string& name);
    void RefuseTrash();                             // no entry can go to the trash: DEVICE_NO_TRASH

    bool Exists(const std::u16string& path);

    // Makes every listing wait this long first, to stand in for a device
    // whose listings wait on a network; 0 (the default) lists at once.
    void SetListingDelay(int microseconds);

    // The gate: while held, every listing waits at it until the test lets it
    // through, so a test can hold a scan under way at a folder of its
    // choosing without depending on the clock.
    void HoldListings();
    // Lets count waiting (or later) listings through, the gate still held.
    void PassListings(int count);
    // Opens the gate: every listing goes on at once, now and later.
    void ReleaseListings();
    // Waits until at least count listings wait at the gate with no pass
    // left for them; false after
    // timeoutMs (a hung test, not a slow machine).
    bool WaitForHeldListings(int count, int timeoutMs = 10000);

    bool OpenFolder(const char16_t* path, FolderHandle* folder) override;
    void CloseFolder(FolderHandle folder) override;
    int ListingThreads(const char16_t* path) override;
    // Tests choose the threads a scan of this device uses; 0 for the default.
    void SetListingThreads(int threads) { listingThreads = threads; }
    // Open folders not closed yet, so tests can tell nothing is left open,
    // and the most that were open at one moment.
    std::atomic<int> openFolders{0};
    int MostOpenFolders() const { return mostOpen.load(); }

    bool ReadFolder(const char16_t* path, FolderListing* listing) override;
    bool VolumeSpace(const char16_t* path, uint64_t* totalBytes, uint64_t* freeBytes) override;
    uint32_t GetAttributes(const char16_t* path) override;
    bool SetAttributes(const char16_t* path, uint32_t attributes) override;
    bool DeleteFile(const char16_t* path) override;
    bool RemoveDirectory(const char16_t* path) override;
    // Keeps what it moves: TrashedPaths tells what went, in order.
    bool MoveToTrash(const char16_t* path, bool folderWanted) override;
    const std::vector<std::u16string>& TrashedPaths() const { return trashedPaths; }
    bool LastWriteTime(const char16_t* path, uint64_t* fileTime) override;
    bool ReadDatabases(std::vector<DatabaseInfo>* databases) override;
    // The calling thread's last error, as the interface promises, so a scan
    // worker and the user-interface thread never see each other's.
    uint32_t LastError() override;
    int LastSystemError() override;

    // Number of ReadFolder calls, so tests can tell what was listed.
    std::atomic<int> folderReads{0};
    // Number of LastWriteTime calls, so tests can tell which dates were read.
    std::atomic<int> timeReads{0};

    struct Entry;

private:
    Entry* Find(const std::u16string& path);
    Entry* Make(const std::u16string& path, bool folder);
    bool Remove(const char16_t* path, bool folder, bool whole);
    void PassGate();

    std::unique_ptr<Entry> root;
    std::vector<DatabaseInfo> databases;
    std::atomic<int> listingDelay{0};
    std::atomic<int> listingThreads{0};
    std::atomic<int> mostOpen{0};
    std::mutex gateLock;
    std::condition_variable gateChanged;
    bool gateHeld = false;
    int gateWaiting = 0;
    int gatePasses = 0;
    bool hasObjectStore = true;
    bool noTrash = false;
    std::vector<std::unique_ptr<Entry>> trashed;
    std::vector<std::u16string> trashedPaths;
    uint64_t storeCapacity = 0;
    uint64_t storeFree = 0;
};
