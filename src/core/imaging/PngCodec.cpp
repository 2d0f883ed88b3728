#include "PngCodec.h"

#include "DeviceIo.h"
#include "pixels/ImageAllocation.h"

#include <QList>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace zel {

namespace {

// libpng reports a fatal error by calling our error function, which must
// not return: it jumps back with longjmp into the stage function that called
// the library, as the JPEG code does (see JpegSupport.h). Stage functions
// hold no C++ objects with destructors, so the jump never skips one; the
// libpng objects are destroyed by their owner in ordinary C++ code.

constexpr int kSignatureBytes = 8;
constexpr int kIhdrChunkBytes = 25; // length, type, 13 bytes of data, CRC
// Deflate cannot pack more than 1032 bytes into one: a file shorter than
// that share of its pixels cannot hold them.
constexpr qint64 kBestDeflateRatio = 1032;

enum class Own { None, CutShort, WriteFailed };

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    QIODevice *device = nullptr;
    std::jmp_buf jump;
    Own own = Own::None;
    char message[256] = {};
};

extern "C" void onError(png_structp png, png_const_charp message)
{
    auto *state = static_cast<PngState *>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    std::longjmp(state->jump, 1);
}

// Warnings (and, on reading, libpng's benign errors) are not shown: a
// picture the library can recover from is taken as it comes. But a chunk
// longer than the chunk limit is only a benign error to libpng, which would
// then go on to read it: that one ends the read, before a byte of it is read.
extern "C" void onWarning(png_structp png, png_const_charp message)
{
    if (std::strstr(message, "chunk data is too large")) {
        auto *state = static_cast<PngState *>(png_get_error_ptr(png));
        const png_uint_32 type = png_get_io_chunk_type(png);
        std::snprintf(state->message, sizeof state->message, "%c%c%c%c: chunk data is too large",
                      char(type >> 24), char(type >> 16), char(type >> 8), char(type));
        std::longjmp(state->jump, 1);
    }
}

// ---------------------------------------------------------------- reading

struct Reader : PngState {
    // The signature and IHDR chunk, read by us first and then handed to libpng.
    unsigned char head[kSignatureBytes + kIhdrChunkBytes] = {};
    size_t headSize = 0;
    size_t headPos = 0;

    Reader()
    {
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, static_cast<PngState *>(this), onError,
                                     onWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~Reader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;
};

extern "C" void readData(png_structp png, png_bytep data, size_t length)
{
    auto *r = static_cast<Reader *>(png_get_io_ptr(png));
    const size_t fromHead = std::min(length, r->headSize - r->headPos);
    std::memcpy(data, r->head + r->headPos, fromHead);
    r->headPos += fromHead;
    if (fromHead < length
        && !readExactly(*r->device, reinterpret_cast<char *>(data + fromHead), qint64(length - fromHead))) {
        r->own = Own::CutShort;
        png_error(png, "file cut short");
    }
}

// How one picture's rows are turned into the Bitmap's: plain data only, so
// that the stage functions can hold it.
struct Layout {
    enum Output { Mono, Indexed, Bgr };
    int colourType = 0;
    int bitDepth = 0; // of the samples as read (below 8: one byte a sample)
    Output output = Bgr;
    bool transparentColour = false;
    unsigned transparent[3] = {}; // gray, or red, green, blue, at the sample depth
    uchar *bits = nullptr;
    qsizetype bytesPerLine = 0;
    int highestIndex = 0;
};

inline unsigned sampleAt(const uchar *row, int i, bool wide)
{
    return wide ? unsigned(row[2 * i]) << 8 | row[2 * i + 1] : row[i];
}

// round((a x c + (max - a) x max) / max): the sample over white.
inline unsigned overWhite(unsigned c, unsigned a, unsigned max)
{
    return unsigned((quint64(a) * c + quint64(max - a) * max + max / 2) / max);
}

// A sample at 8 or 16 bits as 8 bits: round(v x 255 / 65535).
inline uchar to8Bits(unsigned v, bool wide)
{
    return wide ? uchar((v * 255u + 32767u) / 65535u) : uchar(v);
}

// Converts count pixels of one row as read into the picture's row y, the
// i-th at column x0 + i x dx.
void convertRow(Layout &l, const uchar *row, int count, int y, int x0, int dx)
{
    const bool wide = l.bitDepth == 16;
    const unsigned max = (1u << l.bitDepth) - 1;
    uchar *line = l.bits + qsizetype(y) * l.bytesPerLine;
    for (int i = 0, x = x0; i < count; ++i, x += dx) {
        unsigned v[3] = {0, 0, 0}; // gray or index, or red, green, blue
        switch (l.colourType) {
        case PNG_COLOR_TYPE_PALETTE:
            v[0] = row[i];
            l.highestIndex = std::max(l.highestIndex, int(v[0]));
            break;
        case PNG_COLOR_TYPE_GRAY:
            v[0] = sampleAt(row, i, wide);
            if (l.transparentColour && v[0] == l.transparent[0])
                v[0] = max;
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            v[0] = overWhite(sampleAt(row, 2 * i, wide), sampleAt(row, 2 * i + 1, wide), max);
            break;
        case PNG_COLOR_TYPE_RGB:
            for (int c = 0; c < 3; ++c)
                v[c] = sampleAt(row, 3 * i + c, wide);
            if (l.transparentColour && v[0] == l.transparent[0] && v[1] == l.transparent[1]
                && v[2] == l.transparent[2])
                v[0] = v[1] = v[2] = max;
            break;
        default: { // RGB with alpha
            const unsigned a = sampleAt(row, 4 * i + 3, wide);
            for (int c = 0; c < 3; ++c)
                v[c] = overWhite(sampleAt(row, 4 * i + c, wide), a, max);
            break;
        }
        }
        switch (l.output) {
        case Layout::Mono:
            line[x / 8] = uchar(line[x / 8] | (v[0] & 1) << (7 - x % 8));
            break;
        case Layout::Indexed:
            line[x] = l.bitDepth < 8 ? uchar(v[0]) : to8Bits(v[0], wide);
            break;
        case Layout::Bgr:
            line[3 * x] = to8Bits(v[2], wide);
            line[3 * x + 1] = to8Bits(v[1], wide);
            line[3 * x + 2] = to8Bits(v[0], wide);
            break;
        }
    }
}

// The stage functions below call the library under setjmp; each returns
// false after a fatal error.

bool readInfo(Reader *r, png_uint_32 maxWidth, png_uint_32 maxHeight)
{
    if (setjmp(r->jump))
        return false;
    png_set_user_limits(r->png, maxWidth, maxHeight);
    png_set_chunk_malloc_max(r->png, kPngMaxChunkBytes);
    png_set_chunk_cache_max(r->png, kPngMaxCachedChunks);
    // Every chunk but IHDR, PLTE, tRNS, IDAT and IEND is skipped unread.
    png_set_keep_unknown_chunks(r->png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_read_fn(r->png, r, readData);
    png_read_info(r->png, r->info);
    return true;
}

bool startRows(Reader *r, bool packed)
{
    if (setjmp(r->jump))
        return false;
    if (packed)
        png_set_packing(r->png); // one byte a sample, values kept
    png_read_update_info(r->png, r->info);
    return true;
}

// Interlaced files are read pass by pass, each pass's pixels put in their
// places at once: no more than one row of the file's samples is held.
bool readRows(Reader *r, Layout *l, uchar *row, png_uint_32 width, png_uint_32 height, bool interlaced)
{
    if (setjmp(r->jump))
        return false;
    if (!interlaced) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(r->png, row, nullptr);
            convertRow(*l, row, int(width), int(y), 0, 1);
        }
        return true;
    }
    for (int pass = 0; pass < 7; ++pass) {
        const png_uint_32 cols = PNG_PASS_COLS(width, pass);
        const png_uint_32 rows = PNG_PASS_ROWS(height, pass);
        if (cols == 0 || rows == 0)
            continue;
        for (png_uint_32 y = 0; y < rows; ++y) {
            png_read_row(r->png, row, nullptr);
            convertRow(*l, row, int(cols), int(PNG_ROW_FROM_PASS_ROW(y, pass)),
                       int(PNG_PASS_START_COL(pass)), int(PNG_PASS_COL_OFFSET(pass)));
        }
    }
    return true;
}

// What follows the pixels (the last chunks, IEND) is read for form's sake:
// a picture whose pixels all arrived is taken even if its end is damaged.
void readEnd(Reader *r)
{
    if (setjmp(r->jump))
        return;
    png_read_end(r->png, nullptr);
}

QString readFailure(const Reader &r)
{
    if (r.own == Own::CutShort)
        return QStringLiteral("PNG: file cut short");
    const QString message = QString::fromLatin1(r.message);
    if (message.endsWith(QLatin1String("chunk data is too large"))) {
        const QString name = message.section(u':', 0, 0);
        if (name == u"tEXt" || name == u"zTXt" || name == u"iTXt")
            return QStringLiteral("PNG: text chunk larger than %1 bytes").arg(kPngMaxChunkBytes);
        if (name == u"IDAT") // its limit is what the pixels take, when that is more
            return QStringLiteral("PNG: image data chunk larger than its pixels need");
        return QStringLiteral("PNG: %1 chunk larger than %2 bytes").arg(name).arg(kPngMaxChunkBytes);
    }
    if (message.contains(QLatin1String("ut of memory")))
        return QStringLiteral("PNG: not enough memory");
    return QStringLiteral("PNG: damaged file (%1)").arg(message);
}

inline quint32 be32(const unsigned char *p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

// ---------------------------------------------------------------- writing

struct Writer : PngState {
    Writer()
    {
        png = png_create_write_struct(PNG_LIBPNG_VER_STRING, static_cast<PngState *>(this), onError,
                                      onWarning);
        if (png)
            info = png_create_info_struct(png);
    }
    ~Writer() { png_destroy_write_struct(&png, info ? &info : nullptr); }
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;
};

extern "C" void writeData(png_structp png, png_bytep data, size_t length)
{
    auto *w = static_cast<Writer *>(png_get_io_ptr(png));
    if (!writeAll(*w->device, reinterpret_cast<const char *>(data), qint64(length))) {
        w->own = Own::WriteFailed;
        png_error(png, "write failed");
    }
}

extern "C" void flushData(png_structp) {}

bool startImage(Writer *w, png_uint_32 width, png_uint_32 height, int dpmX, int dpmY)
{
    if (setjmp(w->jump))
        return false;
    png_set_write_fn(w->png, w, writeData, flushData);
    png_set_user_limits(w->png, PNG_UINT_31_MAX, PNG_UINT_31_MAX); // ours, whatever their size
    png_set_IHDR(w->png, w->info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (dpmX > 0 && dpmY > 0)
        png_set_pHYs(w->png, w->info, png_uint_32(dpmX), png_uint_32(dpmY), PNG_RESOLUTION_METER);
    png_write_info(w->png, w->info);
    // Rows go in as RGB32 words; their fourth byte is dropped on the way.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(w->png);
    png_set_filler(w->png, 0, PNG_FILLER_AFTER);
#else
    png_set_filler(w->png, 0, PNG_FILLER_BEFORE);
#endif
    return true;
}

bool writeBand(Writer *w, const uchar *first, qsizetype bytesPerLine, int count)
{
    if (setjmp(w->jump))
        return false;
    for (int i = 0; i < count; ++i)
        png_write_row(w->png, first + qsizetype(i) * bytesPerLine);
    return true;
}

bool finishImage(Writer *w)
{
    if (setjmp(w->jump))
        return false;
    png_write_end(w->png, nullptr);
    return true;
}

} // namespace

Bitmap decodePng(QIODevice &in, qint64 maxPixels, QString *error)
{
    const auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        return Bitmap();
    };
    Reader r;
    if (!r.png || !r.info)
        return failed(QStringLiteral("PNG: not enough memory"));
    r.device = &in;

    // The signature and the size, checked before libpng is given a byte.
    const QByteArray head = readUpTo(in, sizeof r.head);
    std::memcpy(r.head, head.constData(), size_t(head.size()));
    r.headSize = size_t(head.size());
    if (head.size() < kSignatureBytes || png_sig_cmp(r.head, 0, kSignatureBytes) != 0)
        return failed(QStringLiteral("PNG: not a PNG file"));
    const qint64 widthLimit = std::min(kPngMaxWidth, maxPixels);
    const qint64 heightLimit = std::min<qint64>(maxPixels, PNG_UINT_31_MAX);
    if (head.size() == qsizetype(sizeof r.head) && std::memcmp(r.head + 12, "IHDR", 4) == 0) {
        const qint64 width = be32(r.head + 16);
        const qint64 height = be32(r.head + 20);
        if (width > widthLimit)
            return failed(QStringLiteral("PNG: rows of %1 pixels are longer than the limit of %2")
                              .arg(width).arg(widthLimit));
        if (width > 0 && height > 0 && width * height > maxPixels)
            return failed(QStringLiteral("PNG: %1 x %2 pixels is more than the limit of %3 pixels")
                              .arg(width).arg(height).arg(maxPixels));
    }
    if (!readInfo(&r, png_uint_32(std::max<qint64>(widthLimit, 1)), png_uint_32(std::max<qint64>(heightLimit, 1))))
        return failed(readFailure(r));

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(r.png, r.info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    const int channels = png_get_channels(r.png, r.info);
    const qint64 rawBytes = (qint64(width) * channels * bitDepth + 7) / 8 * height + height;
    if (!in.isSequential() && rawBytes > in.bytesAvailable() * kBestDeflateRatio)
        return failed(QStringLiteral("PNG: file cut short (too little data for %1 x %2 pixels)")
                          .arg(width).arg(height));

    Layout layout;
    layout.colourType = colourType;
    layout.bitDepth = bitDepth;
    const bool palette = colourType == PNG_COLOR_TYPE_PALETTE;
    const bool gray = colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA;
    layout.output = bitDepth == 1 ? Layout::Mono : palette || gray ? Layout::Indexed : Layout::Bgr;

    // The colour table: the palette over white, or the grays.
    QList<QRgb> table;
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_color_16p colour = nullptr;
    const bool hasTrns = png_get_tRNS(r.png, r.info, &alphas, &alphaCount, &colour) != 0;
    if (palette) {
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(r.png, r.info, &entries, &count);
        for (int i = 0; i < count; ++i) {
            const unsigned a = hasTrns && alphas && i < alphaCount ? alphas[i] : 255;
            table.append(qRgb(int(overWhite(entries[i].red, a, 255)), int(overWhite(entries[i].green, a, 255)),
                              int(overWhite(entries[i].blue, a, 255))));
        }
    } else if (gray) {
        const int levels = bitDepth < 8 ? 1 << bitDepth : 256;
        for (int i = 0; i < levels; ++i) {
            const int v = i * 255 / (levels - 1);
            table.append(qRgb(v, v, v));
        }
    }
    if (hasTrns && colour && !palette) {
        layout.transparentColour = true;
        layout.transparent[0] = colourType == PNG_COLOR_TYPE_GRAY ? colour->gray : colour->red;
        layout.transparent[1] = colour->green;
        layout.transparent[2] = colour->blue;
    }

    if (!startRows(&r, bitDepth < 8))
        return failed(readFailure(r));
    const QImage::Format format = layout.output == Layout::Mono      ? QImage::Format_Mono
                                  : layout.output == Layout::Indexed ? QImage::Format_Indexed8
                                                                     : QImage::Format_BGR888;
    QImage image = allocateImage(int(width), int(height), format);
    if (image.isNull())
        return failed(QStringLiteral("PNG: not enough memory for %1 x %2 pixels").arg(width).arg(height));
    if (layout.output == Layout::Mono)
        image.fill(0); // bits are set one by one
    layout.bits = image.bits();
    layout.bytesPerLine = image.bytesPerLine();
    std::vector<uchar> row(png_get_rowbytes(r.png, r.info) + 1);
    if (!readRows(&r, &layout, row.data(), width, height, interlace != PNG_INTERLACE_NONE))
        return failed(readFailure(r));
    readEnd(&r);

    Bitmap result;
    if (layout.output != Layout::Bgr) {
        // Indices beyond the palette are black, as in a BMP.
        while (table.size() < std::max(layout.highestIndex + 1, layout.output == Layout::Mono ? 2 : 0))
            table.append(qRgb(0, 0, 0));
        image.setColorTable(table);
    }
    result.image = image;
    result.depth = layout.output == Layout::Mono ? 1
                   : layout.output == Layout::Bgr ? 24
                   : bitDepth < 8                 ? 4
                                                  : 8;
    return result;
}

bool encodePng(QIODevice &out, PictureRows &picture, QString *error)
{
    const auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QSize size = picture.size();
    if (size.isEmpty())
        return failed(QStringLiteral("PNG: no picture to write"));
    Writer w;
    if (!w.png || !w.info)
        return failed(QStringLiteral("PNG: not enough memory"));
    w.device = &out;
    const auto libraryFailure = [&] {
        return failed(w.own == Own::WriteFailed ? QStringLiteral("PNG: write failed: ") + out.errorString()
                                                : QStringLiteral("PNG: ") + QString::fromLatin1(w.message));
    };
    const int bandHeight = picture.bandHeight();
    for (int top = 0; top < size.height(); top += bandHeight) {
        const int count = std::min(bandHeight, size.height() - top);
        const QImage band = picture.rows(top, count);
        if (band.isNull() || band.format() != QImage::Format_RGB32)
            return failed(QStringLiteral("PNG: not enough memory for rows %1 to %2")
                              .arg(top).arg(top + count - 1));
        if (top == 0
            && !startImage(&w, png_uint_32(size.width()), png_uint_32(size.height()),
                           band.dotsPerMeterX(), band.dotsPerMeterY()))
            return libraryFailure();
        if (!writeBand(&w, band.constBits(), band.bytesPerLine(), count))
            return libraryFailure();
    }
    if (!finishImage(&w))
        return libraryFailure();
    return true;
}

} // namespace zel
