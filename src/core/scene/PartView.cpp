#include "PartView.h"

#include "Render.h"

#include "pixels/ImageAllocation.h"

namespace zel {

void PartView::setBounds(const QRect &bounds)
{
    if (bounds == m_bounds)
        return;
    const QRect old = m_bounds;
    m_bounds = bounds;
    damage(old.united(bounds));
}

void PartView::setBitmapSize(int width, int height, bool fill)
{
    if (!m_painted)
        return;
    // Where huge pages can back it: a document's display bitmaps are many
    // megabytes of fresh memory, each 4 KiB page of which would otherwise
    // cost a page fault.
    m_bitmap = allocateImage(qMax(width, 0), qMax(height, 0), QImage::Format_RGB32);
    if (fill)
        m_bitmap.fill(Qt::white);
    damage(m_bounds);
}

void PartView::setTransparent(bool transparent)
{
    if (transparent == m_transparent)
        return;
    m_transparent = transparent;
    damage(m_bounds);
}

void PartView::setStretch(bool stretch)
{
    if (stretch == m_stretch)
        return;
    m_stretch = stretch;
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

QPoint PartView::bitmapPointAt(const QPoint &p) const
{
    if (!m_bounds.contains(p) || m_bitmap.isNull())
        return {-1, -1};
    const int x = p.x() - m_bounds.x();
    const int y = p.y() - m_bounds.y();
    if (!m_stretch) {
        if (x >= m_bitmap.width() || y >= m_bitmap.height())
            return {-1, -1};
        return {x, y};
    }
    return {scaledIndex(x, m_bounds.width(), m_bitmap.width()),
            scaledIndex(y, m_bounds.height(), m_bitmap.height())};
}

void PartView::paintOnto(QImage &canvas, const QPoint &origin, const QRect &clip) const
{
    if (!m_visible || m_bitmap.isNull() || m_bounds.isEmpty())
        return;
    QRect dest = m_bounds;
    QRect source = m_bitmap.rect();
    if (!m_stretch) {
        const QSize natural(qMin(m_bounds.width(), m_bitmap.width()),
                            qMin(m_bounds.height(), m_bitmap.height()));
        dest.setSize(natural);
        source.setSize(natural);
    }
    blitScaled(canvas, dest.translated(-origin), m_bitmap, source, m_transparent,
               clip.translated(-origin));
}

} // namespace zel
