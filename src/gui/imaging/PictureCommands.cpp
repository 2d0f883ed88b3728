#include "PictureCommands.h"

#include "EditHistory.h"
#include "JpegCodec.h"
#include "PictureFiles.h"
#include "Render.h"
#include "Scene.h"

namespace zel {

const char *const kOpenPictureFilter =
    "ﾋﾞｯﾄﾏｯﾌﾟ･JPEGｲﾒｰｼﾞ|*.bmp;*.jpg;*.jpeg|ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg";
const char *const kSavePictureFilter = "ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg";

void CopyItemClick(Scene &scene, ClipboardPort &clipboard)
{
    if (scene.isEmpty())
        return;
    const ScenePart &top = scene.part(0);
    const QRect bounds = top.Image->bounds();
    if (bounds.isEmpty() || top.Source.isNull())
        return;
    QImage copy(bounds.size(), QImage::Format_RGB32); // every pixel is drawn below
    blitScaled(copy, copy.rect(), top.Source.image, top.Source.image.rect(), false);
    clipboard.setBitmap(copy);
}

void InsertPastedBitmap(Scene &scene, EditHistory &history, const Bitmap &bitmap)
{
    if (bitmap.isNull())
        return;
    const int width = bitmap.width();
    const int height = bitmap.height();
    scene.InsertPart(0, 0, width, height, bitmap, 0, 0, 1);
    history.AddHistoryEntry(PasteEntry, 0, 0, width, height, bitmap, 0, 0, 1);
}

void PasteItemClick(Scene &scene, EditHistory &history, const ClipboardPort &clipboard)
{
    if (!clipboard.hasBitmap())
        return;
    InsertPastedBitmap(scene, history, Bitmap::fromImage(clipboard.bitmap()));
}

bool PastePictureFile(Scene &scene, EditHistory &history, Dialogs &dialogs, const QString &path,
                      const JpegDecodeOptions &jpeg)
{
    QString error;
    const Bitmap bitmap = readPictureFile(path, jpeg, &error);
    if (bitmap.isNull()) {
        dialogs.showError(error);
        return false;
    }
    InsertPastedBitmap(scene, history, bitmap);
    return true;
}

void PasteFromFileItemClick(Scene &scene, EditHistory &history, Dialogs &dialogs,
                            const JpegDecodeOptions &jpeg)
{
    FileRequest request;
    request.mode = FileRequest::Open;
    request.filter = QString::fromUtf8(kOpenPictureFilter);
    const QString path = dialogs.chooseFile(request);
    if (path.isEmpty())
        return;
    PastePictureFile(scene, history, dialogs, path, jpeg);
}

void SaveBitmapItemClick(Scene &scene, Dialogs &dialogs)
{
    if (scene.isEmpty())
        return;
    FileRequest request;
    request.mode = FileRequest::Save;
    request.filter = QString::fromUtf8(kSavePictureFilter);
    request.confirmOverwrite = true;
    const QString path = dialogs.chooseFile(request);
    if (path.isEmpty())
        return;
    if (pictureKindOf(path) == PictureKind::Unknown)
        return; // nothing is written and nothing reported
    QString error;
    if (!writePictureFile(path, RenderScene(scene), &error))
        dialogs.showError(error);
}

void SaveClipboardItemClick(Scene &scene, ClipboardPort &clipboard)
{
    if (scene.isEmpty())
        return;
    clipboard.setBitmap(RenderScene(scene));
}

} // namespace zel
