#pragma once

#include <QPoint>

#include <optional>

namespace zel {

class EditCommands;
class PartView;
class Scene;

// A mouse event over the background as the mover takes it: where, in
// background pixels, whether the pointer is over the background (where a
// part can be dropped) and whether Shift is down.
struct PointerEvent {
    QPoint point;
    bool overBackground = true;
    bool shift = false;
    // Where on the screen, when the view is scaled: the drag threshold is
    // the system's, in screen pixels.
    std::optional<QPoint> screen;
};

// The keys the mover speaks, as the window's virtual key codes.
enum MoveKey : int { VkReturn = 13, VkShift = 16, VkEscape = 27, VkLeft = 37, VkUp = 38,
                     VkRight = 39, VkDown = 40 };

// What moving a part needs from the window around it.
class MoveHost
{
public:
    enum class Pointer { Normal, Hand, Forbidden };
    virtual ~MoveHost() = default;
    // In screen pixels (background pixels where events carry no screen point).
    virtual int dragThreshold() const = 0;
    // Puts the mouse pointer on a background point.
    virtual void placePointer(const QPoint &backgroundPoint) = 0;
    virtual void showPointer(Pointer pointer) = 0;
    // While a keyboard move runs, the pointer is followed wherever it goes.
    virtual void capturePointer(bool capture) = 0;
};

// Moving the selected part with the mouse or, after the Move command, with
// the arrow keys: the part follows live, the status bar shows the
// displacement, Shift snaps a mouse drag to steps of 8 (or makes a key step
// 8), Esc puts the part back, and a drop records one move entry.
class PartMover
{
public:
    PartMover(EditCommands &edit, MoveHost &host);

    QPoint DragOrigin() const { return m_dragOrigin; }
    QPoint DragAnchor() const { return m_dragAnchor; }
    QPoint DragOffset() const { return m_dragOffset; }
    bool Dragging() const { return m_dragging; }
    bool ShiftHeld() const { return m_shiftHeld; }
    bool KeyboardMove() const { return m_keyboardMove; }

    // The window was shown: no move in progress.
    void FormShow();

    // Mouse events over the background. A left press on a part arms a drag
    // that begins once the pointer has travelled the drag threshold; a
    // release without a drag is a plain click. imagePoint is the press
    // within the part.
    void ImageMouseDown(PartView *image, bool leftButton, const QPoint &imagePoint,
                        std::optional<QPoint> screenPoint = std::nullopt);
    void mouseMoved(const PointerEvent &event);
    void mouseReleased(const PointerEvent &event);

    void Panel1DragOver(const QPoint &point);
    void ImageDragDrop();
    void MoveItemClick();

    // Keys reaching the window (MoveKey codes, others ignored); true when
    // the key was used by a move.
    bool WMKeyDown(int key);
    void WMKeyUp(int key);

    // Parts were added or removed: a pressed part may be gone.
    void partsChanged() { m_armed = nullptr; }

private:
    void placeTop(const QPoint &offset);
    // The part at DragOffset rounded to the snap grid, shown in the status bar.
    void placeSnapped();
    void showTopBounds();
    void cancel();
    void endDrag();

    Scene &m_scene;
    EditCommands &m_edit;
    MoveHost &m_host;
    QPoint m_dragOrigin;
    QPoint m_dragAnchor;
    QPoint m_dragOffset;
    bool m_dragging = false;
    bool m_shiftHeld = false;
    bool m_keyboardMove = false;
    PartView *m_armed = nullptr;  // pressed part, drag not begun yet
    QPoint m_pressPoint;
    std::optional<QPoint> m_pressScreen;
};

} // namespace zel
