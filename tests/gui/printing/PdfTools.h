#pragma once

#include <QImage>
#include <QSizeF>
#include <QString>

namespace zel::test {

// What poppler's pdfinfo says about a PDF file.
struct PdfInfo {
    bool ok = false;
    QString error;
    int pages = 0;
    QSizeF pageSize; // points, of the first page
};

// Runs pdfinfo on a file; ok is false with the reason when it cannot.
PdfInfo ReadPdfInfo(const QString &path);

// Whether pdfinfo and pdftoppm are installed.
bool HavePopplerTools();

// Renders one page (from 1) at the given resolution with pdftoppm.
QImage RenderPdfPage(const QString &path, int page, int dpi);

} // namespace zel::test
