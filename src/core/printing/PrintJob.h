#pragma once

#include "PageLayout.h"
#include "PrinterPort.h"

#include "scene/Render.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>

namespace zel {

inline const QString kBadPageSizeText = QStringLiteral("計算された幅または高さが異常です");
inline const QString kEmptyBitmapText = QStringLiteral("ビットマップのサイズが０です");

// Makes the buffer one band of a sheet is drawn into; a null image when it
// cannot be allocated.
using BandBufferFn = std::function<QImage(const QSize &size)>;

// One print job while it runs: the picture and its layout, where the cell
// goes on the page, the pages to print and where the sheet begins.
struct PrintJob {
    PrintJob(PrinterPort &printer, const PictureDraws &picture, const PageLayout &layout)
        : printer(printer), picture(picture), layout(layout) {}

    PrinterPort &printer;
    const PictureDraws &picture;
    PageLayout layout;
    MessageFn showMessage;
    EventPump pump;
    QSize page;         // the whole sheet at screen resolution
    QRect target;       // where the cell goes on the page, screen pixels
    int first = 0;      // pages to print, from 0
    int last = -1;
    QPoint physicalOffset;
    BandBufferFn makeBand; // empty: a plain image
    QImage band;           // the buffer bands are drawn in
    bool abortedByJob = false;
};

// The page's size on the sheet in printer pixels at the printer's
// resolution: one page pixel is 1/ScreenDpi inch. Empty when no screen
// resolution is known.
QSize PageSizeOnPrinter(const QSize &page, const PrinterMetrics &metrics);

// Whether a page of that size fits the printer's sheet.
bool PageFitsSheet(const QSize &page, const PrinterMetrics &metrics);

// How a sheet's device pixels lie over the picture: the cell's first device
// pixel, from the sheet's physical corner, and the area of the picture at
// the printer's resolution that page n's cell shows there. The centre of
// the cell's device pixel x lies at picture position cell.x + (x + 1/2) *
// screen dpi / printer dpi, so that a part shown at its source's size
// prints in blocks of identical pixels and a scaled part with its source's
// detail; the cell's size on the sheet is the page's, as always.
struct SheetCell {
    QPoint corner;   // device pixels from the sheet's corner
    RenderArea area; // its device rectangle starts at (0, 0)
};
SheetCell SheetCellOf(const QSize &page, const QRect &target, const PageLayout &layout, int n,
                      const PrinterMetrics &metrics);

// Draws page n's cell straight from the picture's parts at the printer's
// resolution, band by band, onto the sheet from its physical corner. False,
// after showing why, when the page would not fit the sheet, is empty, or a
// band cannot be allocated.
bool SendPageToPrinter(PrintJob &job, int n);

// Sends the pages first..last, outer times over with each sheet repeated
// inner times, starting a new page between sheets and never after the last.
// A sheet that fails aborts the job; so does the printer reporting the job
// aborted. False when the job ended that way.
bool PrintPages(PrintJob &job, int outer, int inner);

} // namespace zel
