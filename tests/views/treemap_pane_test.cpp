// The treemap pane in the running program on a host fixture: what it draws
// for the listed place, points that map to entries, clicks and double-clicks
// that reach the list and the navigation, the outline and description of the
// list's focused row, marks and an expunge redrawn, a hidden pane that does
// no work, and a Refresh while the worker draws.
#include <QAccessible>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>

#include <string>

#include "deletion/expunge.h"
#include "deletion/marks.h"
#include "model/display_name.h"
#include "model/format.h"
#include "platform/command_actions.h"
#include "platform/dialog_builder.h"
#include "platform/host_device.h"
#include "scan/browse_program.h"
#include "shell/commands.h"
#include "shell/pane_layout.h"
#include "support/host_files.h"
#include "support/modal_answers.h"
#include "views/size_choice.h"
#include "views/treemap_pane.h"

namespace {

class TreemapPaneTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        ASSERT_TRUE(fixture.IsValid());
        const std::string place = fixture.root + "/place";
        mkdir(place.c_str(), 0755);
        mkdir((place + "/sub").c_str(), 0755);
        mkdir((place + "/dust").c_str(), 0755);
        SparseFile(place + "/big.iso", 4000000);
        SparseFile(place + "/medium.mp4", 2000000);
        SparseFile(place + "/sub/a.jpg", 1000000);
        SparseFile(place + "/sub/b.txt", 500000);
        // Two hundred one-byte files: far too small to draw one by one.
        for (int i = 0; i < 200; ++i) SparseFile(place + "/dust/d" + std::to_string(i), 1);
        host = std::make_unique<HostDevice>(fixture.root);
        SetDevice(host.get());
    }

    void TearDown() override {
        {
            ModalAnswers yes([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Yes); });
            Stop();
        }
        BrowseProgram::TearDown();
    }

    // Runs the loop until the pane shows a finished picture of place drawn
    // after everything asked of it so far.
    static bool WaitForPicture(const ItemNode* place) {
        while (treemapPane->view.shown.place != place || treemapPane->view.shown.image.isNull() ||
               TreemapWorkerReading(&treemapPane->view.worker)) {
            QSignalSpy shown(treemapPane, &TreemapPane::PictureShown);
            if (!shown.wait(20000)) return false;
        }
        return true;
    }

    // Starts the program, scans "\" and lists \place with apparent sizes.
    ItemNode* ShowPlace() {
        Start(900, 700);
        ChooseSizeCount(SIZE_APPARENT);
        ScanStore();
        EXPECT_TRUE(Show({u"\\", u"place"}));
        ItemNode* place = Item({u"\\", u"place"});
        EXPECT_EQ(listedPlace, place);
        EXPECT_TRUE(WaitForPicture(place));
        return place;
    }

    // The tiles of an entry and everything in it, and their bounding box.
    static std::vector<TreemapTile> TilesOf(const ItemNode* entry) {
        std::vector<TreemapTile> tiles;
        for (const TreemapTile& tile : treemapPane->view.shown.tiles) {
            for (const ItemNode* item = tile.item; item; item = item->parent) {
                if (item == entry) {
                    tiles.push_back(tile);
                    break;
                }
            }
        }
        return tiles;
    }
    static QRect Bounds(const std::vector<TreemapTile>& tiles) {
        QRect bounds;
        for (const TreemapTile& tile : tiles)
            bounds |= QRect(QPoint(tile.left, tile.top), QPoint(tile.right - 1, tile.bottom - 1));
        return bounds;
    }
    // The centre of a tile in the pane's coordinates.
    static QPoint Centre(const TreemapTile& tile) {
        const QRect area = treemapPane->PictureRect();
        const QImage& image = treemapPane->view.shown.image;
        return QPoint(area.left() + (tile.left + tile.right) / 2 * area.width() / image.width(),
                      area.top() + (tile.top + tile.bottom) / 2 * area.height() / image.height());
    }

    FixtureFolder fixture;
    std::unique_ptr<HostDevice> host;
};

TEST_F(TreemapPaneTest, DrawsTheListedSubtreeAndMapsPointsToItsEntries) {
    ItemNode* place = ShowPlace();
    ASSERT_TRUE(treemapPane->isVisible());
    const ItemNode* big = FindEntry(place, {u"big.iso"});
    const ItemNode* photo = FindEntry(place, {u"sub", u"a.jpg"});
    const ItemNode* dust = FindEntry(place, {u"dust"});
    // Every file big enough is a tile of its own; the dust is one plain tile.
    const ItemNode* medium = FindEntry(place, {u"medium.mp4"});
    const ItemNode* text = FindEntry(place, {u"sub", u"b.txt"});
    for (const ItemNode* entry : {big, photo, medium, text})
        EXPECT_EQ(TilesOf(entry).size(), 1u) << QString::fromUtf16(entry->name).toStdString();
    ASSERT_EQ(TilesOf(dust).size(), 1u);
    EXPECT_EQ(TilesOf(dust)[0].item, dust);
    // Tiles cover the picture: their areas add up to it.
    const QImage& image = treemapPane->view.shown.image;
    long long covered = 0;
    for (const TreemapTile& tile : treemapPane->view.shown.tiles)
        covered += (tile.right - tile.left) * (tile.bottom - tile.top);
    EXPECT_EQ(covered, (long long)image.width() * image.height());

    // A point maps to its tile's entry.
    for (const ItemNode* entry : {big, photo, dust}) {
        const TreemapTile* hit = treemapPane->TileAt(Centre(TilesOf(entry)[0]));
        ASSERT_NE(hit, nullptr);
        EXPECT_EQ(hit->item, entry);
    }
    EXPECT_EQ(treemapPane->TileAt(QPoint(-1, 5)), nullptr);
    // The tooltip names the entry, its size and its share of the place.
    const QString tip = TreemapTileText(treemapPane->view.shown, TilesOf(big)[0]);
    EXPECT_TRUE(tip.contains("place")) << tip.toStdString();
    EXPECT_TRUE(tip.contains("big.iso"));
    const uint64_t whole = TreemapPlaceBytes(place);
    EXPECT_EQ(treemapPane->view.shown.placeBytes, whole);
    EXPECT_TRUE(tip.contains(QStringLiteral("%1% of the listed place").arg(Percent(4000000, whole))))
        << tip.toStdString();
    // The description names the largest tiles with their shares, and the legend.
    const QString described = treemapPane->accessibleDescription();
    EXPECT_TRUE(described.contains(QStringLiteral("big.iso %1%").arg(Percent(4000000, whole)))) << described.toStdString();
    EXPECT_TRUE(described.contains("sub")) << described.toStdString();
    EXPECT_TRUE(described.contains("Images")) << described.toStdString();
    EXPECT_EQ(treemapPane->accessibleName(), "Treemap");
}

TEST_F(TreemapPaneTest, ClickSelectsTheRowThatHoldsTheTileAndDoubleClickOpensItsFolder) {
    ItemNode* place = ShowPlace();
    const ItemNode* sub = FindEntry(place, {u"sub"});
    const ItemNode* big = FindEntry(place, {u"big.iso"});
    const ItemNode* photo = FindEntry(place, {u"sub", u"a.jpg"});

    // A file at the top selects its own row; one deeper down, the row of the
    // folder that holds it. The selected row's tiles are outlined and its
    // tile described.
    for (const ItemNode* clicked : {big, photo}) {
        const ItemNode* row = clicked == photo ? sub : clicked;
        QTest::mouseClick(treemapPane, Qt::LeftButton, {}, Centre(TilesOf(clicked)[0]));
        ASSERT_NE(FocusedListRow(), nullptr);
        EXPECT_EQ(FocusedListRow()->item, row);
        ASSERT_EQ(SelectedListRows().size(), 1u);
        EXPECT_EQ(SelectedListRows()[0]->item, row);
        EXPECT_EQ(treemapPane->view.outline, Bounds(TilesOf(row)));
        EXPECT_TRUE(treemapPane->accessibleDescription().startsWith(DisplayName(row->name) + ", "))
            << treemapPane->accessibleDescription().toStdString();
    }
    // Keys in the list move the outline with the focus.
    FocusPane(listPane);
    SelectOnlyRow(ShownRowPosition(FindListRow(big)));
    EXPECT_EQ(treemapPane->view.outline, Bounds(TilesOf(big)));

    // Double-click inside sub goes there as Open does, through the history.
    QTest::mouseDClick(treemapPane, Qt::LeftButton, {}, Centre(TilesOf(photo)[0]));
    ASSERT_TRUE(WaitSettled());
    EXPECT_EQ(listedPlace, sub);
    EXPECT_TRUE(IsCommandEnabled(CMD_GO_BACKWARD));
    ASSERT_TRUE(WaitForPicture(sub));
    EXPECT_EQ(TilesOf(photo).size(), 1u);
    // A double-click on a file of the place itself goes nowhere.
    DispatchCommand(CMD_GO_BACKWARD);
    ASSERT_TRUE(WaitSettled());
    ASSERT_TRUE(WaitForPicture(place));
    QTest::mouseDClick(treemapPane, Qt::LeftButton, {}, Centre(TilesOf(big)[0]));
    EXPECT_TRUE(WaitSettled());
    EXPECT_EQ(listedPlace, place);
}

TEST_F(TreemapPaneTest, MarkedEntriesAreHatchedAndExpungedOnesLoseTheirTiles) {
    ItemNode* place = ShowPlace();
    const ItemNode* medium = FindEntry(place, {u"medium.mp4"});
    const ItemNode* sub = FindEntry(place, {u"sub"});
    const QImage before = treemapPane->view.shown.image;
    const QRect mediumTile = Bounds(TilesOf(medium));

    FocusPane(listPane);
    listPane->clearSelection();
    for (const ItemNode* entry : {medium, sub})
        listPane->selectionModel()->select(listPane->model()->index(ShownRowPosition(FindListRow(entry)), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QSignalSpy redrawn(treemapPane, &TreemapPane::PictureShown);
    DispatchCommand(CMD_DELETE);
    ASSERT_TRUE(redrawn.wait(20000));
    ASSERT_TRUE(WaitForPicture(place));
    // The mark shows as darker stripes over the tile; the big file is as it was.
    const QImage marked = treemapPane->view.shown.image;
    int darker = 0;
    for (int y = mediumTile.top(); y <= mediumTile.bottom(); ++y)
        for (int x = mediumTile.left(); x <= mediumTile.right(); ++x)
            darker += qGray(marked.pixel(x, y)) < qGray(before.pixel(x, y));
    EXPECT_GT(darker, mediumTile.width() * mediumTile.height() / 5);
    const QRect bigTile = Bounds(TilesOf(FindEntry(place, {u"big.iso"})));
    EXPECT_EQ(marked.copy(bigTile), before.copy(bigTile));

    ModalAnswers answers([](QWidget* modal) { ClickDialogControl(modal, 1); });
    redrawn.clear();
    DispatchCommand(CMD_EXPUNGE);
    EXPECT_EQ(medium->flags & ITEM_REMOVED, ITEM_REMOVED);
    ASSERT_TRUE(redrawn.count() > 0 || redrawn.wait(20000));
    ASSERT_TRUE(WaitForPicture(place));
    EXPECT_TRUE(TilesOf(medium).empty());
    EXPECT_TRUE(TilesOf(sub).empty());
    EXPECT_EQ(TilesOf(FindEntry(place, {u"big.iso"})).size(), 1u);
    EXPECT_EQ(treemapPane->view.shown.placeBytes, 4000000 + FindEntry(place, {u"dust"})->total);
}

TEST_F(TreemapPaneTest, ChangingTheSizeCountRedrawsInTheNewCount) {
    ItemNode* place = ShowPlace();
    const uint64_t apparent = treemapPane->view.shown.placeBytes;
    ASSERT_EQ(apparent, TreemapPlaceBytes(place));
    QSignalSpy redrawn(treemapPane, &TreemapPane::PictureShown);
    // The files are sparse: on the disk only the folders' own blocks count.
    ChooseSizeCount(SIZE_DISK_USAGE);
    ASSERT_TRUE(redrawn.wait(20000));
    ASSERT_TRUE(WaitForPicture(place));
    EXPECT_EQ(treemapPane->view.shown.placeBytes, TreemapPlaceBytes(place));
    EXPECT_LT(treemapPane->view.shown.placeBytes, apparent);
    EXPECT_TRUE(TilesOf(FindEntry(place, {u"big.iso"})).empty());
}

TEST_F(TreemapPaneTest, HiddenItDoesNoWorkAndItsStateIsKeptBetweenRuns) {
    ItemNode* place = ShowPlace();
    ASSERT_TRUE(CommandAction(CMD_TREEMAP)->isChecked());
    DispatchCommand(CMD_TREEMAP);
    EXPECT_FALSE(treemapPane->isVisible());
    EXPECT_FALSE(CommandAction(CMD_TREEMAP)->isChecked());
    // Neither a new size nor a new place hands the worker anything.
    mainWindow->resize(700, 500);
    EXPECT_FALSE(TreemapWorkerReading(&treemapPane->view.worker));
    EXPECT_TRUE(Show({u"\\"}));
    EXPECT_FALSE(TreemapWorkerReading(&treemapPane->view.worker));
    // Shown again, it draws the place listed now.
    DispatchCommand(CMD_TREEMAP);
    EXPECT_TRUE(treemapPane->isVisible());
    EXPECT_TRUE(WaitForPicture(Item({u"\\"})));

    // The splitter's position and the hidden state come back next run.
    listSplitter->setSizes({300, 150});
    emit listSplitter->splitterMoved(300, 1);
    const int height = treemapPane->height();
    DispatchCommand(CMD_TREEMAP);
    Stop();
    // As at set-up: the closed window's end-of-loop request is used up.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    Start(700, 500);
    EXPECT_FALSE(treemapPane->isVisible());
    EXPECT_FALSE(CommandAction(CMD_TREEMAP)->isChecked());
    DispatchCommand(CMD_TREEMAP);
    EXPECT_EQ(treemapPane->height(), height);
    (void)place;
}

TEST_F(TreemapPaneTest, ARefreshWhileTheWorkerDrawsFreesNothingItStillReads) {
    // Enough files that a picture takes the worker a while.
    const std::string many = fixture.root + "/place/many";
    mkdir(many.c_str(), 0755);
    for (int i = 0; i < 3000; ++i) SparseFile(many + "/f" + std::to_string(i) + ".dat", 100000 + i * 37);
    ItemNode* place = ShowPlace();
    (void)place;
    for (int round = 0; round < 5; ++round) {
        // A new size asks for a picture; the Refresh comes while it is drawn.
        mainWindow->resize(900 + round, 700 + round);
        QCoreApplication::processEvents();
        Refresh();
        // The pane holds nothing of the freed tree until the place is back.
        EXPECT_TRUE(treemapPane->view.shown.tiles.empty());
        EXPECT_EQ(treemapPane->view.shown.place, nullptr);
        ASSERT_TRUE(WaitSettled());
        ASSERT_TRUE(WaitForPicture(listedPlace));
    }
    EXPECT_EQ(listedPlace, Item({u"\\", u"place"}));
}

}  // namespace
