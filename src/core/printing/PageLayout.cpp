#include "PageLayout.h"

#include "ScreenResolution.h"

#include <QPainter>

#include <cmath>
#include <limits>

namespace zel {

namespace {

// Whole pages needed for length mm in steps of cell mm: the quotient,
// rounded up when it has any fraction.
std::optional<qint64> pagesFor(float length, float cell)
{
    const long double quotient = static_cast<long double>(length) / cell;
    if (!std::isfinite(quotient) || quotient < 0)
        return std::nullopt;
    const long double whole = std::trunc(quotient);
    if (whole >= std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint64(whole) + (quotient != whole ? 1 : 0);
}

} // namespace

std::optional<PageLayout> LayoutForPicture(const PageSettings &settings, const QSize &picture)
{
    const float pw = settings.paperWidth - settings.margins[LeftMargin]
        - settings.margins[RightMargin];
    const float ph = settings.paperHeight - settings.margins[TopMargin]
        - settings.margins[BottomMargin];
    if (!(pw > 0) || !(ph > 0))
        return std::nullopt;

    PageLayout layout;
    layout.cellWidth = MmToPixelsX(pw);
    layout.cellHeight = MmToPixelsY(ph);
    if (layout.cellWidth < 1 || layout.cellHeight < 1)
        return std::nullopt;

    const auto across = pagesFor(PixelsToMmX(picture.width()), pw);
    const auto down = pagesFor(PixelsToMmY(picture.height()), ph);
    if (!across || !down || *across * *down > std::numeric_limits<qint32>::max())
        return std::nullopt;
    layout.pagesAcross = qint32(*across);
    layout.pagesDown = qint32(*down);
    return layout;
}

QRect PageCellRect(const PageLayout &layout, int n)
{
    if (layout.pagesAcross <= 0)
        return {};
    const int column = n % layout.pagesAcross;
    const int row = n / layout.pagesAcross;
    return QRect(column * layout.cellWidth, row * layout.cellHeight, layout.cellWidth,
                 layout.cellHeight);
}

QSize PageBitmapSize(const PageSettings &settings)
{
    return QSize(MmToPixelsX(settings.paperWidth), MmToPixelsY(settings.paperHeight));
}

QRect PageTargetRect(const PageSettings &settings, const PageLayout &layout)
{
    return QRect(MmToPixelsX(settings.margins[LeftMargin]),
                 MmToPixelsY(settings.margins[TopMargin]), layout.cellWidth, layout.cellHeight);
}

namespace {

// Copies the part of page n's cell that lies inside the picture to target,
// clipped to the page; the rest of the target keeps what the page holds.
void copyCell(QImage &page, const QRect &target, const QImage &picture,
              const PageLayout &layout, int n)
{
    const QRect cell = PageCellRect(layout, n);
    const QPoint shift = target.topLeft() - cell.topLeft();
    const QRect source = cell.intersected(picture.rect())
                             .intersected(page.rect().translated(-shift))
                             .intersected(QRect(cell.topLeft(), target.size()));
    if (source.isEmpty())
        return;
    QPainter painter(&page);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(source.topLeft() + shift, picture, source);
}

} // namespace

QImage RenderPreviewSheet(const PageSettings &settings, const QImage &picture,
                          const PageLayout &layout, int n)
{
    const QSize size = PageBitmapSize(settings);
    if (size.width() <= 0 || size.height() <= 0)
        return {};
    QImage page(size, QImage::Format_RGB32);
    if (page.isNull())
        return {};
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setPen(Qt::black);
        painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    }
    copyCell(page, PageTargetRect(settings, layout), picture, layout, n);
    return page;
}

QRect PreviewViewRect(const QSize &client, float paperWidth, float paperHeight)
{
    if (!(paperWidth > 0) || !(paperHeight > 0))
        return {};
    const double sx = double(client.width() - 32) / double(paperWidth);
    const double sy = double(client.height() - 32) / double(paperHeight);
    // The scale is a double; the products are taken in extended precision,
    // which is what makes 210 mm at 368/210 pixels per mm come to 367.
    const double scale = sx <= sy ? sx : sy;
    const int width = int(std::trunc(static_cast<long double>(paperWidth) * scale));
    const int height = int(std::trunc(static_cast<long double>(paperHeight) * scale));
    return QRect((client.width() - width) / 2, (client.height() - height) / 2, width, height);
}

} // namespace zel
