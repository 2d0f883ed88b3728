#include "QtPrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

namespace zel {

QtPrintDialog::QtPrintDialog(QPrinter &printer, QWidget *parent)
    : m_printer(printer)
    , m_parent(parent)
{
}

bool QtPrintDialog::exec(PrintDialogOptions &options)
{
    const QString printerBefore = m_printer.printerName();
    m_printer.setCopyCount(qMax(options.copies, 1));
    m_printer.setCollateCopies(options.collate);
    m_printer.setPrintRange(options.pageRange ? QPrinter::PageRange : QPrinter::AllPages);
    m_printer.setFromTo(options.pageRange ? options.fromPage : 0,
                        options.pageRange ? options.toPage : 0);
    if (options.printToFile && !options.outputFileName.isEmpty())
        m_printer.setOutputFileName(options.outputFileName);

    QPrintDialog dialog(&m_printer, m_parent);
    // The paper is the page setup's business, so the page size tab stays
    // hidden. Qt has no warning about a missing printer: without a print
    // queue the PDF printer is current, and its jobs offer the file.
    QAbstractPrintDialog::PrintDialogOptions shown = QAbstractPrintDialog::PrintCollateCopies;
    if (options.offerPrintToFile)
        shown |= QAbstractPrintDialog::PrintToFile;
    if (options.offerPageRange)
        shown |= QAbstractPrintDialog::PrintPageRange;
    dialog.setOptions(shown);
    dialog.setMinMax(options.minPage, qMax(options.minPage, options.maxPage));
    const bool accepted = dialog.exec() == QDialog::Accepted;

    if (accepted) {
        options.pageRange = m_printer.printRange() == QPrinter::PageRange;
        if (options.pageRange) {
            options.fromPage = m_printer.fromPage();
            options.toPage = m_printer.toPage();
        }
        options.copies = m_printer.copyCount();
        options.collate = m_printer.collateCopies();
        options.printToFile = m_printer.outputFormat() == QPrinter::PdfFormat
            && !m_printer.outputFileName().isEmpty();
        options.outputFileName = options.printToFile ? m_printer.outputFileName() : QString();
    }

    // The job makes the copies and picks the file itself.
    m_printer.setCopyCount(1);
    m_printer.setCollateCopies(false);
    m_printer.setPrintRange(QPrinter::AllPages);
    if (!m_printer.outputFileName().isEmpty()) {
        m_printer.setOutputFileName(QString());
        if (!printerBefore.isEmpty()) {
            m_printer.setOutputFormat(QPrinter::NativeFormat);
            m_printer.setPrinterName(printerBefore);
        }
    }
    return accepted;
}

} // namespace zel
