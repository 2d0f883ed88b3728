#include "JpegCodec.h"

#include "imaging/ExifOrientation.h"
#include "pixels/ImageAllocation.h"
#include "pixels/Orientation.h"
#include "JpegSupport.h"

#include <QList>

#include <algorithm>
#include <cstring>

namespace zel {

namespace {

constexpr int kPaletteColours = 236;
// Progressive files can hold any number of scans; a file with this many is
// an attack on our time, not a picture.
constexpr int kMaxScans = 1000;

struct Decoder {
    jpeg_decompress_struct cinfo{};
    jpeg::ErrorManager err;
    jpeg_progress_mgr progress{};

    Decoder()
    {
        cinfo.err = jpeg::installErrorManager(err);
        jpeg_create_decompress(&cinfo);
        ++jpeg::liveCodecs;
    }
    ~Decoder()
    {
        jpeg_destroy_decompress(&cinfo);
        --jpeg::liveCodecs;
    }
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;
};

extern "C" void countScans(j_common_ptr cinfo)
{
    auto *d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans)
        jpeg::raise(cinfo, jpeg::TooManyScans);
}

enum class Output { Bgr, Palette, Cmyk };

// The stage functions below call the library under setjmp and hold only
// trivially destructible locals (see JpegSupport.h). Each returns false
// after a fatal error.

bool readHeader(Decoder *d, const uchar *data, size_t size, bool paletteDisplay,
                qint64 memoryLimit, Output *output)
{
    if (setjmp(d->err.jump))
        return false;
    j_decompress_ptr c = &d->cinfo;
    c->mem->max_memory_to_use = long(memoryLimit);
    d->progress.progress_monitor = countScans;
    c->progress = &d->progress;
    jpeg_mem_src(c, data, static_cast<unsigned long>(size));
    jpeg_save_markers(c, JPEG_APP0 + 1, 0xFFFF); // EXIF (and XMP) blocks
    jpeg_read_header(c, TRUE);

    c->scale_num = 1;
    c->scale_denom = 1;
    c->dct_method = JDCT_ISLOW;
    c->do_block_smoothing = TRUE;
    if (c->jpeg_color_space == JCS_CMYK || c->jpeg_color_space == JCS_YCCK) {
        c->out_color_space = JCS_CMYK;
        *output = Output::Cmyk;
    } else if (c->jpeg_color_space == JCS_GRAYSCALE || paletteDisplay) {
        if (c->jpeg_color_space != JCS_GRAYSCALE)
            c->out_color_space = JCS_RGB;
        c->quantize_colors = TRUE;
        c->desired_number_of_colors = kPaletteColours;
        c->two_pass_quantize = TRUE;
        c->dither_mode = JDITHER_FS;
        *output = Output::Palette;
    } else {
        c->out_color_space = JCS_EXT_BGR; // rows land as BGR888 without a copy
        *output = Output::Bgr;
    }
    jpeg_calc_output_dimensions(c);
    return true;
}

// The orientation in the first EXIF block; the library keeps the saved
// markers until the decode ends.
Orientation orientationOf(const jpeg_decompress_struct &c)
{
    for (jpeg_saved_marker_ptr m = c.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return exifOrientation(m->data, m->data_length);
    return Orientation::Upright;
}

bool startOutput(Decoder *d)
{
    if (setjmp(d->err.jump))
        return false;
    jpeg_start_decompress(&d->cinfo);
    return true;
}

// Reads every row into its upright place; for a palette result also copies
// the colour map, which the library frees when it finishes.
bool readRows(Decoder *d, UprightRows *upright, bool cmyk, QRgb *table, int *colours)
{
    if (setjmp(d->err.jump))
        return false;
    j_decompress_ptr c = &d->cinfo;
    JSAMPARRAY cmykRow = nullptr;
    if (cmyk)
        cmykRow = (*c->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(c), JPOOL_IMAGE,
                                           c->output_width * 4, 1);
    constexpr int kMaxRows = 16;
    JSAMPROW rows[kMaxRows];
    while (c->output_scanline < c->output_height) {
        // As many rows as the library gives in one call, all in one band.
        const int y = int(c->output_scanline);
        const int wanted = cmyk ? 1
                                : std::min({kMaxRows, upright->bandHeight() - y % upright->bandHeight(),
                                            int(c->output_height) - y});
        for (int i = 0; i < wanted; ++i)
            rows[i] = cmyk ? cmykRow[0] : upright->row(y + i);
        const int got = int(jpeg_read_scanlines(c, rows, JDIMENSION(wanted)));
        if (got == 0)
            break;
        if (cmyk) {
            uchar *line = upright->row(y);
            // Adobe writes CMYK inverted (0 = full ink), which is what
            // nearly every CMYK JPEG in the wild is.
            const bool inverted = c->saw_Adobe_marker;
            for (JDIMENSION x = 0; x < c->output_width; ++x) {
                int ink[4];
                for (int i = 0; i < 4; ++i)
                    ink[i] = inverted ? cmykRow[0][4 * x + i] : 255 - cmykRow[0][4 * x + i];
                const int k = ink[3];
                line[3 * x] = uchar((ink[2] * k + 127) / 255);
                line[3 * x + 1] = uchar((ink[1] * k + 127) / 255);
                line[3 * x + 2] = uchar((ink[0] * k + 127) / 255);
            }
        }
        for (int i = 0; i < got; ++i)
            upright->rowDone(y + i);
    }
    *colours = 0;
    if (c->quantize_colors) {
        const bool gray = c->out_color_components == 1;
        *colours = std::min(c->actual_number_of_colors, 256);
        for (int i = 0; i < *colours; ++i) {
            const int r = c->colormap[0][i];
            table[i] = gray ? qRgb(r, r, r) : qRgb(r, c->colormap[1][i], c->colormap[2][i]);
        }
    }
    jpeg_finish_decompress(c);
    return true;
}

} // namespace

Bitmap decodeJpeg(const QByteArray &data, const JpegDecodeOptions &options, QString *error)
{
    Decoder d;
    auto failed = [&]() {
        if (error) {
            if (d.err.ownFailure == jpeg::TooManyScans)
                *error = QStringLiteral("JPEG: more than %1 scans").arg(kMaxScans);
            else
                *error = jpegErrorText(d.err.code);
        }
        return Bitmap();
    };

    Output output = Output::Bgr;
    const qint64 memoryLimit = std::max<qint64>(options.maxPixels, 1) * 8;
    if (!readHeader(&d, reinterpret_cast<const uchar *>(data.constData()), size_t(data.size()),
                    options.paletteDisplay, memoryLimit, &output))
        return failed();
    const qint64 width = d.cinfo.output_width;
    const qint64 height = d.cinfo.output_height;
    const Orientation orientation = orientationOf(d.cinfo);
    if (width * height > options.maxPixels) {
        if (error)
            *error = QStringLiteral("JPEG: %1 x %2 pixels is more than the limit of %3 pixels")
                         .arg(width).arg(height).arg(options.maxPixels);
        return {};
    }
    if (!startOutput(&d))
        return failed();

    const bool palette = output == Output::Palette;
    const QSize stored{int(width), int(height)};
    const QSize size = uprightSize(stored, orientation);
    QImage image = allocateImage(size.width(), size.height(),
                                 palette ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (image.isNull()) {
        if (error)
            *error = QStringLiteral("JPEG: not enough memory for %1 x %2 pixels").arg(width).arg(height);
        return {};
    }
    // No fill: the library delivers every row or fails (a file cut short
    // gets gray rows from the library itself).
    QRgb table[256];
    int colours = 0;
    UprightRows upright(image, orientation, stored);
    if (!readRows(&d, &upright, output == Output::Cmyk, table, &colours))
        return failed();

    Bitmap result;
    result.image = image;
    result.depth = 24;
    if (palette) {
        result.image.setColorTable(QList<QRgb>(table, table + colours));
        result.depth = 8;
    }
    const double perMetre = d.cinfo.density_unit == 1 ? 1 / 0.0254 : d.cinfo.density_unit == 2 ? 100 : 0;
    if (perMetre > 0 && d.cinfo.X_density > 0 && d.cinfo.Y_density > 0) {
        const bool swap = swapsAxes(orientation);
        result.image.setDotsPerMeterX(qRound((swap ? d.cinfo.Y_density : d.cinfo.X_density) * perMetre));
        result.image.setDotsPerMeterY(qRound((swap ? d.cinfo.X_density : d.cinfo.Y_density) * perMetre));
    }
    return result;
}

} // namespace zel
