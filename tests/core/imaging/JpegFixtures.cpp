#include "JpegFixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>
#include <libexif/exif-data.h>

namespace {

QByteArray compress(const QImage &picture, JpegFixture kind, int quality)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(rgb.width());
    c.image_height = JDIMENSION(rgb.height());
    int components = 3;
    c.in_color_space = JCS_RGB;
    if (kind == JpegFixture::Gray) {
        components = 1;
        c.in_color_space = JCS_GRAYSCALE;
    } else if (kind == JpegFixture::CmykAdobe) {
        components = 4;
        c.in_color_space = JCS_CMYK;
    }
    c.input_components = components;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (kind == JpegFixture::Progressive)
        jpeg_simple_progression(&c);
    if (kind == JpegFixture::CmykAdobe)
        c.write_Adobe_marker = TRUE;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(rgb.width()) * size_t(components));
    while (c.next_scanline < c.image_height) {
        const uchar *src = rgb.constScanLine(int(c.next_scanline));
        for (int x = 0; x < rgb.width(); ++x) {
            const uchar r = src[3 * x], g = src[3 * x + 1], b = src[3 * x + 2];
            if (kind == JpegFixture::Gray) {
                row[size_t(x)] = JSAMPLE((r + g + b) / 3);
            } else if (kind == JpegFixture::CmykAdobe) {
                // inverted ink: stored value = 255 - ink; ink C = 255 - R ...
                row[size_t(4 * x)] = r;
                row[size_t(4 * x + 1)] = g;
                row[size_t(4 * x + 2)] = b;
                row[size_t(4 * x + 3)] = 255;
            } else {
                row[size_t(3 * x)] = r;
                row[size_t(3 * x + 1)] = g;
                row[size_t(3 * x + 2)] = b;
            }
        }
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&c, &p, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray data(reinterpret_cast<const char *>(out), qsizetype(size));
    std::free(out);
    return data;
}

} // namespace

QByteArray makeJpeg(const QImage &picture, JpegFixture kind, int quality)
{
    return compress(picture, kind, quality);
}

QByteArray referenceJpeg(const QImage &picture)
{
    return compress(picture, JpegFixture::Colour, 90);
}

QByteArray withApp1(const QByteArray &jpeg, const QByteArray &payload)
{
    const int length = int(payload.size()) + 2;
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(payload);
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray exifBlock(int orientation, bool bigEndian)
{
    ExifData *data = exif_data_new();
    const ExifByteOrder order = bigEndian ? EXIF_BYTE_ORDER_MOTOROLA : EXIF_BYTE_ORDER_INTEL;
    exif_data_set_byte_order(data, order);
    ExifEntry *entry = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
    exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
    exif_set_short(entry->data, order, ExifShort(orientation));
    exif_entry_unref(entry);
    unsigned char *bytes = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &bytes, &size);
    QByteArray block(reinterpret_cast<const char *>(bytes), qsizetype(size));
    std::free(bytes);
    exif_data_unref(data);
    return block;
}

QByteArray withOrientation(const QByteArray &jpeg, int orientation, bool bigEndian)
{
    return withApp1(jpeg, exifBlock(orientation, bigEndian));
}

QImage gradientPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(40 + (x * 160) / std::max(width, 1),
                                      30 + (y * 180) / std::max(height, 1),
                                      200 - ((x + y) * 150) / std::max(width + height, 1)));
    return image;
}
