#pragma once

#include <QImage>
#include <QtGlobal>

namespace zel {

// Colours are 0x00BBGGRR, red in the lowest byte, as stored in documents.
using Colour = quint32;
constexpr Colour kWhite = 0x00FFFFFF;

constexpr QRgb toQRgb(Colour c)
{
    return qRgb(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

constexpr Colour fromQRgb(QRgb rgb)
{
    return Colour(qRed(rgb)) | (Colour(qGreen(rgb)) << 8) | (Colour(qBlue(rgb)) << 16);
}

// A part's source pixels as they came in, together with the bit depth they
// are stored at in a BMP image (1, 4, 8, 16, 24 or 32). QImage has no 4-bit
// format, so 4-bit images are held as Indexed8 with at most 16 colours.
//
// Formats used: Mono (1), Indexed8 (4, 8), BGR888 (16, 24), RGB32 (32).
// 16-bit (5-5-5) pixels are held widened to 8 bits a channel, each as
// round(v x 255 / 31), and packed back to the same bits when written.
// Copies share pixels until one side writes (QImage's implicit sharing), so
// copying a Bitmap is cheap and still behaves as a copy.
struct Bitmap {
    QImage image;
    int depth = 0;

    bool isNull() const { return image.isNull(); }
    int width() const { return image.width(); }
    int height() const { return image.height(); }

    // Wraps an image, choosing the stored depth from its format and
    // converting formats we do not hold to the nearest one we do. An image
    // with alpha is blended over white; RGB555 is widened as above (depth
    // 16) and RGB16 the same way, with 6 bits of green (depth 24).
    static Bitmap fromImage(const QImage &image);

    friend bool operator==(const Bitmap &a, const Bitmap &b)
    {
        return a.depth == b.depth && a.image == b.image;
    }
};

} // namespace zel
