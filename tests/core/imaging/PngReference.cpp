#include "PngReference.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <png.h>

namespace {

// Both stages hold only plain data: libpng's longjmp skips no destructor.
bool readHeader(png_structp png, png_infop info, FILE *file)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_tRNS_to_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool readImage(png_structp png, png_infop info, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_read_image(png, rows);
    png_read_end(png, info);
    return true;
}

} // namespace

QImage referencePng(const QString &path)
{
    FILE *file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file)
        return {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    QImage out;
    if (readHeader(png, info, file)) {
        const png_uint_32 width = png_get_image_width(png, info);
        const png_uint_32 height = png_get_image_height(png, info);
        const int channels = png_get_channels(png, info);
        const bool wide = png_get_bit_depth(png, info) == 16;
        std::vector<png_byte> data(png_get_rowbytes(png, info) * height);
        std::vector<png_bytep> rows(height);
        for (png_uint_32 y = 0; y < height; ++y)
            rows[y] = data.data() + y * png_get_rowbytes(png, info);
        if (readImage(png, info, rows.data())) {
            const quint64 max = wide ? 65535 : 255;
            out = QImage(int(width), int(height), QImage::Format_RGB32);
            for (png_uint_32 y = 0; y < height; ++y)
                for (png_uint_32 x = 0; x < width; ++x) {
                    const auto sample = [&](int i) -> quint64 {
                        const png_bytep p = rows[y] + (x * channels + i) * (wide ? 2 : 1);
                        return wide ? quint64(p[0]) << 8 | p[1] : p[0];
                    };
                    const bool alpha = channels == 2 || channels == 4;
                    const quint64 a = alpha ? sample(channels - 1) : max;
                    int level[3];
                    for (int c = 0; c < 3; ++c) {
                        const quint64 v = sample(channels < 3 ? 0 : c);
                        const quint64 over = (a * v + (max - a) * max + max / 2) / max;
                        level[c] = int((over * 255 + max / 2) / max);
                    }
                    out.setPixel(int(x), int(y), qRgb(level[0], level[1], level[2]));
                }
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}
