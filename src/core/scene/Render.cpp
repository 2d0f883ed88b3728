#include "Render.h"

#include "PartView.h"
#include "Scene.h"

#include <array>
#include <vector>

namespace zel {

namespace {

// Reading one pixel of the formats a source can be held in, as opaque RGB.
enum class Layout { Rgb32, Bgr888, Indexed8, Mono };

using Palette = std::array<QRgb, 256>;

Palette paletteOf(const QImage &image)
{
    Palette palette;
    palette.fill(0xFF000000u);
    const QList<QRgb> table = image.colorTable();
    for (int i = 0; i < table.size() && i < 256; ++i)
        palette[size_t(i)] = table[i] | 0xFF000000u;
    return palette;
}

template<Layout L>
inline QRgb fetch(const uchar *line, int x, const Palette &palette)
{
    if constexpr (L == Layout::Rgb32) {
        return reinterpret_cast<const QRgb *>(line)[x] | 0xFF000000u;
    } else if constexpr (L == Layout::Bgr888) {
        const uchar *p = line + 3 * x;
        return 0xFF000000u | (uint(p[2]) << 16) | (uint(p[1]) << 8) | uint(p[0]);
    } else if constexpr (L == Layout::Indexed8) {
        return palette[line[x]];
    } else {
        return palette[(line[x >> 3] >> (7 - (x & 7))) & 1];
    }
}

// Brings an image into one of the layouts fetch() reads.
QImage readable(const QImage &image, Layout &layout)
{
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        layout = Layout::Rgb32;
        return image;
    case QImage::Format_BGR888:
        layout = Layout::Bgr888;
        return image;
    case QImage::Format_Indexed8:
        layout = Layout::Indexed8;
        return image;
    case QImage::Format_Mono:
        layout = Layout::Mono;
        return image;
    default:
        layout = Layout::Rgb32;
        return image.convertToFormat(QImage::Format_RGB32);
    }
}

template<Layout L>
void blitRows(QImage &canvas, const QRect &area, const QRect &dest, const QImage &source,
              const QRect &sourceRect, bool transparent, const std::vector<int> &xmap)
{
    const Palette palette = (L == Layout::Indexed8 || L == Layout::Mono) ? paletteOf(source)
                                                                         : Palette{};
    const int width = area.width();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const int sy = sourceRect.y() + scaledIndex(y - dest.y(), dest.height(), sourceRect.height());
        const uchar *line = source.constScanLine(sy);
        QRgb *out = reinterpret_cast<QRgb *>(canvas.scanLine(y)) + area.x();
        if (transparent) {
            for (int i = 0; i < width; ++i) {
                const QRgb px = fetch<L>(line, xmap[size_t(i)], palette);
                if ((px & 0x00FFFFFFu) != 0x00FFFFFFu)
                    out[i] = px;
            }
        } else {
            for (int i = 0; i < width; ++i)
                out[i] = fetch<L>(line, xmap[size_t(i)], palette);
        }
    }
}

// Level tables indexed by blue + green + red (0..765).
struct Levels {
    std::array<uchar, 766> monochrome;
    std::array<uchar, 766> grayscale;
    Levels()
    {
        for (int s = 0; s < 766; ++s) {
            const int level = (s * 10000) / 31875;
            monochrome[size_t(s)] = level > 120 ? 255 : 0;
            grayscale[size_t(s)] = uchar(s / 3);
        }
    }
};

const Levels &levels()
{
    static const Levels table;
    return table;
}

template<Layout L>
void convertRows(QImage &dest, const QImage &source, const std::array<uchar, 766> &level)
{
    const Palette palette = (L == Layout::Indexed8 || L == Layout::Mono) ? paletteOf(source)
                                                                         : Palette{};
    const int width = source.width();
    for (int y = 0; y < source.height(); ++y) {
        const uchar *line = source.constScanLine(y);
        uchar *out = dest.scanLine(y);
        if constexpr (L == Layout::Bgr888) {
            for (int x = 0; x < width; ++x) {
                const uchar v = level[size_t(line[0] + line[1] + line[2])];
                out[0] = out[1] = out[2] = v;
                line += 3;
                out += 3;
            }
        } else {
            for (int x = 0; x < width; ++x) {
                const QRgb px = fetch<L>(line, x, palette);
                const uchar v = level[size_t(qRed(px) + qGreen(px) + qBlue(px))];
                out[0] = out[1] = out[2] = v;
                out += 3;
            }
        }
    }
}

void convert(QImage &dest, const QImage &source, const std::array<uchar, 766> &level)
{
    if (source.isNull())
        return;
    Layout layout;
    const QImage working = readable(source, layout);
    dest = QImage(source.width(), source.height(), QImage::Format_BGR888);
    switch (layout) {
    case Layout::Rgb32: convertRows<Layout::Rgb32>(dest, working, level); break;
    case Layout::Bgr888: convertRows<Layout::Bgr888>(dest, working, level); break;
    case Layout::Indexed8: convertRows<Layout::Indexed8>(dest, working, level); break;
    case Layout::Mono: convertRows<Layout::Mono>(dest, working, level); break;
    }
}

} // namespace

void blitScaled(QImage &canvas, const QRect &dest, const QImage &source,
                const QRect &sourceRect, bool transparent, const QRect &clip)
{
    if (canvas.isNull() || source.isNull() || dest.isEmpty() || sourceRect.isEmpty())
        return;
    Q_ASSERT(canvas.depth() == 32);
    Q_ASSERT(source.rect().contains(sourceRect));
    QRect area = dest & canvas.rect();
    if (!clip.isNull())
        area &= clip;
    if (area.isEmpty())
        return;

    Layout layout;
    const QImage src = readable(source, layout);
    std::vector<int> xmap(size_t(area.width()));
    for (int i = 0; i < area.width(); ++i)
        xmap[size_t(i)] = sourceRect.x()
            + scaledIndex(area.x() + i - dest.x(), dest.width(), sourceRect.width());

    switch (layout) {
    case Layout::Rgb32: blitRows<Layout::Rgb32>(canvas, area, dest, src, sourceRect, transparent, xmap); break;
    case Layout::Bgr888: blitRows<Layout::Bgr888>(canvas, area, dest, src, sourceRect, transparent, xmap); break;
    case Layout::Indexed8: blitRows<Layout::Indexed8>(canvas, area, dest, src, sourceRect, transparent, xmap); break;
    case Layout::Mono: blitRows<Layout::Mono>(canvas, area, dest, src, sourceRect, transparent, xmap); break;
    }
}

void MakeMonochrome(QImage &dest, const QImage &source)
{
    convert(dest, source, levels().monochrome);
}

void MakeGrayscale(QImage &dest, const QImage &source)
{
    convert(dest, source, levels().grayscale);
}

void RenderPart(QImage &canvas, const QRect &rect, const QImage &source,
                bool monochrome, bool grayscale, bool transparent)
{
    if (source.isNull() || rect.isEmpty())
        return;
    if (!monochrome && !grayscale) {
        blitScaled(canvas, rect, source, source.rect(), transparent);
        return;
    }
    QImage converted;
    if (monochrome)
        MakeMonochrome(converted, source);
    else
        MakeGrayscale(converted, source);
    blitScaled(canvas, rect, converted, converted.rect(), transparent);
}

void RefreshPartImage(PartView &image, const QRect &rect, const QImage &source,
                      bool monochrome, bool grayscale)
{
    RenderPart(image.bitmapForPainting(), rect, source, monochrome, grayscale, false);
    image.bitmapChanged();
}

QImage RenderScene(const Scene &scene)
{
    const QSize size = scene.backgroundSize();
    QImage picture(qMax(size.width(), 0), qMax(size.height(), 0), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    picture.fill(toQRgb(scene.backgroundColour()));
    for (int i = scene.count() - 1; i >= 0; --i) {
        const ScenePart &part = scene.part(i);
        RenderPart(picture, part.Image->bounds(), part.Source.image,
                   part.Monochrome != 0, part.Grayscale != 0, part.Transparent != 0);
    }
    return picture;
}

} // namespace zel
