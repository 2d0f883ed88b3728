#pragma once

#include "Ports.h"

#include <QtGlobal>

namespace zel {

class EditHistory;
class PartView;
class Scene;

// The commands that change the scene directly. Each records exactly one
// history entry, and each does nothing when its precondition does not hold
// (a shortcut can fire while the menu still shows an older state).

// The menus' enabling, computed as each menu opens.
void FileItemClick(Scene &scene);
void EditItemClick(Scene &scene, const EditHistory &history, const ClipboardPort &clipboard);
void PictureItemClick(Scene &scene);

void UndoItemClick(Scene &scene, EditHistory &history);
void RedoItemClick(Scene &scene, EditHistory &history);

// Cut (entry type 0) and Delete (type 2): the entry takes the part's source.
void RemoveSelectedPart(Scene &scene, EditHistory &history, quint8 type);
void CutItemClick(Scene &scene, EditHistory &history, ClipboardPort &clipboard);
void ClearItemClick(Scene &scene, EditHistory &history);

// A click on a part's display image: raise and select it.
void ImageClick(Scene &scene, EditHistory &history, PartView *image);

void TransparentModeItemClick(Scene &scene, EditHistory &history);
void MonochromeItemClick(Scene &scene, EditHistory &history);
void GrayItemClick(Scene &scene, EditHistory &history);

void BKColorItemClick(Scene &scene, EditHistory &history, Dialogs &dialogs);

} // namespace zel
