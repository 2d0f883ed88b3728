#pragma once

#include "pixels/ImageLimits.h"
#include "pixels/Bitmap.h"
#include "pixels/PictureRows.h"

#include <QByteArray>
#include <QImage>
#include <QIODevice>
#include <QString>

namespace zel {

struct JpegDecodeOptions {
    // The display has 8 or fewer bits per pixel (read once at start-up):
    // every picture is then decoded to a palette of at most 236 colours.
    bool paletteDisplay = false;
    // Pictures of more pixels are refused before they are decoded.
    qint64 maxPixels = kMaxImagePixels;
};

// Decodes a whole JPEG file at full size with the accurate DCT and block
// smoothing. Colour files give a 24-bit bitmap (BGR888); single-component
// files, and every file when options.paletteDisplay is set, give an 8-bit
// palette bitmap of at most 236 colours quantised by the library. CMYK files
// are converted to RGB. The bitmap stands upright by the EXIF Orientation
// tag (a missing or broken EXIF block counts as upright), its resolution
// turned with it. Warnings are ignored; a fatal library error gives a
// null Bitmap and *error = "JPEG ｴﾗｰ #N" with the library's message number.
Bitmap decodeJpeg(const QByteArray &data, const JpegDecodeOptions &options, QString *error);

// Encodes a picture as a baseline sequential 3-component JPEG with the
// library's defaults and quality 90, its scanlines band by band from the
// top. Fatal library errors give "JPEG ｴﾗｰ #N" (a picture more than 65500
// pixels high or wide is one); a failing device gives its own error text.
bool encodeJpeg(QIODevice &out, PictureRows &picture, QString *error);
// The same for a whole picture, in any format (brought to RGB32 first).
bool encodeJpeg(QIODevice &out, const QImage &picture, QString *error);

// The text of a fatal library error.
QString jpegErrorText(int messageCode);

// How many libjpeg codec objects are alive right now: 0 whenever no decode
// or encode is running, whatever path the last one took.
int liveJpegCodecs();

} // namespace zel
