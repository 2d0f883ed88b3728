#pragma once

#include "PdfFileWriter.h"
#include "PrinterPort.h"

#include <QPageLayout>
#include <QPageSize>
#include <QString>

namespace zel {

// PDF pages are drawn at this many device pixels per inch, the program's
// print to file and the command line alike.
constexpr int kPdfDeviceDpi = 300;

// The sheet of a PDF page as printing measures it: the paper's own
// millimetres at the resolution, the whole sheet printable. A PDF page is a
// whole number of points, up to half a point short of the paper, and a page
// at true size must not be refused for that.
PrinterMetrics PdfSheetMetrics(const QPageSize &paper, bool portrait, int resolution);

// A printer that prints to a PDF file, one page per sheet, the sheet being
// the given paper in the orientation set. Its printable area is the whole
// sheet, and its resolution is chosen by the caller (the picture's pixels
// per inch makes one page pixel one PDF device pixel). The file appears
// only when the document ends well: an aborted or failed job leaves any
// earlier file at the path as it was.
class PdfPrinterPort final : public PrinterPort
{
public:
    PdfPrinterPort(const QString &path, const QPageSize &paper, int resolution);

    // Why beginDoc or endDoc failed, for the message; empty otherwise.
    QString error() const { return m_error; }

    bool hasDevMode() const override { return false; }
    QString deviceName() const override { return QString(); }
    QString portName() const override { return QStringLiteral("FILE:"); }
    bool readDevMode(DevMode &) const override { return false; }
    bool writeDevMode(const DevMode &) override { return false; }
    PaperList paperForms(const QString &, const QString &) const override { return {}; }
    PrinterMetrics metrics() const override;
    bool printsToFileOnly() const override { return true; }
    QString outputFile() const override { return m_path; }
    void setOutputFile(const QString &path) override { m_path = path; }
    void setPortrait(bool portrait) override { m_portrait = portrait; }
    void setJobTitle(const QString &title) override { m_title = title; }
    bool beginDoc() override;
    bool newPage() override;
    bool endDoc() override;
    void abortDoc() override;
    bool aborted() const override { return m_aborted; }
    void drawImage(const QImage &image, const QPoint &at) override;

private:
    QPageLayout pageLayout() const;

    QString m_path;
    QPageSize m_paper;
    int m_resolution;
    bool m_portrait = true;
    QString m_title;
    PdfFileWriter m_pdf;
    bool m_aborted = false;
    QString m_error;
};

} // namespace zel
