#include "PdfPrinterPort.h"

#include <QPageLayout>

namespace zel {

PdfPrinterPort::PdfPrinterPort(const QString &path, const QPageSize &paper, int resolution)
    : m_path(path)
    , m_paper(paper)
    , m_resolution(resolution)
{
}

QPageLayout PdfPrinterPort::pageLayout() const
{
    // No margins of Qt's own: the page is placed from the sheet's corner.
    return QPageLayout(m_paper, m_portrait ? QPageLayout::Portrait : QPageLayout::Landscape,
                       QMarginsF(0, 0, 0, 0));
}

PrinterMetrics PdfSheetMetrics(const QPageSize &paper, bool portrait, int resolution)
{
    const QSizeF mm = paper.size(QPageSize::Millimeter);
    const double across = portrait ? mm.width() : mm.height();
    const double down = portrait ? mm.height() : mm.width();
    PrinterMetrics m;
    m.logPixelsX = resolution;
    m.logPixelsY = resolution;
    m.physicalWidth = qint32(std::lround(across / 25.4 * resolution));
    m.physicalHeight = qint32(std::lround(down / 25.4 * resolution));
    m.physicalOffsetX = 0;
    m.physicalOffsetY = 0;
    m.canStretchImages = true;
    return m;
}

PrinterMetrics PdfPrinterPort::metrics() const
{
    return PdfSheetMetrics(m_paper, m_portrait, m_resolution);
}

bool PdfPrinterPort::beginDoc()
{
    m_aborted = false;
    m_error.clear();
    if (!m_pdf.begin(m_path, pageLayout(), m_resolution, m_title)) {
        m_error = m_pdf.error();
        return false;
    }
    return true;
}

bool PdfPrinterPort::newPage()
{
    return m_pdf.newPage();
}

bool PdfPrinterPort::endDoc()
{
    if (m_pdf.finish())
        return true;
    m_error = m_pdf.error();
    return false;
}

void PdfPrinterPort::abortDoc()
{
    m_aborted = true;
    m_pdf.discard();
}

void PdfPrinterPort::drawImage(const QImage &image, const QPoint &at)
{
    m_pdf.drawImage(QRect(at, image.size()), image);
}

} // namespace zel
