// Storage that fights back: folders that cannot be read, entries gone
// between listing and reading, link loops, nesting deeper than the path
// buffer, and huge folders. The scan finishes and shows what it could read.
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <memory>

#include "browse_program.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/shell_open.h"
#include "support/open_recorder.h"
#include "views/status_bar.h"
#include "platform/host_device.h"

namespace {

class BadInputTest : public BrowseProgram {
protected:
    // A host device a test installs; it outlives TearDown, which stops the
    // program and clears the device, so a failed check leaves nothing
    // pointing at a device that is gone.
    std::unique_ptr<HostDevice> host;
};

std::u16string Number(int value) {
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

TEST_F(BadInputTest, UnreadableAndVanishedEntriesLeaveTheRestScanned) {
    device.AddFolder(u"\\Locked\\Inner");
    device.AddFile(u"\\Locked\\Inner\\secret", 10);
    device.AddFolder(u"\\GoneFolder\\Below");
    device.AddFile(u"\\gone.txt", 99);
    device.AddFile(u"\\kept.txt", 7);
    device.DenyAccess(u"\\Locked");
    device.Vanish(u"\\GoneFolder");
    device.Vanish(u"\\gone.txt");
    Start();
    ItemNode* store = ScanStore();
    ItemNode* locked = Item({u"\\", u"Locked"});
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(locked->flags & ITEM_SCANNED);
    EXPECT_EQ(locked->childCount, 0u);
    EXPECT_EQ(Item({u"\\", u"GoneFolder"}), nullptr);
    EXPECT_EQ(Item({u"\\", u"gone.txt"}), nullptr);
    ASSERT_NE(Item({u"\\", u"kept.txt"}), nullptr);
    EXPECT_EQ(Item({u"\\", u"Windows", u"a.txt"})->total, 1000u);
    EXPECT_EQ(listedPlace, store);
    ExpectConsistentTree();
}

// Folders nested until their paths pass the 4096-character path buffer:
// the walk opens each folder from its parent and needs no path text, so
// every level is listed and counted; what needs the path of such an entry
// (opening it with its program) says it cannot be done instead.
TEST_F(BadInputTest, FoldersBeyondThePathBufferAreWalkedAndCountedToTheEnd) {
    const std::u16string name(250, u'n');
    std::u16string path = u"\\deep";
    for (int level = 0; level < 20; ++level) {
        path += u"\\" + name;
        device.AddFile(path + u"\\file.bin", 1);
    }
    Start();
    int readsBefore = device.folderReads;
    ScanStore();
    ItemNode* folder = Item({u"\\", u"deep"});
    ASSERT_NE(folder, nullptr);
    int depth = 0;
    ItemNode* deepest = folder;
    while (ItemNode* next = FindChildByName(deepest, name.c_str())) {
        deepest = next;
        ++depth;
    }
    EXPECT_EQ(depth, 20);
    EXPECT_TRUE(deepest->flags & ITEM_SCANNED);
    ASSERT_EQ(deepest->childCount, 1u);
    EXPECT_EQ(folder->total, 20u);  // every level's file
    EXPECT_GT(FolderPathLength(deepest), uint32_t(PATH_CHARS));
    // One listing per folder, besides the store, Windows and the card.
    EXPECT_LE(device.folderReads - readsBefore, 1 + 1 + 1 + 20);
    ExpectConsistentTree();

    OpenRecorder opened;
    OpenWithShell(&deepest->children[0]);
    EXPECT_TRUE(opened.Opened().empty());
    EXPECT_EQ(StatusPartText(STATUS_SIMPLE_PART).toStdU16String(),
              StringText(STR_PATH_TOO_DEEP).toStdU16String());
}

// Two thousand and more levels of one-letter folders: the walk, the totals,
// the tree and the rebuild all cope with the depth.
TEST_F(BadInputTest, FoldersThousandsOfLevelsDeepAreWalkedToTheEnd) {
    std::u16string path;
    for (int level = 0; level < 2100; ++level) path += u"\\d";
    device.AddFile(path + u"\\end.bin", 5);
    Start();
    ScanStore();
    int depth = 1;
    ItemNode* deepest = Item({u"\\", u"d"});
    while (ItemNode* next = FindChildByName(deepest, u"d")) {
        deepest = next;
        ++depth;
    }
    EXPECT_EQ(depth, 2100);
    ASSERT_NE(FindChildByName(deepest, u"end.bin"), nullptr);
    EXPECT_EQ(Item({u"\\", u"d"})->total, 5u);
    ExpectConsistentTree();
    RebuildAll();
    EXPECT_EQ(Node({u"\\"})->childCount(), 0);
}

TEST_F(BadInputTest, HugeFoldersFinishWithEveryEntryAndSortedNodes) {
    for (int i = 0; i < 200000; ++i) device.AddFile(u"\\Huge\\f" + Number(i), 3);
    for (int i = 0; i < 4500; ++i) device.AddFolder(u"\\Wide\\d" + Number(4500 - i));
    Start();
    ScanStore();
    ItemNode* huge = Item({u"\\", u"Huge"});
    ASSERT_NE(huge, nullptr);
    EXPECT_EQ(huge->childCount, 200000u);
    EXPECT_EQ(huge->total, 600000u);
    QTreeWidgetItem* wide = Node({u"\\", u"Wide"});
    ASSERT_NE(wide, nullptr);
    // Its subfolders get nodes when it is first opened.
    EXPECT_EQ(wide->childCount(), 0);
    EXPECT_EQ(wide->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    SetTreeNodeExpanded(wide, true);
    EXPECT_EQ(wide->childCount(), 4500);
    ExpectConsistentTree();
}

// The real file system: a link loop and a link to the whole machine are
// files of their own; nothing is followed.
TEST_F(BadInputTest, LinkLoopsOnTheHostAreNotFollowed) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    std::string root = folder.path().toStdString();
    ASSERT_EQ(mkdir((root + "/a").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((root + "/a/b").c_str(), 0755), 0);
    ASSERT_EQ(symlink("..", (root + "/a/b/up").c_str()), 0);
    ASSERT_EQ(symlink("/", (root + "/a/machine").c_str()), 0);
    ASSERT_EQ(symlink("loop", (root + "/loop").c_str()), 0);
    std::ofstream(root + "/a/b/data.bin") << std::string(123, 'x');
    host = std::make_unique<HostDevice>(root);
    SetDevice(host.get());
    Start();
    ScanStore();
    ItemNode* up = Item({u"\\", u"a", u"b", u"up"});
    ASSERT_NE(up, nullptr);
    EXPECT_FALSE(up->flags & ITEM_FOLDER);
    // Counted by apparent size: the link's own size is its target text.
    SetSizeCount(SIZE_APPARENT);
    EXPECT_EQ(up->total, 2u);
    EXPECT_FALSE(Item({u"\\", u"a", u"machine"})->flags & ITEM_FOLDER);
    EXPECT_EQ(Item({u"\\", u"a", u"b"})->total, Item({u"\\", u"a", u"b"})->ownSize + 123u + 2u);
    SetSizeCount(SIZE_DISK_USAGE);
    ExpectConsistentTree();
    Stop();  // while the host folder still exists
}

}  // namespace
