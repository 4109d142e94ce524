// The drive list and the contents list through the real main window: rows,
// texts, sorting by header clicks, arrows, column layouts across switches and
// restarts, marks, and what selection and focus do to the row commands.
#include "views/contents_list.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QFontMetrics>
#include <QHeaderView>
#include <QImage>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>

#include <algorithm>
#include <string>
#include <vector>

#include "deletion/kept_place.h"
#include "deletion/marks.h"
#include "model/format.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/command_actions.h"
#include "platform/settings_blob.h"
#include "scan/folder_tree.h"
#include "shell/running_program.h"
#include "support/scanned_drive.h"
#include "views/image_list.h"
#include "views/list_columns.h"
#include "views/list_sort.h"

namespace {

using Names = std::vector<std::u16string>;

constexpr uint64_t GIB = 1ULL << 30;
constexpr uint64_t MIB = 1ULL << 20;

uint64_t DayOf(int year, int month, int day) {
    return UnixTimeToFileTime(QDateTime(QDate(year, month, day), QTime(12, 0), Qt::UTC).toSecsSinceEpoch(), 0);
}

class ListTest : public RunningProgram {
protected:
    // The folder \docs: 3 GiB, 1 GiB, a folder of 600 bytes and a file of
    // 400 bytes, dated apart (the folder has no date on this device).
    void AddDocs() {
        device.AddFile(u"\\docs\\video.mkv", 3 * GIB, 0, DayOf(2020, 1, 2));
        device.AddFile(u"\\docs\\backup.tar", 1 * GIB, 0, DayOf(2019, 5, 6));
        device.AddFile(u"\\docs\\photos\\a.jpg", 600, 0, DayOf(2018, 1, 1));
        device.AddFile(u"\\docs\\notes.txt", 400, 0, DayOf(2021, 7, 8));
    }

    // The object store "\", the last drive, listed as a scan leaves it.
    ItemNode* ScannedStore() {
        ItemNode* store = &rootItem->children[rootItem->childCount - 1];
        if (!(store->flags & ITEM_SCANNED)) ScanDriveForTest(store);
        return store;
    }

    ItemNode* Folder(std::initializer_list<const char16_t*> names) {
        ItemNode* folder = FindEntry(ScannedStore(), names);
        EXPECT_NE(folder, nullptr);
        return folder;
    }

    uint64_t Show(ItemNode* folder) { return FillContentsList(folder->children, folder->childCount); }

    static QAbstractItemModel* Model() { return listPane->model(); }
    static QString Cell(int row, int column) { return Model()->index(row, column).data().toString(); }

    static Names ShownNames() {
        Names names;
        for (int p = 0; p < ShownRowCount(); ++p) names.emplace_back(ShownRow(p)->item->name);
        return names;
    }

    static std::vector<QString> Headers() {
        std::vector<QString> texts;
        for (int column = 0; column < 5; ++column)
            texts.push_back(Model()->headerData(column, Qt::Horizontal).toString());
        return texts;
    }

    // The logical column at each position from the left.
    static std::vector<int> ShownOrder() {
        std::vector<int> order;
        for (int position = 0; position < 5; ++position) order.push_back(listPane->header()->logicalIndex(position));
        return order;
    }

    // The Modified text of a date.
    static QString ModifiedText(uint64_t fileTime) {
        char16_t text[32] = {};
        FormatModified(UnixSecondsOfTimeStamp(TimeStampOfFileTime(fileTime)), text, 32);
        return QString::fromUtf16(text);
    }

    static std::vector<QString> Column(int column) {
        std::vector<QString> texts;
        for (int row = 0; row < Model()->rowCount(); ++row) texts.push_back(Cell(row, column));
        return texts;
    }

    // The images the headers show, read back from the model the header paints.
    static std::vector<int> Arrows() {
        std::vector<int> arrows;
        for (int column = 0; column < 5; ++column) {
            const QIcon shown = Model()->headerData(column, Qt::Horizontal, Qt::DecorationRole).value<QIcon>();
            int found = -1;
            for (int image : {IMAGE_NO_ARROW, IMAGE_ARROW_UP, IMAGE_ARROW_DOWN}) {
                if (shown.cacheKey() == SmallImage(image).cacheKey()) found = image;
            }
            arrows.push_back(found);
        }
        return arrows;
    }

    // A click on the header of column (its logical index), wherever it stands.
    static void ClickHeader(int column) {
        QHeaderView* header = listPane->header();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(x, header->height() / 2));
    }

    static void ClickRow(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect place = listPane->visualRect(Model()->index(row, 0));
        QTest::mouseClick(listPane->viewport(), Qt::LeftButton, modifiers, place.center());
    }

    static bool RowCommandsEnabled(bool on) {
        return IsCommandEnabled(CMD_OPEN) == on && IsCommandEnabled(CMD_DELETE) == on &&
               IsCommandEnabled(CMD_UNDELETE) == on;
    }

    static void Paint() {
        listPane->viewport()->repaint();
        QCoreApplication::processEvents();
    }
};

TEST_F(ListTest, ContentsShowSizesAndSharesLargestFirstWithRowZeroFocused) {
    AddDocs();
    Start();
    ItemNode* docs = Folder({u"docs"});
    EXPECT_EQ(Show(docs), 4 * GIB + 1000);

    EXPECT_EQ(listMode, LIST_CONTENTS);
    EXPECT_EQ(ShownNames(), (Names{u"video.mkv", u"backup.tar", u"photos", u"notes.txt"}));
    EXPECT_EQ(Column(1), (std::vector<QString>{"3,221,225,472", "1,073,741,824", "600", "400"}));
    EXPECT_EQ(Column(2), (std::vector<QString>{"75%", "25%", "0%", "0%"}));
    EXPECT_EQ(Headers(), (std::vector<QString>{"Name", "Size", "Possession", "Type", "Modified"}));
    EXPECT_EQ(Arrows(), (std::vector<int>{IMAGE_NO_ARROW, IMAGE_ARROW_DOWN, IMAGE_NO_ARROW, IMAGE_NO_ARROW,
                                          IMAGE_NO_ARROW}));
    EXPECT_EQ(Model()->headerData(1, Qt::Horizontal, Qt::AccessibleDescriptionRole).toString(), "Sorted descending");
    EXPECT_EQ(Model()->index(0, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
              Qt::AlignRight);

    // Row 0 carries the focus mark only; nothing is selected.
    EXPECT_EQ(FocusedListRow(), ShownRow(0));
    EXPECT_TRUE(SelectedListRows().empty());
    EXPECT_TRUE(RowCommandsEnabled(false));
    EXPECT_TRUE(IsCommandEnabled(CMD_PIE_CHART));

    // The Modified texts come from the device once painted; the folder has none.
    Paint();
    EXPECT_EQ(Cell(0, 4), ModifiedText(DayOf(2020, 1, 2)));
    EXPECT_EQ(Cell(2, 4), "");
    EXPECT_EQ(FindListRow(FindEntry(docs, {u"photos"}))->modified, MODIFIED_NONE);
    EXPECT_EQ(FindListRow(FindEntry(docs, {u"video.mkv"}))->item, FindEntry(docs, {u"video.mkv"}));
}

TEST_F(ListTest, TypeDateAndIconAreFetchedForPaintedRowsAndDatesComeFromTheScan) {
    for (int i = 0; i < 400; ++i) {
        const std::u16string name = u"\\many\\file" + QString::number(1000 + i).toStdU16String() + u".txt";
        device.AddFile(name, 1000 + static_cast<uint64_t>(i), 0, DayOf(2000 + i % 20, 1 + i % 12, 1 + i % 28));
    }
    Start(1000, 480);  // wide enough for every column
    ItemNode* many = Folder({u"many"});
    device.timeReads = 0;
    Show(many);
    Paint();

    // The rows on screen asked for their date, and beyond them at most the
    // one row the view paints up to its bottom edge.
    const QRect viewport = listPane->viewport()->rect();
    int onScreen = 0;
    int fetched = 0;
    for (int p = 0; p < ShownRowCount(); ++p) {
        const bool visible = listPane->visualRect(Model()->index(p, 0)).intersects(viewport);
        onScreen += visible;
        fetched += ShownRow(p)->modified != 0;
        if (visible) {
            EXPECT_NE(ShownRow(p)->modified, 0) << p;
            EXPECT_NE(ShownRow(p)->typeName, nullptr) << p;
        } else if (p > onScreen) {
            EXPECT_EQ(ShownRow(p)->modified, 0) << p;
            EXPECT_EQ(ShownRow(p)->typeName, nullptr) << p;
        }
    }
    EXPECT_GT(onScreen, 3);
    EXPECT_LT(onScreen, 100);
    EXPECT_LE(fetched, onScreen + 1);
    // The scan kept every date: the device is never asked again, not for
    // the painted rows, nor for a sort by Modified.
    EXPECT_EQ(device.timeReads, 0);
    ClickHeader(4);
    Paint();
    ClickHeader(4);
    Paint();
    EXPECT_EQ(device.timeReads, 0);
    for (int p = 1; p < ShownRowCount(); ++p) EXPECT_GE(ShownRow(p - 1)->modified, ShownRow(p)->modified);
}

// One header click and what follows from it in the contents list.
struct ContentsClick {
    int column;
    Names order;  // empty: not checked (equal keys)
    std::vector<int> arrows;
    bool pieEnabled;
};

TEST_F(ListTest, HeaderClicksSortContentsAndMoveTheArrowWhileSelectionStaysOnItsRow) {
    AddDocs();
    Start();
    Show(Folder({u"docs"}));
    ClickRow(1);  // backup.tar
    ASSERT_EQ(SelectedListRows().size(), 1u);
    const ListRow* selected = SelectedListRows()[0];

    const int N = IMAGE_NO_ARROW, U = IMAGE_ARROW_UP, D = IMAGE_ARROW_DOWN;
    const std::vector<ContentsClick> clicks = {
        {1, {u"notes.txt", u"photos", u"backup.tar", u"video.mkv"}, {N, U, N, N, N}, false},
        {1, {u"video.mkv", u"backup.tar", u"photos", u"notes.txt"}, {N, D, N, N, N}, true},
        {0, {u"backup.tar", u"notes.txt", u"photos", u"video.mkv"}, {U, N, N, N, N}, false},
        {0, {u"video.mkv", u"photos", u"notes.txt", u"backup.tar"}, {D, N, N, N, N}, false},
        {2, {u"video.mkv", u"backup.tar", u"photos", u"notes.txt"}, {N, N, D, N, N}, true},
        {4, {u"photos", u"backup.tar", u"video.mkv", u"notes.txt"}, {N, N, N, N, U}, false},
        {4, {u"notes.txt", u"video.mkv", u"backup.tar", u"photos"}, {N, N, N, N, D}, false},
        {3, {}, {N, N, N, U, N}, false},
        {1, {u"video.mkv", u"backup.tar", u"photos", u"notes.txt"}, {N, D, N, N, N}, true},
    };
    for (size_t i = 0; i < clicks.size(); ++i) {
        ClickHeader(clicks[i].column);
        if (!clicks[i].order.empty()) {
            EXPECT_EQ(ShownNames(), clicks[i].order) << "click " << i;
        }
        EXPECT_EQ(Arrows(), clicks[i].arrows) << "click " << i;
        EXPECT_EQ(IsCommandEnabled(CMD_PIE_CHART), clicks[i].pieEnabled) << "click " << i;
        ASSERT_EQ(SelectedListRows().size(), 1u) << "click " << i;
        EXPECT_EQ(SelectedListRows()[0], selected) << "click " << i;
        // The displayed text follows the records.
        EXPECT_EQ(Cell(0, 0).toStdU16String(), std::u16string(ShownRow(0)->item->name)) << "click " << i;
    }
    EXPECT_FALSE(listPane->header()->isSortIndicatorShown());
}

TEST_F(ListTest, DriveListShowsSpaceAndSortsEachColumnByItsOwnKey) {
    // "\" 64 MiB, 75% used; Storage Card 128 MiB, 22%; Big 3 GiB, half used;
    // Small 1 GiB, nearly full; Broken cannot tell its space.
    device.AddCard(u"Big", 3 * GIB, 3 * GIB / 2);
    device.AddCard(u"Small", 1 * GIB, 10 * MIB);
    device.AddCard(u"Broken", 5 * GIB, GIB);
    device.FailSpaceQuery(u"Broken");
    Start();

    EXPECT_EQ(listMode, LIST_DRIVES);
    EXPECT_EQ(ShownNames(), (Names{u"\\", u"Big", u"Broken", u"Small", u"Storage Card"}));
    EXPECT_EQ(Cell(1, 1), "3,221,225,472");
    EXPECT_EQ(Cell(1, 2), "1,610,612,736");
    EXPECT_EQ(Cell(1, 3), "50%");
    EXPECT_EQ(Cell(1, 4), "1,610,612,736");
    EXPECT_EQ((std::vector<QString>{Cell(2, 1), Cell(2, 2), Cell(2, 3), Cell(2, 4)}),
              (std::vector<QString>{"0", "0", "0%", "0"}));
    EXPECT_EQ(Cell(3, 3), "99%");
    EXPECT_EQ(Headers(), (std::vector<QString>{"Storage", "Size", "Usage", "Usage", "Free Space"}));
    EXPECT_EQ(FocusedListRow(), ShownRow(0));
    EXPECT_FALSE(IsCommandEnabled(CMD_PIE_CHART));

    const int N = IMAGE_NO_ARROW, U = IMAGE_ARROW_UP, D = IMAGE_ARROW_DOWN;
    const std::vector<ContentsClick> clicks = {
        {0, {u"Storage Card", u"Small", u"Broken", u"Big", u"\\"}, {D, N, N, N, N}, false},
        {1, {u"Broken", u"\\", u"Storage Card", u"Small", u"Big"}, {N, U, N, N, N}, false},
        {2, {u"Broken", u"Storage Card", u"\\", u"Small", u"Big"}, {N, N, U, N, N}, false},
        {3, {u"Broken", u"Storage Card", u"Big", u"\\", u"Small"}, {N, N, N, U, N}, false},
        {4, {u"Broken", u"Small", u"\\", u"Storage Card", u"Big"}, {N, N, N, N, U}, false},
        {4, {u"Big", u"Storage Card", u"\\", u"Small", u"Broken"}, {N, N, N, N, D}, false},
    };
    for (size_t i = 0; i < clicks.size(); ++i) {
        ClickHeader(clicks[i].column);
        EXPECT_EQ(ShownNames(), clicks[i].order) << "click " << i;
        EXPECT_EQ(Arrows(), clicks[i].arrows) << "click " << i;
        EXPECT_EQ(IsCommandEnabled(CMD_PIE_CHART), clicks[i].pieEnabled) << "click " << i;
    }
}

TEST_F(ListTest, EachColumnSetKeepsItsOrderAndWidthsAcrossSwitchesAndRestarts) {
    AddDocs();
    Start();
    ItemNode* docs = Folder({u"docs"});
    QHeaderView* header = listPane->header();
    // The drive columns as the settings record gives them.
    EXPECT_EQ(header->sectionSize(0), DefaultColumnWidth(LIST_DRIVES, 0));
    EXPECT_EQ(header->sectionSize(3), DefaultColumnWidth(LIST_DRIVES, 3));
    header->resizeSection(1, 123);

    Show(docs);
    EXPECT_EQ(header->sectionSize(0), DefaultColumnWidth(LIST_CONTENTS, 0));
    EXPECT_EQ(header->sectionSize(4), DefaultColumnWidth(LIST_CONTENTS, 4));
    header->moveSection(header->visualIndex(4), 0);  // Modified first
    header->moveSection(header->visualIndex(1), 4);  // Size last
    header->resizeSection(0, 211);
    header->resizeSection(3, 44);
    const std::vector<int> contentsOrder = {4, 0, 2, 3, 1};
    ASSERT_EQ(ShownOrder(), contentsOrder);

    FillDriveList(rootItem->children, rootItem->childCount);
    EXPECT_EQ(ShownOrder(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(header->sectionSize(1), 123);
    EXPECT_EQ(header->sectionSize(0), DefaultColumnWidth(LIST_DRIVES, 0));

    Show(docs);
    EXPECT_EQ(ShownOrder(), contentsOrder);
    EXPECT_EQ(header->sectionSize(0), 211);
    EXPECT_EQ(header->sectionSize(3), 44);
    // A click on the header of Size, now last, still sorts by Size.
    ClickHeader(1);
    EXPECT_EQ(contentsSortColumn, 1);
    EXPECT_TRUE(contentsSortReversed);
    ClickHeader(1);

    // Closed with the contents shown, started again through the stored record.
    Stop();
    settings.Restart();
    Start();
    header = listPane->header();
    EXPECT_EQ(header->sectionSize(1), 123);
    Show(Folder({u"docs"}));
    EXPECT_EQ(ShownOrder(), contentsOrder);
    EXPECT_EQ(header->sectionSize(0), 211);
    EXPECT_EQ(header->sectionSize(3), 44);
    // Every run starts sorted by Size, largest first.
    EXPECT_EQ(ShownNames()[0], u"video.mkv");
}

// A damaged stored layout and what the columns show instead.
struct StoredLayout {
    std::vector<int32_t> order;
    std::vector<int32_t> widths;
    std::vector<int> shownOrder;
    std::vector<int> shownWidths;
};

TEST_F(ListTest, DamagedStoredLayoutGivesWayToDefaults) {
    AddDocs();
    Start();
    ItemNode* docs = Folder({u"docs"});
    const std::vector<StoredLayout> cases = {
        {{4, 3, 2, 1, 0}, {100, 90, 80, 70, 60}, {4, 3, 2, 1, 0}, {100, 90, 80, 70, 60}},
        {{0, 0, 1, 2, 3}, {-5, 80, 50, 99999, 84}, {0, 1, 2, 3, 4}, {DefaultColumnWidth(LIST_CONTENTS, 0), 80, 50,
                                                                     DefaultColumnWidth(LIST_CONTENTS, 3), 84}},
        {{4, 3, 2, 1, 0}, {0, 1, 2, 3, 4}, {4, 3, 2, 1, 0}, {0, 1, 2, 3, 4}},
        {{4, 3, 2, 1, 9}, {100, 90, 80, 70, 60}, {0, 1, 2, 3, 4}, {100, 90, 80, 70, 60}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        FillDriveList(rootItem->children, rootItem->childCount);
        std::copy(cases[i].order.begin(), cases[i].order.end(), settingsBlob.contentsColumnOrder);
        std::copy(cases[i].widths.begin(), cases[i].widths.end(), settingsBlob.contentsColumnWidths);
        Show(docs);
        QHeaderView* header = listPane->header();
        std::vector<int> widths;
        for (int k = 0; k < 5; ++k) widths.push_back(header->sectionSize(k));
        EXPECT_EQ(ShownOrder(), cases[i].shownOrder) << i;
        EXPECT_EQ(widths, cases[i].shownWidths) << i;
    }
}

TEST_F(ListTest, DefaultWidthsHoldADesktopDrivesByteCountsAndNeverGoBelowTheClassicOnes) {
    // A drive of 2 TB with 1.5 TB used, as desktops have them.
    device.AddCard(u"Disk", 2000398934016ULL, 500099733504ULL);
    Start();
    const int classic[2][5] = {{110, 80, 80, 50, 80}, {160, 80, 50, 80, 84}};
    for (int column = 0; column < 5; ++column) {
        EXPECT_GE(DefaultColumnWidth(LIST_DRIVES, column), classic[0][column]) << column;
        EXPECT_GE(DefaultColumnWidth(LIST_CONTENTS, column), classic[1][column]) << column;
    }
    const int disk = ShownRowPosition(FindListRow(FindEntry(rootItem, {u"Disk"})));
    ASSERT_GE(disk, 0);
    EXPECT_EQ(Cell(disk, 1), "2,000,398,934,016");
    const QFontMetrics metrics(listPane->font());
    for (int column : {1, 2, 4}) {
        const QString text = Cell(disk, column);
        EXPECT_LE(metrics.horizontalAdvance(text), listPane->header()->sectionSize(column) - 8) << column;
        // Shown whole, not cut short with an ellipsis.
        const QRect cell = listPane->visualRect(Model()->index(disk, column));
        EXPECT_EQ(metrics.elidedText(text, Qt::ElideRight, cell.width() - 8), text) << column;
    }
}

TEST_F(ListTest, SelectionAndFocusDriveOpenDeleteAndUndelete) {
    AddDocs();
    Start();
    Show(Folder({u"docs"}));
    FocusPane(treePane);
    EXPECT_EQ(focusPane, treePane);
    EXPECT_TRUE(RowCommandsEnabled(false));

    // The list gets the focus with nothing selected: the commands stay off.
    FocusPane(listPane);
    EXPECT_EQ(focusPane, listPane);
    EXPECT_TRUE(RowCommandsEnabled(false));

    ClickRow(2);
    EXPECT_TRUE(RowCommandsEnabled(true));
    ClickRow(0, Qt::ShiftModifier);
    ASSERT_EQ(SelectedListRows().size(), 3u);
    EXPECT_EQ(SelectedListRows()[0], ShownRow(0));  // in row order
    EXPECT_EQ(SelectedListRows()[2], ShownRow(2));

    // The tree takes the focus: off; the list takes it back with rows selected: on.
    FocusPane(treePane);
    EXPECT_EQ(focusPane, treePane);
    EXPECT_TRUE(RowCommandsEnabled(false));
    FocusPane(listPane);
    EXPECT_TRUE(RowCommandsEnabled(true));

    // Emptying the selection turns them off.
    listPane->selectionModel()->clearSelection();
    EXPECT_TRUE(RowCommandsEnabled(false));

    // Select All from the tree: every row selected, none focused, the list focused.
    FocusPane(treePane);
    CommandAction(CMD_SELECT_ALL)->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(SelectedListRows().size(), 4u);
    EXPECT_EQ(FocusedListRow(), nullptr);
    EXPECT_FALSE(listPane->currentIndex().isValid());
    EXPECT_EQ(focusPane, listPane);
    EXPECT_TRUE(listPane->hasFocus());
    EXPECT_TRUE(RowCommandsEnabled(true));

    // A place reached by navigation selects its row and shows it.
    Show(Folder({u"docs"}));
    SelectAndShowRow(3);
    EXPECT_EQ(FocusedListRow(), ShownRow(3));
    ASSERT_EQ(SelectedListRows().size(), 1u);
    EXPECT_EQ(SelectedListRows()[0], ShownRow(3));
}

TEST_F(ListTest, MarkedEntriesShowTheCrossAndRemovedOnesAreNotListed) {
    AddDocs();
    device.AddFile(u"\\gone\\a.txt", 10);
    device.AddFile(u"\\gone\\b.txt", 20);
    device.AddFolder(u"\\empty");
    device.AddFile(u"\\zeros\\a", 0);
    device.AddFile(u"\\zeros\\b", 0);
    Start();
    ItemNode* docs = Folder({u"docs"});
    FindEntry(docs, {u"backup.tar"})->flags |= ITEM_REMOVED;
    // The name kept for this place marks its entry again when it is listed.
    flaggedCount = SplitNameList(u"notes.txt", &flaggedNames);
    EXPECT_EQ(Show(docs), 3 * GIB + 1000);
    EXPECT_EQ(ShownNames(), (Names{u"video.mkv", u"photos", u"notes.txt"}));
    EXPECT_EQ(FindListRow(FindEntry(docs, {u"backup.tar"})), nullptr);
    EXPECT_EQ(markedCount, 1u);
    EXPECT_TRUE(IsCommandEnabled(CMD_EXPUNGE));
    EXPECT_EQ(flaggedNames, nullptr);

    const ItemNode* notes = FindEntry(docs, {u"notes.txt"});
    ASSERT_TRUE(notes->flags & ITEM_MARKED);
    const QModelIndex marked = Model()->index(2, 0);
    const QIcon drawn = marked.data(Qt::DecorationRole).value<QIcon>();
    const QIcon cross = SmallImageMarked(ListImageOf(notes));
    EXPECT_EQ(drawn.pixmap(16, 16).toImage(), cross.pixmap(16, 16).toImage());
    EXPECT_NE(drawn.pixmap(16, 16).toImage(), SmallImage(ListImageOf(notes)).pixmap(16, 16).toImage());
    EXPECT_EQ(marked.data(Qt::AccessibleDescriptionRole).toString(), "Marked for deletion");
    EXPECT_FALSE(Model()->index(0, 0).data(Qt::AccessibleDescriptionRole).isValid());

    // A folder whose entries are all removed, and one without any: empty lists.
    ItemNode* gone = Folder({u"gone"});
    for (uint32_t i = 0; i < gone->childCount; ++i) gone->children[i].flags |= ITEM_REMOVED;
    EXPECT_EQ(Show(gone), 0u);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(FocusedListRow(), nullptr);
    EXPECT_EQ(Show(Folder({u"empty"})), 0u);
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(listMode, LIST_CONTENTS);
    // Entries against a listed total of 0 hold 0 per cent each.
    EXPECT_EQ(Show(Folder({u"zeros"})), 0u);
    EXPECT_EQ(Column(2), (std::vector<QString>{"0%", "0%"}));

    // Closing would ask about the mark first.
    FindEntry(docs, {u"notes.txt"})->flags &= ~ITEM_MARKED;
    markedCount = 0;
}

TEST_F(ListTest, ExpungedRowsLeaveTheListAndSharesAreRecomputed) {
    AddDocs();
    Start();
    ItemNode* docs = Folder({u"docs"});
    Show(docs);
    ASSERT_EQ(ShownNames(), (Names{u"video.mkv", u"backup.tar", u"photos", u"notes.txt"}));
    ItemNode* video = FindEntry(docs, {u"video.mkv"});
    ListRow* row = FindListRow(video);
    ListRow* notes = FindListRow(FindEntry(docs, {u"notes.txt"}));
    SelectAndShowRow(ShownRowPosition(notes));

    // Two rows apart leave; the focus stays on its entry.
    video->flags |= ITEM_REMOVED;
    FindEntry(docs, {u"photos"})->flags |= ITEM_REMOVED;
    RemoveExpungedRows();
    RefreshPossession(docs->children, docs->childCount);
    EXPECT_EQ(ShownNames(), (Names{u"backup.tar", u"notes.txt"}));
    EXPECT_EQ(Column(2), (std::vector<QString>{"100%", "0%"}));
    EXPECT_EQ(FocusedListRow(), notes);
    // The record stays until the next fill, shown nowhere.
    EXPECT_EQ(FindListRow(video), row);
    EXPECT_EQ(ShownRowPosition(row), -1);
    EXPECT_EQ(ShownRowPosition(notes), 1);

    ClearListPane();
    EXPECT_EQ(Model()->rowCount(), 0);
    EXPECT_EQ(listRows, nullptr);
    EXPECT_EQ(listRowCount, 0u);
}

TEST_F(ListTest, OddNamesStayOneLineAndAnUnknownTimeSortsOldest) {
    const std::u16string longName(255, u'n');
    device.AddFile(u"\\odd\\line\nbreak.txt", 10, 0, DayOf(2010, 1, 1));
    device.AddFile(u"\\odd\\raw\xDC80" u"byte", 20, 0, DayOf(2011, 1, 1));
    device.AddFile(u"\\odd\\back\xDC5C" u"slash", 30, 0, DayOf(2012, 1, 1));
    device.AddFile(u"\\odd\\" + longName, 40, 0, DayOf(2013, 1, 1));
    // A time the scan could not read; the file is deleted behind the
    // program's back after the scan listed it.
    device.AddFile(u"\\odd\\vanished.dat", 5000, 0, 0);
    Start();
    ItemNode* odd = Folder({u"odd"});
    device.Vanish(u"\\odd\\vanished.dat");
    Show(odd);
    Paint();

    EXPECT_EQ(ShownNames()[0], u"vanished.dat");
    EXPECT_EQ(Cell(0, 1), "5,000");
    EXPECT_EQ(Cell(0, 4), "");
    EXPECT_EQ(ShownRow(0)->modified, MODIFIED_NONE);
    EXPECT_EQ(Cell(1, 0), QString(255, u'n'));
    EXPECT_EQ(Cell(2, 0), QString::fromUtf16(u"back\\slash"));
    EXPECT_EQ(Cell(3, 0), QString::fromUtf16(u"raw\uFFFD80byte"));
    EXPECT_EQ(Cell(4, 0), QString::fromUtf16(u"line\u21B5break.txt"));
    const int height = listPane->visualRect(Model()->index(0, 0)).height();
    for (int row = 1; row < 5; ++row) EXPECT_EQ(listPane->visualRect(Model()->index(row, 0)).height(), height);

    // Oldest first: the file without a time goes before every dated one.
    ClickHeader(4);
    EXPECT_EQ(ShownNames(), (Names{u"vanished.dat", u"line\nbreak.txt", u"raw\xDC80" u"byte",
                                   u"back\xDC5C" u"slash", longName}));
}

TEST_F(ListTest, EverySortGivesTheOrderOfTheComparisonsWithEqualKeysKeepingTheirPlace) {
    // Names that differ only in case, in accents, late after a long common
    // part, or by being a beginning of another; sizes and dates that repeat.
    const std::vector<std::u16string> mixed = {
        u"a", u"A", u"ab", u"aB", u"Ab", u"abc", u"abcdefghijklmnopqrstu", u"abcdefghijklmnopqrstv",
        u"ABCDEFGHIJKLMNOPQRSTU", u"\u00c4rger", u"\u00e4rger", u"z", u"_x", u"10", u"9", u"\u00e9t\u00e9",
        u"\u00c9t\u00e9", u"file1", u"file10", u"file2", u"\U0001F600 smile"};
    const std::vector<std::u16string> shared = {u"Photo_2023", u"Photo_2023-01-05_120001.jpg",
                                                u"Photo_2023-01-05_120000.jpg", u"PHOTO_2023-01-05_120000.JPG",
                                                u"photo_2023-01-05_1200001.jpg", u"Photo_2023-01-04_235959.jpg",
                                                u"Photo_2023-01-05_12000.jpg"};
    for (size_t i = 0; i < mixed.size(); ++i)
        device.AddFile(u"\\mixed\\" + mixed[i], 100 * (i % 4), 0, DayOf(2000 + static_cast<int>(i % 3), 1, 1));
    for (size_t i = 0; i < shared.size(); ++i)
        device.AddFile(u"\\shared\\" + shared[i], 7 * (i % 2), 0, DayOf(2010, 1, 1 + static_cast<int>(i % 2)));
    Start(1000, 480);
    for (const char16_t* folder : {u"mixed", u"shared"}) {
        Show(Folder({folder}));
        for (int column : {0, 0, 1, 1, 2, 4, 4, 3, 0}) {
            std::vector<ListRow*> expected;
            for (int p = 0; p < ShownRowCount(); ++p) expected.push_back(ShownRow(p));
            ClickHeader(column);
            std::stable_sort(expected.begin(), expected.end(), [column](ListRow* a, ListRow* b) {
                return CompareContentsRows(a, b, column) < 0;
            });
            std::vector<ListRow*> shown;
            for (int p = 0; p < ShownRowCount(); ++p) shown.push_back(ShownRow(p));
            EXPECT_EQ(shown, expected) << "column " << column << (contentsSortReversed ? " reversed" : "");
        }
    }
}

TEST_F(ListTest, DatabasesShowTheirTypeAndDateAndTheirFolderNoDate) {
    device.AddDatabase(u"Contacts", 5000, DayOf(2022, 3, 4));
    device.AddDatabase(u"Appointments", 300, 0);
    Start();
    ItemNode* store = ScannedStore();
    FillContentsList(store->children, store->childCount);
    Paint();
    const int folderRow = ShownRowPosition(FindListRow(FindEntry(store, {u"Database"})));
    ASSERT_GE(folderRow, 0);
    EXPECT_EQ(Cell(folderRow, 1), "5,300");
    EXPECT_EQ(Cell(folderRow, 4), "");

    Show(Folder({u"Database"}));
    Paint();
    EXPECT_EQ(ShownNames(), (Names{u"Contacts", u"Appointments"}));
    EXPECT_EQ(Cell(0, 3), "Database");
    EXPECT_EQ(Cell(1, 3), "Database");
    EXPECT_EQ(Cell(0, 4), ModifiedText(DayOf(2022, 3, 4)));
    EXPECT_EQ(Cell(1, 4), "");
}

}  // namespace
