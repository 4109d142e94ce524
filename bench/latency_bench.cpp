// Times the scan engine on a device whose every listing waits, as listings
// on a network file system do: 1,000 folders at 10 ms each, listed by one
// thread and by 16. Prints both times and their ratio (goal: at most 1/8).
//
//   latency_bench [FOLDERS] [DELAY_MS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/item_tree.h"
#include "model/scan_engine.h"
#include "platform/memory_device.h"

namespace {

double ScanSeconds(MemoryDevice* device, int threads) {
    ItemNode drive{};
    drive.flags = ITEM_DRIVE;
    drive.name = u"\\";
    auto start = std::chrono::steady_clock::now();
    ScanAndWait(device, &drive, threads);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    FreeItemArray(drive.children, drive.childCount);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    int folders = argc > 1 ? std::atoi(argv[1]) : 1000;
    int delayMs = argc > 2 ? std::atoi(argv[2]) : 10;
    MemoryDevice device;
    for (int i = 0; i < folders; ++i) {
        std::string name = "\\folder" + std::to_string(i);
        device.AddFolder(std::u16string(name.begin(), name.end()));
    }
    // The wait is what is measured, a network's latency standing in: no
    // test orders threads by it.
    device.SetListingDelay(delayMs * 1000);
    double serial = ScanSeconds(&device, 1);
    double pooled = ScanSeconds(&device, 16);
    std::printf("%d folders at %d ms: 1 thread %.3f s, 16 threads %.3f s, ratio %.3f (goal: at most 0.125)\n",
                folders, delayMs, serial, pooled, pooled / serial);
    return 0;
}
