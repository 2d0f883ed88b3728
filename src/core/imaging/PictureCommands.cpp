#include "imaging/PictureCommands.h"

#include "imaging/PictureFiles.h"
#include "scene/EditCommands.h"
#include "scene/Render.h"
#include "scene/Scene.h"

namespace zel {

const char *const kOpenPictureFilter =
    "ﾋﾞｯﾄﾏｯﾌﾟ･JPEGｲﾒｰｼﾞ|*.bmp;*.jpg;*.jpeg|ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg";
const char *const kSavePictureFilter = "ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg";

PictureCommands::PictureCommands(EditCommands &edit, const JpegDecodeOptions &jpeg)
    : m_edit(edit)
    , m_jpeg(jpeg)
{
}

bool PictureCommands::PastePictureFile(Dialogs &dialogs, const QString &path)
{
    QString error;
    const Bitmap bitmap = readPictureFile(path, m_jpeg, &error);
    if (bitmap.isNull()) {
        dialogs.showError(error);
        return false;
    }
    m_edit.InsertPastedBitmap(bitmap);
    return true;
}

void PictureCommands::PasteFromFileItemClick(Dialogs &dialogs)
{
    FileRequest request;
    request.mode = FileRequest::Open;
    request.filter = QString::fromUtf8(kOpenPictureFilter);
    const QString path = dialogs.chooseFile(request);
    if (path.isEmpty())
        return;
    PastePictureFile(dialogs, path);
}

void PictureCommands::SaveBitmapItemClick(Dialogs &dialogs)
{
    const Scene &scene = m_edit.scene();
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

void PictureCommands::SaveClipboardItemClick(ClipboardPort &clipboard)
{
    const Scene &scene = m_edit.scene();
    if (scene.isEmpty())
        return;
    clipboard.setBitmap(RenderScene(scene));
}

} // namespace zel
