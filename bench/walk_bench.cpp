// Walks a folder tree with the scan engine, without the window: the listing
// threads build the levels, then they are attached and totalled. Prints
// entries, wall time and the memory the item tree and the walk cost.
//
//   walk_bench FOLDER [RUNS] [THREADS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "model/text.h"
#include "platform/host_device.h"
#include "process_memory.h"

namespace {

struct WalkCounts {
    uint64_t entries = 0;
    uint64_t folders = 0;
    uint64_t nameChars = 0;
};

void Count(const ItemNode* folder, WalkCounts* counts) {
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode* child = &folder->children[i];
        ++counts->entries;
        counts->nameChars += TextLength(child->name) + 1;
        if (child->flags & ITEM_FOLDER) {
            ++counts->folders;
            Count(child, counts);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: walk_bench FOLDER [RUNS] [THREADS]\n");
        return 2;
    }
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    int threads = argc > 3 ? std::max(0, std::atoi(argv[3])) : 0;
    HostDevice device{std::string(argv[1])};
    SetDevice(&device);

    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        long before = StatusKilobytes("VmRSS:");
        ItemNode drive{};
        drive.flags = ITEM_DRIVE;
        drive.name = u"\\";
        WalkCounts counts;

        auto start = std::chrono::steady_clock::now();
        ScanAndWait(&device, &drive, threads);
        ComputeTotals(&drive);
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        seconds.push_back(elapsed);

        long during = StatusKilobytes("VmHWM:");
        Count(&drive, &counts);
        uint64_t treeBytes = counts.entries * sizeof(ItemNode) + counts.nameChars * sizeof(char16_t);
        std::printf("run %d: entries %llu (folders %llu), total bytes %llu, wall %.3f s\n", run + 1,
                    static_cast<unsigned long long>(counts.entries),
                    static_cast<unsigned long long>(counts.folders),
                    static_cast<unsigned long long>(drive.total), elapsed);
        if (run == 0) {
            // Only the first run's peak says what a walk costs: later runs
            // reuse memory the allocator kept.
            double entries = static_cast<double>(counts.entries);
            std::printf("item tree: %.1f MB, %.1f bytes per entry (64 record + %.1f name)\n",
                        treeBytes / 1e6, treeBytes / entries, counts.nameChars * 2.0 / entries);
            std::printf("peak memory of the walk: %.1f MB over the %.1f MB at start, %.1f bytes per entry\n",
                        (during - before) / 1e3, before / 1e3, (during - before) * 1024.0 / entries);
        }
        FreeItemArray(drive.children, drive.childCount);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("median wall %.3f s over %d runs\n", seconds[seconds.size() / 2], runs);
    return 0;
}
