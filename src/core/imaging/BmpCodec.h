#pragma once

#include "pixels/ImageLimits.h"
#include "pixels/Bitmap.h"
#include "pixels/PictureRows.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

namespace zel {

// The size of a BMP file image and the depth its Bitmap is held at, as its
// headers tell them.
struct BmpInfo {
    int width = 0;
    int height = 0;
    int depth = 0;
};

struct BmpReadOptions {
    // Images of more pixels are refused before anything is allocated.
    qint64 maxPixels = kMaxImagePixels;
    // For picture files: a size field (bfSize) of 0 or beyond the end of the
    // file, as several programs write it, is not held against the image,
    // which is then read by its offsets and pixel sizes alone. An image
    // embedded in a document keeps its size field exact.
    bool lenientFileSize = false;
    // Asked once the headers are read and checked, before any pixel is
    // allocated: a non-empty answer refuses the image, and becomes the error
    // as it stands (a document's own budget, in its own words).
    std::function<QString(const BmpInfo &)> admit;
};

// Reads one BMP file image at the device's current position, consuming
// exactly bfSize bytes (checked against the headers and the pixel array).
// Accepts the core (12-byte), info (40), V2/V3 (52/56), OS/2 2.x (64), V4
// (108) and V5 (124) headers; BI_RGB at 1/4/8/16/24/32 bits, RLE4, RLE8 and
// BI_BITFIELDS; bottom-up and top-down rows.
//
// Pixels are held at their own depth: 1 -> Mono, 4/8 -> Indexed8 with the
// colour table (grown with black to cover every index used), 24 -> BGR888,
// 32 -> RGB32. 16-bit pixels are widened to BGR888, each 5- or 6-bit channel
// as round(v x 255 / max); 5-5-5 ones keep depth 16 (the writer packs them
// back to the same bytes), other masks are held at 24. Returns a null Bitmap
// and sets *error on failure.
Bitmap readBmp(const QByteArray &head, QIODevice &in, QString *error, const BmpReadOptions &options);
Bitmap readBmp(QIODevice &in, QString *error, qint64 maxPixels = kMaxImagePixels);

// The same, for a reader that has already taken the image's first bytes off
// the device: head holds them, the rest follows on in.
Bitmap readBmp(const QByteArray &head, QIODevice &in, QString *error,
               qint64 maxPixels = kMaxImagePixels);

// Reads and checks the headers as readBmp does and skips the pixel bytes,
// RLE data included, consuming the same bytes without decoding or holding
// any pixel: it fails where readBmp would, but for want of memory.
bool readBmpInfo(const QByteArray &head, QIODevice &in, BmpInfo *info, QString *error,
                 const BmpReadOptions &options = {});

// Writes one complete BMP file image (BITMAPINFOHEADER, BI_RGB, bottom-up) at
// the bitmap's depth and with its colour table. An image whose format does
// not match its depth is written at the depth its format implies; a 4-bit
// bitmap whose indices do not fit in 4 bits is written at 8. A 16-bit
// bitmap is packed back to 5-5-5 as round(v x 31 / 255).
bool writeBmp(QIODevice &out, const Bitmap &bitmap, QString *error = nullptr);

// Writes a picture as a 24-bit BMP file image, bottom-up, asking for its
// bands from the bottom and holding one at a time. The resolution is the
// first band's. The same bytes as writeBmp of the picture at 24 bits.
bool writeBmp24(QIODevice &out, PictureRows &picture, QString *error = nullptr);

} // namespace zel
