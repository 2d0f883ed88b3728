// The module zelvane-cli loads to print to a queue: QtPrinterPort behind the
// one function PrintQueueModule.h names.

#include "printsupport/PrintQueueModule.h"
#include "printsupport/QtPrinterPort.h"

#include <QPrinterInfo>

#include <memory>
#include <type_traits>

extern "C" Q_DECL_EXPORT zel::PrinterPort *zelvane_open_print_queue(const QString &queue,
                                                                     const QPageSize &paper,
                                                                     zel::QueueRefusal *refusal)
{
    if (QPrinterInfo::printerInfo(queue).isNull()) {
        *refusal = zel::QueueRefusal::NoSuchQueue;
        return nullptr;
    }
    auto printer = std::make_unique<zel::QtPrinterPort>(queue);
    if (!printer->printer().setPageSize(paper)) {
        *refusal = zel::QueueRefusal::PaperNotTaken;
        return nullptr;
    }
    *refusal = zel::QueueRefusal::None;
    return printer.release();
}

// The caller looks the function up by name and calls it through this type.
static_assert(std::is_same_v<decltype(&zelvane_open_print_queue), zel::OpenPrintQueueFn>);
