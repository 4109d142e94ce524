// The treemap's colours: a small fixed palette of families of files, chosen
// by the kind of each file (its extension, asked of the desktop's MIME
// database once per kind and kept), so that one family reads as one colour
// across the whole picture. The palette keeps apart for the common forms of
// colour blindness.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include <QRgb>

#include "model/item_node.h"

enum TreemapFamily : uint8_t {
    TREEMAP_FAMILY_IMAGES = 0,
    TREEMAP_FAMILY_VIDEO = 1,
    TREEMAP_FAMILY_AUDIO = 2,
    TREEMAP_FAMILY_ARCHIVES = 3,   // archives and packages
    TREEMAP_FAMILY_DOCUMENTS = 4,
    TREEMAP_FAMILY_SOURCE = 5,     // source code and text
    TREEMAP_FAMILY_PROGRAMS = 6,   // programs and libraries
    TREEMAP_FAMILY_OTHER = 7,
    TREEMAP_FAMILY_SMALL = 8,      // a folder's entries too small to draw, an unscanned drive, an empty folder
};

constexpr int TREEMAP_FAMILIES = 9;

inline constexpr QRgb TREEMAP_PALETTE[TREEMAP_FAMILIES] = {
    qRgb(230, 159, 0),   qRgb(204, 121, 167), qRgb(86, 180, 233), qRgb(213, 94, 0),  qRgb(0, 114, 178),
    qRgb(0, 158, 115),   qRgb(240, 228, 66),  qRgb(150, 150, 165), qRgb(205, 205, 205),
};

// The family of a MIME type's name ("image/png"); text types the desktop
// knows only through what they inherit are asked of that as well.
TreemapFamily FamilyOfMimeName(const QString& mimeName);

// What one drawing thread knows of kinds: the family of each extension key,
// asked once. Used by one thread at a time.
struct TreemapFamilyCache {
    std::unordered_map<std::u16string, uint8_t> families;
    uint32_t lookups = 0;  // questions asked of the MIME database, for tests
};

// The family of a file by its name: by the MIME type of its extension (the
// key the type cache uses, ".so.N" counting as ".so"); a name without an
// extension is Other without a question. Folders and drives are no files:
// TREEMAP_FAMILY_SMALL.
TreemapFamily FamilyOfEntry(TreemapFamilyCache* cache, const ItemNode* item);
