#pragma once

#include "scene/Render.h"

#include <QRect>

namespace zel {

class PartView;

// Told about every visible change of a view, so that whoever paints the
// views repaints just the area concerned (background coordinates).
class ViewHost
{
public:
    virtual ~ViewHost() = default;
    virtual void viewDamaged(const QRect &area) = 0;
};

// The retained display image of one part: where it lies on the background,
// whether it is shown and the frame along its outline. Its pixels are
// never kept: whoever paints the views draws each part from its source into
// just the area being painted, at whatever scale the view has, so a view
// costs no memory however large its part is shown.
class PartView
{
public:
    explicit PartView(ViewHost *host = nullptr)
        : m_host(host)
    {
    }

    // Left, Top, Width, Height in background pixels; Left and Top may be
    // negative or beyond the background.
    QRect bounds() const { return m_bounds; }
    void setBounds(const QRect &bounds);
    int left() const { return m_bounds.x(); }
    int top() const { return m_bounds.y(); }
    int width() const { return m_bounds.width(); }
    int height() const { return m_bounds.height(); }

    PartFrame frame() const { return m_frame; }
    void setFrame(PartFrame frame);

    // The part's pixels changed (its flags or its source): paint it again.
    void repaint() { damage(m_bounds); }

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

private:
    void damage(const QRect &area)
    {
        if (m_host && m_visible && !area.isEmpty())
            m_host->viewDamaged(area);
    }

    ViewHost *m_host;
    QRect m_bounds;
    PartFrame m_frame = PartFrame::None;
    bool m_visible = true;
};

} // namespace zel
