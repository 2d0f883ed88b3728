// The print preview and the printing commands of the controller, on the
// fake printer inside a stand-in for the main window.

#include "FakePorts.h"
#include "FakePrinter.h"
#include "printing/PageSetupDialog.h"
#include "printing/PreviewWidgets.h"
#include "printing/PrintController.h"
#include "Scene.h"
#include "ScreenResolution.h"
#include "UiState.h"

#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <optional>

using namespace zel;
using namespace zel::test;

namespace {


// The main window as far as the preview sees it.
class FakeWindow : public QWidget, public PreviewHost
{
public:
    FakeWindow()
    {
        resize(700, 600);
        client = new QWidget(this);
        client->setGeometry(0, 40, 632, 432);
    }

    QWidget *client = nullptr;
    QWidget *toolbar = nullptr;
    bool editingVisible = true;
    bool menuPresent = true;
    int repaints = 0;

    void adoptPreviewWidgets(QWidget *bar, QWidget *pageView) override
    {
        toolbar = bar;
        bar->setParent(this);
        bar->setGeometry(0, 0, 700, 28);
        pageView->setParent(client);
    }
    void setEditingViewVisible(bool visible) override { editingVisible = visible; }
    void setMainMenuPresent(bool present) override { menuPresent = present; }
    QSize previewClientSize() const override { return client->size(); }
    void repaintWindow() override { ++repaints; }
};

struct Fixture {
    UiState ui;
    Scene scene{ui};
    FakePrinter printer;
    ScriptedPrintDialog dialog;
    MessageLog log;
    FakeWindow window;
    std::unique_ptr<PrintController> controller;

    // A picture of one colour when solid is given, else every pixel telling
    // where it came from.
    explicit Fixture(const QSize &picture = QSize(643, 972), std::optional<QRgb> solid = {})
    {
        printer.forms[FakePrinter::formsKey(printer.device, printer.port)] =
            FakePrinter::paperList({{QStringLiteral("A4"), PaperSize{2100, 2970}, 9}});
        ui.setTitle(QStringLiteral("Zelvane - (無題)"));
        scene.setBackgroundSize(picture);
        QImage image = coordinatePicture(picture.width(), picture.height());
        if (solid)
            image.fill(*solid);
        scene.InsertPart(0, 0, picture.width(), picture.height(), Bitmap::fromImage(image), 0, 0,
                         0);
        PrintPorts ports;
        ports.printer = &printer;
        ports.printDialog = &dialog;
        ports.showMessage = log.fn();
        controller = std::make_unique<PrintController>(scene, ui, window, ports);
        window.show();
    }

    PreviewPageView &view() { return controller->pageView(); }
    PreviewToolbar &bar() { return controller->toolbar(); }

    // The picture colour shown at a point of the page, in page pixels.
    QRgb shownAt(int x, int y) { return view().image().pixel(x, y); }
};

} // namespace

class PrintPreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScreenDpiX = 96;
        ScreenDpiY = 96;
    }

    void toolbarAsDesigned()
    {
        Fixture f;
        PreviewToolbar &bar = f.bar();
        QCOMPARE(bar.height(), 28);
        QVERIFY(bar.isHidden());
        const QList<std::pair<QPushButton *, QString>> buttons{
            {bar.SpeedButton_Print, QStringLiteral("印刷(&P)...")},
            {bar.SpeedButton_Next, QStringLiteral("次のﾍﾟｰｼﾞ(&N)")},
            {bar.SpeedButton_Prev, QStringLiteral("前のﾍﾟｰｼﾞ(&V)")},
            {bar.SpeedButton_Close, QStringLiteral("閉じる(&C)")}};
        const QList<int> lefts{2, 88, 174, 518};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(buttons[i].first->text(), buttons[i].second);
            QCOMPARE(buttons[i].first->geometry(), QRect(lefts[i], 2, 81, 23));
        }
        QVERIFY(bar.SpeedButton_Print->isEnabled());
        QVERIFY(!bar.SpeedButton_Next->isEnabled());
        QVERIFY(!bar.SpeedButton_Prev->isEnabled());
        QVERIFY(bar.SpeedButton_Close->isEnabled());
    }

    void enteringTheView()
    {
        Fixture f;
        f.ui.setStatusText(1, QStringLiteral("(0, 0, 643, 972)"));
        f.controller->PrintPreviewItemClick();
        QVERIFY(f.controller->isPreviewShown());
        QVERIFY(!f.window.editingVisible);
        QVERIFY(!f.window.menuPresent);
        QVERIFY(f.bar().isVisible());
        QVERIFY(f.view().isVisible());
        QCOMPARE(f.ui.statusText(1), QString());
        QCOMPARE(f.controller->CurrentPreviewPage, 0);
        QCOMPARE(f.view().geometry(), QRect(175, 16, 282, 400));
        QCOMPARE(f.view().image().size(), QSize(793, 1122));
        QCOMPARE(f.shownAt(75, 75), coordinateColour(0, 0));
        QCOMPARE(f.shownAt(0, 0), qRgb(0, 0, 0));
    }

    void sheetAtTheScreensResolution_data()
    {
        QTest::addColumn<QSize>("dpi");
        QTest::addColumn<QSize>("sheet");  // screen pixels
        QTest::addColumn<QPoint>("cell");  // the margins' corner
        QTest::addColumn<QSize>("cellSize");
        QTest::addColumn<int>("pages");    // of a 1300 x 1900 picture
        QTest::newRow("96") << QSize(96, 96) << QSize(793, 1122) << QPoint(75, 75)
                            << QSize(642, 971) << 6;
        QTest::newRow("120") << QSize(120, 120) << QSize(992, 1403) << QPoint(94, 94)
                             << QSize(803, 1214) << 4;
        QTest::newRow("144") << QSize(144, 144) << QSize(1190, 1683) << QPoint(113, 113)
                             << QSize(963, 1457) << 4;
        QTest::newRow("120 x 144") << QSize(120, 144) << QSize(992, 1683) << QPoint(94, 113)
                                   << QSize(803, 1457) << 4;
    }
    void sheetAtTheScreensResolution()
    {
        QFETCH(QSize, dpi);
        QFETCH(QSize, sheet);
        QFETCH(QPoint, cell);
        QFETCH(QSize, cellSize);
        QFETCH(int, pages);
        QVERIFY(ReadScreenResolution(FakeScreen(dpi)));
        Fixture f(QSize(1300, 1900));
        f.controller->PrintPreviewItemClick();
        QCOMPARE(f.controller->state().layout.pageCount(), pages);
        QCOMPARE(f.view().image().size(), sheet);
        // The sheet is fitted by its millimetres: the same view at any resolution.
        QCOMPARE(f.view().geometry(), QRect(175, 16, 282, 400));
        QCOMPARE(f.shownAt(cell.x(), cell.y()), coordinateColour(0, 0));
        QCOMPARE(f.shownAt(cell.x() - 1, cell.y()), qRgb(255, 255, 255));
        QCOMPARE(f.shownAt(cell.x() + cellSize.width() - 1, cell.y() + cellSize.height() - 1),
                 coordinateColour(cellSize.width() - 1, cellSize.height() - 1));
        QCOMPARE(f.shownAt(cell.x() + cellSize.width(), cell.y()), qRgb(255, 255, 255));
        f.controller->ToolButton_NextClick();
        QCOMPARE(f.shownAt(cell.x(), cell.y()), coordinateColour(cellSize.width(), 0));
    }

    void landscapeSheetInASmallerArea()
    {
        Fixture f;
        f.controller->settings().portrait = false;
        f.controller->settings().paperWidth = 297.0f;
        f.controller->settings().paperHeight = 210.0f;
        f.window.client->resize(600, 400);
        f.controller->PrintPreviewItemClick();
        QCOMPARE(f.view().geometry(), QRect(40, 16, 520, 367));
        QCOMPARE(f.view().image().size(), QSize(1122, 793));
    }

    void browsingFourPages()
    {
        Fixture f;
        f.controller->PrintPreviewItemClick();
        QCOMPARE(f.controller->state().layout.pageCount(), 4);
        QVERIFY(f.bar().SpeedButton_Next->isEnabled());
        QVERIFY(!f.bar().SpeedButton_Prev->isEnabled());

        QTest::mouseClick(f.bar().SpeedButton_Next, Qt::LeftButton);
        QCOMPARE(f.controller->CurrentPreviewPage, 1);
        QCOMPARE(f.shownAt(75, 75), coordinateColour(642, 0)); // top-right cell
        QCOMPARE(f.shownAt(76, 75), qRgb(255, 255, 255));
        QVERIFY(f.bar().SpeedButton_Prev->isEnabled());

        QTest::mouseClick(f.bar().SpeedButton_Next, Qt::LeftButton);
        QCOMPARE(f.shownAt(75, 75), coordinateColour(0, 971)); // bottom-left cell
        QCOMPARE(f.shownAt(75, 76), qRgb(255, 255, 255));

        QTest::mouseClick(f.bar().SpeedButton_Next, Qt::LeftButton);
        QCOMPARE(f.controller->CurrentPreviewPage, 3);
        QVERIFY(!f.bar().SpeedButton_Next->isEnabled());
        QVERIFY(f.bar().SpeedButton_Prev->isEnabled());
        f.controller->ToolButton_NextClick(); // cannot pass the last page
        QCOMPARE(f.controller->CurrentPreviewPage, 3);

        QTest::mouseClick(f.bar().SpeedButton_Prev, Qt::LeftButton);
        QCOMPARE(f.controller->CurrentPreviewPage, 2);
        QCOMPARE(f.shownAt(75, 75), coordinateColour(0, 971));
    }

    void onePageOffersNoBrowsing()
    {
        Fixture f(QSize(640, 480));
        f.controller->PrintPreviewItemClick();
        QVERIFY(!f.bar().SpeedButton_Next->isEnabled());
        QVERIFY(!f.bar().SpeedButton_Prev->isEnabled());
        f.controller->ToolButton_PrevClick();
        QCOMPARE(f.controller->CurrentPreviewPage, 0);
    }

    void acceleratorsWork()
    {
        Fixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window));
        f.controller->PrintPreviewItemClick();
        // A button's accelerator clicks it after a short press animation.
        QTest::keyClick(&f.window, Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(f.controller->CurrentPreviewPage, 1);
        QTest::keyClick(&f.window, Qt::Key_V, Qt::AltModifier);
        QTRY_COMPARE(f.controller->CurrentPreviewPage, 0);
        QTest::keyClick(&f.window, Qt::Key_C, Qt::AltModifier);
        QTRY_VERIFY(!f.controller->isPreviewShown());
    }

    void resizingRefitsTheSamePage()
    {
        Fixture f;
        f.controller->PrintPreviewItemClick();
        f.controller->ToolButton_NextClick();
        f.controller->ToolButton_NextClick();
        f.window.client->resize(900, 1200);
        f.controller->FormResize();
        QCOMPARE(f.controller->CurrentPreviewPage, 2);
        QCOMPARE(f.view().geometry(), PreviewViewRect(QSize(900, 1200), 210.0f, 297.0f));
        QVERIFY(f.view().width() > 282);
        QCOMPARE(f.shownAt(75, 75), coordinateColour(0, 971));
    }

    void sheetFrameAtEverySize_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<QSize>("client");
        for (int dpi : {96, 120, 144}) {
            const QByteArray at = QByteArray::number(dpi) + " dpi, ";
            QTest::newRow(at + "as laid out") << dpi << QSize(632, 432);
            QTest::newRow(at + "small") << dpi << QSize(140, 120);
            QTest::newRow(at + "narrow") << dpi << QSize(300, 900);
            QTest::newRow(at + "larger than the sheet") << dpi << QSize(1400, 1900);
        }
    }
    void sheetFrameAtEverySize()
    {
        QFETCH(int, dpi);
        QFETCH(QSize, client);
        QVERIFY(ReadScreenResolution(FakeScreen(QSize(dpi, dpi))));
        const QRgb red = qRgb(255, 0, 0);
        Fixture f(QSize(643, 972), red);
        f.window.client->resize(client);
        f.controller->PrintPreviewItemClick();
        QVERIFY(f.view().isVisible());
        const QImage shown = f.view().grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), f.view().size());
        const int w = shown.width();
        const int h = shown.height();
        for (int x = 0; x < w; ++x) {
            QCOMPARE(shown.pixel(x, 0), qRgb(0, 0, 0));
            QCOMPARE(shown.pixel(x, h - 1), qRgb(0, 0, 0));
        }
        for (int y = 0; y < h; ++y) {
            QCOMPARE(shown.pixel(0, y), qRgb(0, 0, 0));
            QCOMPARE(shown.pixel(w - 1, y), qRgb(0, 0, 0));
        }
        // Inside, the sheet's own pixels, none blended: white paper and the
        // red cell from the margins on, the sheet's frame where the stretch
        // repeats it.
        const QRgb white = qRgb(255, 255, 255);
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const QRgb c = shown.pixel(x, y);
                if (c != white && c != red && c != qRgb(0, 0, 0))
                    QFAIL(qPrintable(QStringLiteral("(%1, %2) is #%3").arg(x).arg(y).arg(c, 6, 16)));
            }
        QCOMPARE(shown.pixel(w / 2, h / 2), red);
        QCOMPARE(shown.pixel(w / 2, 1 + h / 100), white); // the top margin
    }

    void tooSmallAnAreaShowsNoPage()
    {
        Fixture f;
        f.window.client->resize(30, 400);
        f.controller->PrintPreviewItemClick();
        QVERIFY(f.controller->isPreviewShown());
        QVERIFY(f.view().isHidden());
        f.window.client->resize(632, 432);
        f.controller->FormResize();
        QVERIFY(f.view().isVisible());
    }

    void resizeWhileEditingDoesNothing()
    {
        Fixture f;
        f.controller->FormResize();
        QVERIFY(f.view().isHidden());
        QVERIFY(f.controller->state().PrintPicture.isNull());
    }

    void closingRestoresTheWindow()
    {
        Fixture f;
        f.controller->PrintPreviewItemClick();
        QTest::mouseClick(f.bar().SpeedButton_Close, Qt::LeftButton);
        QVERIFY(!f.controller->isPreviewShown());
        QVERIFY(f.window.editingVisible);
        QVERIFY(f.window.menuPresent);
        QVERIFY(f.bar().isHidden());
        QVERIFY(f.view().isHidden());
        QCOMPARE(f.ui.statusText(1), QStringLiteral("(0, 0, 643, 972)"));
        QVERIFY(f.controller->state().PrintPicture.isNull());
        QVERIFY(f.printer.events.isEmpty());
    }

    void printingFromThePreview()
    {
        Fixture f;
        f.controller->PrintPreviewItemClick();
        f.controller->ToolButton_NextClick();
        QTest::mouseClick(f.bar().SpeedButton_Print, Qt::LeftButton);
        QVERIFY(!f.controller->isPreviewShown());
        QVERIFY(f.window.menuPresent);
        QVERIFY(f.window.editingVisible);
        QCOMPARE(f.window.repaints, 1);
        QCOMPARE(f.ui.statusText(1), QStringLiteral("(0, 0, 643, 972)"));
        QCOMPARE(f.dialog.shown, 1);
        QCOMPARE(f.printer.sheets.size(), size_t(4));
        QVERIFY(f.printer.events.contains(QStringLiteral("title:Zelvane - (無題)")));
    }

    void marginsLeavingNothingKeepTheEditingView()
    {
        Fixture f;
        f.controller->settings().margins[TopMargin] = 150.0f;
        f.controller->settings().margins[BottomMargin] = 150.0f;
        f.controller->PrintPreviewItemClick();
        QCOMPARE(f.log.shown, QStringList{kNoPrintableAreaText});
        QVERIFY(!f.controller->isPreviewShown());
        QVERIFY(f.window.menuPresent);
        QVERIFY(f.bar().isHidden());
    }

    void previewFollowsAChangedPrinter()
    {
        Fixture f;
        QCOMPARE(f.controller->pageSetupDialog().ComboBox1->count(), 1);
        f.printer.device = QStringLiteral("Wide");
        f.printer.devMode.dmPaperSize = 8;
        f.printer.forms[FakePrinter::formsKey(f.printer.device, f.printer.port)] =
            FakePrinter::paperList({{QStringLiteral("A4"), PaperSize{2100, 2970}, 9},
                                    {QStringLiteral("A3"), PaperSize{2970, 4200}, 8}});
        f.printer.portraitSheet.physicalHeight = 9921;
        f.controller->PrintPreviewItemClick();
        QCOMPARE(f.controller->pageSetupDialog().ComboBox1->count(), 2);
        QCOMPARE(f.controller->settings().paperWidth, 297.0f);
        QCOMPARE(f.view().image().size(), QSize(1122, 1587));
    }

    void commandsWaitForARunningJob()
    {
        Fixture f(QSize(800, 600));
        int nested = 0;
        PrintPorts ports;
        ports.printer = &f.printer;
        ports.printDialog = &f.dialog;
        ports.showMessage = f.log.fn();
        PrintController *controller = nullptr;
        ports.pump = [&] {
            ++nested;
            controller->PrintItemClick();
            controller->PrintPreviewItemClick();
        };
        PrintController own(f.scene, f.ui, f.window, ports);
        controller = &own;
        QVERIFY(!own.isPrinting());
        own.PrintItemClick();
        QCOMPARE(nested, 2);
        QCOMPARE(f.dialog.shown, 1);
        QCOMPARE(f.printer.sheets.size(), size_t(2));
        QVERIFY(!own.isPreviewShown());
    }

    void pageSetupCommandUsesTheDialog()
    {
        Fixture f;
        PrintPorts ports;
        ports.printer = &f.printer;
        ports.printDialog = &f.dialog;
        ports.showMessage = f.log.fn();
        ports.showPageSetup = [](TForm3 &dialog) {
            dialog.Working.margins[LeftMargin] = 5.0f;
            return int(QDialog::Accepted);
        };
        PrintController own(f.scene, f.ui, f.window, ports);
        own.PageSetupItemClick();
        QCOMPARE(own.settings().margins[LeftMargin], 5.0f);
    }
};

QTEST_MAIN(PrintPreviewTest)
#include "tst_printpreview.moc"
