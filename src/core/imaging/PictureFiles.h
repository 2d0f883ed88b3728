#pragma once

#include "JpegCodec.h"
#include "pixels/Bitmap.h"

#include <QImage>
#include <QString>

namespace zel {

enum class PictureKind { Unknown, Bmp, Jpeg, Png };

// Why a picture file could not be read.
enum class PictureFailure { None, UnknownKind, Open, Invalid };

// The extension as the program compares it: from the last "." after the
// last "/", dot included, ASCII letters upper-cased; empty when none.
QString pictureExtension(const QString &path);

// The kind of a picture file by that extension: ".BMP", ".JPG" and ".JPEG",
// ".PNG".
PictureKind pictureKindOf(const QString &path);

// Reads a BMP, JPEG or PNG file by its kind. Unknown kinds, unreadable files
// and invalid pictures give a null Bitmap, *error and *failure. A PNG with
// alpha is blended over white.
Bitmap readPictureFile(const QString &path, const JpegDecodeOptions &options, QString *error,
                       PictureFailure *failure = nullptr);

// Writes the picture as a 24-bit BMP, a JPEG (quality 90, baseline) or a
// PNG by the name's kind. The file is replaced only once the new one is
// complete. An unknown kind writes nothing and counts as success.
bool writePictureFile(const QString &path, const QImage &picture, QString *error);

} // namespace zel
