#pragma once

#include "scene/Render.h"

#include <QImage>
#include <QWidget>

namespace zel {

class Scene;

// The background area, as much of it as the window shows: paints the
// background colour and every part, drawn from its source at the view's
// scale into just the area being painted, and reports the mouse in its own
// pixels. Its pixel (0, 0) shows device pixel deviceOrigin() of the whole
// background at that scale. Repaints only what the scene reports as changed.
class Canvas : public QWidget
{
    Q_OBJECT
public:
    explicit Canvas(Scene &scene, QWidget *parent = nullptr);

    RenderScale scale() const { return m_scale; }
    QPoint deviceOrigin() const { return m_deviceOrigin; }
    // Set by the view that holds the canvas, with the canvas's geometry.
    void setView(const RenderScale &scale, const QPoint &deviceOrigin);

    // The background pixel under a canvas pixel (which may lie outside the
    // canvas, as a drag's pointer can), and the canvas pixel nearest to the
    // centre of a background pixel.
    QPoint pictureAt(const QPoint &canvasPoint) const;
    QPoint canvasPointOf(const QPoint &picturePoint) const;
    // The canvas pixels that show a rectangle of the background.
    QRect canvasRectOf(const QRect &pictureRect) const;

    // The picture as it stands on screen, frames included, over an area of
    // the canvas: the same pixels paintEvent puts up, in the screen's own
    // pixels (more than the window's on a scaled screen).
    QImage grabArea(const QRect &area) const;

signals:
    void pressed(QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    void moved(QPoint point, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
    void released(QPoint point, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    double ratio() const;
    RenderScale screenScale() const;
    QPoint screenOrigin() const;
    QRect screenRectOf(const QRect &area) const;
    void drawArea(QImage &into, const QRect &screenArea) const;

    Scene &m_scene;
    RenderScale m_scale;
    QPoint m_deviceOrigin;
    QImage m_buffer; // reused by every paint: fresh memory costs a page fault a page
};

} // namespace zel
