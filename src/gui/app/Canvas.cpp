#include "Canvas.h"

#include "scene/Scene.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace zel {

Canvas::Canvas(Scene &scene, QWidget *parent)
    : QWidget(parent)
    , m_scene(scene)
{
    setObjectName(QStringLiteral("Panel2"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    connect(&scene, &Scene::damaged, this, [this](const QRect &area) { update(area); });
    connect(&scene, &Scene::backgroundChanged, this, &Canvas::followBackground);
    followBackground();
}

void Canvas::followBackground()
{
    setFixedSize(m_scene.backgroundSize().expandedTo(QSize(0, 0)));
    update();
}

QImage Canvas::grabArea(const QRect &area) const
{
    QImage image(area.size(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(toQRgb(m_scene.backgroundColour()));
    for (const PartView *view : m_scene.stacking())
        view->paintOnto(image, area.topLeft(), area);
    return image;
}

void Canvas::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    for (const QRect &area : event->region())
        painter.drawImage(area.topLeft(), grabArea(area));
}

void Canvas::mousePressEvent(QMouseEvent *event)
{
    emit pressed(event->position().toPoint(), event->button(), event->modifiers());
}

void Canvas::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(event->position().toPoint(), event->buttons(), event->modifiers());
}

void Canvas::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->position().toPoint(), event->button(), event->modifiers());
}

} // namespace zel
