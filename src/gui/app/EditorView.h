#pragma once

#include "scene/Render.h"

#include <QAbstractScrollArea>

namespace zel {

class Canvas;
class Scene;

// The scrolling area the background is edited in (ScrollBox1), at a scale
// from 1/8 to 8. The frame panel (Panel1: the background's black frame,
// three screen pixels a side at any scale) and the background (the canvas)
// are widgets only as large as the part of them the area shows, placed as
// the scroll position and the scale say: no widget grows with the scale.
class EditorView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    explicit EditorView(Scene &scene, QWidget *parent = nullptr);

    Canvas *canvas() const { return m_canvas; }
    QWidget *framePanel() const { return m_panel1; }

    // The scales zoom steps through, smallest first.
    static const std::vector<RenderScale> &steps();
    RenderScale scale() const { return m_scale; }
    // Changes the scale keeping the background point under anchor (viewport
    // pixels) where it is; the viewport's centre when anchor is null.
    void setScale(const RenderScale &scale, const QPoint &anchor = QPoint(-1, -1));
    bool canZoomIn() const;
    bool canZoomOut() const;
    void zoomIn(const QPoint &anchor = QPoint(-1, -1));
    void zoomOut(const QPoint &anchor = QPoint(-1, -1));
    // The largest scale within the limits at which the whole background
    // with its frame fits the area.
    RenderScale fitScale() const;

    // Scrolls as little as needed for the top-left of a background
    // rectangle to come into view.
    void ensureVisible(const QRect &pictureRect);

    // The editing view is hidden while the print preview uses the area; the
    // area does not scroll then.
    void setEditingVisible(bool visible);

signals:
    void scaleChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Ctrl+wheel zooms about the pointer (viewport pixels); true when taken.
    bool zoomByWheel(QWheelEvent *event, const QPoint &at);
    QSize deviceBackground(const RenderScale &scale) const;
    bool fitsOnScreen(const RenderScale &scale) const;
    void updateScrollBars();
    void layoutContents();

    Scene &m_scene;
    QWidget *m_panel1 = nullptr;
    Canvas *m_canvas = nullptr;
    RenderScale m_scale;
    bool m_editingVisible = true;
    QPoint m_scrolledTo; // while the preview hides the editing view
    int m_wheelTurn = 0;
};

} // namespace zel
