// The treemap's geometry: the subtree of a place laid out as nested
// rectangles whose areas are the entries' sizes, squarified, largest first,
// with the cushion that shades each tile. No drawing here: every tile is
// handed to a sink as it is laid out, so a renderer can shade it at once and
// nothing per entry is kept. Entries too small to see are not laid out one by
// one: their folder keeps their area as one plain tile, so the cost follows
// the pixels, not the entries.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "model/item_node.h"

// A tile under this many square pixels (about 3 x 3) is not drawn on its own.
constexpr double TREEMAP_MIN_TILE_AREA = 9.0;
// The cushion's ridge height at the top level and its fall per level of
// nesting.
constexpr double TREEMAP_CUSHION_HEIGHT = 0.5;
constexpr double TREEMAP_CUSHION_FALL = 0.75;

// A rectangle in pixels as real numbers; right and bottom exclusive.
struct TreemapRect {
    double left;
    double top;
    double right;
    double bottom;
};

// The height of a cushion over the plane: z = xx x^2 + x1 x + yy y^2 + y1 y.
struct TreemapCushion {
    double xx;
    double x1;
    double yy;
    double y1;
};

// One tile as the sink receives it: its whole pixels (right and bottom
// exclusive, never empty), its entry, and its shading.
struct TreemapLeaf {
    int left;
    int top;
    int right;
    int bottom;
    const ItemNode* item;  // the entry; for a rest tile the folder whose small entries it holds
    TreemapCushion cushion;
    bool rest;    // the plain tile of a folder's entries too small to draw, and its own bytes
    bool marked;  // the entry, or a folder above it, is marked for deletion
};

struct TreemapSink {
    void* context;
    void (*leaf)(void* context, const TreemapLeaf& leaf);
};

// Working memory of the layout, kept between layouts so that a redraw
// allocates nothing new.
struct TreemapScratch {
    struct Entry {
        const ItemNode* item;
        double area;
    };
    std::vector<Entry> entries;
};

// Lays out the subtree of place in a width x height picture and hands every
// tile to sink, folders' tiles nested in their folder's. At the root the
// drives are sized by their used bytes, each with its scanned subtree inside;
// a drive not scanned (or being scanned) is one plain tile. Removed entries
// and entries of size 0 get no tile. cancel, when given, is read often; the
// layout stops once it is set and returns false. Reads the tree and writes
// nothing in it.
bool LayOutTreemap(const ItemNode* place, int width, int height, TreemapSink sink, TreemapScratch* scratch,
                   const std::atomic<bool>* cancel);

// The bytes the tiles of a place's entries stand for together: the listed
// total of a folder or drive, the drives' used bytes at the root.
uint64_t TreemapPlaceBytes(const ItemNode* place);

// The bytes an entry's tile stands for: a drive's used bytes, else its total.
uint64_t TreemapEntryBytes(const ItemNode* item);

// Whether an entry's tile holds its entries laid out inside it (a folder or
// a scanned drive with entries) rather than being one tile itself; such an
// entry's own tile is the plain one of its small entries.
bool TreemapLaysOutContent(const ItemNode* item);

// Squarifies areas (largest first, all positive) into rect; rects receives
// one rectangle per area, in the same order. The rectangles tile rect
// exactly: a row's last edge is the rect's own.
void SquarifyAreas(const double* areas, size_t count, TreemapRect rect, TreemapRect* rects);

// The same areas cut as slice and dice: strips across the longer side.
void SliceAreas(const double* areas, size_t count, TreemapRect rect, TreemapRect* rects);

// The whole pixels of a rectangle's edges, as tiles are drawn.
inline int TreemapPixel(double edge) { return static_cast<int>(edge + 0.5); }
