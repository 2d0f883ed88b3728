#pragma once

#include "PageLayout.h"
#include "PrintJob.h"
#include "PrinterPort.h"

#include <QImage>
#include <QString>

namespace zel {

class Scene;

inline const QString kCannotPrintText = QStringLiteral("現在のﾃﾞﾊﾞｲｽには印刷できません");
inline const QString kPrintStartFailedText = QStringLiteral("印刷を開始できませんでした");
inline const QString kPrintFailedText = QStringLiteral("印刷を完了できませんでした");

// The print dialog's settings: what it offers, and the choices it comes back
// with. The same options object serves every job of the run; each job opens
// it with one copy of all pages to the printer.
struct PrintDialogOptions {
    // Offered choices; none until a job of more than one page sets them.
    bool offerPrintToFile = false;
    bool offerPageRange = false;
    bool warnIfNoPrinter = false;
    int minPage = 1;
    int maxPage = 1;
    // Choices, pages numbered from 1.
    bool pageRange = false; // false: all pages
    int fromPage = 0;
    int toPage = 0;
    int copies = 1;
    bool collate = false;
    bool printToFile = false;
    QString outputFileName; // where to print when printToFile is set
};

// The print dialog. exec shows it with the options and, unless the user
// cancels (false), stores the user's choices in them.
class PrintDialogPort
{
public:
    virtual ~PrintDialogPort() = default;
    virtual bool exec(PrintDialogOptions &options) = 0;
};

// What printing keeps between commands: the rendered picture with its
// layout, shared with the preview, and the print dialog's options.
struct PrintState {
    QImage PrintPicture;
    PageLayout layout;
    PrintDialogOptions dialogOptions;
};

// Lays the scene out for the preview: a fresh PrintPicture and its layout.
// On failure (margins leaving nothing printable, no memory for the picture)
// the reason is shown, false returned and the state left as it was.
bool ComputePageLayout(const Scene &scene, const PageSettings &settings, PrintState &state,
                       const MessageFn &showMessage);

// The layout alone, for printing, which draws from the parts themselves.
bool LayOutForPrinting(const Scene &scene, const PageSettings &settings, PrintState &state,
                       const MessageFn &showMessage);

// One job as the print dialog or a script asks for it.
struct PrintRequest {
    int first = 0;      // pages from 0
    int last = 0;
    int copies = 1;
    bool collate = false;
    QString outputFile; // empty: the printer itself
    QString title;
};

// Prints the picture as laid out, each sheet drawn at the printer's
// resolution from the parts: the document is begun only when the printer
// can take the page, every sheet is sent, and a job sent to a file gives the
// printer back its own output afterwards. False when nothing or not all was
// printed (the reason has been shown).
bool RunPrintJob(PrinterPort &printer, const PageSettings &settings, const PictureDraws &picture,
                 const PageLayout &layout, const PrintRequest &request,
                 const MessageFn &showMessage, const EventPump &pump,
                 const BandBufferFn &makeBand = {});

// The print command: lays the picture out afresh, asks the print dialog and
// prints what it chose.
void PrintItemClick(const Scene &scene, const PageSettings &settings, PrintState &state,
                    PrinterPort &printer, PrintDialogPort &dialog, const MessageFn &showMessage,
                    const QString &jobTitle, const EventPump &pump);

} // namespace zel
