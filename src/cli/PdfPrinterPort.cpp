#include "PdfPrinterPort.h"

#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cmath>

namespace zel::cli {

qint64 WholeWriteSaveFile::writeData(const char *data, qint64 len)
{
    qint64 done = 0;
    while (done < len) {
        const qint64 written = QSaveFile::writeData(data + done, len - done);
        if (written <= 0) {
            if (m_failure.isEmpty())
                m_failure = written < 0 ? errorString() : QStringLiteral("nothing could be written");
            cancelWriting(); // never commit what is known to be cut short
            return -1;
        }
        done += written;
    }
    return done;
}

bool WholeWriteSaveFile::finish()
{
    // Flushed here rather than inside commit, which loses the reason. A
    // short write leaves the rest buffered, and only trying that again
    // tells why.
    if (m_failure.isEmpty() && !flush()) {
        flush();
        m_failure = errorString();
    }
    if (!m_failure.isEmpty()) {
        cancelWriting();
        return false;
    }
    if (!commit()) {
        m_failure = errorString();
        return false;
    }
    return true;
}

PdfPrinterPort::PdfPrinterPort(const QString &path, const QPageSize &paper, int resolution)
    : m_path(path)
    , m_paper(paper)
    , m_resolution(resolution)
{
}

PdfPrinterPort::~PdfPrinterPort()
{
    discard();
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
    discard();
    m_aborted = false;
    m_error.clear();
    m_file = std::make_unique<WholeWriteSaveFile>(m_path);
    if (!m_file->open(QIODevice::WriteOnly)) {
        m_error = QStringLiteral("%1: cannot create: %2").arg(m_path, m_file->errorString());
        m_file.reset();
        return false;
    }
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setResolution(m_resolution);
    // No margins of Qt's own: the page is placed from the sheet's corner.
    m_writer->setPageLayout(QPageLayout(m_paper,
                                        m_portrait ? QPageLayout::Portrait : QPageLayout::Landscape,
                                        QMarginsF(0, 0, 0, 0)));
    m_writer->setTitle(m_title);
    m_writer->setCreator(QStringLiteral("Zelvane"));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        m_error = QStringLiteral("%1: cannot start a PDF document").arg(m_path);
        discard();
        return false;
    }
    // Pictures keep their exact pixels rather than being JPEG-compressed.
    m_painter->setRenderHint(QPainter::LosslessImageRendering);
    return true;
}

bool PdfPrinterPort::newPage()
{
    return m_writer && m_writer->newPage();
}

bool PdfPrinterPort::endDoc()
{
    if (!m_painter)
        return false;
    const bool ended = m_painter->end();
    m_painter.reset();
    m_writer.reset();
    if (!ended) {
        m_error = QStringLiteral("%1: the PDF document could not be finished").arg(m_path);
        discard();
        return false;
    }
    if (!m_file->finish()) {
        m_error = QStringLiteral("%1: write failed: %2").arg(m_path, m_file->failure());
        m_file.reset();
        return false;
    }
    m_file.reset();
    return true;
}

void PdfPrinterPort::abortDoc()
{
    m_aborted = true;
    discard();
}

void PdfPrinterPort::drawPage(const QImage &image, const QRect &dest)
{
    if (m_painter && m_painter->isActive())
        m_painter->drawImage(dest, image);
}

void PdfPrinterPort::discard()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
}

} // namespace zel::cli
