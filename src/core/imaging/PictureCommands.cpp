#include "imaging/PictureCommands.h"

#include "imaging/PictureFiles.h"
#include "scene/EditCommands.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <QFileInfo>

namespace zel {

const char *const kOpenPictureFilter =
    "ﾋﾞｯﾄﾏｯﾌﾟ･JPEGｲﾒｰｼﾞ|*.bmp;*.jpg;*.jpeg;*.png|ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg|PNGｲﾒｰｼﾞ|*.png";
const char *const kSavePictureFilter = "ﾋﾞｯﾄﾏｯﾌﾟ|*.bmp|JPEGｲﾒｰｼﾞ|*.jpg;*.jpeg";

PictureCommands::PictureCommands(EditCommands &edit, const JpegDecodeOptions &jpeg)
    : m_edit(edit)
    , m_jpeg(jpeg)
{
}

namespace {

QString fileMessage(const QString &path, const QString &ending)
{
    return QStringLiteral("ﾌｧｲﾙ<") + path + QLatin1Char('>') + ending;
}

} // namespace

bool PictureCommands::PastePictureFile(Dialogs &dialogs, const QString &path, const QPoint &at)
{
    QString error;
    PictureFailure failure = PictureFailure::None;
    const Bitmap bitmap = readPictureFile(path, m_jpeg, &error, &failure);
    if (bitmap.isNull()) {
        // The JPEG library's own "JPEG ｴﾗｰ #n" is shown as it is; the rest
        // in the program's words.
        if (failure == PictureFailure::UnknownKind)
            error = fileMessage(path, QStringLiteral("はﾋﾞｯﾄﾏｯﾌﾟ、JPEG、PNGのいずれでもありません"));
        else if (failure == PictureFailure::Open)
            error = fileMessage(path, QStringLiteral("のオープンに失敗しました"));
        else if (!error.startsWith(QStringLiteral("JPEG ｴﾗｰ")))
            error = fileMessage(path, QStringLiteral("の画像を読み込めませんでした"));
        dialogs.showError(error);
        return false;
    }
    m_edit.InsertPastedBitmap(bitmap, at);
    return true;
}

void PictureCommands::PasteFromFileItemClick(Dialogs &dialogs)
{
    FileRequest request;
    request.mode = FileRequest::Open;
    request.title = QStringLiteral("ﾌｧｲﾙから貼り付け");
    request.filter = QString::fromUtf8(kOpenPictureFilter);
    request.preview = true;
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
    request.title = QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟとしてﾌｧｲﾙに保存");
    request.filter = QString::fromUtf8(kSavePictureFilter);
    request.confirmOverwrite = true;
    request.suffixFromFilter = true;
    QString path = dialogs.chooseFile(request);
    if (path.isEmpty())
        return;
    // A dialog that left the name bare: the filter chosen says the kind,
    // and the name it makes is asked about as the dialog asks.
    if (pictureExtension(path).isEmpty()) {
        path += QLatin1Char('.') + filterSuffix(request.filter, request.selectedFilter);
        if (QFileInfo::exists(path)
            && dialogs.askYesNoCancel(request.title, fileMessage(path, QStringLiteral("は既に存在します。\r\n上書きしますか？")))
                   != Answer::Yes)
            return;
    }
    const PictureKind kind = pictureKindOf(path);
    if (kind != PictureKind::Bmp && kind != PictureKind::Jpeg) {
        dialogs.showMessage(fileMessage(
            path, QStringLiteral("はﾋﾞｯﾄﾏｯﾌﾟ(.bmp)でもJPEG(.jpg)でもないため保存できません")));
        return;
    }
    // Drawn band by band as it is written: never the whole picture at once.
    RenderedRows rows(pictureOf(scene));
    if (!writePictureFile(path, rows, nullptr))
        dialogs.showError(fileMessage(path, QStringLiteral("の書き込みに失敗しました")));
}

void PictureCommands::SaveClipboardItemClick(ClipboardPort &clipboard)
{
    const Scene &scene = m_edit.scene();
    if (scene.isEmpty())
        return;
    clipboard.setBitmap(RenderScene(scene));
}

} // namespace zel
