// The ring of places and Go backward / Go forward through the real window.
#include <QAction>

#include <string>

#include "browse_program.h"
#include "platform/command_actions.h"
#include "scan/history.h"
#include "views/contents_list.h"

namespace {

std::u16string Text(const char16_t* text) { return text ? std::u16string(text) : std::u16string(u"(none)"); }

bool Push(const std::u16string& text) {
    return History(HISTORY_PUSH, const_cast<char16_t*>(text.c_str()),
                   static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t)));
}

class HistoryRingTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(History(HISTORY_CREATE, nullptr, 0)); }
    void TearDown() override { History(HISTORY_DESTROY, nullptr, 0); }
};

TEST_F(HistoryRingTest, BackAndForwardHandOutThePlacesInTurn) {
    EXPECT_FALSE(History(HISTORY_CAN_BACK, nullptr, 0));
    EXPECT_FALSE(History(HISTORY_CAN_FORWARD, nullptr, 0));
    const char16_t* out = nullptr;
    EXPECT_FALSE(History(HISTORY_BACK, &out, 0));
    EXPECT_FALSE(History(99, nullptr, 0));

    ASSERT_TRUE(Push(u"A"));
    ASSERT_TRUE(Push(u"B"));
    EXPECT_TRUE(History(HISTORY_CAN_BACK, nullptr, 0));
    EXPECT_FALSE(History(HISTORY_CAN_FORWARD, nullptr, 0));
    // The current place is stored before each step.
    std::u16string here = u"C";
    History(HISTORY_STORE, here.data(), 4);
    ASSERT_TRUE(History(HISTORY_BACK, &out, 0));
    EXPECT_EQ(Text(out), u"B");
    ASSERT_TRUE(History(HISTORY_BACK, &out, 0));
    EXPECT_EQ(Text(out), u"A");
    EXPECT_FALSE(History(HISTORY_BACK, &out, 0));
    ASSERT_TRUE(History(HISTORY_FORWARD, &out, 0));
    EXPECT_EQ(Text(out), u"B");
    EXPECT_TRUE(History(HISTORY_CAN_FORWARD, nullptr, 0));

    // A push drops what lies ahead.
    ASSERT_TRUE(Push(u"D"));
    EXPECT_FALSE(History(HISTORY_CAN_FORWARD, nullptr, 0));
    ASSERT_TRUE(History(HISTORY_BACK, &out, 0));
    EXPECT_EQ(Text(out), u"D");
}

TEST_F(HistoryRingTest, TwentyFivePlacesLeaveNineteenStepsBack) {
    for (int i = 0; i < 25; ++i) ASSERT_TRUE(Push(u"place " + std::u16string(1, char16_t(u'a' + i))));
    int steps = 0;
    const char16_t* out = nullptr;
    std::u16string oldest;
    while (History(HISTORY_BACK, &out, 0)) {
        ++steps;
        oldest = Text(out);
    }
    EXPECT_EQ(steps, 19);
    EXPECT_EQ(oldest, u"place g");  // the oldest six are gone
    EXPECT_TRUE(History(HISTORY_DESTROY, nullptr, 0));
    EXPECT_EQ(historyRing, nullptr);
    EXPECT_FALSE(Push(u"x"));
}

class HistoryTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        for (const char16_t* name : {u"\\A", u"\\B", u"\\C", u"\\D"}) device.AddFolder(name);
        device.AddFile(u"\\B\\b.txt", 20);
    }

    static ItemNode* Shown() { return TreeNodeItem(treePane->currentItem()); }
    static std::u16string CurrentSlot() { return Text(historyRing->texts[historyRing->current]); }
    static std::u16string SlotBehind() {
        return Text(historyRing->texts[(historyRing->current + HISTORY_SLOTS - 1) % HISTORY_SLOTS]);
    }
};

TEST_F(HistoryTest, BackAndForwardLandOnThePlacesLeft) {
    Start();
    EXPECT_FALSE(IsCommandEnabled(CMD_GO_BACKWARD));
    EXPECT_FALSE(IsCommandEnabled(CMD_GO_FORWARD));
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"A"}));
    ASSERT_TRUE(Show({u"\\", u"B"}));
    ASSERT_TRUE(Show({u"\\", u"C"}));
    // The entry in focus was recorded with its folder; an empty folder has
    // none, and its own path stands.
    EXPECT_EQ(SlotBehind(), u"\\B\\b.txt");
    EXPECT_EQ(Text(historyRing->texts[(historyRing->current + HISTORY_SLOTS - 2) % HISTORY_SLOTS]), u"\\A\\");
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_BACKWARD));
    EXPECT_FALSE(IsCommandEnabled(CMD_GO_FORWARD));

    CommandAction(CMD_GO_BACKWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), Item({u"\\", u"B"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"B"}));
    ASSERT_NE(FocusedListRow(), nullptr);
    EXPECT_EQ(FocusedListRow()->item, Item({u"\\", u"B", u"b.txt"}));
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_FORWARD));
    CommandAction(CMD_GO_BACKWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), Item({u"\\", u"A"}));
    CommandAction(CMD_GO_FORWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), Item({u"\\", u"B"}));
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_FORWARD));
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_BACKWARD));

    // Choosing another place after going back drops the places ahead.
    ASSERT_TRUE(Show({u"\\", u"D"}));
    EXPECT_FALSE(IsCommandEnabled(CMD_GO_FORWARD));
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_BACKWARD));
    CommandAction(CMD_GO_BACKWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), Item({u"\\", u"B"}));
}

TEST_F(HistoryTest, QuickSelectionsRecordEachFolderLeft) {
    Start();
    ScanStore();
    // Within the pending delay the list still shows "\": each folder left is
    // recorded as itself, not as the place the list still shows.
    for (const char16_t* name : {u"A", u"B", u"C"}) Select(Node({u"\\", name}));
    ASSERT_TRUE(WaitSettled());
    CommandAction(CMD_GO_BACKWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), Item({u"\\", u"B"}));
}

TEST_F(HistoryTest, TwentyFiveSelectionsAllowNineteenStepsBack) {
    Start();
    ScanStore();
    const char16_t* names[] = {u"A", u"B", u"C", u"D"};
    for (int i = 0; i < 25; ++i) Select(Node({u"\\", names[i % 4]}));
    ASSERT_TRUE(WaitSettled());
    int steps = 0;
    while (IsCommandEnabled(CMD_GO_BACKWARD) && steps < 30) {
        CommandAction(CMD_GO_BACKWARD)->trigger();
        ASSERT_TRUE(WaitSettled());
        ++steps;
    }
    EXPECT_EQ(steps, 19);
}

TEST_F(HistoryTest, GoingBackAfterRefreshScansTheDriveFirst) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"A"}));
    ASSERT_TRUE(Show({u"\\", u"B"}));
    Select(TreeRootNode());
    ASSERT_TRUE(WaitSettled());
    CommandAction(CMD_REFRESH)->trigger();
    ASSERT_TRUE(WaitSettled());
    device.HoldListings();
    EXPECT_FALSE(Item({u"\\"})->flags & ITEM_SCANNED);

    // Back to "\B\b.txt", on a drive that is not scanned any more.
    CommandAction(CMD_GO_BACKWARD)->trigger();
    EXPECT_EQ(scanState, SCAN_RUNNING);
    EXPECT_FALSE(IsCommandEnabled(CMD_GO_BACKWARD));
    EXPECT_FALSE(IsCommandEnabled(CMD_GO_FORWARD));
    device.ReleaseListings();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), Item({u"\\", u"B"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"B"}));
    ASSERT_NE(FocusedListRow(), nullptr);
    EXPECT_EQ(FocusedListRow()->item, Item({u"\\", u"B", u"b.txt"}));
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_FORWARD));
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_BACKWARD));
    CommandAction(CMD_GO_FORWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), rootItem);
}

// At the root with the object store's row in focus the place is "/": going
// back to it lists the drives with that row in focus and scans nothing.
TEST_F(HistoryTest, TheObjectStoresRowIsRecordedAsASlash) {
    Start();
    ListRow* storeRow = FindListRow(Item({u"\\"}));
    ASSERT_NE(storeRow, nullptr);
    SelectAndShowRow(ShownRowPosition(storeRow));
    Select(Node({u"Storage Card"}));
    EXPECT_EQ(SlotBehind(), u"/");
    ASSERT_TRUE(WaitSettled());
    CommandAction(CMD_GO_BACKWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), rootItem);
    EXPECT_EQ(listedPlace, rootItem);
    ASSERT_NE(FocusedListRow(), nullptr);
    EXPECT_EQ(FocusedListRow()->item, Item({u"\\"}));
    EXPECT_FALSE(Item({u"\\"})->flags & ITEM_SCANNED);
}

TEST_F(HistoryTest, APlaceThatIsGoneLandsAtItsDeepestExistingFolder) {
    Start();
    ScanStore();
    ASSERT_TRUE(Show({u"\\", u"A"}));
    ASSERT_TRUE(Push(u"\\B\\Gone\\"));
    CommandAction(CMD_GO_BACKWARD)->trigger();
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(Shown(), Item({u"\\", u"B"}));
    EXPECT_EQ(listedPlace, Item({u"\\", u"B"}));
}

}  // namespace
