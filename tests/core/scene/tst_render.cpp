// Part rendering and scene compositing: the conversion levels, the pixel
// formats a source can come in, nearest-neighbour scaling, transparency,
// clipping and RenderScene, drawn in one band or in several on threads.

#include "Render.h"
#include "SceneTestSupport.h"
#include "WorkerPool.h"

#include <QTest>

#include <atomic>
#include <vector>

using namespace zel;
using namespace zel::test;

namespace {

QImage oneRow(const QList<QRgb> &colours, QImage::Format format = QImage::Format_BGR888)
{
    QImage image(int(colours.size()), 1, format);
    for (int x = 0; x < colours.size(); ++x)
        image.setPixel(x, 0, colours[x]);
    return image;
}

QImage canvasOf(int width, int height, QRgb colour)
{
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(colour);
    return canvas;
}

// The three bytes of a BGR888 pixel, each of which must hold the level.
QString levelProblem(const QImage &dest, int x, int y, int level)
{
    const uchar *p = dest.constScanLine(y) + 3 * x;
    if (p[0] == level && p[1] == level && p[2] == level)
        return {};
    return QStringLiteral("pixel (%1, %2) holds %3 %4 %5, expected %6")
        .arg(x).arg(y).arg(p[0]).arg(p[1]).arg(p[2]).arg(level);
}

// A pixel with the given channel sum, its channels as even as possible.
QRgb withSum(int sum)
{
    const int r = sum / 3;
    const int g = (sum - r) / 2;
    return qRgb(r, g, sum - r - g);
}

int countOf(const QImage &image, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

} // namespace

class RenderTest : public QObject
{
    Q_OBJECT

private slots:
    void monochromeLevel_data();
    void monochromeLevel();
    void grayscaleLevel_data();
    void grayscaleLevel();
    void levelsOverEverySum();
    void conversionKeepsSizeAndSource();
    void nullSourceChangesNothing();

    void sourceFormats_data();
    void sourceFormats();

    void monochromeTakesPrecedence();
    void nearestNeighbourScaling_data();
    void nearestNeighbourScaling();

    void transparencyOverRed_data();
    void transparencyOverRed();
    void opaquePartCoversItsRectangle();

    void clipping_data();
    void clipping();

    void emptySceneIsBackground();
    void lowerIndexCoversHigher();
    void sceneShowsNoFramesAndKeepsDisplayWhite();
    void sceneClipsPartsAndMatchesModel();
    void areasAtEveryScale_data();
    void areasAtEveryScale();
    void framesAreOneDevicePixelWide();
    void bandsDrawTheSamePixels_data();
    void bandsDrawTheSamePixels();
    void piecesRunOnceEach_data();
    void piecesRunOnceEach();
};

void RenderTest::monochromeLevel_data()
{
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<int>("level");
    QTest::newRow("sum 384 (128,128,128) black") << qRgb(128, 128, 128) << 0;
    QTest::newRow("sum 385 black") << qRgb(128, 128, 129) << 0;
    QTest::newRow("sum 386 (128,129,129) white") << qRgb(128, 129, 129) << 255;
    QTest::newRow("sum 386 uneven white") << qRgb(255, 131, 0) << 255;
    QTest::newRow("pure white stays white") << qRgb(255, 255, 255) << 255;
    QTest::newRow("pure black stays black") << qRgb(0, 0, 0) << 0;
    QTest::newRow("pure red black") << qRgb(255, 0, 0) << 0;
    QTest::newRow("yellow white") << qRgb(255, 255, 0) << 255;
}

void RenderTest::monochromeLevel()
{
    QFETCH(QRgb, colour);
    QFETCH(int, level);
    for (QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
        QImage dest;
        MakeMonochrome(dest, oneRow({colour, colour, colour}, format));
        QCOMPARE(dest.format(), QImage::Format_BGR888);
        for (int x = 0; x < 3; ++x)
            QVERIFY2(levelProblem(dest, x, 0, level).isEmpty(),
                     qPrintable(levelProblem(dest, x, 0, level)));
    }
}

void RenderTest::grayscaleLevel_data()
{
    QTest::addColumn<QRgb>("colour");
    QTest::addColumn<int>("level");
    QTest::newRow("pure red 85") << qRgb(255, 0, 0) << 85;
    QTest::newRow("pure green 85") << qRgb(0, 255, 0) << 85;
    QTest::newRow("pure blue 85") << qRgb(0, 0, 255) << 85;
    QTest::newRow("(10,20,31) 20") << qRgb(10, 20, 31) << 20;
    QTest::newRow("white 255") << qRgb(255, 255, 255) << 255;
    QTest::newRow("near white 254") << qRgb(255, 255, 254) << 254;
    QTest::newRow("black 0") << qRgb(0, 0, 0) << 0;
    QTest::newRow("(1,1,0) 0") << qRgb(1, 1, 0) << 0;
}

void RenderTest::grayscaleLevel()
{
    QFETCH(QRgb, colour);
    QFETCH(int, level);
    for (QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32}) {
        QImage dest;
        MakeGrayscale(dest, oneRow({colour, colour}, format));
        QCOMPARE(dest.format(), QImage::Format_BGR888);
        for (int x = 0; x < 2; ++x)
            QVERIFY2(levelProblem(dest, x, 0, level).isEmpty(),
                     qPrintable(levelProblem(dest, x, 0, level)));
    }
}

void RenderTest::levelsOverEverySum()
{
    // One pixel per channel sum 0..765, 766 wide: odd row bytes included.
    QImage source(766, 2, QImage::Format_BGR888);
    for (int s = 0; s <= 765; ++s) {
        source.setPixel(s, 0, withSum(s));
        source.setPixel(s, 1, qRgb(qMin(s, 255), qBound(0, s - 255, 255), qMax(0, s - 510)));
    }
    // Both as converted bitmaps and as drawn parts, from 24 and 32 bits.
    for (const QImage &image : {source, source.convertToFormat(QImage::Format_RGB32)}) {
        QImage mono, gray;
        MakeMonochrome(mono, image);
        MakeGrayscale(gray, image);
        QImage monoDrawn = canvasOf(766, 2, kRed);
        QImage grayDrawn = canvasOf(766, 2, kRed);
        RenderPart(monoDrawn, monoDrawn.rect(), image, true, false, false);
        RenderPart(grayDrawn, grayDrawn.rect(), image, false, true, false);
        for (int y = 0; y < 2; ++y) {
            for (int s = 0; s <= 765; ++s) {
                const int m = s >= 386 ? 255 : 0;
                const QString mp = levelProblem(mono, s, y, m);
                QVERIFY2(mp.isEmpty(), qPrintable(QStringLiteral("monochrome sum %1: ").arg(s) + mp));
                const QString gp = levelProblem(gray, s, y, s / 3);
                QVERIFY2(gp.isEmpty(), qPrintable(QStringLiteral("grayscale sum %1: ").arg(s) + gp));
                QCOMPARE(monoDrawn.pixel(s, y), qRgb(m, m, m));
                QCOMPARE(grayDrawn.pixel(s, y), qRgb(s / 3, s / 3, s / 3));
            }
        }
    }
}

void RenderTest::conversionKeepsSizeAndSource()
{
    const Bitmap source = patternSource(13, 7);
    const QImage before = source.image.copy();
    QImage dest(100, 100, QImage::Format_RGB32);
    MakeGrayscale(dest, source.image);
    QCOMPARE(dest.size(), QSize(13, 7));
    QCOMPARE(dest.format(), QImage::Format_BGR888);
    MakeMonochrome(dest, source.image);
    QCOMPARE(dest.size(), QSize(13, 7));
    QCOMPARE(source.image, before);

    // Converting an image into itself works from the original pixels.
    QImage same = oneRow({qRgb(10, 20, 31), qRgb(128, 129, 129)});
    MakeGrayscale(same, same);
    QVERIFY(levelProblem(same, 0, 0, 20).isEmpty());
    MakeMonochrome(same, same);
    QVERIFY(levelProblem(same, 0, 0, 0).isEmpty());
}

void RenderTest::nullSourceChangesNothing()
{
    QImage dest = oneRow({qRgb(1, 2, 3)});
    const QImage before = dest.copy();
    MakeMonochrome(dest, QImage());
    QCOMPARE(dest, before);
    MakeGrayscale(dest, QImage());
    QCOMPARE(dest, before);

    QImage canvas = canvasOf(4, 4, kRed);
    RenderPart(canvas, QRect(0, 0, 4, 4), QImage(), true, false, false);
    QCOMPARE(countOf(canvas, kRed), 16);
    RenderPart(canvas, QRect(1, 1, 0, 3), patternSource(2, 2).image, false, false, false);
    QCOMPARE(countOf(canvas, kRed), 16);
}

void RenderTest::sourceFormats_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QList<QRgb>>("colours"); // true colours, row by row

    const QList<QRgb> two = {qRgb(200, 10, 10), qRgb(0, 0, 255)};
    QImage mono(13, 2, QImage::Format_Mono); // a width that ends inside a byte
    mono.setColorTable(two);
    QList<QRgb> monoColours;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 13; ++x) {
            const int bit = (x * 5 + y) % 3 == 0;
            mono.setPixel(x, y, uint(bit));
            monoColours << two[bit];
        }
    QTest::newRow("1-bit palette") << mono << monoColours;

    for (int colours : {16, 256}) {
        QList<QRgb> palette;
        for (int i = 0; i < colours; ++i)
            palette << qRgb((i * 47) % 256, (i * 91 + 3) % 256, (255 - i) % 256);
        palette[colours - 1] = kWhiteRgb;
        QImage indexed(7, 3, QImage::Format_Indexed8);
        indexed.setColorTable(palette);
        QList<QRgb> expected;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) {
                const int index = (x * 29 + y * 61) % colours;
                indexed.setPixel(x, y, uint(index));
                expected << palette[index];
            }
        QTest::newRow(colours == 16 ? "4-bit palette" : "8-bit palette") << indexed << expected;
    }

    const QList<QRgb> rgb = {qRgb(1, 2, 3), kWhiteRgb, qRgb(10, 20, 31), qRgb(128, 129, 129),
                             qRgb(254, 255, 255)};
    QTest::newRow("24-bit") << oneRow(rgb, QImage::Format_BGR888) << rgb;

    // The unused fourth byte of 32-bit pixels must not matter.
    QImage rgb32(int(rgb.size()), 1, QImage::Format_RGB32);
    for (int x = 0; x < rgb.size(); ++x)
        reinterpret_cast<quint32 *>(rgb32.scanLine(0))[x] = (rgb[x] & 0xFFFFFFu) | (x % 2 ? 0 : 0x5A000000u);
    QTest::newRow("32-bit with junk high byte") << rgb32 << rgb;

    // 16-bit: five bits a channel, full scale expanding to 255.
    const QList<QRgb> rgb555 = {kWhiteRgb, qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 255)};
    QTest::newRow("16-bit") << oneRow(rgb555, QImage::Format_RGB555) << rgb555;
}

void RenderTest::sourceFormats()
{
    QFETCH(QImage, source);
    QFETCH(QList<QRgb>, colours);
    const int w = source.width();
    const int h = source.height();

    QImage copy = canvasOf(w, h, kRed);
    RenderPart(copy, QRect(0, 0, w, h), source, false, false, false);
    QImage mono, gray;
    MakeMonochrome(mono, source);
    MakeGrayscale(gray, source);
    QCOMPARE(mono.size(), source.size());
    QCOMPARE(gray.size(), source.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb c = colours[y * w + x];
            QCOMPARE(copy.pixel(x, y), c);
            const int sum = qRed(c) + qGreen(c) + qBlue(c);
            QVERIFY2(levelProblem(mono, x, y, sum >= 386 ? 255 : 0).isEmpty(),
                     qPrintable(levelProblem(mono, x, y, sum >= 386 ? 255 : 0)));
            QVERIFY2(levelProblem(gray, x, y, sum / 3).isEmpty(),
                     qPrintable(levelProblem(gray, x, y, sum / 3)));
        }
    }
    // White in any format is see-through, everything else is drawn.
    QImage over = canvasOf(w, h, kRed);
    RenderPart(over, QRect(0, 0, w, h), source, false, false, true);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = colours[y * w + x];
            QCOMPARE(over.pixel(x, y), c == kWhiteRgb ? kRed : c);
        }
}

void RenderTest::monochromeTakesPrecedence()
{
    QRandomGenerator rng(7);
    for (int round = 0; round < 20; ++round) {
        const Bitmap source = randomSource(rng, 9);
        const QRect rect(1, 2, 11, 5);
        for (bool transparent : {false, true}) {
            QImage both = canvasOf(14, 9, kRed);
            QImage monoOnly = both.copy();
            RenderPart(both, rect, source.image, true, true, transparent);
            RenderPart(monoOnly, rect, source.image, true, false, transparent);
            QCOMPARE(both, monoOnly);
            QCOMPARE(both, expectedRender(canvasOf(14, 9, kRed), rect, source.image, true,
                                          false, transparent));
        }
    }
}

void RenderTest::nearestNeighbourScaling_data()
{
    QTest::addColumn<QSize>("sourceSize");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("1:1") << QSize(5, 3) << QRect(0, 0, 5, 3);
    QTest::newRow("double") << QSize(3, 2) << QRect(0, 0, 6, 4);
    QTest::newRow("up, uneven") << QSize(5, 3) << QRect(2, 1, 11, 7);
    QTest::newRow("down, uneven") << QSize(17, 9) << QRect(0, 0, 5, 4);
    QTest::newRow("to one pixel") << QSize(6, 6) << QRect(3, 3, 1, 1);
    QTest::newRow("one pixel stretched") << QSize(1, 1) << QRect(0, 0, 13, 6);
    QTest::newRow("thin to wide") << QSize(1, 9) << QRect(1, 0, 12, 3);
}

void RenderTest::nearestNeighbourScaling()
{
    QFETCH(QSize, sourceSize);
    QFETCH(QRect, rect);
    const Bitmap source = patternSource(sourceSize.width(), sourceSize.height(), 3);
    QImage canvas = canvasOf(16, 12, kRed);
    RenderPart(canvas, rect, source.image, false, false, false);
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            QRgb expected = kRed;
            if (rect.contains(x, y))
                expected = source.image.pixel(
                    nearestSource(x - rect.x(), rect.width(), sourceSize.width()),
                    nearestSource(y - rect.y(), rect.height(), sourceSize.height()));
            QCOMPARE(canvas.pixel(x, y), expected);
        }
    }
    if (rect.size() == 2 * sourceSize) // plain doubling: 2x2 blocks
        QCOMPARE(canvas.copy(rect), source.image.scaled(rect.size()).convertToFormat(QImage::Format_RGB32));
}

void RenderTest::transparencyOverRed_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<bool>("monochrome");
    QTest::addColumn<bool>("grayscale");

    // Columns: white, near white, mid gray below and above the monochrome
    // threshold, a colour; rows alternate the order.
    QImage source(5, 4, QImage::Format_BGR888);
    const QList<QRgb> row = {kWhiteRgb, qRgb(254, 255, 255), qRgb(128, 128, 128),
                             qRgb(128, 129, 129), qRgb(20, 200, 90)};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            source.setPixel(x, y, row[(x + y) % 5]);

    QTest::newRow("1:1") << source << QRect(3, 2, 5, 4) << false << false;
    QTest::newRow("scaled up") << source << QRect(1, 1, 13, 9) << false << false;
    QTest::newRow("scaled down") << source << QRect(2, 2, 3, 3) << false << false;
    QTest::newRow("monochrome: sum >= 386 see-through") << source << QRect(0, 0, 14, 11) << true << false;
    QTest::newRow("grayscale: only pure white see-through") << source << QRect(0, 0, 9, 7) << false << true;
    QTest::newRow("both flags") << source << QRect(1, 0, 7, 11) << true << true;

    QImage indexed(6, 5, QImage::Format_Indexed8);
    indexed.setColorTable({kWhiteRgb, qRgb(0, 0, 128), qRgb(255, 255, 254), qRgb(200, 200, 200)});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x)
            indexed.setPixel(x, y, uint((x * 3 + y) % 4));
    QTest::newRow("palette scaled") << indexed << QRect(2, 1, 11, 7) << false << false;
    QTest::newRow("palette monochrome") << indexed << QRect(0, 0, 16, 12) << true << false;
}

void RenderTest::transparencyOverRed()
{
    QFETCH(QImage, source);
    QFETCH(QRect, rect);
    QFETCH(bool, monochrome);
    QFETCH(bool, grayscale);
    const QImage red = canvasOf(16, 12, kRed);
    QImage canvas = red.copy();
    RenderPart(canvas, rect, source, monochrome, grayscale, true);

    // Independently of the renderer: red exactly where the pixel the scaled
    // position comes from is white after conversion.
    const test::Conversion conversion = conversionFor(monochrome, grayscale);
    int seeThrough = 0, drawn = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            QRgb expected = kRed;
            if (rect.contains(x, y)) {
                const int sx = nearestSource(x - rect.x(), rect.width(), source.width());
                const int sy = nearestSource(y - rect.y(), rect.height(), source.height());
                const QRgb converted = convertColour(trueColour(source, sx, sy), conversion);
                if (converted != kWhiteRgb) {
                    expected = converted;
                    ++drawn;
                } else {
                    ++seeThrough;
                }
            }
            QVERIFY2(canvas.pixel(x, y) == expected,
                     qPrintable(QStringLiteral("(%1, %2): %3, expected %4").arg(x).arg(y)
                                    .arg(canvas.pixel(x, y), 8, 16).arg(expected, 8, 16)));
        }
    }
    QVERIFY(seeThrough > 0);
    QVERIFY(drawn > 0);

    // The same part drawn opaque covers all of its rectangle.
    QImage opaque = red.copy();
    RenderPart(opaque, rect, source, monochrome, grayscale, false);
    QCOMPARE(opaque, expectedRender(red, rect, source, monochrome, grayscale, false));
    QCOMPARE(countOf(opaque.copy(rect & opaque.rect()), kRed), 0);
}

void RenderTest::opaquePartCoversItsRectangle()
{
    QImage canvas = canvasOf(10, 10, kRed);
    RenderPart(canvas, QRect(2, 3, 5, 4), solidSource(3, 3, kWhiteRgb).image, false, false, false);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            QCOMPARE(canvas.pixel(x, y), QRect(2, 3, 5, 4).contains(x, y) ? kWhiteRgb : kRed);
}

void RenderTest::clipping_data()
{
    QTest::addColumn<QRect>("rect");
    QTest::addColumn<QSize>("sourceSize");
    QTest::newRow("negative left and top") << QRect(-4, -3, 9, 7) << QSize(6, 5);
    QTest::newRow("beyond right and bottom") << QRect(8, 6, 9, 8) << QSize(6, 5);
    QTest::newRow("larger than the canvas") << QRect(-5, -5, 30, 25) << QSize(6, 5);
    QTest::newRow("1:1, cut on the left") << QRect(-7, 1, 37, 9) << QSize(37, 9);
    QTest::newRow("1:1, cut on both sides") << QRect(-13, -2, 41, 30) << QSize(41, 30);
    QTest::newRow("1:1, cut on the right") << QRect(3, 3, 29, 4) << QSize(29, 4);
    QTest::newRow("wholly left") << QRect(-9, 2, 9, 4) << QSize(6, 5);
    QTest::newRow("wholly above") << QRect(1, -40, 5, 40) << QSize(6, 5);
    QTest::newRow("wholly right") << QRect(16, 0, 3, 3) << QSize(6, 5);
    QTest::newRow("wholly below") << QRect(0, 12, 12, 3) << QSize(6, 5);
    QTest::newRow("far away") << QRect(-100000, 100000, 50, 50) << QSize(6, 5);
}

void RenderTest::clipping()
{
    QFETCH(QRect, rect);
    QFETCH(QSize, sourceSize);
    // Every format a source comes in, with white pixels among the others.
    QRandomGenerator rng(quint32(sourceSize.width() * 100 + sourceSize.height()));
    QImage bgr = patternSource(sourceSize.width(), sourceSize.height(), 9).image;
    for (int i = 0; i < bgr.width() * bgr.height() / 4; ++i)
        bgr.setPixel(rng.bounded(bgr.width()), rng.bounded(bgr.height()), kWhiteRgb);
    QImage mono(sourceSize, QImage::Format_Mono);
    mono.setColorTable({kWhiteRgb, qRgb(9, 90, 9)});
    for (int y = 0; y < mono.height(); ++y)
        for (int x = 0; x < mono.width(); ++x)
            mono.setPixel(x, y, uint((x * 7 + y) % 3 == 0));
    const QImage sources[] = {bgr, bgr.convertToFormat(QImage::Format_RGB32),
                              bgr.convertToFormat(QImage::Format_RGB555), mono,
                              bgr.convertToFormat(QImage::Format_Indexed8)};

    const QImage red = canvasOf(16, 12, kRed);
    for (const QImage &source : sources) {
        for (int flags = 0; flags < 8; ++flags) {
            const bool transparent = flags & 1, monochrome = flags & 2, grayscale = flags & 4;
            QImage canvas = red.copy();
            RenderPart(canvas, rect, source, monochrome, grayscale, transparent);
            QVERIFY2(canvas == expectedRender(red, rect, source, monochrome, grayscale, transparent),
                     qPrintable(QStringLiteral("format %1, flags %2").arg(source.format()).arg(flags)));
            if (!rect.intersects(red.rect()))
                QCOMPARE(canvas, red);
        }
    }
}

void RenderTest::emptySceneIsBackground()
{
    UiState ui;
    Scene scene(ui);
    QImage picture = RenderScene(scene);
    QCOMPARE(picture.size(), QSize(514, 386));
    QCOMPARE(countOf(picture, kWhiteRgb), 514 * 386);

    scene.setBackgroundSize(QSize(37, 23));
    scene.setBackgroundColour(0x00123456); // 0x00BBGGRR
    picture = RenderScene(scene);
    QCOMPARE(picture.size(), QSize(37, 23));
    QCOMPARE(countOf(picture, qRgb(0x56, 0x34, 0x12)), 37 * 23);
}

void RenderTest::lowerIndexCoversHigher()
{
    UiState ui;
    Scene scene(ui);
    scene.setBackgroundSize(QSize(20, 20));
    scene.InsertPart(2, 2, 10, 10, solidSource(1, 1, qRgb(0, 0, 200)), 0, 0, 0);   // ends at 1
    scene.InsertPart(6, 6, 10, 10, solidSource(1, 1, qRgb(0, 200, 0)), 0, 0, 0);   // index 0
    QImage picture = RenderScene(scene);
    QCOMPARE(picture.pixel(3, 3), qRgb(0, 0, 200));
    QCOMPARE(picture.pixel(8, 8), qRgb(0, 200, 0));   // overlap: index 0 in front
    QCOMPARE(picture.pixel(15, 15), qRgb(0, 200, 0));
    QCOMPARE(picture.pixel(0, 0), kWhiteRgb);

    scene.MovePart(1, 0);
    picture = RenderScene(scene);
    QCOMPARE(picture.pixel(8, 8), qRgb(0, 0, 200));
    QCOMPARE(picture.pixel(15, 15), qRgb(0, 200, 0));
}

void RenderTest::sceneShowsNoFramesAndKeepsDisplayWhite()
{
    UiState ui;
    Scene scene(ui);
    scene.setBackgroundSize(QSize(60, 40));
    scene.setBackgroundColour(0x000000FF); // red
    QImage half(8, 8, QImage::Format_BGR888);
    half.fill(Qt::white);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 4; ++x)
            half.setPixel(x, y, qRgb(30, 60, 90));
    scene.InsertPart(5, 5, 24, 16, Bitmap::fromImage(half), 0, 0, 1);
    scene.InsertPart(20, 10, 30, 20, patternSource(7, 4, 5), 0, 0, 0);
    scene.InsertPart(-3, 30, 40, 20, Bitmap::fromImage(half), 0, 0, 1);

    // The transparent part's display bitmap still holds its white pixels.
    const QImage display = displayBitmap(scene.part(0));
    QCOMPARE(display.pixel(30, 10), kWhiteRgb);
    QCOMPARE(display.pixel(0, 0), kAqua);
    QCOMPARE(displayBitmap(scene.part(1)).pixel(0, 0), kNavy);

    const QImage picture = RenderScene(scene);
    QCOMPARE(picture.format(), QImage::Format_RGB32);
    QCOMPARE(countOf(picture, kAqua), 0);
    QCOMPARE(countOf(picture, kNavy), 0);
    QCOMPARE(picture, expectedScene(scene));
    QCOMPARE(picture.pixel(25, 36), kRed);          // white of the top part, see-through
    QCOMPARE(picture.pixel(0, 36), qRgb(30, 60, 90));
}

void RenderTest::sceneClipsPartsAndMatchesModel()
{
    QRandomGenerator rng(11);
    for (int round = 0; round < 12; ++round) {
        UiState ui;
        Scene scene(ui);
        scene.setBackgroundSize(QSize(20 + rng.bounded(30), 20 + rng.bounded(30)));
        scene.setBackgroundColour(rng.generate() & 0xFFFFFFu);
        const int parts = rng.bounded(7);
        for (int i = 0; i < parts; ++i) {
            const Bitmap source = randomSource(rng, 12);
            scene.InsertPart(rng.bounded(-30, 60), rng.bounded(-30, 60), 1 + rng.bounded(40),
                             1 + rng.bounded(40), source, rng.bounded(3) == 0 ? -1 : 0,
                             rng.bounded(2), rng.bounded(2));
        }
        const QImage picture = RenderScene(scene);
        QCOMPARE(picture.size(), scene.backgroundSize());
        QCOMPARE(picture, expectedScene(scene));
    }
}

void RenderTest::areasAtEveryScale_data()
{
    QTest::addColumn<qint64>("num");
    QTest::addColumn<qint64>("den");
    for (const auto &[num, den] : std::vector<std::pair<qint64, qint64>>{
             {1, 8}, {1, 3}, {2, 3}, {1, 1}, {3, 2}, {3, 1}, {8, 1}, {600, 96}, {300, 120}})
        QTest::newRow(qPrintable(QStringLiteral("%1/%2").arg(num).arg(den))) << num << den;
}

// Any area at any scale is what sampling every part at the centre of each
// device pixel gives: unscaled parts in blocks, scaled ones with their
// source's detail, the background clipping, outside left as given.
void RenderTest::areasAtEveryScale()
{
    QFETCH(qint64, num);
    QFETCH(qint64, den);
    QRandomGenerator rng(quint32(num * 131 + den));
    for (int round = 0; round < 6; ++round) {
        UiState ui;
        Scene scene(ui);
        scene.setBackgroundSize(QSize(10 + rng.bounded(40), 10 + rng.bounded(40)));
        scene.setBackgroundColour(rng.generate() & 0xFFFFFFu);
        for (int i = 0; i < 1 + rng.bounded(6); ++i) {
            const Bitmap source = randomSource(rng, 24);
            const bool unscaled = rng.bounded(2) == 0;
            scene.InsertPart(rng.bounded(-20, 40), rng.bounded(-20, 40),
                             unscaled ? source.width() : 1 + rng.bounded(50),
                             unscaled ? source.height() : 1 + rng.bounded(50), source,
                             rng.bounded(4) == 0 ? -1 : 0, rng.bounded(3) == 0, rng.bounded(2));
        }
        const RenderScale scale = RenderScale::of(num, den);
        const QPoint origin(rng.bounded(-5, 20), rng.bounded(-5, 20));
        const QRect device(rng.bounded(-30, 30), rng.bounded(-30, 30), 1 + rng.bounded(90),
                           1 + rng.bounded(90));
        QImage canvas(device.size(), QImage::Format_RGB32);
        RenderPicture(canvas, pictureOf(scene), RenderArea{device, scale, origin}, kRed,
                      1 + rng.bounded(5));
        const QImage expected = expectedArea(scene, device, scale.num, scale.den, origin, kRed);
        QVERIFY2(canvas == expected, qPrintable(QStringLiteral("round %1").arg(round)));
    }
}

void RenderTest::framesAreOneDevicePixelWide()
{
    UiState ui;
    Scene scene(ui);
    scene.setBackgroundSize(QSize(40, 30));
    scene.InsertPart(2, 3, 10, 5, solidSource(10, 5, kRed), 0, 0, 0);
    scene.InsertPart(20, 3, 4, 4, solidSource(2, 2, kRed), 0, 0, 0);
    for (const qint64 num : {1, 3, 8}) {
        QImage canvas(40 * int(num), 30 * int(num), QImage::Format_RGB32);
        RenderPicture(canvas, viewsOf(scene), RenderArea{canvas.rect(), {num, 1}, {}}, kWhiteRgb);
        // The frames along the outlines only: dashed aqua around the top
        // part, dotted navy around the other, its pattern clockwise from
        // the corner; inside and outside nothing but the parts' red and
        // the background.
        const QRect selected(20 * int(num), 3 * int(num), 4 * int(num), 4 * int(num));
        const QRect other(2 * int(num), 3 * int(num), 10 * int(num), 5 * int(num));
        const std::vector<bool> dashed = framePattern(canvas.copy(selected), kAqua);
        const std::vector<bool> dotted = framePattern(canvas.copy(other), kNavy);
        for (size_t i = 0; i < dashed.size(); ++i)
            QCOMPARE(dashed[i], i % 24 < 18);
        for (size_t i = 0; i < dotted.size(); ++i)
            QCOMPARE(dotted[i], i % 6 < 3);
        QCOMPARE(countOf(canvas, kAqua) + countOf(canvas, kNavy),
                 qsizetype(std::count(dashed.begin(), dashed.end(), true)
                           + std::count(dotted.begin(), dotted.end(), true)));
        QCOMPARE(canvas.pixel(selected.left() + 1, selected.top() + 1), kRed);
    }
    // Far out, a selected part smaller than a screen pixel is still seen: one
    // pixel of frame where it lies.
    QImage small(5, 4, QImage::Format_RGB32);
    RenderPicture(small, viewsOf(scene), RenderArea{small.rect(), {1, 8}, {}}, kWhiteRgb);
    QCOMPARE(small.pixel(2, 0), kAqua); // the 4 x 4 part at (20, 3)
    QCOMPARE(countOf(small, kAqua), 1);
}

void RenderTest::bandsDrawTheSamePixels_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("parts");
    QTest::addColumn<bool>("checkModel"); // the pixel model is slow on large pictures
    QTest::newRow("1 x 1") << QSize(1, 1) << 3 << true;
    QTest::newRow("150 x 2, fewer rows than some band counts") << QSize(150, 2) << 6 << true;
    QTest::newRow("3 x 200, tall") << QSize(3, 200) << 6 << true;
    QTest::newRow("61 x 47") << QSize(61, 47) << 9 << true;
    QTest::newRow("257 x 129") << QSize(257, 129) << 12 << true;
    QTest::newRow("640 x 480, threaded by default") << QSize(640, 480) << 20 << false;
}

void RenderTest::bandsDrawTheSamePixels()
{
    QFETCH(QSize, size);
    QFETCH(int, parts);
    QFETCH(bool, checkModel);
    QRandomGenerator rng(quint32(size.width() * 7919 + size.height()));
    UiState ui;
    Scene scene(ui);
    scene.setBackgroundSize(size);
    scene.setBackgroundColour(rng.generate() & 0xFFFFFFu);
    for (int i = 0; i < parts; ++i) {
        // Parts of every format, some stretched, many reaching past the edges.
        const Bitmap source = randomSource(rng, 40);
        const int width = 1 + rng.bounded(size.width() + 20);
        const int height = 1 + rng.bounded(size.height() + 20);
        scene.InsertPart(rng.bounded(-20, size.width()), rng.bounded(-20, size.height()), width,
                         height, source, rng.bounded(4) == 0 ? -1 : 0, rng.bounded(3) == 0,
                         rng.bounded(2));
    }
    const QImage single = RenderScene(scene, 1);
    QCOMPARE(single.size(), size);
    if (checkModel)
        QCOMPARE(single, expectedScene(scene));
    for (int bands : {2, 3, 4, 5, 8, 13, size.height(), size.height() + 7})
        QVERIFY2(RenderScene(scene, bands) == single, qPrintable(QStringLiteral("%1 bands").arg(bands)));
    QVERIFY(RenderScene(scene) == single);
    // Band by band for a writer: the same rows, whatever the band height.
    RenderedRows rows(pictureOf(scene));
    QCOMPARE(rows.size(), size);
    for (const int band : {1, 7, size.height()})
        for (int top = 0; top < size.height(); top += band) {
            const int count = std::min(band, size.height() - top);
            QVERIFY(rows.rows(top, count) == single.copy(0, top, size.width(), count));
        }
    if (qint64(size.width()) * size.height() >= 640 * 480 && workerCount() > 1)
        QVERIFY(renderBandsFor(size) > 1);

    // Laid one at a time, each given as a copy that is gone as soon as it
    // is handed over.
    PictureComposer composer(size, scene.backgroundColour());
    for (int i = scene.count() - 1; i >= 0; --i) {
        const ScenePart &part = scene.part(i);
        composer.add(part.Image->bounds(), part.Source.image.copy(), part.Monochrome != 0,
                     part.Grayscale != 0, part.Transparent != 0);
    }
    QVERIFY(composer.picture() == single);
}

void RenderTest::piecesRunOnceEach_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("as many as workers") << workerCount();
    QTest::newRow("many") << 1000;
}

void RenderTest::piecesRunOnceEach()
{
    QFETCH(int, count);
    std::vector<std::atomic<int>> runs(size_t(count) * 4);
    // Each piece runs four pieces of its own: a call from inside a piece
    // must not wait for helpers that are busy with the outer call.
    runInPieces(count, [&](int outer) {
        runInPieces(4, [&](int inner) { runs[size_t(outer) * 4 + size_t(inner)].fetch_add(1); });
    });
    for (size_t i = 0; i < runs.size(); ++i)
        QVERIFY2(runs[i].load() == 1, qPrintable(QStringLiteral("piece %1 ran %2 times").arg(i).arg(runs[i].load())));
}

QTEST_GUILESS_MAIN(RenderTest)
#include "tst_render.moc"
