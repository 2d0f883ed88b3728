#include "PrintJob.h"

#include "ScreenResolution.h"

#include "pixels/ImageAllocation.h"
#include "pixels/PixelKernels.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zel {

namespace {

// A band of a sheet takes about this much memory, whatever the sheet's size
// and resolution: an A0 sheet at 600 dpi costs no more than an A4 one.
constexpr qint64 kBandBytes = qint64(16) << 20;

qint32 onPrinter(qint32 printerDpi, int pagePixels, qint32 screenDpi)
{
    const float product = float(printerDpi) * float(pagePixels);
    const long double pixels = std::trunc(static_cast<long double>(product) / screenDpi);
    if (!(pixels < std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(pixels);
}

} // namespace

QSize PageSizeOnPrinter(const QSize &page, const PrinterMetrics &metrics)
{
    if (ScreenDpiX <= 0 || ScreenDpiY <= 0)
        return {};
    return QSize(onPrinter(metrics.logPixelsX, page.width(), ScreenDpiX),
                 onPrinter(metrics.logPixelsY, page.height(), ScreenDpiY));
}

bool PageFitsSheet(const QSize &page, const PrinterMetrics &metrics)
{
    const QSize dest = PageSizeOnPrinter(page, metrics);
    return dest.width() <= metrics.physicalWidth && dest.height() <= metrics.physicalHeight;
}

SheetCell SheetCellOf(const QSize &page, const QRect &target, const PageLayout &layout, int n,
                      const PrinterMetrics &metrics)
{
    const RenderScale across = RenderScale::of(std::max(metrics.logPixelsX, 1), std::max(ScreenDpiX, 1));
    const RenderScale down = RenderScale::of(std::max(metrics.logPixelsY, 1), std::max(ScreenDpiY, 1));
    const QSize dest = PageSizeOnPrinter(page, metrics);
    SheetCell cell;
    cell.corner = QPoint(int(across.deviceAt(target.x())), int(down.deviceAt(target.y())));
    // The cell's device pixels, never beyond the page on the sheet.
    const qint64 width = std::min<qint64>(across.deviceAt(target.width()), dest.width() - cell.corner.x());
    const qint64 height = std::min<qint64>(down.deviceAt(target.height()), dest.height() - cell.corner.y());
    cell.area.device = QRect(0, 0, int(std::max<qint64>(width, 0)), int(std::max<qint64>(height, 0)));
    cell.area.scale = across;
    cell.area.vertical = down;
    cell.area.origin = PageCellRect(layout, n).topLeft();
    return cell;
}

bool SendPageToPrinter(PrintJob &job, int n)
{
    const PrinterMetrics metrics = job.printer.metrics();
    const QSize dest = PageSizeOnPrinter(job.page, metrics);
    if (dest.width() > metrics.physicalWidth || dest.height() > metrics.physicalHeight) {
        job.showMessage(kBadPageSizeText);
        return false;
    }
    if (job.page.isEmpty() || dest.isEmpty()) {
        job.showMessage(kEmptyBitmapText);
        return false;
    }
    // White paper but for the cell, which is drawn from the parts in bands.
    const SheetCell cell = SheetCellOf(job.page, job.target, job.layout, n, metrics);
    const QRect &device = cell.area.device;
    const int rows = int(std::clamp<qint64>(kBandBytes / (qint64(std::max(device.width(), 1)) * 4), 1,
                                            std::max(device.height(), 1)));
    for (int top = 0; top < device.height(); top += rows) {
        const QSize size(device.width(), std::min(rows, device.height() - top));
        // Reused from band to band and sheet to sheet: fresh memory costs a
        // page fault a page.
        if (job.band.size() != size)
            job.band = job.makeBand ? job.makeBand(size)
                                    : allocateImage(size.width(), size.height(), QImage::Format_RGB32);
        if (job.band.isNull()) {
            job.showMessage(kOutOfMemoryText);
            return false;
        }
        RenderArea area = cell.area;
        area.device = QRect(QPoint(0, top), size);
        RenderPicture(job.band, job.picture, area, kOpaqueWhite);
        job.printer.drawImage(job.band, cell.corner + QPoint(0, top) - job.physicalOffset);
    }
    return true;
}

bool PrintPages(PrintJob &job, int outer, int inner)
{
    for (int pass = 1; pass <= outer; ++pass) {
        for (int n = job.first; n <= job.last; ++n) {
            for (int sheet = 1; sheet <= inner; ++sheet) {
                if (!SendPageToPrinter(job, n)) {
                    job.printer.abortDoc();
                    job.abortedByJob = true;
                    return false;
                }
                if (job.pump)
                    job.pump();
                const bool lastSheet = n == job.last && pass == outer && sheet == inner;
                if (!lastSheet)
                    job.printer.newPage();
                if (job.printer.aborted())
                    return false;
            }
        }
    }
    return true;
}

} // namespace zel
