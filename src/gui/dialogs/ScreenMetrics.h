#pragma once

#include <QSize>

namespace zel {

// Where the screen's logical pixels per inch come from: the desktop screen
// in the program, a fixed figure in tests.
class ScreenMetrics
{
public:
    virtual ~ScreenMetrics() = default;
    // Pixels per inch across (width) and down (height); an empty size when
    // there is no screen to ask.
    virtual QSize logicalDpi() const = 0;
};

// The primary screen, as Qt reports it.
class DesktopScreenMetrics final : public ScreenMetrics
{
public:
    QSize logicalDpi() const override;
};

const ScreenMetrics &desktopScreenMetrics();

// Stores the screen's resolution in ScreenDpiX and ScreenDpiY. A screen that
// reports no usable figure leaves them at their previous values, so that the
// conversions never divide by zero. Returns whether the figures were read.
bool ReadScreenResolution(const ScreenMetrics &screen);

} // namespace zel
