#include "PdfFileWriter.h"

#include <QPainter>
#include <QPdfWriter>

namespace zel {

PdfFileWriter::PdfFileWriter() = default;

PdfFileWriter::~PdfFileWriter()
{
    discard();
}

bool PdfFileWriter::begin(const QString &path, const QPageLayout &layout, int resolution,
                          const QString &title)
{
    discard();
    m_error.clear();
    m_file = std::make_unique<FileReplacement>(path);
    if (!m_file->open()) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    m_writer = std::make_unique<QPdfWriter>(m_file.get());
    m_writer->setResolution(resolution);
    m_writer->setPageLayout(layout);
    m_writer->setTitle(title);
    m_writer->setCreator(QStringLiteral("Zelvane"));
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(m_writer.get())) {
        m_error = QStringLiteral("%1: cannot start a PDF document").arg(path);
        discard();
        return false;
    }
    // Pictures keep their exact pixels rather than being JPEG-compressed.
    m_painter->setRenderHint(QPainter::LosslessImageRendering);
    return true;
}

bool PdfFileWriter::isActive() const
{
    return m_painter && m_painter->isActive();
}

bool PdfFileWriter::newPage()
{
    return isActive() && m_writer->newPage();
}

void PdfFileWriter::drawImage(const QRect &dest, const QImage &image)
{
    if (isActive())
        m_painter->drawImage(dest, image);
}

bool PdfFileWriter::finish()
{
    if (!isActive())
        return false;
    const QString path = m_file->path();
    const bool ended = m_painter->end();
    m_painter.reset();
    m_writer.reset();
    if (!ended) {
        m_error = QStringLiteral("%1: the PDF document could not be finished").arg(path);
        discard();
        return false;
    }
    if (!m_file->commit()) {
        m_error = m_file->errorString();
        m_file.reset();
        return false;
    }
    m_file.reset();
    return true;
}

void PdfFileWriter::discard()
{
    if (m_painter && m_painter->isActive())
        m_painter->end();
    m_painter.reset();
    m_writer.reset();
    if (m_file)
        m_file->cancel();
    m_file.reset();
}

} // namespace zel
