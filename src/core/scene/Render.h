#pragma once

#include "pixels/Bitmap.h"
#include "pixels/PictureRows.h"
#include "pixels/PixelKernels.h"

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

namespace zel {

class BackgroundTask;
class Scene;

// How many device pixels show how many picture pixels: num device pixels for
// every den picture pixels. The centre of device pixel x lies at picture
// position (x + 1/2) * den / num, and whatever covers that position is what
// the device pixel shows. At 1:1 device pixel x is picture pixel x.
struct RenderScale {
    qint64 num = 1;
    qint64 den = 1;

    // Reduced to lowest terms; both must be positive.
    static RenderScale of(qint64 num, qint64 den);
    bool isIdentity() const { return num == den; }
    double factor() const { return double(num) / double(den); }

    // The picture pixel that device pixel x shows.
    qint64 pictureAt(qint64 x) const;
    // The first device pixel whose centre lies at or beyond picture
    // position p; so device pixels deviceAt(a) .. deviceAt(b) - 1 show
    // picture pixels a .. b - 1.
    qint64 deviceAt(qint64 p) const;
    // The device pixel nearest to the centre of picture pixel p.
    qint64 deviceNearest(qint64 p) const;

    friend bool operator==(const RenderScale &a, const RenderScale &b)
    {
        return a.num * b.den == b.num * a.den;
    }
};

// The line drawn along a part's outline on screen: dashed aqua for the
// selected part, dotted navy for the others. Never in pictures or prints.
enum class PartFrame { None, Selected, Unselected };

// One part as the renderer draws it: its place on the background, its
// source and how the source is drawn.
struct PartDraw {
    QRect bounds;
    QImage source; // a null source draws as white
    Conversion conversion = Conversion::None;
    bool transparent = false;
    PartFrame frame = PartFrame::None;
};

// What a picture is made of: the background and the parts, bottom first.
struct PictureDraws {
    QSize background;
    Colour colour = kWhite;
    std::vector<PartDraw> parts;
};

// Which device pixels to draw and how they lie over the picture: device
// pixel (x, y) of the area shows picture position origin + ((x, y) + 1/2)
// * den / num. Only the background is picture: parts are clipped to it, and
// device pixels beyond it are left outside colour.
struct RenderArea {
    QRect device;
    RenderScale scale;
    QPoint origin; // picture pixels
    // Down the picture when it differs from across (a screen or a printer of
    // other resolutions each way); num 0 means the same.
    RenderScale vertical{0, 1};

    RenderScale down() const { return vertical.num > 0 ? vertical : scale; }
};

// Draws an area of the picture into canvas (RGB32, at least the area's
// size), its top-left pixel being the area's first. Each part is sampled
// nearest-neighbour at the centre of every device pixel, converted
// (monochrome taking precedence over grayscale) and laid over what is
// below, its white pixels skipped when transparent; frames are drawn one
// device pixel wide along each part's outline. A large area is drawn in
// bands of rows on several threads; the pixels never depend on it.
void RenderPicture(QImage &canvas, const PictureDraws &picture, const RenderArea &area,
                   QRgb outside);

// The same in the given number of bands; one band is the plain
// single-threaded drawing.
void RenderPicture(QImage &canvas, const PictureDraws &picture, const RenderArea &area,
                   QRgb outside, int bands);

// The bands RenderPicture uses for an area of the given size.
int renderBandsFor(const QSize &size);

// The scene as a picture: its parts in stacking order, without frames.
PictureDraws pictureOf(const Scene &scene);
// The scene as its views show it on screen: the visible views as they are
// stacked, each with its frame.
PictureDraws viewsOf(const Scene &scene);

// The whole picture at 1:1: the background colour and every part, bottom
// first, clipped to the background, without selection frames. RGB32.
QImage RenderScene(const Scene &scene);
QImage RenderScene(const Scene &scene, int bands);

// A picture drawn band by band as a writer asks for it, never whole: a
// picture far larger than its parts costs a band, not its size.
class RenderedRows final : public PictureRows
{
public:
    explicit RenderedRows(PictureDraws picture);
    QSize size() const override { return m_picture.background; }
    QImage rows(int top, int count) override;

private:
    PictureDraws m_picture;
    QImage m_band; // reused: fresh memory costs a page fault a page
};

// Stretches sourceRect of source over dest on an RGB32 canvas with
// nearest-neighbour sampling, limited to clip (canvas coordinates; an empty
// clip means the whole canvas). With transparent set, source pixels that are
// exactly white leave the canvas untouched.
void blitScaled(QImage &canvas, const QRect &dest, const QImage &source,
                const QRect &sourceRect, bool transparent, const QRect &clip = QRect());

// Draws one part onto an RGB32 canvas at 1:1: converted at the source's own
// size, then stretched into rect, white pixels skipped when transparent is
// set.
void RenderPart(QImage &canvas, const QRect &rect, const QImage &source,
                bool monochrome, bool grayscale, bool transparent);

// Lays parts onto a new picture one after another, each over the ones
// before: the picture RenderScene draws of a scene holding them, for parts
// that come one at a time from the bottom of the stacking order up (a
// document being read). None has to be kept once it is drawn, and each is
// drawn on a helper thread while the caller fetches the next. The picture
// takes memory only as parts are drawn on it, and all of it at the end.
class PictureComposer
{
public:
    PictureComposer(const QSize &backgroundSize, Colour background);
    ~PictureComposer();
    PictureComposer(const PictureComposer &) = delete;
    PictureComposer &operator=(const PictureComposer &) = delete;

    // True when there was no memory for the picture; adding then does nothing.
    bool isNull() const { return m_picture.isNull(); }
    void add(const QRect &rect, const QImage &source, bool monochrome, bool grayscale,
             bool transparent);
    // Waits for the drawing to end.
    QImage picture();

private:
    void fillRows(int top, int bottom);

    QImage m_picture;
    QRgb m_background;
    uchar *m_bits = nullptr;
    qsizetype m_bytesPerLine = 0;
    std::vector<bool> m_filled; // rows that have their background
    std::unique_ptr<BackgroundTask> m_drawing;
};

} // namespace zel
