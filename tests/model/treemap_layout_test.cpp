// The treemap's layout: tiles that cover the picture exactly once, areas that
// follow the sizes, rows no worse than slice and dice, and a tree layout that
// keeps tiny entries in their folder's tile, leaves removed entries out and
// stops when cancelled.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/item_tree.h"
#include "model/treemap_layout.h"
#include "support/item_builder.h"

namespace {

struct SizeSet {
    const char* name;
    std::vector<double> sizes;  // largest first
    int width;
    int height;
};

std::vector<double> Repeated(size_t count, double size) { return std::vector<double>(count, size); }

std::vector<double> OneHugeManyTiny() {
    std::vector<double> sizes = {1e12};
    sizes.resize(5001, 1.0);
    return sizes;
}

// A million sizes spread over three orders of magnitude, largest first.
std::vector<double> AMillionVaried() {
    std::vector<double> sizes(1000000);
    uint32_t state = 12345;
    for (double& size : sizes) {
        state = state * 1664525u + 1013904223u;
        size = 1 + (state >> 12) % 1000;
    }
    std::sort(sizes.begin(), sizes.end(), std::greater<double>());
    return sizes;
}

double WorstAspect(const std::vector<TreemapRect>& rects, const std::vector<double>& sizes) {
    double worst = 1;
    for (size_t k = 0; k < rects.size(); ++k) {
        if (sizes[k] <= 0) continue;
        double w = rects[k].right - rects[k].left;
        double h = rects[k].bottom - rects[k].top;
        worst = std::max(worst, std::max(w / h, h / w));
    }
    return worst;
}

TEST(TreemapLayoutTest, SquarifiedTilesCoverThePictureOnceInProportionAndNoWorseThanSlices) {
    const std::vector<SizeSet> sets = {
        {"one tile", {42}, 640, 480},
        {"equal sizes", Repeated(100, 7), 800, 600},
        {"one huge and many tiny", OneHugeManyTiny(), 1920, 1080},
        {"zero sizes", {500, 300, 200, 0, 0}, 300, 200},
        {"a million tiles", AMillionVaried(), 4000, 3000},
    };
    for (const SizeSet& set : sets) {
        SCOPED_TRACE(set.name);
        const TreemapRect picture = {0, 0, static_cast<double>(set.width), static_cast<double>(set.height)};
        std::vector<TreemapRect> rects(set.sizes.size());
        SquarifyAreas(set.sizes.data(), set.sizes.size(), picture, rects.data());

        double sum = 0;
        for (double size : set.sizes) sum += size;
        const double scale = set.width * double(set.height) / sum;
        std::vector<uint8_t> cover(size_t(set.width) * set.height, 0);
        size_t badAreas = 0;
        for (size_t k = 0; k < rects.size(); ++k) {
            const int left = TreemapPixel(rects[k].left), right = TreemapPixel(rects[k].right);
            const int top = TreemapPixel(rects[k].top), bottom = TreemapPixel(rects[k].bottom);
            ASSERT_GE(left, 0);
            ASSERT_LE(right, set.width);
            ASSERT_GE(top, 0);
            ASSERT_LE(bottom, set.height);
            for (int y = top; y < bottom; ++y)
                for (int x = left; x < right; ++x) ++cover[size_t(y) * set.width + x];
            // Each edge moves by at most half a pixel when it is rounded.
            const double exact = set.sizes[k] * scale;
            const double shown = double(std::max(0, right - left)) * std::max(0, bottom - top);
            const double slack = (rects[k].right - rects[k].left) + (rects[k].bottom - rects[k].top) + 1;
            if (std::abs(shown - exact) > slack) ++badAreas;
            if (set.sizes[k] == 0) {
                EXPECT_EQ(shown, 0) << k;
            }
        }
        EXPECT_EQ(badAreas, 0u);
        EXPECT_EQ(std::count(cover.begin(), cover.end(), 1), std::ptrdiff_t(cover.size())) << "a pixel is covered twice or not at all";

        std::vector<TreemapRect> slices(set.sizes.size());
        SliceAreas(set.sizes.data(), set.sizes.size(), picture, slices.data());
        EXPECT_LE(WorstAspect(rects, set.sizes), WorstAspect(slices, set.sizes) + 1e-9);
    }
}

// A tree: place holding a big file, a marked folder of two files and many
// tiny files, a removed file, an empty file and a folder of a million bytes
// spread over tiny files.
class TreemapTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        place = NewBuiltPlace(u"place");
        ItemNode* top = AddBuiltChildren(place, {{u"big.iso", 600000, 0},
                                                 {u"photos", 0, ITEM_FOLDER | ITEM_SCANNED},
                                                 {u"gone.bin", 500000, ITEM_REMOVED},
                                                 {u"empty.txt", 0, 0},
                                                 {u"dust", 0, ITEM_FOLDER | ITEM_SCANNED}});
        photos = &top[1];
        photos->flags |= ITEM_MARKED;
        std::vector<ChildShape> inPhotos = {{u"a.jpg", 200000, 0}, {u"b.jpg", 100000, 0}};
        for (int i = 0; i < 1000; ++i) inPhotos.push_back({u"t" + std::u16string(1, char16_t(u'0' + i % 10)), 1, 0});
        AddBuiltChildren(photos, inPhotos);
        dust = &top[4];
        std::vector<ChildShape> inDust;
        for (int i = 0; i < 100000; ++i) inDust.push_back({u"d", 1, 0});
        AddBuiltChildren(dust, inDust);
        ComputeTotals(place);
    }
    void TearDown() override { FreeBuiltPlace(place); }

    static void Collect(void* context, const TreemapLeaf& leaf) {
        static_cast<std::vector<TreemapLeaf>*>(context)->push_back(leaf);
    }

    std::vector<TreemapLeaf> LayOut(int width, int height) {
        std::vector<TreemapLeaf> leaves;
        TreemapScratch scratch;
        EXPECT_TRUE(LayOutTreemap(place, width, height, {&leaves, Collect}, &scratch, nullptr));
        return leaves;
    }

    ItemNode* place = nullptr;
    ItemNode* photos = nullptr;
    ItemNode* dust = nullptr;
};

TEST_F(TreemapTreeTest, TilesCoverThePictureWithTinyEntriesKeptInTheirFolder) {
    const int width = 400, height = 300;
    const std::vector<TreemapLeaf> leaves = LayOut(width, height);
    std::vector<uint8_t> cover(size_t(width) * height, 0);
    std::map<const ItemNode*, double> areaOf;
    for (const TreemapLeaf& leaf : leaves) {
        for (int y = leaf.top; y < leaf.bottom; ++y)
            for (int x = leaf.left; x < leaf.right; ++x) ++cover[size_t(y) * width + x];
        areaOf[leaf.item] += double(leaf.right - leaf.left) * (leaf.bottom - leaf.top);
        EXPECT_NE(std::u16string(leaf.item->name), u"gone.bin");
        EXPECT_NE(std::u16string(leaf.item->name), u"empty.txt");
        // Tiles of what the marked folder holds are hatched; nothing else is.
        const bool inPhotos = leaf.item == photos || leaf.item->parent == photos;
        EXPECT_EQ(leaf.marked, inPhotos);
        if (leaf.rest) {
            EXPECT_TRUE(leaf.item == photos || leaf.item == dust || leaf.item == place);
        }
    }
    EXPECT_EQ(std::count(cover.begin(), cover.end(), 1), std::ptrdiff_t(cover.size()));
    // The big file and the two photos are tiles of their own; the thousand
    // one-byte files and the hundred thousand of dust are each their
    // folder's one plain tile.
    const double pixels = double(width) * height;
    const double total = double(TreemapPlaceBytes(place));
    EXPECT_NEAR(areaOf[&place->children[0]], pixels * 600000 / total, width + height);
    EXPECT_NEAR(areaOf[&photos->children[0]], pixels * 200000 / total, width + height);
    EXPECT_NEAR(areaOf[dust], pixels * 100000 / total, width + height);
    size_t photoTiles = 0, dustTiles = 0;
    for (const TreemapLeaf& leaf : leaves) {
        photoTiles += leaf.item->parent == photos || leaf.item == photos;
        dustTiles += leaf.item->parent == dust || leaf.item == dust;
    }
    EXPECT_EQ(photoTiles, 3u);
    EXPECT_EQ(dustTiles, 1u);
}

TEST_F(TreemapTreeTest, ACancelledLayoutStopsAndSaysSo) {
    std::vector<TreemapLeaf> leaves;
    TreemapScratch scratch;
    std::atomic<bool> cancel{true};
    EXPECT_FALSE(LayOutTreemap(place, 1920, 1080, {&leaves, Collect}, &scratch, &cancel));
    EXPECT_TRUE(scratch.entries.empty());
}

TEST_F(TreemapTreeTest, AtTheRootDrivesGoByUsedBytesAndAnUnscannedDriveIsOneTile) {
    ItemNode* root = NewBuiltPlace(u"root");
    root->flags = ITEM_ROOT;
    ItemNode* drives = AddBuiltChildren(root, {{u"\\", 0, ITEM_DRIVE | ITEM_SCANNED}, {u"card", 0, ITEM_DRIVE}});
    drives[0].ownSize = 3000000;  // used bytes; more than the scan found
    drives[0].total = 10000000;   // capacity
    drives[1].ownSize = 1000000;
    drives[1].total = 2000000;
    // The scanned drive holds the test's place as its one folder.
    drives[0].children = place;
    drives[0].childCount = 1;
    std::vector<TreemapLeaf> leaves;
    TreemapScratch scratch;
    ASSERT_TRUE(LayOutTreemap(root, 400, 400, {&leaves, Collect}, &scratch, nullptr));
    double card = 0, unscannedPart = 0, scannedPart = 0;
    for (const TreemapLeaf& leaf : leaves) {
        const double area = double(leaf.right - leaf.left) * (leaf.bottom - leaf.top);
        if (leaf.item == &drives[1]) card += area;
        else if (leaf.item == &drives[0]) unscannedPart += area;
        else scannedPart += area;
    }
    EXPECT_NEAR(card, 160000.0 / 4, 800);
    EXPECT_NEAR(scannedPart + unscannedPart, 160000.0 * 3 / 4, 800);
    EXPECT_GT(unscannedPart, 0);
    drives[0].children = nullptr;
    drives[0].childCount = 0;
    FreeBuiltPlace(root);
}

}  // namespace
