#include "pixels/PixelKernels.h"

#include <QtEndian>

#include <cstring>
#include <vector>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define ZEL_BGR888_SSSE3 1
// Loops the compiler vectorizes by itself, built twice: for AVX2 when the
// processor has it, and for the baseline instruction set.
#define ZEL_WIDE_LOOPS __attribute__((target_clones("avx2", "default")))
#else
#define ZEL_WIDE_LOOPS
#endif

namespace zel {

namespace {

// Levels by channel sum b + g + r (0..765), the level repeated in all four
// bytes: the low three make a BGR888 pixel, OR-ing kOpaque an RGB32 one.
using LevelTable = std::array<quint32, 766>;

struct Levels {
    LevelTable monochrome;
    LevelTable grayscale;
    Levels()
    {
        for (int s = 0; s < 766; ++s) {
            const int level = (s * 10000) / 31875;
            monochrome[size_t(s)] = level > 120 ? 0xFFFFFFFFu : 0u;
            grayscale[size_t(s)] = quint32(s / 3) * 0x01010101u;
        }
    }
};

const Levels &levels()
{
    static const Levels table;
    return table;
}

const LevelTable *tableOf(Conversion conversion)
{
    switch (conversion) {
    case Conversion::Monochrome: return &levels().monochrome;
    case Conversion::Grayscale: return &levels().grayscale;
    case Conversion::None: break;
    }
    return nullptr;
}

inline quint32 channelSum(QRgb px)
{
    return (px & 0xFF) + ((px >> 8) & 0xFF) + ((px >> 16) & 0xFF);
}

inline quint32 load32(const uchar *p)
{
    return qFromLittleEndian<quint32>(p);
}

inline void store32(uchar *p, quint32 v)
{
    qToLittleEndian<quint32>(v, p);
}

#ifdef ZEL_BGR888_SSSE3
// Four BGR888 pixels from each 16-byte load, while 16 bytes remain within
// the n pixels; returns how many pixels it did.
__attribute__((target("ssse3"))) int readBgr888Ssse3(const uchar *p, int n, QRgb *out)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(int(kOpaque));
    int i = 0;
    for (; i + 6 <= n; i += 4, p += 12) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i),
                         _mm_or_si128(_mm_shuffle_epi8(v, spread), alpha));
    }
    return i;
}

bool haveSsse3()
{
    static const bool yes = __builtin_cpu_supports("ssse3");
    return yes;
}
#endif

void readBgr888(const uchar *p, int n, QRgb *out)
{
    int i = 0;
#ifdef ZEL_BGR888_SSSE3
    if (haveSsse3()) {
        i = readBgr888Ssse3(p, n, out);
        p += 3 * i;
    }
#endif
    // Four pixels from three little-endian words.
    for (; i + 4 <= n; i += 4, p += 12) {
        const quint32 a = load32(p), b = load32(p + 4), c = load32(p + 8);
        out[i] = kOpaque | a;
        out[i + 1] = kOpaque | (a >> 24) | (b << 8);
        out[i + 2] = kOpaque | (b >> 16) | (c << 16);
        out[i + 3] = kOpaque | (c >> 8);
    }
    for (; i < n; ++i, p += 3)
        out[i] = kOpaque | p[0] | (quint32(p[1]) << 8) | (quint32(p[2]) << 16);
}

// The levels computed rather than looked up, so that the compiler can do
// several pixels at once; the same levels as the tables.
ZEL_WIDE_LOOPS void applyConversion(Conversion conversion, QRgb *px, int n)
{
    if (conversion == Conversion::Monochrome) {
        for (int i = 0; i < n; ++i)
            px[i] = channelSum(px[i]) >= 386 ? kOpaqueWhite : kOpaque;
    } else if (conversion == Conversion::Grayscale) {
        for (int i = 0; i < n; ++i) {
            const quint32 v = channelSum(px[i]) / 3;
            px[i] = kOpaque | v | (v << 8) | (v << 16);
        }
    }
}

} // namespace

RowReader::RowReader(const QImage &source, Conversion conversion)
{
    switch (source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        m_layout = Layout::Rgb32;
        m_source = source;
        break;
    case QImage::Format_BGR888:
        m_layout = Layout::Bgr888;
        m_source = source;
        break;
    case QImage::Format_Indexed8:
        m_layout = Layout::Indexed8;
        m_source = source;
        break;
    case QImage::Format_Mono:
        m_layout = Layout::Mono;
        m_source = source;
        break;
    default:
        m_layout = Layout::Rgb32;
        m_source = source.convertToFormat(QImage::Format_RGB32);
        break;
    }
    const bool indexed = m_layout == Layout::Indexed8 || m_layout == Layout::Mono;
    m_perPixel = indexed ? Conversion::None : conversion;
    if (!indexed)
        return;
    // The colour table as opaque RGB32, already converted, so that palette
    // pixels are converted by the lookup itself. Indexes beyond the table
    // read as black.
    m_palette.fill(kOpaque);
    const QList<QRgb> table = m_source.colorTable();
    for (int i = 0; i < table.size() && i < 256; ++i)
        m_palette[size_t(i)] = table[i] | kOpaque;
    if (const LevelTable *level = tableOf(conversion))
        for (QRgb &px : m_palette)
            px = (*level)[channelSum(px)] | kOpaque;
}

void RowReader::read(int y, int first, int n, QRgb *out) const
{
    const uchar *line = m_source.constScanLine(y);
    switch (m_layout) {
    case Layout::Rgb32: {
        const QRgb *src = reinterpret_cast<const QRgb *>(line) + first;
        for (int i = 0; i < n; ++i)
            out[i] = src[i] | kOpaque;
        break;
    }
    case Layout::Bgr888:
        readBgr888(line + 3 * first, n, out);
        break;
    case Layout::Indexed8:
        for (int i = 0; i < n; ++i)
            out[i] = m_palette[line[first + i]];
        return;
    case Layout::Mono:
        for (int i = 0; i < n; ++i) {
            const int x = first + i;
            out[i] = m_palette[(line[x >> 3] >> (7 - (x & 7))) & 1];
        }
        return;
    }
    applyConversion(m_perPixel, out, n);
}

// Kept apart from compositing, which then runs several pixels at once.
ZEL_WIDE_LOOPS void sampleRow(QRgb *__restrict sampled, const QRgb *__restrict row,
                              const int *__restrict map, int n)
{
    for (int i = 0; i < n; ++i)
        sampled[i] = row[map[i]];
}

ZEL_WIDE_LOOPS void compositeRow(QRgb *out, const QRgb *row, int n, bool transparent)
{
    if (transparent) {
        for (int i = 0; i < n; ++i)
            out[i] = row[i] == kOpaqueWhite ? out[i] : row[i];
    } else {
        std::memcpy(out, row, size_t(n) * sizeof(QRgb));
    }
}

namespace {

// dest := a BGR888 copy of source with every pixel replaced by its level.
void convert(QImage &dest, const QImage &source, Conversion conversion)
{
    if (source.isNull())
        return;
    const LevelTable &level = *tableOf(conversion);
    const int width = source.width();
    QImage result(width, source.height(), QImage::Format_BGR888);
    if (result.isNull())
        return;

    if (source.format() == QImage::Format_BGR888) {
        // Four pixels at a time: three words in, three words out.
        for (int y = 0; y < source.height(); ++y) {
            const uchar *p = source.constScanLine(y);
            uchar *q = result.scanLine(y);
            int x = 0;
            for (; x + 4 <= width; x += 4, p += 12, q += 12) {
                const quint32 a = load32(p), b = load32(p + 4), c = load32(p + 8);
                const quint32 v0 = level[(a & 0xFF) + ((a >> 8) & 0xFF) + ((a >> 16) & 0xFF)];
                const quint32 v1 = level[(a >> 24) + (b & 0xFF) + ((b >> 8) & 0xFF)];
                const quint32 v2 = level[((b >> 16) & 0xFF) + (b >> 24) + (c & 0xFF)];
                const quint32 v3 = level[((c >> 8) & 0xFF) + ((c >> 16) & 0xFF) + (c >> 24)];
                store32(q, (v0 & 0x00FFFFFFu) | (v1 & 0xFF000000u));
                store32(q + 4, (v1 & 0x0000FFFFu) | (v2 & 0xFFFF0000u));
                store32(q + 8, (v2 & 0x000000FFu) | (v3 & 0xFFFFFF00u));
            }
            for (; x < width; ++x, p += 3, q += 3)
                q[0] = q[1] = q[2] = uchar(level[size_t(p[0] + p[1] + p[2])]);
        }
    } else {
        const RowReader reader(source, conversion);
        std::vector<QRgb> row(static_cast<size_t>(width));
        for (int y = 0; y < source.height(); ++y) {
            reader.read(y, 0, width, row.data());
            uchar *q = result.scanLine(y);
            for (int x = 0; x < width; ++x, q += 3)
                q[0] = q[1] = q[2] = uchar(row[size_t(x)]);
        }
    }
    dest = result;
}

} // namespace

void MakeMonochrome(QImage &dest, const QImage &source)
{
    convert(dest, source, Conversion::Monochrome);
}

void MakeGrayscale(QImage &dest, const QImage &source)
{
    convert(dest, source, Conversion::Grayscale);
}

} // namespace zel
