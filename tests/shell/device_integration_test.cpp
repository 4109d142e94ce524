// The handheld's device facilities through a stand-in binding: the input
// panel's visible desk, the program's hardware key, the hold timer, and the
// low-memory request; on a desktop nothing is bound and nothing moves.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "running_program.h"
#include "support/modal_answers.h"
#include "deletion/marks.h"
#include "platform/command_actions.h"
#include "scan/navigation.h"
#include <QMessageBox>
#include "deletion/kept_place.h"
#include "model/item_tree.h"
#include "platform/app_flags.h"
#include "scan/folder_tree.h"
#include "shell/device_integration.h"
#include "views/contents_list.h"

namespace {

// What the stand-in platform reports and what it was asked.
struct FakeDevice {
    QRect desk{0, 0, 240, 200};
    uint8_t key = 0xC1;
    bool keyDown = false;
    bool acceptHotKey = true;
    int bound = 0;
    int unbound = 0;
};
FakeDevice fake;

const DeviceBinding FAKE_BINDING = {
    [](QRect* desk) {
        *desk = fake.desk;
        return true;
    },
    [] { return fake.key; },
    [](uint8_t key) { return fake.keyDown && key == fake.key; },
    [](uint8_t key) {
        ++fake.bound;
        return fake.acceptHotKey && key != 0;
    },
    [] { ++fake.unbound; },
};

class DeviceIntegrationTest : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        fake = FakeDevice();
    }
    void TearDown() override {
        RunningProgram::TearDown();
        SetDeviceBinding(nullptr);
    }
    void StartWith(const DeviceBinding* binding) {
        SetDeviceBinding(binding);
        Start(640, 480);
        ActivateWindow(mainWindow);
    }
    // Another program in front: a window of its own takes the activation.
    void GoToBackground() {
        other.resize(100, 100);
        ActivateWindow(&other);
        ASSERT_NE(QApplication::activeWindow(), mainWindow);
    }
    QWidget other;
};

TEST_F(DeviceIntegrationTest, DesktopBindsNothingAndNeverMoves) {
    StartWith(&FAKE_BINDING);  // offered, but a desktop does not take it
    QRect before = mainWindow->geometry();
    for (int code : {SETTING_SIP_INFO, SETTING_CURRENT_IM, SETTING_APP_BUTTONS}) OnSettingChanged(code);
    OnMainWindowFocused();
    EXPECT_EQ(mainWindow->geometry(), before);
    EXPECT_EQ(QueryAppKey(), 0);
    EXPECT_EQ(fake.bound, 0);
}

TEST_F(DeviceIntegrationTest, WindowKeepsToTheVisibleDesk) {
    UsePlatform("PocketPC");
    StartWith(&FAKE_BINDING);
    OnSettingChanged(SETTING_SIP_INFO);
    EXPECT_EQ(mainWindow->frameGeometry(), fake.desk);

    // A change in the background waits until the window comes back, as a
    // pane takes the focus in it.
    GoToBackground();
    fake.desk = QRect(0, 0, 240, 120);
    OnSettingChanged(SETTING_CURRENT_IM);
    EXPECT_NE(mainWindow->frameGeometry(), fake.desk);
    FocusPane(listPane);
    ASSERT_EQ(QApplication::activeWindow(), mainWindow);
    EXPECT_EQ(mainWindow->frameGeometry(), fake.desk);
}

TEST_F(DeviceIntegrationTest, KeyTogglesFullScreenOrBringsTheWindowForward) {
    UsePlatform("PocketPC");
    StartWith(&FAKE_BINDING);
    EXPECT_EQ(fake.bound, 1);
    FocusPane(listPane);

    OnHotKey();
    EXPECT_TRUE(appFlags & APP_FULLSCREEN);
    EXPECT_FALSE(treePane->isVisible());
    EXPECT_TRUE(listPane->isVisible());
    OnHotKey();
    EXPECT_FALSE(appFlags & APP_FULLSCREEN);
    EXPECT_TRUE(treePane->isVisible());
    EXPECT_EQ(focusPane, treePane);

    GoToBackground();
    OnHotKey();
    EXPECT_FALSE(appFlags & APP_FULLSCREEN);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(mainWindow));

    // A new key assignment moves the hot key; none leaves none.
    fake.key = 0;
    OnSettingChanged(SETTING_APP_BUTTONS);
    EXPECT_EQ(fake.unbound, 1);
    EXPECT_EQ(QueryAppKey(), 0);
}

TEST_F(DeviceIntegrationTest, HoldingTheKeyForASecondRefreshes) {
    UsePlatform("PocketPC");
    StartWith(&FAKE_BINDING);
    // A mark on the tree that only a rebuild takes away.
    rootItem->children[0].flags |= ITEM_SCANNED;
    auto rebuilt = [] { return !(rootItem->children[0].flags & ITEM_SCANNED); };

    // Released in time: no refresh.
    fake.keyDown = true;
    OnHotKey();
    EXPECT_TRUE(AppKeyHoldTimerRunning());
    fake.keyDown = false;
    QTRY_VERIFY_WITH_TIMEOUT(!AppKeyHoldTimerRunning(), 5000);
    EXPECT_FALSE(rebuilt());

    fake.keyDown = true;
    OnHotKey();
    QTRY_VERIFY_WITH_TIMEOUT(!AppKeyHoldTimerRunning(), 5000);
    EXPECT_TRUE(rebuilt());
    ASSERT_EQ(treePane->topLevelItemCount(), 1);
    EXPECT_EQ(TreeNodeItem(treePane->topLevelItem(0)), rootItem);
}

TEST_F(DeviceIntegrationTest, LowMemoryOnlyInTheBackground) {
    StartWith(nullptr);
    rootItem->children[0].flags |= ITEM_SCANNED;
    OnLowMemory();
    EXPECT_TRUE(rootItem->children[0].flags & ITEM_SCANNED);
    EXPECT_EQ(pendingPlace, nullptr);

    GoToBackground();
    OnLowMemory();
    EXPECT_FALSE(rootItem->children[0].flags & ITEM_SCANNED);
    ASSERT_NE(pendingPlace, nullptr);
    EXPECT_EQ(TreeNodeItem(treePane->topLevelItem(0)), rootItem);

    // Coming back goes to the kept place and uses it up.
    ActivateWindow(mainWindow);
    EXPECT_EQ(pendingPlace, nullptr);
}

TEST_F(DeviceIntegrationTest, LowMemoryWaitsOutEveryLoopThatHoldsRows) {
    // A window destroyed before with no loop running leaves a request to end
    // the loop, which would end every modal loop at once: one loop takes it.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    StartWith(nullptr);
    ItemNode* store = &rootItem->children[rootItem->childCount - 1];
    store->flags |= ITEM_SCANNED;
    // Two drives marked in the root list: each is refused with a message box,
    // and the marking holds the selected rows across both boxes.
    FocusPane(listPane);
    SelectAllRows();
    ASSERT_EQ(SelectedListRows().size(), 2u);
    int boxes = 0;
    ModalAnswers answers([&](QWidget* box) {
        ++boxes;
        // The program goes to the background and memory runs low meanwhile.
        GoToBackground();
        OnLowMemory();
        Refresh();
        ClickMessageButton(box, QMessageBox::Ok);
    });
    MarkSelection(listPane, CMD_DELETE);
    EXPECT_EQ(boxes, 2);
    // The tree was kept: nothing was freed under the rows.
    EXPECT_TRUE(store->flags & ITEM_SCANNED);
    EXPECT_EQ(pendingPlace, nullptr);
    // With no loop under way, the request is served.
    GoToBackground();
    OnLowMemory();
    EXPECT_FALSE(rootItem->children[rootItem->childCount - 1].flags & ITEM_SCANNED);
}

}  // namespace
