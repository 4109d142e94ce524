// The pane layout through the real window: the split positions, the drag of
// the splitter bar with its feedback, the clamps near the edges, the
// orientations and full-screen mode. The list's side of the window is the
// list above the treemap (ListArea).
#include <QImage>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>

#include "running_program.h"
#include "scan/folder_tree.h"
#include "shell/command_bands.h"
#include "shell/commands.h"
#include "shell/pane_layout.h"
#include "views/contents_list.h"
#include "views/treemap_pane.h"

namespace {

using PaneLayoutTest = RunningProgram;

void Drag(QPoint from, QPoint to) {
    QTest::mousePress(mainWindow, Qt::LeftButton, Qt::NoModifier, from);
    QTest::mouseMove(mainWindow, to);
    QTest::mouseRelease(mainWindow, Qt::LeftButton, Qt::NoModifier, to);
}

TEST_F(PaneLayoutTest, DefaultLeftRightSplitsAt160) {
    Start();
    EXPECT_EQ(paneArea.top, CommandBandsHeight());
    EXPECT_EQ(paneArea.bottom, mainWindow->height() - StatusBarHeight());
    EXPECT_EQ(treePane->geometry(), QRect(0, paneArea.top, 160, paneArea.bottom - paneArea.top));
    EXPECT_EQ(ListArea()->geometry(), QRect(162, paneArea.top, 640 - 162, paneArea.bottom - paneArea.top));
}

TEST_F(PaneLayoutTest, DragShowsInvertedFeedbackAndMovesPanesOnceAtRelease) {
    Start();
    const int y = (paneArea.top + paneArea.bottom) / 2;
    const QRect treeBefore = treePane->geometry();
    QImage plain = mainWindow->grab().toImage();

    QTest::mousePress(mainWindow, Qt::LeftButton, Qt::NoModifier, QPoint(161, y));
    ASSERT_TRUE(SplitterDragging());
    QTest::mouseMove(mainWindow, QPoint(300, y));
    // One bar shows, under the pointer; the panes have not moved.
    ASSERT_EQ(FeedbackBarCount(), 1);
    EXPECT_EQ(FeedbackBar(0).left, 299);
    EXPECT_EQ(FeedbackBar(0).right, 301);
    EXPECT_EQ(treePane->geometry(), treeBefore);
    QImage dragged = mainWindow->grab().toImage();
    QRgb before = plain.pixel(300, y) & 0xFFFFFF;
    EXPECT_EQ(dragged.pixel(300, y) & 0xFFFFFF, ~before & 0xFFFFFF);

    QTest::mouseRelease(mainWindow, Qt::LeftButton, Qt::NoModifier, QPoint(300, y));
    EXPECT_FALSE(SplitterDragging());
    EXPECT_EQ(FeedbackBarCount(), 0);
    EXPECT_EQ(settingsBlob.splitX, 299);
    EXPECT_EQ(treePane->width(), 299);
    EXPECT_EQ(ListArea()->x(), 301);
}

TEST_F(PaneLayoutTest, ReleaseNearAnEdgeIsPushedBackAndStored) {
    Start();
    const int y = (paneArea.top + paneArea.bottom) / 2;
    struct Case {
        int releaseX;
        int barLeft;
    };
    // Left of 32, beyond the window's left edge, and 20 pixels from the right.
    for (Case c : {Case{10, 32}, Case{-40, 32}, Case{620, 640 - 34}}) {
        Drag(QPoint(splitterRect.left + 1, y), QPoint(c.releaseX, y));
        EXPECT_EQ(splitterRect.left, c.barLeft) << c.releaseX;
        EXPECT_EQ(splitterRect.right, c.barLeft + 2) << c.releaseX;
        EXPECT_EQ(settingsBlob.splitX, c.barLeft) << c.releaseX;
        EXPECT_EQ(treePane->width(), c.barLeft) << c.releaseX;
    }
}

TEST_F(PaneLayoutTest, PressOutsideTheZoneDoesNothing) {
    Start();
    const int y = (paneArea.top + paneArea.bottom) / 2;
    // The zone reaches two pixels beyond the bar: 158..163.
    Drag(QPoint(157, y), QPoint(300, y));
    EXPECT_EQ(settingsBlob.splitX, 160);
    Drag(QPoint(158, y), QPoint(300, y));
    EXPECT_EQ(settingsBlob.splitX, 299);
}

TEST_F(PaneLayoutTest, ShrinkingMovesTheBarForDisplayOnly) {
    Start();
    settingsBlob.splitX = 500;
    mainWindow->resize(400, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(splitterRect.left, 400 - 34);
    EXPECT_EQ(settingsBlob.splitX, 500);
    mainWindow->resize(800, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(splitterRect.left, 500);
    EXPECT_EQ(treePane->width(), 500);
}

TEST_F(PaneLayoutTest, TopBottomCountsFromTheTopOfTheClientArea) {
    Start();
    CommandAction(CMD_TOP_BOTTOM)->trigger();
    EXPECT_EQ(orientation, 0);
    EXPECT_EQ(settingsBlob.leftRight, 0);
    EXPECT_TRUE(CommandAction(CMD_TOP_BOTTOM)->isChecked());
    const int bands = CommandBandsHeight();
    ASSERT_LT(bands, 80 - 32);
    EXPECT_EQ(treePane->geometry(), QRect(0, bands, 640, 80 - bands));
    EXPECT_EQ(ListArea()->y(), 82);
    EXPECT_EQ(ListArea()->height(), paneArea.bottom - 82);

    // A drag across the bar works on y now.
    Drag(QPoint(300, 81), QPoint(300, 200));
    EXPECT_EQ(settingsBlob.splitY, 199);
    EXPECT_EQ(settingsBlob.splitX, 160);
}

TEST_F(PaneLayoutTest, ChoosingTheCurrentOrientationDoesNotEvenRelayout) {
    Start();
    // Put the tree somewhere a layout would not: it stays there.
    treePane->setGeometry(5, 5, 50, 50);
    CommandAction(CMD_LEFT_RIGHT)->trigger();
    EXPECT_EQ(treePane->geometry(), QRect(5, 5, 50, 50));
    EXPECT_TRUE(CommandAction(CMD_LEFT_RIGHT)->isChecked());
}

TEST_F(PaneLayoutTest, FullScreenShowsTheFocusedPaneAloneAndComesBack) {
    Start();
    listPane->setFocus();
    QCoreApplication::processEvents();
    ASSERT_EQ(focusPane, listPane);
    const QRect listBefore = ListArea()->geometry();

    QTest::mouseClick(toolBar->widgetForAction(CommandAction(CMD_FULL_SCREEN)), Qt::LeftButton);
    EXPECT_TRUE(appFlags & APP_FULLSCREEN);
    EXPECT_TRUE(CommandAction(CMD_FULL_SCREEN)->isChecked());
    EXPECT_FALSE(treePane->isVisible());
    EXPECT_EQ(ListArea()->geometry(), QRect(0, paneArea.top, 640, paneArea.bottom - paneArea.top));

    listPane->setFocus();
    QCoreApplication::processEvents();
    CommandAction(CMD_FULL_SCREEN)->trigger();
    EXPECT_FALSE(appFlags & APP_FULLSCREEN);
    EXPECT_FALSE(CommandAction(CMD_FULL_SCREEN)->isChecked());
    EXPECT_TRUE(treePane->isVisible());
    EXPECT_EQ(ListArea()->geometry(), listBefore);
    EXPECT_EQ(focusPane, listPane);
}

TEST_F(PaneLayoutTest, TheTreemapSitsBelowTheListShownOnTheDesktopAndHiddenOnPalmSize) {
    // Palm-size first: nothing is stored yet, so each platform starts as it
    // does for a new user (the desktop would find the Palm-size run's
    // choice otherwise, shown as the test left it).
    for (const char* platform : {"PocketPC", "HPC"}) {
        SCOPED_TRACE(platform);
        UsePlatform(platform);
        Start();
        ASSERT_NE(treemapPane, nullptr);
        ASSERT_NE(listSplitter, nullptr);
        const bool desktop = QString(platform) == "HPC";
        EXPECT_EQ(treemapPane->isVisible(), desktop);
        EXPECT_EQ(CommandAction(CMD_TREEMAP)->isChecked(), desktop);
        EXPECT_EQ(listPane->parentWidget(), static_cast<QWidget*>(listSplitter));
        if (!desktop) DispatchCommand(CMD_TREEMAP);
        // Below the list, as wide as it, half the pane each way.
        ASSERT_TRUE(treemapPane->isVisible());
        EXPECT_EQ(treemapPane->x(), listPane->x());
        EXPECT_EQ(treemapPane->width(), listPane->width());
        EXPECT_GT(treemapPane->y(), listPane->y() + listPane->height() - 1);
        EXPECT_LE(std::abs(treemapPane->height() - listPane->height()), 1);
        Stop();
    }
}

}  // namespace
