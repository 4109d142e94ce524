// The shared image list: its 13 images cut from the strip with the mask, a
// clean failure on a missing or short strip, the images of items in the tree
// and the lists, and the marked images with the deletion cross.
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

#include "platform/platform_kind.h"
#include "resources/resource_module.h"
#include "support/icon_picture.h"
#include "views/image_list.h"
#include "views/type_cache.h"

namespace {

// A strip of count images, each filled with its own colour, and a mask that
// leaves each image's top-left pixel transparent.
QImage Strip(int count, int height = 16) {
    QImage strip(count * 16, height, QImage::Format_ARGB32);
    for (int i = 0; i < count; ++i)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 16; ++x) strip.setPixel(i * 16 + x, y, qRgb(i * 10, 100, 200));
    return strip;
}
QImage Mask(int count, int height = 16) {
    QImage mask(count * 16, height, QImage::Format_RGB32);
    mask.fill(Qt::black);
    for (int i = 0; i < count; ++i) mask.setPixel(i * 16, 0, qRgb(255, 255, 255));
    return mask;
}

class ImageListTest : public ::testing::Test {
protected:
    void TearDown() override {
        ClearTypeCache();
        DestroySmallImageList();
        platformKind = PLATFORM_OTHER;
    }
};

TEST_F(ImageListTest, ProgramStripGivesThirteenMaskedImages) {
    ASSERT_TRUE(CreateSmallImageList());
    ASSERT_EQ(smallImageList.size(), size_t(SMALL_IMAGE_COUNT));
    QImage strip = ProgramImage("images/bitmap103.png").toImage().convertToFormat(QImage::Format_ARGB32);
    QImage mask = ProgramImage("images/bitmap106.png").toImage();
    for (int i = 0; i < SMALL_IMAGE_COUNT; ++i) {
        QImage image = Picture(SmallImage(i));
        ASSERT_EQ(image.size(), QSize(16, 16)) << i;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                bool transparent = qGray(mask.pixel(i * 16 + x, y)) >= 128;
                QRgb shown = image.pixel(x, y);
                if (transparent) ASSERT_EQ(qAlpha(shown), 0) << i << " " << x << "," << y;
                else ASSERT_EQ(shown, strip.pixel(i * 16 + x, y) | 0xff000000u) << i << " " << x << "," << y;
            }
    }
    EXPECT_TRUE(SmallImage(SMALL_IMAGE_COUNT).isNull());
    EXPECT_TRUE(SmallImage(-1).isNull());
}

TEST_F(ImageListTest, MissingOrShortStripLeavesNoImagesAtAll) {
    struct Case {
        const char* what;
        QImage strip;
        QImage mask;
    };
    const Case cases[] = {
        {"no strip", QImage(), Mask(13)},
        {"no mask", Strip(13), QImage()},
        {"twelve images", Strip(12), Mask(13)},
        {"fifteen rows", Strip(13, 15), Mask(13)},
        {"short mask", Strip(13), Mask(12)},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CreateSmallImageList());
        EXPECT_FALSE(BuildSmallImageList(c.strip, c.mask)) << c.what;
        EXPECT_TRUE(smallImageList.empty()) << c.what;
        EXPECT_TRUE(SmallImage(IMAGE_FOLDER).isNull()) << c.what;
        EXPECT_TRUE(SmallImageMarked(IMAGE_FOLDER).isNull()) << c.what;
        // Nothing is added to a list that does not exist.
        EXPECT_EQ(AddSmallImage(QIcon(QPixmap::fromImage(Strip(1)))), IMAGE_NONE) << c.what;
    }
    // A longer strip gives its first 13 images; the mask decides transparency.
    ASSERT_TRUE(BuildSmallImageList(Strip(15, 20), Mask(15, 20)));
    ASSERT_EQ(smallImageList.size(), size_t(SMALL_IMAGE_COUNT));
    QImage twelfth = Picture(SmallImage(12));
    EXPECT_EQ(qAlpha(twelfth.pixel(0, 0)), 0);
    EXPECT_EQ(twelfth.pixel(1, 0), qRgb(120, 100, 200));
    EXPECT_EQ(AddSmallImage(QIcon()), IMAGE_NONE);
    EXPECT_EQ(AddSmallImage(QIcon(QPixmap::fromImage(Strip(1)))), SMALL_IMAGE_COUNT);
    EXPECT_EQ(AddSmallImage(QIcon(QPixmap::fromImage(Strip(1)))), SMALL_IMAGE_COUNT + 1);
}

TEST_F(ImageListTest, TreeImagesByKindAndPlatform) {
    struct Case {
        uint32_t flags;
        PlatformKind platform;
        int normal;
        int selected;
    };
    const Case cases[] = {
        {ITEM_ROOT, PLATFORM_OTHER, IMAGE_ROOT_OTHER, IMAGE_ROOT_OTHER},
        {ITEM_ROOT, PLATFORM_HANDHELD, IMAGE_ROOT_HANDHELD, IMAGE_ROOT_HANDHELD},
        {ITEM_ROOT, PLATFORM_PALMSIZE, IMAGE_ROOT_PALMSIZE, IMAGE_ROOT_PALMSIZE},
        {ITEM_DRIVE, PLATFORM_PALMSIZE, IMAGE_DRIVE, IMAGE_DRIVE},
        {ITEM_DRIVE | ITEM_SCANNED | ITEM_SCANNING, PLATFORM_OTHER, IMAGE_DRIVE, IMAGE_DRIVE},
        {ITEM_FOLDER | ITEM_DATABASE, PLATFORM_OTHER, IMAGE_DATABASE_FOLDER, IMAGE_DATABASE_FOLDER},
        {ITEM_FOLDER | ITEM_ROM | ITEM_MARKED, PLATFORM_OTHER, IMAGE_FOLDER, IMAGE_FOLDER_OPEN},
        {0, PLATFORM_OTHER, IMAGE_FILE, IMAGE_FILE},
        {ITEM_MARKED | ITEM_REMOVED, PLATFORM_HANDHELD, IMAGE_FILE, IMAGE_FILE},
    };
    for (const Case& c : cases) {
        platformKind = c.platform;
        ItemNode item{};
        item.flags = c.flags;
        item.name = u"x";
        int selected = -2;
        EXPECT_EQ(TreeImagesOf(&item, &selected), c.normal) << std::hex << c.flags;
        EXPECT_EQ(selected, c.selected) << std::hex << c.flags;
        EXPECT_EQ(TreeImagesOf(&item), c.normal);
    }
}

DesktopFileType PageType(const ItemNode*) { return {QStringLiteral("Page"), SmallImage(IMAGE_FILE)}; }

TEST_F(ImageListTest, ListImagesOfFoldersDatabasesAndFiles) {
    ASSERT_TRUE(CreateSmallImageList());
    auto source = fileTypeSource;
    fileTypeSource = PageType;
    ItemNode items[5] = {};
    const uint32_t flags[5] = {ITEM_FOLDER, ITEM_FOLDER | ITEM_DATABASE, ITEM_DATABASE, 0, 0};
    const char16_t* names[5] = {u"docs", u"Database", u"Contacts", u"a.txt", u"b.TXT"};
    for (int i = 0; i < 5; ++i) {
        items[i].flags = flags[i];
        items[i].name = names[i];
    }
    EXPECT_EQ(ListImageOf(&items[0]), IMAGE_FOLDER);
    EXPECT_EQ(ListImageOf(&items[1]), IMAGE_DATABASE_FOLDER);
    EXPECT_EQ(ListImageOf(&items[2]), IMAGE_DATABASE);
    // A file shows its type's icon, added after the 13 images; one per type.
    EXPECT_EQ(ListImageOf(&items[3]), SMALL_IMAGE_COUNT);
    EXPECT_EQ(ListImageOf(&items[4]), SMALL_IMAGE_COUNT);
    EXPECT_EQ(smallImageList.size(), size_t(SMALL_IMAGE_COUNT + 1));
    fileTypeSource = source;
}

TEST_F(ImageListTest, MarkedImageHasTheCrossOverTheImageAndIsComposedOnce) {
    ASSERT_TRUE(CreateSmallImageList());
    QImage plain = Picture(SmallImage(IMAGE_FOLDER));
    QImage cross = Picture(SmallImage(IMAGE_DELETE_MARK));
    QIcon markedIcon = SmallImageMarked(IMAGE_FOLDER);
    QImage marked = Picture(markedIcon);
    int crossPixels = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            QRgb expected = qAlpha(cross.pixel(x, y)) == 255 ? cross.pixel(x, y) : plain.pixel(x, y);
            crossPixels += qAlpha(cross.pixel(x, y)) == 255;
            ASSERT_EQ(marked.pixel(x, y), expected) << x << "," << y;
        }
    EXPECT_GT(crossPixels, 0);
    EXPECT_NE(marked, plain);
    EXPECT_EQ(SmallImageMarked(IMAGE_FOLDER).cacheKey(), markedIcon.cacheKey());
    EXPECT_NE(SmallImageMarked(IMAGE_FILE).cacheKey(), markedIcon.cacheKey());
    // An added icon is marked too; an index beyond the list is not.
    int added = AddSmallImage(QIcon(QPixmap::fromImage(Strip(1))));
    EXPECT_NE(Picture(SmallImageMarked(added)), Picture(SmallImage(added)));
    EXPECT_TRUE(SmallImageMarked(added + 1).isNull());
}

}  // namespace
