// The one list of 16 x 16 images shared by the tree, the lists, the status
// bar and the expunge list: 13 images of the program's own, then one icon per
// file type the type cache meets.
#pragma once

#include <vector>

#include <QIcon>

class QImage;

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
    IMAGE_DELETE_MARK = 9,  // overlay 1: marked for deletion
    IMAGE_NO_ARROW = 10,
    IMAGE_ARROW_UP = 11,
    IMAGE_ARROW_DOWN = 12,
};

constexpr int SMALL_IMAGE_COUNT = 13;
constexpr int IMAGE_NONE = -1;

// Empty until CreateSmallImageList, and after a failed creation (the panes
// then show no images).
extern std::vector<QIcon> smallImageList;

// Cuts the 13 images from the program's image strip and its mask. False, and
// no images at all, when the strip is missing or short.
bool CreateSmallImageList();

// The same from a given strip and mask (white where transparent), each at
// least 13 images of 16 x 16 wide; images past the 13th are left out.
bool BuildSmallImageList(const QImage& strip, const QImage& mask);

// Forgets every image, the composed marked ones too; at shutdown.
void DestroySmallImageList();

// Appends an icon; returns its index, or IMAGE_NONE when it cannot be added
// (an empty icon, or no image list).
int AddSmallImage(const QIcon& icon);

// The tree image of an item and, through selected, its selected image: root
// by platform kind, drive, database folder, folder (open when selected),
// file. Reads only the platform kind and the kind flags, so the scan worker
// may call it.
int TreeImagesOf(const ItemNode* item, int* selected = nullptr);

// The image of an item's row in the contents or expunge list; IMAGE_NONE when
// the file type lookup gives nothing (it is asked again later).
int ListImageOf(const ItemNode* item);

// The image of a drive: the drive image, or for a drive read from a scan
// file the drive with a page over its corner (composed once, added to the
// list).
int DriveImageOf(const ItemNode* drive);

// The image at index; an empty icon when there is none.
QIcon SmallImage(int index);

// The folder image of a folder the scan could not read: a no-entry sign
// drawn over its lower right corner, with the deletion cross too when
// marked; composed once each.
QIcon SmallImageUnreadable(bool marked);

// Why an unreadable folder could not be read, in the system's words, for its
// tooltip and its description to screen readers; empty for anything else.
QString UnreadableReason(const ItemNode* item);

// The image at index with the deletion cross (image 9, overlay 1) drawn over
// it, composed once per index; an empty icon when there is no such image.
QIcon SmallImageMarked(int index);

// The image at index with the link emblem over its lower left corner (the
// icon theme's, else the program's own), and the deletion cross when marked:
// a symbolic link's row. Composed once per index; an empty icon when there is
// no such image.
QIcon SmallImageLinked(int index, bool marked);
