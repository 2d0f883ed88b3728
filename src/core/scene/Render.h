#pragma once

#include "pixels/Bitmap.h"
#include "pixels/PixelKernels.h"

#include <QImage>
#include <QRect>

#include <memory>
#include <vector>

namespace zel {

class BackgroundTask;
class PartView;
class Scene;


// Stretches sourceRect of source over dest on an RGB32 canvas with
// nearest-neighbour sampling, limited to clip (canvas coordinates; an empty
// clip means the whole canvas). With transparent set, source pixels that are
// exactly white leave the canvas untouched.
void blitScaled(QImage &canvas, const QRect &dest, const QImage &source,
                const QRect &sourceRect, bool transparent, const QRect &clip = QRect());

// Draws one part onto an RGB32 canvas: converted (monochrome taking
// precedence over grayscale) at the source's own size, then stretched into
// rect, white pixels skipped when transparent is set.
void RenderPart(QImage &canvas, const QRect &rect, const QImage &source,
                bool monochrome, bool grayscale, bool transparent);

// Repaints a part's display bitmap, every pixel opaque.
void RefreshPartImage(PartView &image, const QRect &rect, const QImage &source,
                      bool monochrome, bool grayscale);

// The whole picture: the background colour and every part, bottom first,
// clipped to the background, without selection frames. RGB32. A large
// picture is drawn in bands of rows on several threads.
QImage RenderScene(const Scene &scene);

// The same, drawn in the given number of bands of rows, on several threads
// when there is more than one; the pixels never depend on it. One band is
// the plain single-threaded drawing.
QImage RenderScene(const Scene &scene, int bands);

// The bands RenderScene uses for a picture of the given size.
int renderBandsFor(const QSize &size);

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
