// The Qt printer: paper ids, the case of no printer installed, and real PDF
// output through the same job the program runs.

#include "FakePrinter.h"
#include "FileSizeLimit.h"
#include "PdfTools.h"
#include "printing/PageSetupDialog.h"
#include "PrintCommand.h"
#include "printing/PrintController.h"
#include "printing/QtPrintDialog.h"
#include "PrinterSettings.h"
#include "printing/PrinterSetupDialog.h"
#include "printsupport/QtPrinterPort.h"
#include "Scene.h"
#include "ScreenResolution.h"
#include "UiState.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QPrintDialog>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {

constexpr QSizeF kA4Points{595.28, 841.89};
constexpr Colour kRed = 0x000000FF;

bool near(const QSizeF &a, const QSizeF &b)
{
    return qAbs(a.width() - b.width()) < 0.5 && qAbs(a.height() - b.height()) < 0.5;
}

// A plain red picture of the given size.
struct RedScene {
    UiState ui;
    Scene scene{ui};
    explicit RedScene(const QSize &size)
    {
        scene.setBackgroundSize(size);
        scene.setBackgroundColour(kRed);
        // Printing is offered only with a part: one that changes nothing.
        QImage dot(1, 1, QImage::Format_RGB32);
        dot.fill(QColor(Qt::red));
        scene.InsertPart(0, 0, 1, 1, Bitmap::fromImage(dot), 0, 0, 0);
    }
};

// Prints a red picture of the given size through the print dialog into a
// PDF file with the default page settings; returns the messages shown.
QStringList printToFile(QtPrinterPort &printer, const QSize &size, const QString &path)
{
    RedScene picture(size);
    ScriptedPrintDialog dialog;
    dialog.choose = [&](PrintDialogOptions &options) {
        options.printToFile = true;
        options.outputFileName = path;
    };
    MessageLog log;
    PageSettings settings;
    PrintState state;
    PrintItemClick(picture.scene, settings, state, printer, dialog, log.fn(),
                   QStringLiteral("Zelvane - test"), {});
    return log.shown;
}

// A window that takes the preview widgets and nothing else.
class BareHost : public PreviewHost
{
public:
    QWidget window;
    void adoptPreviewWidgets(QWidget *toolbar, QWidget *pageView) override
    {
        toolbar->setParent(&window);
        pageView->setParent(&window);
    }
    void setEditingViewVisible(bool) override {}
    void setMainMenuPresent(bool) override {}
    QSize previewClientSize() const override { return QSize(600, 400); }
    void repaintWindow() override {}
};

bool isRed(QRgb rgb)
{
    return qRed(rgb) > 200 && qGreen(rgb) < 60 && qBlue(rgb) < 60;
}

bool isWhite(QRgb rgb)
{
    return qRed(rgb) > 240 && qGreen(rgb) > 240 && qBlue(rgb) > 240;
}

} // namespace

class QtPrinterTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScreenDpiX = 96;
        ScreenDpiY = 96;
    }

    void ownPaperIdsCannotCollide()
    {
        for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
            const int windowsId = QPageSize::windowsId(QPageSize::PageSizeId(id));
            QVERIFY2(windowsId < QtPrinterPort::kOwnPaperIdBase,
                     qPrintable(QPageSize::name(QPageSize::PageSizeId(id))));
        }
        QCOMPARE(QtPrinterPort::paperId(QPageSize(QPageSize::A4), 5), quint16(9));
        QCOMPARE(QtPrinterPort::paperId(QPageSize(QPageSize::A3), 0), quint16(8));
        // B0 has no Windows id, a custom size has the "custom" one.
        QCOMPARE(QtPrinterPort::paperId(QPageSize(QPageSize::B0), 7),
                 quint16(QtPrinterPort::kOwnPaperIdBase + 7));
        QCOMPARE(QtPrinterPort::paperId(QPageSize(QSizeF(100, 150), QPageSize::Millimeter), 3),
                 quint16(QtPrinterPort::kOwnPaperIdBase + 3));
    }

    void noQueueOffersThePdfPrinter()
    {
        QtPrinterPort printer;
        QVERIFY(printer.hasDevMode());
        QVERIFY(printer.printsToFileOnly());
        QCOMPARE(printer.printerNames(), QStringList{kPdfPrinterName});
        PageSettings settings;
        QVERIFY(RefreshPrinter(settings, printer));
        QCOMPARE(settings.deviceName, kPdfPrinterName);

        FakeCombo combo;
        PaperList papers;
        MessageLog log;
        LoadPaperList(settings, papers, printer, settings.deviceName, settings.port, combo,
                      log.fn());
        QVERIFY(log.shown.isEmpty());
        // Every standard size but "custom", which has none.
        QCOMPARE(combo.items.size(), int(QPageSize::LastPageSize));
        QVERIFY(!combo.items.contains(QString()));
        QVERIFY(combo.current >= 0);
        QCOMPARE(combo.items[combo.current], QPageSize(QPageSize::A4).name());
        QCOMPARE(papers.sizes[size_t(combo.current)], (PaperSize{2100, 2970}));
        QCOMPARE(settings.paperWidth, 210.0f);
        QCOMPARE(settings.paperHeight, 297.0f);

        // A printer that is not there is an error of the list, not an empty one.
        LoadPaperList(settings, papers, printer, QStringLiteral("No Such Queue"), QString(),
                      combo, log.fn());
        QCOMPARE(log.shown, QStringList{kFormListErrorText});
    }

    void pdfSheetIsA4ToTheCorner()
    {
        QtPrinterPort printer;
        const PrinterMetrics metrics = printer.metrics();
        QVERIFY(metrics.canStretchImages);
        QVERIFY(metrics.logPixelsX >= 300);
        QCOMPARE(metrics.logPixelsX, metrics.logPixelsY);
        const double inches = metrics.physicalWidth / double(metrics.logPixelsX);
        QVERIFY(qAbs(inches * 25.4 - 210.0) < 0.5);
        QVERIFY(metrics.physicalOffsetX >= 0);
        printer.setPortrait(false);
        const PrinterMetrics turned = printer.metrics();
        QCOMPARE(turned.physicalWidth, metrics.physicalHeight);
        QCOMPARE(turned.physicalHeight, metrics.physicalWidth);
    }

    void devModeFollowsThePageLayout()
    {
        QtPrinterPort printer;
        DevMode mode;
        QVERIFY(printer.readDevMode(mode));
        QCOMPARE(mode.dmOrientation, kDmPortrait);
        QCOMPARE(mode.dmPaperSize, qint16(9));
        QCOMPARE(mode.dmPaperWidth, qint16(2100));
        QCOMPARE(mode.dmPaperLength, qint16(2970));
        mode.dmOrientation = kDmLandscape;
        QVERIFY(printer.writeDevMode(mode));
        QCOMPARE(printer.printer().pageLayout().orientation(), QPageLayout::Landscape);
        QVERIFY(printer.readDevMode(mode));
        QCOMPARE(mode.dmPaperWidth, qint16(2970));
        QCOMPARE(mode.dmPaperLength, qint16(2100));
    }

    void fourPagesToAPdfFile()
    {
        if (!HavePopplerTools())
            QSKIP("pdfinfo and pdftoppm (poppler-utils) are not installed");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("four.pdf"));
        QtPrinterPort printer;
        const QStringList shown = printToFile(printer, QSize(643, 972), path);
        QVERIFY2(shown.isEmpty(), qPrintable(shown.join(u'\n')));
        QVERIFY(printer.outputFile().isEmpty());
        QVERIFY(printer.printer().outputFileName().isEmpty());

        const PdfInfo info = ReadPdfInfo(path);
        QVERIFY2(info.ok, qPrintable(info.error));
        QCOMPARE(info.pages, 4);
        QVERIFY2(near(info.pageSize, kA4Points),
                 qPrintable(QStringLiteral("%1 x %2").arg(info.pageSize.width())
                                .arg(info.pageSize.height())));

        // At screen resolution the first page shows the picture from the
        // margins on; its cell ends 642 pixels to the right.
        const QImage first = RenderPdfPage(path, 1, 96);
        QVERIFY(!first.isNull());
        QVERIFY(isWhite(first.pixel(70, 70)));
        QVERIFY(isRed(first.pixel(80, 80)));
        QVERIFY(isRed(first.pixel(75 + 635, 75 + 960)));
        QVERIFY(isWhite(first.pixel(75 + 650, 80)));
        QVERIFY(isWhite(first.pixel(80, 75 + 980)));
        // The fourth holds the picture's last pixel only.
        const QImage fourth = RenderPdfPage(path, 4, 96);
        QVERIFY(!fourth.isNull());
        QVERIFY(isWhite(fourth.pixel(80, 80)));
    }

    void landscapeJobTurnsTheSheet()
    {
        if (!HavePopplerTools())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("wide.pdf"));
        RedScene picture(QSize(1200, 300));
        QtPrinterPort printer;
        PageSettings settings;
        settings.portrait = false;
        settings.paperWidth = 297.0f;
        settings.paperHeight = 210.0f;
        PrintState state;
        MessageLog log;
        QVERIFY(ComputePageLayout(picture.scene, settings, state, log.fn()));
        QCOMPARE(state.layout.pageCount(), 2);
        PrintRequest request;
        request.last = 1;
        request.outputFile = path;
        QVERIFY(RunPrintJob(printer, settings, pictureOf(picture.scene), state.layout, request,
                            log.fn(), {}));
        const PdfInfo info = ReadPdfInfo(path);
        QVERIFY2(info.ok, qPrintable(info.error));
        QCOMPARE(info.pages, 2);
        QVERIFY(near(info.pageSize, kA4Points.transposed()));
    }

    void abortedFileJobLeavesNoFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("aborted.pdf"));
        QtPrinterPort printer;
        printer.setOutputFile(path);
        QVERIFY(printer.beginDoc());
        QImage page(100, 100, QImage::Format_RGB32);
        page.fill(Qt::red);
        printer.drawImage(page, QPoint(0, 0));
        printer.abortDoc();
        QVERIFY(printer.aborted());
        QVERIFY(!QFile::exists(path));
        printer.setOutputFile(QString());
        QVERIFY(printer.outputFile().isEmpty());
    }

    void printDialogTakesAndGivesBackTheOptions()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QtPrinterPort printer;
        QtPrintDialog dialog(printer.printer());
        PrintDialogOptions options;
        options.offerPageRange = true;
        options.offerPrintToFile = true;
        options.minPage = 1;
        options.maxPage = 4;
        options.fromPage = 1;
        options.toPage = 4;
        options.copies = 3;
        options.collate = true;
        options.printToFile = true;
        options.outputFileName = dir.filePath(QStringLiteral("chosen.pdf"));

        bool offered = false;
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!shown)
                return;
            offered = shown->testOption(QAbstractPrintDialog::PrintPageRange)
                && shown->testOption(QAbstractPrintDialog::PrintToFile)
                && shown->minPage() == 1 && shown->maxPage() == 4;
            shown->accept();
        });
        QVERIFY(dialog.exec(options));
        QVERIFY(offered);
        QCOMPARE(options.copies, 3);
        QVERIFY(options.collate);
        QVERIFY(options.printToFile);
        QCOMPARE(options.outputFileName, dir.filePath(QStringLiteral("chosen.pdf")));
        // The job makes the copies and selects the file itself.
        QCOMPARE(printer.printer().copyCount(), 1);
        QVERIFY(printer.printer().outputFileName().isEmpty());

        QTimer::singleShot(0, [] {
            if (QWidget *shown = QApplication::activeModalWidget())
                static_cast<QDialog *>(shown)->reject();
        });
        options.copies = 7;
        QVERIFY(!dialog.exec(options));
        QCOMPARE(options.copies, 7);
    }

    void printerSetupOffersThePdfPrinter()
    {
        QtPrinterPort printer;
        QtPrinterChooser chooser(printer);
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<PrinterSetupDialog *>(QApplication::activeModalWidget());
            if (!shown)
                return;
            seen = QStringList{shown->windowTitle(), shown->Label1->text(), shown->Button2->text(),
                               shown->chosenPrinter()};
            shown->Button1->click();
        });
        QVERIFY(chooser.choosePrinter());
        QCOMPARE(seen, (QStringList{QStringLiteral("ﾌﾟﾘﾝﾀの設定"), QStringLiteral("ﾌﾟﾘﾝﾀ名(&N):"),
                                    QStringLiteral("ｷｬﾝｾﾙ"), kPdfPrinterName}));
        QVERIFY(printer.printsToFileOnly());
    }

    void controllerOnTheRealPrinter()
    {
        BareHost host;
        UiState ui;
        Scene scene(ui);
        MessageLog log;
        PrintPorts ports;
        ports.showMessage = log.fn();
        PrintController controller(scene, ui, host, ports);
        QVERIFY(controller.printer().hasDevMode());
        QCOMPARE(controller.pageSetupDialog().ComboBox1->currentText(),
                 QPageSize(QPageSize::A4).name());
        QCOMPARE(controller.settings().paperWidth, 210.0f);
        QVERIFY(log.shown.isEmpty());
        QVERIFY(controller.toolbar().parent() == &host.window);
    }

    void pdfPrinterWorksLikeAPrinter()
    {
        if (!HavePopplerTools())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("chosen.pdf"));
        BareHost host;
        RedScene picture(QSize(1300, 972));
        MessageLog log;
        PrintPorts ports;
        ports.showMessage = log.fn();
        ports.showPageSetup = [](TForm3 &dialog) {
            dialog.show();
            dialog.ComboBox1->setCurrentIndex(
                dialog.ComboBox1->findText(QPageSize(QPageSize::A3).name()));
            dialog.ComboBox1Change();
            dialog.accept();
            return dialog.result();
        };
        PrintController controller(picture.scene, picture.ui, host, ports);
        controller.PageSetupItemClick();
        QCOMPARE(controller.settings().paperWidth, 297.0f);

        controller.PrintPreviewItemClick();
        QCOMPARE(controller.pageView().image().size(), QSize(1122, 1587));
        controller.ToolButton_CloseClick();

        // The file is typed into the print dialog, as the user does.
        QString problem = QStringLiteral("no print dialog");
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!shown)
                return;
            auto *file = shown->findChild<QLineEdit *>(QStringLiteral("filename"));
            if (!file || !file->isEnabled()) {
                problem = QStringLiteral("no file name box");
                shown->reject();
                return;
            }
            problem.clear();
            file->setText(path);
            shown->accept();
        });
        controller.PrintItemClick();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QVERIFY2(log.shown.isEmpty(), qPrintable(log.shown.join(u'\n')));
        const PdfInfo info = ReadPdfInfo(path);
        QVERIFY2(info.ok, qPrintable(info.error));
        QCOMPARE(info.pages, 2);
        QVERIFY(near(info.pageSize, QPageSize(QPageSize::A3).size(QPageSize::Point)));
        QCOMPARE(controller.state().dialogOptions.outputFileName, path);
    }

    void unwritableFileIsReported()
    {
        RedScene picture(QSize(100, 100));
        QtPrinterPort printer;
        ScriptedPrintDialog dialog;
        dialog.choose = [](PrintDialogOptions &options) {
            options.printToFile = true;
            options.outputFileName = QStringLiteral("/nonexistent-dir/out.pdf");
        };
        MessageLog log;
        PageSettings settings;
        PrintState state;
        PrintItemClick(picture.scene, settings, state, printer, dialog, log.fn(),
                       QStringLiteral("t"), {});
        QCOMPARE(log.shown, QStringList{kPrintStartFailedText});
        QVERIFY(printer.outputFile().isEmpty());
    }

    void fullDiskKeepsTheOldPdf()
    {
        // The disk fills up part way: the job fails, and the PDF
        // printed before stays byte for byte, with nothing beside it.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kept.pdf"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("%PDF-1.4 earlier") == 16);
        old.close();
        QtPrinterPort printer;
        QStringList shown;
        {
            FileSizeLimit full(2000);
            shown = printToFile(printer, QSize(643, 972), path);
        }
        QCOMPARE(shown, QStringList{kPrintFailedText});
        QFile back(path);
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), QByteArray("%PDF-1.4 earlier"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("kept.pdf")});
    }
};

int main(int argc, char *argv[])
{
    // No printer for this suite, whatever the machine has: a CUPS server that
    // is not there leaves Qt with none.
    qputenv("CUPS_SERVER", "/nonexistent/zelvane-no-cups.sock");
    QApplication app(argc, argv);
    QtPrinterTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qtprinter.moc"
