// Drawing a treemap: the layout's tiles shaded as cushions straight into an
// image, each in its family's colour, marked entries hatched. What is kept
// beside the image is only what hit testing needs: one 16-byte record per
// drawn tile.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include <QImage>

#include "model/treemap_layout.h"
#include "views/treemap_colours.h"

// One drawn tile: its pixels in the image (right and bottom exclusive) and
// its entry; a folder's plain tile names the folder.
struct TreemapTile {
    int16_t left;
    int16_t top;
    int16_t right;
    int16_t bottom;
    const ItemNode* item;
};
static_assert(sizeof(TreemapTile) == 16, "a drawn tile costs 16 bytes");

// The largest entries of the place, named in the picture's description.
constexpr int TREEMAP_DESCRIBED = 8;
// The widest picture tiles can address.
constexpr int TREEMAP_MAX_SIDE = 32767;

struct TreemapPicture {
    QImage image;  // none when nothing was drawn
    std::vector<TreemapTile> tiles;  // in layout order: the tiles of one entry lie together
    const ItemNode* place;
    uint64_t placeBytes;  // what the whole picture stands for
    const ItemNode* largest[TREEMAP_DESCRIBED];  // largest first
    int largestCount;
};

// Everything one drawing thread keeps between pictures.
struct TreemapCanvas {
    TreemapScratch scratch;
    TreemapFamilyCache families;
};

// Lays out and draws the treemap of place into a new width x height image.
// False when cancel was set meanwhile; the picture is then of no use.
bool RenderTreemap(const ItemNode* place, int width, int height, TreemapCanvas* canvas,
                   const std::atomic<bool>* cancel, TreemapPicture* picture);

// The tile at pixel (x, y) of the picture, or none.
const TreemapTile* TreemapTileAt(const TreemapPicture& picture, int x, int y);
