#pragma once

#include "pixels/Bitmap.h"
#include "scene/Ports.h"

#include <QPoint>
#include <QSize>

namespace zel {

class EditHistory;
class PartView;
class Scene;

// The commands that change the scene. Each checks its own precondition (a
// shortcut can fire while the menu still shows an older state), makes its
// change and records exactly one history entry, so that the two cannot
// drift apart. Changes that a dialog or a drag shows live are finished by
// the commit functions, which record what was done meanwhile.
class EditCommands
{
public:
    EditCommands(Scene &scene, EditHistory &history);

    Scene &scene() const { return m_scene; }
    EditHistory &history() const { return m_history; }

    // The menus' enabling, computed as each menu opens.
    void FileItemClick();
    void EditItemClick(const ClipboardPort &clipboard);
    void PictureItemClick();

    // False when there was nothing to undo or redo.
    bool UndoItemClick();
    bool RedoItemClick();

    // Cut (entry type 0) and Delete (type 2): the entry takes the part's source.
    void CutItemClick(ClipboardPort &clipboard);
    void ClearItemClick();
    // The selected part's source pixels at its displayed size, flags not applied.
    void CopyItemClick(ClipboardPort &clipboard) const;
    void PasteItemClick(const ClipboardPort &clipboard);
    // Inserts a bitmap as a new top part, transparent, its top-left at
    // (0, 0) or where it was dropped.
    void InsertPastedBitmap(const Bitmap &bitmap, const QPoint &at = QPoint(0, 0));

    // A click on a part's display image: raise and select it.
    void ImageClick(PartView *image);
    // A part the selection dialog brought to the top from index.
    void commitSelection(int index);

    void TransparentModeItemClick();
    void MonochromeItemClick();
    void GrayItemClick();

    void BKColorItemClick(Dialogs &dialogs);
    void setBackgroundColour(Colour colour);

    // The background was resized (live, by its dialog) from before.
    void commitBackgroundSize(const QSize &before);
    void setBackgroundSize(const QSize &size);

    // The part-size dialog shows the selected part at its changing bounds:
    // beginPartSize takes its frame off and returns the size it had;
    // endPartSize records the new size when accepted and draws the frame
    // again.
    QSize beginPartSize();
    void endPartSize(const QSize &before, bool accepted);
    void setPartSize(const QSize &size);
    // The selected part at the largest size that fits the background with
    // its source's proportions, wherever it lies: one part-size entry.
    void FitPartItemClick();
    static QSize fittedSize(const QSize &source, const QSize &background);

    // The selected part was moved (live, by a drag) from a place.
    void commitMove(const QPoint &from);
    void movePart(const QPoint &to);

private:
    void removeSelectedPart(quint8 type);
    // Records the state before a toggle and returns the new value to set.
    qint32 recordToggle(bool wasOn, quint8 type);

    Scene &m_scene;
    EditHistory &m_history;
};

} // namespace zel
