#include "JpegCodec.h"

#include "JpegSupport.h"

#include <algorithm>

namespace zel {

namespace {

constexpr int kQuality = 90;
constexpr size_t kOutputBuffer = size_t(1) << 16;

struct Encoder {
    jpeg_compress_struct cinfo{};
    jpeg::ErrorManager err;
    jpeg_destination_mgr dest{};
    QIODevice *device = nullptr;
    JOCTET *buffer = nullptr;

    Encoder()
    {
        cinfo.err = jpeg::installErrorManager(err);
        jpeg_create_compress(&cinfo);
        ++jpeg::liveCodecs;
    }
    ~Encoder()
    {
        jpeg_destroy_compress(&cinfo);
        --jpeg::liveCodecs;
    }
    Encoder(const Encoder &) = delete;
    Encoder &operator=(const Encoder &) = delete;
};

Encoder *encoderOf(j_compress_ptr cinfo)
{
    // cinfo is the first member of Encoder.
    return reinterpret_cast<Encoder *>(cinfo);
}

bool flushToDevice(Encoder *e, size_t bytes)
{
    qint64 done = 0;
    while (done < qint64(bytes)) {
        const qint64 w = e->device->write(reinterpret_cast<const char *>(e->buffer) + done,
                                          qint64(bytes) - done);
        if (w <= 0)
            return false;
        done += w;
    }
    return true;
}

extern "C" void initDestination(j_compress_ptr cinfo)
{
    Encoder *e = encoderOf(cinfo);
    e->buffer = static_cast<JOCTET *>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kOutputBuffer));
    e->dest.next_output_byte = e->buffer;
    e->dest.free_in_buffer = kOutputBuffer;
}

extern "C" boolean emptyOutputBuffer(j_compress_ptr cinfo)
{
    Encoder *e = encoderOf(cinfo);
    if (!flushToDevice(e, kOutputBuffer))
        jpeg::raise(reinterpret_cast<j_common_ptr>(cinfo), jpeg::DeviceWriteFailed);
    e->dest.next_output_byte = e->buffer;
    e->dest.free_in_buffer = kOutputBuffer;
    return TRUE;
}

extern "C" void termDestination(j_compress_ptr cinfo)
{
    Encoder *e = encoderOf(cinfo);
    if (!flushToDevice(e, kOutputBuffer - e->dest.free_in_buffer))
        jpeg::raise(reinterpret_cast<j_common_ptr>(cinfo), jpeg::DeviceWriteFailed);
}

// The stage functions below call the library under setjmp (see
// JpegSupport.h); each returns false after a fatal error.

bool startCompress(Encoder *e, JDIMENSION width, JDIMENSION height, J_COLOR_SPACE space,
                   int components)
{
    if (setjmp(e->err.jump))
        return false;
    j_compress_ptr c = &e->cinfo;
    e->dest.init_destination = initDestination;
    e->dest.empty_output_buffer = emptyOutputBuffer;
    e->dest.term_destination = termDestination;
    c->dest = &e->dest;

    c->image_width = width;
    c->image_height = height;
    c->in_color_space = space;
    c->input_components = components;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, kQuality, TRUE);
    jpeg_start_compress(c, TRUE);
    return true;
}

bool writeScanlines(Encoder *e, const uchar *first, qsizetype bytesPerLine, int count)
{
    if (setjmp(e->err.jump))
        return false;
    for (int i = 0; i < count; ++i) {
        JSAMPROW row = const_cast<JSAMPROW>(first + qsizetype(i) * bytesPerLine);
        jpeg_write_scanlines(&e->cinfo, &row, 1);
    }
    return true;
}

bool finishCompress(Encoder *e)
{
    if (setjmp(e->err.jump))
        return false;
    jpeg_finish_compress(&e->cinfo);
    return true;
}

} // namespace

bool encodeJpeg(QIODevice &out, PictureRows &picture, QString *error)
{
    const auto failed = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QSize size = picture.size();
    if (size.isEmpty())
        return failed(QStringLiteral("JPEG: no picture to write"));
    // Bands come as RGB32, which the library takes as it is.
    const J_COLOR_SPACE space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    Encoder e;
    e.device = &out;
    const auto libraryFailure = [&] {
        return failed(e.err.ownFailure == jpeg::DeviceWriteFailed
                          ? QStringLiteral("JPEG: write failed: ") + out.errorString()
                          : jpegErrorText(e.err.code));
    };
    if (!startCompress(&e, JDIMENSION(size.width()), JDIMENSION(size.height()), space, 4))
        return libraryFailure();
    const int bandHeight = picture.bandHeight();
    for (int top = 0; top < size.height(); top += bandHeight) {
        const int count = std::min(bandHeight, size.height() - top);
        const QImage band = picture.rows(top, count);
        if (band.isNull() || band.format() != QImage::Format_RGB32)
            return failed(QStringLiteral("JPEG: not enough memory for rows %1 to %2")
                              .arg(top).arg(top + count - 1));
        if (!writeScanlines(&e, band.constBits(), band.bytesPerLine(), count))
            return libraryFailure();
    }
    if (!finishCompress(&e))
        return libraryFailure();
    return true;
}

bool encodeJpeg(QIODevice &out, const QImage &picture, QString *error)
{
    if (picture.isNull()) {
        if (error)
            *error = QStringLiteral("JPEG: no picture to write");
        return false;
    }
    WholePicture rows(picture);
    return encodeJpeg(out, rows, error);
}

} // namespace zel
