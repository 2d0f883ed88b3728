#include "BmpCodec.h"

#include "BmpRle.h"
#include "DeviceIo.h"
#include "pixels/ImageAllocation.h"

#include <QList>

#include <algorithm>
#include <bit>
#include <limits>
#include <vector>

namespace zel {

namespace {

constexpr int kFileHeaderSize = 14;
constexpr quint32 kBiRgb = 0;
constexpr quint32 kBiRle8 = 1;
constexpr quint32 kBiRle4 = 2;
constexpr quint32 kBiBitfields = 3;
constexpr quint32 kBiAlphaBitfields = 6;

// The device, preceded by bytes a caller has already taken off it.
class BmpInput
{
public:
    BmpInput(const QByteArray &head, QIODevice &device) : m_head(head), m_device(device) {}

    bool read(char *buffer, qint64 n)
    {
        const qint64 fromHead = std::min<qint64>(n, m_head.size() - m_headPos);
        if (fromHead > 0) {
            const QByteArrayView rest = QByteArrayView(m_head).sliced(m_headPos, fromHead);
            std::copy(rest.begin(), rest.end(), buffer);
            m_headPos += fromHead;
        }
        if (fromHead < n && !readExactly(m_device, buffer + fromHead, n - fromHead))
            return false;
        m_consumed += n;
        return true;
    }

    QByteArray readUpTo(qint64 n)
    {
        const qint64 fromHead = std::min<qint64>(n, m_head.size() - m_headPos);
        QByteArray data = m_head.mid(m_headPos, fromHead);
        m_headPos += fromHead;
        if (fromHead < n)
            data += zel::readUpTo(m_device, n - fromHead);
        m_consumed += data.size();
        return data;
    }

    bool skip(qint64 n)
    {
        const qint64 fromHead = std::min<qint64>(n, m_head.size() - m_headPos);
        m_headPos += fromHead;
        if (fromHead < n && !skipExactly(m_device, n - fromHead))
            return false;
        m_consumed += n;
        return true;
    }

    // Skips up to n bytes; how many there were.
    qint64 skipUpTo(qint64 n)
    {
        if (n <= 0)
            return 0;
        const qint64 fromHead = std::min<qint64>(n, m_head.size() - m_headPos);
        m_headPos += fromHead;
        qint64 done = fromHead;
        while (done < n) {
            const qint64 r = m_device.skip(n - done);
            if (r <= 0)
                break;
            done += r;
        }
        m_consumed += done;
        return done;
    }

    // Rows straight into place, once the bytes taken before are used up.
    bool canReadRows() const { return m_headPos >= m_head.size(); }
    qint64 readRows(char *first, qsizetype step, qint64 rowBytes, qint64 count)
    {
        const qint64 got = zel::readRows(m_device, first, step, rowBytes, count);
        m_consumed += got;
        return got;
    }

    // Whether n more bytes are known to be there (never for a pipe).
    bool canSupply(qint64 n) const
    {
        const qint64 inHead = m_head.size() - m_headPos;
        return !m_device.isSequential() && inHead + m_device.bytesAvailable() >= n;
    }

    qint64 consumed() const { return m_consumed; }

private:
    QByteArray m_head;
    qint64 m_headPos = 0;
    QIODevice &m_device;
    qint64 m_consumed = 0;
};

struct BmpHeader {
    quint32 fileSize = 0;
    quint32 pixelOffset = 0;
    quint32 infoSize = 0;
    qint64 width = 0;
    qint64 height = 0; // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    quint32 compression = kBiRgb;
    quint32 imageSize = 0;
    qint32 xPelsPerMeter = 0;
    qint32 yPelsPerMeter = 0;
    quint32 coloursUsed = 0;
    quint32 masks[3] = {0, 0, 0}; // red, green, blue
};

// One colour channel of a BI_BITFIELDS pixel, widened or narrowed to 8 bits.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint32 max = 0;

    explicit Channel(quint32 m) : mask(m)
    {
        if (mask) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    int level(quint32 pixel) const
    {
        if (!max)
            return 0;
        const quint64 v = (pixel & mask) >> shift;
        return max == 255 ? int(v) : int((v * 255 + max / 2) / max);
    }
};

class BmpReader
{
public:
    BmpReader(BmpInput &input, const BmpReadOptions &options)
        : m_in(input), m_options(options), m_maxPixels(options.maxPixels)
    {
    }

    // With pixels false the pixel bytes are skipped and the Bitmap stays null.
    bool read(bool pixels, BmpInfo *info, Bitmap *bitmap);
    QString error() const { return m_error; }

private:
    bool fail(const QString &message)
    {
        m_error = QStringLiteral("BMP: ") + message;
        return false;
    }
    bool readHeaders();
    bool readMasks();
    bool readPalette();
    bool admitted(BmpInfo *info);
    bool skipPixels(qint64 size, bool toEnd);
    int heldDepth() const;
    qint64 rowStride() const { return ((m_h.width * m_h.bitCount + 31) / 32) * 4; }
    bool isRle() const { return m_h.compression == kBiRle8 || m_h.compression == kBiRle4; }
    int imageRow(qint64 fileRow) const { return int(m_h.topDown ? fileRow : m_h.height - 1 - fileRow); }
    QImage::Format plainFormat(int *depth) const;
    bool allocate(QImage &image, QImage::Format format);
    Bitmap readPlain(qint64 size);
    bool storedAsHeld(const QImage &image) const;
    bool readStraight(QImage &image, qint64 size);
    void decodeRows(QImage &image, const char *rows, qint64 first, qint64 count) const;
    Bitmap decodeRle(const QByteArray &pixels);
    bool masksAre(quint32 r, quint32 g, quint32 b) const
    {
        return m_h.masks[0] == r && m_h.masks[1] == g && m_h.masks[2] == b;
    }
    void finishIndexed(QImage &image);

    BmpInput &m_in;
    const BmpReadOptions &m_options;
    qint64 m_maxPixels;
    BmpHeader m_h;
    QList<QRgb> m_palette;
    QString m_error;
};

bool BmpReader::readHeaders()
{
    char file[kFileHeaderSize];
    if (!m_in.read(file, kFileHeaderSize))
        return fail(QStringLiteral("file header cut short"));
    if (file[0] != 'B' || file[1] != 'M')
        return fail(QStringLiteral("not a BMP image (no \"BM\" signature)"));
    m_h.fileSize = le32(file + 2);
    m_h.pixelOffset = le32(file + 10);

    char sizeField[4];
    if (!m_in.read(sizeField, 4))
        return fail(QStringLiteral("bitmap header cut short"));
    m_h.infoSize = le32(sizeField);
    const quint32 s = m_h.infoSize;
    if (s != 12 && s != 40 && s != 52 && s != 56 && s != 64 && s != 108 && s != 124)
        return fail(QStringLiteral("unsupported bitmap header size %1").arg(s));
    char info[124];
    std::memcpy(info, sizeField, 4);
    if (!m_in.read(info + 4, s - 4))
        return fail(QStringLiteral("bitmap header cut short"));

    if (s == 12) {
        m_h.width = le16(info + 4);
        m_h.height = le16(info + 6);
        m_h.bitCount = le16(info + 10);
    } else {
        m_h.width = les32(info + 4);
        const qint64 h = les32(info + 8);
        m_h.topDown = h < 0;
        m_h.height = h < 0 ? -h : h;
        m_h.bitCount = le16(info + 14);
        m_h.compression = le32(info + 16);
        m_h.imageSize = le32(info + 20);
        m_h.xPelsPerMeter = les32(info + 24);
        m_h.yPelsPerMeter = les32(info + 28);
        m_h.coloursUsed = le32(info + 32);
        if (s >= 52) {
            m_h.masks[0] = le32(info + 40);
            m_h.masks[1] = le32(info + 44);
            m_h.masks[2] = le32(info + 48);
        }
    }

    if (m_h.width <= 0 || m_h.height <= 0)
        return fail(QStringLiteral("invalid size %1 x %2").arg(m_h.width).arg(m_h.height));
    if (m_h.width * m_h.height > m_maxPixels)
        return fail(QStringLiteral("%1 x %2 pixels is more than the limit of %3 pixels")
                        .arg(m_h.width).arg(m_h.height).arg(m_maxPixels));

    const int bits = m_h.bitCount;
    const quint32 c = m_h.compression;
    bool supported = false;
    if (c == kBiRgb)
        supported = bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    else if (s == 64)
        supported = c == kBiRle8 ? bits == 8 : c == kBiRle4 ? bits == 4 : false; // OS/2 3 and 4 differ
    else if (c == kBiRle8)
        supported = bits == 8;
    else if (c == kBiRle4)
        supported = bits == 4;
    else if (c == kBiBitfields || c == kBiAlphaBitfields)
        supported = bits == 16 || bits == 32;
    if (s == 12)
        supported = bits == 1 || bits == 4 || bits == 8 || bits == 24;
    if (!supported)
        return fail(QStringLiteral("unsupported format: %1 bits per pixel, compression %2")
                        .arg(bits).arg(c));
    return readMasks() && readPalette();
}

bool BmpReader::readMasks()
{
    const quint32 c = m_h.compression;
    if (c != kBiBitfields && c != kBiAlphaBitfields) {
        if (m_h.bitCount == 16) {
            m_h.masks[0] = 0x7C00;
            m_h.masks[1] = 0x03E0;
            m_h.masks[2] = 0x001F;
        } else if (m_h.bitCount == 32) {
            m_h.masks[0] = 0x00FF0000;
            m_h.masks[1] = 0x0000FF00;
            m_h.masks[2] = 0x000000FF;
        }
        return true;
    }
    if (m_h.infoSize >= 52)
        return true;
    // After a 40-byte header the masks follow it.
    const int n = c == kBiAlphaBitfields ? 16 : 12;
    char masks[16];
    if (!m_in.read(masks, n))
        return fail(QStringLiteral("colour masks cut short"));
    for (int i = 0; i < 3; ++i)
        m_h.masks[i] = le32(masks + 4 * i);
    return true;
}

bool BmpReader::readPalette()
{
    const qint64 tableStart = m_in.consumed();
    if (m_h.pixelOffset < tableStart)
        return fail(QStringLiteral("pixel offset %1 lies inside the headers").arg(m_h.pixelOffset));
    if (m_h.bitCount > 8)
        return true; // an optional palette for display, skipped with the gap
    const qint64 full = qint64(1) << m_h.bitCount;
    qint64 count = full;
    if (m_h.infoSize != 12 && m_h.coloursUsed != 0) {
        if (m_h.coloursUsed > full)
            return fail(QStringLiteral("%1 colours in the colour table of a %2-bit image")
                            .arg(m_h.coloursUsed).arg(m_h.bitCount));
        count = m_h.coloursUsed;
    }
    const int entry = m_h.infoSize == 12 ? 3 : 4;
    // Some writers put the pixels right after a shorter table than they
    // declare; the pixel offset tells how much table there really is.
    count = std::min<qint64>(count, (m_h.pixelOffset - tableStart) / entry);
    char table[256 * 4];
    if (!m_in.read(table, count * entry))
        return fail(QStringLiteral("colour table cut short"));
    m_palette.reserve(count);
    for (qint64 i = 0; i < count; ++i) {
        const uchar *p = reinterpret_cast<const uchar *>(table + i * entry);
        m_palette.append(qRgb(p[2], p[1], p[0]));
    }
    return true;
}

// Grows the colour table with black so that every index used has a colour.
void BmpReader::finishIndexed(QImage &image)
{
    int used = image.format() == QImage::Format_Mono ? 2 : 0;
    if (image.format() == QImage::Format_Indexed8) {
        uchar highest = 0;
        for (int y = 0; y < image.height(); ++y) {
            const uchar *line = image.constScanLine(y);
            highest = std::max(highest, *std::max_element(line, line + image.width()));
        }
        used = highest + 1;
    }
    QList<QRgb> table = m_palette;
    while (table.size() < used)
        table.append(qRgb(0, 0, 0));
    image.setColorTable(table);
}

QImage::Format BmpReader::plainFormat(int *depth) const
{
    switch (m_h.bitCount) {
    case 1:
        *depth = 1;
        return QImage::Format_Mono;
    case 4:
    case 8:
        *depth = m_h.bitCount;
        return QImage::Format_Indexed8;
    case 16:
        // Widened as read: held as Qt's RGB555, the channels would be widened
        // by bit replication wherever they are drawn.
        *depth = masksAre(0x7C00, 0x03E0, 0x001F) ? 16 : 24;
        return QImage::Format_BGR888;
    case 24:
        *depth = 24;
        return QImage::Format_BGR888;
    default:
        *depth = 32;
        return QImage::Format_RGB32;
    }
}

bool BmpReader::allocate(QImage &image, QImage::Format format)
{
    image = allocateImage(int(m_h.width), int(m_h.height), format);
    if (image.isNull())
        return fail(QStringLiteral("not enough memory for %1 x %2 pixels").arg(m_h.width).arg(m_h.height));
    return true;
}

// Decodes count file rows, starting at file row first, from rows (stride
// bytes each) into the image.
void BmpReader::decodeRows(QImage &image, const char *rows, qint64 first, qint64 count) const
{
    const int width = int(m_h.width);
    const qint64 stride = rowStride();
    const bool plain32 = m_h.bitCount == 32 && masksAre(0x00FF0000, 0x0000FF00, 0x000000FF);
    const bool bitfields = m_h.bitCount == 16 || (m_h.bitCount == 32 && !plain32);
    const Channel red(m_h.masks[0]);
    const Channel green(m_h.masks[1]);
    const Channel blue(m_h.masks[2]);
    for (qint64 r = 0; r < count; ++r) {
        const char *src = rows + r * stride;
        const auto *bytes = reinterpret_cast<const uchar *>(src);
        uchar *out = image.scanLine(imageRow(first + r));
        if (bitfields) {
            for (int x = 0; x < width; ++x) {
                const quint32 v = m_h.bitCount == 16 ? le16(src + 2 * x) : le32(src + 4 * x);
                if (image.format() == QImage::Format_BGR888) {
                    out[3 * x] = uchar(blue.level(v));
                    out[3 * x + 1] = uchar(green.level(v));
                    out[3 * x + 2] = uchar(red.level(v));
                } else {
                    reinterpret_cast<QRgb *>(out)[x] = qRgb(red.level(v), green.level(v), blue.level(v));
                }
            }
            continue;
        }
        switch (m_h.bitCount) {
        case 1:
            std::memcpy(out, src, size_t((width + 7) / 8));
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                out[x] = (x & 1) ? (bytes[x / 2] & 0x0F) : (bytes[x / 2] >> 4);
            break;
        case 8:
            std::memcpy(out, src, size_t(width));
            break;
        case 24:
            std::memcpy(out, src, size_t(width) * 3);
            break;
        case 32: {
            auto *line = reinterpret_cast<QRgb *>(out);
            for (int x = 0; x < width; ++x)
                line[x] = le32(src + 4 * x) | 0xFF000000u;
            break;
        }
        }
    }
}

// Whether the file's rows are the image's rows byte for byte (but for the
// fourth byte of 32-bit pixels).
bool BmpReader::storedAsHeld(const QImage &image) const
{
    if (!m_in.canReadRows() || image.bytesPerLine() != rowStride())
        return false;
    switch (m_h.bitCount) {
    case 1:
    case 8:
    case 24:
        return true;
    case 32:
        return masksAre(0x00FF0000, 0x0000FF00, 0x000000FF);
    default:
        return false;
    }
}

// Reads the pixel array straight into the image's rows: no copy on the way.
bool BmpReader::readStraight(QImage &image, qint64 size)
{
    uchar *bits = image.bits();
    const qsizetype perLine = image.bytesPerLine();
    const qint64 height = m_h.height;
    char *first = reinterpret_cast<char *>(m_h.topDown ? bits : bits + (height - 1) * perLine);
    const qint64 got = m_in.readRows(first, m_h.topDown ? perLine : -perLine, rowStride(), height);
    if (got < size)
        return fail(QStringLiteral("image data cut short (%1 of %2 bytes)").arg(got).arg(size));
    const int width = int(m_h.width);
    if (m_h.bitCount == 32) {
        for (qint64 y = 0; y < height; ++y) {
            auto *line = reinterpret_cast<QRgb *>(bits + y * perLine);
            for (int x = 0; x < width; ++x)
                line[x] = qFromLittleEndian(line[x]) | 0xFF000000u;
        }
    }
    return true;
}

// Reads and decodes an uncompressed pixel array of size bytes. When the
// device shows that the bytes are there, rows go straight into the image, or
// where they must be decoded, through a small reused buffer; otherwise (a
// pipe) the bytes are gathered first, so that a header that lies costs no
// more memory than the data sent.
Bitmap BmpReader::readPlain(qint64 size)
{
    Bitmap result;
    const QImage::Format format = plainFormat(&result.depth);
    QImage image;
    const qint64 stride = rowStride();
    if (m_in.canSupply(size)) {
        if (!allocate(image, format))
            return {};
        if (storedAsHeld(image)) {
            if (!readStraight(image, size))
                return {};
            if (m_h.bitCount <= 8)
                finishIndexed(image);
            result.image = image;
            return result;
        }
        const qint64 rowsPerChunk = std::clamp<qint64>((qint64(1) << 18) / stride, 1, m_h.height);
        std::vector<char> chunk(size_t(rowsPerChunk * stride));
        for (qint64 first = 0; first < m_h.height; first += rowsPerChunk) {
            const qint64 rows = std::min(rowsPerChunk, m_h.height - first);
            if (!m_in.read(chunk.data(), rows * stride)) {
                fail(QStringLiteral("image data cut short (%1 of %2 bytes)").arg(first * stride).arg(size));
                return {};
            }
            decodeRows(image, chunk.data(), first, rows);
        }
    } else {
        const QByteArray pixels = m_in.readUpTo(size);
        if (pixels.size() < size) {
            fail(QStringLiteral("image data cut short (%1 of %2 bytes)").arg(pixels.size()).arg(size));
            return {};
        }
        if (!allocate(image, format))
            return {};
        decodeRows(image, pixels.constData(), 0, m_h.height);
    }
    if (m_h.bitCount <= 8)
        finishIndexed(image);
    result.image = image;
    return result;
}

Bitmap BmpReader::decodeRle(const QByteArray &pixels)
{
    const int width = int(m_h.width);
    const int height = int(m_h.height);
    QImage image;
    if (!allocate(image, QImage::Format_Indexed8))
        return {};
    image.fill(0);
    RleTarget target{width, height, [&](int row) { return image.scanLine(imageRow(row)); }};
    const auto *data = reinterpret_cast<const uchar *>(pixels.constData());
    if (m_h.compression == kBiRle8)
        decodeRle8(data, pixels.size(), target);
    else
        decodeRle4(data, pixels.size(), target);
    finishIndexed(image);
    Bitmap result;
    result.image = image;
    result.depth = m_h.bitCount;
    return result;
}

int BmpReader::heldDepth() const
{
    int depth = m_h.bitCount;
    if (!isRle())
        plainFormat(&depth);
    return depth;
}

bool BmpReader::admitted(BmpInfo *info)
{
    *info = BmpInfo{int(m_h.width), int(m_h.height), heldDepth()};
    if (m_options.admit) {
        const QString refusal = m_options.admit(*info);
        if (!refusal.isEmpty()) {
            m_error = refusal;
            return false;
        }
    }
    return true;
}

// Skips a pixel array of size bytes, or with toEnd whatever there is of it.
bool BmpReader::skipPixels(qint64 size, bool toEnd)
{
    const qint64 got = m_in.skipUpTo(size);
    if (got < size && !toEnd)
        return fail(QStringLiteral("image data cut short (%1 of %2 bytes)").arg(got).arg(size));
    return true;
}

bool BmpReader::read(bool pixels, BmpInfo *info, Bitmap *bitmap)
{
    if (!readHeaders())
        return false;
    // A picture file whose size field says nothing (0) or more than the file
    // holds is read by its offsets and pixel sizes; only a size field that
    // leaves the pixels no room still counts against it.
    const bool lenient = m_options.lenientFileSize;
    const bool sizeUnknown = lenient && m_h.fileSize == 0;
    const qint64 fileEnd = sizeUnknown ? std::numeric_limits<qint64>::max() : qint64(m_h.fileSize);
    if (m_h.pixelOffset > fileEnd)
        return fail(QStringLiteral("pixel offset %1 lies beyond the file size of %2 bytes")
                        .arg(m_h.pixelOffset).arg(m_h.fileSize));
    if (!admitted(info))
        return false;
    if (!m_in.skip(m_h.pixelOffset - m_in.consumed()))
        return fail(QStringLiteral("image data cut short"));
    const qint64 room = fileEnd - m_h.pixelOffset;
    const qint64 size = isRle() ? (m_h.imageSize ? qint64(m_h.imageSize) : room)
                                : rowStride() * m_h.height;
    if (size > room)
        return fail(QStringLiteral("the pixel array (%1 bytes from offset %2) does not fit in the "
                                   "file size of %3 bytes")
                        .arg(size).arg(m_h.pixelOffset).arg(m_h.fileSize));
    // RLE data marks its own end: without an image size it runs to the end
    // of the file, and a lenient reader takes what there is of it.
    const bool rleToEnd = isRle() && !m_h.imageSize && lenient;
    Bitmap result;
    if (!pixels) {
        if (!skipPixels(size, rleToEnd))
            return false;
    } else if (isRle()) {
        const QByteArray data = m_in.readUpTo(size);
        if (data.size() < size && !rleToEnd)
            return fail(QStringLiteral("image data cut short (%1 of %2 bytes)").arg(data.size()).arg(size));
        result = decodeRle(data);
        if (result.isNull())
            return false;
    } else {
        result = readPlain(size);
        if (result.isNull())
            return false;
    }
    if (!sizeUnknown) {
        const qint64 rest = fileEnd - m_in.consumed();
        if (m_in.skipUpTo(rest) < rest && !lenient)
            return fail(QStringLiteral("image cut short before its declared size of %1 bytes")
                            .arg(m_h.fileSize));
    }
    if (pixels && m_h.xPelsPerMeter > 0 && m_h.yPelsPerMeter > 0) {
        result.image.setDotsPerMeterX(m_h.xPelsPerMeter);
        result.image.setDotsPerMeterY(m_h.yPelsPerMeter);
    }
    if (bitmap)
        *bitmap = result;
    return true;
}

} // namespace

Bitmap readBmp(const QByteArray &head, QIODevice &in, QString *error, const BmpReadOptions &options)
{
    BmpInput input(head, in);
    BmpReader reader(input, options);
    BmpInfo info;
    Bitmap bitmap;
    if (!reader.read(true, &info, &bitmap)) {
        if (error)
            *error = reader.error();
        return {};
    }
    return bitmap;
}

Bitmap readBmp(const QByteArray &head, QIODevice &in, QString *error, qint64 maxPixels)
{
    BmpReadOptions options;
    options.maxPixels = maxPixels;
    return readBmp(head, in, error, options);
}

Bitmap readBmp(QIODevice &in, QString *error, qint64 maxPixels)
{
    return readBmp(QByteArray(), in, error, maxPixels);
}

bool readBmpInfo(const QByteArray &head, QIODevice &in, BmpInfo *info, QString *error,
                 const BmpReadOptions &options)
{
    BmpInput input(head, in);
    BmpReader reader(input, options);
    BmpInfo read;
    if (!reader.read(false, &read, nullptr)) {
        if (error)
            *error = reader.error();
        return false;
    }
    if (info)
        *info = read;
    return true;
}

} // namespace zel
