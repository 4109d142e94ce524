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
    FILE_ATTR_EXCLUDED = 0x20000000,  // left out by the scan's excludes: no facts are read
    FILE_ATTR_LINK = 0x400000, // a symbolic link, listed as itself and never followed
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
    // The program's own (the customer bit of the platform's codes): no trash
    // can be used on the volume of the entry.
    DEVICE_NO_TRASH = 0x20000001,
};

// One enumerated entry; its name is names[nameOffset .. nameOffset + nameLength).
// All facts come from one reading of the entry: its apparent size, the bytes
// it occupies, its last-write time as a TimeStamp, and its identity where it
// has more than one link, so a total can take a hard-linked file once.
struct FolderEntry {
    uint32_t attributes;
    uint32_t nameLength;
    uint64_t size;
    uint32_t nameOffset;
    uint32_t hostNameOffset;  // the device's own form of the name, where it keeps one
    uint64_t diskSize;
    uint64_t fileId;   // with links > 1: the entry's identity on its volume
    int64_t modified;  // TimeStamp; 0 when unknown
    uint32_t links;
    uint32_t error;    // the system's error number when the facts could not be read; 0 when they were
};

// What one folder enumeration delivered, in enumeration order. Callers reuse
// one listing across folders so a walk does not allocate per folder.
struct FolderListing {
    std::vector<FolderEntry> entries;
    std::vector<char16_t> names;  // names back to back, without terminators
    std::vector<char> hostNames;  // the device's own names, NUL-terminated, where it keeps them
    uint64_t volumeId = 0;        // the volume of the folder listed
    uint64_t folderId = 0;        // the folder's own identity on it; 0 when the device does not tell
    // Set where a walk's listing keeps the device's own names only, to be
    // decoded as each is used: names then stays empty, and a big folder's
    // listing holds each name once.
    size_t (*decodeName)(const char* bytes, size_t length, std::vector<char16_t>* out) = nullptr;
    void Clear() {
        entries.clear();
        names.clear();
        hostNames.clear();
        volumeId = 0;
        folderId = 0;
        decodeName = nullptr;
    }
};

// A folder opened for a walk; what it stands for is the device's own.
using FolderHandle = intptr_t;
constexpr FolderHandle NO_FOLDER = -1;

// One object-store database; names hold at most 31 characters.
struct DatabaseInfo {
    char16_t name[32];
    uint64_t size;
    uint64_t modified;  // file time
};

class StorageDevice {
public:
    virtual ~StorageDevice() = default;

    // The walk of a scan: a drive's folder is opened by its path once, and
    // every folder below it relative to its open parent, so no whole path
    // is resolved per folder. ReadFolderNames lists an open folder (on some
    // devices without the entries' facts yet); ReadEntryFacts completes the
    // facts of entries [begin, end), and may run on several threads at once
    // for one listing. An entry whose facts show it is not to be listed
    // (vanished, the mount point of another volume) gets FILE_ATTR_INVALID.
    // Without a walk of its own, a device's folder is its path, listed by
    // ReadFolder with its facts.
    virtual bool OpenFolder(const char16_t* path, FolderHandle* folder);
    virtual bool OpenSubfolder(FolderHandle parent, const char16_t* name, FolderHandle* folder);
    virtual bool ReadFolderNames(FolderHandle folder, FolderListing* listing);
    // ReadFolderNames a part at a time, so a folder of many entries is never
    // held whole: appends the names of at most limit entries, from the
    // folder's start when fromStart, else on from those the last call gave;
    // ended once no entry is left. A device without parts lists the whole
    // folder from its start and says it ended.
    virtual bool ReadFolderPart(FolderHandle folder, FolderListing* listing, bool fromStart, size_t limit,
                                bool* ended);
    virtual void ReadEntryFacts(FolderHandle folder, FolderListing* listing, size_t begin, size_t end);
    virtual void CloseFolder(FolderHandle folder);
    // Reads up to size bytes from the start of the regular file of entry
    // in an open folder's listing (never through a link); false when it
    // cannot (a device without contents).
    virtual bool ReadFileStart(FolderHandle folder, const FolderListing& listing, size_t entry, char* buffer,
                               size_t size, size_t* read);

    // How many threads should list the drive at path: more where listings
    // wait on a network than on a local disk; 0 for the default.
    virtual int ListingThreads(const char16_t* path);

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
    // Moves the file or the folder (as asked; a folder whole, with all it
    // holds) at path to the desktop's trash, from where it can be restored.
    // False when it stays where it is; LastError is DEVICE_NO_TRASH when no
    // trash can be used on its volume.
    virtual bool MoveToTrash(const char16_t* path, bool folderWanted) = 0;

    // The target a symbolic link at path holds, as it holds it (never
    // resolved), appended to target. False for anything else or a device
    // without links; LastError tells why.
    virtual bool ReadLinkTarget(const char16_t* path, std::vector<char16_t>* target);

    // The facts of the entry at path, read without following it, as a walk
    // reads them (the name fields stay as they are). False when they cannot
    // be read, and on a device that cannot tell.
    virtual bool ReadEntryFactsAt(const char16_t* path, FolderEntry* facts);

    // Last-write time as a file time (100 ns units since 1601-01-01 UTC).
    virtual bool LastWriteTime(const char16_t* path, uint64_t* fileTime) = 0;

    // Every database of the object store. False when the store cannot be
    // enumerated (a device without one).
    virtual bool ReadDatabases(std::vector<DatabaseInfo>* databases) = 0;

    // The error of the calling thread's last failed operation.
    virtual uint32_t LastError() = 0;
    // The same as the system's own error number (errno), for its text.
    virtual int LastSystemError();
};

// The device the program runs on; start-up points it at the host, tests at a
// MemoryDevice or a host fixture. Never none once set.
StorageDevice* Device();
void SetDevice(StorageDevice* device);

// Unix seconds and nanoseconds to a file time.
uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds);

// A last-write time as the item records keep it (48 bits of ItemNode): a
// count of milliseconds from 1970-01-01 UTC that leaves out 0, so that 0 means
// unknown. From 1970 on a stamp is the milliseconds plus one; before 1970 it
// is the (negative) milliseconds themselves. Its range reaches about 4,400
// years either side of 1970; a time outside it is unknown.
constexpr int64_t TIME_STAMP_MIN = -(INT64_C(1) << 47);
constexpr int64_t TIME_STAMP_MAX = (INT64_C(1) << 47) - 1;
int64_t TimeStampOfUnixTime(int64_t seconds, int64_t nanoseconds = 0);
int64_t TimeStampOfFileTime(uint64_t fileTime);
// The milliseconds since 1970 of a stamp other than 0 (rounded down: before
// 1970 they are negative).
int64_t UnixMillisecondsOfTimeStamp(int64_t stamp);
// The whole seconds since 1970 of a stamp other than 0, rounded down.
int64_t UnixSecondsOfTimeStamp(int64_t stamp);
// The file time of a stamp; 0 for an unknown time and for a time before
// 1601, which a file time cannot hold.
uint64_t FileTimeOfTimeStamp(int64_t stamp);
