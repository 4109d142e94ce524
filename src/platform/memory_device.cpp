#include "platform/memory_device.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <unordered_map>

namespace {
// Per thread, like the host device's error.
thread_local uint32_t lastError = DEVICE_OK;

// The system error number that goes with a device error.
int SystemErrorOf(uint32_t error) {
    switch (error) {
    case DEVICE_OK: return 0;
    case DEVICE_FILE_NOT_FOUND:
    case DEVICE_PATH_NOT_FOUND: return ENOENT;
    case DEVICE_ACCESS_DENIED: return EACCES;
    case DEVICE_NOT_ENOUGH_MEMORY: return ENOMEM;
    case DEVICE_DIR_NOT_EMPTY: return ENOTEMPTY;
    default: return EIO;
    }
}

void RaiseToAtLeast(std::atomic<int>* most, int now) {
    for (int seen = most->load(); now > seen && !most->compare_exchange_weak(seen, now);) {
    }
}
}  // namespace

struct MemoryDevice::Entry {
    std::u16string name;
    uint32_t attributes = 0;
    uint64_t size = 0;
    uint64_t diskSize = UINT64_MAX;  // the size unless set
    uint64_t modified = 0;
    bool refuseDelete = false;
    bool denyAccess = false;
    bool vanished = false;
    bool failSpace = false;
    uint64_t capacity = 0;  // cards only
    uint64_t freeBytes = 0;
    std::vector<std::unique_ptr<Entry>> children;  // in enumeration order
    std::unordered_map<std::u16string, Entry*> byName;  // so huge test folders build fast

    Entry* Child(const std::u16string& childName) {
        auto found = byName.find(childName);
        return found == byName.end() ? nullptr : found->second;
    }
};

namespace {

std::vector<std::u16string> Components(const std::u16string& path) {
    std::vector<std::u16string> parts;
    std::u16string part;
    for (char16_t unit : path) {
        if (unit == u'\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part.push_back(unit);
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

}  // namespace

MemoryDevice::MemoryDevice() : root(std::make_unique<Entry>()) {
    root->attributes = FILE_ATTR_DIRECTORY;
}

MemoryDevice::~MemoryDevice() { ReleaseListings(); }

MemoryDevice::Entry* MemoryDevice::Find(const std::u16string& path) {
    Entry* entry = root.get();
    for (const std::u16string& part : Components(path)) {
        entry = entry->Child(part);
        if (!entry) return nullptr;
    }
    return entry;
}

MemoryDevice::Entry* MemoryDevice::Make(const std::u16string& path, bool folder) {
    std::vector<std::u16string> parts = Components(path);
    Entry* entry = root.get();
    for (size_t i = 0; i < parts.size(); ++i) {
        Entry* next = entry->Child(parts[i]);
        if (!next) {
            auto made = std::make_unique<Entry>();
            made->name = parts[i];
            made->attributes = (folder || i + 1 < parts.size()) ? uint32_t(FILE_ATTR_DIRECTORY) : 0u;
            next = made.get();
            entry->byName[parts[i]] = next;
            entry->children.push_back(std::move(made));
        }
        entry = next;
    }
    return entry;
}

void MemoryDevice::AddFolder(const std::u16string& path, uint32_t extraAttributes) {
    Make(path, true)->attributes |= FILE_ATTR_DIRECTORY | extraAttributes;
}

void MemoryDevice::AddFile(const std::u16string& path, uint64_t size, uint32_t extraAttributes,
                           uint64_t modified) {
    Entry* entry = Make(path, false);
    entry->attributes = extraAttributes;
    entry->size = size;
    entry->modified = modified;
}

void MemoryDevice::SetDiskSize(const std::u16string& path, uint64_t bytes) {
    if (Entry* entry = Find(path)) entry->diskSize = bytes;
}

void MemoryDevice::AddCard(const std::u16string& name, uint64_t capacity, uint64_t freeBytes) {
    Entry* card = Make(name, true);
    card->attributes = FILE_ATTR_DIRECTORY | FILE_ATTR_VOLUME;
    card->capacity = capacity;
    card->freeBytes = freeBytes;
}

void MemoryDevice::SetStoreSpace(uint64_t capacity, uint64_t freeBytes) {
    storeCapacity = capacity;
    storeFree = freeBytes;
}

void MemoryDevice::AddDatabase(const std::u16string& name, uint64_t size, uint64_t modified) {
    DatabaseInfo info{};
    // The object store keeps 31 characters of a name.
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 31), info.name);
    info.size = size;
    info.modified = modified;
    databases.push_back(info);
}

void MemoryDevice::RemoveObjectStore() { hasObjectStore = false; }

void MemoryDevice::RefuseDelete(const std::u16string& path) {
    if (Entry* entry = Find(path)) entry->refuseDelete = true;
}

void MemoryDevice::DenyAccess(const std::u16string& path) {
    if (Entry* entry = Find(path)) entry->denyAccess = true;
}

void MemoryDevice::Vanish(const std::u16string& path) {
    if (Entry* entry = Find(path)) entry->vanished = true;
}

void MemoryDevice::FailSpaceQuery(const std::u16string& name) {
    if (name == u"\\") {
        root->failSpace = true;
    } else if (Entry* entry = Find(name)) {
        entry->failSpace = true;
    }
}

bool MemoryDevice::Exists(const std::u16string& path) {
    Entry* entry = Find(path);
    return entry && !entry->vanished;
}

void MemoryDevice::SetListingDelay(int microseconds) { listingDelay = microseconds; }

void MemoryDevice::HoldListings() {
    std::lock_guard<std::mutex> lock(gateLock);
    gateHeld = true;
    gatePasses = 0;
}

void MemoryDevice::PassListings(int count) {
    std::lock_guard<std::mutex> lock(gateLock);
    gatePasses += count;
    gateChanged.notify_all();
}

void MemoryDevice::ReleaseListings() {
    std::lock_guard<std::mutex> lock(gateLock);
    gateHeld = false;
    gateChanged.notify_all();
}

bool MemoryDevice::WaitForHeldListings(int count, int timeoutMs) {
    std::unique_lock<std::mutex> lock(gateLock);
    return gateChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return gateWaiting - gatePasses >= count; });
}

void MemoryDevice::PassGate() {
    std::unique_lock<std::mutex> lock(gateLock);
    if (!gateHeld) return;
    ++gateWaiting;
    gateChanged.notify_all();
    gateChanged.wait(lock, [this] { return !gateHeld || gatePasses > 0; });
    if (gateHeld) --gatePasses;
    --gateWaiting;
    gateChanged.notify_all();
}

// A folder is opened only where one exists, and every open one is counted.
bool MemoryDevice::OpenFolder(const char16_t* path, FolderHandle* folder) {
    *folder = NO_FOLDER;
    Entry* entry = Find(path);
    if (!entry || entry->vanished || !(entry->attributes & FILE_ATTR_DIRECTORY)) {
        lastError = DEVICE_PATH_NOT_FOUND;
        return false;
    }
    RaiseToAtLeast(&mostOpen, ++openFolders);
    return StorageDevice::OpenFolder(path, folder);
}

void MemoryDevice::CloseFolder(FolderHandle folder) {
    if (folder == NO_FOLDER) return;
    --openFolders;
    StorageDevice::CloseFolder(folder);
}

int MemoryDevice::ListingThreads(const char16_t*) { return listingThreads; }

bool MemoryDevice::ReadFolder(const char16_t* path, FolderListing* listing) {
    ++folderReads;
    PassGate();
    if (int delay = listingDelay.load()) std::this_thread::sleep_for(std::chrono::microseconds(delay));
    Entry* folder = Find(path);
    if (!folder || folder->vanished || !(folder->attributes & FILE_ATTR_DIRECTORY)) {
        lastError = DEVICE_PATH_NOT_FOUND;
        return false;
    }
    if (folder->denyAccess) {
        lastError = DEVICE_ACCESS_DENIED;
        return false;
    }
    auto append = [listing](const std::u16string& name, uint32_t attributes, uint64_t size, uint64_t diskSize,
                            uint64_t modified) {
        FolderEntry record{};
        record.attributes = attributes;
        record.size = size;
        record.diskSize = diskSize == UINT64_MAX ? size : diskSize;
        record.modified = TimeStampOfFileTime(modified);
        record.links = 1;
        record.nameOffset = static_cast<uint32_t>(listing->names.size());
        record.nameLength = static_cast<uint32_t>(name.size());
        listing->names.insert(listing->names.end(), name.begin(), name.end());
        listing->entries.push_back(record);
    };
    // Like the platform's enumeration, every folder below the root starts
    // with "." and "..".
    if (folder != root.get()) {
        append(u".", FILE_ATTR_DIRECTORY, 0, 0, 0);
        append(u"..", FILE_ATTR_DIRECTORY, 0, 0, 0);
    }
    for (auto& child : folder->children) {
        // A vanished entry is still enumerated, but its facts cannot be read.
        append(child->name, child->vanished ? FILE_ATTR_INVALID : child->attributes, child->size, child->diskSize,
               child->modified);
    }
    return true;
}

bool MemoryDevice::VolumeSpace(const char16_t* path, uint64_t* totalBytes, uint64_t* freeBytes) {
    std::vector<std::u16string> parts = Components(path);
    Entry* first = parts.empty() ? nullptr : Find(parts[0]);
    if (first && (first->attributes & FILE_ATTR_VOLUME)) {
        if (first->failSpace) {
            lastError = DEVICE_GEN_FAILURE;
            return false;
        }
        *totalBytes = first->capacity;
        *freeBytes = first->freeBytes;
        return true;
    }
    if (root->failSpace || (!parts.empty() && !first)) {
        lastError = root->failSpace ? DEVICE_GEN_FAILURE : DEVICE_PATH_NOT_FOUND;
        return false;
    }
    *totalBytes = storeCapacity;
    *freeBytes = storeFree;
    return true;
}

uint32_t MemoryDevice::GetAttributes(const char16_t* path) {
    Entry* entry = Find(path);
    if (!entry || entry->vanished) {
        lastError = DEVICE_FILE_NOT_FOUND;
        return FILE_ATTR_INVALID;
    }
    return entry->attributes;
}

bool MemoryDevice::SetAttributes(const char16_t* path, uint32_t attributes) {
    Entry* entry = Find(path);
    if (!entry || entry->vanished) {
        lastError = DEVICE_FILE_NOT_FOUND;
        return false;
    }
    // Only the read-only bit can be changed; kind bits stay.
    entry->attributes = (entry->attributes & ~FILE_ATTR_READONLY) | (attributes & FILE_ATTR_READONLY);
    return true;
}

// Takes the entry at path out of its folder: for a removal only an empty
// folder; for the trash (whole) a folder with what it holds, and read-only
// entries too, since nothing is destroyed.
bool MemoryDevice::Remove(const char16_t* path, bool folder, bool whole) {
    std::vector<std::u16string> parts = Components(path);
    Entry* parent = root.get();
    for (size_t i = 0; parent && i + 1 < parts.size(); ++i) parent = parent->Child(parts[i]);
    if (!parent || parts.empty()) {
        lastError = DEVICE_PATH_NOT_FOUND;
        return false;
    }
    for (auto it = parent->children.begin(); it != parent->children.end(); ++it) {
        Entry* entry = it->get();
        if (entry->name != parts.back()) continue;
        if (entry->vanished) break;
        bool isFolder = entry->attributes & FILE_ATTR_DIRECTORY;
        // Like the platform: read-only and in-ROM entries refuse deletion,
        // folders are removed only when empty.
        uint32_t refusing = FILE_ATTR_INROM | FILE_ATTR_VOLUME;
        if (!whole) refusing |= FILE_ATTR_READONLY;
        if (isFolder != folder || entry->refuseDelete || (entry->attributes & refusing)) {
            lastError = DEVICE_ACCESS_DENIED;
            return false;
        }
        if (folder && !whole && !entry->children.empty()) {
            lastError = DEVICE_DIR_NOT_EMPTY;
            return false;
        }
        parent->byName.erase(entry->name);
        if (whole) {
            trashed.push_back(std::move(*it));
            trashedPaths.emplace_back(path);
        }
        parent->children.erase(it);
        return true;
    }
    lastError = DEVICE_FILE_NOT_FOUND;
    return false;
}

bool MemoryDevice::DeleteFile(const char16_t* path) { return Remove(path, false, false); }

bool MemoryDevice::RemoveDirectory(const char16_t* path) { return Remove(path, true, false); }

bool MemoryDevice::MoveToTrash(const char16_t* path, bool folderWanted) {
    if (noTrash) {
        lastError = DEVICE_NO_TRASH;
        return false;
    }
    return Remove(path, folderWanted, true);
}

void MemoryDevice::RefuseTrash() { noTrash = true; }

bool MemoryDevice::LastWriteTime(const char16_t* path, uint64_t* fileTime) {
    ++timeReads;
    Entry* entry = Find(path);
    if (!entry || entry->vanished) {
        lastError = DEVICE_FILE_NOT_FOUND;
        return false;
    }
    *fileTime = entry->modified;
    return true;
}

bool MemoryDevice::ReadDatabases(std::vector<DatabaseInfo>* out) {
    out->clear();
    if (!hasObjectStore) {
        lastError = DEVICE_FILE_NOT_FOUND;
        return false;
    }
    *out = databases;
    return true;
}

uint32_t MemoryDevice::LastError() { return lastError; }

int MemoryDevice::LastSystemError() { return SystemErrorOf(lastError); }
