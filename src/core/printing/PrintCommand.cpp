#include "PrintCommand.h"

#include "Render.h"
#include "Scene.h"

#include <algorithm>

namespace zel {

namespace {

// Puts the printer's own output back when a job sent to a file ends, on
// every path.
class OutputFileScope
{
public:
    OutputFileScope(PrinterPort &printer, const QString &path)
        : m_printer(printer)
        , m_active(!path.isEmpty())
    {
        if (!m_active)
            return;
        m_remembered = printer.outputFile();
        printer.setOutputFile(path);
    }
    ~OutputFileScope()
    {
        if (m_active)
            m_printer.setOutputFile(m_remembered);
    }
    OutputFileScope(const OutputFileScope &) = delete;
    OutputFileScope &operator=(const OutputFileScope &) = delete;

private:
    PrinterPort &m_printer;
    bool m_active;
    QString m_remembered;
};

} // namespace

bool LayOutForPrinting(const Scene &scene, const PageSettings &settings, PrintState &state,
                       const MessageFn &showMessage)
{
    const std::optional<PageLayout> layout = LayoutForPicture(settings, scene.backgroundSize());
    if (!layout) {
        showMessage(kNoPrintableAreaText);
        return false;
    }
    state.layout = *layout;
    return true;
}

bool ComputePageLayout(const Scene &scene, const PageSettings &settings, PrintState &state,
                       const MessageFn &showMessage)
{
    const QSize size = scene.backgroundSize();
    const std::optional<PageLayout> layout = LayoutForPicture(settings, size);
    if (!layout) {
        showMessage(kNoPrintableAreaText);
        return false;
    }
    QImage picture = RenderScene(scene);
    if (picture.isNull() && !size.isEmpty()) {
        showMessage(kOutOfMemoryText);
        return false;
    }
    state.PrintPicture = std::move(picture);
    state.layout = *layout;
    return true;
}

bool RunPrintJob(PrinterPort &printer, const PageSettings &settings, const PictureDraws &picture,
                 const PageLayout &layout, const PrintRequest &request,
                 const MessageFn &showMessage, const EventPump &pump,
                 const BandBufferFn &makeBand)
{
    if (!printer.metrics().canStretchImages) {
        showMessage(kCannotPrintText);
        return false;
    }
    const int first = std::max(request.first, 0);
    const int last = std::min(request.last, layout.pageCount() - 1);
    if (first > last)
        return false;

    OutputFileScope output(printer, request.outputFile);
    printer.setPortrait(settings.portrait);
    // Read after the orientation is set, so that offsets and resolution
    // belong to the sheet as it will be printed.
    const PrinterMetrics metrics = printer.metrics();

    PrintJob job(printer, picture, layout);
    job.showMessage = showMessage;
    job.pump = pump;
    job.page = PageBitmapSize(settings);
    job.target = PageTargetRect(settings, layout);
    job.first = first;
    job.last = last;
    job.physicalOffset = QPoint(metrics.physicalOffsetX, metrics.physicalOffsetY);
    job.makeBand = makeBand;

    // Every sheet has this page's size, so a page the sheet cannot hold is
    // refused before a document is begun rather than after.
    if (!PageFitsSheet(job.page, metrics)) {
        showMessage(kBadPageSizeText);
        return false;
    }

    printer.setJobTitle(request.title);
    if (!printer.beginDoc()) {
        showMessage(kPrintStartFailedText);
        return false;
    }
    const int copies = std::max(request.copies, 1);
    if (request.collate)
        PrintPages(job, copies, 1);
    else
        PrintPages(job, 1, copies);
    job.band = QImage();

    if (printer.aborted()) {
        if (!job.abortedByJob)
            printer.abortDoc();
        return false;
    }
    if (!printer.endDoc()) {
        showMessage(kPrintFailedText);
        return false;
    }
    return true;
}

void PrintItemClick(const Scene &scene, const PageSettings &settings, PrintState &state,
                    PrinterPort &printer, PrintDialogPort &dialog, const MessageFn &showMessage,
                    const QString &jobTitle, const EventPump &pump)
{
    if (!LayOutForPrinting(scene, settings, state, showMessage))
        return;
    const int count = state.layout.pageCount();
    PrintDialogOptions &options = state.dialogOptions;
    // Every job starts from one copy of all pages on the printer, whatever
    // the last job chose; a printer that only writes files has no other
    // output to offer.
    options.copies = 1;
    options.printToFile = printer.printsToFileOnly();
    options.pageRange = false;
    if (options.printToFile)
        options.offerPrintToFile = true;
    if (count > 1) {
        options.offerPrintToFile = true;
        options.offerPageRange = true;
        options.warnIfNoPrinter = true;
        options.fromPage = 1;
        options.toPage = count;
        options.maxPage = count;
    } else if (options.offerPageRange) {
        // A range left from an earlier, longer job must not offer pages
        // this picture does not have.
        options.maxPage = 1;
        options.fromPage = 1;
        options.toPage = 1;
    }
    if (!dialog.exec(options))
        return;
    // No file to print to: as good as cancelled.
    if (printer.printsToFileOnly() && !options.printToFile)
        return;
    if (options.printToFile && options.outputFileName.isEmpty())
        return;

    PrintRequest request;
    if (options.pageRange) {
        request.first = options.fromPage - 1;
        request.last = options.toPage - 1;
    } else {
        request.first = 0;
        request.last = count - 1;
    }
    request.copies = options.copies;
    request.collate = options.collate;
    request.outputFile = options.printToFile ? options.outputFileName : QString();
    request.title = jobTitle;
    RunPrintJob(printer, settings, pictureOf(scene), state.layout, request, showMessage, pump);
}

} // namespace zel
