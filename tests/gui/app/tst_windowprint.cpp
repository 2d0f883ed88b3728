// Printing and the print preview as the main window offers them, at the
// resolution of the screen it starts on.
#include "WindowFixture.h"
#include "PrintedPictures.h"

#include "FakePrinter.h"
#include "PdfTools.h"

#include "document/DocumentFile.h"
#include "pixels/Bitmap.h"
#include "printing/PreviewWidgets.h"
#include "printsupport/QtPrinterPort.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QtTest>

using namespace zel;
using namespace zel::test;

class WindowPrintTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void previewReplacesMenuAndEditingView();
    void printSendsEveryPage();
    void printNeedsParts();
    void startUpReadsTheScreensResolution_data();
    void startUpReadsTheScreensResolution();
    void screenThatTellsNoResolutionKeepsTheLastOne();
    void windowAndCommandLineGiveTheSameSheets_data();
    void windowAndCommandLineGiveTheSameSheets();

private:
    struct Printing : WindowFixture {
        FakePrinter printer;
        ScriptedPrintDialog printDialog;
        FakeScreen screen{QSize(96, 96)};
        explicit Printing(QSize dpi = QSize(96, 96))
        {
            screen.dpi = dpi;
            WindowPorts ports{&dialogs, &clipboard, {}, &printer, &printDialog};
            ports.screen = &screen;
            window = std::make_unique<MainWindow>(ports);
            window->resize(700, 600);
            window->show();
        }
    };
};

void WindowPrintTest::init()
{
    ScreenDpiX = 96;
    ScreenDpiY = 96;
}

void WindowPrintTest::previewReplacesMenuAndEditingView()
{
    Printing p;
    p.paste(50, 40, 0xFF0000FFu);
    p.scene().part(0).Image->setBounds(QRect(3, 4, 50, 40));
    p.window->FileItemClick();
    p.window->action(Item::PrintPreviewItem)->trigger();
    QVERIFY(p.window->isPreviewShown());
    QVERIFY(!p.window->menuBar()->isVisible());
    QVERIFY(!p.window->framePanel()->isVisible());
    QCOMPARE(p.window->statusPanel(1)->text(), QString());
    // No shortcut reaches the scene meanwhile.
    QVERIFY(!p.window->action(Item::ClearItem)->isEnabled());
    p.window->trigger(Item::ClearItem);
    QCOMPARE(p.scene().count(), 1);
    QWidget *toolbar = p.window->findChild<QWidget *>(QStringLiteral("Panel3"));
    QVERIFY(toolbar && toolbar->isVisible());
    QCOMPARE(toolbar->height(), 28);

    p.window->print().ToolButton_CloseClick();
    QVERIFY(!p.window->isPreviewShown());
    QVERIFY(p.window->menuBar()->isVisible());
    QVERIFY(p.window->framePanel()->isVisible());
    QVERIFY(!toolbar->isVisible());
    QVERIFY(p.window->action(Item::ClearItem)->isEnabled());
    QCOMPARE(p.window->statusPanel(1)->text(), QStringLiteral("(3, 4, 50, 40)"));
}

void WindowPrintTest::printSendsEveryPage()
{
    Printing p;
    p.paste(50, 40, 0xFF0000FFu);
    p.scene().setBackgroundSize(QSize(800, 600)); // two pages across on A4 at 96 dpi
    p.window->trigger(Item::PrintItem);
    QCOMPARE(p.printDialog.shown, 1);
    QCOMPARE(p.printer.sheets.size(), size_t(2));
    QVERIFY(p.printer.events.contains(QStringLiteral("title:Zelvane - (無題)")));
}

void WindowPrintTest::printNeedsParts()
{
    Printing p;
    p.window->trigger(Item::PrintItem);
    p.window->trigger(Item::PrintPreviewItem);
    QCOMPARE(p.printDialog.shown, 0);
    QVERIFY(!p.window->isPreviewShown());
}

// The resolution is read as the window is made, before any print, preview
// or dialog, and every one of them measures with it.
void WindowPrintTest::startUpReadsTheScreensResolution_data()
{
    QTest::addColumn<QSize>("dpi");
    QTest::addColumn<int>("sheets"); // an 800 x 600 picture on A4, 20 mm margins
    QTest::addColumn<QSize>("sheet"); // the preview's page, screen pixels
    QTest::addColumn<QString>("widthLabel"); // the background dialog's, 800 px
    QTest::newRow("96") << QSize(96, 96) << 2 << QSize(793, 1122) << QStringLiteral("(211.7mm)");
    QTest::newRow("120") << QSize(120, 120) << 1 << QSize(992, 1403) << QStringLiteral("(169.3mm)");
    QTest::newRow("144") << QSize(144, 144) << 1 << QSize(1190, 1683) << QStringLiteral("(141.1mm)");
    QTest::newRow("120 x 144") << QSize(120, 144) << 1 << QSize(992, 1683) << QStringLiteral("(169.3mm)");
}

void WindowPrintTest::startUpReadsTheScreensResolution()
{
    QFETCH(QSize, dpi);
    QFETCH(int, sheets);
    QFETCH(QSize, sheet);
    QFETCH(QString, widthLabel);
    Printing p(dpi);
    QCOMPARE(ScreenDpiX, dpi.width());
    QCOMPARE(ScreenDpiY, dpi.height());
    p.paste(50, 40, 0xFF0000FFu);
    p.scene().setBackgroundSize(QSize(800, 600));

    p.window->trigger(Item::PrintItem);
    QCOMPARE(p.printer.sheets.size(), size_t(sheets));

    p.window->trigger(Item::PrintPreviewItem);
    QVERIFY(p.window->isPreviewShown());
    QCOMPARE(p.window->print().pageView().image().size(), sheet);
    QCOMPARE(p.window->print().state().layout.pageCount(), sheets);
    p.window->print().ToolButton_CloseClick();

    // The background-size dialog shows the same millimetres.
    bool shown = false;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        for (QLabel *label : dialog->findChildren<QLabel *>())
            if (label->text() == widthLabel)
                shown = true;
        static_cast<QDialog *>(dialog)->reject();
    });
    p.window->trigger(Item::SizeItem);
    QVERIFY(shown);
    // Opening the dialog reads nothing again.
    QCOMPARE(ScreenDpiX, dpi.width());
    p.window->trigger(Item::PrintItem);
    QCOMPARE(p.printer.sheets.size(), size_t(2 * sheets));
}

void WindowPrintTest::screenThatTellsNoResolutionKeepsTheLastOne()
{
    ScreenDpiX = 120;
    ScreenDpiY = 120;
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    FakeScreen screen{QSize()};
    WindowPorts ports{&dialogs, &clipboard};
    ports.screen = &screen;
    MainWindow window(ports);
    QCOMPARE(ScreenDpiX, 120);
    QCOMPARE(ScreenDpiY, 120);
}

// The same document printed to a PDF file from the window and by the
// command line at the same resolution: the same pages, sheets and pixels.
void WindowPrintTest::windowAndCommandLineGiveTheSameSheets_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("pages");
    QTest::newRow("96, 800 x 600") << 96 << QSize(800, 600) << 2;
    QTest::newRow("120, 800 x 600") << 120 << QSize(800, 600) << 1;
    QTest::newRow("144, 800 x 600") << 144 << QSize(800, 600) << 1;
    QTest::newRow("96, 1000 x 1400") << 96 << QSize(1000, 1400) << 4;
    QTest::newRow("120, 1000 x 1400") << 120 << QSize(1000, 1400) << 4;
    QTest::newRow("144, 1000 x 1400") << 144 << QSize(1000, 1400) << 2;
}

void WindowPrintTest::windowAndCommandLineGiveTheSameSheets()
{
    QFETCH(int, dpi);
    QFETCH(QSize, picture);
    QFETCH(int, pages);
    if (!HavePopplerTools())
        QFAIL("pdfinfo and pdftoppm (poppler-utils) are needed");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString document = dir.filePath(QStringLiteral("picture.BMH"));
    QVERIFY(writeDocument(document, gradientPicture(picture.width(), picture.height())));

    // The window: the PDF printer, print to file chosen in the print dialog.
    const QString fromWindow = dir.filePath(QStringLiteral("window.pdf"));
    {
        ScriptedDialogs dialogs;
        FakeClipboard clipboard;
        QtPrinterPort printer;
        ScriptedPrintDialog printDialog;
        printDialog.choose = [&](PrintDialogOptions &options) {
            options.printToFile = true;
            options.outputFileName = fromWindow;
        };
        FakeScreen screen(QSize(dpi, dpi));
        WindowPorts ports{&dialogs, &clipboard, {}, &printer, &printDialog};
        ports.screen = &screen;
        MainWindow window(ports);
        window.openAtStart(document);
        QCOMPARE(window.scene().backgroundSize(), picture);
        window.trigger(Item::PrintItem);
        QCOMPARE(printDialog.shown, 1);
        QVERIFY2(dialogs.messages.isEmpty(), qPrintable(dialogs.messages.join(u'\n')));
        QVERIFY(dialogs.errors.isEmpty());
    }

    // The command line.
    const QString fromCli = dir.filePath(QStringLiteral("cli.pdf"));
    QProcess cli;
    cli.start(QStringLiteral(ZELVANE_CLI_PATH),
              {QStringLiteral("print"), document, QStringLiteral("--pdf"), fromCli,
               QStringLiteral("--dpi"), QString::number(dpi)});
    QVERIFY(cli.waitForFinished(120000));
    QVERIFY2(cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0,
             cli.readAllStandardError().constData());

    const PdfInfo window = ReadPdfInfo(fromWindow);
    const PdfInfo line = ReadPdfInfo(fromCli);
    QVERIFY2(window.ok, qPrintable(window.error));
    QVERIFY2(line.ok, qPrintable(line.error));
    QCOMPARE(window.pages, pages);
    QCOMPARE(line.pages, pages);
    QCOMPARE(window.pageSize, line.pageSize);
    for (int page = 1; page <= pages; ++page) {
        const QImage a = RenderPdfPage(fromWindow, page, dpi);
        const QImage b = RenderPdfPage(fromCli, page, dpi);
        QVERIFY(!a.isNull() && !b.isNull());
        QCOMPARE(a.size(), b.size());
        QVERIFY2(a == b, qPrintable(QStringLiteral("page %1 differs").arg(page)));
    }
}

int main(int argc, char *argv[])
{
    // No print queue, whatever the machine has: the window's printer is the
    // PDF printer, on the A4 paper the command line prints on.
    qputenv("CUPS_SERVER", "/nonexistent/zelvane-no-cups.sock");
    QApplication app(argc, argv);
    WindowPrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowprint.moc"
