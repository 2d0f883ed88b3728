#pragma once

#include "JpegCodec.h"
#include "scene/Bitmap.h"

#include <QImage>
#include <QString>

namespace zel {

enum class PictureKind { Unknown, Bmp, Jpeg };

// The kind of a picture file by its name: the extension from the last "."
// after the last "/", dot included, ASCII letters upper-cased, compared with
// ".BMP", ".JPG" and ".JPEG".
// The extension as the program compares it: from the last "." after the
// last "/", dot included, ASCII letters upper-cased; empty when none.
QString pictureExtension(const QString &path);

PictureKind pictureKindOf(const QString &path);

// Reads a BMP or JPEG file by its kind. Unknown kinds, unreadable files and
// invalid pictures give a null Bitmap and *error.
Bitmap readPictureFile(const QString &path, const JpegDecodeOptions &options, QString *error);

// Writes the picture as a 24-bit BMP or a JPEG (quality 90, baseline) by the
// name's kind. The file is replaced only once the new one is complete. An
// unknown kind writes nothing and counts as success.
bool writePictureFile(const QString &path, const QImage &picture, QString *error);

// Writes the picture as a PNG file, replaced the same way.
bool writePngFile(const QString &path, const QImage &picture, QString *error);

} // namespace zel
