#include "model/treemap_layout.h"

#include <algorithm>
#include <limits>

namespace {

// The worse aspect ratio of a row of areas from rmax down to rmin, sum s,
// laid along a side of length side (Bruls, Huizing, van Wijk 2000).
double WorstRatio(double rmax, double rmin, double s, double side) {
    const double side2 = side * side;
    const double s2 = s * s;
    return std::max(side2 * rmax / s2, s2 / (side2 * rmin));
}

// Squarifies count areas, largest first, into rect. area(i) gives the i-th
// area and place(i, rect) receives its rectangle; areas are weights, scaled
// here to fill rect. Areas of 0 at the end get empty rectangles at the far
// corner. Each row's last edge is the rect's own edge, so the rectangles tile
// rect without gap or overlap whatever the rounding.
template <typename AreaAt, typename Place>
void Squarify(size_t count, AreaAt area, TreemapRect rect, Place place) {
    size_t positive = 0;
    double sum = 0;
    while (positive < count && area(positive) > 0) sum += area(positive++);
    const double rectArea = (rect.right - rect.left) * (rect.bottom - rect.top);
    const double scale = sum > 0 && rectArea > 0 ? rectArea / sum : 0;
    size_t i = 0;
    while (i < positive && scale > 0) {
        const double width = rect.right - rect.left;
        const double height = rect.bottom - rect.top;
        // The row runs along the shorter side; it is a column when the
        // rectangle is wider than high.
        const bool column = width >= height;
        const double side = column ? height : width;
        const double first = area(i) * scale;
        double rowSum = first;
        double worst = WorstRatio(first, first, rowSum, side);
        size_t end = i + 1;
        while (end < positive) {
            const double next = area(end) * scale;
            const double ratio = WorstRatio(first, next, rowSum + next, side);
            if (ratio > worst) break;
            rowSum += next;
            worst = ratio;
            ++end;
        }
        const bool lastRow = end == positive;
        TreemapRect strip = rect;
        if (column) {
            strip.right = lastRow ? rect.right : std::min(rect.right, rect.left + rowSum / side);
            rect.left = strip.right;
        } else {
            strip.bottom = lastRow ? rect.bottom : std::min(rect.bottom, rect.top + rowSum / side);
            rect.top = strip.bottom;
        }
        const double thickness = column ? strip.right - strip.left : strip.bottom - strip.top;
        double at = column ? strip.top : strip.left;
        for (size_t k = i; k < end; ++k) {
            const bool lastInRow = k + 1 == end;
            TreemapRect tile = strip;
            const double length = thickness > 0 ? area(k) * scale / thickness : 0;
            if (column) {
                tile.top = at;
                tile.bottom = lastInRow ? strip.bottom : std::min(strip.bottom, at + length);
                at = tile.bottom;
            } else {
                tile.left = at;
                tile.right = lastInRow ? strip.right : std::min(strip.right, at + length);
                at = tile.right;
            }
            place(k, tile);
        }
        i = end;
    }
    for (; i < count; ++i) place(i, TreemapRect{rect.right, rect.bottom, rect.right, rect.bottom});
}

// Adds the ridge of one rectangle to a cushion along one axis (van Wijk and
// van de Wetering 1999): a parabola of height h over [from, to).
void AddRidge(double from, double to, double h, double* square, double* linear) {
    if (to - from <= 0) return;
    *linear += 4 * h * (to + from) / (to - from);
    *square -= 4 * h / (to - from);
}

// Entries read between two looks at the cancel word.
constexpr uint32_t CANCEL_CHECK_MASK = 255;

struct Layout {
    TreemapSink sink;
    TreemapScratch* scratch;
    const std::atomic<bool>* cancel;
    uint32_t work;
    bool stopped;
};

bool Stopped(Layout* layout) {
    if ((++layout->work & CANCEL_CHECK_MASK) == 0 && layout->cancel &&
        layout->cancel->load(std::memory_order_relaxed))
        layout->stopped = true;
    return layout->stopped;
}

void Emit(Layout* layout, const TreemapRect& rect, const ItemNode* item, const TreemapCushion& cushion, bool rest,
          bool marked) {
    TreemapLeaf leaf;
    leaf.left = TreemapPixel(rect.left);
    leaf.top = TreemapPixel(rect.top);
    leaf.right = TreemapPixel(rect.right);
    leaf.bottom = TreemapPixel(rect.bottom);
    if (leaf.left >= leaf.right || leaf.top >= leaf.bottom) return;
    leaf.item = item;
    leaf.cushion = cushion;
    leaf.rest = rest;
    leaf.marked = marked;
    layout->sink.leaf(layout->sink.context, leaf);
}

void LayOutChildren(Layout* layout, const ItemNode* folder, TreemapRect rect, uint32_t depth,
                    TreemapCushion cushion, bool marked, uint64_t ownBytes);

// One entry's rectangle: a leaf, the plain tile of its folder's small
// entries, or a folder laid out inside it.
void PlaceEntry(Layout* layout, const ItemNode* folder, const TreemapScratch::Entry& entry, TreemapRect rect,
                uint32_t depth, TreemapCushion cushion, bool marked) {
    double h = TREEMAP_CUSHION_HEIGHT;
    for (uint32_t d = 0; d < depth; ++d) h *= TREEMAP_CUSHION_FALL;
    AddRidge(rect.left, rect.right, h, &cushion.xx, &cushion.x1);
    AddRidge(rect.top, rect.bottom, h, &cushion.yy, &cushion.y1);
    if (entry.item == folder) {
        Emit(layout, rect, folder, cushion, true, marked);
        return;
    }
    const bool entryMarked = marked || (entry.item->flags & ITEM_MARKED);
    if (TreemapLaysOutContent(entry.item))
        LayOutChildren(layout, entry.item, rect, depth + 1, cushion, entryMarked, TreemapEntryBytes(entry.item));
    else
        Emit(layout, rect, entry.item, cushion, false, entryMarked);
}

// Lays out the entries of folder in rect. ownBytes is what the folder's tile
// stands for; what its entries do not cover (its own blocks, the part of a
// drive not scanned) joins the plain tile of its small entries.
void LayOutChildren(Layout* layout, const ItemNode* folder, TreemapRect rect, uint32_t depth,
                    TreemapCushion cushion, bool marked, uint64_t ownBytes) {
    const double area = (rect.right - rect.left) * (rect.bottom - rect.top);
    if (area <= 0 || layout->stopped) return;
    uint64_t childBytes = 0;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode* child = &folder->children[i];
        if (!(child->flags & ITEM_REMOVED)) childBytes += TreemapEntryBytes(child);
    }
    const uint64_t contentBytes = std::max(ownBytes, childBytes);
    if (contentBytes == 0) return;
    const double scale = area / static_cast<double>(contentBytes);

    std::vector<TreemapScratch::Entry>& entries = layout->scratch->entries;
    const size_t base = entries.size();
    double drawnArea = 0;
    for (uint32_t i = 0; i < folder->childCount; ++i) {
        const ItemNode* child = &folder->children[i];
        if (Stopped(layout)) break;
        if (child->flags & ITEM_REMOVED) continue;
        const double childArea = static_cast<double>(TreemapEntryBytes(child)) * scale;
        if (childArea < TREEMAP_MIN_TILE_AREA) continue;
        entries.push_back({child, childArea});
        drawnArea += childArea;
    }
    if (layout->stopped) {
        entries.resize(base);
        return;
    }
    // Whatever is not drawn entry by entry stays with the folder, as one
    // tile; a rounding residue is no tile.
    const double restArea = area - drawnArea;
    if (restArea > area * 1e-9) entries.push_back({folder, restArea});
    const size_t count = entries.size() - base;
    std::sort(entries.begin() + static_cast<std::ptrdiff_t>(base), entries.end(),
              [](const TreemapScratch::Entry& a, const TreemapScratch::Entry& b) { return a.area > b.area; });
    // Deeper levels push after this level's entries and take them off again,
    // so this level's entries stay where they are; they are read by index.
    Squarify(
        count, [&entries, base](size_t k) { return entries[base + k].area; }, rect,
        [&](size_t k, TreemapRect tile) {
            if (layout->stopped || Stopped(layout)) return;
            const TreemapScratch::Entry entry = entries[base + k];
            PlaceEntry(layout, folder, entry, tile, depth, cushion, marked);
        });
    entries.resize(base);
}

}  // namespace

bool TreemapLaysOutContent(const ItemNode* item) {
    if (!(item->flags & (ITEM_FOLDER | ITEM_DRIVE | ITEM_ROOT)) || !item->children || item->childCount == 0)
        return false;
    if (item->flags & ITEM_DRIVE) return (item->flags & ITEM_SCANNED) && !(item->flags & ITEM_SCANNING);
    return true;
}

uint64_t TreemapEntryBytes(const ItemNode* item) {
    return (item->flags & ITEM_DRIVE) ? item->ownSize : item->total;
}

uint64_t TreemapPlaceBytes(const ItemNode* place) {
    uint64_t sum = 0;
    for (uint32_t i = 0; i < place->childCount; ++i) {
        if (!(place->children[i].flags & ITEM_REMOVED)) sum += TreemapEntryBytes(&place->children[i]);
    }
    return sum;
}

bool LayOutTreemap(const ItemNode* place, int width, int height, TreemapSink sink, TreemapScratch* scratch,
                   const std::atomic<bool>* cancel) {
    Layout layout = {sink, scratch, cancel, 0, false};
    scratch->entries.clear();
    if (!place || width <= 0 || height <= 0 || !place->children) return true;
    const TreemapRect rect = {0, 0, static_cast<double>(width), static_cast<double>(height)};
    // The place's own tile is the picture: its entries sit at the top level,
    // against the listed total (the place's own blocks are not listed).
    LayOutChildren(&layout, place, rect, 0, TreemapCushion{0, 0, 0, 0}, false, 0);
    return !layout.stopped;
}

void SquarifyAreas(const double* areas, size_t count, TreemapRect rect, TreemapRect* rects) {
    Squarify(
        count, [areas](size_t k) { return areas[k]; }, rect, [rects](size_t k, TreemapRect tile) { rects[k] = tile; });
}

void SliceAreas(const double* areas, size_t count, TreemapRect rect, TreemapRect* rects) {
    double sum = 0;
    for (size_t k = 0; k < count; ++k) sum += areas[k];
    const bool across = rect.right - rect.left >= rect.bottom - rect.top;
    const double extent = across ? rect.right - rect.left : rect.bottom - rect.top;
    double at = across ? rect.left : rect.top;
    for (size_t k = 0; k < count; ++k) {
        TreemapRect tile = rect;
        const double length = sum > 0 ? extent * areas[k] / sum : 0;
        const double end = k + 1 == count ? (across ? rect.right : rect.bottom) : at + length;
        if (across) {
            tile.left = at;
            tile.right = end;
        } else {
            tile.top = at;
            tile.bottom = end;
        }
        at = end;
        rects[k] = tile;
    }
}
