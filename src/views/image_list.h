// The one list of 16 x 16 images shared by the tree, the lists and the
// status bar.
#pragma once

#include <vector>

#include <QIcon>

#include "model/item_node.h"

enum ImageIndex {
    IMAGE_FOLDER_OPEN = 0,
    IMAGE_FOLDER = 1,
    IMAGE_DRIVE = 2,
    IMAGE_FILE = 3,
    IMAGE_DATABASE_FOLDER = 4,
    IMAGE_DATABASE = 5,
    IMAGE_ROOT_OTHER = 6,
    IMAGE_ROOT_HANDHELD = 7,
    IMAGE_ROOT_PALMSIZE = 8,
    IMAGE_DELETE_MARK = 9,
    IMAGE_NO_ARROW = 10,
    IMAGE_ARROW_UP = 11,
    IMAGE_ARROW_DOWN = 12,
};

constexpr int SMALL_IMAGE_COUNT = 13;

// Empty until CreateSmallImageList; the first 13 are the program's own images.
extern std::vector<QIcon> smallImageList;

// Cuts the 13 images from the program's image strip and its mask.
void CreateSmallImageList();
void DestroySmallImageList();

// The tree image of an item (root by platform kind, drive, folder, database
// folder, file); the icon at that index, or an empty icon before creation.
int TreeImageOf(const ItemNode* item);
QIcon SmallImage(int index);
