// End to end through CUPS: a scheduler of our own with a cups-pdf queue, a
// two-page job sent the way the program prints, and the PDF CUPS writes.

#include "CupsServer.h"
#include "FakePrinter.h"
#include "PdfTools.h"
#include "PrintCommand.h"
#include "PrinterSettings.h"
#include "printsupport/QtPrinterPort.h"
#include "Scene.h"
#include "ScreenResolution.h"
#include "UiState.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

using namespace zel;
using namespace zel::test;

namespace {

const QString kQueue = QStringLiteral("ZelvaneTestPDF%1").arg(getpid());
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
constexpr int kOutputTimeoutMs = 90000;


} // namespace

class CupsPrintTest : public QObject
{
    Q_OBJECT
public:
    explicit CupsPrintTest(CupsServer &server) : m_server(server) {}

private slots:
    void initTestCase()
    {
        if (!QFile::exists(kBackend) || !QFile::exists(kPpd))
            QSKIP("cups-pdf is not installed (printer-driver-cups-pdf)");
        if (!HavePopplerTools())
            QSKIP("pdfinfo (poppler-utils) is not installed");
        QString reason;
        if (!m_server.start(&reason))
            QSKIP(qPrintable(QStringLiteral("CUPS cannot run here: ") + reason));

        QString output;
        QVERIFY2(m_server.addPdfQueue(kQueue, &output), qPrintable(output));
        QVERIFY2(m_server.client(QStringLiteral("lpadmin"), {QStringLiteral("-d"), kQueue},
                                 &output),
                 qPrintable(output));
    }

    void cleanupTestCase() { m_server.stop(); }

    void queueIsTheCurrentPrinter()
    {
        QtPrinterPort printer;
        QVERIFY(printer.hasDevMode());
        QCOMPARE(printer.deviceName(), kQueue);

        PageSettings settings;
        QVERIFY(RefreshPrinter(settings, printer));
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        LoadPaperList(settings, papers, printer, settings.deviceName, settings.port, combo,
                      log.fn());
        QVERIFY(log.shown.isEmpty());
        QVERIFY(papers.count > 10);
        QCOMPARE(combo.items.size(), papers.count);
        // Sizes Windows has no id for are told apart by ids of our own.
        QSet<quint16> own;
        for (int i = 0; i < papers.size(); ++i) {
            const quint16 id = papers.ids[size_t(i)];
            QVERIFY(id != 0 && id != 256);
            if (id >= QtPrinterPort::kOwnPaperIdBase) {
                QVERIFY(!own.contains(id));
                own.insert(id);
            }
        }
        QVERIFY(!own.isEmpty());
        const int a4 = int(papers.names.indexOf(QStringLiteral("A4")));
        QVERIFY(a4 >= 0);
        QCOMPARE(papers.ids[size_t(a4)], quint16(9));
        QCOMPARE(papers.sizes[size_t(a4)], (PaperSize{2100, 2970}));
        // The queue's current paper is A4 and is found in the list.
        QCOMPARE(settings.devMode.dmPaperSize, qint16(9));
        QCOMPARE(combo.current, a4);
        QCOMPARE(settings.paperWidth, 210.0f);
        QCOMPARE(settings.paperHeight, 297.0f);

        // A paper Windows has no id for goes to the printer and comes back.
        const int b0 = int(papers.names.indexOf(QStringLiteral("B0 (ISO)")));
        QVERIFY(b0 >= 0);
        DevMode mode = settings.devMode;
        mode.dmPaperSize = qint16(papers.ids[size_t(b0)]);
        WritePrinterDevMode(printer, mode);
        DevMode back;
        ReadPrinterDevMode(printer, back);
        QCOMPARE(back.dmPaperSize, mode.dmPaperSize);
        QCOMPARE(back.dmPaperWidth, qint16(10000));
        QCOMPARE(back.dmPaperLength, qint16(14140));
    }

    void printerSetupOffersTheQueueAlone()
    {
        QtPrinterPort printer;
        QCOMPARE(printer.printerNames(), QStringList{kQueue});
        QVERIFY(!printer.selectPrinter(kPdfPrinterName));
        QVERIFY(printer.selectPrinter(kQueue));
        QVERIFY(!printer.printsToFileOnly());
    }

    void twoPagesThroughTheQueue()
    {
        ScreenDpiX = 96;
        ScreenDpiY = 96;
        UiState ui;
        Scene scene(ui);
        scene.setBackgroundSize(QSize(800, 600));
        scene.setBackgroundColour(0x0000FF00);

        QtPrinterPort printer;
        PageSettings settings;
        RefreshPrinter(settings, printer);
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        LoadPaperList(settings, papers, printer, settings.deviceName, settings.port, combo,
                      log.fn());
        ScriptedPrintDialog dialog;
        PrintState state;
        const QString title = QStringLiteral("ZelvaneCupsTest%1").arg(getpid());

        PrintItemClick(scene, settings, state, printer, dialog, log.fn(), title, {});
        QVERIFY2(log.shown.isEmpty(), qPrintable(log.shown.join(u'\n')));
        QCOMPARE(state.layout.pageCount(), 2);

        // cups-pdf names the file after the job title.
        const QString written = m_server.waitForPdf(title, kOutputTimeoutMs);
        QString jobs;
        m_server.client(QStringLiteral("lpstat"), {QStringLiteral("-W"), QStringLiteral("all"),
                                                   QStringLiteral("-o")},
                        &jobs);
        QVERIFY2(!written.isEmpty(),
                 qPrintable(QStringLiteral("no PDF from cups-pdf in %1; jobs: %2")
                                .arg(m_server.pdfOutputDir(), jobs)));
        const PdfInfo info = ReadPdfInfo(written);
        QVERIFY2(info.ok, qPrintable(info.error));
        QCOMPARE(info.pages, 2);
        QVERIFY(qAbs(info.pageSize.width() - 595.28) < 1.0);
        QVERIFY(qAbs(info.pageSize.height() - 841.89) < 1.0);
    }

private:
    CupsServer &m_server;
};

int main(int argc, char *argv[])
{
    // Qt must reach our scheduler and no other: CUPS_SERVER is read once,
    // when Qt first asks CUPS about printers.
    CupsServer server;
    qputenv("CUPS_SERVER", server.socketPath().toLocal8Bit());
    QApplication app(argc, argv);
    CupsPrintTest test(server);
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cupsprint.moc"
