#pragma once

#include <QWidget>

namespace zel {

class Scene;

// The background area: paints the background colour and every part's
// display image in stacking order, and reports the mouse in background
// pixels. Repaints only what the scene reports as changed.
class Canvas : public QWidget
{
    Q_OBJECT
public:
    explicit Canvas(Scene &scene, QWidget *parent = nullptr);

    // The picture as it stands on screen, frames included (for tests and
    // screenshots; the same pixels paintEvent puts up).
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
    void followBackground();

    Scene &m_scene;
};

} // namespace zel
