// Moving between places through the real window: the pending selection, the
// marks question before a selection, Up, Backspace, Tab, Refresh, and places
// to return to that no longer exist.
#include <QAction>
#include <QMessageBox>
#include <QTimer>
#include <QTreeView>

#include <set>

#include "browse_program.h"
#include "deletion/marks.h"
#include "platform/app_flags.h"
#include "platform/command_actions.h"
#include "support/modal_answers.h"
#include "support/open_recorder.h"
#include "views/contents_list.h"
#include "views/status_bar.h"

namespace {

class NavigationTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        AddSampleFolders();
        device.AddFolder(u"\\Program Files");
    }
};

TEST_F(NavigationTest, QuickSelectionsShowEachInTheTreeButListOnlyTheLast) {
    Start();
    ItemNode* store = ScanStore();
    std::set<ItemNode*> listed;
    const std::vector<std::u16string> names = {u"Windows", u"My Documents", u"Program Files"};
    for (const std::u16string& name : names) {
        Select(Node({u"\\", name}));
        EXPECT_EQ(treePane->currentItem(), Node({u"\\", name}));
        EXPECT_EQ(listedPlace, store);
    }
    EXPECT_TRUE(PendingSelectionArmed());
    EXPECT_EQ(PendingSelectionTimer()->interval(), PENDING_SELECTION_MS);
    ASSERT_TRUE(WaitUntil([&] {
        listed.insert(listedPlace);
        return Settled();
    }));
    EXPECT_EQ(listedPlace, Item({u"\\", u"Program Files"}));
    EXPECT_EQ(listed.count(Item({u"\\", u"Windows"})), 0u);
    EXPECT_EQ(listed.count(Item({u"\\", u"My Documents"})), 0u);
    EXPECT_EQ(statusPart0.kind, STATUS_FOLDER);
    EXPECT_EQ(statusPart0.item, Item({u"\\", u"Program Files"}));
}

TEST_F(NavigationTest, TheMarksQuestionCanKeepTheSelection) {
    Start();
    ScanStore();
    ItemNode* letter = Item({u"\\", u"My Documents", u"letter.doc"});
    ASSERT_TRUE(Show({u"\\", u"My Documents"}));
    letter->flags |= ITEM_MARKED;
    markedCount = 1;
    {
        ModalAnswers answers([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
        Select(Node({u"\\", u"Windows"}));
        EXPECT_EQ(answers.seen.size(), 1);
    }
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"My Documents"}));
    EXPECT_EQ(treePane->selectedItems(), QList<QTreeWidgetItem*>({Node({u"\\", u"My Documents"})}));
    EXPECT_FALSE(PendingSelectionArmed());
    EXPECT_TRUE(letter->flags & ITEM_MARKED);
    // Up asks the same question.
    {
        ModalAnswers answers([](QWidget* box) { ClickMessageButton(box, QMessageBox::No); });
        CommandAction(CMD_UP)->trigger();
        EXPECT_EQ(answers.seen.size(), 1);
    }
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"My Documents"}));
    {
        ModalAnswers answers([](QWidget* box) { ClickMessageButton(box, QMessageBox::Yes); });
        Select(Node({u"\\", u"Windows"}));
    }
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows"}));
    EXPECT_FALSE(letter->flags & ITEM_MARKED);
    EXPECT_EQ(markedCount, 0u);
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(listedPlace, Item({u"\\", u"Windows"}));
}

// The marks question runs a loop of its own: a stop unwinding meanwhile may
// delete the very node the user chose, which is then not selected.
TEST_F(NavigationTest, ANodeDeletedWhileTheMarksQuestionIsOpenIsNotSelected) {
    device.AddFile(u"Storage Card\\song.mp3", 4000);
    Start();
    Select(Node({u"Storage Card"}));
    ASSERT_TRUE(WaitUntil([] { return Settled() && listedPlace == Item({u"Storage Card"}); }));
    ItemNode* song = Item({u"Storage Card", u"song.mp3"});
    song->flags |= ITEM_MARKED;
    markedCount = 1;

    device.HoldListings();
    device.PassListings(1);
    Node({u"\\"})->setExpanded(true);
    ASSERT_TRUE(WaitUntil([] { return Node({u"\\", u"Windows"}) != nullptr; }));
    CommandAction(CMD_STOP)->trigger();
    device.ReleaseListings();
    {
        // Yes, but only once the stop has taken the node away.
        ModalAnswers answers([](QWidget* box) {
            if (Node({u"\\"})->childCount() == 0) ClickMessageButton(box, QMessageBox::Yes);
        });
        Select(Node({u"\\", u"Windows"}));
        EXPECT_FALSE(answers.seen.isEmpty());
    }
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(treePane->currentItem(), Node({u"Storage Card"}));
    EXPECT_FALSE(Item({u"\\"})->flags & ITEM_SCANNED);
    ExpectConsistentTree();
}

TEST_F(NavigationTest, UpAndBackspaceClimbToTheDriveList) {
    Start();
    EXPECT_FALSE(IsCommandEnabled(CMD_UP));
    EXPECT_FALSE(GoUp());
    EXPECT_EQ(treePane->currentItem(), TreeRootNode());
    EXPECT_FALSE(PendingSelectionArmed());

    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"Windows"}));
    EXPECT_TRUE(IsCommandEnabled(CMD_UP));
    CommandAction(CMD_UP)->trigger();
    EXPECT_EQ(treePane->currentItem(), Node({u"\\"}));
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(listedPlace, Item({u"\\"}));

    FocusPane(listPane);
    QTest::keyClick(listPane, Qt::Key_Backspace);
    EXPECT_EQ(treePane->currentItem(), TreeRootNode());
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(listedPlace, rootItem);
    EXPECT_FALSE(IsCommandEnabled(CMD_UP));
}

TEST_F(NavigationTest, TabMovesBetweenThePanesExceptInFullScreen) {
    Start();
    FocusPane(treePane);
    ASSERT_TRUE(treePane->hasFocus());
    QTest::keyClick(treePane, Qt::Key_Tab);
    EXPECT_TRUE(listPane->hasFocus());
    QTest::keyClick(listPane, Qt::Key_Tab);
    EXPECT_TRUE(treePane->hasFocus());
    EXPECT_TRUE(OnListKeyDown(Qt::Key_Tab));

    CommandAction(CMD_FULL_SCREEN)->trigger();
    ASSERT_TRUE(appFlags & APP_FULLSCREEN);
    FocusPane(treePane);
    QTest::keyClick(treePane, Qt::Key_Tab);
    EXPECT_TRUE(treePane->hasFocus());
    // In the list the key is left to the list itself.
    EXPECT_FALSE(OnListKeyDown(Qt::Key_Tab));
    EXPECT_FALSE(OnListKeyDown(Qt::Key_Backtab));
}

TEST_F(NavigationTest, RefreshRebuildsScansAgainAndComesBackToTheFolder) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"Windows"}));
    device.AddFile(u"\\Windows\\new.txt", 40);
    // The rebuilt root's drives go through; the scan is held.
    device.HoldListings();
    device.PassListings(1);
    CommandAction(CMD_REFRESH)->trigger();
    EXPECT_EQ(scanState, SCAN_RUNNING);
    EXPECT_EQ(scanReason, uint32_t(SCAN_FOR_NAVIGATION));
    EXPECT_EQ(statusPart0.kind, STATUS_NONE);
    // Refresh and Stop exclude each other: a second Refresh does nothing.
    EXPECT_FALSE(IsCommandEnabled(CMD_REFRESH));
    CommandAction(CMD_REFRESH)->trigger();
    EXPECT_EQ(scanState, SCAN_RUNNING);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    ItemNode* windows = Item({u"\\", u"Windows"});
    ASSERT_NE(windows, nullptr);
    EXPECT_NE(FindChildByName(windows, u"new.txt"), nullptr);
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows"}));
    EXPECT_EQ(listedPlace, windows);
    EXPECT_EQ(windows->total, 6040u);
    ExpectConsistentTree();
}

// A new place while a navigation waits for its drive's scan replaces the
// waiting one and waits for the same scan.
TEST_F(NavigationTest, ANewPlaceReplacesTheNavigationWaitingForItsScan) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"Windows"}));
    // The rebuilt root's drives go through; the scan is held.
    device.HoldListings();
    device.PassListings(1);
    CommandAction(CMD_REFRESH)->trigger();
    ASSERT_NE(navigationPath, nullptr);
    EXPECT_FALSE(NavigateTo(ParsePathList(u"\\My Documents\\")));
    EXPECT_EQ(scanState, SCAN_RUNNING);
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"My Documents"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"My Documents"}));
}

TEST_F(NavigationTest, RefreshAtTheRootScansNothing) {
    Start();
    CommandAction(CMD_REFRESH)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(listedPlace, rootItem);
    EXPECT_EQ(treePane->currentItem(), TreeRootNode());
    for (uint32_t i = 0; i < rootItem->childCount; ++i) EXPECT_FALSE(rootItem->children[i].flags & ITEM_SCANNED);
}

// A place to return to ("Recent Folder") that partly no longer exists lands
// at its deepest existing folder, after scanning its drive.
TEST_F(NavigationTest, ARecentFolderThatIsGoneLandsAtItsDeepestExistingFolder) {
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"\\Windows\\Gone\\x.txt");
    Start();
    ASSERT_TRUE(WaitUntil([] { return Settled() && listedPlace; }));
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"Windows"}));
    EXPECT_EQ(navigationPath, nullptr);
}

TEST_F(NavigationTest, ARecentFolderEndingInAFileLandsInItsFolder) {
    RegWriteText(REG_CURRENT_USER, SETTINGS_KEY_PATH, SETTINGS_VALUE_PLACE, u"\\Windows\\System\\core.dll");
    Start();
    ASSERT_TRUE(WaitUntil([] { return Settled() && listedPlace; }));
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows", u"System"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"Windows", u"System"}));
}

// A Palm-size device keeps its place and marks at close; the next start
// scans the drive, lands there and marks the same entries again.
TEST_F(NavigationTest, APalmSizeCloseReopensThePlaceWithItsMarks) {
    UsePlatform("PocketPC");
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"My Documents"}));
    FocusPane(listPane);
    SelectAndShowRow(ShownRowPosition(FindListRow(Item({u"\\", u"My Documents", u"letter.doc"}))));
    QTest::keyClick(listPane, Qt::Key_Delete);
    ASSERT_EQ(markedCount, 1u);
    Stop();

    settings.Restart();
    Start();
    ASSERT_TRUE(WaitUntil([] { return Settled() && listedPlace; }));
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"My Documents"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"My Documents"}));
    ItemNode* letter = Item({u"\\", u"My Documents", u"letter.doc"});
    EXPECT_TRUE(letter->flags & ITEM_MARKED);
    EXPECT_EQ(markedCount, 1u);
    ASSERT_NE(FocusedListRow(), nullptr);
    EXPECT_EQ(FocusedListRow()->item, letter);
}

TEST_F(NavigationTest, AFileInThePathIsNotPassedThrough) {
    Start();
    ScanStore();
    NavigateTo(ParsePathList(u"\\Windows\\System\\core.dll\\more"));
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows", u"System"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"Windows", u"System"}));
}

std::u16string PlaceText(PathList* place) {
    char16_t* text = place ? PathListToText(place) : nullptr;
    std::u16string result = text ? text : u"(none)";
    std::free(text);
    FreePathList(place);
    return result;
}

TEST_F(NavigationTest, CurrentPlaceNamesTheFocusedEntryOrAnEmptyLastName) {
    Start();
    // The drive list with the object store's row in focus: its name alone.
    SelectAndShowRow(ShownRowPosition(FindListRow(Item({u"\\"}))));
    EXPECT_EQ(PlaceText(CurrentPlace()), u"\\");
    ScanStore();
    Select(Node({u"\\", u"Windows", u"System"}));
    // Until the list shows the folder, its entries are not the place's.
    EXPECT_EQ(PlaceText(CurrentPlace()), u"\\Windows\\System\\");
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(PlaceText(CurrentPlace()), u"\\Windows\\System\\core.dll");
    listPane->setCurrentIndex(QModelIndex());
    EXPECT_EQ(PlaceText(CurrentPlace()), u"\\Windows\\System\\");
}

TEST_F(NavigationTest, RefreshComesBackToTheFocusedEntry) {
    device.AddFile(u"\\Windows\\foo.txt", 300);
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"Windows"}));
    ListRow* foo = FindListRow(Item({u"\\", u"Windows", u"foo.txt"}));
    ASSERT_NE(foo, nullptr);
    SelectAndShowRow(ShownRowPosition(foo));
    ASSERT_EQ(FocusedListRow(), foo);
    CommandAction(CMD_REFRESH)->trigger();
    ASSERT_TRUE(WaitSettled());
    ItemNode* fooAgain = Item({u"\\", u"Windows", u"foo.txt"});
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"Windows"}));
    ASSERT_NE(FocusedListRow(), nullptr);
    EXPECT_EQ(FocusedListRow()->item, fooAgain);
    std::vector<ListRow*> selected = SelectedListRows();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(selected[0]->item, fooAgain);
    QModelIndex focused = listPane->currentIndex();
    EXPECT_TRUE(listPane->viewport()->rect().intersects(listPane->visualRect(focused)));
}

TEST_F(NavigationTest, RefreshAtTheRootKeepsTheFocusedDriveRowWithoutAScan) {
    Start();
    SelectAndShowRow(ShownRowPosition(FindListRow(Item({u"Storage Card"}))));
    CommandAction(CMD_REFRESH)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(treePane->currentItem(), TreeRootNode());
    EXPECT_EQ(listedPlace, rootItem);
    ASSERT_NE(FocusedListRow(), nullptr);
    EXPECT_EQ(FocusedListRow()->item, Item({u"Storage Card"}));
    EXPECT_FALSE(Item({u"Storage Card"})->flags & ITEM_SCANNED);
}

TEST_F(NavigationTest, OpenShowsAFolderAtOnceAndHandsAFileToTheDesktop) {
    Start();
    ScanStore();
    FocusPane(listPane);
    SelectAndShowRow(ShownRowPosition(FindListRow(Item({u"\\", u"Windows"}))));
    ASSERT_TRUE(IsCommandEnabled(CMD_OPEN));
    CommandAction(CMD_OPEN)->trigger();
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows"}));
    ASSERT_TRUE(PendingSelectionArmed());
    EXPECT_EQ(PendingSelectionTimer()->interval(), 0);
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(listedPlace, Item({u"\\", u"Windows"}));

    // Enter on a file's row opens it with the desktop's program.
    {
        OpenRecorder recorder;
        FocusPane(listPane);
        SelectAndShowRow(ShownRowPosition(FindListRow(Item({u"\\", u"Windows", u"a.txt"}))));
        QTest::keyClick(listPane, Qt::Key_Return);
        EXPECT_EQ(recorder.Opened(), std::vector<std::u16string>{u"\\Windows\\a.txt"});
    }
    EXPECT_EQ(treePane->currentItem(), Node({u"\\", u"Windows"}));

    // Open acts on the list only: from the tree it does nothing.
    FocusPane(treePane);
    CommandAction(CMD_OPEN)->trigger();
    EXPECT_FALSE(PendingSelectionArmed());
}

TEST_F(NavigationTest, DeleteMarksTheSelectedEntries) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"My Documents"}));
    FocusPane(listPane);
    SelectAndShowRow(ShownRowPosition(FindListRow(Item({u"\\", u"My Documents", u"letter.doc"}))));
    QTest::keyClick(listPane, Qt::Key_Delete);
    EXPECT_TRUE(Item({u"\\", u"My Documents", u"letter.doc"})->flags & ITEM_MARKED);
    EXPECT_EQ(markedCount, 1u);
    // Leave without the question at the end.
    ModalAnswers answers([](QWidget* box) { ClickMessageButton(box, QMessageBox::Yes); });
    Select(Node({u"\\"}));
    EXPECT_EQ(markedCount, 0u);
}

}  // namespace
