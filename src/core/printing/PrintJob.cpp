#include "PrintJob.h"

#include "ScreenResolution.h"

#include <cmath>
#include <limits>

namespace zel {

namespace {

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

bool SendPageToPrinter(PrintJob &job)
{
    const PrinterMetrics metrics = job.printer.metrics();
    const QSize dest = PageSizeOnPrinter(job.page.size(), metrics);
    if (dest.width() > metrics.physicalWidth || dest.height() > metrics.physicalHeight) {
        job.showMessage(kBadPageSizeText);
        return false;
    }
    if (job.page.isNull() || job.page.sizeInBytes() == 0 || dest.isEmpty()) {
        job.showMessage(kEmptyBitmapText);
        return false;
    }
    const QImage bits = job.makeBuffer ? job.makeBuffer(job.page) : job.page.copy();
    if (bits.isNull()) {
        job.showMessage(kOutOfMemoryText);
        return false;
    }
    job.printer.drawPage(bits, QRect(-job.physicalOffset, dest));
    return true;
}

bool PrintPages(PrintJob &job, int outer, int inner)
{
    for (int pass = 1; pass <= outer; ++pass) {
        for (int n = job.first; n <= job.last; ++n) {
            ComposePage(job.page, job.target, job.picture, job.layout, n);
            for (int sheet = 1; sheet <= inner; ++sheet) {
                if (!SendPageToPrinter(job)) {
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
