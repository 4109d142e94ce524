#include "views/treemap_render.h"

#include <algorithm>
#include <cmath>

namespace {

// Ambient and diffuse light, and the light's direction (from the upper left,
// mostly from the front), normalised.
constexpr float LIGHT_AMBIENT = 0.35f;
constexpr float LIGHT_DIFFUSE = 0.70f;
constexpr float LIGHT_X = -0.1400f;
constexpr float LIGHT_Y = -0.2100f;
constexpr float LIGHT_Z = 0.9676f;
// Marked entries: every third diagonal of pixels, darkened to this share.
constexpr int HATCH_PERIOD = 6;
constexpr int HATCH_WIDTH = 2;
constexpr float HATCH_SHADE = 0.35f;

struct Drawing {
    QImage* image;
    std::vector<TreemapTile>* tiles;
    TreemapCanvas* canvas;
};

// Shades one tile: the cushion's normal at each pixel's centre against the
// light, times the family's colour.
void ShadeTile(void* context, const TreemapLeaf& leaf) {
    Drawing* drawing = static_cast<Drawing*>(context);
    const TreemapFamily family =
        leaf.rest ? TREEMAP_FAMILY_SMALL : FamilyOfEntry(&drawing->canvas->families, leaf.item);
    const QRgb colour = TREEMAP_PALETTE[family];
    const float red = float(qRed(colour)), green = float(qGreen(colour)), blue = float(qBlue(colour));
    const float xx = float(leaf.cushion.xx), x1 = float(leaf.cushion.x1);
    const float yy = float(leaf.cushion.yy), y1 = float(leaf.cushion.y1);
    for (int y = leaf.top; y < leaf.bottom; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(drawing->image->scanLine(y)) + leaf.left;
        const float ny = -(2 * yy * (float(y) + 0.5f) + y1);
        const float lightY = ny * LIGHT_Y + LIGHT_Z;
        const float ny2 = ny * ny + 1;
        float nx = -(2 * xx * (float(leaf.left) + 0.5f) + x1);
        const float step = -2 * xx;
        for (int x = leaf.left; x < leaf.right; ++x, ++line, nx += step) {
            const float cosine = (nx * LIGHT_X + lightY) / std::sqrt(nx * nx + ny2);
            float light = std::min(1.0f, LIGHT_AMBIENT + LIGHT_DIFFUSE * std::max(0.0f, cosine));
            if (leaf.marked && (x + y) % HATCH_PERIOD < HATCH_WIDTH) light *= HATCH_SHADE;
            *line = qRgb(int(red * light), int(green * light), int(blue * light));
        }
    }
    drawing->tiles->push_back({int16_t(leaf.left), int16_t(leaf.top), int16_t(leaf.right), int16_t(leaf.bottom),
                               leaf.item});
}

// The largest entries of place, largest first, in one pass.
int FindLargest(const ItemNode* place, const ItemNode** largest) {
    int count = 0;
    for (uint32_t i = 0; i < place->childCount; ++i) {
        const ItemNode* child = &place->children[i];
        if ((child->flags & ITEM_REMOVED) || TreemapEntryBytes(child) == 0) continue;
        const uint64_t bytes = TreemapEntryBytes(child);
        if (count == TREEMAP_DESCRIBED && bytes <= TreemapEntryBytes(largest[count - 1])) continue;
        int at = count < TREEMAP_DESCRIBED ? count++ : count - 1;
        while (at > 0 && TreemapEntryBytes(largest[at - 1]) < bytes) {
            largest[at] = largest[at - 1];
            --at;
        }
        largest[at] = child;
    }
    return count;
}

}  // namespace

bool RenderTreemap(const ItemNode* place, int width, int height, TreemapCanvas* canvas,
                   const std::atomic<bool>* cancel, TreemapPicture* picture) {
    width = std::min(width, TREEMAP_MAX_SIDE);
    height = std::min(height, TREEMAP_MAX_SIDE);
    picture->tiles.clear();
    picture->place = place;
    picture->placeBytes = place ? TreemapPlaceBytes(place) : 0;
    picture->largestCount = place ? FindLargest(place, picture->largest) : 0;
    picture->image = QImage();
    if (width <= 0 || height <= 0) return true;
    picture->image = QImage(width, height, QImage::Format_RGB32);
    if (picture->image.isNull()) return true;
    // What no tile covers (an empty place) shows as the plain colour.
    picture->image.fill(TREEMAP_PALETTE[TREEMAP_FAMILY_SMALL]);
    Drawing drawing = {&picture->image, &picture->tiles, canvas};
    const bool done = LayOutTreemap(place, width, height, {&drawing, ShadeTile}, &canvas->scratch, cancel);
    // Only what hit testing needs stays: no spare room in the tile list.
    picture->tiles.shrink_to_fit();
    return done;
}

const TreemapTile* TreemapTileAt(const TreemapPicture& picture, int x, int y) {
    for (const TreemapTile& tile : picture.tiles) {
        if (x >= tile.left && x < tile.right && y >= tile.top && y < tile.bottom) return &tile;
    }
    return nullptr;
}
