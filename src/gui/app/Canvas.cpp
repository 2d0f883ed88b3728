#include "app/Canvas.h"

#include "scene/Scene.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <cmath>

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

// The window's pixels are Qt's device-independent ones; what the screen
// shows is drawn in its own pixels, ratio of them to one of the window's,
// so that a frame is one screen pixel wide and a part's pixels are blocks
// of screen pixels, never smoothed.
double Canvas::ratio() const
{
    return devicePixelRatioF();
}

RenderScale Canvas::screenScale() const
{
    const double r = ratio();
    if (r == 1.0)
        return m_scale;
    constexpr qint64 kDen = 1024;
    return RenderScale::of(m_scale.num * qint64(std::lround(r * kDen)), m_scale.den * kDen);
}

QPoint Canvas::screenOrigin() const
{
    const double r = ratio();
    return QPoint(int(std::lround(m_deviceOrigin.x() * r)), int(std::lround(m_deviceOrigin.y() * r)));
}

QPoint Canvas::pictureAt(const QPoint &canvasPoint) const
{
    const double r = ratio();
    const RenderScale scale = screenScale();
    const QPoint origin = screenOrigin();
    // The screen pixel under the middle of the window's pixel.
    return QPoint(int(scale.pictureAt(qint64(std::floor((canvasPoint.x() + 0.5) * r)) + origin.x())),
                  int(scale.pictureAt(qint64(std::floor((canvasPoint.y() + 0.5) * r)) + origin.y())));
}

QPoint Canvas::canvasPointOf(const QPoint &picturePoint) const
{
    const double r = ratio();
    const RenderScale scale = screenScale();
    const QPoint origin = screenOrigin();
    return QPoint(int(std::floor((scale.deviceNearest(picturePoint.x()) - origin.x()) / r)),
                  int(std::floor((scale.deviceNearest(picturePoint.y()) - origin.y()) / r)));
}

QRect Canvas::canvasRectOf(const QRect &pictureRect) const
{
    if (pictureRect.isEmpty())
        return {};
    const double r = ratio();
    const RenderScale scale = screenScale();
    const QPoint origin = screenOrigin();
    const qint64 x0 = scale.deviceAt(pictureRect.left()) - origin.x();
    const qint64 x1 = scale.deviceAt(qint64(pictureRect.right()) + 1) - origin.x();
    const qint64 y0 = scale.deviceAt(pictureRect.top()) - origin.y();
    const qint64 y1 = scale.deviceAt(qint64(pictureRect.bottom()) + 1) - origin.y();
    // Only what lies on the canvas matters, which keeps the figures in range.
    const qint64 l = std::max<qint64>(qint64(std::floor(x0 / r)), -1);
    const qint64 t = std::max<qint64>(qint64(std::floor(y0 / r)), -1);
    const qint64 rr = std::min<qint64>(qint64(std::ceil(x1 / r)), qint64(width()) + 1);
    const qint64 b = std::min<qint64>(qint64(std::ceil(y1 / r)), qint64(height()) + 1);
    if (l >= rr || t >= b)
        return {};
    return QRect(int(l), int(t), int(rr - l), int(b - t));
}

QRect Canvas::screenRectOf(const QRect &area) const
{
    const double r = ratio();
    return QRectF(area.x() * r, area.y() * r, area.width() * r, area.height() * r).toAlignedRect();
}

void Canvas::drawArea(QImage &into, const QRect &screenArea) const
{
    RenderPicture(into, viewsOf(m_scene),
                  RenderArea{screenArea.translated(screenOrigin()), screenScale(), QPoint(0, 0)},
                  toQRgb(m_scene.backgroundColour()) | kOpaque);
}

QImage Canvas::grabArea(const QRect &area) const
{
    const QRect screen = screenRectOf(area);
    QImage image(screen.size(), QImage::Format_RGB32);
    if (!image.isNull())
        drawArea(image, screen);
    return image;
}

void Canvas::paintEvent(QPaintEvent *event)
{
    const QRect whole = screenRectOf(rect());
    if (m_buffer.width() < whole.width() || m_buffer.height() < whole.height())
        m_buffer = QImage(whole.size().expandedTo(m_buffer.size()), QImage::Format_RGB32);
    if (m_buffer.isNull())
        return;
    QPainter painter(this);
    const double r = ratio();
    for (const QRect &rect : event->region()) {
        const QRect area = screenRectOf(rect & this->rect()) & whole;
        if (area.isEmpty())
            continue;
        // The buffer's own pixels at the area's place, without a copy.
        QImage view(m_buffer.bits() + area.y() * m_buffer.bytesPerLine() + area.x() * 4,
                    area.width(), area.height(), m_buffer.bytesPerLine(), QImage::Format_RGB32);
        drawArea(view, area);
        view.setDevicePixelRatio(r);
        painter.drawImage(QPointF(area.x() / r, area.y() / r), view);
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
