// Totals at the edges of what a file system holds, against du: trees deeper
// than the descriptors a process may open and than any path text, entries
// listed but whose facts cannot be read, and a folder mounted inside itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "platform/host_device.h"
#include "platform/memory_device.h"
#include "support/host_files.h"
#include "support/scanned_drive.h"
#include "support/unprivileged.h"

namespace {

// Runs check in a child process (for limits and mounts of its own) and
// returns its exit code; -1 when it did not exit normally.
int InChild(const std::function<int()>& check) {
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) _exit(check());
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Scans the device root at root as the program's store drive and compares
// its listed total, plus the root folder's own size, with du's figure of
// root in both counts. 0 when both agree; entries receives how many
// records the scan made.
int ScanAgreesWithDu(const std::string& root, long long duBlocks, long long duBytes, uint64_t* entries,
                     uint32_t* unreadable) {
    HostDevice device(root);
    SetDevice(&device);
    if (!CreateRootItem()) return 1;
    ItemNode* store = &rootItem->children[rootItem->childCount - 1];
    ScanEngine engine(&device);
    if (!engine.Start(store, 2, nullptr)) return 2;
    engine.WaitUntilEnded();
    if (engine.Finish() != SCAN_COMPLETE) return 3;
    *unreadable = engine.UnreadableCount();
    *entries = 0;
    std::vector<const ItemNode*> folders = {store};
    while (!folders.empty()) {
        const ItemNode* folder = folders.back();
        folders.pop_back();
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            // The store's database folder stands for no host entry.
            if (folder->children[i].flags & ITEM_DATABASE) continue;
            ++*entries;
            folders.push_back(&folder->children[i]);
        }
    }
    int result = 0;
    uint64_t blocks = SumVisibleTotals(store->children, store->childCount) + OwnBlocks(root);
    if (static_cast<long long>(blocks) != duBlocks) {
        std::fprintf(stderr, "disk usage %llu, du %lld\n", static_cast<unsigned long long>(blocks), duBlocks);
        result = 4;
    }
    SetSizeCount(SIZE_APPARENT);
    uint64_t bytes = SumVisibleTotals(store->children, store->childCount) + OwnSize(root);
    if (static_cast<long long>(bytes) != duBytes) {
        std::fprintf(stderr, "apparent %llu, du %lld\n", static_cast<unsigned long long>(bytes), duBytes);
        result = 5;
    }
    SetSizeCount(SIZE_DISK_USAGE);
    FreeItemTree();
    SetDevice(nullptr);
    return result;
}

// A tree levels deep below root: every level a folder "d" and siblings leaf
// folders beside it, each holding a file of 5,000 bytes; the deepest "d"
// holds one such file too. Made through descriptors, so it may go deeper
// than any path.
bool MakeDeepTree(const std::string& root, int levels, int siblings) {
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string contents(5000, 'x');
    auto writeFile = [&contents](int at, const char* name) {
        int file = openat(at, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        bool ok = file >= 0 && write(file, contents.data(), contents.size()) == ssize_t(contents.size());
        if (file >= 0) close(file);
        return ok;
    };
    for (int level = 0; folder >= 0 && level < levels; ++level) {
        for (int s = 0; s < siblings; ++s) {
            std::string leaf = "leaf" + std::to_string(s);
            if (mkdirat(folder, leaf.c_str(), 0755) != 0) return false;
            int leafFolder = openat(folder, leaf.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            bool ok = leafFolder >= 0 && writeFile(leafFolder, "file");
            if (leafFolder >= 0) close(leafFolder);
            if (!ok) return false;
        }
        if (siblings == 0 && !writeFile(folder, "file")) return false;
        if (mkdirat(folder, "d", 0755) != 0) return false;
        int next = openat(folder, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        close(folder);
        folder = next;
    }
    bool ok = folder >= 0 && writeFile(folder, "file");
    if (folder >= 0) close(folder);
    return ok;
}

TEST(EdgeTotals, DeepTreesCountEveryLevelWithFewDescriptorsAndBeyondAnyPath) {
    struct Case {
        const char* what;
        int levels;
        int siblings;
        rlim_t descriptors;  // the process's limit; 0 leaves it
    };
    const Case cases[] = {
        {"300 levels, three leaves each, 64 descriptors", 300, 3, 64},
        {"1,500 levels, three leaves each, 64 descriptors", 1500, 3, 64},
        {"2,500 levels, a path of 5,000 characters, beyond any path text", 2500, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FixtureFolder fixture;
        ASSERT_TRUE(fixture.IsValid());
        ASSERT_TRUE(MakeDeepTree(fixture.root, c.levels, c.siblings));
        const long long duBlocks = Du("-B1", fixture.root);
        const long long duBytes = Du("-b -l", fixture.root);
        ASSERT_GT(duBlocks, 0);
        int result = InChild([&]() -> int {
            if (c.descriptors) {
                struct rlimit limit = {c.descriptors, c.descriptors};
                if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return 90;
            }
            uint64_t entries = 0;
            uint32_t unreadable = 0;
            if (int failed = ScanAgreesWithDu(fixture.root, duBlocks, duBytes, &entries, &unreadable)) return failed;
            if (unreadable != 0) return 10;
            // Every folder and file: per level "d", the leaves and their
            // files (or the level's own file), and the deepest level's file.
            const uint64_t perLevel = c.siblings ? 1 + 2 * uint64_t(c.siblings) : 2;
            return entries == uint64_t(c.levels) * perLevel + 1 ? 0 : 11;
        });
        EXPECT_EQ(result, 0);
        // The deep tree goes with rm, which walks it without paths.
        EXPECT_EQ(std::system(("rm -rf '" + fixture.root + "'").c_str()), 0);
    }
}

TEST(EdgeTotals, AWalkKeepsAFewFoldersOpenPerThreadWhateverTheDepth) {
    // Three leaves beside every level: every folder down the walk still
    // has subfolders to list when the walk goes deeper.
    for (int threads : {1, 2, 6}) {
        SCOPED_TRACE(threads);
        MemoryDevice device;
        std::u16string path = u"\\";
        for (int level = 0; level < 200; ++level) {
            for (char16_t leaf : {u'x', u'y', u'z'}) device.AddFile(path + leaf + u"\\file", 10);
            path += u"d\\";
        }
        ItemNode drive{};
        drive.flags = ITEM_DRIVE;
        drive.name = u"\\";
        ASSERT_EQ(ScanAndWait(&device, &drive, threads), SCAN_COMPLETE);
        const ItemNode* deepest = &drive;
        int depth = 0;
        while (const ItemNode* next = FindChildByName(deepest, u"d")) {
            deepest = next;
            ++depth;
        }
        EXPECT_EQ(depth, 199);
        EXPECT_EQ(device.openFolders, 0);
        // The kept folders, and one listing and one reopening per thread.
        EXPECT_LE(device.MostOpenFolders(), 6 * threads + 2);
        FreeItemArray(drive.children, drive.childCount);
    }
}

TEST(EdgeTotals, AnEntryWhoseFactsCannotBeReadLeavesItsFolderIncomplete) {
    FixtureFolder fixture;
    ASSERT_TRUE(fixture.IsValid());
    const std::string r = fixture.root + "/";
    // Listed (read permission) but not entered (no search permission).
    ASSERT_EQ(mkdir((r + "big").c_str(), 0755), 0);
    WriteFile(r + "big/file", 500000);
    WriteFile(r + "open", 3000);
    ASSERT_EQ(chmod((r + "big").c_str(), 0644), 0);
    int result = RunUnprivileged([&]() -> int {
        HostDevice device(fixture.root);
        SetDevice(&device);
        if (!CreateRootItem()) return 1;
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        ScanDriveForTest(store);
        ItemNode* big = FindEntry(store, {u"big"});
        ItemNode* file = FindEntry(store, {u"big", u"file"});
        if (!big || !file) return 2;
        // The folder says why, the entry is there with what the listing
        // told, and the total above is a lower bound.
        if (!(big->flags & ITEM_UNREADABLE) || big->readError != EACCES) return 3;
        if (!(file->flags & ITEM_UNREADABLE) || file->readError != EACCES) return 4;
        if (!(store->flags & ITEM_INCOMPLETE)) return 5;
        if (FindEntry(store, {u"open"})->flags & ITEM_UNREADABLE) return 6;
        FreeItemTree();
        SetDevice(nullptr);
        return 0;
    });
    chmod((r + "big").c_str(), 0755);
    EXPECT_EQ(result, 0);
}

TEST(EdgeTotals, AFolderMountedInsideItselfIsListedNotEnteredAndCountedOnce) {
    if (geteuid() != 0) GTEST_SKIP() << "a bind mount needs root";
    FixtureFolder fixture;
    ASSERT_TRUE(fixture.IsValid());
    const std::string bm = fixture.root + "/bm";
    ASSERT_EQ(mkdir(bm.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((bm + "/loop").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((bm + "/sub").c_str(), 0755), 0);
    WriteFile(bm + "/file", 5000);
    WriteFile(bm + "/sub/inner", 7000);
    int result = InChild([&]() -> int {
        // A mount of the child's own, gone with it.
        if (unshare(CLONE_NEWNS) != 0) return 80;
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 81;
        if (mount(bm.c_str(), (bm + "/loop").c_str(), nullptr, MS_BIND, nullptr) != 0) return 82;
        const long long duBlocks = Du("-B1", fixture.root);
        const long long duBytes = Du("-b -l", fixture.root);
        uint64_t entries = 0;
        uint32_t unreadable = 0;
        if (int failed = ScanAgreesWithDu(fixture.root, duBlocks, duBytes, &entries, &unreadable)) return failed;
        // bm, its file, sub and inner, and the loop listed once.
        if (entries != 5) return 20;
        HostDevice device(fixture.root);
        SetDevice(&device);
        if (!CreateRootItem()) return 21;
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        ScanDriveForTest(store);
        ItemNode* loop = FindEntry(store, {u"bm", u"loop"});
        if (!loop || !(loop->flags & ITEM_FOLDER_AGAIN) || loop->childCount != 0 || loop->total != 0) return 22;
        FreeItemTree();
        SetDevice(nullptr);
        return 0;
    });
    EXPECT_EQ(result, 0);
}

}  // namespace
