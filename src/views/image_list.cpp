#include "views/image_list.h"

#include <cstring>

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "model/file_drives.h"
#include "platform/platform_kind.h"
#include "resources/resource_ids.h"
#include "resources/resource_module.h"
#include "views/type_cache.h"

std::vector<QIcon> smallImageList;

namespace {

constexpr int SMALL_IMAGE_SIZE = 16;

// The marked form of each image, composed on first need; same indices as
// smallImageList, an empty icon where none was composed yet.
std::vector<QIcon> markedImages;
QIcon unreadableImages[2];
// The link form of each image, unmarked and marked, composed on first need.
std::vector<QIcon> linkedImages[2];
int fileDriveImage = IMAGE_NONE;

// An image of the list with more drawn over it (antialiased).
template <typename Draw>
QIcon Composed(int base, Draw draw) {
    QPixmap composed(SMALL_IMAGE_SIZE, SMALL_IMAGE_SIZE);
    composed.fill(Qt::transparent);
    QPainter painter(&composed);
    smallImageList[static_cast<size_t>(base)].paint(&painter, QRect(0, 0, SMALL_IMAGE_SIZE, SMALL_IMAGE_SIZE));
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QIcon(composed);
}

}  // namespace

bool BuildSmallImageList(const QImage& strip, const QImage& mask) {
    DestroySmallImageList();
    const int width = SMALL_IMAGE_COUNT * SMALL_IMAGE_SIZE;
    if (strip.isNull() || mask.isNull()) return false;
    if (strip.width() < width || strip.height() < SMALL_IMAGE_SIZE) return false;
    if (mask.width() < width || mask.height() < SMALL_IMAGE_SIZE) return false;

    // Where the mask is white the image is transparent, whatever the strip
    // holds there; elsewhere the strip's colour shows.
    QImage picture = strip.copy(0, 0, width, SMALL_IMAGE_SIZE).convertToFormat(QImage::Format_ARGB32);
    QImage bits = mask.copy(0, 0, width, SMALL_IMAGE_SIZE).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < SMALL_IMAGE_SIZE; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const auto* maskLine = reinterpret_cast<const QRgb*>(bits.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            bool transparent = qGray(maskLine[x]) >= 128;
            line[x] = transparent ? qRgba(0, 0, 0, 0) : (line[x] | 0xff000000u);
        }
    }
    smallImageList.reserve(SMALL_IMAGE_COUNT + 16);
    for (int i = 0; i < SMALL_IMAGE_COUNT; ++i) {
        QPixmap image = QPixmap::fromImage(picture.copy(i * SMALL_IMAGE_SIZE, 0, SMALL_IMAGE_SIZE, SMALL_IMAGE_SIZE));
        if (image.isNull()) {
            DestroySmallImageList();
            return false;
        }
        smallImageList.emplace_back(image);
    }
    return true;
}

bool CreateSmallImageList() {
    return BuildSmallImageList(ProgramImage("images/bitmap103.png").toImage(),
                               ProgramImage("images/bitmap106.png").toImage());
}

void DestroySmallImageList() {
    smallImageList.clear();
    smallImageList.shrink_to_fit();
    markedImages.clear();
    markedImages.shrink_to_fit();
    unreadableImages[0] = QIcon();
    unreadableImages[1] = QIcon();
    linkedImages[0].clear();
    linkedImages[1].clear();
    fileDriveImage = IMAGE_NONE;
}

int AddSmallImage(const QIcon& icon) {
    // Nothing joins a list that was never made: the panes show no images then.
    if (icon.isNull() || static_cast<int>(smallImageList.size()) < SMALL_IMAGE_COUNT) return IMAGE_NONE;
    smallImageList.push_back(icon);
    return static_cast<int>(smallImageList.size()) - 1;
}

int TreeImagesOf(const ItemNode* item, int* selected) {
    int image = IMAGE_FILE;
    int open = IMAGE_FILE;
    if (item->flags & ITEM_ROOT) {
        image = platformKind == PLATFORM_PALMSIZE   ? IMAGE_ROOT_PALMSIZE
                : platformKind == PLATFORM_HANDHELD ? IMAGE_ROOT_HANDHELD
                                                    : IMAGE_ROOT_OTHER;
        open = image;
    } else if (item->flags & ITEM_DRIVE) {
        image = open = DriveImageOf(item);
    } else if (item->flags & ITEM_DATABASE) {
        image = open = IMAGE_DATABASE_FOLDER;
    } else if (item->flags & ITEM_FOLDER) {
        image = IMAGE_FOLDER;
        open = IMAGE_FOLDER_OPEN;
    }
    if (selected) *selected = open;
    return image;
}

int ListImageOf(const ItemNode* item) {
    if (item->flags & ITEM_FOLDER) return (item->flags & ITEM_DATABASE) ? IMAGE_DATABASE_FOLDER : IMAGE_FOLDER;
    if (item->flags & ITEM_DATABASE) return IMAGE_DATABASE;
    const TypeCacheEntry* entry = LookupFileType(item);
    return entry ? entry->iconIndex : IMAGE_NONE;
}

int DriveImageOf(const ItemNode* drive) {
    if (!(drive->flags & ITEM_FROM_FILE) || smallImageList.size() < SMALL_IMAGE_COUNT) return IMAGE_DRIVE;
    if (fileDriveImage == IMAGE_NONE) {
        // A page with its corner turned and two lines of text: read from a file.
        fileDriveImage = AddSmallImage(Composed(IMAGE_DRIVE, [](QPainter& painter) {
            const QPointF page[] = {{7.5, 5.5}, {12.5, 5.5}, {15.5, 8.5}, {15.5, 15.5}, {7.5, 15.5}};
            painter.setPen(QPen(QColor(40, 40, 40), 1));
            painter.setBrush(Qt::white);
            painter.drawPolygon(page, 5);
            painter.setPen(QPen(QColor(30, 90, 200), 1));
            painter.drawLine(QPointF(9.5, 10.5), QPointF(13.5, 10.5));
            painter.drawLine(QPointF(9.5, 12.5), QPointF(13.5, 12.5));
        }));
        if (fileDriveImage == IMAGE_NONE) return IMAGE_DRIVE;
    }
    return fileDriveImage;
}

QIcon SmallImage(int index) {
    if (index < 0 || index >= static_cast<int>(smallImageList.size())) return QIcon();
    return smallImageList[static_cast<size_t>(index)];
}

QIcon SmallImageUnreadable(bool marked) {
    if (smallImageList.size() < SMALL_IMAGE_COUNT) return QIcon();
    QIcon& made = unreadableImages[marked ? 1 : 0];
    if (made.isNull()) {
        // A red disc with a white bar: nothing could be read in here.
        made = Composed(IMAGE_FOLDER, [marked](QPainter& painter) {
            painter.setPen(QPen(Qt::white, 1));
            painter.setBrush(QColor(200, 0, 0));
            painter.drawEllipse(QRectF(7.5, 7.5, 8, 8));
            painter.fillRect(QRectF(9.5, 10.8, 4, 1.6), Qt::white);
            if (marked) smallImageList[IMAGE_DELETE_MARK].paint(&painter, QRect(0, 0, SMALL_IMAGE_SIZE, SMALL_IMAGE_SIZE));
        });
    }
    return made;
}

QString UnreadableReason(const ItemNode* item) {
    if (item && (item->flags & ITEM_FOLDER_AGAIN)) return StringText(STR_TIP_FOLDER_AGAIN);
    if (item && (item->flags & ITEM_EXCLUDED)) return StringText(STR_TIP_EXCLUDED);
    if (item && (item->flags & ITEM_HOLDS_EXCLUDED) && !(item->flags & ITEM_UNREADABLE))
        return StringText(STR_TIP_HOLDS_EXCLUDED);
    if (!item || !(item->flags & ITEM_UNREADABLE)) return QString();
    if (const FileDrive* file = FileDriveOf(item); file && !file->failure.empty())
        return StringText(STR_COULD_NOT_BE_READ).arg(QString::fromLocal8Bit(file->failure));
    return StringText(STR_COULD_NOT_BE_READ)
        .arg(QString::fromLocal8Bit(std::strerror(static_cast<int>(item->readError))));
}

QIcon SmallImageMarked(int index) {
    if (index < 0 || index >= static_cast<int>(smallImageList.size())) return QIcon();
    if (markedImages.size() < smallImageList.size()) markedImages.resize(smallImageList.size());
    QIcon& marked = markedImages[static_cast<size_t>(index)];
    if (marked.isNull()) {
        QPixmap composed(SMALL_IMAGE_SIZE, SMALL_IMAGE_SIZE);
        composed.fill(Qt::transparent);
        QPainter painter(&composed);
        const QRect area(0, 0, SMALL_IMAGE_SIZE, SMALL_IMAGE_SIZE);
        smallImageList[static_cast<size_t>(index)].paint(&painter, area);
        smallImageList[IMAGE_DELETE_MARK].paint(&painter, area);
        painter.end();
        marked = QIcon(composed);
    }
    return marked;
}

QIcon SmallImageLinked(int index, bool marked) {
    if (index < 0 || index >= static_cast<int>(smallImageList.size()) || smallImageList.size() < SMALL_IMAGE_COUNT)
        return QIcon();
    std::vector<QIcon>& made = linkedImages[marked ? 1 : 0];
    if (made.size() < smallImageList.size()) made.resize(smallImageList.size());
    QIcon& linked = made[static_cast<size_t>(index)];
    if (linked.isNull()) {
        linked = Composed(index, [marked](QPainter& painter) {
            // The icon theme's link emblem over the lower left corner, as
            // file managers show it; without a theme, a white tile with a
            // bent arrow.
            const QRect corner(0, 7, 9, 9);
            const QIcon emblem = QIcon::fromTheme(QStringLiteral("emblem-symbolic-link"));
            if (!emblem.isNull()) {
                emblem.paint(&painter, corner);
            } else {
                painter.setPen(QPen(Qt::black, 1));
                painter.setBrush(Qt::white);
                painter.drawRect(QRectF(0.5, 7.5, 8, 8));
                painter.setPen(QPen(Qt::black, 1.4));
                painter.drawLine(QPointF(2.5, 14), QPointF(2.5, 11));
                painter.drawLine(QPointF(2.5, 11), QPointF(6.5, 11));
                painter.drawLine(QPointF(6.5, 11), QPointF(4.8, 9.3));
                painter.drawLine(QPointF(6.5, 11), QPointF(4.8, 12.7));
            }
            if (marked)
                smallImageList[IMAGE_DELETE_MARK].paint(&painter, QRect(0, 0, SMALL_IMAGE_SIZE, SMALL_IMAGE_SIZE));
        });
    }
    return linked;
}
