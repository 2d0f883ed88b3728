#include "scene/EditCommands.h"

#include "scene/EditHistory.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <algorithm>

namespace zel {

EditCommands::EditCommands(Scene &scene, EditHistory &history)
    : m_scene(scene)
    , m_history(history)
{
}

void EditCommands::FileItemClick()
{
    const bool hasParts = !m_scene.isEmpty();
    UiState &ui = m_scene.ui();
    for (Item item : {Item::NewItem, Item::SaveItem, Item::SaveAsItem, Item::PrintPreviewItem,
                      Item::PrintItem})
        ui.setEnabled(item, hasParts);
}

void EditCommands::EditItemClick(const ClipboardPort &clipboard)
{
    UiState &ui = m_scene.ui();
    ui.setCaption(Item::UndoItem, m_history.undoCaption());
    ui.setCaption(Item::RedoItem, m_history.redoCaption());
    ui.setEnabled(Item::UndoItem, m_history.canUndo());
    ui.setEnabled(Item::RedoItem, m_history.canRedo());
    ui.setEnabled(Item::PasteItem, clipboard.hasBitmap());
    ui.setEnabled(Item::SelectItem, !m_scene.isEmpty());
}

void EditCommands::PictureItemClick()
{
    const bool hasParts = !m_scene.isEmpty();
    m_scene.ui().setEnabled(Item::SaveBitmapItem, hasParts);
    m_scene.ui().setEnabled(Item::SaveClipboardItem, hasParts);
}

bool EditCommands::UndoItemClick()
{
    return m_history.undo(m_scene);
}

bool EditCommands::RedoItemClick()
{
    return m_history.redo(m_scene);
}

void EditCommands::removeSelectedPart(quint8 type)
{
    if (m_scene.isEmpty())
        return;
    const ScenePart &top = m_scene.part(0);
    const QRect bounds = top.Image->bounds();
    m_history.AddHistoryEntry(type, bounds.x(), bounds.y(), bounds.width(), bounds.height(),
                              top.Source, top.Monochrome, top.Grayscale, top.Transparent);
    m_scene.RemoveTopPart();
}

void EditCommands::CutItemClick(ClipboardPort &clipboard)
{
    if (m_scene.isEmpty())
        return;
    CopyItemClick(clipboard);
    removeSelectedPart(CutEntry);
}

void EditCommands::ClearItemClick()
{
    removeSelectedPart(DeleteEntry);
}

void EditCommands::CopyItemClick(ClipboardPort &clipboard) const
{
    if (m_scene.isEmpty())
        return;
    const ScenePart &top = m_scene.part(0);
    const QRect bounds = top.Image->bounds();
    if (bounds.isEmpty() || top.Source.isNull())
        return;
    QImage copy(bounds.size(), QImage::Format_RGB32); // every pixel is drawn below
    blitScaled(copy, copy.rect(), top.Source.image, top.Source.image.rect(), false);
    clipboard.setBitmap(copy);
}

void EditCommands::PasteItemClick(const ClipboardPort &clipboard)
{
    if (!clipboard.hasBitmap())
        return;
    InsertPastedBitmap(Bitmap::fromImage(clipboard.bitmap()));
}

void EditCommands::InsertPastedBitmap(const Bitmap &bitmap, const QPoint &at)
{
    if (bitmap.isNull())
        return;
    const int width = bitmap.width();
    const int height = bitmap.height();
    m_scene.InsertPart(at.x(), at.y(), width, height, bitmap, 0, 0, 1);
    m_history.AddHistoryEntry(PasteEntry, at.x(), at.y(), width, height, bitmap, 0, 0, 1);
}

void EditCommands::ImageClick(PartView *image)
{
    const int index = m_scene.indexOf(image);
    if (index < 0 || index == m_scene.SelectedIndex())
        return;
    m_scene.MovePart(index, 0);
    m_scene.SelectPart(image);
    m_history.AddHistoryEntry(SelectEntry, index);
}

void EditCommands::commitSelection(int index)
{
    if (index > 0 && index < m_scene.count())
        m_history.AddHistoryEntry(SelectEntry, index);
}

qint32 EditCommands::recordToggle(bool wasOn, quint8 type)
{
    m_history.AddHistoryEntry(type, wasOn ? -1 : 0);
    return wasOn ? 0 : -1;
}

void EditCommands::TransparentModeItemClick()
{
    if (!m_scene.ui().isEnabled(Item::TransparentModeItem))
        return;
    m_scene.SetTransparentMode(recordToggle(m_scene.transparentMode(), TransparentModeEntry));
}

void EditCommands::MonochromeItemClick()
{
    if (m_scene.isEmpty())
        return;
    m_scene.SetMonochrome(recordToggle(m_scene.ui().isChecked(Item::MonochromeItem), MonochromeEntry));
}

void EditCommands::GrayItemClick()
{
    if (m_scene.isEmpty())
        return;
    m_scene.SetGrayscale(recordToggle(m_scene.ui().isChecked(Item::GrayItem), GrayscaleEntry));
}

void EditCommands::BKColorItemClick(Dialogs &dialogs)
{
    if (const std::optional<Colour> chosen = dialogs.chooseColour(m_scene.backgroundColour()))
        setBackgroundColour(*chosen);
}

void EditCommands::setBackgroundColour(Colour colour)
{
    // Recorded even when unchanged: the user chose it.
    m_history.AddHistoryEntry(BackgroundColourEntry, qint32(m_scene.backgroundColour()),
                              qint32(colour));
    m_scene.setBackgroundColour(colour);
}

void EditCommands::commitBackgroundSize(const QSize &before)
{
    const QSize after = m_scene.backgroundSize();
    m_history.AddHistoryEntry(BackgroundSizeEntry, before.width(), before.height(), after.width(),
                              after.height());
}

void EditCommands::setBackgroundSize(const QSize &size)
{
    const QSize before = m_scene.backgroundSize();
    m_scene.setBackgroundSize(size);
    commitBackgroundSize(before);
}

QSize EditCommands::beginPartSize()
{
    if (m_scene.isEmpty())
        return {};
    PartView &image = *m_scene.part(0).Image;
    // Shown without its frame while its size is chosen.
    image.setFrame(PartFrame::None);
    return image.bounds().size();
}

void EditCommands::endPartSize(const QSize &before, bool accepted)
{
    if (m_scene.isEmpty())
        return;
    PartView &image = *m_scene.part(0).Image;
    if (accepted) {
        m_history.AddHistoryEntry(PartSizeEntry, before.width(), before.height(), image.width(),
                                  image.height());
    }
    m_scene.FrameSelectedPart();
}

void EditCommands::setPartSize(const QSize &size)
{
    if (m_scene.isEmpty())
        return;
    const QSize before = beginPartSize();
    PartView &image = *m_scene.part(0).Image;
    image.setBounds(QRect(image.bounds().topLeft(), size));
    endPartSize(before, true);
}

QSize EditCommands::fittedSize(const QSize &source, const QSize &background)
{
    const qint64 sw = std::max(source.width(), 1), sh = std::max(source.height(), 1);
    const qint64 bw = std::max(background.width(), 1), bh = std::max(background.height(), 1);
    // Width-bound when the source is wider than the background in
    // proportion; truncated, never below one pixel.
    if (bw * sh <= bh * sw)
        return QSize(int(bw), int(std::max<qint64>(1, bw * sh / sw)));
    return QSize(int(std::max<qint64>(1, bh * sw / sh)), int(bh));
}

void EditCommands::FitPartItemClick()
{
    if (m_scene.isEmpty())
        return;
    setPartSize(fittedSize(m_scene.part(0).Source.image.size(), m_scene.backgroundSize()));
}

void EditCommands::commitMove(const QPoint &from)
{
    if (m_scene.isEmpty())
        return;
    const PartView &image = *m_scene.part(0).Image;
    m_history.AddHistoryEntry(MoveEntry, from.x(), from.y(), image.left(), image.top());
    m_scene.showTopBounds();
}

void EditCommands::movePart(const QPoint &to)
{
    if (m_scene.isEmpty())
        return;
    PartView &image = *m_scene.part(0).Image;
    const QPoint from = image.bounds().topLeft();
    image.setBounds(QRect(to, image.bounds().size()));
    commitMove(from);
}

} // namespace zel
