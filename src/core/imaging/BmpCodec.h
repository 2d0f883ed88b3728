#pragma once

#include "pixels/ImageLimits.h"
#include "pixels/Bitmap.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace zel {

// Reads one BMP file image at the device's current position, consuming
// exactly bfSize bytes (checked against the headers and the pixel array).
// Accepts the core (12-byte), info (40), V2/V3 (52/56), OS/2 2.x (64), V4
// (108) and V5 (124) headers; BI_RGB at 1/4/8/16/24/32 bits, RLE4, RLE8 and
// BI_BITFIELDS; bottom-up and top-down rows.
//
// Pixels are held at their own depth: 1 -> Mono, 4/8 -> Indexed8 with the
// colour table (grown with black to cover every index used), 16 -> RGB555
// (other 16-bit masks -> BGR888, depth 24), 24 -> BGR888, 32 -> RGB32.
// Returns a null Bitmap and sets *error on failure; images of more than
// maxPixels pixels are refused.
Bitmap readBmp(QIODevice &in, QString *error, qint64 maxPixels = kMaxImagePixels);

// The same, for a reader that has already taken the image's first bytes off
// the device: head holds them, the rest follows on in.
Bitmap readBmp(const QByteArray &head, QIODevice &in, QString *error,
               qint64 maxPixels = kMaxImagePixels);

// Writes one complete BMP file image (BITMAPINFOHEADER, BI_RGB, bottom-up) at
// the bitmap's depth and with its colour table. An image whose format does
// not match its depth is written at the depth its format implies; a 4-bit
// bitmap whose indices do not fit in 4 bits is written at 8.
bool writeBmp(QIODevice &out, const Bitmap &bitmap, QString *error = nullptr);

} // namespace zel
