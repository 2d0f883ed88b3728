#pragma once

#include "printing/ScreenResolution.h"

#include <QPointer>
#include <QSize>

class QWidget;

namespace zel {

// The screen a window is on, as Qt reports it; the primary screen for no
// window.
class DesktopScreenMetrics final : public ScreenMetrics
{
public:
    explicit DesktopScreenMetrics(const QWidget *window = nullptr) : m_window(window) {}
    QSize logicalDpi() const override;

private:
    QPointer<const QWidget> m_window;
};

} // namespace zel
