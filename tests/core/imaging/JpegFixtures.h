#pragma once

// JPEG files for decoder tests, made with libjpeg directly so that the
// decoder is checked against files it did not write itself.

#include <QByteArray>
#include <QImage>

enum class JpegFixture { Colour, Gray, Progressive, CmykAdobe };

// Compresses picture (any format; taken as RGB) into the given kind of file.
// Gray keeps the mean of the three channels; CmykAdobe stores the RGB as
// inverted CMYK with K = 255 (no black ink), as Adobe applications do.
QByteArray makeJpeg(const QImage &picture, JpegFixture kind, int quality);

// The reference encoding: the library's defaults, quality 90 with
// baseline-compatible tables, RGB input, through libjpeg's own memory
// destination.
QByteArray referenceJpeg(const QImage &picture);

// The file with an APP1 segment of the given bytes right after its SOI.
QByteArray withApp1(const QByteArray &jpeg, const QByteArray &payload);

// An EXIF block (from "Exif\0\0" on) holding only the Orientation tag in
// its primary directory, made by libexif in either byte order.
QByteArray exifBlock(int orientation, bool bigEndian = false);

// The file tagged with an EXIF Orientation.
QByteArray withOrientation(const QByteArray &jpeg, int orientation, bool bigEndian = false);

// A smooth picture with some edges: every pixel differs from its neighbours
// by a few levels, so a high-quality JPEG stays within a few levels of it.
QImage gradientPicture(int width, int height);
