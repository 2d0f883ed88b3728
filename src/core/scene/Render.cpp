#include "Render.h"

#include "PartView.h"
#include "Scene.h"
#include "WorkerPool.h"

#include "pixels/ImageAllocation.h"

#include "pixels/PixelKernels.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace zel {

namespace {

// One part ready to be drawn: what does not depend on which rows are drawn,
// worked out once, so that bands of rows can be drawn apart, in any order and
// at the same time.
struct PreparedDraw {
    QRect dest;
    QRect area; // what is drawn: dest within the canvas and the clip
    QRect sourceRect;
    RowReader src;
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
    d.src = RowReader(source, conversion);

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
            d.src.read(sy, d.readFirst, d.readCount, read.data());
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

} // namespace

void blitScaled(QImage &canvas, const QRect &dest, const QImage &source,
                const QRect &sourceRect, bool transparent, const QRect &clip)
{
    drawScaled(canvas, dest, source, sourceRect, Conversion::None, transparent, clip);
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
