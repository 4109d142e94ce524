// The two ways of counting sizes against du, the oracle of both: the disk's
// blocks with each hard-linked file once (du -B1), and apparent sizes with
// every link counted (du -b -l), on a host fixture with sparse files, hard
// links within and across folders, an empty file, many small files and a
// folder an ordinary user cannot read.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/host_device.h"
#include "support/host_files.h"
#include "support/scanned_drive.h"
#include "support/unprivileged.h"

namespace {

// Every total of the tree by path, to tell that a switch there and back
// changed nothing.
void Totals(const ItemNode* folder, const std::u16string& path, std::map<std::u16string, uint64_t>* totals) {
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode* child = &folder->children[i];
        std::u16string name = path + u"\\" + child->name;
        (*totals)[name] = child->total;
        Totals(child, name, totals);
    }
}

class SizeCountOnHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        root = fixture.root;
        const std::string r = root + "/";
        for (const char* name : {"sparse", "links", "other", "many", "locked"}) mkdir((r + name).c_str(), 0755);
        // 64 MiB of which one MiB is written.
        int sparse = open((r + "sparse/disk.img").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(ftruncate(sparse, 64 << 20), 0);
        ASSERT_EQ(pwrite(sparse, std::string(1 << 20, 'v').data(), 1 << 20, 8 << 20), 1 << 20);
        close(sparse);
        WriteFile(r + "sparse/empty", 0);
        // Two links in one folder, and a third in another.
        WriteFile(r + "links/shared", 50000);
        ASSERT_EQ(link((r + "links/shared").c_str(), (r + "links/shared-again").c_str()), 0);
        ASSERT_EQ(link((r + "links/shared").c_str(), (r + "other/shared-elsewhere").c_str()), 0);
        WriteFile(r + "other/own", 3000);
        for (int i = 0; i < 300; ++i) WriteFile(r + "many/f" + std::to_string(i), static_cast<size_t>(i * 7));
        WriteFile(r + "locked/hidden", 70000);
        chmod((r + "locked").c_str(), 0);
    }
    void TearDown() override {
        chmod((root + "/locked").c_str(), 0755);
    }

    FixtureFolder fixture;
    std::string root;
};

TEST_F(SizeCountOnHost, DiskUsageAndApparentSizeEqualDuAndSwitchingLosesNothing) {
    // As an ordinary user, also where the tests run as root, so the locked
    // folder is unreadable to the scan and to du alike.
    int failed = RunUnprivileged([&]() -> int {
        HostDevice device(root);
        SetDevice(&device);
        SetSizeCount(SIZE_DISK_USAGE);
        if (!CreateRootItem()) return 1;
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        ScanDriveForTest(store);
        if (!(FindEntry(store, {u"locked"})->flags & ITEM_UNREADABLE)) return 2;

        auto check = [&](const char* options, long long (*own)(const std::string&), int code) -> int {
            // The drive's entries hold everything but its own folder.
            long long drive = Du(options, root) - own(root);
            if (static_cast<long long>(SumVisibleTotals(store->children, store->childCount)) != drive) {
                std::fprintf(stderr, "%s drive: %llu, du %lld\n", options,
                             static_cast<unsigned long long>(SumVisibleTotals(store->children, store->childCount)),
                             drive);
                return code;
            }
            // Each folder no hard link crosses.
            for (const char16_t* name : {u"sparse", u"many", u"locked"}) {
                std::string path = root + "/" + std::string(name, name + std::char_traits<char16_t>::length(name));
                long long expected = Du(options, path);
                const ItemNode* item = FindEntry(store, {name});
                if (static_cast<long long>(item->total) != expected) {
                    std::fprintf(stderr, "%s %s: %llu, du %lld\n", options, path.c_str(),
                                 static_cast<unsigned long long>(item->total), expected);
                    return code + 1;
                }
            }
            return 0;
        };
        if (int result = check("-B1", OwnBlocks, 10)) return result;
        std::map<std::u16string, uint64_t> before;
        Totals(store, u"", &before);

        SetSizeCount(SIZE_APPARENT);
        if (int result = check("-b -l", OwnSize, 20)) return result;
        SetSizeCount(SIZE_DISK_USAGE);
        std::map<std::u16string, uint64_t> after;
        Totals(store, u"", &after);
        if (before != after) return 30;
        FreeItemTree();
        SetDevice(nullptr);
        return 0;
    });
    EXPECT_EQ(failed, 0);
}

}  // namespace
