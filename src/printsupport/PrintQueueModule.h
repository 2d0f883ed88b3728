#pragma once

// zelvane-cli reaches the print queues through a module of its own, loaded
// only for a job that goes to a queue: Qt Print Support brings Qt Widgets
// with it, which the other commands would otherwise load at every start.
// The module exports one function, found by the name below; the window
// program links QtPrinterPort directly instead.

#include "printing/PrinterPort.h"

#include <QPageSize>
#include <QString>

namespace zel {

// Why a queue was not opened.
enum class QueueRefusal {
    None,
    NoSuchQueue,   // the print system knows no queue of that name
    PaperNotTaken, // the queue does not take that paper
};

// Opens the named print queue with the paper set, for one job; the caller
// owns the port. Null, with the reason in *refusal, when it cannot be had.
using OpenPrintQueueFn = PrinterPort *(*)(const QString &queue, const QPageSize &paper,
                                          QueueRefusal *refusal);
inline constexpr char kOpenPrintQueueSymbol[] = "zelvane_open_print_queue";

} // namespace zel
