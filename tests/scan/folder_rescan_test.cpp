// One folder walked again, and the disk followed: on a host fixture the
// window's Rescan Folder puts the folder's new subtree in place with the
// place, sort, focus, open branches and marks kept, and totals that equal
// du; changes made by another process are followed (with one mark on the
// file system and folder by folder) until the tree equals the disk again;
// past the limit of folder watches the listed folder is still followed and
// the status bar says the rest is not.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <memory>
#include <string>

#include "browse_program.h"
#include "deletion/marks.h"
#include "platform/command_actions.h"
#include "platform/host_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/change_follow.h"
#include "scan/folder_rescan.h"
#include "shell/commands.h"
#include "support/host_files.h"
#include "views/list_model.h"
#include "views/pie_popup.h"
#include "views/status_bar.h"
#include "views/contents_list.h"

namespace {

class FolderRescanTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        ASSERT_TRUE(folder.isValid());
        char resolved[PATH_MAX];
        ASSERT_NE(realpath(folder.path().toLocal8Bit().constData(), resolved), nullptr);
        root = std::string(resolved) + "/tree";
        ASSERT_EQ(mkdir(root.c_str(), 0755), 0);
        Run("mkdir -p a/sub/deep b c/one c/two && head -c 1000 /dev/urandom > a/f1 && "
            "head -c 3000 /dev/urandom > a/f2 && head -c 7000 /dev/urandom > a/keep.txt && "
            "head -c 9000 /dev/urandom > a/sub/x && head -c 500 /dev/urandom > a/sub/deep/y && "
            "head -c 200000 /dev/urandom > b/big.bin && echo m > a/moveme.txt && echo c > c/one/z");
        host = std::make_unique<HostDevice>(root);
        SetDevice(host.get());
        watchWholeFileSystems = true;
        folderWatchLimit = SIZE_MAX;
    }
    void Start() {
        BrowseProgram::Start(1000, 700);
    }
    void TearDown() override {
        BrowseProgram::TearDown();
        watchWholeFileSystems = true;
        folderWatchLimit = SIZE_MAX;
    }

    // Runs a shell command in the fixture: another process changes the disk.
    void Run(const std::string& command) {
        ASSERT_EQ(std::system(("cd '" + root + "' && " + command).c_str()), 0) << command;
    }

    // The drive's listed total and entry count against du and find.
    void ExpectDriveEqualsDisk() {
        ItemNode* drive = Item({u"\\"});
        ASSERT_NE(drive, nullptr);
        EXPECT_EQ(static_cast<long long>(SumVisibleTotals(drive->children, drive->childCount)),
                  Du("-B1", root) - OwnBlocks(root));
        EXPECT_EQ(CountEntries(drive), CountOnDisk());
        ExpectConsistentTree();
    }

    static long long CountEntries(const ItemNode* folder) {
        long long count = 0;
        for (uint32_t i = 0; i < folder->childCount; ++i) {
            // The object store's database folder is no entry of the disk.
            if (folder->children[i].flags & (ITEM_REMOVED | ITEM_DATABASE)) continue;
            count += 1 + CountEntries(&folder->children[i]);
        }
        return count;
    }
    long long CountOnDisk() {
        std::string command = "find '" + root + "' -mindepth 1 | wc -l";
        FILE* pipe = popen(command.c_str(), "r");
        long long value = -1;
        if (pipe && std::fscanf(pipe, "%lld", &value) != 1) value = -1;
        if (pipe) pclose(pipe);
        return value;
    }

    // Waits for the program's own word that what happened on disk is in the
    // tree: at least one more rescan put in place, and nothing left to follow.
    static bool WaitFollowed(uint64_t before) {
        return WaitUntil([before] { return AppliedRescanCount() > before && ChangesSettled(); }, 60000);
    }

    QTemporaryDir folder;
    std::string root;
    std::unique_ptr<HostDevice> host;
};

TEST_F(FolderRescanTest, RescanFolderPutsTheDiskInPlaceKeepingPlaceSortFocusBranchesAndMarks) {
    followChanges = false;
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"a"}));
    ItemNode* a = Item({u"\\", u"a"});
    ASSERT_EQ(listedPlace, a);
    EXPECT_TRUE(IsCommandEnabled(CMD_RESCAN_FOLDER));
    SetTreeNodeExpanded(Node({u"\\", u"a", u"sub"}), true);
    // By size, largest first: the pie chart can be shown.
    SortListByColumn(0);
    SortListByColumn(1);
    if (contentsSortReversed) SortListByColumn(1);
    const int sortBefore = contentsSortColumn;
    for (const char16_t* name : {u"f1", u"keep.txt"}) {
        SelectOnlyRow(ShownRowNamed(name));
        MarkSelection(listPane, CMD_DELETE);
    }
    ASSERT_EQ(markedCount, 2u);
    SelectAndShowRow(ShownRowNamed(u"f2"));
    // The pie chart, the status bar, the list and the treemap all show the
    // old subtree while it is walked again.
    ASSERT_TRUE(IsCommandEnabled(CMD_PIE_CHART));
    DispatchCommand(CMD_PIE_CHART);
    ASSERT_NE(piePopup, nullptr);

    // Added, grown, removed, and a subfolder replaced by another of its name.
    Run("head -c 50000 /dev/urandom > a/new.bin && head -c 40000 /dev/urandom >> a/f2 && rm a/f1 && "
        "rm -r a/sub && mkdir -p a/sub/other && head -c 12345 /dev/urandom > a/sub/other/w");
    const uint64_t before = AppliedRescanCount();
    DispatchCommand(CMD_RESCAN_FOLDER);
    ASSERT_TRUE(WaitUntil([before] { return AppliedRescanCount() > before && !RescanningFolder(); }));

    EXPECT_EQ(listedPlace, a);
    EXPECT_EQ(static_cast<long long>(a->total), Du("-B1", root + "/a"));
    ExpectDriveEqualsDisk();
    EXPECT_EQ(contentsSortColumn, sortBefore);
    ASSERT_NE(FocusedListRow(), nullptr);
    EXPECT_EQ(std::u16string(FocusedListRow()->item->name), u"f2");
    ASSERT_NE(Node({u"\\", u"a", u"sub"}), nullptr);
    EXPECT_TRUE(Node({u"\\", u"a", u"sub"})->isExpanded());
    ASSERT_NE(Node({u"\\", u"a", u"sub", u"other"}), nullptr);
    EXPECT_EQ(Node({u"\\", u"a", u"sub", u"deep"}), nullptr);
    // The mark of the entry still there is kept; the removed one's is gone.
    EXPECT_EQ(markedCount, 1u);
    ItemNode* keep = Item({u"\\", u"a", u"keep.txt"});
    ASSERT_NE(keep, nullptr);
    EXPECT_TRUE(keep->flags & ITEM_MARKED);
    EXPECT_TRUE(IsCommandEnabled(CMD_EXPUNGE));
    EXPECT_NE(piePopup, nullptr);
    EXPECT_EQ(StatusPartText(1).isEmpty(), false);
    // Everything that showed the old subtree paints now, reading what it holds.
    for (QWidget* shown : {piePopup, listPane->viewport(), statusBar}) shown->repaint();
    // Closing asks nothing.
    SelectAllRows();
    MarkSelection(listPane, CMD_UNDELETE);
    followChanges = true;
}

TEST_F(FolderRescanTest, ARescanOfAFolderBelowTheListedPlaceCorrectsTheListAndTheDrive) {
    followChanges = false;
    Start();
    ScanStore();
    ASSERT_EQ(listedPlace, Item({u"\\"}));
    // Rescans of subfolders while the drive is listed, then the list shows
    // the new totals of their rows. Neither was opened in the tree, so their
    // nodes have no nodes below yet: the children buttons follow the disk,
    // and opening shows the subfolders there are now.
    Run("head -c 80000 /dev/urandom > c/two/more.bin && rm -r c/one && mkdir c/three b/inner");
    for (const char16_t* name : {u"c", u"b"}) {
        const uint64_t before = AppliedRescanCount();
        ASSERT_TRUE(StartFolderRescan(Item({u"\\", name}), false));
        ASSERT_TRUE(WaitUntil([before] { return AppliedRescanCount() > before && !RescanningFolder(); }));
        QTreeWidgetItem* node = Node({u"\\", name});
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->childCount(), 0);
        EXPECT_EQ(node->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    }
    ExpectDriveEqualsDisk();
    const int row = ShownRowNamed(u"c");
    ASSERT_GE(row, 0);
    EXPECT_EQ(static_cast<long long>(ShownRow(row)->item->total), Du("-B1", root + "/c"));
    QTreeWidgetItem* c = Node({u"\\", u"c"});
    SetTreeNodeExpanded(c, true);
    ASSERT_EQ(c->childCount(), 2);
    EXPECT_EQ(c->child(0)->text(0), QStringLiteral("three"));
    EXPECT_EQ(c->child(1)->text(0), QStringLiteral("two"));
    ExpectConsistentTree();
    followChanges = true;
}

// Another process creates, writes, truncates, renames across folders,
// removes a folder and makes a burst of 10,000 files: once the program says
// it has followed, the tree equals the disk.
class FollowChangesTest : public FolderRescanTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FollowChangesTest, ChangesByAnotherProcessEndInATreeThatEqualsTheDisk) {
    watchWholeFileSystems = GetParam();
    followChanges = true;
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"a"}));
    uint64_t before = AppliedRescanCount();
    Run("echo hello > a/created.txt && head -c 300000 /dev/zero > a/f2 && truncate -s 0 b/big.bin && "
        "mv a/moveme.txt c/one/ && rm -r c/two");
    ASSERT_TRUE(WaitFollowed(before));
    ExpectDriveEqualsDisk();

    before = AppliedRescanCount();
    Run("mkdir burst && cd burst && seq 1 10000 | xargs touch && head -c 65536 /dev/urandom > last.bin");
    ASSERT_TRUE(WaitFollowed(before));
    ExpectDriveEqualsDisk();
    EXPECT_EQ(listedPlace, Item({u"\\", u"a"}));
}

INSTANTIATE_TEST_SUITE_P(WholeFileSystemAndFolders, FollowChangesTest, ::testing::Bool());

TEST_F(FolderRescanTest, PastTheLimitOfWatchesTheListedFolderIsStillFollowed) {
    watchWholeFileSystems = false;
    folderWatchLimit = 3;
    followChanges = true;
    Start();
    ScanStore();
    EXPECT_TRUE(ChangesFollowedInPart());
    EXPECT_EQ(StatusPartText(STATUS_SIMPLE_PART), StringText(STR_WATCH_PARTIAL));
    ASSERT_TRUE(Show({u"\\", u"a", u"sub", u"deep"}));
    const uint64_t before = AppliedRescanCount();
    Run("head -c 20000 /dev/urandom > a/sub/deep/grown.bin");
    ASSERT_TRUE(WaitFollowed(before));
    ItemNode* deep = Item({u"\\", u"a", u"sub", u"deep"});
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(static_cast<long long>(deep->total), Du("-B1", root + "/a/sub/deep"));
    EXPECT_NE(Item({u"\\", u"a", u"sub", u"deep", u"grown.bin"}), nullptr);
}

}  // namespace
