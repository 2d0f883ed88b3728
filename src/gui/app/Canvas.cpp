#include "app/Canvas.h"

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
    connect(&scene, &Scene::damaged, this,
            [this](const QRect &area) { update(canvasRectOf(area).adjusted(-1, -1, 1, 1)); });
    // A new colour (or size) shows everywhere, whether or not the view moved.
    connect(&scene, &Scene::backgroundChanged, this, qOverload<>(&QWidget::update));
}

void Canvas::setView(const RenderScale &scale, const QPoint &deviceOrigin)
{
    if (scale == m_scale && deviceOrigin == m_deviceOrigin)
        return;
    m_scale = scale;
    m_deviceOrigin = deviceOrigin;
    update();
}

QPoint Canvas::pictureAt(const QPoint &canvasPoint) const
{
    return QPoint(int(m_scale.pictureAt(qint64(canvasPoint.x()) + m_deviceOrigin.x())),
                  int(m_scale.pictureAt(qint64(canvasPoint.y()) + m_deviceOrigin.y())));
}

QPoint Canvas::canvasPointOf(const QPoint &picturePoint) const
{
    return QPoint(int(m_scale.deviceNearest(picturePoint.x()) - m_deviceOrigin.x()),
                  int(m_scale.deviceNearest(picturePoint.y()) - m_deviceOrigin.y()));
}

QRect Canvas::canvasRectOf(const QRect &pictureRect) const
{
    if (pictureRect.isEmpty())
        return {};
    const qint64 x0 = m_scale.deviceAt(pictureRect.left()) - m_deviceOrigin.x();
    const qint64 x1 = m_scale.deviceAt(qint64(pictureRect.right()) + 1) - m_deviceOrigin.x();
    const qint64 y0 = m_scale.deviceAt(pictureRect.top()) - m_deviceOrigin.y();
    const qint64 y1 = m_scale.deviceAt(qint64(pictureRect.bottom()) + 1) - m_deviceOrigin.y();
    // Only what lies on the canvas matters, which keeps the figures in range.
    const qint64 l = std::max<qint64>(x0, -1), t = std::max<qint64>(y0, -1);
    const qint64 r = std::min<qint64>(x1, qint64(width()) + 1);
    const qint64 b = std::min<qint64>(y1, qint64(height()) + 1);
    if (l >= r || t >= b)
        return {};
    return QRect(int(l), int(t), int(r - l), int(b - t));
}

void Canvas::drawArea(QImage &into, const QRect &area) const
{
    RenderPicture(into, viewsOf(m_scene),
                  RenderArea{area.translated(m_deviceOrigin), m_scale, QPoint(0, 0)},
                  toQRgb(m_scene.backgroundColour()) | kOpaque);
}

QImage Canvas::grabArea(const QRect &area) const
{
    QImage image(area.size(), QImage::Format_RGB32);
    if (!image.isNull())
        drawArea(image, area);
    return image;
}

void Canvas::paintEvent(QPaintEvent *event)
{
    if (m_buffer.width() < width() || m_buffer.height() < height())
        m_buffer = QImage(size().expandedTo(m_buffer.size()), QImage::Format_RGB32);
    if (m_buffer.isNull())
        return;
    QPainter painter(this);
    for (const QRect &rect : event->region()) {
        const QRect area = rect & this->rect();
        if (area.isEmpty())
            continue;
        // The buffer's own pixels at the area's place, without a copy.
        QImage view(m_buffer.bits() + area.y() * m_buffer.bytesPerLine() + area.x() * 4,
                    area.width(), area.height(), m_buffer.bytesPerLine(), QImage::Format_RGB32);
        drawArea(view, area);
        painter.drawImage(area.topLeft(), view);
    }
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
