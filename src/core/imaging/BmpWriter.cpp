#include "BmpCodec.h"

#include "DeviceIo.h"

#include <QList>

#include <algorithm>
#include <vector>

namespace zel {

namespace {

QImage::Format formatForDepth(int depth)
{
    switch (depth) {
    case 1:
        return QImage::Format_Mono;
    case 4:
    case 8:
        return QImage::Format_Indexed8;
    case 16: // 5-5-5, held widened
    case 24:
        return QImage::Format_BGR888;
    case 32:
        return QImage::Format_RGB32;
    default:
        return QImage::Format_Invalid;
    }
}

int highestIndex(const QImage &image)
{
    uchar highest = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        highest = std::max(highest, *std::max_element(line, line + image.width()));
    }
    return highest;
}

// The bitmap as it will be written: a depth, and an image in that depth's format.
Bitmap normalised(const Bitmap &bitmap)
{
    Bitmap b = bitmap;
    if (b.image.format() != formatForDepth(b.depth))
        b = Bitmap::fromImage(b.image);
    return b;
}

// The colour table as written: every index used must have an entry.
QList<QRgb> tableFor(const QImage &image, int depth, int highest)
{
    QList<QRgb> table = image.colorTable();
    const int needed = depth == 1 ? 2 : highest + 1;
    table.resize(std::min<qsizetype>(table.size(), qsizetype(1) << depth));
    while (table.size() < needed)
        table.append(qRgb(0, 0, 0));
    return table;
}

void packRow(const QImage &image, int depth, int y, char *out, qint64 stride)
{
    const uchar *src = image.constScanLine(y);
    const int width = image.width();
    std::memset(out, 0, size_t(stride));
    switch (depth) {
    case 1: {
        const int bytes = (width + 7) / 8;
        std::memcpy(out, src, size_t(bytes));
        if (width % 8) // bits beyond the last pixel stay zero
            out[bytes - 1] = char(uchar(out[bytes - 1]) & uchar(0xFF << (8 - width % 8)));
        break;
    }
    case 4:
        for (int x = 0; x < width; ++x)
            out[x / 2] = char(uchar(out[x / 2]) | ((x & 1) ? (src[x] & 0x0F) : (src[x] << 4)));
        break;
    case 8:
        std::memcpy(out, src, size_t(width));
        break;
    case 16:
        // round(v x 31 / 255): the inverse of the reader's widening, so that
        // a 5-5-5 image read and written again keeps its bytes.
        for (int x = 0; x < width; ++x, src += 3) {
            const auto narrow = [](uchar v) { return quint16((v * 31 + 127) / 255); };
            putLe16(out + 2 * x, quint16(narrow(src[2]) << 10 | narrow(src[1]) << 5 | narrow(src[0])));
        }
        break;
    case 24:
        std::memcpy(out, src, size_t(width) * 3);
        break;
    case 32: {
        const auto *line = reinterpret_cast<const QRgb *>(src);
        for (int x = 0; x < width; ++x)
            putLe32(out + 4 * x, line[x] & 0x00FFFFFFu);
        break;
    }
    }
}

// The file and info headers and the colour table; false when the image is
// too large for a BMP file's size fields.
bool fileHead(QByteArray *head, qint64 width, qint64 height, int depth, const QList<QRgb> &table,
              int dotsPerMeterX, int dotsPerMeterY)
{
    const qint64 stride = ((width * depth + 31) / 32) * 4;
    const qint64 offset = 14 + 40 + 4 * qint64(table.size());
    const qint64 fileSize = offset + stride * height;
    if (fileSize > 0xFFFFFFFFll)
        return false;
    *head = QByteArray(int(offset), '\0');
    char *h = head->data();
    h[0] = 'B';
    h[1] = 'M';
    putLe32(h + 2, quint32(fileSize));
    putLe32(h + 10, quint32(offset));
    char *info = h + 14;
    putLe32(info, 40);
    putLe32(info + 4, quint32(width));
    putLe32(info + 8, quint32(height)); // positive: bottom-up rows
    putLe16(info + 12, 1);
    putLe16(info + 14, quint16(depth));
    putLe32(info + 16, 0); // BI_RGB
    putLe32(info + 20, quint32(stride * height));
    putLe32(info + 24, quint32(std::max(dotsPerMeterX, 0)));
    putLe32(info + 28, quint32(std::max(dotsPerMeterY, 0)));
    putLe32(info + 32, quint32(table.size()));
    putLe32(info + 36, 0);
    for (qsizetype i = 0; i < table.size(); ++i) {
        uchar *p = reinterpret_cast<uchar *>(info + 40 + 4 * i);
        p[0] = uchar(qBlue(table[i]));
        p[1] = uchar(qGreen(table[i]));
        p[2] = uchar(qRed(table[i]));
        p[3] = 0;
    }
    return true;
}

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = QStringLiteral("BMP: ") + message;
    return false;
}

} // namespace

bool writeBmp(QIODevice &out, const Bitmap &bitmap, QString *error)
{
    if (bitmap.isNull())
        return fail(error, QStringLiteral("no image to write"));
    Bitmap b = normalised(bitmap);
    if (b.isNull())
        return fail(error, QStringLiteral("no image to write"));
    const QImage &image = b.image;
    int depth = b.depth;

    int highest = 0;
    if (depth == 4 || depth == 8) {
        highest = highestIndex(image);
        if (depth == 4 && (highest >= 16 || image.colorCount() > 16))
            depth = 8;
    }
    const QList<QRgb> table = depth <= 8 ? tableFor(image, depth, highest) : QList<QRgb>();

    const qint64 width = image.width();
    const qint64 height = image.height();
    const qint64 stride = ((width * depth + 31) / 32) * 4;
    QByteArray head;
    if (!fileHead(&head, width, height, depth, table, image.dotsPerMeterX(), image.dotsPerMeterY()))
        return fail(error, QStringLiteral("%1 x %2 pixels do not fit in a BMP file")
                               .arg(width).arg(height));
    if (!writeAll(out, head))
        return fail(error, QStringLiteral("write failed: ") + out.errorString());

    // Rows go out bottom first, gathered into blocks of about 256 KiB.
    const qint64 rowsPerBlock = std::max<qint64>(1, (qint64(1) << 18) / std::max<qint64>(stride, 1));
    std::vector<char> block(size_t(std::min(rowsPerBlock, height) * stride));
    for (qint64 y = height - 1; y >= 0;) {
        qint64 filled = 0;
        for (; y >= 0 && filled < rowsPerBlock; --y, ++filled)
            packRow(image, depth, int(y), block.data() + filled * stride, stride);
        if (!writeAll(out, block.data(), filled * stride))
            return fail(error, QStringLiteral("write failed: ") + out.errorString());
    }
    return true;
}

bool writeBmp24(QIODevice &out, PictureRows &picture, QString *error)
{
    const QSize size = picture.size();
    if (size.isEmpty())
        return fail(error, QStringLiteral("no image to write"));
    const qint64 width = size.width();
    const qint64 stride = ((width * 24 + 31) / 32) * 4;
    const int bandHeight = picture.bandHeight();
    std::vector<char> block;
    // Bands are asked for from the bottom, the order the rows are written in.
    for (int bottom = size.height(); bottom > 0; bottom -= bandHeight) {
        const int top = std::max(0, bottom - bandHeight);
        const QImage band = picture.rows(top, bottom - top);
        if (band.isNull() || band.format() != QImage::Format_RGB32)
            return fail(error, QStringLiteral("not enough memory for rows %1 to %2").arg(top).arg(bottom - 1));
        if (bottom == size.height()) {
            QByteArray head;
            if (!fileHead(&head, width, size.height(), 24, {}, band.dotsPerMeterX(), band.dotsPerMeterY()))
                return fail(error, QStringLiteral("%1 x %2 pixels do not fit in a BMP file")
                                       .arg(width).arg(size.height()));
            if (!writeAll(out, head))
                return fail(error, QStringLiteral("write failed: ") + out.errorString());
        }
        // The band's rows, bottom first, in blocks of about 256 KiB.
        const qint64 rowsPerBlock = std::clamp<qint64>((qint64(1) << 18) / stride, 1, bottom - top);
        block.resize(size_t(rowsPerBlock * stride));
        for (int y = bottom - 1; y >= top;) {
            qint64 filled = 0;
            for (; y >= top && filled < rowsPerBlock; --y, ++filled) {
                const auto *in = reinterpret_cast<const QRgb *>(band.constScanLine(y - top));
                char *line = block.data() + filled * stride;
                for (qint64 x = 0; x < width; ++x, line += 3) {
                    line[0] = char(qBlue(in[x]));
                    line[1] = char(qGreen(in[x]));
                    line[2] = char(qRed(in[x]));
                }
                std::memset(line, 0, size_t(stride - width * 3));
            }
            if (!writeAll(out, block.data(), filled * stride))
                return fail(error, QStringLiteral("write failed: ") + out.errorString());
        }
    }
    return true;
}

} // namespace zel
