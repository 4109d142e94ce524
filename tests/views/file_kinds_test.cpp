// The File Types and Largest Files windows in the running program on a host
// fixture: the kinds with their counts, bytes and shares as the list and the
// totals count them, sorting by a header click, the largest files largest
// first, a kind's double-click that narrows them, a file's double-click that
// lands on its row, and counts made again after an expunge, a size count
// switch and a Refresh.
#include <unistd.h>

#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

#include <map>
#include <string>

#include "deletion/expunge.h"
#include "model/format.h"
#include "platform/command_actions.h"
#include "platform/dialog_builder.h"
#include "platform/host_device.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "scan/browse_program.h"
#include "scan/exclusions.h"
#include "shell/commands.h"
#include "support/host_files.h"
#include "support/modal_answers.h"
#include "views/file_kinds.h"
#include "views/list_model.h"
#include "views/size_choice.h"
#include "views/type_cache.h"

namespace {

// What one row of a list says, column by column.
QStringList RowTexts(QTreeView* list, int row) {
    QStringList texts;
    for (int column = 0; column < list->model()->columnCount(); ++column)
        texts << list->model()->index(row, column).data().toString();
    return texts;
}

// The rows of the File Types list by their extension (the type for the
// kinds without one).
std::map<QString, QStringList> KindRows() {
    std::map<QString, QStringList> rows;
    QTreeView* list = FileTypesList();
    for (int row = 0; row < list->model()->rowCount(); ++row) {
        QStringList texts = RowTexts(list, row);
        rows[texts[TYPES_EXTENSION].isEmpty() ? texts[TYPES_TYPE] : texts[TYPES_EXTENSION]] = texts;
    }
    return rows;
}

QStringList ColumnTexts(QTreeView* list, int column) {
    QStringList texts;
    for (int row = 0; row < list->model()->rowCount(); ++row) texts << list->model()->index(row, column).data().toString();
    return texts;
}

void DoubleClickRow(QTreeView* list, int row) {
    const QRect cell = list->visualRect(list->model()->index(row, 0));
    ASSERT_TRUE(cell.isValid());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
}

int RowNamed(QTreeView* list, int column, const QString& text) {
    for (int row = 0; row < list->model()->rowCount(); ++row)
        if (list->model()->index(row, column).data().toString() == text) return row;
    return -1;
}

class FileKindsTest : public BrowseProgram {
protected:
    void SetUp() override {
        BrowseProgram::SetUp();
        ASSERT_TRUE(fixture.IsValid());
        const std::string place = fixture.root + "/place";
        mkdir(place.c_str(), 0755);
        mkdir((place + "/sub").c_str(), 0755);
        SparseFile(place + "/a.jpg", 1000000);
        SparseFile(place + "/b.JPG", 300000);
        SparseFile(place + "/sub/c.jpg", 200000);
        WriteFile(place + "/sub/notes.txt", 5000);
        // A second name of the same file: on the disk it counts once.
        ASSERT_EQ(link((place + "/sub/notes.txt").c_str(), (place + "/sub/again.txt").c_str()), 0);
        SparseFile(place + "/sub/README", 7000);
        SparseFile(place + "/.profile", 100);
        ASSERT_EQ(symlink("a.jpg", (place + "/shortcut").c_str()), 0);
        // Left out by the scan's excludes: listed, never counted.
        SparseFile(place + "/big.skip", 9000000);
        host = std::make_unique<HostDevice>(fixture.root);
        SetDevice(host.get());
    }

    void TearDown() override {
        {
            ModalAnswers yes([](QWidget* modal) { ClickMessageButton(modal, QMessageBox::Yes); });
            Stop();
        }
        WindowExcludes().Clear();
        BrowseProgram::TearDown();
    }

    static bool WaitForCount() {
        return WaitUntil([] { return fileKindsHub && !FileKindsCounting(); });
    }

    // Starts the program, scans "\" with apparent sizes, lists \place and
    // opens File Types.
    ItemNode* ShowPlaceKinds() {
        Start(900, 700);
        SetExcludePatternsText(&WindowExcludes(), QStringLiteral("*.skip"));
        ChooseSizeCount(SIZE_APPARENT);
        ScanStore();
        EXPECT_TRUE(Show({u"\\", u"place"}));
        ItemNode* place = Item({u"\\", u"place"});
        EXPECT_EQ(listedPlace, place);
        DispatchCommand(CMD_FILE_TYPES);
        EXPECT_TRUE(FileTypesWindow() && FileTypesWindow()->isVisible());
        EXPECT_TRUE(WaitForCount());
        return place;
    }

    FixtureFolder fixture;
    std::unique_ptr<HostDevice> host;
};

TEST_F(FileKindsTest, CountsEachKindBelowThePlaceAsTheListAndTheTotalsDo) {
    ItemNode* place = ShowPlaceKinds();
    ASSERT_FALSE(HasFatalFailure());
    const QString apparentTotal = SizeText(place->total);
    const std::map<QString, QStringList> rows = KindRows();
    ASSERT_EQ(rows.size(), 4u) << ColumnTexts(FileTypesList(), TYPES_TYPE).join(u',').toStdString();
    // Three files of two spellings of one extension; the type is the one the
    // contents list shows for such a file.
    const QStringList& jpg = rows.at(QStringLiteral(".JPG"));
    const TypeCacheEntry* jpgType = LookupFileType(FindEntry(place, {u"a.jpg"}));
    ASSERT_NE(jpgType, nullptr);
    EXPECT_EQ(jpg[TYPES_TYPE], QString::fromUtf16(jpgType->typeName));
    EXPECT_EQ(jpg[TYPES_FILES], "3");
    EXPECT_EQ(jpg[TYPES_SIZE], SizeText(1500000));
    EXPECT_EQ(jpg[TYPES_SHARE], QString::number(Percent(1500000, place->total)) + u'%');
    // Both names of the hard-linked file count in apparent sizes.
    EXPECT_EQ(rows.at(QStringLiteral(".TXT"))[TYPES_FILES], "2");
    EXPECT_EQ(rows.at(QStringLiteral(".TXT"))[TYPES_SIZE], SizeText(10000));
    // README and the dot file have no extension; the link is a kind of its own.
    const QStringList& none = rows.at(StringText(STR_KINDS_NO_EXTENSION));
    EXPECT_EQ(none[TYPES_FILES], "2");
    EXPECT_EQ(none[TYPES_SIZE], SizeText(7100));
    const QStringList& links = rows.at(StringText(STR_SYMBOLIC_LINK));
    EXPECT_EQ(links[TYPES_FILES], "1");
    EXPECT_EQ(links[TYPES_SIZE], SizeText(5));  // the link's own size: its target's name
    // The excluded file is nowhere; what the kinds hold and the folders' own
    // bytes make the place's total.
    const uint64_t folders = place->ownSize + FindEntry(place, {u"sub"})->ownSize;
    EXPECT_EQ(1500000u + 10000u + 7100u + 5u + folders, place->total);

    // A header click sorts; the next click turns the order round.
    QTreeView* list = FileTypesList();
    EXPECT_EQ(ColumnTexts(list, TYPES_EXTENSION).first(), ".JPG");  // largest first at the start
    QHeaderView* header = list->header();
    const QPoint files(header->sectionViewportPosition(TYPES_FILES) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, files);
    const QStringList once = ColumnTexts(list, TYPES_FILES);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, files);
    const QStringList twice = ColumnTexts(list, TYPES_FILES);
    EXPECT_TRUE((once == QStringList{"1", "2", "2", "3"} && twice == QStringList{"3", "2", "2", "1"}) ||
                (twice == QStringList{"1", "2", "2", "3"} && once == QStringList{"3", "2", "2", "1"}))
        << once.join(u',').toStdString() << " / " << twice.join(u',').toStdString();
    EXPECT_EQ(list->accessibleName(), StringText(STR_FILE_TYPES_LIST));
    EXPECT_EQ(apparentTotal, SizeText(place->total));
}

TEST_F(FileKindsTest, LargestFilesGoLargestFirstAndADoubleClickLandsOnTheFilesRow) {
    ItemNode* place = ShowPlaceKinds();
    ASSERT_FALSE(HasFatalFailure());
    DispatchCommand(CMD_LARGEST_FILES);
    ASSERT_TRUE(LargestFilesWindow() && LargestFilesWindow()->isVisible());
    ASSERT_TRUE(WaitForCount());
    QTreeView* largest = LargestFilesList();
    // Every file, link and dot file included, largest first (the two names
    // of the hard-linked file are as large).
    const QStringList names = ColumnTexts(largest, LARGEST_NAME);
    ASSERT_EQ(names.size(), 8);
    EXPECT_EQ(names.mid(0, 4), (QStringList{"a.jpg", "b.JPG", "c.jpg", "README"}));
    EXPECT_EQ(names.mid(6), (QStringList{".profile", "shortcut"}));
    const int photo = RowNamed(largest, LARGEST_NAME, QStringLiteral("c.jpg"));
    ASSERT_GE(photo, 0);
    EXPECT_EQ(RowTexts(largest, photo)[LARGEST_FOLDER], QStringLiteral("\\place\\sub\\"));
    EXPECT_EQ(RowTexts(largest, photo)[LARGEST_SIZE], SizeText(200000));

    // Going to a file: its folder is listed with its row selected and
    // focused; the window keeps what it counted.
    DoubleClickRow(largest, photo);
    ASSERT_TRUE(WaitSettled());
    ItemNode* sub = FindEntry(place, {u"sub"});
    EXPECT_EQ(listedPlace, sub);
    ListRow* focused = FocusedListRow();
    ASSERT_NE(focused, nullptr);
    EXPECT_EQ(focused->item, FindEntry(place, {u"sub", u"c.jpg"}));
    ASSERT_EQ(SelectedListRows().size(), 1u);
    EXPECT_EQ(SelectedListRows()[0], focused);
    EXPECT_EQ(largest->model()->rowCount(), 8);

    // A kind's double-click narrows the largest files to that kind, and
    // All Kinds widens them again.
    QTreeView* kinds = FileTypesList();
    DoubleClickRow(kinds, RowNamed(kinds, TYPES_EXTENSION, QStringLiteral(".TXT")));
    EXPECT_EQ(ColumnTexts(largest, LARGEST_NAME).size(), 2);
    for (const QString& name : ColumnTexts(largest, LARGEST_NAME)) EXPECT_TRUE(name.endsWith(".txt")) << name.toStdString();
    auto* allKinds = LargestFilesWindow()->findChild<QPushButton*>(QStringLiteral("allKindsButton"));
    ASSERT_NE(allKinds, nullptr);
    ASSERT_TRUE(allKinds->isVisible());
    QTest::mouseClick(allKinds, Qt::LeftButton);
    EXPECT_EQ(largest->model()->rowCount(), 8);
    EXPECT_FALSE(allKinds->isVisible());
}

TEST_F(FileKindsTest, CountsAgainAfterAnExpungeASizeSwitchAndARefresh) {
    ItemNode* place = ShowPlaceKinds();
    ASSERT_FALSE(HasFatalFailure());
    // The expunge of a.jpg from the listed place.
    const ItemNode* photo = FindEntry(place, {u"a.jpg"});
    FocusPane(listPane);
    listPane->clearSelection();
    listPane->selectionModel()->select(listPane->model()->index(ShownRowPosition(FindListRow(photo)), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    DispatchCommand(CMD_DELETE);
    {
        ModalAnswers answers([](QWidget* modal) { ClickDialogControl(modal, 1); });
        DispatchCommand(CMD_EXPUNGE);
    }
    ASSERT_EQ(photo->flags & ITEM_REMOVED, ITEM_REMOVED);
    ASSERT_TRUE(WaitForCount());
    EXPECT_EQ(KindRows().at(QStringLiteral(".JPG"))[TYPES_FILES], "2");
    EXPECT_EQ(KindRows().at(QStringLiteral(".JPG"))[TYPES_SIZE], SizeText(500000));

    // On the disk the sparse files hold nothing and the hard link counts once.
    ChooseSizeCount(SIZE_DISK_USAGE);
    ASSERT_TRUE(WaitForCount());
    const std::string notes = fixture.root + "/place/sub/notes.txt";
    EXPECT_EQ(KindRows().at(QStringLiteral(".TXT"))[TYPES_SIZE], SizeText(static_cast<uint64_t>(OwnBlocks(notes))));
    EXPECT_EQ(KindRows().at(QStringLiteral(".JPG"))[TYPES_SIZE], SizeText(0));

    // A Refresh frees the tree: the windows let go first, then count the
    // place the program comes back to.
    Refresh();
    EXPECT_EQ(FileTypesList()->model()->rowCount(), 0);
    ASSERT_TRUE(WaitSettled());
    ASSERT_TRUE(WaitForCount());
    EXPECT_EQ(listedPlace, Item({u"\\", u"place"}));
    EXPECT_EQ(KindRows().at(QStringLiteral(".JPG"))[TYPES_FILES], "2");
}

}  // namespace
