#include "platform/storage_device.h"

#include "platform/host_device.h"

#include <string>

namespace {
StorageDevice* storageDevice = nullptr;
}

StorageDevice* Device() {
    // The program's own storage unless a test chose another device.
    static HostDevice hostDevice;
    if (!storageDevice) storageDevice = &hostDevice;
    return storageDevice;
}

void SetDevice(StorageDevice* device) { storageDevice = device; }

bool StorageDevice::OpenFolder(const char16_t* path, FolderHandle* folder) {
    *folder = reinterpret_cast<FolderHandle>(new std::u16string(path));
    return true;
}

bool StorageDevice::OpenSubfolder(FolderHandle parent, const char16_t* name, FolderHandle* folder) {
    std::u16string path = *reinterpret_cast<const std::u16string*>(parent);
    if (path.empty() || path.back() != u'\\') path += u'\\';
    return OpenFolder((path + name).c_str(), folder);
}

bool StorageDevice::ReadFolderNames(FolderHandle folder, FolderListing* listing) {
    return ReadFolder(reinterpret_cast<const std::u16string*>(folder)->c_str(), listing);
}

void StorageDevice::ReadEntryFacts(FolderHandle, FolderListing*, size_t, size_t) {
    // ReadFolder delivered the facts with the names.
}

void StorageDevice::CloseFolder(FolderHandle folder) {
    if (folder != NO_FOLDER) delete reinterpret_cast<std::u16string*>(folder);
}

int StorageDevice::ListingThreads(const char16_t*) { return 0; }

int StorageDevice::LastSystemError() { return 0; }

bool StorageDevice::ReadLinkTarget(const char16_t*, std::vector<char16_t>*) { return false; }

namespace {
// 11,644,473,600 seconds lie between 1601-01-01 and 1970-01-01.
const int64_t EPOCH_DIFFERENCE = 11644473600LL;
const uint64_t FILE_TIME_UNITS = 10000000ULL;
}  // namespace

uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds) {
    int64_t units = (seconds + EPOCH_DIFFERENCE) * static_cast<int64_t>(FILE_TIME_UNITS) + nanoseconds / 100;
    return units < 0 ? 0 : static_cast<uint64_t>(units);
}

uint32_t TimeStampOfUnixTime(int64_t seconds) {
    if (seconds < 0) return 1;
    if (seconds >= int64_t(UINT32_MAX) - 1) return UINT32_MAX;
    return static_cast<uint32_t>(seconds + 1);
}

uint32_t TimeStampOfFileTime(uint64_t fileTime) {
    if (fileTime == 0) return 0;
    return TimeStampOfUnixTime(static_cast<int64_t>(fileTime / FILE_TIME_UNITS) - EPOCH_DIFFERENCE);
}

uint64_t FileTimeOfTimeStamp(uint32_t stamp) {
    if (stamp == 0) return 0;
    return UnixTimeToFileTime(int64_t(stamp) - 1, 0);
}
