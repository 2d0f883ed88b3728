#pragma once

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

} // namespace zel
