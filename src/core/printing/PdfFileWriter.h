#pragma once

#include "fileio/FileReplacement.h"

#include <QPageLayout>
#include <QString>

#include <memory>

class QPainter;
class QPdfWriter;

namespace zel {

// A PDF document written page by page into a file that appears only when
// the document ends well: an aborted or failed document leaves any earlier
// file at the path as it was. Both the program's print to file and the
// command line's PDF printing go through it.
class PdfFileWriter
{
public:
    PdfFileWriter();
    ~PdfFileWriter();
    PdfFileWriter(const PdfFileWriter &) = delete;
    PdfFileWriter &operator=(const PdfFileWriter &) = delete;

    // Starts a document with the given pages (the painter's origin is the
    // corner inside the layout's margins) and resolution. False with error().
    bool begin(const QString &path, const QPageLayout &layout, int resolution, const QString &title);
    bool isActive() const;
    bool newPage();
    // Draws the image stretched over dest, its pixels kept exactly.
    void drawImage(const QRect &dest, const QImage &image);
    // Ends the document and puts the file in place. False with error().
    bool finish();
    // Drops the document; the path keeps what it had.
    void discard();

    QString error() const { return m_error; }

private:
    // Declared in the order they are made, so that they go in reverse.
    std::unique_ptr<FileReplacement> m_file;
    std::unique_ptr<QPdfWriter> m_writer;
    std::unique_ptr<QPainter> m_painter;
    QString m_error;
};

} // namespace zel
