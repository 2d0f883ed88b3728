#include "pixels/Orientation.h"

#include <algorithm>
#include <cstring>

namespace zel {

namespace {

// Stored rows gathered before they are transposed: each upright row then
// gets kBandRows pixels at a time, a few whole cache lines.
constexpr int kBandRows = 32;
// Columns of the band taken together: the tile read (kBandRows rows of
// kTileColumns pixels) and the rows written stay in the first-level cache.
constexpr int kTileColumns = 32;

bool flipsRows(Orientation o) // the stored top becomes the bottom or the right
{
    return o == Orientation::Rotate180 || o == Orientation::MirrorVertical
        || o == Orientation::Rotate90 || o == Orientation::Transverse;
}

bool flipsColumns(Orientation o) // the stored left becomes the right or the bottom
{
    return o == Orientation::MirrorHorizontal || o == Orientation::Rotate180
        || o == Orientation::Transverse || o == Orientation::Rotate270;
}

template <int Bytes>
void mirror(uchar *row, int width)
{
    uchar *left = row;
    uchar *right = row + qsizetype(width - 1) * Bytes;
    while (left < right) {
        uchar held[Bytes];
        std::memcpy(held, left, Bytes);
        std::memcpy(left, right, Bytes);
        std::memcpy(right, held, Bytes);
        left += Bytes;
        right -= Bytes;
    }
}

// Stored pixel (x, top + i) of the band goes to upright row x (or its
// mirror), column top + i (or its mirror).
template <int Bytes, bool FlipRows, bool FlipColumns>
void transposeBand(QImage &upright, const uchar *band, qsizetype stride, int top, int count,
                   QSize stored)
{
    uchar *bits = upright.bits();
    const qsizetype bytesPerLine = upright.bytesPerLine();
    const int width = stored.width();
    const int height = stored.height();
    for (int x0 = 0; x0 < width; x0 += kTileColumns) {
        const int x1 = std::min(width, x0 + kTileColumns);
        for (int x = x0; x < x1; ++x) {
            uchar *out = bits + qsizetype(FlipColumns ? width - 1 - x : x) * bytesPerLine;
            const uchar *in = band + qsizetype(x) * Bytes;
            if (FlipRows) { // the band's last row lands first: writes still go forwards
                uchar *to = out + qsizetype(height - top - count) * Bytes;
                in += qsizetype(count - 1) * stride;
                for (int i = 0; i < count; ++i, in -= stride, to += Bytes)
                    std::memcpy(to, in, Bytes);
            } else {
                uchar *to = out + qsizetype(top) * Bytes;
                for (int i = 0; i < count; ++i, in += stride, to += Bytes)
                    std::memcpy(to, in, Bytes);
            }
        }
    }
}

template <int Bytes>
void transposeBand(Orientation o, QImage &upright, const uchar *band, qsizetype stride, int top,
                   int count, QSize stored)
{
    const bool rows = flipsRows(o);
    const bool columns = flipsColumns(o);
    if (rows && columns)
        transposeBand<Bytes, true, true>(upright, band, stride, top, count, stored);
    else if (rows)
        transposeBand<Bytes, true, false>(upright, band, stride, top, count, stored);
    else if (columns)
        transposeBand<Bytes, false, true>(upright, band, stride, top, count, stored);
    else
        transposeBand<Bytes, false, false>(upright, band, stride, top, count, stored);
}

} // namespace

Orientation orientationFromTag(int value)
{
    return value >= 1 && value <= 8 ? Orientation(value) : Orientation::Upright;
}

QSize uprightSize(QSize stored, Orientation o)
{
    return swapsAxes(o) ? stored.transposed() : stored;
}

UprightRows::UprightRows(QImage &upright, Orientation o, QSize stored)
    : m_upright(upright)
    , m_orientation(o)
    , m_stored(stored)
    , m_bytesPerPixel(upright.depth() / 8)
{
    Q_ASSERT(upright.size() == uprightSize(stored, o));
    Q_ASSERT(m_bytesPerPixel == 1 || m_bytesPerPixel == 3);
    if (swapsAxes(o)) {
        m_bandHeight = std::min(kBandRows, std::max(stored.height(), 1));
        m_bandStride = qsizetype(stored.width()) * m_bytesPerPixel;
        m_band.resize(size_t(m_bandStride) * size_t(m_bandHeight));
    } else {
        m_bandHeight = kBandRows; // rows go straight to their place: any number
    }
}

uchar *UprightRows::row(int y)
{
    if (swapsAxes(m_orientation))
        return m_band.data() + qsizetype(y - m_bandTop) * m_bandStride;
    return m_upright.scanLine(flipsRows(m_orientation) ? m_stored.height() - 1 - y : y);
}

void UprightRows::rowDone(int y)
{
    if (!swapsAxes(m_orientation)) {
        if (flipsColumns(m_orientation)) {
            uchar *line = row(y);
            if (m_bytesPerPixel == 3)
                mirror<3>(line, m_stored.width());
            else
                mirror<1>(line, m_stored.width());
        }
        return;
    }
    const int count = y + 1 - m_bandTop;
    if (count == m_bandHeight || y + 1 == m_stored.height()) {
        flushBand(count);
        m_bandTop = y + 1;
    }
}

void UprightRows::flushBand(int count)
{
    if (m_bytesPerPixel == 3)
        transposeBand<3>(m_orientation, m_upright, m_band.data(), m_bandStride, m_bandTop, count,
                         m_stored);
    else
        transposeBand<1>(m_orientation, m_upright, m_band.data(), m_bandStride, m_bandTop, count,
                         m_stored);
}

} // namespace zel
