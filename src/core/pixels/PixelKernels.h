#pragma once

#include <QImage>
#include <QtGlobal>

#include <array>

namespace zel {

// The pure per-pixel work of drawing a part: reading a source row in any of
// the formats sources come in, the monochrome and grayscale levels, nearest-
// neighbour sampling and laying a row over another with white see-through.
// Nothing here knows about scenes, parts or views.

enum class Conversion { None, Monochrome, Grayscale };

// Monochrome takes precedence over grayscale.
constexpr Conversion conversionOf(bool monochrome, bool grayscale)
{
    return monochrome ? Conversion::Monochrome
                      : grayscale ? Conversion::Grayscale : Conversion::None;
}

constexpr QRgb kOpaque = 0xFF000000u;
constexpr QRgb kOpaqueWhite = 0xFFFFFFFFu;

// Nearest-neighbour index: the source index (0..srcLen-1) whose pixel covers
// destination index d when srcLen pixels are stretched over destLen.
inline int scaledIndex(int d, int destLen, int srcLen)
{
    return int(((2 * qint64(d) + 1) * srcLen) / (2 * qint64(destLen)));
}

// A source made ready to be read row by row as opaque RGB32, converted on
// the way: palettes are converted once, true colours pixel by pixel. Every
// read pixel is one converted source pixel, so reading rows gives exactly
// the pixels of converting the whole source first, without a working copy.
class RowReader
{
public:
    RowReader() = default;
    RowReader(const QImage &source, Conversion conversion);

    bool isNull() const { return m_source.isNull(); }
    int width() const { return m_source.width(); }
    int height() const { return m_source.height(); }

    // n pixels of row y from column first on.
    void read(int y, int first, int n, QRgb *out) const;

private:
    enum class Layout { Rgb32, Bgr888, Indexed8, Mono };
    QImage m_source; // in a layout read directly
    Layout m_layout = Layout::Rgb32;
    std::array<QRgb, 256> m_palette{};
    Conversion m_perPixel = Conversion::None;
};

// sampled[i] := row[map[i]].
void sampleRow(QRgb *sampled, const QRgb *row, const int *map, int n);

// Lays n pixels over out; with transparent set, pixels that are exactly
// white leave out as it is.
void compositeRow(QRgb *out, const QRgb *row, int n, bool transparent);

// dest becomes a 24-bit (BGR888) black-and-white copy of source: white exactly
// where blue + green + red >= 386. Does nothing when source is null.
void MakeMonochrome(QImage &dest, const QImage &source);

// dest becomes a 24-bit (BGR888) gray copy of source, level (b + g + r) / 3.
void MakeGrayscale(QImage &dest, const QImage &source);

} // namespace zel
