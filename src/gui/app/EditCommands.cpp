#include "EditCommands.h"

#include "EditHistory.h"
#include "Scene.h"
#include "imaging/PictureCommands.h"

namespace zel {

void FileItemClick(Scene &scene)
{
    const bool hasParts = !scene.isEmpty();
    UiState &ui = scene.ui();
    for (Item item : {Item::NewItem, Item::SaveItem, Item::SaveAsItem, Item::PrintPreviewItem,
                      Item::PrintItem})
        ui.setEnabled(item, hasParts);
}

void EditItemClick(Scene &scene, const EditHistory &history, const ClipboardPort &clipboard)
{
    UiState &ui = scene.ui();
    ui.setCaption(Item::UndoItem, history.undoCaption());
    ui.setCaption(Item::RedoItem, history.redoCaption());
    ui.setEnabled(Item::UndoItem, history.canUndo());
    ui.setEnabled(Item::RedoItem, history.canRedo());
    ui.setEnabled(Item::PasteItem, clipboard.hasBitmap());
    ui.setEnabled(Item::SelectItem, !scene.isEmpty());
}

void PictureItemClick(Scene &scene)
{
    const bool hasParts = !scene.isEmpty();
    scene.ui().setEnabled(Item::SaveBitmapItem, hasParts);
    scene.ui().setEnabled(Item::SaveClipboardItem, hasParts);
}

void UndoItemClick(Scene &scene, EditHistory &history)
{
    history.undo(scene);
}

void RedoItemClick(Scene &scene, EditHistory &history)
{
    history.redo(scene);
}

void RemoveSelectedPart(Scene &scene, EditHistory &history, quint8 type)
{
    if (scene.isEmpty())
        return;
    const ScenePart &top = scene.part(0);
    const QRect bounds = top.Image->bounds();
    history.AddHistoryEntry(type, bounds.x(), bounds.y(), bounds.width(), bounds.height(),
                            top.Source, top.Monochrome, top.Grayscale, top.Transparent);
    scene.RemoveTopPart();
}

void CutItemClick(Scene &scene, EditHistory &history, ClipboardPort &clipboard)
{
    if (scene.isEmpty())
        return;
    CopyItemClick(scene, clipboard);
    RemoveSelectedPart(scene, history, CutEntry);
}

void ClearItemClick(Scene &scene, EditHistory &history)
{
    RemoveSelectedPart(scene, history, DeleteEntry);
}

void ImageClick(Scene &scene, EditHistory &history, PartView *image)
{
    const int index = scene.indexOf(image);
    if (index < 0 || index == scene.SelectedIndex)
        return;
    scene.MovePart(index, 0);
    scene.SelectPart(image);
    history.AddHistoryEntry(SelectEntry, index);
}

namespace {

// Records the state before the toggle and returns the new value to set.
qint32 recordToggle(Scene &scene, EditHistory &history, Item item, EntryType type)
{
    const bool old = scene.ui().isChecked(item);
    history.AddHistoryEntry(type, old ? -1 : 0);
    return old ? 0 : -1;
}

} // namespace

void TransparentModeItemClick(Scene &scene, EditHistory &history)
{
    if (!scene.ui().isEnabled(Item::TransparentModeItem))
        return;
    scene.SetTransparentMode(recordToggle(scene, history, Item::TransparentModeItem,
                                          TransparentModeEntry));
}

void MonochromeItemClick(Scene &scene, EditHistory &history)
{
    if (scene.isEmpty())
        return;
    scene.SetMonochrome(recordToggle(scene, history, Item::MonochromeItem, MonochromeEntry));
}

void GrayItemClick(Scene &scene, EditHistory &history)
{
    if (scene.isEmpty())
        return;
    scene.SetGrayscale(recordToggle(scene, history, Item::GrayItem, GrayscaleEntry));
}

void BKColorItemClick(Scene &scene, EditHistory &history, Dialogs &dialogs)
{
    const Colour old = scene.backgroundColour();
    const std::optional<Colour> chosen = dialogs.chooseColour(old);
    if (!chosen)
        return;
    history.AddHistoryEntry(BackgroundColourEntry, qint32(old), qint32(*chosen));
    scene.setBackgroundColour(*chosen);
}

} // namespace zel
