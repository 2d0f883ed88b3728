#include "JpegFixtures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

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
