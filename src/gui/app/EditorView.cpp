#include "app/EditorView.h"

#include "app/Canvas.h"
#include "scene/Scene.h"

#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace zel {

namespace {

// The frame around the background: one-pixel line plus a two-pixel border,
// each side, in screen pixels whatever the scale.
constexpr int kFrameBorder = Scene::kFrameExtra / 2;

// Sizes on screen stay far below what a widget or a scroll bar can take.
constexpr qint64 kMaxDeviceSide = qint64(1) << 30;

class FramePanel : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
    }
};

QRect clipped(qint64 x, qint64 y, qint64 w, qint64 h, const QRect &to)
{
    const qint64 l = std::max<qint64>(x, to.left());
    const qint64 t = std::max<qint64>(y, to.top());
    const qint64 r = std::min<qint64>(x + w, qint64(to.right()) + 1);
    const qint64 b = std::min<qint64>(y + h, qint64(to.bottom()) + 1);
    if (l >= r || t >= b)
        return {};
    return QRect(int(l), int(t), int(r - l), int(b - t));
}

} // namespace

EditorView::EditorView(Scene &scene, QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_scene(scene)
{
    setObjectName(QStringLiteral("ScrollBox1"));
    setFrameShape(QFrame::NoFrame);
    viewport()->setBackgroundRole(QPalette::Dark);
    viewport()->setAutoFillBackground(true);
    m_panel1 = new FramePanel(viewport());
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_canvas = new Canvas(scene, m_panel1);
    // Ctrl+wheel over the picture zooms wherever the wheel event lands.
    m_canvas->installEventFilter(this);
    m_panel1->installEventFilter(this);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    connect(&scene, &Scene::backgroundChanged, this, [this] {
        updateScrollBars();
        layoutContents();
    });
    updateScrollBars();
    layoutContents();
}

const std::vector<RenderScale> &EditorView::steps()
{
    static const std::vector<RenderScale> scales = {
        {1, 8}, {1, 6}, {1, 4}, {1, 3}, {1, 2}, {2, 3}, {1, 1},
        {3, 2}, {2, 1}, {3, 1}, {4, 1}, {6, 1}, {8, 1},
    };
    return scales;
}

QSize EditorView::deviceBackground(const RenderScale &scale) const
{
    const QSize background = m_scene.backgroundSize().expandedTo(QSize(0, 0));
    return QSize(int(std::min(scale.deviceAt(background.width()), kMaxDeviceSide)),
                 int(std::min(scale.deviceAt(background.height()), kMaxDeviceSide)));
}

void EditorView::updateScrollBars()
{
    const QSize contents = deviceBackground(m_scale) + QSize(Scene::kFrameExtra, Scene::kFrameExtra);
    const QSize area = viewport()->size();
    const bool scrolls = m_editingVisible;
    horizontalScrollBar()->setRange(0, scrolls ? std::max(0, contents.width() - area.width()) : 0);
    verticalScrollBar()->setRange(0, scrolls ? std::max(0, contents.height() - area.height()) : 0);
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
}

void EditorView::layoutContents()
{
    const QRect area = viewport()->rect();
    const QSize background = deviceBackground(m_scale);
    const qint64 x = -qint64(horizontalScrollBar()->value());
    const qint64 y = -qint64(verticalScrollBar()->value());
    const QRect frame = clipped(x, y, qint64(background.width()) + Scene::kFrameExtra,
                                qint64(background.height()) + Scene::kFrameExtra, area);
    m_panel1->setVisible(m_editingVisible && !frame.isEmpty());
    if (frame.isEmpty())
        return;
    m_panel1->setGeometry(frame);
    const qint64 bx = x + kFrameBorder, by = y + kFrameBorder;
    const QRect shown = clipped(bx, by, background.width(), background.height(), area);
    if (shown.isEmpty()) {
        m_canvas->setGeometry(QRect(0, 0, 0, 0));
        return;
    }
    m_canvas->setGeometry(shown.translated(-frame.topLeft()));
    m_canvas->setView(m_scale, QPoint(int(shown.x() - bx), int(shown.y() - by)));
}

void EditorView::setScale(const RenderScale &wanted, const QPoint &anchorAt)
{
    const std::vector<RenderScale> &all = steps();
    RenderScale scale = wanted;
    if (scale.factor() < all.front().factor())
        scale = all.front();
    if (scale.factor() > all.back().factor())
        scale = all.back();
    // Sizes on screen stay where scroll bars can reach them.
    while (scale.factor() > all.front().factor() && !fitsOnScreen(scale))
        scale = RenderScale::of(scale.num, scale.den * 2);
    const QPoint anchor = anchorAt.x() < 0 ? viewport()->rect().center() : anchorAt;
    // The background position under the anchor, before and after.
    const double deviceX = horizontalScrollBar()->value() + anchor.x() - kFrameBorder + 0.5;
    const double deviceY = verticalScrollBar()->value() + anchor.y() - kFrameBorder + 0.5;
    const double ratio = scale.factor() / m_scale.factor();
    const bool changed = !(scale == m_scale);
    m_scale = scale;
    updateScrollBars();
    horizontalScrollBar()->setValue(int(std::lround(deviceX * ratio - 0.5)) + kFrameBorder - anchor.x());
    verticalScrollBar()->setValue(int(std::lround(deviceY * ratio - 0.5)) + kFrameBorder - anchor.y());
    layoutContents();
    if (changed)
        emit scaleChanged();
}

bool EditorView::fitsOnScreen(const RenderScale &scale) const
{
    const QSize background = m_scene.backgroundSize().expandedTo(QSize(0, 0));
    return scale.deviceAt(background.width()) < kMaxDeviceSide
           && scale.deviceAt(background.height()) < kMaxDeviceSide;
}

bool EditorView::canZoomIn() const
{
    for (const RenderScale &step : steps())
        if (step.factor() > m_scale.factor())
            return fitsOnScreen(step);
    return false;
}

bool EditorView::canZoomOut() const
{
    return m_scale.factor() > steps().front().factor();
}

void EditorView::zoomIn(const QPoint &anchor)
{
    for (const RenderScale &step : steps())
        if (step.factor() > m_scale.factor()) {
            setScale(step, anchor);
            return;
        }
}

void EditorView::zoomOut(const QPoint &anchor)
{
    const std::vector<RenderScale> &all = steps();
    for (auto it = all.rbegin(); it != all.rend(); ++it)
        if (it->factor() < m_scale.factor()) {
            setScale(*it, anchor);
            return;
        }
}

RenderScale EditorView::fitScale() const
{
    const QSize background = m_scene.backgroundSize();
    if (background.width() <= 0 || background.height() <= 0)
        return {};
    // As if there were no scroll bars: once it fits, there are none.
    const QSize room = maximumViewportSize() - QSize(Scene::kFrameExtra, Scene::kFrameExtra);
    constexpr qint64 kDen = 4096;
    const double factor = std::min(double(std::max(room.width(), 1)) / background.width(),
                                   double(std::max(room.height(), 1)) / background.height());
    const RenderScale &smallest = steps().front();
    const RenderScale &largest = steps().back();
    if (factor <= smallest.factor())
        return smallest;
    if (factor >= largest.factor())
        return largest;
    return RenderScale::of(std::max<qint64>(1, qint64(std::floor(factor * kDen))), kDen);
}

void EditorView::ensureVisible(const QRect &pictureRect)
{
    if (pictureRect.isEmpty())
        return;
    const auto follow = [](QScrollBar *bar, qint64 start, qint64 end, int page) {
        // The whole rectangle if it fits, its start at least.
        qint64 value = bar->value();
        if (end > value + page)
            value = end - page;
        if (start < value)
            value = start;
        bar->setValue(int(std::clamp<qint64>(value, bar->minimum(), bar->maximum())));
    };
    // With a frame's width of room on each side.
    const QSize area = viewport()->size();
    follow(horizontalScrollBar(), m_scale.deviceAt(pictureRect.left()),
           m_scale.deviceAt(qint64(pictureRect.right()) + 1) + 2 * kFrameBorder, area.width());
    follow(verticalScrollBar(), m_scale.deviceAt(pictureRect.top()),
           m_scale.deviceAt(qint64(pictureRect.bottom()) + 1) + 2 * kFrameBorder, area.height());
    layoutContents();
}

void EditorView::setEditingVisible(bool visible)
{
    // The preview does not scroll; editing comes back where it was.
    if (!visible && m_editingVisible)
        m_scrolledTo = QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const bool returning = visible && !m_editingVisible;
    m_editingVisible = visible;
    const Qt::ScrollBarPolicy policy = visible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    updateScrollBars();
    if (returning) {
        horizontalScrollBar()->setValue(m_scrolledTo.x());
        verticalScrollBar()->setValue(m_scrolledTo.y());
    }
    layoutContents();
}

void EditorView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    layoutContents();
}

void EditorView::scrollContentsBy(int, int)
{
    layoutContents();
}

bool EditorView::zoomByWheel(QWheelEvent *event, const QPoint &at)
{
    if (!event->modifiers().testFlag(Qt::ControlModifier))
        return false;
    event->accept();
    if (!m_editingVisible)
        return true; // the print preview has no scale
    // One step a notch (120), however finely a wheel or touchpad reports.
    m_wheelTurn += event->angleDelta().y();
    while (m_wheelTurn >= 120) {
        m_wheelTurn -= 120;
        zoomIn(at);
    }
    while (m_wheelTurn <= -120) {
        m_wheelTurn += 120;
        zoomOut(at);
    }
    return true;
}

bool EditorView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel && (watched == m_canvas || watched == m_panel1)) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        const QPoint at = static_cast<QWidget *>(watched)->mapTo(viewport(), wheel->position().toPoint());
        if (zoomByWheel(wheel, at))
            return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void EditorView::wheelEvent(QWheelEvent *event)
{
    if (!zoomByWheel(event, event->position().toPoint()))
        QAbstractScrollArea::wheelEvent(event);
}

} // namespace zel
