#pragma once

#include "PageSettings.h"
#include "PaperList.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>

namespace zel {

// Shows a plain message box with an OK button.
using MessageFn = std::function<void(const QString &text)>;

// Lets the window repaint between sheets of a print job.
using EventPump = std::function<void()>;

// What the printer reports about its sheet, in printer pixels.
struct PrinterMetrics {
    qint32 logPixelsX = 0;      // pixels per inch across
    qint32 logPixelsY = 0;      // pixels per inch down
    qint32 physicalWidth = 0;   // whole sheet
    qint32 physicalHeight = 0;
    qint32 physicalOffsetX = 0; // sheet corner to the printable area's corner
    qint32 physicalOffsetY = 0;
    bool canStretchImages = false;
};

// The current printer as printing uses it: who it is, its device mode, its
// paper forms, its sheet, and one document at a time drawn page by page.
class PrinterPort
{
public:
    virtual ~PrinterPort() = default;

    // False when there is no printer to report on: then there is no device
    // mode to read or write either.
    virtual bool hasDevMode() const = 0;
    virtual QString deviceName() const = 0;
    virtual QString portName() const = 0;
    // Copy the device mode out of or into the printer; false when the
    // printer's record cannot be reached.
    virtual bool readDevMode(DevMode &devMode) const = 0;
    virtual bool writeDevMode(const DevMode &devMode) = 0;

    // The paper forms of the named printer with its default settings.
    // count is -1 when the driver reports an error, 0 when it has none.
    virtual PaperList paperForms(const QString &device, const QString &port) const = 0;

    // The sheet as the printer would print it now, with the orientation and
    // paper currently set.
    virtual PrinterMetrics metrics() const = 0;

    // True for a printer that writes files and nothing else: every job
    // then needs a file from the print dialog.
    virtual bool printsToFileOnly() const = 0;
    // Sends the next document to a file instead of the printer; an empty
    // path sends it to the printer again.
    virtual QString outputFile() const = 0;
    virtual void setOutputFile(const QString &path) = 0;
    virtual void setPortrait(bool portrait) = 0;

    virtual void setJobTitle(const QString &title) = 0;
    virtual bool beginDoc() = 0;
    virtual bool newPage() = 0;
    virtual bool endDoc() = 0;
    virtual void abortDoc() = 0;
    virtual bool aborted() const = 0;
    // Draws the image pixel for pixel with its top-left at a printer pixel,
    // counted from the printable area's corner (so a negative one reaches
    // the margin).
    virtual void drawImage(const QImage &image, const QPoint &at) = 0;
};

// The printer setup: the user picks which printer is current.
class PrinterChooserPort
{
public:
    virtual ~PrinterChooserPort() = default;
    // Shows the printers there are, the current one selected, and makes the
    // user's choice current. False when the user cancels.
    virtual bool choosePrinter() = 0;
    // The current printer's name, to make it current again later.
    virtual QString currentPrinter() const = 0;
    // Makes the named printer current again, as page setup's Cancel does
    // after another was chosen. False when there is none of that name.
    virtual bool selectPrinter(const QString &name) = 0;
};

} // namespace zel
