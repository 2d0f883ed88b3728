#pragma once

#include <QImage>
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
// the bitmap shown there, and how it is painted. The canvas widget paints
// these in stacking order; nothing here knows about widgets.
class PartView
{
public:
    explicit PartView(ViewHost *host = nullptr, bool painted = true)
        : m_host(host)
        , m_painted(painted)
    {
    }

    // A view that is never painted keeps no display bitmap at all: the
    // command line and exports only need where its part lies.
    bool isPainted() const { return m_painted; }

    // Left, Top, Width, Height in background pixels; Left and Top may be
    // negative or beyond the background.
    QRect bounds() const { return m_bounds; }
    void setBounds(const QRect &bounds);
    int left() const { return m_bounds.x(); }
    int top() const { return m_bounds.y(); }
    int width() const { return m_bounds.width(); }
    int height() const { return m_bounds.height(); }

    // The display bitmap (RGB32), normally Width x Height: the part as drawn
    // plus its frame line. Setting its size discards its pixels (they are
    // repainted at once by whoever resizes it): white, or left as they come
    // when the caller paints every one of them itself.
    const QImage &bitmap() const { return m_bitmap; }
    QImage &bitmapForPainting() { return m_bitmap; }
    void setBitmapSize(int width, int height, bool fill = true);
    void bitmapChanged() { damage(m_bounds); }

    // When set, pixels of the display bitmap that are exactly white are not
    // painted and whatever lies beneath shows through.
    bool isTransparent() const { return m_transparent; }
    void setTransparent(bool transparent);

    // When set, the display bitmap is scaled to the bounds; otherwise it is
    // painted 1:1 from the top-left corner, clipped to the bounds.
    bool isStretched() const { return m_stretch; }
    void setStretch(bool stretch);

    bool isVisible() const { return m_visible; }
    void setVisible(bool visible);

    // Where the display bitmap's pixel for background point p comes from,
    // or (-1, -1) when p is outside the bounds.
    QPoint bitmapPointAt(const QPoint &p) const;

    // Paints the view onto an RGB32 canvas whose pixel (0, 0) is background
    // point origin, limited to clip (background coordinates). White pixels are
    // skipped for a transparent view.
    void paintOnto(QImage &canvas, const QPoint &origin, const QRect &clip) const;

private:
    void damage(const QRect &area)
    {
        if (m_host && m_visible && !area.isEmpty())
            m_host->viewDamaged(area);
    }

    ViewHost *m_host;
    bool m_painted;
    QRect m_bounds;
    QImage m_bitmap;
    bool m_transparent = false;
    bool m_stretch = false;
    bool m_visible = true;
};

} // namespace zel
