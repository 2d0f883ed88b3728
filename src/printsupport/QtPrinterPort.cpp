#include "printsupport/QtPrinterPort.h"

#include "printing/PdfPrinterPort.h"

#include <QPainter>
#include <QPrinterInfo>

#include <cmath>

namespace zel {

namespace {

constexpr int kCustomWindowsId = 256; // DMPAPER_USER

qint32 tenths(qreal millimetres)
{
    return qint32(std::lround(millimetres * 10.0));
}

// The PDF printer's paper: every size Qt knows by name.
const QList<QPageSize> &standardPageSizes()
{
    static const QList<QPageSize> sizes = [] {
        QList<QPageSize> all;
        for (int id = 0; id <= int(QPageSize::LastPageSize); ++id)
            if (id != QPageSize::Custom) // in the midst of the ids, and no size
                all.append(QPageSize(QPageSize::PageSizeId(id)));
        return all;
    }();
    return sizes;
}

} // namespace

QtPrinterPort::QtPrinterPort(const QString &printerName)
{
    if (!printerName.isEmpty())
        m_printer.setPrinterName(printerName);
    // The page is placed on the sheet's corner by ourselves; Qt's own
    // margins are only the printer's unprintable edges.
    m_printer.setFullPage(false);
    m_printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    if (m_printer.printerName().isEmpty()) {
        // No print queue: the PDF printer, on the paper the page settings
        // start with.
        m_pdfPrinter = true;
        m_pdfOffered = true;
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setPageSize(QPageSize(QPageSize::A4));
        m_printer.setPageOrientation(QPageLayout::Portrait);
    }
}

QtPrinterPort::~QtPrinterPort()
{
    if (m_painter && m_painter->isActive()) {
        m_printer.abort();
        m_painter->end();
    }
}

quint16 QtPrinterPort::paperId(const QPageSize &size, int index)
{
    const int id = size.windowsId();
    if (id != 0 && id != kCustomWindowsId)
        return quint16(id);
    return quint16(kOwnPaperIdBase + index);
}

QList<QPageSize> QtPrinterPort::currentSizes() const
{
    if (m_pdfPrinter)
        return standardPageSizes();
    return QPrinterInfo::printerInfo(m_printer.printerName()).supportedPageSizes();
}

QStringList QtPrinterPort::printerNames() const
{
    QStringList names = QPrinterInfo::availablePrinterNames();
    if (names.isEmpty() || m_pdfOffered)
        names.append(kPdfPrinterName);
    return names;
}

bool QtPrinterPort::selectPrinter(const QString &name)
{
    if (name.isEmpty() || !printerNames().contains(name))
        return false;
    if (name == kPdfPrinterName) {
        if (!m_pdfPrinter)
            m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_pdfPrinter = true;
        m_pdfOffered = true;
        return true;
    }
    if (m_pdfPrinter || name != m_printer.printerName()) {
        m_printer.setOutputFormat(QPrinter::NativeFormat);
        m_printer.setPrinterName(name);
        limitResolution();
    }
    m_pdfPrinter = false;
    return true;
}

bool QtPrinterPort::hasDevMode() const
{
    if (!m_outputFile.isEmpty())
        return false;
    return m_pdfPrinter
        || (!m_printer.printerName().isEmpty()
            && !QPrinterInfo::printerInfo(m_printer.printerName()).isNull());
}

QString QtPrinterPort::deviceName() const
{
    return m_pdfPrinter ? kPdfPrinterName : m_printer.printerName();
}

QString QtPrinterPort::portName() const
{
    // A CUPS queue hides its device behind its name; only a file differs.
    return m_pdfPrinter || !m_outputFile.isEmpty() ? QStringLiteral("FILE:") : QString();
}

bool QtPrinterPort::readDevMode(DevMode &devMode) const
{
    const QPageLayout layout = m_printer.pageLayout();
    const bool portrait = layout.orientation() == QPageLayout::Portrait;
    const QPageSize page = layout.pageSize();
    devMode.dmOrientation = portrait ? kDmPortrait : kDmLandscape;

    const QList<QPageSize> sizes = currentSizes();
    int index = -1;
    for (int i = 0; i < sizes.size() && index < 0; ++i)
        if (sizes[i].isEquivalentTo(page))
            index = i;
    devMode.dmPaperSize = qint16(index >= 0 ? paperId(sizes[index], index)
                                            : quint16(page.windowsId()));

    const QSizeF mm = page.size(QPageSize::Millimeter);
    const double width = portrait ? mm.width() : mm.height();
    const double length = portrait ? mm.height() : mm.width();
    devMode.dmPaperWidth = ToDevModeTenths(std::round(width * 10.0));
    devMode.dmPaperLength = ToDevModeTenths(std::round(length * 10.0));
    return true;
}

bool QtPrinterPort::writeDevMode(const DevMode &devMode)
{
    const quint16 id = quint16(devMode.dmPaperSize);
    const QList<QPageSize> sizes = currentSizes();
    for (int i = 0; i < sizes.size(); ++i) {
        if (paperId(sizes[i], i) == id) {
            m_printer.setPageSize(sizes[i]);
            break;
        }
    }
    if (devMode.dmOrientation == kDmPortrait)
        m_printer.setPageOrientation(QPageLayout::Portrait);
    else if (devMode.dmOrientation == kDmLandscape)
        m_printer.setPageOrientation(QPageLayout::Landscape);
    return true;
}

PaperList QtPrinterPort::paperForms(const QString &device, const QString &) const
{
    PaperList list;
    if (device.isEmpty())
        return list;
    QList<QPageSize> sizes;
    if (device == kPdfPrinterName) {
        sizes = standardPageSizes();
    } else {
        const QPrinterInfo info = QPrinterInfo::printerInfo(device);
        if (info.isNull()) {
            list.count = -1;
            return list;
        }
        sizes = info.supportedPageSizes();
    }
    list.count = qint32(sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        const QSizeF mm = sizes[i].size(QPageSize::Millimeter);
        list.names.append(sizes[i].name());
        list.sizes.push_back({tenths(mm.width()), tenths(mm.height())});
        list.ids.push_back(paperId(sizes[i], i));
    }
    return list;
}

void QtPrinterPort::limitResolution()
{
    if (!m_pdfPrinter && m_printer.resolution() > kMaxQueueDpi)
        m_printer.setResolution(kMaxQueueDpi);
}

PrinterMetrics QtPrinterPort::metrics() const
{
    // A PDF is drawn at its own resolution, on the paper's millimetres.
    if (printsPdf())
        return PdfSheetMetrics(m_printer.pageLayout().pageSize(),
                               m_printer.pageLayout().orientation() == QPageLayout::Portrait,
                               kPdfDeviceDpi);
    PrinterMetrics m;
    m.logPixelsX = m_printer.logicalDpiX();
    m.logPixelsY = m_printer.logicalDpiY();
    const QRectF paper = m_printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = m_printer.pageRect(QPrinter::DevicePixel);
    m.physicalWidth = qRound(paper.width());
    m.physicalHeight = qRound(paper.height());
    m.physicalOffsetX = qRound(page.left() - paper.left());
    m.physicalOffsetY = qRound(page.top() - paper.top());
    m.canStretchImages = true;
    return m;
}

void QtPrinterPort::setOutputFile(const QString &path)
{
    if (path == m_outputFile)
        return;
    if (m_outputFile.isEmpty()) // the PDF printer has no queue to go back to
        m_printerBeforeFile = m_pdfPrinter ? QString() : m_printer.printerName();
    m_outputFile = path;
    if (!path.isEmpty()) {
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(path);
        return;
    }
    m_printer.setOutputFileName(QString());
    if (!m_printerBeforeFile.isEmpty()) {
        m_printer.setOutputFormat(QPrinter::NativeFormat);
        m_printer.setPrinterName(m_printerBeforeFile);
    }
}

void QtPrinterPort::setPortrait(bool portrait)
{
    limitResolution(); // a queue may report more than is worth sending
    m_printer.setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
}

void QtPrinterPort::setJobTitle(const QString &title)
{
    m_printer.setDocName(title);
}

bool QtPrinterPort::beginDoc()
{
    m_aborted = false;
    if (!m_outputFile.isEmpty()) {
        // A file goes through our own PDF writer rather than QPrinter's,
        // which reports a document cut short by a full disk as printed.
        // Same page layout and resolution, so the same coordinates.
        return m_pdf.begin(m_outputFile, m_printer.pageLayout(), kPdfDeviceDpi,
                           m_printer.docName());
    }
    m_painter = std::make_unique<QPainter>();
    if (!m_painter->begin(&m_printer)) {
        m_painter.reset();
        return false;
    }
    return true;
}

bool QtPrinterPort::newPage()
{
    if (m_pdf.isActive())
        return m_pdf.newPage();
    return m_printer.newPage();
}

bool QtPrinterPort::endDoc()
{
    if (m_pdf.isActive())
        return m_pdf.finish();
    if (!m_painter)
        return false;
    const bool ended = m_painter->end();
    m_painter.reset();
    return ended && m_printer.printerState() != QPrinter::Error;
}

void QtPrinterPort::abortDoc()
{
    m_aborted = true;
    m_pdf.discard();
    if (!m_painter)
        return;
    // A CUPS job cannot be taken back once begun; this ends what was sent.
    m_printer.abort();
    m_painter->end();
    m_painter.reset();
}

void QtPrinterPort::drawImage(const QImage &image, const QPoint &at)
{
    if (m_pdf.isActive()) {
        m_pdf.drawImage(QRect(at, image.size()), image);
        return;
    }
    if (!m_painter || !m_painter->isActive())
        return;
    // Without this hint Qt stores the page as a JPEG in PDF output.
    m_painter->setRenderHint(QPainter::LosslessImageRendering);
    m_painter->drawImage(at, image);
}

} // namespace zel
