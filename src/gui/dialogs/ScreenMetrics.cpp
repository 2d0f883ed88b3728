#include "ScreenMetrics.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace zel {

QSize DesktopScreenMetrics::logicalDpi() const
{
    const QScreen *screen = m_window ? m_window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    return {int(std::lround(screen->logicalDotsPerInchX())),
            int(std::lround(screen->logicalDotsPerInchY()))};
}

} // namespace zel
