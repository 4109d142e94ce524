#include "views/image_list.h"

#include <QBitmap>
#include <QPixmap>

#include "platform/platform_kind.h"
#include "resources/resource_module.h"

std::vector<QIcon> smallImageList;

void CreateSmallImageList() {
    smallImageList.clear();
    QPixmap strip = ProgramImage("images/bitmap103.png");
    QPixmap mask = ProgramImage("images/bitmap106.png");
    if (strip.isNull()) return;
    // The mask is white where the picture is transparent.
    if (!mask.isNull() && mask.size() == strip.size()) strip.setMask(mask.createMaskFromColor(Qt::white, Qt::MaskInColor));
    for (int i = 0; i < SMALL_IMAGE_COUNT && (i + 1) * 16 <= strip.width(); ++i)
        smallImageList.push_back(QIcon(strip.copy(i * 16, 0, 16, 16)));
}

void DestroySmallImageList() { smallImageList.clear(); }

int TreeImageOf(const ItemNode* item) {
    if (item->flags & ITEM_ROOT) {
        if (platformKind == PLATFORM_PALMSIZE) return IMAGE_ROOT_PALMSIZE;
        return platformKind == PLATFORM_HANDHELD ? IMAGE_ROOT_HANDHELD : IMAGE_ROOT_OTHER;
    }
    if (item->flags & ITEM_DRIVE) return IMAGE_DRIVE;
    if ((item->flags & ITEM_DATABASE) && (item->flags & ITEM_FOLDER)) return IMAGE_DATABASE_FOLDER;
    if (item->flags & ITEM_FOLDER) return IMAGE_FOLDER;
    return IMAGE_FILE;
}

QIcon SmallImage(int index) {
    if (index < 0 || index >= static_cast<int>(smallImageList.size())) return QIcon();
    return smallImageList[static_cast<size_t>(index)];
}
