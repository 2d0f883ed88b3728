#include "PdfPrinterPort.h"

#include <QPageLayout>

#include <cmath>

namespace zel {

PdfPrinterPort::PdfPrinterPort(const QString &path, const QPageSize &paper, int resolution)
    : m_path(path)
    , m_paper(paper)
    , m_resolution(resolution)
{
}

PrinterMetrics PdfPrinterPort::metrics() const
{
    // The sheet from the paper's own millimetres: a PDF page is a whole
    // number of points, up to half a point short of the paper, and a page
    // at true size must not be refused for that.
    const QSizeF mm = m_paper.size(QPageSize::Millimeter);
    const double across = m_portrait ? mm.width() : mm.height();
    const double down = m_portrait ? mm.height() : mm.width();
    PrinterMetrics m;
    m.logPixelsX = m_resolution;
    m.logPixelsY = m_resolution;
    m.physicalWidth = qint32(std::lround(across / 25.4 * m_resolution));
    m.physicalHeight = qint32(std::lround(down / 25.4 * m_resolution));
    m.physicalOffsetX = 0;
    m.physicalOffsetY = 0;
    m.canStretchImages = true;
    return m;
}

bool PdfPrinterPort::beginDoc()
{
    m_aborted = false;
    m_error.clear();
    // No margins of Qt's own: the page is placed from the sheet's corner.
    const QPageLayout layout(m_paper, m_portrait ? QPageLayout::Portrait : QPageLayout::Landscape,
                             QMarginsF(0, 0, 0, 0));
    if (!m_pdf.begin(m_path, layout, m_resolution, m_title)) {
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

void PdfPrinterPort::drawPage(const QImage &image, const QRect &dest)
{
    m_pdf.drawImage(dest, image);
}

} // namespace zel
