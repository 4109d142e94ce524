// Times the comparison of scans and the keeping of a scan on one tree, side
// by side in one run:
//
//   compare_bench TREE FOLDER
//
// scans TREE with the engine (the time of one scan), writes the scan as the
// plain export and as a kept scan (compressed) into FOLDER, reads the kept
// scan back (the earlier scan), and compares it with the scanned tree, once
// whole as --compare does and once folder by folder as the window does when
// every folder is listed. Prints the times, the file sizes, and the memory
// the comparison adds beyond the two trees per entry of the earlier scan.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/scan_compare.h"
#include "model/scan_engine.h"
#include "model/scan_file.h"
#include "platform/host_device.h"
#include "process_memory.h"

namespace {

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

uint64_t CountEntries(const ItemNode* item) {
    uint64_t count = item->childCount;
    for (uint32_t i = 0; i < item->childCount; ++i) count += CountEntries(&item->children[i]);
    return count;
}

long FileBytes(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return -1;
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fclose(file);
    return size;
}

// Lets VmHWM start again from the resident memory now.
void ResetPeak() {
    int fd = open("/proc/self/clear_refs", O_WRONLY);
    if (fd >= 0) {
        if (write(fd, "5", 1) != 1) std::perror("clear_refs");
        close(fd);
    }
}

// Matches every folder pair below the two places, as listing each folder
// in the window does; returns the folders matched.
uint64_t MatchEveryFolder(const ItemNode* earlier, const ItemNode* later) {
    uint64_t folders = 0;
    FolderMatch match;
    std::vector<std::pair<const ItemNode*, const ItemNode*>> pending{{earlier, later}};
    while (!pending.empty()) {
        auto [e, l] = pending.back();
        pending.pop_back();
        MatchFolders(e, l, &match);
        ++folders;
        for (uint32_t i = 0; i < l->childCount; ++i) {
            const uint32_t j = match.earlierOf[i];
            if (j != COMPARE_NONE && (l->children[i].flags & ITEM_FOLDER)) pending.push_back({&e->children[j], &l->children[i]});
        }
    }
    return folders;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: compare_bench TREE FOLDER\n");
        return 2;
    }
    const std::string tree = argv[1];
    const std::string folder = argv[2];
    sizeCount = SIZE_DISK_USAGE;

    HostDevice device(tree);
    ItemNode drive{};
    drive.flags = ITEM_DRIVE;
    drive.name = u"\\";
    auto start = std::chrono::steady_clock::now();
    if (ScanAndWait(&device, &drive, 0) != SCAN_COMPLETE) return 1;
    const double scanSeconds = Since(start);
    const uint64_t entries = CountEntries(&drive);

    ScanFileSource source;
    source.top = &drive;
    source.rootPath = tree;
    source.progver = "bench";
    source.timestamp = static_cast<int64_t>(std::time(nullptr));
    std::string error;
    const std::string plain = folder + "/plain.json";
    const std::string kept = folder + "/kept.json.zst";
    start = std::chrono::steady_clock::now();
    if (!ExportScanFile(plain, source, &error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    const double plainSeconds = Since(start);
    start = std::chrono::steady_clock::now();
    if (!ExportCompressedScanFile(kept, source, &error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    const double keepSeconds = Since(start);

    const long beforeRead = StatusKilobytes("VmRSS:");
    start = std::chrono::steady_clock::now();
    ScanFileContents earlier;
    if (!OpenScanFile(kept, &earlier, &error)) return std::fprintf(stderr, "%s\n", error.c_str()), 1;
    const double readSeconds = Since(start);
    const uint64_t earlierEntries = CountEntries(earlier.root);
    const long afterRead = StatusKilobytes("VmRSS:");

    ResetPeak();
    const long before = StatusKilobytes("VmRSS:");
    start = std::chrono::steady_clock::now();
    ScanComparison comparison;
    CompareScans(earlier.root, &drive, 20, earlier.rootPath, tree, &comparison);
    const double compareSeconds = Since(start);
    const long peak = StatusKilobytes("VmHWM:");

    start = std::chrono::steady_clock::now();
    const uint64_t folders = MatchEveryFolder(earlier.root, &drive);
    const double matchSeconds = Since(start);

    std::printf("entries               %llu (earlier scan %llu)\n", static_cast<unsigned long long>(entries),
                static_cast<unsigned long long>(earlierEntries));
    std::printf("scan                  %.3f s\n", scanSeconds);
    std::printf("plain export          %.3f s  %ld bytes\n", plainSeconds, FileBytes(plain));
    std::printf("keep (zstd, written)  %.3f s  %ld bytes  (%.1f%% of the plain export)\n", keepSeconds,
                FileBytes(kept), 100.0 * double(FileBytes(kept)) / double(FileBytes(plain)));
    std::printf("read kept scan        %.3f s\n", readSeconds);
    std::printf("compare whole trees   %.3f s  (%.2f of a scan)\n", compareSeconds, compareSeconds / scanSeconds);
    std::printf("read + compare        %.3f s\n", readSeconds + compareSeconds);
    std::printf("match every folder    %.3f s  (%llu folders)\n", matchSeconds, static_cast<unsigned long long>(folders));
    std::printf("earlier tree held     %.1f bytes per entry (the comparison's own tree)\n",
                (afterRead - beforeRead) * 1024.0 / double(earlierEntries ? earlierEntries : 1));
    std::printf("compare added memory  %.1f bytes per earlier entry (peak over the two trees)\n",
                (peak - before) * 1024.0 / double(earlierEntries ? earlierEntries : 1));
    std::printf("total change          %llu -> %llu\n", static_cast<unsigned long long>(comparison.totalBefore),
                static_cast<unsigned long long>(comparison.totalAfter));
    FreeScanFile(&earlier);
    FreeItemArray(drive.children, drive.childCount);
    return 0;
}
