#include "pixels/Bitmap.h"

#include <QPainter>

namespace zel {

namespace {

// Alpha is not part of a picture here: what a browser would show see-through
// (alpha in the pixels or in a palette) is laid over white, which transparent
// mode then lets the background show through.
Bitmap overWhite(const QImage &image)
{
    Bitmap b;
    b.depth = 32;
    b.image = QImage(image.size(), QImage::Format_RGB32);
    if (b.image.isNull())
        return b;
    b.image.fill(Qt::white);
    QPainter painter(&b.image);
    painter.drawImage(0, 0, image);
    return b;
}

} // namespace

Bitmap Bitmap::fromImage(const QImage &image)
{
    Bitmap b;
    if (image.isNull())
        return b;
    if (image.hasAlphaChannel())
        return overWhite(image);
    switch (image.format()) {
    case QImage::Format_Mono:
        b.image = image;
        b.depth = 1;
        break;
    case QImage::Format_MonoLSB:
        b.image = image.convertToFormat(QImage::Format_Mono);
        b.depth = 1;
        break;
    case QImage::Format_Indexed8:
        b.image = image;
        b.depth = image.colorCount() <= 16 ? 4 : 8;
        break;
    case QImage::Format_RGB555:
        b.image = image;
        b.depth = 16;
        break;
    case QImage::Format_BGR888:
        b.image = image;
        b.depth = 24;
        break;
    case QImage::Format_RGB888:
    case QImage::Format_RGB16:
        b.image = image.convertToFormat(QImage::Format_BGR888);
        b.depth = 24;
        break;
    case QImage::Format_RGB32:
        b.image = image;
        b.depth = 32;
        break;
    default:
        b.image = image.convertToFormat(QImage::Format_RGB32);
        b.depth = 32;
        break;
    }
    return b;
}

} // namespace zel
