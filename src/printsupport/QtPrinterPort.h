#pragma once

#include "printing/PdfFileWriter.h"
#include "printing/PrinterPort.h"

#include <QPageSize>
#include <QPrinter>
#include <QStringList>

#include <memory>

class QPainter;

namespace zel {

// The printer that writes PDF files, offered where there is no print queue.
inline const QString kPdfPrinterName = QStringLiteral("PDFﾌｧｲﾙ");

// The printer interface over Qt Print Support: the current printer is a
// QPrinter, at first on Qt's default printer (a CUPS queue). Paper ids are
// the Windows ids QPageSize gives; the many sizes without one (0) or with
// the "custom" id (256) get ids of ours from kOwnPaperIdBase up, which no
// real paper id reaches. With no print queue the current printer is the PDF
// printer: Qt's standard page sizes, A4 at first, and every document goes
// to the PDF file its job names.
class QtPrinterPort : public PrinterPort
{
public:
    static constexpr quint16 kOwnPaperIdBase = 0x7000;

    // An empty name takes Qt's default printer.
    explicit QtPrinterPort(const QString &printerName = QString());
    ~QtPrinterPort() override;

    QPrinter &printer() { return m_printer; }

    // The id our paper lists give the index-th of a printer's sizes.
    static quint16 paperId(const QPageSize &size, int index);

    // The printers the user can choose from: the print queues, and the PDF
    // printer while there is none or once it has been current.
    QStringList printerNames() const;
    // Makes the named printer current; false when there is none of that name.
    bool selectPrinter(const QString &name);

    bool hasDevMode() const override;
    QString deviceName() const override;
    QString portName() const override;
    bool readDevMode(DevMode &devMode) const override;
    bool writeDevMode(const DevMode &devMode) override;
    PaperList paperForms(const QString &device, const QString &port) const override;
    PrinterMetrics metrics() const override;
    bool printsToFileOnly() const override { return m_pdfPrinter; }
    QString outputFile() const override { return m_outputFile; }
    void setOutputFile(const QString &path) override;
    void setPortrait(bool portrait) override;
    void setJobTitle(const QString &title) override;
    bool beginDoc() override;
    bool newPage() override;
    bool endDoc() override;
    void abortDoc() override;
    bool aborted() const override { return m_aborted; }
    void drawImage(const QImage &image, const QPoint &at) override;

private:
    QList<QPageSize> currentSizes() const;
    // Output that goes to a PDF file: the PDF printer, or print to file.
    bool printsPdf() const { return m_pdfPrinter || !m_outputFile.isEmpty(); }
    // Print queues print at their own resolution, up to this.
    static constexpr int kMaxQueueDpi = 600;
    void limitResolution();

    QPrinter m_printer{QPrinter::HighResolution};
    std::unique_ptr<QPainter> m_painter;
    PdfFileWriter m_pdf; // active while a document goes to a file
    QString m_outputFile;
    QString m_printerBeforeFile;
    bool m_pdfPrinter = false;
    // Once current, the PDF printer stays on offer, so that the page setup
    // can go back to it after a queue was chosen.
    bool m_pdfOffered = false;
    bool m_aborted = false;
};

} // namespace zel
