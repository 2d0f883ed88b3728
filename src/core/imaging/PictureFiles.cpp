#include "PictureFiles.h"

#include "BmpCodec.h"
#include "DeviceIo.h"
#include "PngCodec.h"

#include "fileio/FileReplacement.h"
#include "fileio/NativePath.h"

#include <QFile>


namespace zel {

namespace {

// A JPEG file larger than this is not a picture we could hold anyway.
constexpr qint64 kMaxJpegFileBytes = qint64(1) << 30;

QString asciiUpper(QString text)
{
    for (QChar &c : text)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - (u'a' - u'A'));
    return text;
}

} // namespace

QString pictureExtension(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return QString();
    return asciiUpper(path.mid(dot));
}

PictureKind pictureKindOf(const QString &path)
{
    const QString ext = pictureExtension(path);
    if (ext == u".BMP")
        return PictureKind::Bmp;
    if (ext == u".JPG" || ext == u".JPEG")
        return PictureKind::Jpeg;
    if (ext == u".PNG")
        return PictureKind::Png;
    return PictureKind::Unknown;
}

Bitmap readPictureFile(const QString &path, const JpegDecodeOptions &options, QString *error,
                       PictureFailure *failure, BmpFileSize bmpSize)
{
    const auto fail = [&](PictureFailure why, const QString &text) {
        if (error)
            *error = text;
        if (failure)
            *failure = why;
        return Bitmap();
    };
    const PictureKind kind = pictureKindOf(path);
    if (kind == PictureKind::Unknown)
        return fail(PictureFailure::UnknownKind,
                    QStringLiteral("%1: not a BMP, JPEG or PNG file name").arg(path));
    QFile file;
    QString reason;
    if (const InputError opened = openForReading(file, path, &reason); opened != InputError::None)
        return fail(opened == InputError::System ? PictureFailure::Open : PictureFailure::Invalid,
                    QStringLiteral("%1: %2").arg(path, reason));
    QString why;
    Bitmap bitmap;
    if (kind == PictureKind::Bmp) {
        BmpReadOptions bmp;
        bmp.maxPixels = options.maxPixels;
        bmp.lenientFileSize = bmpSize == BmpFileSize::Lenient;
        bitmap = readBmp(QByteArray(), file, &why, bmp);
    } else if (kind == PictureKind::Png) {
        bitmap = decodePng(file, options.maxPixels, &why);
    } else if (file.size() > kMaxJpegFileBytes) {
        why = QStringLiteral("JPEG: file larger than %1 bytes").arg(kMaxJpegFileBytes);
    } else {
        const QByteArray data = readUpTo(file, file.size());
        if (data.size() != file.size())
            why = QStringLiteral("read failed: ") + file.errorString();
        else
            bitmap = decodeJpeg(data, options, &why);
    }
    if (bitmap.isNull())
        return fail(PictureFailure::Invalid, why);
    if (failure)
        *failure = PictureFailure::None;
    return bitmap;
}

namespace {

// Writes the picture through one file replacement; the writer's own reason
// counts unless the file itself failed first.
template <typename Write>
bool replaceWithPicture(const QString &path, QString *error, Write &&write)
{
    FileReplacement file(path);
    if (!file.open()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QString why;
    const bool written = write(file, &why);
    if (written && file.commit())
        return true;
    file.cancel();
    if (error)
        *error = file.hasFailed() || why.isEmpty() ? file.errorString()
                                                   : QStringLiteral("%1: %2").arg(path, why);
    return false;
}

} // namespace

bool writePicture(QIODevice &out, PictureKind kind, PictureRows &rows, QString *error)
{
    switch (kind) {
    case PictureKind::Bmp:
        return writeBmp24(out, rows, error);
    case PictureKind::Jpeg:
        return encodeJpeg(out, rows, error);
    case PictureKind::Png:
        return encodePng(out, rows, error);
    case PictureKind::Unknown:
        break;
    }
    if (error)
        *error = QStringLiteral("not a BMP, JPEG or PNG picture");
    return false;
}

bool writePictureFile(const QString &path, PictureRows &rows, QString *error)
{
    return writePictureFile(path, pictureKindOf(path), rows, error);
}

bool writePictureFile(const QString &path, PictureKind kind, PictureRows &rows, QString *error)
{
    if (kind == PictureKind::Unknown)
        return true;
    return replaceWithPicture(path, error, [&](QIODevice &file, QString *why) {
        return writePicture(file, kind, rows, why);
    });
}

bool writePictureFile(const QString &path, const QImage &picture, QString *error)
{
    WholePicture rows(picture);
    return writePictureFile(path, rows, error);
}

} // namespace zel
