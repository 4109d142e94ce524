// What a scan leaves out: name and path patterns and cache folders against
// what the walk counts (du's figure less what is left out), the scanned
// folder itself never left out, and left-out entries carried through scan
// files both ways with ncdu.
#include "model/scan_excludes.h"

#include <gtest/gtest.h>

#include <fnmatch.h>
#include <sys/stat.h>

#include <clocale>

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

// What the patterns have always meant: fnmatch of a name pattern on the
// entry's name, and of a path pattern on its whole path with FNM_PATHNAME.
bool FnmatchSays(const std::vector<std::string>& patterns, const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    for (const std::string& pattern : patterns) {
        if (pattern.find('/') != std::string::npos ? fnmatch(pattern.c_str(), path.c_str(), FNM_PATHNAME) == 0
                                                   : fnmatch(pattern.c_str(), name.c_str(), 0) == 0)
            return true;
    }
    return false;
}

// The sorted tests decide every pattern as fnmatch does, in the C locale and
// in a UTF-8 one (where "?" takes a whole character and names that are not
// UTF-8 are compared as bytes), alone and all together.
TEST(ScanExcludes, FastTestsDecideAsFnmatchDoes) {
    const struct {
        const char* pattern;
        int kind;  // of a name pattern, or of a path pattern's last part; -1 for one tried on whole paths
    } patterns[] = {
        {"node_modules", EXCLUDE_LITERAL}, {"caf\xc3\xa9", EXCLUDE_LITERAL}, {"*.swp", EXCLUDE_HEAD_TAIL},
        {"*~", EXCLUDE_HEAD_TAIL}, {"core*", EXCLUDE_HEAD_TAIL}, {"a*b", EXCLUDE_HEAD_TAIL},
        {"*", EXCLUDE_HEAD_TAIL}, {"**", EXCLUDE_HEAD_TAIL}, {"a**b", EXCLUDE_HEAD_TAIL}, {"ab*ba", EXCLUDE_HEAD_TAIL},
        {"*\xa9", EXCLUDE_HEAD_TAIL}, {"\xc3*", EXCLUDE_HEAD_TAIL}, {"*log*", EXCLUDE_MIDDLE},
        {"**\xc3\xa9**", EXCLUDE_MIDDLE}, {"*a*b*", EXCLUDE_FNMATCH}, {"core.[0-9]*", EXCLUDE_FNMATCH},
        {"a?c", EXCLUDE_FNMATCH}, {"?", EXCLUDE_FNMATCH}, {"\\*", EXCLUDE_FNMATCH},
        {"x\\", EXCLUDE_FNMATCH}, {"*[", EXCLUDE_FNMATCH}, {"[]x]y", EXCLUDE_FNMATCH},
        {"[!a]*.log", EXCLUDE_FNMATCH}, {"project_*/build", EXCLUDE_LITERAL}, {"sub/*", EXCLUDE_HEAD_TAIL},
        {"*/deep", EXCLUDE_LITERAL}, {"**/c.txt", EXCLUDE_LITERAL}, {"s*/d*/c.?xt", EXCLUDE_FNMATCH},
        {"sub/", EXCLUDE_LITERAL}, {"sub//deep", EXCLUDE_LITERAL}, {"/", EXCLUDE_LITERAL},
        {"[sx]ub/deep", -1}, {"sub/[d]eep", -1}, {"a[/]b", -1}, {"a[a/]b", -1}, {"sub\\/deep", -1},
    };
    const std::string paths[] = {
        "node_modules", "node_modules2", "node", "aba", "abba", "sub/dee", "caf\xc3\xa9", "cafe", ".swp", "a.swp", "swp", "a.swp.bak", "~", "x~",
        "core", "core.12", "core.", "core.x", "ab", "a", "b", "aXYb", "abc", "a\xc3\xa9" "c", "a\xff" "c", "axc",
        "\xc3\xa9", "\xc3", "\xa9", "r\xc3\xa9sum\xc3\xa9.log", "\xff.log", "log", "x.log", "*", "\\",
        "x\\", "[", "a[", "]y", "xy", "aab", "a/b", "sub", "sub/deep", "sub/deep/c.txt", "sub/deep/c.Txt",
        "sub/deep/c.\xc3\xa9xt", "xub/deep", "sub/a.log", "project_01", "project_01/build",
        "project_01/build/x", "a/project_01/build", "project_/build", "build", "x/c.txt", "a/b/c.txt",
    };
    const std::string wasLocale = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr);
        ScanExcludes all;
        std::vector<std::string> allPatterns;
        for (const auto& p : patterns) {
            const std::string pattern = p.pattern;
            SCOPED_TRACE(p.pattern);
            const std::string stripped = pattern.size() > 1 && pattern[0] == '/' ? pattern.substr(1) : pattern;
            if (stripped.find('/') == std::string::npos) {
                EXPECT_EQ(ClassifyExcludeGlob(stripped).kind, p.kind);
            } else if (p.kind >= 0) {
                EXPECT_EQ(ClassifyExcludeGlob(stripped.substr(stripped.rfind('/') + 1)).kind, p.kind);
            }
            ScanExcludes one;
            one.AddPattern(pattern);
            all.AddPattern(pattern);
            allPatterns.push_back(stripped);
            for (const std::string& path : paths) {
                EXPECT_EQ(one.ExcludesPath(path), FnmatchSays({stripped}, path)) << path;
            }
        }
        for (const std::string& path : paths) {
            EXPECT_EQ(all.ExcludesPath(path), FnmatchSays(allPatterns, path)) << path;
        }
    }
    std::setlocale(LC_ALL, wasLocale.c_str());
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
        {"a path glob two folders down", {"*/deep/*.txt", "*/*.txt/x"}, false, {"sub/deep/c.txt"}},
        {"a path glob with a bracket, tried on whole paths", {"s[u]b/*.log"}, false, {"sub/a.log"}},
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
