#pragma once

#include "printing/PrintCommand.h"

#include <QPointer>

class QPrinter;
class QWidget;

namespace zel {

// The print dialog over QPrintDialog, working on the printer it prints with.
// The user's copies, collation and file choice come back in the options;
// the printer itself is left printing one copy to its own output, since
// copies are made by the print job and the file is selected per job.
class QtPrintDialog : public PrintDialogPort
{
public:
    QtPrintDialog(QPrinter &printer, QWidget *parent = nullptr);
    bool exec(PrintDialogOptions &options) override;

private:
    QPrinter &m_printer;
    QPointer<QWidget> m_parent;
};

} // namespace zel
