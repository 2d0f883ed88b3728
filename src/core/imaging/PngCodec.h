#pragma once

#include "pixels/Bitmap.h"
#include "pixels/ImageLimits.h"
#include "pixels/PictureRows.h"

#include <QIODevice>
#include <QString>

#include <cstddef>

namespace zel {

// What a PNG file may make the reader allocate, set before libpng reads a
// byte. No chunk but IDAT (which is streamed) may be larger than this, so a
// text chunk that claims 2 GiB is refused unread; at most this many
// ancillary chunks are kept (none are: every chunk but IHDR, PLTE, tRNS,
// IDAT and IEND is skipped); rows are at most this many pixels wide.
constexpr std::size_t kPngMaxChunkBytes = std::size_t(8) << 20;
constexpr unsigned kPngMaxCachedChunks = 128;
constexpr qint64 kPngMaxWidth = qint64(1) << 20;

// Decodes a whole PNG file from the device with libpng, every colour type
// and bit depth, interlaced or not. Samples are taken as they are stored:
// gamma, colour profiles and the background chunk are ignored, as browsers
// do. 16-bit samples become round(v x 255 / 65535). Alpha and the
// transparent colour (tRNS, a match being alpha 0) are laid over white as
// round((a x c + (max - a) x max) / max) at the sample depth, before the
// scaling to 8 bits.
//
// Held as: palette files -> Mono (1 bit) or Indexed8 (depth 4 or 8) with
// the palette laid over white; grayscale files, with or without alpha ->
// a palette of grays, Mono for 1 bit, Indexed8 of 4 or 16 grays (depth 4)
// for 2 and 4 bits, of 256 grays (depth 8) for 8 and 16; colour files ->
// BGR888 (depth 24). Pictures of more than maxPixels pixels, or wider than
// kPngMaxWidth, are refused before anything is allocated, and so is one
// whose file is too short to hold its pixels at deflate's best ratio.
// Failures give a null Bitmap and *error in plain words ("PNG: not a PNG
// file", "PNG: file cut short", ...).
Bitmap decodePng(QIODevice &in, qint64 maxPixels, QString *error);

// Writes the picture as an 8-bit RGB PNG with libpng, band by band from the
// top, holding one band at a time. A failing device gives "PNG: write
// failed: " and its error text.
bool encodePng(QIODevice &out, PictureRows &picture, QString *error);

} // namespace zel
