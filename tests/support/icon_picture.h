// Icons as images, so tests compare what an icon shows pixel by pixel.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// The icon's 16 by 16 image in one pixel format.
inline QImage Picture(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}
