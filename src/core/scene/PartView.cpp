#include "scene/PartView.h"

namespace zel {

void PartView::setBounds(const QRect &bounds)
{
    if (bounds == m_bounds)
        return;
    // Apart: a part moved far away leaves no long trail to repaint.
    const QRect old = m_bounds;
    m_bounds = bounds;
    damage(old);
    damage(bounds);
}

void PartView::setFrame(PartFrame frame)
{
    // Always a repaint: a frame is drawn afresh over freshly drawn pixels.
    m_frame = frame;
    damage(m_bounds);
}

void PartView::setVisible(bool visible)
{
    if (visible == m_visible)
        return;
    if (!visible)
        damage(m_bounds);
    m_visible = visible;
    damage(m_bounds);
}

} // namespace zel
