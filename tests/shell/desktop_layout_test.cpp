// The window on a desktop, through the real widgets: the root named after the
// machine, the tree at a fifth of the first window, and the name column
// taking what the other columns leave.
#include <QHeaderView>
#include <QScrollBar>
#include <QSysInfo>
#include <QTreeView>
#include <QTreeWidget>

#include "running_program.h"
#include "scan/folder_tree.h"
#include "shell/pane_layout.h"
#include "views/contents_list.h"

namespace {

class DesktopLayoutTest : public RunningProgram {
protected:
    void SetUp() override {
        RunningProgram::SetUp();
        UsePlatform("Linux");
    }

    // The pixels the list's columns leave free (negative when they overflow).
    static int LeftOver() {
        QHeaderView* header = listPane->header();
        int sum = 0;
        for (int column = 0; column < header->count(); ++column) sum += header->sectionSize(column);
        return listPane->viewport()->width() - sum;
    }
};

TEST_F(DesktopLayoutTest, FirstStartGivesTheTreeAFifthAndTheRootTheMachinesName) {
    ASSERT_TRUE(StartUp());
    QCoreApplication::processEvents();
    const int first = mainWindow->width();
    EXPECT_EQ(settingsBlob.splitX, first / 5);
    EXPECT_EQ(treePane->width(), first / 5);
    EXPECT_EQ(treePane->topLevelItem(0)->text(0), QSysInfo::machineHostName());

    // The bar the user leaves is kept: the next start keeps it whatever the
    // window's width.
    mainWindow->resize(1300, 850);
    QCoreApplication::processEvents();
    EXPECT_EQ(treePane->width(), first / 5);
    Stop();
    settings.Restart();
    Start(1300, 850);
    EXPECT_EQ(settingsBlob.splitX, first / 5);
    EXPECT_EQ(treePane->width(), first / 5);
}

TEST_F(DesktopLayoutTest, NameColumnTakesWhatTheOthersLeaveAndDraggedWidthsStay) {
    Start(1300, 850);
    QHeaderView* header = listPane->header();
    ASSERT_EQ(header->count(), 5);
    EXPECT_EQ(LeftOver(), 0);
    EXPECT_GT(header->sectionSize(0), 400);
    const int size = header->sectionSize(1);

    // A column the user drags keeps its width; the name gives or takes.
    header->resizeSection(3, header->sectionSize(3) + 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(LeftOver(), 0);
    const int dragged = header->sectionSize(3);
    mainWindow->resize(800, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(LeftOver(), 0);
    EXPECT_EQ(header->sectionSize(1), size);
    EXPECT_EQ(header->sectionSize(3), dragged);
    EXPECT_FALSE(listPane->horizontalScrollBar()->isVisible());

    // Stored and brought back by the next run.
    Stop();
    Start(1300, 850);
    EXPECT_EQ(listPane->header()->sectionSize(3), dragged);
    EXPECT_EQ(LeftOver(), 0);
}

TEST_F(DesktopLayoutTest, HandheldKeepsItsClassicLayout) {
    UsePlatform("HPC");
    Start(1300, 850);
    EXPECT_EQ(settingsBlob.splitX, 160);
    EXPECT_EQ(treePane->topLevelItem(0)->text(0), "My Handheld PC");
    EXPECT_GT(LeftOver(), 0);
}

}  // namespace
