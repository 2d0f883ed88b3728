#include "ScreenMetrics.h"

#include "printing/ScreenResolution.h"

#include <QGuiApplication>
#include <QScreen>

#include <cmath>

namespace zel {

QSize DesktopScreenMetrics::logicalDpi() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return {int(std::lround(screen->logicalDotsPerInchX())),
            int(std::lround(screen->logicalDotsPerInchY()))};
}

const ScreenMetrics &desktopScreenMetrics()
{
    static const DesktopScreenMetrics metrics;
    return metrics;
}

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
