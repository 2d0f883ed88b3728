#include "scene/Render.h"

#include "scene/PartView.h"
#include "scene/Scene.h"
#include "scene/WorkerPool.h"

#include "pixels/ImageAllocation.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace zel {

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return -floorDiv(-a, b);
}

constexpr QRgb kSelectedFrame = 0xFF00FFFFu;   // aqua, 0x00FFFF00 as BBGGRR
constexpr QRgb kUnselectedFrame = 0xFF000080u; // navy, 0x00800000 as BBGGRR

const QImage &whiteSource()
{
    static const QImage white = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }();
    return white;
}

// How device pixels along one axis pick source pixels of one part: device
// pixel d shows source index first + floor(((2d + 1) den - 2 start num) *
// length / (2 num extent)), start and extent being the part's place on
// that axis relative to the area's origin.
struct AxisMap {
    qint64 start = 0;
    qint64 extent = 1;
    qint64 first = 0;
    qint64 length = 1;
    RenderScale scale;

    int at(qint64 d) const
    {
        const __int128 offset = __int128(2 * d + 1) * scale.den - __int128(2) * start * scale.num;
        const __int128 index = offset * length / (__int128(2) * scale.num * extent);
        return int(first + std::clamp<__int128>(index, 0, length - 1));
    }
};

// One part made ready to be drawn over a canvas: what does not depend on
// which rows are drawn, worked out once, so that bands of rows can be drawn
// apart, in any order and at the same time. Canvas coordinates.
struct PreparedPart {
    QRect drawn;   // the canvas pixels the part covers, clipped
    qint64 outlineLeft = 0, outlineTop = 0, outlineWidth = 0, outlineHeight = 0;
    PartFrame frame = PartFrame::None;
    RowReader reader;
    bool transparent = false;
    bool direct = false; // columns read straight, one source pixel each
    int readFirst = 0;
    int readCount = 0;
    std::vector<int> xmap; // when not direct: each drawn column's source column - readFirst
    AxisMap rows;
    qint64 canvasTop = 0; // device row of canvas row 0
};

// Places a part over a canvas showing device pixels from (deviceLeft,
// deviceTop) on; clip is the canvas rectangle parts may cover. False when
// nothing of the part (or of its frame) would be drawn.
bool preparePart(PreparedPart &p, const PartDraw &part, const QRect &sourceRect,
                 const RenderScale &scale, const RenderScale &scaleDown, const QPoint &origin,
                 qint64 deviceLeft, qint64 deviceTop, const QRect &clip)
{
    if (part.bounds.isEmpty() || clip.isEmpty())
        return false;
    const QImage &source = part.source.isNull() ? whiteSource() : part.source;
    const QRect from = part.source.isNull() ? source.rect() : sourceRect;
    if (from.isEmpty())
        return false;
    const qint64 left = qint64(part.bounds.x()) - origin.x();
    const qint64 top = qint64(part.bounds.y()) - origin.y();
    const qint64 x0 = scale.deviceAt(left) - deviceLeft;
    qint64 x1 = scale.deviceAt(left + part.bounds.width()) - deviceLeft;
    const qint64 y0 = scaleDown.deviceAt(top) - deviceTop;
    qint64 y1 = scaleDown.deviceAt(top + part.bounds.height()) - deviceTop;
    // A framed part smaller than a device pixel still shows: its frame is
    // where the user sees and finds it.
    if (part.frame != PartFrame::None) {
        x1 = std::max(x1, x0 + 1);
        y1 = std::max(y1, y0 + 1);
    }
    const qint64 cx0 = std::max<qint64>(x0, clip.left());
    const qint64 cx1 = std::min<qint64>(x1, qint64(clip.right()) + 1);
    const qint64 cy0 = std::max<qint64>(y0, clip.top());
    const qint64 cy1 = std::min<qint64>(y1, qint64(clip.bottom()) + 1);
    if (cx0 >= cx1 || cy0 >= cy1)
        return false;
    p.drawn = QRect(int(cx0), int(cy0), int(cx1 - cx0), int(cy1 - cy0));
    p.outlineLeft = x0;
    p.outlineTop = y0;
    p.outlineWidth = x1 - x0;
    p.outlineHeight = y1 - y0;
    p.frame = part.frame;
    p.transparent = part.transparent;
    p.reader = RowReader(source, part.conversion);

    const AxisMap columns{left, part.bounds.width(), from.x(), from.width(), scale};
    p.rows = AxisMap{top, part.bounds.height(), from.y(), from.height(), scaleDown};
    p.canvasTop = deviceTop;
    const int width = p.drawn.width();
    p.direct = scale.isIdentity() && part.bounds.width() == from.width();
    if (p.direct) {
        p.readFirst = columns.at(deviceLeft + p.drawn.x());
        p.readCount = width;
        return true;
    }
    p.xmap.resize(size_t(width));
    for (int i = 0; i < width; ++i)
        p.xmap[size_t(i)] = columns.at(deviceLeft + p.drawn.x() + i);
    // Only the source columns drawn are read.
    p.readFirst = p.xmap.front();
    p.readCount = p.xmap.back() - p.readFirst + 1;
    for (int &x : p.xmap)
        x -= p.readFirst;
    return true;
}

// Where the outline's pattern stands at outline pixel (i, j), running
// clockwise from the top-left corner; -1 off the outline.
qint64 outlineStep(qint64 i, qint64 j, qint64 w, qint64 h)
{
    if (j == 0)
        return i;
    if (i == w - 1)
        return w + j - 1;
    if (j == h - 1)
        return (w + h - 1) + (w - 2 - i);
    if (i == 0)
        return (2 * w + h - 2) + (h - 2 - j);
    return -1;
}

// The frame's pixels in canvas row y: a one-pixel pen whose pattern runs on
// around the corners, dashes of 18 with gaps of 6 or dots of 3 with gaps of
// 3. Gaps leave the pixels beneath as they are.
void drawFrameRow(QRgb *line, const PreparedPart &p, int y)
{
    if (p.frame == PartFrame::None)
        return;
    const bool dashed = p.frame == PartFrame::Selected;
    const qint64 on = dashed ? 18 : 3;
    const qint64 period = dashed ? 24 : 6;
    const QRgb colour = dashed ? kSelectedFrame : kUnselectedFrame;
    const qint64 j = y - p.outlineTop;
    const qint64 w = p.outlineWidth;
    const qint64 h = p.outlineHeight;
    const auto plot = [&](qint64 x) {
        if (x < p.drawn.left() || x > p.drawn.right())
            return;
        const qint64 step = outlineStep(x - p.outlineLeft, j, w, h);
        if (step >= 0 && step % period < on)
            line[x] = colour;
    };
    if (j == 0 || j == h - 1) {
        for (int x = p.drawn.left(); x <= p.drawn.right(); ++x)
            plot(x);
    } else {
        plot(p.outlineLeft);
        if (w > 1)
            plot(p.outlineLeft + w - 1);
    }
}

// Draws the part's canvas rows top .. bottom - 1.
void drawRows(uchar *canvas, qsizetype bytesPerLine, const PreparedPart &p, int top, int bottom)
{
    top = std::max(top, p.drawn.top());
    bottom = std::min(bottom, p.drawn.bottom() + 1);
    if (top >= bottom)
        return;
    const int width = p.drawn.width();
    std::vector<QRgb> read(static_cast<size_t>(p.readCount));
    std::vector<QRgb> sampled(p.direct ? 0 : size_t(width));
    // Rows drawn from the same source row are read once.
    int rowRead = -1;
    for (int y = top; y < bottom; ++y) {
        const int sy = p.rows.at(p.canvasTop + y);
        if (sy != rowRead) {
            p.reader.read(sy, p.readFirst, p.readCount, read.data());
            if (!p.direct)
                sampleRow(sampled.data(), read.data(), p.xmap.data(), width);
            rowRead = sy;
        }
        QRgb *line = reinterpret_cast<QRgb *>(canvas + y * bytesPerLine);
        compositeRow(line + p.drawn.x(), p.direct ? read.data() : sampled.data(), width,
                     p.transparent);
        drawFrameRow(line, p, y);
    }
}

// The picture's parts placed over a canvas, bottom first, with the
// background's extent on it.
struct PreparedPicture {
    QRect background; // canvas pixels of the background, clipped to the canvas
    QRgb colour = 0;
    QRgb outside = 0;
    std::vector<PreparedPart> parts;
};

PreparedPicture preparePicture(const PictureDraws &picture, const RenderArea &area,
                               const QSize &canvasSize, QRgb outside)
{
    PreparedPicture prepared;
    prepared.colour = toQRgb(picture.colour) | kOpaque;
    prepared.outside = outside;
    const RenderScale &scale = area.scale;
    const RenderScale scaleDown = area.down();
    const qint64 left = scale.deviceAt(-qint64(area.origin.x())) - area.device.x();
    const qint64 right = scale.deviceAt(qint64(picture.background.width()) - area.origin.x())
                         - area.device.x();
    const qint64 top = scaleDown.deviceAt(-qint64(area.origin.y())) - area.device.y();
    const qint64 bottom = scaleDown.deviceAt(qint64(picture.background.height()) - area.origin.y())
                          - area.device.y();
    const qint64 x0 = std::max<qint64>(left, 0), x1 = std::min<qint64>(right, canvasSize.width());
    const qint64 y0 = std::max<qint64>(top, 0), y1 = std::min<qint64>(bottom, canvasSize.height());
    if (x0 < x1 && y0 < y1)
        prepared.background = QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
    prepared.parts.reserve(picture.parts.size());
    for (const PartDraw &part : picture.parts) {
        PreparedPart p;
        if (preparePart(p, part, part.source.rect(), scale, scaleDown, area.origin,
                        area.device.x(), area.device.y(), prepared.background))
            prepared.parts.push_back(std::move(p));
    }
    return prepared;
}

void drawBand(uchar *bits, qsizetype bytesPerLine, int width, const PreparedPicture &picture,
              int top, int bottom)
{
    const QRect &bg = picture.background;
    for (int y = top; y < bottom; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(bits + y * bytesPerLine);
        if (bg.isEmpty() || y < bg.top() || y > bg.bottom()) {
            std::fill(line, line + width, picture.outside);
            continue;
        }
        std::fill(line, line + bg.left(), picture.outside);
        std::fill(line + bg.left(), line + bg.right() + 1, picture.colour);
        std::fill(line + bg.right() + 1, line + width, picture.outside);
    }
    for (const PreparedPart &p : picture.parts)
        drawRows(bits, bytesPerLine, p, top, bottom);
}

PartDraw drawOf(const ScenePart &part, PartFrame frame)
{
    return PartDraw{part.Image->bounds(), part.Source.image,
                    conversionOf(part.Monochrome != 0, part.Grayscale != 0),
                    part.Transparent != 0, frame};
}

} // namespace

RenderScale RenderScale::of(qint64 num, qint64 den)
{
    Q_ASSERT(num > 0 && den > 0);
    const qint64 g = std::gcd(num, den);
    return RenderScale{num / g, den / g};
}

qint64 RenderScale::pictureAt(qint64 x) const
{
    return floorDiv((2 * x + 1) * den, 2 * num);
}

qint64 RenderScale::deviceAt(qint64 p) const
{
    return ceilDiv(2 * p * num - den, 2 * den);
}

qint64 RenderScale::deviceNearest(qint64 p) const
{
    return floorDiv((2 * p + 1) * num, 2 * den);
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

void RenderPicture(QImage &canvas, const PictureDraws &picture, const RenderArea &area,
                   QRgb outside)
{
    RenderPicture(canvas, picture, area, outside, renderBandsFor(area.device.size()));
}

void RenderPicture(QImage &canvas, const PictureDraws &picture, const RenderArea &area,
                   QRgb outside, int bands)
{
    if (canvas.isNull() || area.device.isEmpty())
        return;
    Q_ASSERT(canvas.depth() == 32);
    const QSize size = area.device.size().boundedTo(canvas.size());
    const PreparedPicture prepared = preparePicture(picture, area, size, outside);
    uchar *bits = canvas.bits();
    const qsizetype bytesPerLine = canvas.bytesPerLine();
    const int height = size.height();
    // Each band of rows is the background and every part clipped to it, so
    // bands can be drawn in any order, on any thread, with the same pixels.
    bands = std::clamp(bands, 1, std::max(height, 1));
    const auto band = [&](int n) {
        drawBand(bits, bytesPerLine, size.width(), prepared, int(qint64(height) * n / bands),
                 int(qint64(height) * (n + 1) / bands));
    };
    if (bands == 1)
        band(0);
    else
        runInPieces(bands, band);
}

PictureDraws pictureOf(const Scene &scene)
{
    PictureDraws picture;
    picture.background = scene.backgroundSize().expandedTo(QSize(0, 0));
    picture.colour = scene.backgroundColour();
    picture.parts.reserve(size_t(scene.count()));
    for (int i = scene.count() - 1; i >= 0; --i)
        picture.parts.push_back(drawOf(scene.part(i), PartFrame::None));
    return picture;
}

PictureDraws viewsOf(const Scene &scene)
{
    PictureDraws picture;
    picture.background = scene.backgroundSize().expandedTo(QSize(0, 0));
    picture.colour = scene.backgroundColour();
    picture.parts.reserve(size_t(scene.count()));
    for (const PartView *view : scene.stacking()) {
        if (!view->isVisible())
            continue;
        const int index = scene.indexOf(view);
        if (index >= 0)
            picture.parts.push_back(drawOf(scene.part(index), view->frame()));
    }
    return picture;
}

QImage RenderScene(const Scene &scene)
{
    return RenderScene(scene, renderBandsFor(scene.backgroundSize()));
}

QImage RenderScene(const Scene &scene, int bands)
{
    const QSize size = scene.backgroundSize().expandedTo(QSize(0, 0));
    QImage picture = allocateImage(size.width(), size.height(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    RenderPicture(picture, pictureOf(scene), RenderArea{picture.rect(), {}, {}}, kOpaqueWhite,
                  bands);
    return picture;
}

RenderedRows::RenderedRows(PictureDraws picture)
    : m_picture(std::move(picture))
{
}

QImage RenderedRows::rows(int top, int count)
{
    const int width = m_picture.background.width();
    if (m_band.width() != width || m_band.height() != count)
        m_band = allocateImage(width, count, QImage::Format_RGB32);
    if (!m_band.isNull())
        RenderPicture(m_band, m_picture, RenderArea{QRect(0, top, width, count), {}, {}},
                      kOpaqueWhite);
    return m_band;
}

void blitScaled(QImage &canvas, const QRect &dest, const QImage &source,
                const QRect &sourceRect, bool transparent, const QRect &clip)
{
    if (canvas.isNull() || source.isNull() || sourceRect.isEmpty())
        return;
    Q_ASSERT(canvas.depth() == 32 && source.rect().contains(sourceRect));
    const QRect limit = clip.isNull() ? canvas.rect() : clip & canvas.rect();
    PreparedPart p;
    const PartDraw part{dest, source, Conversion::None, transparent, PartFrame::None};
    if (preparePart(p, part, sourceRect, {}, {}, {}, 0, 0, limit))
        drawRows(canvas.bits(), canvas.bytesPerLine(), p, p.drawn.top(), p.drawn.bottom() + 1);
}

void RenderPart(QImage &canvas, const QRect &rect, const QImage &source,
                bool monochrome, bool grayscale, bool transparent)
{
    if (canvas.isNull() || source.isNull() || rect.isEmpty())
        return;
    Q_ASSERT(canvas.depth() == 32);
    PreparedPart p;
    const PartDraw part{rect, source, conversionOf(monochrome, grayscale), transparent,
                        PartFrame::None};
    if (preparePart(p, part, source.rect(), {}, {}, {}, 0, 0, canvas.rect()))
        drawRows(canvas.bits(), canvas.bytesPerLine(), p, p.drawn.top(), p.drawn.bottom() + 1);
}

PictureComposer::PictureComposer(const QSize &backgroundSize, Colour background)
    : m_picture(allocateImage(qMax(backgroundSize.width(), 0), qMax(backgroundSize.height(), 0),
                              QImage::Format_RGB32))
    , m_background(toQRgb(background))
{
    if (m_picture.isNull())
        return;
    // Taken once: the drawing thread must not reach into the image itself.
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
    if (m_picture.isNull() || source.isNull())
        return;
    auto p = std::make_shared<PreparedPart>();
    const PartDraw part{rect, source, conversionOf(monochrome, grayscale), transparent,
                        PartFrame::None};
    if (!preparePart(*p, part, source.rect(), {}, {}, {}, 0, 0, m_picture.rect()))
        return;
    m_drawing.reset(); // parts overlap: the one before must be finished
    m_drawing = std::make_unique<BackgroundTask>([this, p] {
        fillRows(p->drawn.top(), p->drawn.bottom() + 1);
        drawRows(m_bits, m_bytesPerLine, *p, p->drawn.top(),
                 p->drawn.bottom() + 1);
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
