#include "PartMover.h"

#include "EditCommands.h"
#include "EditHistory.h"
#include "Scene.h"

namespace zel {

namespace {

// The displacement rounded to the nearest multiple of 8, halves going up.
int snap(int d)
{
    return qint32(quint32(d) + 4u) & ~7;
}

} // namespace

int virtualKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    default: return 0;
    }
}

PartMover::PartMover(Scene &scene, EditHistory &history, MoveHost &host)
    : m_scene(scene)
    , m_history(history)
    , m_host(host)
{
}

void PartMover::FormShow()
{
    endDrag();
    ShiftHeld = false;
}

void PartMover::placeTop(const QPoint &offset)
{
    PartView &image = *m_scene.part(0).Image;
    image.setBounds(QRect(DragOrigin + offset, image.bounds().size()));
}

void PartMover::placeSnapped()
{
    const QPoint snapped(snap(DragOffset.x()), snap(DragOffset.y()));
    placeTop(snapped);
    m_scene.ui().setStatusText(1, UiState::offsetText(snapped.x(), snapped.y()));
}

void PartMover::showTopBounds()
{
    m_scene.showTopBounds();
}

void PartMover::ImageMouseDown(PartView *image, Qt::MouseButton button, const QPoint &imagePoint)
{
    // A press while a move runs belongs to that move: its origin must stay,
    // or the move entry it ends with could not be undone.
    if (!image || Dragging)
        return;
    DragOrigin = image->bounds().topLeft();
    DragAnchor = DragOrigin + imagePoint;
    if (button != Qt::LeftButton)
        return;
    m_armed = image;
    m_pressPoint = DragAnchor;
}

void PartMover::mouseMoved(const QPoint &point, bool overBackground)
{
    if (m_armed && !Dragging) {
        if ((point - m_pressPoint).manhattanLength() < m_host.dragThreshold())
            return;
        // Beginning the drag completes the press as a click: the part is
        // selected (and raised) before it moves.
        PartView *image = m_armed;
        m_armed = nullptr;
        ImageClick(m_scene, m_history, image);
        if (m_scene.isEmpty() || m_scene.part(0).Image.get() != image)
            return;
        Dragging = true;
    }
    if (!Dragging)
        return;
    m_host.showPointer(overBackground ? MoveHost::Pointer::Hand : MoveHost::Pointer::Forbidden);
    if (overBackground)
        Panel1DragOver(point);
}

void PartMover::mouseReleased(const QPoint &point, bool overBackground)
{
    if (m_armed) {
        PartView *image = m_armed;
        m_armed = nullptr;
        if (!Dragging) {
            ImageClick(m_scene, m_history, image);
            return;
        }
    }
    if (!Dragging)
        return;
    if (overBackground) {
        Panel1DragOver(point);
        ImageDragDrop();
    } else {
        // Released where nothing takes the part: the move is refused.
        cancel();
    }
}

void PartMover::Panel1DragOver(const QPoint &point)
{
    if (m_scene.isEmpty())
        return;
    Dragging = true;
    DragOffset = point - DragAnchor;
    if (ShiftHeld && !KeyboardMove) {
        // Modifier keys do not repeat here, so the snapped place follows the
        // pointer on every movement while Shift is down.
        placeSnapped();
        return;
    }
    m_scene.ui().setStatusText(1, UiState::offsetText(DragOffset.x(), DragOffset.y()));
    placeTop(DragOffset);
}

void PartMover::ImageDragDrop()
{
    if (m_scene.isEmpty())
        return;
    const PartView &image = *m_scene.part(0).Image;
    m_history.AddHistoryEntry(MoveEntry, DragOrigin.x(), DragOrigin.y(), image.left(), image.top());
    showTopBounds();
    endDrag();
}

void PartMover::endDrag()
{
    Dragging = false;
    KeyboardMove = false;
    m_armed = nullptr;
    m_host.capturePointer(false);
    m_host.showPointer(MoveHost::Pointer::Normal);
}

void PartMover::cancel()
{
    placeTop(QPoint(0, 0));
    showTopBounds();
    endDrag();
}

void PartMover::MoveItemClick()
{
    if (m_scene.isEmpty() || Dragging)
        return;
    const QRect bounds = m_scene.part(0).Image->bounds();
    DragOrigin = bounds.topLeft();
    DragAnchor = DragOrigin + QPoint(bounds.width() / 2, bounds.height() / 2);
    DragOffset = QPoint(0, 0);
    KeyboardMove = true;
    Dragging = true;
    m_host.capturePointer(true);
    m_host.showPointer(MoveHost::Pointer::Hand);
    m_host.placePointer(DragAnchor);
    Panel1DragOver(DragAnchor);
}

bool PartMover::WMKeyDown(int key)
{
    if (!Dragging || m_scene.isEmpty())
        return false;
    switch (key) {
    case VkEscape:
        cancel();
        return true;
    case VkShift:
        ShiftHeld = true;
        if (!KeyboardMove) {
            placeSnapped();
        }
        return true;
    default:
        break;
    }
    if (!KeyboardMove)
        return false;
    const int step = ShiftHeld ? 8 : 1;
    switch (key) {
    case VkLeft: DragOffset.rx() -= step; break;
    case VkUp: DragOffset.ry() -= step; break;
    case VkRight: DragOffset.rx() += step; break;
    case VkDown: DragOffset.ry() += step; break;
    case VkReturn:
        ImageDragDrop(); // shows the part's bounds
        ShiftHeld = false;
        return true;
    default:
        return false;
    }
    m_scene.ui().setStatusText(1, UiState::offsetText(DragOffset.x(), DragOffset.y()));
    placeTop(DragOffset);
    m_host.placePointer(DragAnchor + DragOffset);
    return true;
}

void PartMover::WMKeyUp(int key)
{
    if (key == VkShift)
        ShiftHeld = false;
}

} // namespace zel
