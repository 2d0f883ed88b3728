#pragma once

#include "PrinterPort.h"

namespace zel {

inline const QString kFormListErrorText = QStringLiteral("Printer Form List Error !! (API)");

// Re-reads the current printer's name, port and device mode into settings.
// True when the name or the port differs from the previous refresh. With no
// printer to report on it changes nothing and returns false.
bool RefreshPrinter(PageSettings &settings, const PrinterPort &printer);

// Reads the named printer's paper forms into papers, fills the combo with
// their names and selects the printer's current paper (the last entry whose
// id is the device-mode copy's dmPaperSize), taking its size, turned by the
// orientation, as the paper size. A driver error is shown and leaves papers'
// lists and the combo as they were; an empty list changes nothing.
void LoadPaperList(PageSettings &settings, PaperList &papers, const PrinterPort &printer,
                   const QString &device, const QString &port, PaperComboPort &combo,
                   const MessageFn &showMessage);

// What the page setup and preview commands do first: RefreshPrinter and,
// when another printer has become current, LoadPaperList for it. True when
// the printer changed.
bool FollowCurrentPrinter(PageSettings &settings, PaperList &papers, const PrinterPort &printer,
                          PaperComboPort &combo, const MessageFn &showMessage);

// Copy the current printer's device mode into or out of a record; nothing
// happens when the printer has none or it cannot be reached.
void ReadPrinterDevMode(const PrinterPort &printer, DevMode &devMode);
void WritePrinterDevMode(PrinterPort &printer, const DevMode &devMode);

} // namespace zel
