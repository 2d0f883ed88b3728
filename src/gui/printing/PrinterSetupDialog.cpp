#include "PrinterSetupDialog.h"

#include "dialogs/DialogSupport.h"
#include "dialogs/Fonts.h"
#include "printsupport/QtPrinterPort.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace zel {

PrinterSetupDialog::PrinterSetupDialog(const QStringList &printers, const QString &current,
                                       QWidget *parent)
    : QDialog(parent)
    , Label1(new QLabel(QStringLiteral("ﾌﾟﾘﾝﾀ名(&N):"), this))
    , ComboBox1(new QComboBox(this))
    , Button1(new QPushButton(QStringLiteral("OK"), this))
    , Button2(new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this))
{
    setWindowTitle(QStringLiteral("ﾌﾟﾘﾝﾀの設定"));
    setFont(proportionalGothic(12));
    makeFixedDialog(*this, 400, 88);

    Label1->setGeometry(12, 16, 80, 16);
    Label1->setBuddy(ComboBox1);
    ComboBox1->setGeometry(96, 12, 292, 22);
    ComboBox1->addItems(printers);
    ComboBox1->setCurrentIndex(int(printers.indexOf(current)));
    Button1->setGeometry(232, 52, 75, 25);
    Button1->setDefault(true);
    Button2->setGeometry(313, 52, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

QString PrinterSetupDialog::chosenPrinter() const
{
    return ComboBox1->currentText();
}

QtPrinterChooser::QtPrinterChooser(QtPrinterPort &printer, QWidget *parent)
    : m_printer(printer)
    , m_parent(parent)
{
}

bool QtPrinterChooser::choosePrinter()
{
    PrinterSetupDialog dialog(m_printer.printerNames(), m_printer.deviceName(), m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return m_printer.selectPrinter(dialog.chosenPrinter());
}

QString QtPrinterChooser::currentPrinter() const
{
    return m_printer.deviceName();
}

bool QtPrinterChooser::selectPrinter(const QString &name)
{
    return m_printer.selectPrinter(name);
}

} // namespace zel
