#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace zel {

// How a stored picture is turned to stand upright, numbered as the EXIF
// Orientation tag numbers them.
enum class Orientation {
    Upright = 1,
    MirrorHorizontal = 2,
    Rotate180 = 3,
    MirrorVertical = 4,
    Transpose = 5,  // mirror along the top-left to bottom-right diagonal
    Rotate90 = 6,   // clockwise
    Transverse = 7, // mirror along the top-right to bottom-left diagonal
    Rotate270 = 8,  // clockwise
};

// The tag's value as an orientation; Upright for anything but 1 to 8.
Orientation orientationFromTag(int value);

// Orientations 5 to 8 turn the picture a quarter: width and height swap.
constexpr bool swapsAxes(Orientation o) { return int(o) >= 5; }

QSize uprightSize(QSize stored, Orientation o);

// Takes a stored picture row by row from the top and lays every row where it
// belongs in the upright picture, so that a decoder never holds the stored
// picture whole. Rows that stay rows are written straight into their place
// (and mirrored there); rows that become columns are gathered into a band
// and transposed into the picture a band at a time, tile by tile, so that
// both sides stay in the cache.
class UprightRows
{
public:
    // upright: uprightSize(stored, o) pixels of 1 or 3 bytes (Indexed8,
    // Grayscale8, BGR888, RGB888), uninitialised; every pixel is written
    // once all stored rows are in.
    UprightRows(QImage &upright, Orientation o, QSize stored);

    // Where stored row y is to be written: width() * bytes per pixel.
    uchar *row(int y);
    // Stored row y has been written; rows come in order from the top.
    void rowDone(int y);

    // Rows given out for one band: a decoder may fill up to this many before
    // telling them done.
    int bandHeight() const { return m_bandHeight; }

private:
    void flushBand(int count);

    QImage &m_upright;
    Orientation m_orientation;
    QSize m_stored;
    int m_bytesPerPixel;
    int m_bandHeight = 1;
    int m_bandTop = 0;
    qsizetype m_bandStride = 0;
    std::vector<uchar> m_band; // only for orientations that swap the axes
};

} // namespace zel
