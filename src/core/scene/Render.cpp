#include "Render.h"

#include "PartView.h"
#include "Scene.h"
#include "WorkerPool.h"

#include "imaging/ImageAllocation.h"

#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
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

// The pixel formats read directly; anything else is converted to RGB32 first.
enum class Layout { Rgb32, Bgr888, Indexed8, Mono };

enum class Conversion { None, Monochrome, Grayscale };

constexpr QRgb kOpaque = 0xFF000000u;
constexpr QRgb kOpaqueWhite = 0xFFFFFFFFu;

using Palette = std::array<QRgb, 256>;

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

// Brings an image into one of the layouts read directly.
QImage readable(const QImage &image, Layout &layout)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        layout = Layout::Rgb32;
        return image;
    case QImage::Format_BGR888:
        layout = Layout::Bgr888;
        return image;
    case QImage::Format_Indexed8:
        layout = Layout::Indexed8;
        return image;
    case QImage::Format_Mono:
        layout = Layout::Mono;
        return image;
    default:
        layout = Layout::Rgb32;
        return image.convertToFormat(QImage::Format_RGB32);
    }
}

// The colour table as opaque RGB32, already converted when levels are given,
// so that palette pixels are converted by the lookup itself. Indexes beyond
// the table read as black.
Palette paletteOf(const QImage &image, const LevelTable *levels)
{
    Palette palette;
    palette.fill(kOpaque);
    const QList<QRgb> table = image.colorTable();
    for (int i = 0; i < table.size() && i < 256; ++i)
        palette[size_t(i)] = table[i] | kOpaque;
    if (levels)
        for (QRgb &px : palette)
            px = (*levels)[channelSum(px)] | kOpaque;
    return palette;
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

// n pixels of a source row from column first on, as opaque RGB32; palette
// formats through the (converted) palette.
void readRow(Layout layout, const Palette &palette, const uchar *line, int first, int n,
             QRgb *out)
{
    switch (layout) {
    case Layout::Rgb32: {
        const QRgb *src = reinterpret_cast<const QRgb *>(line) + first;
        for (int i = 0; i < n; ++i)
            out[i] = src[i] | kOpaque;
        return;
    }
    case Layout::Bgr888: {
        const uchar *p = line + 3 * first;
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
        return;
    }
    case Layout::Indexed8:
        for (int i = 0; i < n; ++i)
            out[i] = palette[line[first + i]];
        return;
    case Layout::Mono:
        for (int i = 0; i < n; ++i) {
            const int x = first + i;
            out[i] = palette[(line[x >> 3] >> (7 - (x & 7))) & 1];
        }
        return;
    }
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

// White pixels of a transparent part leave the canvas as it is.
ZEL_WIDE_LOOPS void compositeRow(QRgb *out, const QRgb *row, int n, bool transparent)
{
    if (transparent) {
        for (int i = 0; i < n; ++i)
            out[i] = row[i] == kOpaqueWhite ? out[i] : row[i];
    } else {
        std::memcpy(out, row, size_t(n) * sizeof(QRgb));
    }
}

// sampled[i] := row[xmap[i]]. Kept apart from compositing, which then runs
// several pixels at once.
ZEL_WIDE_LOOPS void sampleRow(QRgb *__restrict sampled, const QRgb *__restrict row,
                              const int *__restrict xmap, int n)
{
    for (int i = 0; i < n; ++i)
        sampled[i] = row[xmap[i]];
}

// One part ready to be drawn: what does not depend on which rows are drawn,
// worked out once, so that bands of rows can be drawn apart, in any order and
// at the same time.
struct PreparedDraw {
    QRect dest;
    QRect area; // what is drawn: dest within the canvas and the clip
    QRect sourceRect;
    QImage src; // in a layout read directly
    Layout layout = Layout::Rgb32;
    Palette palette{};
    Conversion perPixel = Conversion::None;
    bool transparent = false;
    bool sameWidth = true; // not stretched sideways: read just the columns drawn
    int readFirst = 0;
    int readCount = 0;
    std::vector<int> xmap; // when stretched: the source column of each drawn one
};

// False when nothing would be drawn.
bool prepareDraw(PreparedDraw &d, const QRect &canvasRect, const QRect &dest, const QImage &source,
                 const QRect &sourceRect, Conversion conversion, bool transparent, const QRect &clip)
{
    if (source.isNull() || dest.isEmpty() || sourceRect.isEmpty())
        return false;
    Q_ASSERT(source.rect().contains(sourceRect));
    d.area = dest & canvasRect;
    if (!clip.isNull())
        d.area &= clip;
    if (d.area.isEmpty())
        return false;
    d.dest = dest;
    d.sourceRect = sourceRect;
    d.transparent = transparent;
    d.src = readable(source, d.layout);
    const bool indexed = d.layout == Layout::Indexed8 || d.layout == Layout::Mono;
    if (indexed)
        d.palette = paletteOf(d.src, tableOf(conversion));
    d.perPixel = indexed ? Conversion::None : conversion;

    const int width = d.area.width();
    d.sameWidth = dest.width() == sourceRect.width();
    d.readFirst = d.sameWidth ? sourceRect.x() + (d.area.x() - dest.x()) : sourceRect.x();
    d.readCount = d.sameWidth ? width : sourceRect.width();
    if (!d.sameWidth) {
        d.xmap.resize(size_t(width));
        for (int i = 0; i < width; ++i)
            d.xmap[size_t(i)] = scaledIndex(d.area.x() + i - dest.x(), dest.width(), sourceRect.width());
    }
    return true;
}

// Draws the part's rows from top to bottom - 1 (canvas coordinates) onto an
// RGB32 canvas given by its first row and its bytes per line. Every drawn
// pixel is one converted source pixel, so converting rows as they are read
// gives exactly the pixels of converting the whole source first, without a
// working copy.
void drawRows(uchar *canvas, qsizetype bytesPerLine, const PreparedDraw &d, int top, int bottom)
{
    top = std::max(top, d.area.top());
    bottom = std::min(bottom, d.area.bottom() + 1);
    if (top >= bottom)
        return;
    const int width = d.area.width();
    std::vector<QRgb> read(static_cast<size_t>(d.readCount));
    std::vector<QRgb> sampled(d.sameWidth ? 0 : size_t(width));
    // Rows drawn from the same source row (when stretching) are read once.
    int rowRead = -1;
    for (int y = top; y < bottom; ++y) {
        const int sy = d.sourceRect.y()
                       + scaledIndex(y - d.dest.y(), d.dest.height(), d.sourceRect.height());
        if (sy != rowRead) {
            readRow(d.layout, d.palette, d.src.constScanLine(sy), d.readFirst, d.readCount, read.data());
            applyConversion(d.perPixel, read.data(), d.readCount);
            if (!d.sameWidth)
                sampleRow(sampled.data(), read.data(), d.xmap.data(), width);
            rowRead = sy;
        }
        compositeRow(reinterpret_cast<QRgb *>(canvas + y * bytesPerLine) + d.area.x(),
                     d.sameWidth ? read.data() : sampled.data(), width, d.transparent);
    }
}

// Draws sourceRect of source, converted, stretched over dest with
// nearest-neighbour sampling.
void drawScaled(QImage &canvas, const QRect &dest, const QImage &source,
                const QRect &sourceRect, Conversion conversion, bool transparent,
                const QRect &clip)
{
    if (canvas.isNull())
        return;
    Q_ASSERT(canvas.depth() == 32);
    PreparedDraw d;
    if (!prepareDraw(d, canvas.rect(), dest, source, sourceRect, conversion, transparent, clip))
        return;
    drawRows(canvas.bits(), canvas.bytesPerLine(), d, d.area.top(), d.area.bottom() + 1);
}

// dest := a BGR888 copy of source with every pixel replaced by its level.
void convert(QImage &dest, const QImage &source, Conversion conversion)
{
    if (source.isNull())
        return;
    const LevelTable &level = *tableOf(conversion);
    Layout layout;
    const QImage working = readable(source, layout);
    const int width = working.width();
    QImage result(width, working.height(), QImage::Format_BGR888);
    if (result.isNull())
        return;

    if (layout == Layout::Bgr888) {
        // Four pixels at a time: three words in, three words out.
        for (int y = 0; y < working.height(); ++y) {
            const uchar *p = working.constScanLine(y);
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
        // Palettes are converted once; true colours pixel by pixel.
        const bool indexed = layout == Layout::Indexed8 || layout == Layout::Mono;
        const Palette palette = indexed ? paletteOf(working, &level) : Palette{};
        std::vector<QRgb> row(static_cast<size_t>(width));
        for (int y = 0; y < working.height(); ++y) {
            readRow(layout, palette, working.constScanLine(y), 0, width, row.data());
            if (!indexed)
                applyConversion(conversion, row.data(), width);
            uchar *q = result.scanLine(y);
            for (int x = 0; x < width; ++x, q += 3)
                q[0] = q[1] = q[2] = uchar(row[size_t(x)]);
        }
    }
    dest = result;
}

Conversion conversionOf(bool monochrome, bool grayscale)
{
    // Monochrome takes precedence over grayscale.
    if (monochrome)
        return Conversion::Monochrome;
    return grayscale ? Conversion::Grayscale : Conversion::None;
}

} // namespace

void blitScaled(QImage &canvas, const QRect &dest, const QImage &source,
                const QRect &sourceRect, bool transparent, const QRect &clip)
{
    drawScaled(canvas, dest, source, sourceRect, Conversion::None, transparent, clip);
}

void MakeMonochrome(QImage &dest, const QImage &source)
{
    convert(dest, source, Conversion::Monochrome);
}

void MakeGrayscale(QImage &dest, const QImage &source)
{
    convert(dest, source, Conversion::Grayscale);
}

void RenderPart(QImage &canvas, const QRect &rect, const QImage &source,
                bool monochrome, bool grayscale, bool transparent)
{
    if (source.isNull() || rect.isEmpty())
        return;
    drawScaled(canvas, rect, source, source.rect(), conversionOf(monochrome, grayscale),
               transparent, QRect());
}

void RefreshPartImage(PartView &image, const QRect &rect, const QImage &source,
                      bool monochrome, bool grayscale)
{
    if (!image.isPainted())
        return;
    RenderPart(image.bitmapForPainting(), rect, source, monochrome, grayscale, false);
    image.bitmapChanged();
}

int renderBandsFor(const QSize &size)
{
    // Below this, starting the helpers would cost more than they save.
    constexpr qint64 kThreadedPixels = qint64(1) << 18;
    if (qint64(size.width()) * size.height() < kThreadedPixels || workerCount() < 2)
        return 1;
    // A few bands per worker, so that one band with many parts on it does
    // not keep the others waiting.
    return 4 * workerCount();
}

QImage RenderScene(const Scene &scene)
{
    return RenderScene(scene, renderBandsFor(scene.backgroundSize()));
}

QImage RenderScene(const Scene &scene, int bands)
{
    const QSize size = scene.backgroundSize();
    const int width = qMax(size.width(), 0);
    const int height = qMax(size.height(), 0);
    QImage picture = allocateImage(width, height, QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    const QRect canvasRect = picture.rect();
    std::vector<PreparedDraw> parts; // bottom first
    parts.reserve(size_t(scene.count()));
    for (int i = scene.count() - 1; i >= 0; --i) {
        const ScenePart &part = scene.part(i);
        PreparedDraw d;
        if (prepareDraw(d, canvasRect, part.Image->bounds(), part.Source.image, part.Source.image.rect(),
                        conversionOf(part.Monochrome != 0, part.Grayscale != 0),
                        part.Transparent != 0, QRect()))
            parts.push_back(std::move(d));
    }

    // Each band of rows is the background and every part clipped to it, so
    // bands can be drawn in any order, on any thread, with the same pixels.
    uchar *bits = picture.bits();
    const qsizetype bytesPerLine = picture.bytesPerLine();
    const QRgb background = toQRgb(scene.backgroundColour());
    bands = std::clamp(bands, 1, std::max(height, 1));
    const auto drawBand = [&](int band) {
        const int top = int(qint64(height) * band / bands);
        const int bottom = int(qint64(height) * (band + 1) / bands);
        for (int y = top; y < bottom; ++y) {
            QRgb *line = reinterpret_cast<QRgb *>(bits + y * bytesPerLine);
            std::fill(line, line + width, background);
        }
        for (const PreparedDraw &d : parts)
            drawRows(bits, bytesPerLine, d, top, bottom);
    };
    if (bands == 1)
        drawBand(0);
    else
        runInPieces(bands, drawBand);
    return picture;
}

PictureComposer::PictureComposer(const QSize &backgroundSize, Colour background)
    : m_picture(allocateImage(qMax(backgroundSize.width(), 0), qMax(backgroundSize.height(), 0),
                              QImage::Format_RGB32))
    , m_background(toQRgb(background))
{
    if (m_picture.isNull())
        return;
    m_bits = m_picture.bits();
    m_bytesPerLine = m_picture.bytesPerLine();
    m_filled.assign(size_t(m_picture.height()), false);
}

PictureComposer::~PictureComposer() = default;

// Rows get their background just before the first part is drawn on them,
// and the rest at the end: a document that turns out to be cut short has
// by then touched no more of the picture than its parts cover.
void PictureComposer::fillRows(int top, int bottom)
{
    for (int y = top; y < bottom; ++y) {
        if (m_filled[size_t(y)])
            continue;
        QRgb *line = reinterpret_cast<QRgb *>(m_bits + y * m_bytesPerLine);
        std::fill(line, line + m_picture.width(), m_background);
        m_filled[size_t(y)] = true;
    }
}

void PictureComposer::add(const QRect &rect, const QImage &source, bool monochrome,
                          bool grayscale, bool transparent)
{
    if (m_picture.isNull())
        return;
    auto draw = std::make_shared<PreparedDraw>();
    if (!prepareDraw(*draw, m_picture.rect(), rect, source, source.rect(),
                     conversionOf(monochrome, grayscale), transparent, QRect()))
        return;
    m_drawing.reset(); // parts overlap: the one before must be finished
    m_drawing = std::make_unique<BackgroundTask>([this, draw] {
        fillRows(draw->area.top(), draw->area.bottom() + 1);
        drawRows(m_bits, m_bytesPerLine, *draw, draw->area.top(), draw->area.bottom() + 1);
    });
}

QImage PictureComposer::picture()
{
    m_drawing.reset();
    if (!m_picture.isNull())
        fillRows(0, m_picture.height());
    return m_picture;
}

} // namespace zel
