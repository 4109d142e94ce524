// Comparing scans: a fixture scanned, changed and scanned again tells
// exactly its changes, folders against du; names match as bytes, a renamed
// entry is gone and new, and folders of any width match.
#include "model/scan_compare.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "model/item_tree.h"
#include "support/compare_fixture.h"
#include "support/host_files.h"
#include "support/scan_file_trees.h"

namespace {

// A folder record holding records named by names (folders where flagged).
struct Folder {
    explicit Folder(const std::vector<std::pair<std::u16string, bool>>& entries) : names(entries.size()) {
        record.flags = ITEM_FOLDER | ITEM_SCANNED;
        records.resize(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            names[i] = entries[i].first;
            records[i].name = names[i].c_str();
            records[i].flags = entries[i].second ? uint32_t(ITEM_FOLDER) : 0u;
            records[i].parent = &record;
        }
        record.children = records.data();
        record.childCount = static_cast<uint32_t>(records.size());
    }
    ItemNode record{};
    std::vector<ItemNode> records;
    std::vector<std::u16string> names;
};

// The names of later matched, new and gone, as "later=earlier" pairs.
std::string Described(const Folder& earlier, const Folder& later) {
    FolderMatch match;
    MatchFolders(&earlier.record, &later.record, &match);
    std::string text;
    // A byte that is no UTF-8 (a lone surrogate) reads as \xHH.
    auto narrow = [](const std::u16string& name) {
        std::string bytes;
        for (char16_t c : name) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c & 0xFF);
            bytes += c >= 0xDC80 && c <= 0xDCFF ? std::string(hex) : std::string(1, static_cast<char>(c));
        }
        return bytes;
    };
    for (size_t i = 0; i < later.records.size(); ++i) {
        uint32_t j = match.earlierOf[i];
        text += narrow(later.names[i]) + (j == COMPARE_NONE ? "=new" : "=" + narrow(earlier.names[j])) + " ";
    }
    for (uint32_t j : match.gone) text += narrow(earlier.names[j]) + "=gone ";
    return text;
}

TEST(ScanCompareMatch, MatchesByExactNameAndKind) {
    // Lone surrogates stand for bytes that are no UTF-8: only the same byte matches.
    const std::u16string rawFF = u"a\xDCFF";
    const std::u16string rawFE = u"a\xDCFE";
    struct Case {
        const char* what;
        Folder earlier;
        Folder later;
        const char* expected;
    } cases[] = {
        {"same names", Folder({{u"x", false}, {u"d", true}}), Folder({{u"d", true}, {u"x", false}}), "d=d x=x "},
        {"case differs", Folder({{u"Readme", false}}), Folder({{u"README", false}}), "README=new Readme=gone "},
        {"odd bytes", Folder({{rawFF, false}, {rawFE, false}}), Folder({{rawFE, false}}), "a\\xFE=a\\xFE a\\xFF=gone "},
        {"file became folder", Folder({{u"n", false}}), Folder({{u"n", true}}), "n=new n=gone "},
        {"renamed", Folder({{u"old", true}}), Folder({{u"new", true}}), "new=new old=gone "},
        {"one name twice", Folder({{u"t", false}, {u"t", false}}), Folder({{u"t", false}}), "t=t t=gone "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string got = Described(c.earlier, c.later);
        EXPECT_EQ(got, c.expected);
    }
}

TEST(ScanCompareMatch, WideFoldersMatchAsNarrowOnes) {
    // Past the width where a table takes over: every other name kept, a
    // removed record matching nothing.
    std::vector<std::pair<std::u16string, bool>> before;
    std::vector<std::pair<std::u16string, bool>> after;
    for (int i = 0; i < 1000; ++i) {
        before.push_back({u"f" + QString::number(i).toStdU16String(), false});
        if (i % 2 == 0) after.push_back({u"f" + QString::number(i).toStdU16String(), false});
    }
    after.push_back({u"fresh", false});
    Folder earlier(before);
    Folder later(after);
    later.records[0].flags |= ITEM_REMOVED;  // f0, expunged since
    FolderMatch match;
    MatchFolders(&earlier.record, &later.record, &match);
    EXPECT_EQ(match.earlierOf[0], COMPARE_NONE);
    for (size_t i = 1; i + 1 < after.size(); ++i) EXPECT_EQ(match.earlierOf[i], 2 * i) << i;
    EXPECT_EQ(match.earlierOf.back(), COMPARE_NONE);
    EXPECT_EQ(match.gone.size(), 501u);  // the odd ones and f0
}

TEST(ScanCompareMatch, SignedChangesOrder) {
    // -10 < -5 < 0 < +3 < +(2^64 - 1)
    EXPECT_TRUE(ChangeLess(ChangeBetween(10, 0), ChangeBetween(0, 0)));
    EXPECT_TRUE(ChangeLess(ChangeBetween(10, 0), ChangeBetween(5, 0)));
    EXPECT_FALSE(ChangeLess(ChangeBetween(5, 0), ChangeBetween(10, 0)));
    EXPECT_FALSE(ChangeLess(ChangeBetween(7, 7), ChangeBetween(0, 0)));
    EXPECT_TRUE(ChangeLess(ChangeBetween(0, 3), ChangeBetween(0, UINT64_MAX)));
    SizeChange most = ChangeBetween(UINT64_MAX, 0);
    EXPECT_TRUE(most.negative);
    EXPECT_EQ(most.magnitude, UINT64_MAX);
}

class ScanCompareFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.IsValid());
        root = fixture.root + "/tree";
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        ASSERT_TRUE(BuildCompareBefore(root));
    }
    FixtureFolder fixture;
    std::string root;
};

// The record named name among the children of folder, or none.
const ItemNode* Child(const ItemNode* folder, const char16_t* name) {
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        if (SameName(folder->children[i].name, name)) return &folder->children[i];
    }
    return nullptr;
}

TEST_F(ScanCompareFixture, TellsExactlyTheChangesAgainstDu) {
    sizeCount = SIZE_DISK_USAGE;
    const std::string odd = "docs/" + CompareOddName();
    const long long duBefore = DuBytes(root);
    const long long deepBefore = DuBytes(root + "/docs/deep");
    const long long grownBefore = OwnDiskBytes(root + "/" + COMPARE_GROWN);
    const long long oddBefore = OwnDiskBytes(root + "/" + odd);
    const long long removed = OwnDiskBytes(root + "/" + COMPARE_REMOVED);
    HostScan before(root);
    ASSERT_EQ(before.outcome, SCAN_COMPLETE);
    ASSERT_TRUE(ChangeCompareFixture(root));
    HostScan after(root);
    ASSERT_EQ(after.outcome, SCAN_COMPLETE);

    ScanComparison comparison;
    CompareScans(&before.drive, &after.drive, 100, root, root, &comparison);
    // A drive's total is its capacity: the places' totals are what it holds.
    EXPECT_EQ(static_cast<long long>(comparison.totalBefore) + OwnDiskBytes(root), duBefore);
    EXPECT_EQ(static_cast<long long>(comparison.totalAfter) + OwnDiskBytes(root), DuBytes(root));

    std::map<std::string, ScanChange> told;
    for (const auto* list : {&comparison.grown, &comparison.shrunk}) {
        for (const ScanChange& change : *list) {
            ASSERT_EQ(change.path.compare(0, root.size() + 1, root + "/"), 0) << change.path;
            EXPECT_TRUE(told.emplace(change.path.substr(root.size() + 1), change).second) << change.path;
        }
    }
    auto signedChange = [](const ScanChange& change) {
        return change.change.negative ? -static_cast<long long>(change.change.magnitude)
                                      : static_cast<long long>(change.change.magnitude);
    };
    // The grown folder as du counts it (its links lie within it).
    ASSERT_TRUE(told.count("docs/deep"));
    EXPECT_EQ(told["docs/deep"].kind, CHANGE_CHANGED);
    EXPECT_EQ(signedChange(told["docs/deep"]), DuBytes(root + "/docs/deep") - deepBefore);
    EXPECT_EQ(signedChange(told[COMPARE_GROWN]), OwnDiskBytes(root + "/" + COMPARE_GROWN) - grownBefore);
    EXPECT_EQ(signedChange(told[odd]), OwnDiskBytes(root + "/" + odd) - oddBefore);
    EXPECT_EQ(told[COMPARE_REMOVED].kind, CHANGE_GONE);
    EXPECT_EQ(signedChange(told[COMPARE_REMOVED]), -removed);
    EXPECT_EQ(told[COMPARE_ADDED].kind, CHANGE_NEW);
    EXPECT_EQ(signedChange(told[COMPARE_ADDED]), DuBytes(root + "/" + COMPARE_ADDED));
    // Renamed: the old folder gone whole, the new one new whole, nothing
    // below either told on its own.
    EXPECT_EQ(told[COMPARE_RENAMED_FROM].kind, CHANGE_GONE);
    EXPECT_EQ(signedChange(told[COMPARE_RENAMED_FROM]), -static_cast<long long>(Child(&before.drive, u"snapshots")->total));
    EXPECT_EQ(told[COMPARE_RENAMED_TO].kind, CHANGE_NEW);
    EXPECT_EQ(signedChange(told[COMPARE_RENAMED_TO]), static_cast<long long>(Child(&after.drive, u"snaps")->total));
    EXPECT_EQ(told.count(std::string(COMPARE_RENAMED_TO) + "/one"), 0u);
    EXPECT_EQ(told.count(std::string(COMPARE_ADDED) + "/new.bin"), 0u);
    // The new link is new; the pair's bytes count once, at one of the two.
    ASSERT_TRUE(told.count(COMPARE_LINK));
    EXPECT_EQ(told[COMPARE_LINK].kind, CHANGE_NEW);
    long long linkPair =
        signedChange(told[COMPARE_LINK]) + (told.count(COMPARE_LINKED) ? signedChange(told[COMPARE_LINKED]) : 0);
    EXPECT_EQ(linkPair, 0);
    // Nothing else changed. The fixture's older pair of links, one in docs
    // and one in the renamed folder, counts at the link the scan meets
    // first, which the rename may change: docs and its link may tell that.
    std::set<std::string> expected = {"docs", "docs/deep", COMPARE_GROWN, odd, COMPARE_REMOVED, COMPARE_ADDED,
                                      COMPARE_RENAMED_FROM, COMPARE_RENAMED_TO, COMPARE_LINK, COMPARE_LINKED,
                                      "docs/same-as-one"};
    for (const auto& entry : told) EXPECT_TRUE(expected.count(entry.first)) << entry.first;
    // Largest first in each list.
    for (const auto* list : {&comparison.grown, &comparison.shrunk}) {
        for (size_t i = 1; i < list->size(); ++i)
            EXPECT_GE((*list)[i - 1].change.magnitude, (*list)[i].change.magnitude);
    }
}

TEST_F(ScanCompareFixture, TopLimitsEachListAndKeepsTheLargest) {
    sizeCount = SIZE_DISK_USAGE;
    HostScan before(root);
    ASSERT_TRUE(ChangeCompareFixture(root));
    HostScan after(root);
    ScanComparison all;
    CompareScans(&before.drive, &after.drive, 100, root, root, &all);
    ScanComparison two;
    CompareScans(&before.drive, &after.drive, 2, root, root, &two);
    ASSERT_EQ(two.grown.size(), 2u);
    ASSERT_GE(all.grown.size(), 3u);
    for (size_t i = 0; i < 2; ++i) EXPECT_EQ(two.grown[i].path, all.grown[i].path);
    EXPECT_EQ(two.shrunk.size(), std::min<size_t>(2, all.shrunk.size()));
    ScanComparison none;
    CompareScans(&before.drive, &after.drive, 0, root, root, &none);
    EXPECT_TRUE(none.grown.empty() && none.shrunk.empty());
    EXPECT_EQ(none.totalAfter, all.totalAfter);
}

}  // namespace
