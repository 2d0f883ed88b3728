#pragma once

#include <QPoint>

namespace zel {

class EditHistory;
class PartView;
class Scene;

// What moving a part needs from the window around it.
class MoveHost
{
public:
    enum class Pointer { Normal, Hand, Forbidden };
    virtual ~MoveHost() = default;
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
    PartMover(Scene &scene, EditHistory &history, MoveHost &host);

    QPoint DragOrigin;
    QPoint DragAnchor;
    QPoint DragOffset;
    bool Dragging = false;
    bool ShiftHeld = false;
    bool KeyboardMove = false;

    // The window was shown: no move in progress.
    void FormShow();

    // Mouse events over the background, in background pixels. A press on a
    // part arms a drag that begins once the pointer has travelled the drag
    // threshold; a release without a drag is a plain click.
    void ImageMouseDown(PartView *image, Qt::MouseButton button, const QPoint &imagePoint);
    void mouseMoved(const QPoint &point, bool overBackground);
    void mouseReleased(const QPoint &point, bool overBackground);

    void Panel1DragOver(const QPoint &point);
    void ImageDragDrop();
    void MoveItemClick();

    // Keys reaching the window; true when the key was used by a move.
    bool WMKeyDown(int key);
    void WMKeyUp(int key);

    // Parts were added or removed: a pressed part may be gone.
    void partsChanged() { m_armed = nullptr; }

private:
    enum : int { VkReturn = 13, VkShift = 16, VkEscape = 27, VkLeft = 37, VkUp = 38,
                 VkRight = 39, VkDown = 40 };
    void placeTop(const QPoint &offset);
    // The part at DragOffset rounded to the snap grid, shown in the status bar.
    void placeSnapped();
    void showTopBounds();
    void cancel();
    void endDrag();

    Scene &m_scene;
    EditHistory &m_history;
    MoveHost &m_host;
    PartView *m_armed = nullptr;  // pressed part, drag not begun yet
    QPoint m_pressPoint;
};

// Qt key codes to the virtual key codes the mover speaks; 0 for others.
int virtualKey(int qtKey);

} // namespace zel
