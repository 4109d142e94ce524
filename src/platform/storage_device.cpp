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

bool StorageDevice::ReadFolderPart(FolderHandle folder, FolderListing* listing, bool fromStart, size_t,
                                   bool* ended) {
    *ended = true;
    return !fromStart || ReadFolderNames(folder, listing);
}

void StorageDevice::ReadEntryFacts(FolderHandle, FolderListing*, size_t, size_t) {
    // ReadFolder delivered the facts with the names.
}

void StorageDevice::CloseFolder(FolderHandle folder) {
    if (folder != NO_FOLDER) delete reinterpret_cast<std::u16string*>(folder);
}

bool StorageDevice::ReadFileStart(FolderHandle, const FolderListing&, size_t, char*, size_t, size_t*) {
    return false;
}

bool StorageDevice::ReadEntryFactsAt(const char16_t*, FolderEntry*) { return false; }

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

namespace {
const int64_t MILLISECONDS_PER_SECOND = 1000;
const int64_t FILE_TIME_UNITS_PER_MILLISECOND = 10000;

// Rounds a quotient towards minus infinity, as times before 1970 need.
int64_t FloorDivide(int64_t value, int64_t divisor) {
    int64_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// The stamp of a count of milliseconds since 1970; 0 outside the range.
int64_t TimeStampOfMilliseconds(int64_t milliseconds) {
    if (milliseconds < TIME_STAMP_MIN || milliseconds >= TIME_STAMP_MAX) return 0;
    return milliseconds >= 0 ? milliseconds + 1 : milliseconds;
}
}  // namespace

int64_t TimeStampOfUnixTime(int64_t seconds, int64_t nanoseconds) {
    // Beyond this many seconds no stamp holds the time (and the product
    // below would overflow).
    const int64_t SECONDS_REACH = TIME_STAMP_MAX / MILLISECONDS_PER_SECOND + 1;
    if (seconds <= -SECONDS_REACH || seconds >= SECONDS_REACH) return 0;
    return TimeStampOfMilliseconds(seconds * MILLISECONDS_PER_SECOND + FloorDivide(nanoseconds, 1000000));
}

int64_t TimeStampOfFileTime(uint64_t fileTime) {
    if (fileTime == 0 || fileTime > uint64_t(INT64_MAX)) return 0;
    int64_t units = static_cast<int64_t>(fileTime) - EPOCH_DIFFERENCE * static_cast<int64_t>(FILE_TIME_UNITS);
    return TimeStampOfMilliseconds(FloorDivide(units, FILE_TIME_UNITS_PER_MILLISECOND));
}

int64_t UnixMillisecondsOfTimeStamp(int64_t stamp) { return stamp > 0 ? stamp - 1 : stamp; }

int64_t UnixSecondsOfTimeStamp(int64_t stamp) {
    return FloorDivide(UnixMillisecondsOfTimeStamp(stamp), MILLISECONDS_PER_SECOND);
}

uint64_t FileTimeOfTimeStamp(int64_t stamp) {
    if (stamp == 0) return 0;
    int64_t milliseconds = UnixMillisecondsOfTimeStamp(stamp) + EPOCH_DIFFERENCE * MILLISECONDS_PER_SECOND;
    if (milliseconds < 0) return 0;
    return static_cast<uint64_t>(milliseconds) * FILE_TIME_UNITS_PER_MILLISECOND;
}
