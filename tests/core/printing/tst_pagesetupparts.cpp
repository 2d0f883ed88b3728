// The page setup dialog's pieces without the dialog: margin texts read and
// written in the locale's format, and the page miniature.

#include "MarginText.h"
#include "PageMiniature.h"

#include <QTest>

using namespace zel;

namespace {

constexpr QRgb kWorkspace = 0xFFABABABu;
constexpr QRgb kGray = 0xFF808080u;
constexpr QRgb kBlack = 0xFF000000u;
constexpr QRgb kWhite = 0xFFFFFFFFu;

} // namespace

class PageSetupPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void formatting_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 20.0 << "C" << "20mm";
        QTest::newRow("rounded up at the third decimal") << 12.345 << "C" << "12.35mm";
        QTest::newRow("float 12.345") << double(12.345f) << "C" << "12.35mm";
        QTest::newRow("1.005 as typed") << 1.005 << "C" << "1.01mm";
        QTest::newRow("rounded down") << 12.344 << "C" << "12.34mm";
        QTest::newRow("trailing zero dropped") << 12.5 << "C" << "12.5mm";
        QTest::newRow("rounds to whole") << 9.999 << "C" << "10mm";
        QTest::newRow("below one") << 0.5 << "C" << "0.5mm";
        QTest::newRow("rounds to nothing") << 0.004 << "C" << "0mm";
        QTest::newRow("rounds to a hundredth") << 0.005 << "C" << "0.01mm";
        QTest::newRow("no grouping") << 12345.678 << "C" << "12345.68mm";
        QTest::newRow("huge") << 1e20 << "C" << "100000000000000000000mm";
        QTest::newRow("decimal comma") << 12.345 << "de_DE" << "12,35mm";
        QTest::newRow("no grouping with comma") << 1234.5 << "de_DE" << "1234,5mm";
        QTest::newRow("Japanese") << 12.25 << "ja_JP" << "12.25mm";
    }
    void formatting()
    {
        QFETCH(double, value);
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QCOMPARE(FormatMarginText(value, QLocale(locale)), text);
    }

    void parsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("with unit") << "15mm" << "C" << true << 15.0;
        QTest::newRow("bare") << "15" << "C" << true << 15.0;
        QTest::newRow("text after the unit") << "15mmX" << "C" << true << 15.0;
        QTest::newRow("decimals") << "12.345" << "C" << true << 12.345;
        QTest::newRow("spaces") << " 7 " << "C" << true << 7.0;
        QTest::newRow("zero reads") << "0" << "C" << true << 0.0;
        QTest::newRow("negative reads") << "-5" << "C" << true << -5.0;
        QTest::newRow("upper-case unit") << "12MM" << "C" << false << 0.0;
        QTest::newRow("letters") << "abc" << "C" << false << 0.0;
        QTest::newRow("empty") << "" << "C" << false << 0.0;
        QTest::newRow("unit only") << "mm" << "C" << false << 0.0;
        QTest::newRow("grouping") << "1,000" << "C" << false << 0.0;
        QTest::newRow("infinite") << "inf" << "C" << false << 0.0;
        QTest::newRow("too large") << "1e999" << "C" << false << 0.0;
        QTest::newRow("comma locale") << "12,5mm" << "de_DE" << true << 12.5;
        QTest::newRow("point in comma locale") << "12.5" << "de_DE" << false << 0.0;
    }
    void parsing()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> read = ParseMarginText(text, QLocale(locale));
        QCOMPARE(read.has_value(), valid);
        if (valid)
            QCOMPARE(*read, value);
    }

    void miniatureSize_data()
    {
        QTest::addColumn<float>("width");
        QTest::addColumn<float>("height");
        QTest::addColumn<QSize>("size");
        QTest::newRow("A4 portrait") << 210.0f << 297.0f << QSize(91, 128);
        QTest::newRow("A4 landscape") << 297.0f << 210.0f << QSize(128, 91);
        // 129/100 held as a float is a shade under 1.29.
        QTest::newRow("square") << 100.0f << 100.0f << QSize(128, 128);
        QTest::newRow("Letter") << 215.9f << 279.4f << QSize(99, 128);
        QTest::newRow("long side of 129 mm") << 64.5f << 129.0f << QSize(64, 129);
    }
    void miniatureSize()
    {
        QFETCH(float, width);
        QFETCH(float, height);
        QFETCH(QSize, size);
        const QImage image = RenderPageMiniature(width, height, {20, 20, 20, 20}, 129, kWorkspace);
        QCOMPARE(image.size(), size);
    }

    void miniatureDrawsSheetAndPrintableArea()
    {
        const QImage image = RenderPageMiniature(210.0f, 297.0f, {20, 20, 20, 20}, 129, kWorkspace);
        QCOMPARE(image.size(), QSize(91, 128));
        // The sheet: frame on the outermost pixels, white paper inside.
        for (const QPoint &p : {QPoint(0, 0), QPoint(90, 0), QPoint(0, 127), QPoint(90, 127),
                                QPoint(45, 0), QPoint(45, 127), QPoint(0, 60), QPoint(90, 60)})
            QCOMPARE(image.pixel(p), kBlack);
        QCOMPARE(image.pixel(1, 1), kWhite);
        QCOMPARE(image.pixel(7, 7), kWhite);
        QCOMPARE(image.pixel(82, 120), kWhite);
        // The printable area spans (8, 8) up to but not including (82, 120).
        // Its outline: three dots on, three off, starting at the corner.
        QCOMPARE(image.pixel(8, 8), kGray);
        QCOMPARE(image.pixel(10, 8), kGray);
        QCOMPARE(image.pixel(11, 8), kWorkspace);
        QCOMPARE(image.pixel(13, 8), kWorkspace);
        QCOMPARE(image.pixel(14, 8), kGray);
        // The pattern runs on round the corner: (81, 8) is step 73, so two
        // more dots follow down the right side before the next gap.
        QCOMPARE(image.pixel(81, 8), kGray);
        QCOMPARE(image.pixel(81, 9), kGray);
        QCOMPARE(image.pixel(81, 10), kWorkspace);
        QCOMPARE(image.pixel(40, 60), kWorkspace);
        QCOMPARE(image.pixel(82, 60), kWhite);
        QCOMPARE(image.pixel(40, 120), kWhite);
        int outline = 0;
        for (int x = 8; x < 82; ++x)
            outline += image.pixel(x, 8) == kGray;
        QCOMPARE(outline, 38); // 74 pixels: 12 full periods and 2 more dots
    }

    void miniatureFollowsTheMargins()
    {
        const QImage image = RenderPageMiniature(210.0f, 297.0f, {40, 10, 5, 30}, 129, kWorkspace);
        // left 40 -> 17, top 5 -> 2, right (210 - 10) -> 86, bottom (297 - 30) -> 115
        QCOMPARE(image.pixel(16, 50), kWhite);
        QCOMPARE(image.pixel(17, 2), kGray);
        QCOMPARE(image.pixel(18, 50), kWorkspace);
        QCOMPARE(image.pixel(86, 50), kWhite);
        QCOMPARE(image.pixel(50, 1), kWhite);
        QCOMPARE(image.pixel(50, 115), kWhite);
        QCOMPARE(image.pixel(50, 113), kWorkspace);
    }

    void miniatureWithoutPrintableAreaIsJustTheSheet()
    {
        const QImage image = RenderPageMiniature(210.0f, 297.0f, {120, 120, 20, 20}, 129, kWorkspace);
        QCOMPARE(image.size(), QSize(91, 128));
        int nonWhiteInside = 0;
        for (int y = 1; y < 127; ++y)
            for (int x = 1; x < 90; ++x)
                nonWhiteInside += image.pixel(x, y) != kWhite;
        QCOMPARE(nonWhiteInside, 0);
    }
};

QTEST_GUILESS_MAIN(PageSetupPartsTest)
#include "tst_pagesetupparts.moc"
