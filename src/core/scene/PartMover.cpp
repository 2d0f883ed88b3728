#include "scene/PartMover.h"

#include "scene/EditCommands.h"
#include "scene/Scene.h"

namespace zel {

namespace {

// The displacement rounded to the nearest multiple of 8, halves going up.
int snap(int d)
{
    return qint32(quint32(d) + 4u) & ~7;
}

} // namespace

PartMover::PartMover(EditCommands &edit, MoveHost &host)
    : m_scene(edit.scene())
    , m_edit(edit)
    , m_host(host)
{
}

void PartMover::FormShow()
{
    endDrag();
    m_shiftHeld = false;
}

void PartMover::placeTop(const QPoint &offset)
{
    PartView &image = *m_scene.part(0).Image;
    image.setBounds(QRect(m_dragOrigin + offset, image.bounds().size()));
}

void PartMover::placeSnapped()
{
    const QPoint snapped(snap(m_dragOffset.x()), snap(m_dragOffset.y()));
    placeTop(snapped);
    m_scene.ui().setStatusText(1, UiState::offsetText(snapped.x(), snapped.y()));
}

void PartMover::showTopBounds()
{
    m_scene.showTopBounds();
}

void PartMover::ImageMouseDown(PartView *image, bool leftButton, const QPoint &imagePoint,
                               std::optional<QPoint> screenPoint)
{
    // A press while a move runs belongs to that move: its origin must stay,
    // or the move entry it ends with could not be undone.
    if (!image || m_dragging)
        return;
    m_dragOrigin = image->bounds().topLeft();
    m_dragAnchor = m_dragOrigin + imagePoint;
    if (!leftButton)
        return;
    m_armed = image;
    m_pressPoint = m_dragAnchor;
    m_pressScreen = screenPoint;
}

void PartMover::mouseMoved(const PointerEvent &event)
{
    const QPoint &point = event.point;
    const bool overBackground = event.overBackground;
    if (m_armed && !m_dragging) {
        const int travel = m_pressScreen && event.screen
                               ? (*event.screen - *m_pressScreen).manhattanLength()
                               : (point - m_pressPoint).manhattanLength();
        if (travel < m_host.dragThreshold())
            return;
        // Beginning the drag completes the press as a click: the part is
        // selected (and raised) before it moves.
        PartView *image = m_armed;
        m_armed = nullptr;
        m_edit.ImageClick(image);
        if (m_scene.isEmpty() || m_scene.part(0).Image.get() != image)
            return;
        m_dragging = true;
        // Shift held as the drag begins (pressed before, perhaps while
        // another window had the keys) snaps it from the start.
        m_shiftHeld = event.shift;
    }
    if (!m_dragging)
        return;
    m_host.showPointer(overBackground ? MoveHost::Pointer::Hand : MoveHost::Pointer::Forbidden);
    if (overBackground)
        Panel1DragOver(point);
}

void PartMover::mouseReleased(const PointerEvent &event)
{
    const QPoint &point = event.point;
    const bool overBackground = event.overBackground;
    if (m_armed) {
        PartView *image = m_armed;
        m_armed = nullptr;
        if (!m_dragging) {
            m_edit.ImageClick(image);
            return;
        }
    }
    if (!m_dragging)
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
    m_dragging = true;
    m_dragOffset = point - m_dragAnchor;
    if (m_shiftHeld && !m_keyboardMove) {
        // Modifier keys do not repeat here, so the snapped place follows the
        // pointer on every movement while Shift is down.
        placeSnapped();
        return;
    }
    m_scene.ui().setStatusText(1, UiState::offsetText(m_dragOffset.x(), m_dragOffset.y()));
    placeTop(m_dragOffset);
}

void PartMover::ImageDragDrop()
{
    if (m_scene.isEmpty())
        return;
    m_edit.commitMove(m_dragOrigin); // shows the part's bounds
    endDrag();
}

void PartMover::endDrag()
{
    m_dragging = false;
    m_keyboardMove = false;
    m_shiftHeld = false; // the next drag reads it afresh
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
    if (m_scene.isEmpty() || m_dragging)
        return;
    const QRect bounds = m_scene.part(0).Image->bounds();
    m_dragOrigin = bounds.topLeft();
    m_dragAnchor = m_dragOrigin + QPoint(bounds.width() / 2, bounds.height() / 2);
    m_dragOffset = QPoint(0, 0);
    m_keyboardMove = true;
    m_dragging = true;
    m_host.capturePointer(true);
    m_host.showPointer(MoveHost::Pointer::Hand);
    m_host.placePointer(m_dragAnchor);
    Panel1DragOver(m_dragAnchor);
}

bool PartMover::WMKeyDown(int key)
{
    if (!m_dragging || m_scene.isEmpty())
        return false;
    if (key == VkShift) {
        m_shiftHeld = true;
        if (!m_keyboardMove)
            placeSnapped();
        return true;
    }
    if (key == VkEscape) {
        cancel();
        return true;
    }
    if (!m_keyboardMove)
        return false;
    const int step = m_shiftHeld ? 8 : 1;
    switch (key) {
    case VkLeft: m_dragOffset.rx() -= step; break;
    case VkUp: m_dragOffset.ry() -= step; break;
    case VkRight: m_dragOffset.rx() += step; break;
    case VkDown: m_dragOffset.ry() += step; break;
    case VkReturn:
        ImageDragDrop(); // shows the part's bounds
        m_shiftHeld = false;
        return true;
    default:
        return false;
    }
    m_scene.ui().setStatusText(1, UiState::offsetText(m_dragOffset.x(), m_dragOffset.y()));
    placeTop(m_dragOffset);
    m_host.placePointer(m_dragAnchor + m_dragOffset);
    return true;
}

void PartMover::WMKeyUp(int key)
{
    if (key == VkShift)
        m_shiftHeld = false;
}

} // namespace zel
