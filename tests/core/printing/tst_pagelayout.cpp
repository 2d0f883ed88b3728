// Cutting the picture into pages, composing a page, and the preview's sheet
// and its place in the window.

#include "PageLayout.h"
#include "ScreenResolution.h"

#include "FakePrinter.h"

#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {


} // namespace

class PageLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        ScreenDpiX = 96;
        ScreenDpiY = 96;
    }

    void a4WithTwentyMillimetreMargins()
    {
        const PageSettings settings;
        const auto layout = LayoutForPicture(settings, QSize(640, 480));
        QVERIFY(layout);
        QCOMPARE(layout->cellWidth, 642);
        QCOMPARE(layout->cellHeight, 971);
        QCOMPARE(PageBitmapSize(settings), QSize(793, 1122));
        QCOMPARE(PageTargetRect(settings, *layout), QRect(75, 75, 642, 971));
    }

    void pagesForPicture_data()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("across");
        QTest::addColumn<int>("down");
        QTest::newRow("640 x 480") << QSize(640, 480) << 1 << 1;
        QTest::newRow("642 x 971, 169.86 mm of 170") << QSize(642, 971) << 1 << 1;
        QTest::newRow("643 x 972") << QSize(643, 972) << 2 << 2;
        QTest::newRow("800 x 600") << QSize(800, 600) << 2 << 1;
        QTest::newRow("2048 x 2048") << QSize(2048, 2048) << 4 << 3;
        QTest::newRow("1 x 1") << QSize(1, 1) << 1 << 1;
    }
    void pagesForPicture()
    {
        QFETCH(QSize, picture);
        QFETCH(int, across);
        QFETCH(int, down);
        const auto layout = LayoutForPicture(PageSettings(), picture);
        QVERIFY(layout);
        QCOMPARE(layout->pagesAcross, across);
        QCOMPARE(layout->pagesDown, down);
        QCOMPARE(layout->pageCount(), across * down);
    }

    void cellsRunAlongRowsThenDown()
    {
        const auto layout = LayoutForPicture(PageSettings(), QSize(643, 972));
        QVERIFY(layout);
        QCOMPARE(PageCellRect(*layout, 0), QRect(0, 0, 642, 971));
        QCOMPARE(PageCellRect(*layout, 1), QRect(642, 0, 642, 971));
        QCOMPARE(PageCellRect(*layout, 2), QRect(0, 971, 642, 971));
        QCOMPARE(PageCellRect(*layout, 3), QRect(642, 971, 642, 971));
    }

    void noPrintableAreaIsRefused_data()
    {
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("right");
        QTest::addColumn<float>("top");
        QTest::addColumn<float>("bottom");
        QTest::newRow("width used up") << 105.0f << 105.0f << 20.0f << 20.0f;
        QTest::newRow("width overrun") << 200.0f << 20.0f << 20.0f << 20.0f;
        QTest::newRow("height used up") << 20.0f << 20.0f << 150.0f << 147.0f;
        QTest::newRow("less than a pixel across") << 104.9f << 104.9f << 20.0f << 20.0f;
    }
    void noPrintableAreaIsRefused()
    {
        QFETCH(float, left);
        QFETCH(float, right);
        QFETCH(float, top);
        QFETCH(float, bottom);
        PageSettings settings;
        settings.margins = {left, right, top, bottom};
        QVERIFY(!LayoutForPicture(settings, QSize(640, 480)));
    }

    void thinCellsStillCountPages()
    {
        PageSettings settings;
        settings.margins = {104.7f, 104.7f, 20.0f, 20.0f}; // 0.6 mm: two pixels
        const auto layout = LayoutForPicture(settings, QSize(10, 10));
        QVERIFY(layout);
        QCOMPARE(layout->cellWidth, 2);
        QCOMPARE(layout->pagesAcross, 5);
    }

    void pageHoldsTheCellAtTheMargins()
    {
        const QImage picture = coordinatePicture(643, 972);
        const auto layout = LayoutForPicture(PageSettings(), picture.size());
        QVERIFY(layout);
        QImage page;

        page = RenderPreviewSheet(PageSettings(), picture, *layout, 0);
        QCOMPARE(page.pixel(75, 75), coordinateColour(0, 0));
        QCOMPARE(page.pixel(75 + 641, 75 + 970), coordinateColour(641, 970));
        QCOMPARE(page.pixel(74, 75), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(75, 74), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(75 + 642, 75), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(791, 1120), qRgb(255, 255, 255));

        // Page 2 (index 1): one picture column at its left edge.
        page = RenderPreviewSheet(PageSettings(), picture, *layout, 1);
        for (int y : {75, 500, 75 + 970})
            QCOMPARE(page.pixel(75, y), coordinateColour(642, y - 75));
        QCOMPARE(page.pixel(76, 75), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(75, 75 + 971), qRgb(255, 255, 255));

        // Page 3 (index 2): one picture row at its top.
        page = RenderPreviewSheet(PageSettings(), picture, *layout, 2);
        QCOMPARE(page.pixel(75, 75), coordinateColour(0, 971));
        QCOMPARE(page.pixel(75 + 641, 75), coordinateColour(641, 971));
        QCOMPARE(page.pixel(75, 76), qRgb(255, 255, 255));

        // Page 4 (index 3): the one corner pixel.
        page = RenderPreviewSheet(PageSettings(), picture, *layout, 3);
        QCOMPARE(page.pixel(75, 75), coordinateColour(642, 971));
        QCOMPARE(page.pixel(76, 75), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(75, 76), qRgb(255, 255, 255));
    }

    void secondPageOfAWidePicture()
    {
        const QImage picture = coordinatePicture(800, 600);
        const auto layout = LayoutForPicture(PageSettings(), picture.size());
        QVERIFY(layout);
        const QImage page = RenderPreviewSheet(PageSettings(), picture, *layout, 1);
        QCOMPARE(page.pixel(75, 75), coordinateColour(642, 0));
        QCOMPARE(page.pixel(75 + 157, 75 + 599), coordinateColour(799, 599));
        QCOMPARE(page.pixel(75 + 158, 75), qRgb(255, 255, 255));
        QCOMPARE(page.pixel(75, 75 + 600), qRgb(255, 255, 255));
    }

    void previewSheetHasFrameAndCell()
    {
        const PageSettings settings;
        const QImage picture = coordinatePicture(800, 600);
        const auto layout = LayoutForPicture(settings, picture.size());
        QVERIFY(layout);
        const QImage sheet = RenderPreviewSheet(settings, picture, *layout, 0);
        QCOMPARE(sheet.size(), QSize(793, 1122));
        const QRgb black = qRgb(0, 0, 0);
        const QRgb white = qRgb(255, 255, 255);
        for (const QPoint &p : {QPoint(0, 0), QPoint(792, 0), QPoint(0, 1121), QPoint(792, 1121),
                                QPoint(400, 0), QPoint(0, 600), QPoint(792, 600),
                                QPoint(400, 1121)})
            QCOMPARE(sheet.pixel(p), black);
        QCOMPARE(sheet.pixel(1, 1), white);
        QCOMPARE(sheet.pixel(791, 1120), white);
        QCOMPARE(sheet.pixel(75, 75), coordinateColour(0, 0));
        QCOMPARE(sheet.pixel(75 + 641, 75 + 599), coordinateColour(641, 599));
        QCOMPARE(sheet.pixel(75, 75 + 600), white);
    }

    void previewCellIsDrawnOverTheFrame()
    {
        PageSettings settings;
        settings.margins = {0.0f, 20.0f, 0.0f, 20.0f};
        const QImage picture = coordinatePicture(50, 50);
        const auto layout = LayoutForPicture(settings, picture.size());
        QVERIFY(layout);
        const QImage sheet = RenderPreviewSheet(settings, picture, *layout, 0);
        QCOMPARE(sheet.pixel(0, 0), coordinateColour(0, 0));
        QCOMPARE(sheet.pixel(0, 60), qRgb(0, 0, 0));
    }

    void previewViewPlace_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<float>("paperWidth");
        QTest::addColumn<float>("paperHeight");
        QTest::addColumn<QRect>("view");
        QTest::newRow("A4 portrait") << QSize(632, 432) << 210.0f << 297.0f
                                     << QRect(175, 16, 282, 400);
        QTest::newRow("A4 landscape, 368 falls to 367")
            << QSize(600, 400) << 297.0f << 210.0f << QRect(40, 16, 520, 367);
        QTest::newRow("width limits") << QSize(242, 1000) << 210.0f << 297.0f
                                      << QRect(16, 351, 210, 297);
        QTest::newRow("equal scales") << QSize(242, 329) << 210.0f << 297.0f
                                      << QRect(16, 16, 210, 297);
    }
    void previewViewPlace()
    {
        QFETCH(QSize, client);
        QFETCH(float, paperWidth);
        QFETCH(float, paperHeight);
        QFETCH(QRect, view);
        QCOMPARE(PreviewViewRect(client, paperWidth, paperHeight), view);
    }

    void previewInATinyAreaHasNoPositiveSize_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::newRow("32 wide") << QSize(32, 400);
        QTest::newRow("20 high") << QSize(600, 20);
        QTest::newRow("empty") << QSize(0, 0);
    }
    void previewInATinyAreaHasNoPositiveSize()
    {
        QFETCH(QSize, client);
        const QRect view = PreviewViewRect(client, 210.0f, 297.0f);
        QVERIFY(view.width() <= 0 || view.height() <= 0);
    }
};

QTEST_GUILESS_MAIN(PageLayoutTest)
#include "tst_pagelayout.moc"
