#include "Bitmap.h"

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
        // Alpha is not part of a picture here: flatten it away.
        b.image = image.convertToFormat(QImage::Format_RGB32);
        b.depth = 32;
        break;
    }
    return b;
}

} // namespace zel
