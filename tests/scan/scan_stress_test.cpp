// Stop, Refresh, rebuilds, closing, history moves, selections and
// expansions in quick random order while slowed scans run: afterwards the
// folder tree and the item tree agree and no worker is left. Run in the
// sanitizer build, a node or item freed under the worker shows as an error.
#include <QAction>

#include <random>

#include "browse_program.h"
#include "platform/command_actions.h"
#include "scan/item_tree_owner.h"

namespace {

class ScanStressTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        for (const char16_t* top : {u"\\Alpha", u"\\Beta", u"\\Gamma", u"Storage Card\\Music"}) {
            for (const char16_t* middle : {u"one", u"two", u"three"}) {
                for (const char16_t* leaf : {u"x", u"y"}) {
                    std::u16string folder = std::u16string(top) + u"\\" + middle + u"\\" + leaf;
                    device.AddFolder(folder);
                    device.AddFile(folder + u"\\file.bin", 100);
                }
            }
        }
        device.AddDatabase(u"Tasks", 50);
    }

    // Every node of the tree, depth first.
    static void Nodes(QTreeWidgetItem* node, std::vector<QTreeWidgetItem*>* all) {
        if (!node) return;
        all->push_back(node);
        for (int i = 0; i < node->childCount(); ++i) Nodes(node->child(i), all);
    }

    void Restart() {
        mainWindow->close();
        ASSERT_TRUE(WaitUntil([] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return mainWindow == nullptr;
        }));
        EXPECT_FALSE(ScanWorkerAlive());
        ReleaseAfterLoop();
        Start();
    }
};

TEST_F(ScanStressTest, RandomOperationsDuringScansLeaveAConsistentTree) {
    Start();
    device.SetListingDelay(1500);
    std::mt19937 random(20240611);
    int duringScan = 0;
    for (int step = 0; step < 400; ++step) {
        if (scanState != SCAN_IDLE) ++duringScan;
        std::vector<QTreeWidgetItem*> nodes;
        Nodes(TreeRootNode(), &nodes);
        ASSERT_FALSE(nodes.empty());
        QTreeWidgetItem* node = nodes[random() % nodes.size()];
        switch (random() % 12) {
        case 0:
        case 1:
        case 2:
        case 3: Select(node); break;
        case 4: node->setExpanded(!node->isExpanded()); break;
        case 5: CommandAction(CMD_STOP)->trigger(); break;
        case 6: CommandAction(CMD_REFRESH)->trigger(); break;
        case 7: RebuildAll(); break;
        case 8: CommandAction(random() % 2 ? CMD_GO_BACKWARD : CMD_GO_FORWARD)->trigger(); break;
        case 9: CommandAction(CMD_UP)->trigger(); break;
        case 10:
            if (step % 5 == 0) Restart();
            break;
        default: break;
        }
        QTest::qWait(static_cast<int>(random() % 25));
        if (step % 40 == 39) {
            // Now and then everything settles and is checked.
            ASSERT_TRUE(WaitSettled()) << "step " << step;
            ExpectConsistentTree();
            EXPECT_TRUE(treePane->updatesEnabled());
        }
    }
    ASSERT_TRUE(WaitSettled());
    ExpectConsistentTree();
    EXPECT_FALSE(BusyCursor());
    // The run proves something only when scans were under way.
    RecordProperty("operationsDuringScans", duringScan);
    EXPECT_GT(duringScan, 0);
    Stop();
    EXPECT_FALSE(ScanWorkerAlive());
}

}  // namespace
