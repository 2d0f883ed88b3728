#include "PictureFiles.h"

#include "BmpCodec.h"
#include "DeviceIo.h"
#include "pixels/ImageAllocation.h"

#include "fileio/FileReplacement.h"
#include "fileio/NativePath.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <limits>

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

namespace {

Bitmap readPng(QIODevice &file, qint64 maxPixels, QString *why)
{
    QImageReader reader(&file, "png");
    const QSize size = reader.size();
    if (!size.isValid()) {
        *why = QStringLiteral("PNG: ") + reader.errorString();
        return {};
    }
    if (qint64(size.width()) * size.height() > maxPixels) {
        *why = QStringLiteral("PNG: %1 x %2 is more than the limit of %3 pixels")
                   .arg(size.width()).arg(size.height()).arg(maxPixels);
        return {};
    }
    // Qt decodes 16-bit channels into 8 bytes a pixel: the image may take
    // what maxPixels take at 4 bytes, and no more, whatever the header says.
    const qint64 limitMiB = std::max<qint64>(1, maxPixels * 4 / (1024 * 1024));
    reader.setAllocationLimit(int(std::min<qint64>(limitMiB, std::numeric_limits<int>::max())));
    const QImage image = reader.read();
    if (image.isNull()) {
        *why = QStringLiteral("PNG: ") + reader.errorString();
        return {};
    }
    return Bitmap::fromImage(image);
}

} // namespace

Bitmap readPictureFile(const QString &path, const JpegDecodeOptions &options, QString *error,
                       PictureFailure *failure)
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
        bitmap = readBmp(file, &why, options.maxPixels);
    } else if (kind == PictureKind::Png) {
        bitmap = readPng(file, options.maxPixels, &why);
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

// The picture as BGR888, for a 24-bit BMP. A rendered picture (RGB32) is
// converted into memory from allocateImage: Qt's own conversion takes fresh
// memory page by page, which costs more than the conversion itself.
QImage at24Bits(const QImage &picture)
{
    if (picture.format() != QImage::Format_RGB32)
        return picture.convertToFormat(QImage::Format_BGR888);
    QImage out = allocateImage(picture.width(), picture.height(), QImage::Format_BGR888);
    if (out.isNull())
        return picture.convertToFormat(QImage::Format_BGR888);
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        uchar *line = out.scanLine(y);
        for (int x = 0; x < picture.width(); ++x, line += 3) {
            line[0] = uchar(qBlue(in[x]));
            line[1] = uchar(qGreen(in[x]));
            line[2] = uchar(qRed(in[x]));
        }
    }
    out.setDotsPerMeterX(picture.dotsPerMeterX());
    out.setDotsPerMeterY(picture.dotsPerMeterY());
    return out;
}

} // namespace

bool writePictureFile(const QString &path, const QImage &picture, QString *error)
{
    const PictureKind kind = pictureKindOf(path);
    if (kind == PictureKind::Unknown)
        return true;
    return replaceWithPicture(path, error, [&](QIODevice &file, QString *why) {
        if (kind == PictureKind::Jpeg)
            return encodeJpeg(file, picture, why);
        if (kind == PictureKind::Png) {
            if (picture.save(&file, "PNG"))
                return true;
            *why = QStringLiteral("PNG write failed");
            return false;
        }
        Bitmap bitmap;
        bitmap.image = at24Bits(picture);
        bitmap.depth = 24;
        return writeBmp(file, bitmap, why);
    });
}


} // namespace zel
