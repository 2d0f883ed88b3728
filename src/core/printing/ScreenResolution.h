#pragma once

#include <QSize>
#include <QtGlobal>

namespace zel {

// The display's logical pixels per inch. One picture pixel is one screen
// pixel, and a picture prints at the size it has on the screen. Set once at
// start-up, before any conversion is used.
extern qint32 ScreenDpiX;
extern qint32 ScreenDpiY;

// Pixels to millimetres, rounded to single precision.
float PixelsToMmX(qint32 pixels);
float PixelsToMmY(qint32 pixels);

// Millimetres to pixels, truncated toward zero. Not the inverse of the
// above: 210 mm give 793 pixels at 96 dpi, and 793 pixels about 209.81 mm.
qint32 MmToPixelsX(float mm);
qint32 MmToPixelsY(float mm);

// Where the screen's logical pixels per inch come from: the screen the
// window is on in the program, a fixed figure in tests.
class ScreenMetrics
{
public:
    virtual ~ScreenMetrics() = default;
    // Pixels per inch across (width) and down (height); an empty size when
    // there is no screen to ask.
    virtual QSize logicalDpi() const = 0;
};

// Stores the screen's resolution in ScreenDpiX and ScreenDpiY, once at
// start-up. A screen that reports no usable figure leaves them at their
// previous values, so that the conversions never divide by zero. Returns
// whether the figures were read.
bool ReadScreenResolution(const ScreenMetrics &screen);

} // namespace zel
