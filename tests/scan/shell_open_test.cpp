// Opening a file with the desktop's program: the path handed over, and the
// host file it stands for.
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/host_device.h"
#include "scan/shell_open.h"
#include "support/item_fixture.h"
#include "support/open_recorder.h"
#include "support/scanned_drive.h"

namespace {

TEST(ShellOpen, HandsTheItemsFullPathToTheOpener) {
    DeviceScope scope;
    scope.device.AddFile(u"\\docs\\a b.txt", 5);
    ItemNode* root = CreateRootItem();
    ScanDriveForTest(FindChildByName(root, u"\\"));

    OpenRecorder recorder;
    OpenWithShell(FindEntry(root, {u"\\", u"docs", u"a b.txt"}));
    OpenWithShell(root);  // the root has no file to open
    EXPECT_EQ(recorder.Opened(), std::vector<std::u16string>{u"\\docs\\a b.txt"});
}

TEST(ShellOpen, APathThatDoesNotFitIsNotCutShort) {
    DeviceScope scope;
    ItemNode* root = CreateRootItem();
    ItemNode* store = FindChildByName(root, u"\\");
    // A chain of folders whose full path passes the path buffer.
    std::vector<ItemNode> chain(20);
    std::u16string name(250, u'x');
    ItemNode* parent = store;
    for (ItemNode& folder : chain) {
        folder.parent = parent;
        folder.name = name.c_str();
        folder.flags = ITEM_FOLDER;
        parent = &folder;
    }
    OpenRecorder recorder;
    OpenWithShell(&chain.back());
    EXPECT_TRUE(recorder.Opened().empty());
}

TEST(ShellOpen, TheHostFileOfAProgramPath) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    HostDevice host(folder.path().toStdString());
    SetDevice(&host);
    EXPECT_EQ(HostFileUrl(u"\\docs\\a b.txt"), QUrl::fromLocalFile(folder.path() + "/docs/a b.txt"));
    EXPECT_EQ(HostFileUrl(u"home\\x"), QUrl::fromLocalFile(folder.path() + "/home/x"));
    SetDevice(nullptr);
    // The in-memory device has no host files.
    DeviceScope scope;
    EXPECT_TRUE(HostFileUrl(u"\\docs\\a b.txt").isEmpty());
}

}  // namespace
