// Walks a folder tree the way the background scan does: level by level with
// ListFolder, each level's array attached to its folder after its subfolders
// are done, then ComputeTotals on the top. Prints entries, wall time and the
// memory the item tree and the walk cost.
//
//   walk_bench FOLDER [RUNS]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/text.h"
#include "platform/host_device.h"
#include "process_memory.h"

namespace {

struct WalkCounts {
    uint64_t entries = 0;
    uint64_t folders = 0;
    uint64_t nameChars = 0;
};

// buffer holds the folder's path with its trailing "\"; end is its end. The
// store root's listing ends with the database folder, listed but not walked.
void WalkFolder(char16_t* buffer, char16_t* end, ItemNode* folder, bool isStoreRoot, WalkCounts* counts) {
    char16_t* limit = buffer + PATH_CHARS;
    if (end + 4 > limit) return;  // a path that no longer fits is listed without content
    CopyText(end, u"*.*", 3);
    ItemNode* items = nullptr;
    uint32_t count = ListFolder(buffer, folder, isStoreRoot, &items);
    for (uint32_t i = 0; i < count; ++i) {
        ItemNode* child = &items[i];
        counts->nameChars += TextLength(child->name) + 1;
        if ((child->flags & ITEM_DATABASE) || !(child->flags & ITEM_FOLDER)) continue;
        ++counts->folders;
        size_t length = TextLength(child->name);
        if (end + length + 2 > limit) continue;
        CopyText(end, child->name, length);
        end[length] = u'\\';
        end[length + 1] = 0;
        WalkFolder(buffer, end + length + 1, child, false, counts);
    }
    counts->entries += count;
    folder->flags |= ITEM_SCANNED;
    folder->children = items;
    folder->childCount = count;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: walk_bench FOLDER [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    HostDevice device{std::string(argv[1])};
    SetDevice(&device);

    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        long before = StatusKilobytes("VmRSS:");
        ItemNode drive{};
        drive.flags = ITEM_DRIVE;
        drive.name = u"\\";
        WalkCounts counts;
        char16_t buffer[PATH_CHARS] = u"\\";

        auto start = std::chrono::steady_clock::now();
        WalkFolder(buffer, buffer + 1, &drive, true, &counts);
        ComputeTotals(&drive);
        double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        seconds.push_back(elapsed);

        long during = StatusKilobytes("VmHWM:");
        uint64_t treeBytes = counts.entries * sizeof(ItemNode) + counts.nameChars * sizeof(char16_t);
        std::printf("run %d: entries %llu (folders %llu), total bytes %llu, wall %.3f s\n", run + 1,
                    static_cast<unsigned long long>(counts.entries),
                    static_cast<unsigned long long>(counts.folders),
                    static_cast<unsigned long long>(drive.total), elapsed);
        if (run == 0) {
            // Only the first run's peak says what a walk costs: later runs
            // reuse memory the allocator kept.
            double entries = static_cast<double>(counts.entries);
            std::printf("item tree: %.1f MB, %.1f bytes per entry (48 record + %.1f name)\n",
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
