#include "views/image_list.h"

#include <QBitmap>
#include <QPixmap>

#include "platform/platform_kind.h"
#include "resources/resource_module.h"

std::vector<QIcon> smallImageList;

bool CreateSmallImageList() {
    smallImageList.clear();
    QPixmap strip = ProgramImage("images/bitmap103.png");
    QPixmap mask = ProgramImage("images/bitmap106.png");
    if (strip.isNull()) return false;
    // The mask is white where the picture is transparent.
    if (!mask.isNull() && mask.size() == strip.size()) strip.setMask(mask.createMaskFromColor(Qt::white, Qt::MaskInColor));
    for (int i = 0; i < SMALL_IMAGE_COUNT && (i + 1) * 16 <= strip.width(); ++i)
        smallImageList.push_back(QIcon(strip.copy(i * 16, 0, 16, 16)));
    return static_cast<int>(smallImageList.size()) == SMALL_IMAGE_COUNT;
}

int AddSmallImage(const QIcon& icon) {
    if (icon.isNull()) return IMAGE_NONE;
    smallImageList.push_back(icon);
    return static_cast<int>(smallImageList.size()) - 1;
}

void DestroySmallImageList() { smallImageList.clear(); }

int TreeImagesOf(const ItemNode* item, int* selected) {
    int image = IMAGE_FILE;
    if (item->flags & ITEM_ROOT) {
        image = platformKind == PLATFORM_PALMSIZE ? IMAGE_ROOT_PALMSIZE
                : platformKind == PLATFORM_HANDHELD ? IMAGE_ROOT_HANDHELD : IMAGE_ROOT_OTHER;
    } else if (item->flags & ITEM_DRIVE) {
        image = IMAGE_DRIVE;
    } else if (item->flags & ITEM_DATABASE) {
        image = IMAGE_DATABASE_FOLDER;
    } else if (item->flags & ITEM_FOLDER) {
        image = IMAGE_FOLDER;
        if (selected) *selected = IMAGE_FOLDER_OPEN;
        return image;
    }
    if (selected) *selected = image;
    return image;
}

int ListImageOf(const ItemNode* item) {
    if (item->flags & ITEM_FOLDER) return (item->flags & ITEM_DATABASE) ? IMAGE_DATABASE_FOLDER : IMAGE_FOLDER;
    if (item->flags & ITEM_DATABASE) return IMAGE_DATABASE;
    // Placeholder until the type cache asks the desktop: a plain page.
    return IMAGE_FILE;
}

QIcon SmallImageMarked(int index) {
    // Placeholder until the overlay is drawn: the plain image.
    return SmallImage(index);
}

QIcon SmallImage(int index) {
    if (index < 0 || index >= static_cast<int>(smallImageList.size())) return QIcon();
    return smallImageList[static_cast<size_t>(index)];
}
