// The machine's own storage as the program sees it.
//
// "\" stands for the device root: "/" or the folder VOLUMETRA_ROOT names. The
// file system that holds the root is the object store; every other mounted
// file system of real storage inside the root is a storage card, listed in
// "\" as a folder with attributes 0x110 named by its relative mount point
// ("home", "boot/efi"). No listing crosses into another file system, links
// are never followed, sizes are apparent sizes. Changes (attributes, delete,
// remove) reach their entry from the root folder by folder without following
// links and never leave the drive's file system.
#pragma once

#include <atomic>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <vector>

#include "platform/host_trash.h"
#include "platform/storage_device.h"

// A mounted file system that appears as a storage card.
struct HostCard {
    std::string relativePath;  // mount point below the device root, no leading "/"
    dev_t device;
};

class HostDevice : public StorageDevice {
public:
    // Reads VOLUMETRA_ROOT; "/" when it is unset or empty.
    HostDevice();
    explicit HostDevice(const std::string& rootFolder);

    bool OpenFolder(const char16_t* path, FolderHandle* folder) override;
    bool OpenSubfolder(FolderHandle parent, const char16_t* name, FolderHandle* folder) override;
    bool ReadFolderNames(FolderHandle folder, FolderListing* listing) override;
    bool ReadFolderPart(FolderHandle folder, FolderListing* listing, bool fromStart, size_t limit,
                        bool* ended) override;
    void ReadEntryFacts(FolderHandle folder, FolderListing* listing, size_t begin, size_t end) override;
    void CloseFolder(FolderHandle folder) override;
    bool ReadFileStart(FolderHandle folder, const FolderListing& listing, size_t entry, char* buffer, size_t size,
                       size_t* read) override;
    int ListingThreads(const char16_t* path) override;
    bool ReadFolder(const char16_t* path, FolderListing* listing) override;
    bool VolumeSpace(const char16_t* path, uint64_t* totalBytes, uint64_t* freeBytes) override;
    uint32_t GetAttributes(const char16_t* path) override;
    bool SetAttributes(const char16_t* path, uint32_t attributes) override;
    bool DeleteFile(const char16_t* path) override;
    bool RemoveDirectory(const char16_t* path) override;
    bool MoveToTrash(const char16_t* path, bool folderWanted) override;
    bool LastWriteTime(const char16_t* path, uint64_t* fileTime) override;
    bool ReadEntryFactsAt(const char16_t* path, FolderEntry* facts) override;
    bool ReadLinkTarget(const char16_t* path, std::vector<char16_t>* target) override;
    bool ReadDatabases(std::vector<DatabaseInfo>* databases) override;
    uint32_t LastError() override;
    int LastSystemError() override;

    const std::string& RootFolder() const { return rootFolder; }

    // The host path of a program path; false (name too long) when it cannot be
    // one.
    bool HostPath(const char16_t* path, std::string* hostPath);

    // How a mount point's facts are read: lstat on this machine.
    using MountFacts = int (*)(const char* path, struct stat* facts);

    // The storage cards as mountinfo text describes them (the text of
    // /proc/self/mountinfo); each mount point and its parent are checked
    // with facts, so a test can describe a machine of its own.
    std::vector<HostCard> CardsFromMountInfo(const std::string& mountInfo, MountFacts facts);

    // The storage cards mounted now, read from this machine's mount table.
    std::vector<HostCard> StorageCards();

private:
    int OpenEntryFolder(const char16_t* path, std::string* leafName, dev_t* driveDevice);
    int StatEntry(const char16_t* path, std::string* leafName, struct stat* facts);
    int OpenWantedEntry(const char16_t* path, bool folderWanted, std::string* name, struct stat* facts);
    bool RemoveEntry(const char16_t* path, bool folderWanted);
    std::string rootFolder;
    HostTrash trash;
    // The device root's folder as last opened: its listing adds the cards.
    std::atomic<dev_t> rootDevice{0};
    std::atomic<ino_t> rootInode{0};
};

// The one rule of every walk that changes or shows a place: from folder
// (taken over), the folders of relative ("a/b/c") are opened one below
// another without following a link, and each must lie on device (any, for
// ANY_DRIVE). Returns the last one's descriptor (folder itself for an empty
// path), or -1 with *error the system's error number: EXDEV for a folder on
// another file system, EINVAL for a "." or ".." component.
constexpr dev_t ANY_DRIVE = static_cast<dev_t>(-1);
int OpenFoldersOnDrive(int folder, const std::string& relative, dev_t device, int* error);

// Whether a file system type is a pseudo file system rather than storage.
bool IsPseudoFileSystem(const std::string& type);

// Whether a file system type waits on a network for its listings, where more
// threads hide the waiting.
bool IsNetworkFileSystem(const std::string& type);
constexpr int NETWORK_LISTING_THREADS = 16;

// The type of the file system that holds hostPath, as mountinfo text (the
// text of /proc/self/mountinfo) describes it; empty when none does.
std::string MountTypeAt(const std::string& mountInfo, const std::string& hostPath);
