// Page settings, screen conversions, the current printer and its paper list.

#include "FakePrinter.h"
#include "PrinterSettings.h"
#include "ScreenResolution.h"

#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {

const PaperSize kA4{2100, 2970};
const PaperSize kA3{2970, 4200};
const PaperSize kLetter{2159, 2794};

// A printer whose current paper is A4 (id 9) among three forms.
void giveThreeForms(FakePrinter &printer)
{
    printer.forms[FakePrinter::formsKey(printer.device, printer.port)] =
        FakePrinter::paperList({{QStringLiteral("Letter"), kLetter, 1},
                                {QStringLiteral("A3"), kA3, 8},
                                {QStringLiteral("A4"), kA4, 9}});
}

// What the main window does at start-up: defaults, a refresh, then the page
// setup dialog's creation reads the paper list.
void startUp(PageSettings &settings, PaperList &papers, FakePrinter &printer, FakeCombo &combo,
             MessageLog &log)
{
    settings = PageSettings();
    RefreshPrinter(settings, printer);
    LoadPaperList(settings, papers, printer, settings.deviceName, settings.port, combo,
                  log.fn());
}

} // namespace

class PageSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScreenDpiX = 96;
        ScreenDpiY = 96;
    }

    void defaults()
    {
        const PageSettings settings;
        QCOMPARE(settings.paperWidth, 210.0f);
        QCOMPARE(settings.paperHeight, 297.0f);
        QVERIFY(settings.portrait);
        for (float margin : settings.margins)
            QCOMPARE(margin, 20.0f);
        QVERIFY(settings.deviceName.isEmpty());
        QVERIFY(settings.port.isEmpty());
        QCOMPARE(settings.devMode, DevMode());
    }

    void conversions_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<float>("mm");
        QTest::addColumn<int>("pixels");
        QTest::newRow("A4 width at 96") << 96 << 210.0f << 793;
        QTest::newRow("A4 height at 96") << 96 << 297.0f << 1122;
        QTest::newRow("margin at 96") << 96 << 20.0f << 75;
        QTest::newRow("cell width at 96") << 96 << 170.0f << 642;
        QTest::newRow("cell height at 96") << 96 << 257.0f << 971;
        QTest::newRow("25.4 mm is a shade less as a float") << 120 << 25.4f << 119;
        QTest::newRow("a hair over one inch at 120") << 120 << 25.5f << 120;
        QTest::newRow("A4 width at 120") << 120 << 210.0f << 992;
        QTest::newRow("negative truncates toward zero") << 96 << -1.0f << -3;
    }
    void conversions()
    {
        QFETCH(int, dpi);
        QFETCH(float, mm);
        QFETCH(int, pixels);
        ScreenDpiX = dpi;
        ScreenDpiY = dpi;
        QCOMPARE(MmToPixelsX(mm), pixels);
        QCOMPARE(MmToPixelsY(mm), pixels);
    }

    void pixelsToMillimetres()
    {
        QCOMPARE(PixelsToMmX(793), 209.8125f);
        QCOMPARE(PixelsToMmY(1122), 296.8625f);
        ScreenDpiX = 0;
        QCOMPARE(PixelsToMmX(100), 0.0f);
        QCOMPARE(MmToPixelsX(100.0f), 0);
    }

    void firstRefreshTakesThePrinter()
    {
        FakePrinter printer;
        PageSettings settings;
        QVERIFY(RefreshPrinter(settings, printer));
        QCOMPARE(settings.deviceName, printer.device);
        QCOMPARE(settings.port, printer.port);
        QCOMPARE(settings.devMode, printer.devMode);
        QVERIFY(settings.previousDeviceName.isEmpty());
    }

    void secondRefreshWithTheSamePrinterIsNoChange()
    {
        FakePrinter printer;
        giveThreeForms(printer);
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        startUp(settings, papers, printer, combo, log);
        QCOMPARE(printer.formQueries, 1);

        // The window's commands read the list only after a change.
        printer.devMode.dmOrientation = kDmLandscape;
        QVERIFY(!FollowCurrentPrinter(settings, papers, printer, combo, log.fn()));
        QCOMPARE(settings.devMode.dmOrientation, kDmLandscape); // the copy still renews
        QCOMPARE(settings.previousDeviceName, printer.device);
        QCOMPARE(printer.formQueries, 1);
    }

    void sameNameOnAnotherPortIsAnotherPrinter()
    {
        FakePrinter printer;
        PageSettings settings;
        RefreshPrinter(settings, printer);
        printer.port = QStringLiteral("USB001");
        QVERIFY(RefreshPrinter(settings, printer));
        QCOMPARE(settings.previousPort, QStringLiteral("LPT1:"));
        QCOMPARE(settings.port, QStringLiteral("USB001"));
        printer.port = QStringLiteral("usb001"); // exact comparison
        QVERIFY(RefreshPrinter(settings, printer));
    }

    void noPrinterChangesNothing()
    {
        FakePrinter printer;
        printer.devModeAvailable = false;
        PageSettings settings;
        settings.deviceName = QStringLiteral("Old");
        settings.devMode.dmPaperSize = 8;
        QVERIFY(!RefreshPrinter(settings, printer));
        QCOMPARE(settings.deviceName, QStringLiteral("Old"));
        QVERIFY(settings.previousDeviceName.isEmpty());
        QCOMPARE(settings.devMode.dmPaperSize, qint16(8));
    }

    void unreachableDevModeStillTakesTheName()
    {
        FakePrinter printer;
        printer.devModeReachable = false;
        PageSettings settings;
        settings.devMode.dmPaperSize = 8;
        QVERIFY(RefreshPrinter(settings, printer));
        QCOMPARE(settings.deviceName, printer.device);
        QCOMPARE(settings.devMode.dmPaperSize, qint16(8));
    }

    void startUpSelectsTheCurrentPaper()
    {
        FakePrinter printer;
        giveThreeForms(printer);
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        settings.paperWidth = 1;
        startUp(settings, papers, printer, combo, log);
        QCOMPARE(settings.paperWidth, 210.0f);
        QCOMPARE(settings.paperHeight, 297.0f);
        QVERIFY(settings.portrait);
        QCOMPARE(settings.margins, (std::array<float, 4>{20, 20, 20, 20}));
        QCOMPARE(combo.items, (QStringList{QStringLiteral("Letter"), QStringLiteral("A3"), QStringLiteral("A4")}));
        QCOMPARE(combo.current, 2);
        QCOMPARE(papers.count, 3);
        QCOMPARE(papers.sizes[1], kA3);
        QCOMPARE(papers.ids[0], quint16(1));
        QVERIFY(log.shown.isEmpty());
    }

    void changedPrinterInLandscapeTurnsThePaper()
    {
        FakePrinter printer;
        giveThreeForms(printer);
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        startUp(settings, papers, printer, combo, log);
        settings.portrait = false;
        settings.paperWidth = 297.0f;
        settings.paperHeight = 210.0f;

        printer.device = QStringLiteral("Other");
        printer.devMode.dmPaperSize = 8;
        giveThreeForms(printer);
        QVERIFY(RefreshPrinter(settings, printer));
        LoadPaperList(settings, papers, printer, settings.deviceName, settings.port, combo,
                      log.fn());
        QCOMPARE(combo.current, 1);
        QCOMPARE(settings.paperWidth, 420.0f);
        QCOMPARE(settings.paperHeight, 297.0f);
        QVERIFY(!settings.portrait);
    }

    void laterEntryWithTheSameIdWins()
    {
        FakePrinter printer;
        printer.forms[FakePrinter::formsKey(printer.device, printer.port)] =
            FakePrinter::paperList({{QStringLiteral("A4"), kA4, 9},
                                    {QStringLiteral("A4 wide"), PaperSize{2230, 2970}, 9},
                                    {QStringLiteral("A3"), kA3, 8}});
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        startUp(settings, papers, printer, combo, log);
        QCOMPARE(combo.current, 1);
        QCOMPARE(settings.paperWidth, 223.0f);
        QCOMPARE(settings.paperHeight, 297.0f);
    }

    void noMatchLeavesNothingSelected()
    {
        FakePrinter printer;
        giveThreeForms(printer);
        printer.devMode.dmPaperSize = 70;
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        combo.current = 1;
        startUp(settings, papers, printer, combo, log);
        QCOMPARE(combo.items.size(), 3);
        QCOMPARE(combo.current, -1);
        QCOMPARE(settings.paperWidth, 210.0f);
        QCOMPARE(settings.paperHeight, 297.0f);
    }

    void errorAndEmptyListsKeepWhatWasThere_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("driver error") << -1 << QStringList{kFormListErrorText};
        QTest::newRow("no forms") << 0 << QStringList();
    }
    void errorAndEmptyListsKeepWhatWasThere()
    {
        QFETCH(int, count);
        QFETCH(QStringList, messages);
        FakePrinter printer;
        giveThreeForms(printer);
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        startUp(settings, papers, printer, combo, log);

        PaperList failing;
        failing.count = count;
        printer.forms[FakePrinter::formsKey(printer.device, printer.port)] = failing;
        printer.devMode.dmPaperSize = 8;
        settings.devMode.dmPaperSize = 8;
        LoadPaperList(settings, papers, printer, settings.deviceName, settings.port, combo,
                      log.fn());
        QCOMPARE(log.shown, messages);
        QCOMPARE(papers.count, count);
        QCOMPARE(papers.size(), 3);
        QCOMPARE(papers.names, (QStringList{QStringLiteral("Letter"), QStringLiteral("A3"), QStringLiteral("A4")}));
        QCOMPARE(combo.items.size(), 3);
        QCOMPARE(combo.current, 2);
        QCOMPARE(settings.paperWidth, 210.0f);
    }

    void listIsReadForTheNamedPrinter()
    {
        FakePrinter printer;
        printer.forms[FakePrinter::formsKey(QStringLiteral("Named"), QStringLiteral("COM1:"))] =
            FakePrinter::paperList({{QStringLiteral("A4"), kA4, 9}});
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        LoadPaperList(settings, papers, printer, QStringLiteral("Named"), QStringLiteral("COM1:"),
                      combo, log.fn());
        QCOMPARE(combo.items, QStringList{QStringLiteral("A4")});
    }

    void namesEndAtNulOrAfter64Characters()
    {
        FakePrinter printer;
        const QString longName(70, QLatin1Char('x'));
        printer.forms[FakePrinter::formsKey(printer.device, printer.port)] =
            FakePrinter::paperList({{QString::fromUtf16(u"A4\0junk", 7), kA4, 9},
                                    {longName, kA3, 8}});
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        startUp(settings, papers, printer, combo, log);
        QCOMPARE(combo.items[0], QStringLiteral("A4"));
        QCOMPARE(combo.items[1], longName.left(64));
    }

    void shortDriverListsArePadded()
    {
        FakePrinter printer;
        PaperList ragged = FakePrinter::paperList({{QStringLiteral("A4"), kA4, 9}});
        ragged.count = 2;
        printer.forms[FakePrinter::formsKey(printer.device, printer.port)] = ragged;
        PageSettings settings;
        PaperList papers;
        FakeCombo combo;
        MessageLog log;
        startUp(settings, papers, printer, combo, log);
        QCOMPARE(papers.size(), 2);
        QCOMPARE(int(papers.sizes.size()), 2);
        QCOMPARE(papers.names.size(), 2);
        QCOMPARE(combo.items.size(), 2);
    }

    void devModeCopiesWholeRecord()
    {
        FakePrinter printer;
        DevMode record;
        ReadPrinterDevMode(printer, record);
        QCOMPARE(record, printer.devMode);
        QCOMPARE(record.rest, QByteArrayLiteral("driver-private bytes"));

        record.dmOrientation = kDmLandscape;
        record.rest = QByteArrayLiteral("changed");
        WritePrinterDevMode(printer, record);
        QCOMPARE(printer.devMode, record);
        QCOMPARE(printer.devModeWrites, 1);
    }

    void devModeCopiesNeedAReachableRecord_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("no printer") << false << true;
        QTest::newRow("unreachable") << true << false;
    }
    void devModeCopiesNeedAReachableRecord()
    {
        QFETCH(bool, available);
        QFETCH(bool, reachable);
        FakePrinter printer;
        printer.devModeAvailable = available;
        printer.devModeReachable = reachable;
        const DevMode before = printer.devMode;
        DevMode record;
        record.dmPaperSize = 5;
        ReadPrinterDevMode(printer, record);
        QCOMPARE(record.dmPaperSize, qint16(5));
        WritePrinterDevMode(printer, record);
        QCOMPARE(printer.devMode, before);
        QCOMPARE(printer.devModeWrites, 0);
    }

    void devModeTenthsStayWithin16Bits_data()
    {
        QTest::addColumn<double>("tenths");
        QTest::addColumn<int>("stored");
        QTest::newRow("A4 width") << 2100.0 << 2100;
        QTest::newRow("truncated") << 2159.9 << 2159;
        QTest::newRow("largest") << 32767.0 << 32767;
        QTest::newRow("too long") << 40000.0 << 32767;
        QTest::newRow("not a number") << qQNaN() << -32768;
    }
    void devModeTenthsStayWithin16Bits()
    {
        QFETCH(double, tenths);
        QFETCH(int, stored);
        QCOMPARE(int(ToDevModeTenths(tenths)), stored);
    }
};

QTEST_GUILESS_MAIN(PageSettingsTest)
#include "tst_pagesettings.moc"
