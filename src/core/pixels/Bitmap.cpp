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

// 16-bit pixels as BGR888, each channel as round(v x 255 / max): Qt's own
// conversion replicates the top bits instead (3 of 31 would become 24, not 25).
QImage widened16(const QImage &image, bool green6)
{
    QImage out(image.size(), QImage::Format_BGR888);
    if (out.isNull())
        return out;
    const int greenMax = green6 ? 63 : 31;
    const auto level = [](int v, int max) { return uchar((v * 255 + max / 2) / max); };
    for (int y = 0; y < image.height(); ++y) {
        const auto *in = reinterpret_cast<const quint16 *>(image.constScanLine(y));
        uchar *line = out.scanLine(y);
        for (int x = 0; x < image.width(); ++x, line += 3) {
            const int v = in[x];
            const int red = green6 ? v >> 11 : (v >> 10) & 31;
            const int green = green6 ? (v >> 5) & 63 : (v >> 5) & 31;
            line[0] = level(v & 31, 31);
            line[1] = level(green, greenMax);
            line[2] = level(red, 31);
        }
    }
    out.setDotsPerMeterX(image.dotsPerMeterX());
    out.setDotsPerMeterY(image.dotsPerMeterY());
    return out;
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
        b.image = widened16(image, false);
        b.depth = 16;
        break;
    case QImage::Format_RGB16:
        b.image = widened16(image, true);
        b.depth = 24;
        break;
    case QImage::Format_BGR888:
        b.image = image;
        b.depth = 24;
        break;
    case QImage::Format_RGB888:
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
