#pragma once

#include "JpegCodec.h"
#include "pixels/Bitmap.h"
#include "pixels/PictureRows.h"

#include <QImage>
#include <QIODevice>
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

// How the size field (bfSize) of a BMP picture file is taken. Several
// programs write 0 or more than the file holds, and other readers take such
// files: Lenient reads them by their offsets and pixel sizes alone.
enum class BmpFileSize { Lenient, Exact };

// Reads a BMP, JPEG or PNG file by its kind. Unknown kinds, unreadable files
// and invalid pictures give a null Bitmap, *error and *failure. A PNG with
// alpha or a transparent colour is laid over white.
Bitmap readPictureFile(const QString &path, const JpegDecodeOptions &options, QString *error,
                       PictureFailure *failure = nullptr, BmpFileSize bmpSize = BmpFileSize::Lenient);

// Writes the picture to out as a 24-bit BMP, a JPEG (quality 90, baseline)
// or a PNG (8-bit RGB), asking for it band by band: a BMP from the bottom, a
// JPEG or PNG from the top, holding one band at a time. A failing device
// gives the writer's words with its error text; an unknown kind writes
// nothing and fails.
bool writePicture(QIODevice &out, PictureKind kind, PictureRows &rows, QString *error);

// Writes the picture as writePicture does by the name's kind. The file is
// replaced only once the new one is complete. An unknown kind writes
// nothing and counts as success.
bool writePictureFile(const QString &path, PictureRows &rows, QString *error);
// The same with the kind given, whatever the name's extension says.
bool writePictureFile(const QString &path, PictureKind kind, PictureRows &rows, QString *error);
// The same for a whole picture.
bool writePictureFile(const QString &path, const QImage &picture, QString *error);

} // namespace zel
