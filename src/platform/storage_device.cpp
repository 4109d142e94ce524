#include "platform/storage_device.h"

#include "platform/host_device.h"

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

uint64_t UnixTimeToFileTime(int64_t seconds, int64_t nanoseconds) {
    // 11,644,473,600 seconds lie between 1601-01-01 and 1970-01-01.
    const int64_t EPOCH_DIFFERENCE = 11644473600LL;
    int64_t units = (seconds + EPOCH_DIFFERENCE) * 10000000LL + nanoseconds / 100;
    return units < 0 ? 0 : static_cast<uint64_t>(units);
}
