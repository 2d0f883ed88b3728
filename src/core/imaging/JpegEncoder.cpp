#include "JpegCodec.h"

#include "JpegSupport.h"

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

// Runs the whole compression under setjmp (see JpegSupport.h); false after a
// fatal error.
bool compress(Encoder *e, const QImage *image, J_COLOR_SPACE space, int components)
{
    if (setjmp(e->err.jump))
        return false;
    j_compress_ptr c = &e->cinfo;
    e->dest.init_destination = initDestination;
    e->dest.empty_output_buffer = emptyOutputBuffer;
    e->dest.term_destination = termDestination;
    c->dest = &e->dest;

    c->image_width = JDIMENSION(image->width());
    c->image_height = JDIMENSION(image->height());
    c->in_color_space = space;
    c->input_components = components;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, kQuality, TRUE);
    jpeg_start_compress(c, TRUE);
    while (c->next_scanline < c->image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image->constScanLine(int(c->next_scanline)));
        jpeg_write_scanlines(c, &row, 1);
    }
    jpeg_finish_compress(c);
    return true;
}

} // namespace

bool encodeJpeg(QIODevice &out, const QImage &picture, QString *error)
{
    if (picture.isNull()) {
        if (error)
            *error = QStringLiteral("JPEG: no picture to write");
        return false;
    }
    // RGB32 (what RenderScene gives) goes in as it is; everything else is
    // first brought to 24-bit RGB.
    QImage source;
    J_COLOR_SPACE space = JCS_RGB;
    int components = 3;
    if (picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32) {
        source = picture;
        space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
        components = 4;
    } else {
        source = picture.convertToFormat(QImage::Format_RGB888);
    }

    Encoder e;
    e.device = &out;
    if (compress(&e, &source, space, components))
        return true;
    if (error) {
        if (e.err.ownFailure == jpeg::DeviceWriteFailed)
            *error = QStringLiteral("JPEG: write failed: ") + out.errorString();
        else
            *error = jpegErrorText(e.err.code);
    }
    return false;
}

} // namespace zel
