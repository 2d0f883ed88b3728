// The print job on the fake printer: the transfer of one page, the order of
// sheets and pages, the print dialog's options and every way a job ends.

#include "FakePrinter.h"
#include "PrintCommand.h"
#include "Scene.h"
#include "ScreenResolution.h"
#include "UiState.h"

#include <QSet>
#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {

const QString kTitle = QStringLiteral("Zelvane - (無題)");


// A scene whose rendered picture is a coordinate picture of the given size.
struct PictureScene {
    UiState ui;
    Scene scene{ui};

    explicit PictureScene(const QSize &size)
    {
        scene.setBackgroundSize(size);
        scene.InsertPart(0, 0, size.width(), size.height(),
                         Bitmap::fromImage(coordinatePicture(size.width(), size.height())), 0, 0,
                         0);
    }
};

// Which page of the layout a sheet shows, found from the colour at the
// cell's corner (page pixel 75, at the fake printer's twice the screen's
// resolution); -1 when it matches none.
int pageOnSheet(const FakePrinter::Sheet &sheet, const PageLayout &layout)
{
    const QRgb corner = sheet.pixel(150, 150);
    for (int n = 0; n < layout.pageCount(); ++n) {
        const QRect cell = PageCellRect(layout, n);
        if (corner == coordinateColour(cell.left(), cell.top()))
            return n;
    }
    return -1;
}

QList<int> pagesOnSheets(const FakePrinter &printer, const PageLayout &layout)
{
    QList<int> pages;
    for (const FakePrinter::Sheet &sheet : printer.sheets)
        pages.append(pageOnSheet(sheet, layout));
    return pages;
}

QStringList jobEvents(const QStringList &events)
{
    QStringList job;
    for (const QString &event : events)
        if (!event.startsWith(QLatin1String("title:")) && event != QLatin1String("portrait")
            && event != QLatin1String("landscape"))
            job.append(event);
    return job;
}

// Runs the print command once with the given dialog answers.
struct PrintRun {
    FakePrinter printer;
    ScriptedPrintDialog dialog;
    MessageLog log;
    PageSettings settings;
    PrintState state;
    int pumped = 0;

    void run(const Scene &scene)
    {
        PrintItemClick(scene, settings, state, printer, dialog, log.fn(), kTitle,
                       [this] { ++pumped; });
    }
};

} // namespace

class PrintJobTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScreenDpiX = 96;
        ScreenDpiY = 96;
    }

    void sheetsAreDrawnAtThePrintersResolution_data()
    {
        QTest::addColumn<int>("screenDpi");
        QTest::addColumn<int>("printerDpi");
        QTest::addColumn<bool>("scaled"); // the part shown at a quarter of its source
        for (const int screen : {96, 120, 144})
            for (const bool scaled : {false, true})
                QTest::newRow(qPrintable(QStringLiteral("%1 dpi screen, %2").arg(screen).arg(scaled ? QStringLiteral("scaled part") : QStringLiteral("1:1 part"))))
                    << screen << 300 << scaled;
        QTest::newRow("96 on 600, 1:1") << 96 << 600 << false;
    }
    // A sheet drawn at the printer's resolution shows, at the centre of each
    // of its pixels, what the screen-resolution page shows there, but with
    // the source's own detail where a part is shown smaller than its source.
    void sheetsAreDrawnAtThePrintersResolution()
    {
        QFETCH(int, screenDpi);
        QFETCH(int, printerDpi);
        QFETCH(bool, scaled);
        ScreenDpiX = screenDpi;
        ScreenDpiY = screenDpi;
        UiState ui;
        Scene scene(ui);
        scene.setBackgroundSize(QSize(120, 90));
        const QImage source = coordinatePicture(scaled ? 400 : 100, scaled ? 320 : 80);
        scene.InsertPart(10, 5, 100, 80, Bitmap::fromImage(source), 0, 0, 0);
        PageSettings settings;
        const PageLayout layout = *LayoutForPicture(settings, scene.backgroundSize());
        FakePrinter printers[2];
        for (int i = 0; i < 2; ++i) {
            PrinterMetrics &sheet = printers[i].portraitSheet;
            const int dpi = i == 0 ? screenDpi : printerDpi;
            sheet.logPixelsX = sheet.logPixelsY = dpi;
            sheet.physicalWidth = int(210 / 25.4 * dpi) + 1;
            sheet.physicalHeight = int(297 / 25.4 * dpi) + 1;
            sheet.physicalOffsetX = sheet.physicalOffsetY = 0;
            MessageLog log;
            QVERIFY(RunPrintJob(printers[i], settings, pictureOf(scene), layout, PrintRequest(),
                                log.fn(), {}));
            QCOMPARE(printers[i].sheets.size(), size_t(1));
        }
        const FakePrinter::Sheet &screen = printers[0].sheets[0];
        const FakePrinter::Sheet &fine = printers[1].sheets[0];
        const QRect target = PageTargetRect(settings, layout);
        // At the screen's resolution the sheet is the page itself.
        QCOMPARE(screen.drawn(), target);
        const RenderScale across = RenderScale::of(printerDpi, screenDpi);
        const QPoint corner(int(across.deviceAt(target.x())), int(across.deviceAt(target.y())));
        QCOMPARE(fine.drawn(), QRect(corner, QSize(int(across.deviceAt(target.width())),
                                                   int(across.deviceAt(target.height())))));
        for (int y = 0; y < 90 * printerDpi / screenDpi; y += 3)
            for (int x = 0; x < 120 * printerDpi / screenDpi; x += 3) {
                const QRgb got = fine.pixel(corner.x() + x, corner.y() + y);
                // The centre of device pixel x lies at picture position
                // (x + 1/2) * screen / printer within the cell.
                const double px = (x + 0.5) * screenDpi / printerDpi;
                const double py = (y + 0.5) * screenDpi / printerDpi;
                const QRgb coarse = screen.pixel(target.x() + int(px), target.y() + int(py));
                QRgb expected = toQRgb(kWhite);
                if (px >= 10 && px < 110 && py >= 5 && py < 85)
                    expected = source.pixel(int((px - 10) * source.width() / 100),
                                            int((py - 5) * source.height() / 80));
                if (!scaled)
                    QCOMPARE(got, coarse); // blocks of the screen's pixels
                QCOMPARE(got, expected);
            }
        if (!scaled)
            return;
        // More of the source's detail: many more distinct pixels on the sheet.
        const auto colours = [](const FakePrinter::Sheet &sheet) {
            QSet<QRgb> seen;
            for (const FakePrinter::Sheet::Band &band : sheet.bands)
                for (int y = 0; y < band.image.height(); ++y)
                    for (int x = 0; x < band.image.width(); ++x)
                        seen.insert(band.image.pixel(x, y));
            return seen.size();
        };
        QVERIFY2(colours(fine) > 4 * colours(screen),
                 qPrintable(QStringLiteral("%1 against %2").arg(colours(fine)).arg(colours(screen))));
    }

    void sheetSizeFollowsBothResolutions_data()
    {
        QTest::addColumn<int>("screenDpi");
        QTest::addColumn<int>("printerDpi");
        QTest::addColumn<QSize>("dest");
        QTest::newRow("96 on 600") << 96 << 600 << QSize(4956, 7012);
        QTest::newRow("96 on 300") << 96 << 300 << QSize(2478, 3506);
        QTest::newRow("120 on 1200") << 120 << 1200 << QSize(7930, 11220);
        QTest::newRow("144 on 300") << 144 << 300 << QSize(1652, 2337);
    }
    void sheetSizeFollowsBothResolutions()
    {
        QFETCH(int, screenDpi);
        QFETCH(int, printerDpi);
        QFETCH(QSize, dest);
        ScreenDpiX = screenDpi;
        ScreenDpiY = screenDpi;
        PrinterMetrics metrics;
        metrics.logPixelsX = printerDpi;
        metrics.logPixelsY = printerDpi;
        QCOMPARE(PageSizeOnPrinter(QSize(793, 1122), metrics), dest);
    }

    void failedTransfersSayWhy_data()
    {
        QTest::addColumn<QSize>("page");
        QTest::addColumn<bool>("memory");
        QTest::addColumn<QString>("message");
        QTest::newRow("A3 page on an A4 sheet") << QSize(1122, 1587) << true << kBadPageSizeText;
        QTest::newRow("one pixel too tall") << QSize(793, 1123) << true << kBadPageSizeText;
        QTest::newRow("empty page") << QSize(0, 0) << true << kEmptyBitmapText;
        QTest::newRow("no memory for the bits") << QSize(793, 1122) << false << kOutOfMemoryText;
    }
    void failedTransfersSayWhy()
    {
        QFETCH(QSize, page);
        QFETCH(bool, memory);
        QFETCH(QString, message);
        FakePrinter printer;
        printer.portraitSheet.logPixelsX = printer.portraitSheet.logPixelsY = 600;
        printer.portraitSheet.physicalWidth = 4960;
        printer.portraitSheet.physicalHeight = 7016; // 1123 pixels give 7018
        PictureDraws picture;
        picture.background = QSize(10, 10);
        PrintJob job(printer, picture, PageLayout{1, 1, 642, 971});
        MessageLog log;
        job.showMessage = log.fn();
        job.page = page;
        job.target = QRect(75, 75, 642, 971);
        if (!memory)
            job.makeBand = [](const QSize &) { return QImage(); };
        QVERIFY(!SendPageToPrinter(job, 0));
        QCOMPARE(log.shown, QStringList{message});
        QVERIFY(printer.sheets.empty());
    }

    void copiesAndCollation_data()
    {
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("collate");
        QTest::addColumn<QList<int>>("pages");
        QTest::newRow("collated") << 2 << true << QList<int>{0, 1, 0, 1};
        QTest::newRow("uncollated") << 2 << false << QList<int>{0, 0, 1, 1};
        QTest::newRow("three collated") << 3 << true << QList<int>{0, 1, 0, 1, 0, 1};
        QTest::newRow("one copy") << 1 << true << QList<int>{0, 1};
        QTest::newRow("no copies count as one") << 0 << false << QList<int>{0, 1};
    }
    void copiesAndCollation()
    {
        QFETCH(int, copies);
        QFETCH(bool, collate);
        QFETCH(QList<int>, pages);
        PictureScene picture(QSize(800, 600));
        PrintRun run;
        run.dialog.choose = [&](PrintDialogOptions &options) {
            options.copies = copies;
            options.collate = collate;
        };
        run.run(picture.scene);
        QCOMPARE(pagesOnSheets(run.printer, run.state.layout), pages);

        QStringList expected{QStringLiteral("begin")};
        for (int i = 0; i < pages.size(); ++i) {
            if (i > 0)
                expected.append(QStringLiteral("newPage"));
            expected.append(QStringLiteral("sheet"));
        }
        expected.append(QStringLiteral("end"));
        QCOMPARE(jobEvents(run.printer.events), expected);
        QCOMPARE(run.pumped, int(pages.size()));
        QVERIFY(run.log.shown.isEmpty());
    }

    void rangeOfAFourPageJob()
    {
        PictureScene picture(QSize(643, 972));
        PrintRun run;
        run.dialog.choose = [](PrintDialogOptions &options) {
            options.pageRange = true;
            options.fromPage = 2;
            options.toPage = 3;
        };
        run.run(picture.scene);
        QCOMPARE(run.state.layout.pageCount(), 4);
        QCOMPARE(pagesOnSheets(run.printer, run.state.layout), (QList<int>{1, 2}));
        // Page 2 (index 1) holds one column, page 3 (index 2) one row.
        const FakePrinter::Sheet &second = run.printer.sheets[0];
        QCOMPARE(second.pixel(151, 600), coordinateColour(642, 225));
        QCOMPARE(second.pixel(152, 600), qRgb(255, 255, 255));
        const FakePrinter::Sheet &third = run.printer.sheets[1];
        QCOMPARE(third.pixel(800, 151), coordinateColour(325, 971));
        QCOMPARE(third.pixel(800, 152), qRgb(255, 255, 255));
    }

    void dialogOffersRangeOnlyForSeveralPages()
    {
        PictureScene small(QSize(640, 480));
        PrintRun run;
        run.run(small.scene);
        QVERIFY(!run.dialog.offered.offerPageRange);
        QVERIFY(!run.dialog.offered.offerPrintToFile);
        QCOMPARE(run.dialog.offered.maxPage, 1);
        QCOMPARE(run.printer.sheets.size(), size_t(1));

        PictureScene large(QSize(643, 972));
        run.state.dialogOptions.copies = 5;
        run.state.dialogOptions.printToFile = true;
        run.run(large.scene);
        const PrintDialogOptions &offered = run.dialog.offered;
        QVERIFY(offered.offerPageRange);
        QVERIFY(offered.offerPrintToFile);
        QVERIFY(offered.warnIfNoPrinter);
        QCOMPARE(offered.minPage, 1);
        QCOMPARE(offered.maxPage, 4);
        QCOMPARE(offered.fromPage, 1);
        QCOMPARE(offered.toPage, 4);
        QCOMPARE(offered.copies, 1);
        QVERIFY(!offered.printToFile);
        QVERIFY(!offered.pageRange);
    }

    void earlierRangeCannotReachMissingPages()
    {
        PictureScene large(QSize(643, 972));
        PrintRun run;
        run.dialog.choose = [](PrintDialogOptions &options) {
            options.pageRange = true;
            options.fromPage = 2;
            options.toPage = 3;
            options.copies = 3;
            options.printToFile = true;
            options.outputFileName = QStringLiteral("/tmp/earlier.pdf");
        };
        run.run(large.scene);
        QCOMPARE(run.printer.sheets.size(), size_t(6));

        // The next job has one page; the dialog keeps what it offers but
        // starts again from one copy of all pages to the printer.
        PictureScene small(QSize(640, 480));
        run.printer.sheets.clear();
        run.dialog.choose = {};
        run.run(small.scene);
        QVERIFY(run.dialog.offered.offerPageRange);
        QCOMPARE(run.dialog.offered.maxPage, 1);
        QCOMPARE(run.dialog.offered.toPage, 1);
        QCOMPARE(run.dialog.offered.copies, 1);
        QVERIFY(!run.dialog.offered.printToFile);
        QVERIFY(!run.dialog.offered.pageRange);
        QCOMPARE(pagesOnSheets(run.printer, run.state.layout), QList<int>{0});
        QVERIFY(run.printer.sheets[0].output.isEmpty());
    }

    void cancelledDialogPrintsNothing()
    {
        PictureScene picture(QSize(800, 600));
        PrintRun run;
        run.dialog.accept = false;
        run.run(picture.scene);
        QCOMPARE(run.dialog.shown, 1);
        QVERIFY(run.printer.events.isEmpty());
        QCOMPARE(run.state.layout.pageCount(), 2);
    }

    void printerThatCannotStretchIsRefused()
    {
        PictureScene picture(QSize(800, 600));
        PrintRun run;
        run.printer.portraitSheet.canStretchImages = false;
        run.run(picture.scene);
        QCOMPARE(run.log.shown, QStringList{kCannotPrintText});
        QVERIFY(run.printer.events.isEmpty());
    }

    void marginsLeavingNothingAreRefused()
    {
        PictureScene picture(QSize(800, 600));
        PrintRun run;
        run.settings.margins[LeftMargin] = 100.0f;
        run.settings.margins[RightMargin] = 110.0f;
        run.run(picture.scene);
        QCOMPARE(run.log.shown, QStringList{kNoPrintableAreaText});
        QCOMPARE(run.dialog.shown, 0);
        QVERIFY(run.state.PrintPicture.isNull());
        QVERIFY(run.printer.events.isEmpty());
    }

    void printToFileGivesThePrinterBack_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("printer") << QString();
        QTest::newRow("another file") << QStringLiteral("/tmp/earlier.pdf");
    }
    void printToFileGivesThePrinterBack()
    {
        QFETCH(QString, before);
        PictureScene picture(QSize(800, 600));
        PrintRun run;
        run.printer.output = before;
        run.dialog.choose = [](PrintDialogOptions &options) {
            options.printToFile = true;
            options.outputFileName = QStringLiteral("/tmp/out.pdf");
        };
        run.run(picture.scene);
        QCOMPARE(run.printer.sheets.size(), size_t(2));
        for (const FakePrinter::Sheet &sheet : run.printer.sheets)
            QCOMPARE(sheet.output, QStringLiteral("/tmp/out.pdf"));
        QCOMPARE(run.printer.output, before);
        QCOMPARE(run.printer.events.first(), QStringLiteral("file:/tmp/out.pdf"));
        QCOMPARE(run.printer.events.last(), QStringLiteral("file:") + before);
    }

    void printerOfFilesOnlyPrintsToTheChosenFile()
    {
        PictureScene picture(QSize(640, 480));
        PrintRun run;
        run.printer.filesOnly = true;
        run.dialog.choose = [](PrintDialogOptions &options) { options.printToFile = false; };
        run.run(picture.scene);
        QVERIFY(run.dialog.offered.offerPrintToFile && run.dialog.offered.printToFile);
        QVERIFY(run.printer.events.isEmpty());
        run.dialog.choose = [](PrintDialogOptions &options) {
            options.outputFileName = QStringLiteral("/tmp/only.pdf");
        };
        run.run(picture.scene);
        QCOMPARE(run.printer.sheets.at(0).output, QStringLiteral("/tmp/only.pdf"));
    }

    void printToFileWithoutANameIsCancelled()
    {
        PictureScene picture(QSize(800, 600));
        PrintRun run;
        run.dialog.choose = [](PrintDialogOptions &options) { options.printToFile = true; };
        run.run(picture.scene);
        QVERIFY(run.printer.events.isEmpty());
        QVERIFY(run.log.shown.isEmpty());
    }

    void landscapeIsSetBeforeTheSheetIsMeasured()
    {
        PictureScene picture(QSize(640, 480));
        PrintRun run;
        run.settings.portrait = false;
        run.settings.paperWidth = 297.0f;
        run.settings.paperHeight = 210.0f;
        run.run(picture.scene);
        QCOMPARE(run.printer.events.first(), QStringLiteral("landscape"));
        QCOMPARE(run.printer.events[1], QStringLiteral("title:") + kTitle);
        QCOMPARE(run.printer.sheets.size(), size_t(1));
        // The cell from the sheet's corner at the margins, its page turned:
        // 971 x 642 page pixels, at twice the screen's resolution.
        QCOMPARE(run.printer.sheets[0].drawn(), QRect(150, 150, 1942, 1284));
    }

    void pageTooLargeForTheSheetBeginsNoDocument()
    {
        PictureScene picture(QSize(640, 480));
        PrintRun run;
        run.settings.paperWidth = 297.0f; // A3 settings, A4 sheet
        run.settings.paperHeight = 420.0f;
        run.run(picture.scene);
        QCOMPARE(run.log.shown, QStringList{kBadPageSizeText});
        QVERIFY(!run.printer.events.contains(QStringLiteral("begin")));
        QVERIFY(run.printer.sheets.empty());
    }

    void failedSheetAbortsTheJob()
    {
        PictureScene picture(QSize(800, 600));
        FakePrinter printer;
        MessageLog log;
        PageSettings settings;
        PrintState state;
        QVERIFY(LayOutForPrinting(picture.scene, settings, state, log.fn()));
        PrintRequest request;
        request.last = 1;
        request.outputFile = QStringLiteral("/tmp/x.pdf");
        QVERIFY(!RunPrintJob(printer, settings, pictureOf(picture.scene), state.layout, request,
                             log.fn(), {}, [](const QSize &) { return QImage(); }));
        QCOMPARE(log.shown, QStringList{kOutOfMemoryText});
        QCOMPARE(jobEvents(printer.events),
                 (QStringList{QStringLiteral("file:/tmp/x.pdf"), QStringLiteral("begin"),
                              QStringLiteral("abort"), QStringLiteral("file:")}));
    }

    void jobAbortedFromOutsideStopsAfterTheSheet()
    {
        PictureScene picture(QSize(643, 972));
        PrintRun run;
        run.printer.abortedAfterSheets = 2;
        run.run(picture.scene);
        QCOMPARE(pagesOnSheets(run.printer, run.state.layout), (QList<int>{0, 1}));
        QCOMPARE(jobEvents(run.printer.events),
                 (QStringList{QStringLiteral("begin"), QStringLiteral("sheet"),
                              QStringLiteral("newPage"), QStringLiteral("sheet"),
                              QStringLiteral("newPage"), QStringLiteral("abort")}));
    }

    void documentThatCannotBeginOrEnd_data()
    {
        QTest::addColumn<bool>("begins");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("sheets");
        QTest::newRow("begin fails") << false << true << kPrintStartFailedText << 0;
        QTest::newRow("end fails") << true << false << kPrintFailedText << 2;
    }
    void documentThatCannotBeginOrEnd()
    {
        QFETCH(bool, begins);
        QFETCH(bool, ends);
        QFETCH(QString, message);
        QFETCH(int, sheets);
        PictureScene picture(QSize(800, 600));
        PrintRun run;
        run.printer.beginSucceeds = begins;
        run.printer.endSucceeds = ends;
        run.dialog.choose = [](PrintDialogOptions &options) {
            options.printToFile = true;
            options.outputFileName = QStringLiteral("/tmp/out.pdf");
        };
        run.run(picture.scene);
        QCOMPARE(run.log.shown, QStringList{message});
        QCOMPARE(int(run.printer.sheets.size()), sheets);
        QVERIFY(run.printer.output.isEmpty());
    }
};

QTEST_GUILESS_MAIN(PrintJobTest)
#include "tst_printjob.moc"
