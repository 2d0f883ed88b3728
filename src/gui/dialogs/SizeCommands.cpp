#include "SizeCommands.h"

#include "SizeDialogs.h"

#include "scene/EditCommands.h"
#include "scene/Scene.h"

namespace zel {

void SizeItemClick(EditCommands &edit, TForm2 &dialog)
{
    const QSize before = edit.scene().backgroundSize();
    if (dialog.exec() == mrOk)
        edit.commitBackgroundSize(before);
}

void PartSizeItemClick(EditCommands &edit, TForm6 &dialog)
{
    Scene &scene = edit.scene();
    if (scene.isEmpty() || scene.SelectedIndex() != 0)
        return;
    const QSize before = edit.beginPartSize();
    ScenePart &part = scene.part(0);
    dialog.setTarget(part.Image.get(), &part.Source);
    edit.endPartSize(before, dialog.exec() == mrOk);
}

} // namespace zel
