#include "ScreenResolution.h"

#include <cmath>
#include <limits>

namespace zel {

qint32 ScreenDpiX = 96;
qint32 ScreenDpiY = 96;

namespace {

float toMm(qint32 pixels, qint32 dpi)
{
    if (dpi <= 0)
        return 0.0f;
    return float(static_cast<long double>(float(pixels)) * 25.4L / dpi);
}

qint32 toPixels(float mm, qint32 dpi)
{
    const long double pixels = std::trunc(static_cast<long double>(dpi) * mm / 25.4L);
    if (!(pixels == pixels)) // NaN
        return 0;
    if (pixels > std::numeric_limits<qint32>::max())
        return std::numeric_limits<qint32>::max();
    if (pixels < std::numeric_limits<qint32>::min())
        return std::numeric_limits<qint32>::min();
    return qint32(pixels);
}

} // namespace

float PixelsToMmX(qint32 pixels) { return toMm(pixels, ScreenDpiX); }
float PixelsToMmY(qint32 pixels) { return toMm(pixels, ScreenDpiY); }
qint32 MmToPixelsX(float mm) { return toPixels(mm, ScreenDpiX); }
qint32 MmToPixelsY(float mm) { return toPixels(mm, ScreenDpiY); }

bool ReadScreenResolution(const ScreenMetrics &screen)
{
    const QSize dpi = screen.logicalDpi();
    if (dpi.width() <= 0 || dpi.height() <= 0)
        return false;
    ScreenDpiX = dpi.width();
    ScreenDpiY = dpi.height();
    return true;
}

} // namespace zel
