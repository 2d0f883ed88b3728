#include "Bitmap.h"

#include <QPainter>

namespace zel {

Bitmap Bitmap::fromImage(const QImage &image)
{
    Bitmap b;
    if (image.isNull())
        return b;
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
        b.depth = 32;
        if (!image.hasAlphaChannel()) {
            b.image = image.convertToFormat(QImage::Format_RGB32);
            break;
        }
        // Alpha is not part of a picture here: what a browser would show
        // see-through is laid over white, which transparent mode then lets
        // the background show through.
        b.image = QImage(image.size(), QImage::Format_RGB32);
        if (b.image.isNull())
            break;
        b.image.fill(Qt::white);
        {
            QPainter painter(&b.image);
            painter.drawImage(0, 0, image);
        }
        break;
    }
    return b;
}

} // namespace zel
