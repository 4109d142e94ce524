// The pie chart pop-up through the real window: its command follows the
// list's sort, it shows the eight largest entries against the listed total,
// and it comes back where the user left it.
#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <string>

#include "../shell/running_program.h"
#include "model/item_tree.h"
#include "platform/app_flags.h"
#include "platform/command_actions.h"
#include "shell/commands.h"
#include "support/scanned_drive.h"
#include "scan/navigation.h"
#include "views/contents_list.h"
#include "views/pie_chart.h"
#include "views/pie_popup.h"

namespace {

class PiePopupTest : public RunningProgram {
protected:
    // \big: ten files of 10 to 100 bytes, shuffled in the folder.
    ItemNode* BigFolder() {
        for (int size : {30, 100, 10, 70, 50, 90, 20, 80, 60, 40})
            device.AddFile(u"\\big\\f" + std::u16string(1, char16_t(u'0' + size / 10 % 10)), size);
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        ScanDriveForTest(store);
        return FindEntry(store, {u"big"});
    }
    // Lists folder as the navigation does: the rows and the listed place.
    static uint64_t List(ItemNode* folder) {
        listedPlace = folder;
        return FillContentsList(folder->children, folder->childCount);
    }
    static bool Open() { return appFlags & APP_PIE_POPUP; }
    static void Command() { DispatchCommand(CMD_PIE_CHART); }
};

TEST_F(PiePopupTest, CommandFollowsTheSortAndTheChartShowsTheEightLargest) {
    Start();
    EXPECT_FALSE(IsCommandEnabled(CMD_PIE_CHART));  // the drive list
    ItemNode* big = BigFolder();
    uint64_t total = List(big);
    ASSERT_EQ(total, 550u);
    EXPECT_TRUE(IsCommandEnabled(CMD_PIE_CHART));

    Command();
    ASSERT_TRUE(Open());
    ASSERT_NE(piePopup, nullptr);
    EXPECT_TRUE(CommandAction(CMD_PIE_CHART)->isChecked());
    const PieChart* chart = PieChartRecord(pieWindow);
    ASSERT_NE(chart, nullptr);
    EXPECT_EQ(chart->totalValue, total);
    ASSERT_EQ(chart->sliceCount, 8u);
    for (uint32_t i = 0; i < 8; ++i) EXPECT_EQ(chart->slices[i].sliceValue, 100u - 10 * i) << i;
    // Read without sight: every slice by name with its Possession share.
    EXPECT_EQ(pieWindow->accessibleDescription().toStdString(),
              "8 slices: f0 18%, f9 16%, f8 15%, f7 13%, f6 11%, f5 9%, f4 7%, f3 5%, remainder 5%");

    // Sorting by Name closes it and turns the command off; Size again turns
    // the command on without reopening.
    SortListByColumn(0);
    EXPECT_FALSE(Open());
    EXPECT_EQ(piePopup, nullptr);
    EXPECT_FALSE(IsCommandEnabled(CMD_PIE_CHART));
    EXPECT_FALSE(CommandAction(CMD_PIE_CHART)->isChecked());
    SortListByColumn(2);  // Possession, largest first
    EXPECT_TRUE(IsCommandEnabled(CMD_PIE_CHART));
    EXPECT_FALSE(Open());
    SortListByColumn(2);  // reversed
    EXPECT_FALSE(IsCommandEnabled(CMD_PIE_CHART));

    // The drive list turns it off too.
    SortListByColumn(2);
    Command();
    EXPECT_TRUE(Open());
    FillDriveList(rootItem->children, rootItem->childCount);
    EXPECT_FALSE(Open());
    EXPECT_FALSE(IsCommandEnabled(CMD_PIE_CHART));
}

TEST_F(PiePopupTest, FirstAtThePaneCornerThenWhereTheUserLeftIt) {
    Start();
    ItemNode* big = BigFolder();
    List(big);
    Command();
    ASSERT_NE(piePopup, nullptr);
    QPoint corner = PaneCornerOnScreen();
    QRect frame = piePopup->frameGeometry();
    EXPECT_EQ(frame.left() + frame.width(), corner.x());
    EXPECT_EQ(frame.top() + frame.height(), corner.y());
    // The chart fills the pop-up.
    EXPECT_EQ(pieWindow->parentWidget(), piePopup);
    EXPECT_EQ(pieWindow->size(), piePopup->size());

    piePopup->move(50, 60);
    QPoint left = piePopup->frameGeometry().topLeft();
    Command();
    RunningProgram::Flush();
    EXPECT_FALSE(Open());
    EXPECT_FALSE(pieWindow->isVisible());
    Command();
    ASSERT_NE(piePopup, nullptr);
    EXPECT_EQ(piePopup->frameGeometry().topLeft(), left);

    // Esc in the pop-up closes it and takes the check mark off.
    QTest::keyClick(piePopup, Qt::Key_Escape);
    RunningProgram::Flush();
    EXPECT_FALSE(Open());
    EXPECT_FALSE(CommandAction(CMD_PIE_CHART)->isChecked());
    EXPECT_NE(pieWindow, nullptr);
}

TEST_F(PiePopupTest, EmptyFolderShowsAWhiteDiscAndRefreshFollowsAnExpunge) {
    Start();
    device.AddFolder(u"\\empty");
    ItemNode* big = BigFolder();
    ItemNode* empty = FindEntry(&rootItem->children[rootItem->childCount - 1], {u"empty"});
    List(empty);
    Command();
    ASSERT_TRUE(Open());
    EXPECT_EQ(PieChartRecord(pieWindow)->sliceCount, 0u);
    EXPECT_EQ(PieChartRecord(pieWindow)->totalValue, 0u);

    // Opening another folder while it is open reloads it.
    List(big);
    EXPECT_EQ(PieChartRecord(pieWindow)->sliceCount, 8u);
    // After entries go, the chart follows the remaining rows, open or not.
    Command();
    big->children[0].flags |= ITEM_REMOVED;
    RemoveExpungedRows();
    RefreshPossession(big->children, big->childCount);
    EXPECT_EQ(PieChartRecord(pieWindow)->totalValue, 550u - big->children[0].total);
}

}  // namespace
