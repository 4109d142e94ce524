// The status bar through its real widget: what each part paints and says to
// screen readers for the root, a folder with removed entries and a drive
// waiting for its scan; the single text over the parts, drawn at once and
// giving the parts back unchanged; the scan's progress; and the cleared parts.
#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QProgressBar>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

#include "model/format.h"
#include "model/item_tree.h"
#include "model/path_list.h"
#include "platform/platform_kind.h"
#include "support/item_fixture.h"
#include "support/scanned_drive.h"
#include "views/image_list.h"
#include "views/status_bar.h"

namespace {

QString Grouped(uint64_t value) {
    char16_t text[THOUSANDS_CHARS];
    FormatThousands(text, THOUSANDS_CHARS, value);
    return QString::fromUtf16(text);
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class StatusBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A desktop, whatever kind a window test before this one started as.
        platformKind = PLATFORM_OTHER;
        ASSERT_TRUE(CreateSmallImageList());
        host = std::make_unique<QWidget>();
        host->resize(700, 100);
        statusBar = CreateStatusBar(host.get());
        SetupStatusParts();
        statusBar->setGeometry(0, 0, 700, statusBar->sizeHint().height());
        host->show();
        QApplication::processEvents();

        device.device.SetStoreSpace(64ULL << 30, 10ULL << 30);
        device.device.AddCard(u"Storage Card", 5000000, 1234567);
        for (const char16_t* name : {u"a.txt", u"b.txt", u"c.txt", u"d.txt", u"e.txt"})
            device.device.AddFile(std::u16string(u"\\docs\\") + name, 1000);
        device.device.AddFolder(u"\\docs");
        root = CreateRootItem();
        ASSERT_NE(root, nullptr);
        card = DriveAt(root, 0);
        store = DriveAt(root, 1);
        ScanDriveForTest(store);
        docs = FindEntry(store, {u"docs"});
        ASSERT_NE(docs, nullptr);
        ASSERT_EQ(docs->childCount, 5u);
    }

    void TearDown() override {
        ClearStatusParts();
        host.reset();
        EXPECT_EQ(statusBar, nullptr);
        DestroySmallImageList();
        platformKind = PLATFORM_OTHER;
    }

    static QImage Grab() { return statusBar->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    // The inside of part's frame, where its icon and text go.
    static QRect PartInside(int part) { return StatusPartRect(part).adjusted(1, 2, -1, -2); }

    // How many pixels of the area differ from the bar's background.
    static int Inked(const QImage& image, const QRect& area) {
        QRgb background = statusBar->palette().color(QPalette::Window).rgb();
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) count += image.pixel(x, y) != background;
        return count;
    }

    // Whether the part shows the image at its top left, 2 pixels in.
    static bool ShowsImage(const QImage& bar, int part, int image) {
        QImage expected(16, 16, QImage::Format_RGB32);
        expected.fill(statusBar->palette().color(QPalette::Window));
        QPainter painter(&expected);
        SmallImage(image).paint(&painter, QRect(0, 0, 16, 16));
        painter.end();
        QRect inside = PartInside(part);
        return bar.copy(inside.left() + 2, inside.top(), 16, 16) == expected;
    }

    static QRect TextArea(int part) { return PartInside(part).adjusted(25, 0, 0, 0); }

    std::unique_ptr<QWidget> host;
    DeviceScope device;
    ItemNode* root = nullptr;
    ItemNode* card = nullptr;
    ItemNode* store = nullptr;
    ItemNode* docs = nullptr;
};

TEST_F(StatusBarTest, RootCountsItsDrivesAndLeavesPartOneEmpty) {
    ShowFolderStatus(docs, 123);  // part 1 shows a drive first
    ShowRootStatus();
    EXPECT_EQ(StatusPartText(0), "2 drive(s)");
    EXPECT_EQ(StatusPartText(1), "");
    EXPECT_EQ(StatusPartText(2), "");
    QImage bar = Grab();
    EXPECT_TRUE(ShowsImage(bar, 0, IMAGE_ROOT_OTHER));
    EXPECT_GT(Inked(bar, TextArea(0)), 20);
    EXPECT_EQ(Inked(bar, PartInside(1)), 0);
    EXPECT_EQ(Inked(bar, PartInside(2)), 0);
    EXPECT_EQ(statusBar->accessibleName(), "2 drive(s)");
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(statusBar);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::StatusBar);
    EXPECT_EQ(access->text(QAccessible::Name), "2 drive(s)");

    // The root's image follows the platform kind.
    platformKind = PLATFORM_PALMSIZE;
    statusBar->update();
    EXPECT_TRUE(ShowsImage(Grab(), 0, IMAGE_ROOT_PALMSIZE));
}

TEST_F(StatusBarTest, FolderCountsEntriesThatAreNotRemovedAndItsDrivesFreeBytes) {
    docs->children[1].flags |= ITEM_REMOVED;
    docs->children[3].flags |= ITEM_REMOVED;
    const uint64_t listed = 5000000000ULL;  // past 32 bits
    ShowFolderStatus(docs, listed);
    EXPECT_EQ(StatusPartText(0), "3 item(s)  " + Grouped(listed) + " byte(s)");
    EXPECT_EQ(StatusPartText(0), "3 item(s)  5,000,000,000 byte(s)");
    EXPECT_EQ(StatusPartText(1), Grouped(10ULL << 30) + " byte(s) free");
    QImage bar = Grab();
    EXPECT_TRUE(ShowsImage(bar, 0, IMAGE_FOLDER));
    EXPECT_TRUE(ShowsImage(bar, 1, IMAGE_DRIVE));
    EXPECT_GT(Inked(bar, TextArea(0)), 20);
    EXPECT_GT(Inked(bar, TextArea(1)), 20);
    EXPECT_EQ(Inked(bar, PartInside(2)), 0);
    EXPECT_EQ(statusBar->accessibleName(), StatusPartText(0) + "; " + StatusPartText(1));

    // The count is read at each paint; the listed total is the one given.
    docs->children[0].flags |= ITEM_REMOVED;
    EXPECT_EQ(StatusPartText(0), "2 item(s)  5,000,000,000 byte(s)");
    statusBar->repaint();
    EXPECT_EQ(statusBar->accessibleName(), StatusPartText(0) + "; " + StatusPartText(1));

    // The database folder shows its own image.
    ItemNode* database = FindChildByName(store, databaseFolderName);
    ShowFolderStatus(database, 0);
    EXPECT_EQ(StatusPartText(0), "0 item(s)  0 byte(s)");
    EXPECT_TRUE(ShowsImage(Grab(), 0, IMAGE_DATABASE_FOLDER));
}

TEST_F(StatusBarTest, PendingDriveShowsDashesAndItsFreeBytes) {
    ShowPendingStatus(card);
    EXPECT_EQ(StatusPartText(0), "- -");
    EXPECT_EQ(StatusPartText(1), "1,234,567 byte(s) free");
    QImage bar = Grab();
    EXPECT_TRUE(ShowsImage(bar, 0, IMAGE_DRIVE));
    EXPECT_TRUE(ShowsImage(bar, 1, IMAGE_DRIVE));
    // A device that claims more used bytes than capacity has none free.
    card->ownSize = card->total + 1;
    EXPECT_EQ(StatusPartText(1), "0 byte(s) free");
    // A place without a drive leaves part 1 as it was.
    ShowPlaceStatus(STATUS_PENDING, root, 0);
    EXPECT_EQ(StatusPartText(1), "0 byte(s) free");
    // A kind the bar does not know draws the icon and no text.
    ShowPlaceStatus(99, docs, 0);
    EXPECT_EQ(StatusPartText(0), "");
    bar = Grab();
    EXPECT_TRUE(ShowsImage(bar, 0, IMAGE_FOLDER));
    EXPECT_EQ(Inked(bar, TextArea(0)), 0);
}

TEST_F(StatusBarTest, SingleTextCoversThePartsAndGivesThemBackAsTheyWere) {
    ShowFolderStatus(docs, 5000);
    QImage parts = Grab();
    QString partsName = statusBar->accessibleName();

    PaintCounter counter;
    statusBar->installEventFilter(&counter);
    SetStatusSimple(true);
    SetStatusSimpleText(u"\\docs\\deep\\folder");
    // Drawn before the call returned, no event loop in between.
    EXPECT_GE(counter.paints, 1);
    statusBar->removeEventFilter(&counter);
    EXPECT_EQ(StatusPartText(STATUS_SIMPLE_PART), "\\docs\\deep\\folder");
    EXPECT_EQ(statusBar->accessibleName(), "\\docs\\deep\\folder");
    EXPECT_EQ(statusBar->accessibleDescription(), partsName);
    // The parts keep their texts behind the single text.
    EXPECT_EQ(StatusPartText(0), "5 item(s)  5,000 byte(s)");
    QImage single = Grab();
    EXPECT_FALSE(ShowsImage(single, 0, IMAGE_FOLDER));
    EXPECT_GT(Inked(single, QRect(5, 3, 100, statusBar->height() - 6)), 20);
    EXPECT_EQ(Inked(single, QRect(300, 3, 300, statusBar->height() - 6)), 0);

    SetStatusSimple(false);
    EXPECT_EQ(Grab(), parts);
    EXPECT_EQ(statusBar->accessibleName(), partsName);
}

TEST_F(StatusBarTest, ProgressShowsBesideTheSingleTextOnly) {
    auto* progress = statusBar->findChild<QProgressBar*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_FALSE(progress->isVisible());
    SetStatusSimple(true);
    SetStatusSimpleText(u"Storage Card");
    SetStatusProgress(420);
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->value(), 420);
    EXPECT_GE(progress->geometry().left(), statusBar->width() / 2);
    SetStatusProgress(-1);
    EXPECT_FALSE(progress->isVisible());
    SetStatusProgress(999);
    SetStatusSimple(false);
    EXPECT_FALSE(progress->isVisible());
    SetStatusSimple(true);
    EXPECT_TRUE(progress->isVisible());
}

TEST_F(StatusBarTest, ClearedPartsDrawNothing) {
    QImage empty = Grab();
    ShowFolderStatus(docs, 5000);
    ClearStatusParts();
    EXPECT_EQ(statusPart0.kind, STATUS_NONE);
    EXPECT_EQ(statusPart1.kind, STATUS_NONE);
    EXPECT_EQ(StatusPartText(0), "");
    EXPECT_EQ(StatusPartText(1), "");
    EXPECT_EQ(Grab(), empty);
    EXPECT_EQ(statusBar->accessibleName(), "");
}

TEST_F(StatusBarTest, PartsKeepTheirEdgesUnlessATextNeedsMoreRoom) {
    // Small numbers: the fixed edges, two pixels between the frames.
    card->total = 9000;
    card->ownSize = 1000;
    ShowPendingStatus(card);
    for (int part = 0; part < STATUS_PART_COUNT; ++part) {
        int left = part == 0 ? 0 : STATUS_PART_EDGES[part - 1];
        EXPECT_EQ(StatusPartRect(part), QRect(left, 1, STATUS_PART_EDGES[part] - left - 2, statusBar->height() - 2));
    }
    // The free bytes of a large drive are read whole: part 1 grows and part
    // 2 moves along, the bar's width staying as it is.
    card->total = 18000000000000000000ULL;
    card->ownSize = 1;
    QString text = StatusPartText(1);
    EXPECT_EQ(text, "17,999,999,999,999,999,999 byte(s) free");
    int textWidth = statusBar->fontMetrics().horizontalAdvance(text);
    QRect inside = PartInside(1);
    EXPECT_EQ(inside.left(), STATUS_PART_EDGES[0] + 1);
    ASSERT_GE(inside.width(), 25 + textWidth);
    EXPECT_EQ(StatusPartRect(2).left(), StatusPartRect(1).right() + 3);
    QImage bar = Grab();
    QRect tail(inside.left() + 25 + textWidth - 12, inside.top(), 12, inside.height());
    EXPECT_GT(tail.left(), STATUS_PART_EDGES[1]);
    EXPECT_GT(Inked(bar, tail), 0);
    EXPECT_EQ(statusBar->width(), 700);
}

TEST_F(StatusBarTest, NarrowBarCutsTheLaterPartsOff) {
    ShowFolderStatus(docs, 5000);
    int height = statusBar->sizeHint().height();
    EXPECT_GE(height, 16 + 4);
    EXPECT_LE(height, 2 * QFontMetrics(statusBar->font()).height() + 8);
    statusBar->resize(200, height);
    QImage bar = Grab();
    ASSERT_EQ(bar.width(), 200);
    EXPECT_TRUE(ShowsImage(bar, 0, IMAGE_FOLDER));
}

TEST_F(StatusBarTest, DriveOfWalksUpToTheNearestDrive) {
    EXPECT_EQ(DriveOf(nullptr), nullptr);
    EXPECT_EQ(DriveOf(root), nullptr);
    EXPECT_EQ(DriveOf(card), card);
    EXPECT_EQ(DriveOf(docs), store);
    EXPECT_EQ(DriveOf(&docs->children[2]), store);
    ItemNode orphan{};
    orphan.name = u"x";
    EXPECT_EQ(DriveOf(&orphan), nullptr);
}

TEST(StatusBarRecords, WorkWithoutABar) {
    ASSERT_EQ(statusBar, nullptr);
    ItemNode drive{};
    drive.flags = ITEM_DRIVE;
    drive.total = 100;
    drive.ownSize = 40;
    drive.name = u"\\";
    ShowPendingStatus(&drive);
    EXPECT_EQ(statusPart0.kind, STATUS_PENDING);
    EXPECT_EQ(statusPart1.item, &drive);
    EXPECT_EQ(StatusPartText(1), "60 byte(s) free");
    SetStatusSimple(true);
    SetStatusSimpleText(u"x");
    SetStatusProgress(5);
    SetStatusSimple(false);
    ClearStatusParts();
    EXPECT_EQ(StatusPartText(0), "");
}

}  // namespace
