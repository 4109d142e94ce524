// What a scan leaves out: name and path patterns and cache folders against
// what the walk counts (du's figure less what is left out), the scanned
// folder itself never left out, and left-out entries carried through scan
// files both ways with ncdu.
#include "model/scan_excludes.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "model/scan_engine.h"
#include "model/scan_file.h"
#include "platform/host_device.h"
#include "support/host_files.h"
#include "support/scan_file_trees.h"

namespace {

// Scans the host folder root as the store drive *drive with excludes; true
// when the walk completed.
bool ScanLeavingOut(const std::string& root, const ScanExcludes& excludes, ItemNode* drive) {
    HostDevice device(root);
    drive->flags = ITEM_DRIVE;
    drive->name = u"\\";
    ScanEngine engine(&device);
    engine.SetExcludes(&excludes);
    if (!engine.Start(drive, 2, nullptr)) return false;
    engine.WaitUntilEnded();
    return engine.Finish() == SCAN_COMPLETE;
}

class ScanExcludesOnHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        root = fixture.root;
        const std::string r = root + "/";
        for (const char* folder : {"sub", "sub/deep", "cache", "fakecache"}) mkdir((r + folder).c_str(), 0755);
        WriteFile(r + "keep.txt", 1000);
        WriteFile(r + "skip.log", 2000);
        WriteFile(r + "sub/a.log", 3000);
        WriteFile(r + "sub/b.txt", 4000);
        WriteFile(r + "sub/deep/c.txt", 5000);
        std::ofstream(r + "cache/CACHEDIR.TAG") << SCAN_CACHE_TAG_SIGNATURE << "\n# made by a test\n";
        WriteFile(r + "cache/big.bin", 60000);
        std::ofstream(r + "fakecache/CACHEDIR.TAG") << "Signature: not the one\n";
        WriteFile(r + "fakecache/f", 7000);
    }

    // The host paths below root of every entry of the tree marked left out.
    static void LeftOut(const ItemNode* folder, const std::string& path, std::set<std::string>* found) {
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            const ItemNode* item = &folder->children[i];
            std::string name(item->name, item->name + TextLengthOf(item->name));
            if (item->flags & ITEM_EXCLUDED) found->insert(path + name);
            LeftOut(item, path + name + "/", found);
        }
    }
    static size_t TextLengthOf(const char16_t* text) { return std::char_traits<char16_t>::length(text); }

    FixtureFolder fixture;
    std::string root;
};

TEST_F(ScanExcludesOnHost, LeavesOutWhatThePatternsAndCacheTagsSayAndCountsTheRest) {
    struct Case {
        const char* what;
        std::vector<std::string> patterns;
        bool caches;
        std::set<std::string> leftOut;
    };
    const std::string base = root.substr(root.rfind('/') + 1);
    const Case cases[] = {
        {"a name glob, at any depth", {"*.log"}, false, {"skip.log", "sub/a.log"}},
        {"a path glob, below the scanned folder", {"sub/*.txt"}, false, {"sub/b.txt"}},
        {"a path naming a folder, with a leading /", {"/sub/deep"}, false, {"sub/deep"}},
        {"a valid cache tag, not one with a wrong signature", {}, true, {"cache"}},
        {"a pattern naming the scanned folder itself", {base, "/" + base}, false, {}},
        {"several at once", {"keep.txt", "nothing*"}, true, {"keep.txt", "cache"}},
    };
    const long long all = Du("-B1", root) - OwnBlocks(root);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScanExcludes excludes;
        for (const std::string& pattern : c.patterns) excludes.AddPattern(pattern);
        excludes.SetCaches(c.caches);
        ItemNode drive{};
        ASSERT_TRUE(ScanLeavingOut(root, excludes, &drive));
        std::set<std::string> found;
        LeftOut(&drive, "", &found);
        EXPECT_EQ(found, c.leftOut);
        // Counted: everything but what was left out, as du counts it.
        long long expected = all;
        for (const std::string& path : c.leftOut) expected -= Du("-B1", root + "/" + path);
        EXPECT_EQ(static_cast<long long>(SumVisibleTotals(drive.children, drive.childCount)), expected);
        // The folders holding left-out entries say so.
        if (c.leftOut.count("sub/b.txt")) {
            EXPECT_TRUE(FindChildByName(&drive, u"sub")->flags & ITEM_HOLDS_EXCLUDED);
        }
        FreeItemArray(drive.children, drive.childCount);
    }
}

TEST_F(ScanExcludesOnHost, LeftOutEntriesTravelThroughScanFilesBothWaysWithNcdu) {
    ScanExcludes excludes;
    excludes.AddPattern("*.log");
    ItemNode drive{};
    ASSERT_TRUE(ScanLeavingOut(root, excludes, &drive));
    FixtureFolder files;
    const std::string ours = files.root + "/ours.json";
    const std::string again = files.root + "/again.json";
    const std::string theirs = files.root + "/theirs.json";
    ScanFileSource source;
    source.top = &drive;
    source.rootPath = root;
    std::string error;
    ASSERT_TRUE(ExportScanFile(ours, source, &error)) << error;
    ASSERT_EQ(RunNcdu({"-f", ours, "-o", again}), 0);
    ASSERT_EQ(RunNcdu({"-0", "-x", "--exclude", "*.log", "-o", theirs, root}), 0);
    for (const std::string& file : {ours, again, theirs}) {
        SCOPED_TRACE(file);
        ScanFileContents read = ReadScanFileForTest(file);
        ASSERT_NE(read.root, nullptr);
        std::set<std::string> found;
        LeftOut(read.root, "", &found);
        EXPECT_EQ(found, (std::set<std::string>{"skip.log", "sub/a.log"}));
        EXPECT_EQ(read.root->total - read.root->diskSize,
                  SumVisibleTotals(drive.children, drive.childCount));
        FreeScanFile(&read);
    }
    FreeItemArray(drive.children, drive.childCount);
}

}  // namespace
