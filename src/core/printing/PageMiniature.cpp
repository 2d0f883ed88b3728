#include "PageMiniature.h"

#include "PageSettings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zel {

namespace {

constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kDotGray = 0xFF808080u;

int truncated(long double value)
{
    if (!(value > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (!(value < std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(std::trunc(value));
}

void plot(QImage &image, int x, int y, QRgb colour)
{
    if (image.valid(x, y))
        reinterpret_cast<QRgb *>(image.scanLine(y))[x] = colour;
}

// Fills [left, right) x [top, bottom) and outlines its outermost pixels;
// a dotted outline runs three pixels on and three off around the corners,
// its gaps showing the fill.
void drawRectangle(QImage &image, int left, int top, int right, int bottom, QRgb pen,
                   bool dotted, QRgb fill)
{
    if (right <= left || bottom <= top)
        return;
    const QRect area = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)) & image.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            plot(image, x, y, fill);

    int step = 0;
    auto dot = [&](int x, int y) {
        if (!dotted || step % 6 < 3)
            plot(image, x, y, pen);
        ++step;
    };
    const int last = right - 1;
    const int bottomRow = bottom - 1;
    for (int x = left; x <= last; ++x)
        dot(x, top);
    for (int y = top + 1; y <= bottomRow; ++y)
        dot(last, y);
    if (bottomRow > top)
        for (int x = last - 1; x >= left; --x)
            dot(x, bottomRow);
    if (last > left)
        for (int y = bottomRow - 1; y > top; --y)
            dot(left, y);
}

} // namespace

QImage RenderPageMiniature(float paperWidth, float paperHeight,
                           const std::array<float, 4> &margins, int viewHeight,
                           QRgb workspace)
{
    if (!(paperWidth > 0) || !(paperHeight > 0))
        return {};
    const float scale = float(viewHeight) / std::max(paperWidth, paperHeight);
    auto scaled = [scale](float mm) { return truncated(static_cast<long double>(scale) * mm); };
    QImage image(scaled(paperWidth), scaled(paperHeight), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    drawRectangle(image, 0, 0, image.width(), image.height(), kBlack, false, kWhite);
    drawRectangle(image, scaled(margins[LeftMargin]), scaled(margins[TopMargin]),
                  scaled(paperWidth - margins[RightMargin]),
                  scaled(paperHeight - margins[BottomMargin]), kDotGray, true,
                  workspace | 0xFF000000u);
    return image;
}

} // namespace zel
