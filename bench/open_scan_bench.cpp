// Times opening a scan file and measures the memory its tree holds, or, for
// comparison, the same figures of a scan of a folder by the engine.
//
//   open_scan_bench FILE          opens FILE with the scan file reader
//   open_scan_bench --scan TREE   scans TREE with the engine instead
//
// Prints the wall time, the entries, the memory held once done per entry
// (resident memory after minus before) and the peak per entry.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/item_tree.h"
#include "model/scan_engine.h"
#include "model/scan_file.h"
#include "platform/host_device.h"
#include "process_memory.h"

namespace {

uint64_t CountEntries(const ItemNode* item) {
    uint64_t count = item->childCount;
    for (uint32_t i = 0; i < item->childCount; ++i) count += CountEntries(&item->children[i]);
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    bool scanning = argc == 3 && std::strcmp(argv[1], "--scan") == 0;
    if (argc != 2 && !scanning) {
        std::fprintf(stderr, "usage: open_scan_bench FILE | --scan TREE\n");
        return 2;
    }
    long before = StatusKilobytes("VmRSS:");
    auto start = std::chrono::steady_clock::now();
    uint64_t entries = 0;
    ScanFileContents contents;
    HostDevice device(scanning ? argv[2] : "/");
    ItemNode drive{};
    if (scanning) {
        drive.flags = ITEM_DRIVE;
        drive.name = u"\\";
        if (ScanAndWait(&device, &drive, 0) != SCAN_COMPLETE) return 1;
        entries = CountEntries(&drive);
    } else {
        std::string error;
        if (!OpenScanFile(argv[1], &contents, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        entries = CountEntries(contents.root);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    long after = StatusKilobytes("VmRSS:");
    long peak = StatusKilobytes("VmHWM:");
    std::printf("wall %.3f s\n", seconds);
    std::printf("entries %llu\n", static_cast<unsigned long long>(entries));
    std::printf("held %.1f bytes per entry\n", (after - before) * 1024.0 / double(entries ? entries : 1));
    std::printf("peak %.1f bytes per entry\n", (peak - before) * 1024.0 / double(entries ? entries : 1));
    FreeScanFile(&contents);
    FreeItemArray(drive.children, drive.childCount);
    return 0;
}
