#include "SizeCommands.h"

#include "SizeDialogs.h"

#include "scene/EditHistory.h"
#include "scene/Render.h"
#include "scene/Scene.h"

namespace zel {

void SizeItemClick(Scene &scene, EditHistory &history, TForm2 &dialog)
{
    const QSize before = scene.backgroundSize();
    if (dialog.exec() != mrOk)
        return;
    const QSize after = scene.backgroundSize();
    history.AddHistoryEntry(BackgroundSizeEntry, before.width(), before.height(), after.width(),
                            after.height());
}

void PartSizeItemClick(Scene &scene, EditHistory &history, TForm6 &dialog)
{
    if (scene.isEmpty() || scene.SelectedIndex != 0)
        return;
    ScenePart &part = scene.part(0);
    PartView &image = *part.Image;
    // Repainting without the frame keeps the dashed line from being
    // stretched along with the picture.
    RefreshPartImage(image, QRect(0, 0, image.width(), image.height()), part.Source.image,
                     part.Monochrome != 0, part.Grayscale != 0);
    const int oldWidth = image.width();
    const int oldHeight = image.height();
    dialog.setTarget(&image, &part.Source);
    image.setStretch(true);
    if (dialog.exec() == mrOk) {
        image.setBitmapSize(image.width(), image.height());
        history.AddHistoryEntry(PartSizeEntry, oldWidth, oldHeight, image.width(),
                                image.height());
    }
    scene.FrameSelectedPart();
}

} // namespace zel
