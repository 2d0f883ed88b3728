#pragma once

#include "PageLayout.h"
#include "PrinterPort.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <functional>

namespace zel {

inline const QString kBadPageSizeText = QStringLiteral("計算された幅または高さが異常です");
inline const QString kEmptyBitmapText = QStringLiteral("ビットマップのサイズが０です");

// Makes the buffer of bits sent for one sheet: a copy of the page, or a null
// image when it cannot be allocated.
using PageBufferFn = std::function<QImage(const QImage &page)>;

// One print job while it runs: the picture and its layout, the page
// reused for every sheet, the pages to print and where the sheet begins.
struct PrintJob {
    PrintJob(PrinterPort &printer, const QImage &picture, const PageLayout &layout)
        : printer(printer), picture(picture), layout(layout) {}

    PrinterPort &printer;
    const QImage &picture;
    PageLayout layout;
    MessageFn showMessage;
    EventPump pump;
    QImage page;        // RGB32, the whole sheet at screen resolution
    QRect target;       // where the cell goes on the page
    int first = 0;      // pages to print, from 0
    int last = -1;
    QPoint physicalOffset;
    PageBufferFn makeBuffer; // empty: a plain copy
    bool abortedByJob = false;
};

// The page's size on the sheet in printer pixels at the printer's
// resolution: one page pixel is 1/ScreenDpi inch. Empty when no screen
// resolution is known.
QSize PageSizeOnPrinter(const QSize &page, const PrinterMetrics &metrics);

// Whether a page of that size fits the printer's sheet.
bool PageFitsSheet(const QSize &page, const PrinterMetrics &metrics);

// Stretches the page over the sheet from its physical corner. False, after
// showing why, when it would not fit the sheet or has no bits to send.
bool SendPageToPrinter(PrintJob &job);

// Sends the pages first..last, outer times over with each sheet repeated
// inner times, starting a new page between sheets and never after the last.
// A sheet that fails aborts the job; so does the printer reporting the job
// aborted. False when the job ended that way.
bool PrintPages(PrintJob &job, int outer, int inner);

} // namespace zel
