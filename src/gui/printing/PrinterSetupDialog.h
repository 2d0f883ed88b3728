#pragma once

#include "printing/PrinterPort.h"

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;

namespace zel {

class QtPrinterPort;

// The printer setup ("ﾌﾟﾘﾝﾀの設定"): the printers there are, the current
// one selected.
class PrinterSetupDialog : public QDialog
{
    Q_OBJECT
public:
    PrinterSetupDialog(const QStringList &printers, const QString &current,
                       QWidget *parent = nullptr);

    QString chosenPrinter() const;

    QLabel *Label1 = nullptr;
    QComboBox *ComboBox1 = nullptr;
    QPushButton *Button1 = nullptr;
    QPushButton *Button2 = nullptr;
};

// The page setup's printer setup button over the Qt printer.
class QtPrinterChooser : public PrinterChooserPort
{
public:
    explicit QtPrinterChooser(QtPrinterPort &printer, QWidget *parent = nullptr);
    // False also when the chosen printer has gone in the meantime.
    bool choosePrinter() override;
    QString currentPrinter() const override;
    bool selectPrinter(const QString &name) override;

private:
    QtPrinterPort &m_printer;
    QPointer<QWidget> m_parent;
};

} // namespace zel
