#pragma once

#include "PageSettings.h"

#include <QImage>
#include <QRect>
#include <QSize>

#include <optional>

namespace zel {

// How the picture is cut into pages: cells of the printable area's size at
// screen resolution, as many across and down as the picture needs.
struct PageLayout {
    qint32 pagesAcross = 0;
    qint32 pagesDown = 0;
    qint32 cellWidth = 0;  // screen pixels
    qint32 cellHeight = 0;

    qint32 pageCount() const { return pagesAcross * pagesDown; }
    friend bool operator==(const PageLayout &, const PageLayout &) = default;
};

inline const QString kNoPrintableAreaText =
    QStringLiteral("余白が大きすぎるため、印刷できる範囲がありません");
inline const QString kOutOfMemoryText = QStringLiteral("メモリが足りません");

// The layout of a picture of the given pixel size. Nothing when the margins
// leave no printable width or height (not even one pixel), or the picture
// would need more pages than can be counted.
std::optional<PageLayout> LayoutForPicture(const PageSettings &settings, const QSize &picture);

// The rectangle of page n in the picture; the cells of the last column and
// row may reach beyond the picture's edges.
QRect PageCellRect(const PageLayout &layout, int n);

// The page at screen resolution: the whole sheet as laid out.
QSize PageBitmapSize(const PageSettings &settings);
// Where the cell goes on the page: at the left and top margins.
QRect PageTargetRect(const PageSettings &settings, const PageLayout &layout);

// The preview's sheet: page n on white paper with a one-pixel black frame.
// Null when the page cannot be allocated.
QImage RenderPreviewSheet(const PageSettings &settings, const QImage &picture,
                          const PageLayout &layout, int n);

// Where the preview shows a paperWidth x paperHeight mm sheet in a client
// area: scaled to leave 16 pixels each side along the limiting direction and
// centred. Width or height come out 0 or less when the area is too small.
QRect PreviewViewRect(const QSize &client, float paperWidth, float paperHeight);

} // namespace zel
