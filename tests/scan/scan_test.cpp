// The background scan through the real window: what the user sees while a
// drive is scanned, what the scan leaves in the item tree and the folder
// tree, stopping at every level, expansions, and a worker that cannot start.
#include <QAction>
#include <QProgressBar>

#include "browse_program.h"
#include "platform/command_actions.h"
#include "resources/app_texts.h"
#include "scan/scan_feed.h"
#include "views/status_bar.h"

namespace {

class ScanTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        AddSampleFolders();
        device.AddFolder(u"\\Windows\\System\\Fonts\\Old");
        device.AddFile(u"\\Windows\\System\\Fonts\\Old\\a.ttf", 700);
        device.AddFile(u"\\top.txt", 10);
        device.AddDatabase(u"Contacts", 300);
        device.AddFile(u"Storage Card\\song.mp3", 4000);
    }
};

TEST_F(ScanTest, UnscannedDriveShowsPendingWhileScannedThenListsWithTotals) {
    Start();
    ItemNode* store = Item({u"\\"});
    uint64_t capacity = store->total;
    // The drive's own level goes through, the folders below it are held.
    device.HoldListings();
    device.PassListings(1);
    Select(Node({u"\\"}));
    EXPECT_TRUE(PendingSelectionArmed());
    EXPECT_EQ(scanState, SCAN_IDLE);

    ASSERT_TRUE(WaitUntil([] { return scanState != SCAN_IDLE; }));
    EXPECT_EQ(StatusPartText(0), "- -");
    EXPECT_EQ(statusPart0.kind, STATUS_PENDING);
    EXPECT_EQ(statusPart0.item, store);
    EXPECT_EQ(statusPart1.kind, STATUS_DRIVE_FREE);
    EXPECT_TRUE(BusyCursor());
    for (int id : {CMD_REFRESH, CMD_OPEN, CMD_DELETE, CMD_UNDELETE, CMD_GO_BACKWARD, CMD_GO_FORWARD})
        EXPECT_FALSE(IsCommandEnabled(id)) << id;
    EXPECT_EQ(listedPlace, nullptr);
    // One text covers the parts: the folder being read, with the share of
    // the drive's used bytes seen so far beside it.
    QProgressBar* progress = statusBar->findChild<QProgressBar*>(QStringLiteral("scanProgress"));
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(WaitUntil([] {
        QString path = StatusPartText(STATUS_SIMPLE_PART);
        return path == "\\Windows\\" || path == "\\My Documents\\";
    }));
    EXPECT_EQ(statusBar->accessibleName(), StatusPartText(STATUS_SIMPLE_PART));
    EXPECT_TRUE(progress->isVisible());
    EXPECT_LE(progress->value(), SCAN_PROGRESS_CAP);

    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(statusBar->accessibleName(), StatusPartText(0) + "; " + StatusPartText(1));
    EXPECT_TRUE(store->flags & ITEM_SCANNED);
    EXPECT_FALSE(store->flags & ITEM_SCANNING);
    EXPECT_EQ(listedPlace, store);
    EXPECT_EQ(statusPart0.kind, STATUS_FOLDER);
    EXPECT_EQ(statusPart0.item, store);
    EXPECT_FALSE(BusyCursor());
    EXPECT_TRUE(IsCommandEnabled(CMD_REFRESH));
    EXPECT_TRUE(IsCommandEnabled(CMD_UP));

    // Capacity kept; every folder's total is its own size and its children's.
    EXPECT_EQ(store->total, capacity);
    for (uint32_t i = 0; i < store->childCount; ++i) ExpectTotalsAddUp(&store->children[i]);
    EXPECT_EQ(Item({u"\\", u"Windows", u"System"})->total, 5700u);
    EXPECT_EQ(Item({u"\\", u"Windows"})->total, 6700u);
    ExpectConsistentTree();
}

TEST_F(ScanTest, DatabaseFolderComesLastWithoutButtonAndACardOfFilesHasNoButton) {
    Start();
    ItemNode* store = ScanStore();
    ASSERT_GT(store->childCount, 0u);
    ItemNode* database = &store->children[store->childCount - 1];
    EXPECT_EQ(database->flags & (ITEM_FOLDER | ITEM_DATABASE), uint32_t(ITEM_FOLDER | ITEM_DATABASE));
    EXPECT_TRUE(database->flags & ITEM_SCANNED);
    ASSERT_EQ(database->childCount, 1u);
    EXPECT_EQ(database->total, 300u);
    QTreeWidgetItem* databaseNode = FindTreeChild(Node({u"\\"}), database);
    ASSERT_NE(databaseNode, nullptr);
    EXPECT_EQ(databaseNode->childCount(), 0);
    EXPECT_NE(databaseNode->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(Node({u"\\"})->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

    Select(Node({u"Storage Card"}));
    ASSERT_TRUE(WaitUntil([] { return Settled() && listedPlace == Item({u"Storage Card"}); }));
    EXPECT_EQ(Node({u"Storage Card"})->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    EXPECT_EQ(Node({u"Storage Card"})->childCount(), 0);
    ExpectConsistentTree();
}

// The stop is asked for after the worker has listed this many folders: in
// the drive's top level, in the first folder, deeper down.
class ScanStopTest : public ScanTest, public ::testing::WithParamInterface<int> {};

TEST_P(ScanStopTest, StopAtAnyLevelLeavesTheDriveAsBefore) {
    Start();
    ItemNode* store = Item({u"\\"});
    uint64_t capacity = store->total;
    // The scan is held at its listing number GetParam().
    device.HoldListings();
    device.PassListings(GetParam() - 1);
    Select(Node({u"\\"}));
    ASSERT_TRUE(WaitUntil([&] { return device.WaitForHeldListings(1, 0); }));
    ASSERT_NE(scanState, SCAN_IDLE);
    // Esc is the Stop command.
    QTest::keyClick(treePane, Qt::Key_Escape);
    EXPECT_EQ(scanState, SCAN_STOP_REQUESTED);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());

    EXPECT_FALSE(store->flags & (ITEM_SCANNED | ITEM_SCANNING));
    EXPECT_EQ(store->children, nullptr);
    EXPECT_EQ(store->childCount, 0u);
    EXPECT_EQ(store->total, capacity);
    EXPECT_EQ(Node({u"\\"})->childCount(), 0);
    EXPECT_TRUE(treePane->updatesEnabled());
    EXPECT_FALSE(BusyCursor());
    EXPECT_TRUE(IsCommandEnabled(CMD_REFRESH));
    EXPECT_EQ(PendingItem(), nullptr);
    ExpectConsistentTree();

    // The stop text shows for five seconds, then the parts come back.
    ASSERT_NE(StatusRestoreTimer(), nullptr);
    EXPECT_TRUE(StatusRestoreTimer()->isActive());
    EXPECT_EQ(StatusRestoreTimer()->interval(), STATUS_RESTORE_MS);
    EXPECT_EQ(statusBar->accessibleName(), "Calculation of drive spaces was stopped.");
    OnStatusRestoreTimer();
    EXPECT_FALSE(StatusRestoreTimer()->isActive());
    EXPECT_TRUE(statusBar->accessibleName().startsWith("- -"));

    // A later selection scans the drive again, completely.
    Select(TreeRootNode());
    ASSERT_TRUE(WaitSettled());
    ScanStore();
    EXPECT_TRUE(store->flags & ITEM_SCANNED);
    EXPECT_FALSE(StatusRestoreTimer()->isActive());
    ExpectConsistentTree();
}

INSTANTIATE_TEST_SUITE_P(Levels, ScanStopTest, ::testing::Values(1, 2, 3, 4));

TEST_F(ScanTest, DriveWithoutSubfoldersCompletesDespiteAStop) {
    Start();
    device.HoldListings();
    Select(Node({u"Storage Card"}));
    ASSERT_TRUE(WaitUntil([] { return scanState == SCAN_RUNNING; }));
    ASSERT_TRUE(device.WaitForHeldListings(1));
    CommandAction(CMD_STOP)->trigger();
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    ItemNode* card = Item({u"Storage Card"});
    EXPECT_TRUE(card->flags & ITEM_SCANNED);
    EXPECT_EQ(card->childCount, 1u);
    EXPECT_EQ(listedPlace, card);
}

TEST_F(ScanTest, AnExpandedDriveStaysOpenAndGrowsWhileScannedAndOtherExpansionsAreRefused) {
    Start();
    device.HoldListings();
    QTreeWidgetItem* storeNode = Node({u"\\"});
    QTreeWidgetItem* cardNode = Node({u"Storage Card"});
    // Expanding an unscanned drive scans it, and it stays open meanwhile.
    storeNode->setExpanded(true);
    EXPECT_EQ(scanState, SCAN_RUNNING);
    EXPECT_EQ(scanReason, uint32_t(SCAN_FOR_EXPAND));
    EXPECT_TRUE(storeNode->isExpanded());
    // The drive's own level is listed, every deeper one held: its folders
    // are in the open drive while the scan is still under way.
    device.PassListings(1);
    ASSERT_TRUE(WaitUntil([&] { return Node({u"\\", u"Windows"}) != nullptr; }));
    ASSERT_TRUE(device.WaitForHeldListings(1));
    EXPECT_EQ(scanState, SCAN_RUNNING);
    EXPECT_TRUE(storeNode->isExpanded());

    cardNode->setExpanded(true);
    EXPECT_FALSE(cardNode->isExpanded());
    EXPECT_FALSE(Item({u"Storage Card"})->flags & ITEM_SCANNING);
    TreeRootNode()->setExpanded(false);
    EXPECT_TRUE(TreeRootNode()->isExpanded());
    storeNode->setExpanded(false);
    EXPECT_TRUE(storeNode->isExpanded());

    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_TRUE(storeNode->isExpanded());
    EXPECT_NE(Node({u"\\", u"Windows", u"System", u"Fonts", u"Old"}), nullptr);
    EXPECT_FALSE(cardNode->isExpanded());
    // Expanding for a look changes neither the selection nor the list.
    EXPECT_EQ(treePane->currentItem(), TreeRootNode());
    EXPECT_EQ(listedPlace, rootItem);
    // Collapsing is free again once the scan is over.
    storeNode->setExpanded(false);
    EXPECT_FALSE(storeNode->isExpanded());
    ExpectConsistentTree();
}

TEST_F(ScanTest, AStoppedScanOfAnExpandedDriveClosesItEmpty) {
    Start();
    device.HoldListings();
    QTreeWidgetItem* storeNode = Node({u"\\"});
    storeNode->setExpanded(true);
    device.PassListings(1);
    ASSERT_TRUE(WaitUntil([&] { return storeNode->childCount() > 0; }));
    ASSERT_TRUE(device.WaitForHeldListings(1));
    QTest::keyClick(treePane, Qt::Key_Escape);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_FALSE(storeNode->isExpanded());
    EXPECT_EQ(storeNode->childCount(), 0);
    EXPECT_FALSE(Item({u"\\"})->flags & (ITEM_SCANNED | ITEM_SCANNING));
    EXPECT_EQ(device.openFolders, 0);
    ExpectConsistentTree();
}

TEST_F(ScanTest, AFolderChosenInTheDriveBeingScannedIsListedWhenTheScanIsDone) {
    Start();
    device.HoldListings();
    device.PassListings(1);
    Select(Node({u"\\"}));
    ASSERT_TRUE(WaitUntil([] { return Node({u"\\", u"Windows"}) != nullptr; }));
    QTreeWidgetItem* windows = Node({u"\\", u"Windows"});
    Select(windows);
    EXPECT_EQ(scanState, SCAN_RUNNING);
    EXPECT_EQ(statusPart0.kind, STATUS_PENDING);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(treePane->currentItem(), windows);
    EXPECT_EQ(listedPlace, Item({u"\\", u"Windows"}));
    EXPECT_EQ(statusPart0.item, Item({u"\\", u"Windows"}));
    ExpectConsistentTree();
}

TEST_F(ScanTest, ChoosingAnotherPlaceStopsTheScanAndShowsThatPlace) {
    Start();
    device.HoldListings();
    device.PassListings(1);
    Select(Node({u"\\"}));
    ASSERT_TRUE(WaitUntil([] { return Node({u"\\", u"Windows"}) != nullptr; }));
    Select(Node({u"Storage Card"}));
    EXPECT_EQ(scanState, SCAN_STOP_REQUESTED);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_FALSE(Item({u"\\"})->flags & ITEM_SCANNED);
    EXPECT_EQ(Node({u"\\"})->childCount(), 0);
    EXPECT_TRUE(Item({u"Storage Card"})->flags & ITEM_SCANNED);
    EXPECT_EQ(listedPlace, Item({u"Storage Card"}));
    ExpectConsistentTree();
}

TEST_F(ScanTest, AStopTooLateForTheWorkerStillShowsTheChosenPlace) {
    Start();
    // The card has no subfolder: the worker never looks at the stop.
    device.HoldListings();
    Select(Node({u"Storage Card"}));
    ASSERT_TRUE(WaitUntil([] { return scanState == SCAN_RUNNING; }));
    ASSERT_TRUE(device.WaitForHeldListings(1));
    Select(TreeRootNode());
    EXPECT_EQ(scanState, SCAN_STOP_REQUESTED);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_TRUE(Item({u"Storage Card"})->flags & ITEM_SCANNED);
    EXPECT_EQ(listedPlace, rootItem);
}

// A drive chosen, then within the selection delay another drive opened: its
// scan stops when the choice comes due, and the chosen drive is scanned.
TEST_F(ScanTest, AChoiceComingDueDuringAnotherDrivesScanStopsThatScan) {
    Start();
    // The drive's first listing is held, so the scan is still under way when
    // the choice is due.
    device.HoldListings();
    Select(Node({u"Storage Card"}));
    Node({u"\\"})->setExpanded(true);
    ASSERT_EQ(scanItem, Item({u"\\"}));
    ASSERT_TRUE(device.WaitForHeldListings(1));
    ASSERT_TRUE(WaitUntil([] { return !PendingSelectionArmed(); }));
    EXPECT_EQ(scanState, SCAN_STOP_REQUESTED);
    EXPECT_EQ(scanItem, Item({u"\\"}));
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_FALSE(Item({u"\\"})->flags & ITEM_SCANNED);
    EXPECT_FALSE(Node({u"\\"})->isExpanded());
    EXPECT_TRUE(Item({u"Storage Card"})->flags & ITEM_SCANNED);
    EXPECT_EQ(listedPlace, Item({u"Storage Card"}));
    ExpectConsistentTree();
}

// A navigation waiting for its drive's scan, then another place chosen: the
// choice is shown when the scan has stopped, not the root.
TEST_F(ScanTest, AStoppedNavigationShowsThePlaceChosenMeanwhile) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"Windows"}));
    // The rebuilt root's drives and the drive's own level go through.
    device.HoldListings();
    device.PassListings(2);
    CommandAction(CMD_REFRESH)->trigger();
    ASSERT_EQ(scanReason, uint32_t(SCAN_FOR_NAVIGATION));
    ASSERT_TRUE(WaitUntil([] { return Node({u"\\", u"Windows"}) != nullptr; }));
    Select(Node({u"Storage Card"}));
    EXPECT_EQ(scanState, SCAN_STOP_REQUESTED);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(navigationPath, nullptr);
    EXPECT_EQ(treePane->currentItem(), Node({u"Storage Card"}));
    EXPECT_EQ(listedPlace, Item({u"Storage Card"}));
    EXPECT_FALSE(Item({u"\\"})->flags & ITEM_SCANNED);
}

TEST_F(ScanTest, AStoppedNavigationWithNothingChosenEndsAtTheRoot) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"Windows"}));
    // The rebuilt root's drives and the drive's own level go through.
    device.HoldListings();
    device.PassListings(2);
    CommandAction(CMD_REFRESH)->trigger();
    ASSERT_TRUE(WaitUntil([] { return Node({u"\\", u"Windows"}) != nullptr; }));
    CommandAction(CMD_STOP)->trigger();
    EXPECT_EQ(scanState, SCAN_STOP_REQUESTED);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(navigationPath, nullptr);
    EXPECT_EQ(treePane->currentItem(), TreeRootNode());
    EXPECT_EQ(listedPlace, rootItem);
}

TEST_F(ScanTest, AWorkerThatCannotStartLeavesTheDriveUnscannedAndSaysSo) {
    Start();
    ScanEngine::threadStarter = [](pthread_t*, void* (*)(void*), void*) { return false; };
    ASSERT_TRUE(Show({u"\\"}));
    ItemNode* store = Item({u"\\"});
    EXPECT_FALSE(store->flags & (ITEM_SCANNED | ITEM_SCANNING));
    EXPECT_EQ(PendingItem(), nullptr);
    EXPECT_FALSE(BusyCursor());
    EXPECT_TRUE(IsCommandEnabled(CMD_REFRESH));
    EXPECT_TRUE(StatusRestoreTimer()->isActive());
    EXPECT_EQ(statusBar->accessibleName(), QString::fromUtf16(stopText));

    ScanEngine::threadStarter = ScanEngine::StartPosixThread;
    Select(TreeRootNode());
    ASSERT_TRUE(WaitSettled());
    ScanStore();
    EXPECT_TRUE(store->flags & ITEM_SCANNED);
}

TEST_F(ScanTest, ClosingDuringAScanStopsItFirstAndFreesNothingUnderTheWorker) {
    Start();
    device.HoldListings();
    device.PassListings(1);
    Select(Node({u"\\"}));
    ASSERT_TRUE(WaitUntil([] { return Node({u"\\", u"Windows"}) != nullptr; }));
    mainWindow->close();
    // The window waits for the listings under way; nothing is freed
    // meanwhile, whatever was posted.
    EXPECT_EQ(scanState, SCAN_STOP_REQUESTED);
    Flush();
    EXPECT_NE(mainWindow, nullptr);
    EXPECT_NE(rootItem, nullptr);
    EXPECT_TRUE(ScanWorkerAlive());
    device.ReleaseListings();
    ASSERT_TRUE(WaitUntil([] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return mainWindow == nullptr;
    }));
    EXPECT_FALSE(ScanWorkerAlive());
    EXPECT_EQ(rootItem, nullptr);
    EXPECT_FALSE(BusyCursor());
    ReleaseAfterLoop();
}

TEST(ScanProgress, HeldBelowTheWholeAndHiddenWithoutUsedBytes) {
    struct Case {
        uint64_t seen;
        uint64_t used;
        int permille;
    };
    const Case cases[] = {
        {0, 1000, 0},
        {500, 1000, 500},
        {999, 1000, SCAN_PROGRESS_CAP},
        {5000, 1000, SCAN_PROGRESS_CAP},  // apparent sizes may pass the used bytes
        {1, 0, -1},
        {UINT64_MAX, UINT64_MAX / 2, SCAN_PROGRESS_CAP},
        {uint64_t(1) << 60, uint64_t(1) << 62, 250},
    };
    for (const Case& c : cases) EXPECT_EQ(ScanProgressPermille(c.seen, c.used), c.permille) << c.seen << "/" << c.used;
}

}  // namespace
