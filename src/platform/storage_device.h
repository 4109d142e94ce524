// The storage the program looks at: folders and files, volumes, and the object
// store's databases. HostDevice is the machine's file system; MemoryDevice
// stands in for it in tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Attribute bits as a folder enumeration reports them.
enum FileAttributes : uint32_t {
    FILE_ATTR_READONLY = 0x1,
    FILE_ATTR_DIRECTORY = 0x10,
    FILE_ATTR_INROM = 0x40,
    FILE_ATTR_VOLUME = 0x100,  // the folder through which a storage card appears
    FILE_ATTR_INVALID = 0xFFFFFFFF,
};

// Platform error codes kept by LastError.
enum DeviceError : uint32_t {
    DEVICE_OK = 0,
    DEVICE_FILE_NOT_FOUND = 2,
    DEVICE_PATH_NOT_FOUND = 3,
    DEVICE_ACCESS_DENIED = 5,
    DEVICE_NOT_ENOUGH_MEMORY = 8,
    DEVICE_WRITE_PROTECT = 19,
    DEVICE_GEN_FAILURE = 31,
    DEVICE_SHARING_VIOLATION = 32,
    DEVICE_INVALID_NAME = 123,
    DEVICE_DIR_NOT_EMPTY = 145,
    DEVICE_FILENAME_TOO_LONG = 206,
};

// One enumerated entry; its name is names[nameOffset .. nameOffset + nameLength).
struct FolderEntry {
    uint32_t attributes;
    uint32_t nameLength;
    uint64_t size;
    size_t nameOffset;
};

// What one folder enumeration delivered, in enumeration order. Callers reuse
// one listing across folders so a walk does not allocate per folder.
struct FolderListing {
    std::vector<FolderEntry> entries;
    std::vector<char16_t> names;  // names back to back, without terminators
    void Clear() {
        entries.clear();
        names.clear();
    }
};

// One object-store database; names hold at most 31 characters.
struct DatabaseInfo {
    char16_t name[32];
    uint64_t size;
    uint64_t modified;  // file time
};

class StorageDevice {
public:
    virtual ~StorageDevice() = default;

    // Enumerates the folder at path ("\" for the object store's root, "\a\b",
    // or "Card\x"), appending its entries to listing. False when the folder
    // cannot be read; LastError tells why.
    virtual bool ReadFolder(const char16_t* path, FolderListing* listing) = 0;

    // Total and free bytes of the volume that holds path.
    virtual bool VolumeSpace(const char16_t* path, uint64_t* totalBytes, uint64_t* freeBytes) = 0;

    // FILE_ATTR_INVALID when the entry does not exist.
    virtual uint32_t GetAttributes(const char16_t* path) = 0;
    virtual bool SetAttributes(const char16_t* path, uint32_t attributes) = 0;
    virtual bool DeleteFile(const char16_t* path) = 0;
    virtual bool RemoveDirectory(const char16_t* path) = 0;

    // Last-write time as a file time (100 ns units since 1601-01-01 UTC).
    virtual bool LastWriteTime(const char16_t* path, uint64_t* fileTime) = 0;

    // Every database of the object store. False when the store cannot be
    // enumerated (a device without one).
    virtual bool ReadDatabases(std::vector<DatabaseInfo>* databases) = 0;

    // The error of the calling thread's last failed operation.
    virtual uint32_t LastError() = 0;
};

// The device the program runs on; start-up points it at the host, tests at a
// MemoryDevice or a host fixture. Never none once set.
StorageDevice* Device();
void SetDevice(StorageDevice* device);

// Unix seconds and nanoseconds to a file time.
uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds);
