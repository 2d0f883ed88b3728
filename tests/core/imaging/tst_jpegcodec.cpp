#include "JpegFixtures.h"

#include "imaging/JpegCodec.h"

#include <QBuffer>
#include <QtTest>

using namespace zel;

namespace {

// The picture turned as an EXIF Orientation says, by Qt's own transforms.
QImage turned(const QImage &picture, int orientation)
{
    const QImage cw = picture.transformed(QTransform().rotate(90));
    switch (orientation) {
    case 2: return picture.mirrored(true, false);
    case 3: return picture.mirrored(true, true);
    case 4: return picture.mirrored(false, true);
    case 5: return cw.mirrored(true, false);
    case 6: return cw;
    case 7: return cw.mirrored(false, true);
    case 8: return picture.transformed(QTransform().rotate(270));
    default: return picture;
    }
}

// The largest difference of any channel of any pixel.
int maxDifference(const QImage &a, const QImage &b)
{
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q))});
        }
    return worst;
}

// The largest difference of the mean of any channel.
double meanDifference(const QImage &a, const QImage &b)
{
    double sum[3] = {0, 0, 0};
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum[0] += qRed(p) - qRed(q);
            sum[1] += qGreen(p) - qGreen(q);
            sum[2] += qBlue(p) - qBlue(q);
        }
    const double n = double(a.width()) * a.height();
    return std::max({std::abs(sum[0]), std::abs(sum[1]), std::abs(sum[2])}) / n;
}

QImage grayOf(const QImage &picture)
{
    QImage gray(picture.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            const int v = (qRed(p) + qGreen(p) + qBlue(p)) / 3;
            gray.setPixel(x, y, qRgb(v, v, v));
        }
    return gray;
}

// Four flat quadrants: a palette of 236 colours holds them closely.
QImage quadrants()
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(qRgb(200, 30, 40));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (x >= 16 || y >= 16)
                image.setPixel(x, y, x >= 16 && y >= 16 ? qRgb(20, 40, 180)
                                     : x >= 16          ? qRgb(30, 160, 60)
                                                        : qRgb(230, 230, 200));
    return image;
}

QByteArray encoded(const QImage &picture)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!encodeJpeg(buffer, picture, &error))
        qWarning() << error;
    return buffer.data();
}

// The bytes of every segment with the given marker, after its length, up to
// the first scan.
QList<QByteArray> segments(const QByteArray &jpeg, uchar marker)
{
    QList<QByteArray> found;
    int i = 2;
    while (i + 4 <= jpeg.size() && uchar(jpeg[i]) == 0xFF) {
        const int length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
        if (uchar(jpeg[i + 1]) == marker)
            found.append(jpeg.mid(i + 4, length - 2));
        if (uchar(jpeg[i + 1]) == 0xDA)
            break;
        i += 2 + length;
    }
    return found;
}

} // namespace

class TestJpegCodec : public QObject
{
    Q_OBJECT
private slots:
    void decodesColourTo24Bit_data();
    void decodesColourTo24Bit();
    void resolutionTurnsWithThePicture();
    void decodesGrayToPalette();
    void paletteDisplayQuantisesColour();
    void decodesAdobeCmyk();
    void fileCutInsideTheScanStillDecodes();
    void fatalErrorsGiveTheLibraryNumber_data();
    void fatalErrorsGiveTheLibraryNumber();
    void refusesPicturesOverTheLimit();
    void encodesBaselineQuality90LikeTheLibrary();
    void encodeThenDecodeStaysClose();
    void encodeTakesAnyFormat();
    void encodeFailuresAreReported();
};

void TestJpegCodec::decodesColourTo24Bit_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("orientation"); // 0: no EXIF block
    QTest::newRow("baseline") << int(JpegFixture::Colour) << 0;
    QTest::newRow("progressive") << int(JpegFixture::Progressive) << 0;
    // Every pixel in its place, across bands and tiles of the turn and
    // their remainders.
    for (int tag = 1; tag <= 8; ++tag)
        QTest::addRow("baseline, orientation %d", tag) << int(JpegFixture::Colour) << tag;
    QTest::newRow("progressive, orientation 6") << int(JpegFixture::Progressive) << 6;
    QTest::newRow("CMYK, orientation 8") << int(JpegFixture::CmykAdobe) << 8;
    QTest::newRow("CMYK, orientation 3") << int(JpegFixture::CmykAdobe) << 3;
}

void TestJpegCodec::decodesColourTo24Bit()
{
    QFETCH(int, kind);
    QFETCH(int, orientation);
    const QImage picture = gradientPicture(61, 47);
    QByteArray file = makeJpeg(picture, JpegFixture(kind), 95);
    if (orientation)
        file = withOrientation(file, orientation);
    QString error;
    const Bitmap b = decodeJpeg(file, {}, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.depth, 24);
    QCOMPARE(b.image.format(), QImage::Format_BGR888);
    const QImage expected = turned(picture, orientation);
    QCOMPARE(b.image.size(), expected.size());
    QVERIFY(maxDifference(b.image, expected) <= 6);
    QCOMPARE(liveJpegCodecs(), 0);
}

void TestJpegCodec::resolutionTurnsWithThePicture()
{
    // JFIF at 72 x 300 dots per inch, stored lying on its side.
    QByteArray file = makeJpeg(gradientPicture(16, 8), JpegFixture::Colour, 90);
    QVERIFY(file.mid(6, 5) == QByteArray("JFIF\0", 5));
    file.replace(13, 5, QByteArray("\x01\x00\x48\x01\x2C", 5));
    QString error;
    const Bitmap asStored = decodeJpeg(file, {}, &error);
    QCOMPARE(asStored.image.dotsPerMeterX(), 2835);
    QCOMPARE(asStored.image.dotsPerMeterY(), 11811);
    const Bitmap upright = decodeJpeg(withOrientation(file, 6), {}, &error);
    QCOMPARE(upright.image.size(), QSize(8, 16));
    QCOMPARE(upright.image.dotsPerMeterX(), 11811);
    QCOMPARE(upright.image.dotsPerMeterY(), 2835);
}

void TestJpegCodec::decodesGrayToPalette()
{
    const QImage picture = gradientPicture(64, 40);
    QString error;
    const Bitmap b = decodeJpeg(makeJpeg(picture, JpegFixture::Gray, 95), {}, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.depth, 8);
    QCOMPARE(b.image.format(), QImage::Format_Indexed8);
    QVERIFY(b.image.colorCount() <= 236);
    QVERIFY(b.image.colorCount() > 200); // gray levels spread over the range
    for (QRgb c : b.image.colorTable())
        QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
    QVERIFY(maxDifference(b.image, grayOf(picture)) <= 6);
}

void TestJpegCodec::paletteDisplayQuantisesColour()
{
    const QImage picture = quadrants();
    JpegDecodeOptions options;
    options.paletteDisplay = true;
    QString error;
    const Bitmap b = decodeJpeg(makeJpeg(picture, JpegFixture::Colour, 95), options, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.depth, 8);
    QCOMPARE(b.image.format(), QImage::Format_Indexed8);
    QVERIFY(b.image.colorCount() >= 4);
    QVERIFY(b.image.colorCount() <= 236);
    // Away from the edges, where JPEG rings, each quadrant keeps its colour
    // on average (dithering moves single pixels further).
    for (const QPoint &corner : {QPoint(4, 4), QPoint(20, 4), QPoint(4, 20), QPoint(20, 20)}) {
        const QRect block(corner, QSize(8, 8));
        QVERIFY(meanDifference(b.image.copy(block), picture.copy(block)) <= 6.0);
    }
}

void TestJpegCodec::decodesAdobeCmyk()
{
    const QImage picture = quadrants();
    QString error;
    const Bitmap b = decodeJpeg(makeJpeg(picture, JpegFixture::CmykAdobe, 95), {}, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.depth, 24);
    QVERIFY(maxDifference(b.image.copy(4, 4, 8, 8), picture.copy(4, 4, 8, 8)) <= 6);
    QVERIFY(maxDifference(b.image.copy(20, 20, 8, 8), picture.copy(20, 20, 8, 8)) <= 6);
}

void TestJpegCodec::fileCutInsideTheScanStillDecodes()
{
    const QByteArray file = makeJpeg(gradientPicture(64, 64), JpegFixture::Colour, 90);
    QString error = QStringLiteral("untouched");
    const Bitmap b = decodeJpeg(file.left(file.size() * 2 / 3), {}, &error);
    QVERIFY(!b.isNull());
    QCOMPARE(b.image.size(), QSize(64, 64));
    QCOMPARE(error, QStringLiteral("untouched")); // a warning, not an error
    QCOMPARE(liveJpegCodecs(), 0);
}

void TestJpegCodec::fatalErrorsGiveTheLibraryNumber_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("message");
    const QByteArray file = makeJpeg(gradientPicture(16, 16), JpegFixture::Colour, 90);
    QTest::newRow("empty") << QByteArray() << QStringLiteral("JPEG ｴﾗｰ #42");
    QTest::newRow("not a JPEG") << QByteArray("BM not a jpeg at all") << QStringLiteral("JPEG ｴﾗｰ #53");
    QTest::newRow("cut after the SOI") << file.left(2) << QStringLiteral("JPEG ｴﾗｰ #51");
    QTest::newRow("cut inside a marker") << file.left(30) << QStringLiteral("JPEG ｴﾗｰ #51");
    QTest::newRow("cut before the scan") << file.left(file.indexOf(QByteArray("\xFF\xDA", 2)))
                                         << QStringLiteral("JPEG ｴﾗｰ #59");
    QByteArray badPrecision = file;
    badPrecision[file.indexOf(QByteArray("\xFF\xC0", 2)) + 4] = 12;
    QTest::newRow("12-bit samples") << badPrecision << QStringLiteral("JPEG ｴﾗｰ #15");
}

void TestJpegCodec::fatalErrorsGiveTheLibraryNumber()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, message);
    QString error;
    const Bitmap b = decodeJpeg(data, {}, &error);
    QVERIFY(b.isNull());
    QCOMPARE(error, message);
    QCOMPARE(liveJpegCodecs(), 0);
}

void TestJpegCodec::refusesPicturesOverTheLimit()
{
    JpegDecodeOptions options;
    options.maxPixels = 100;
    QString error;
    QVERIFY(decodeJpeg(makeJpeg(gradientPicture(11, 10), JpegFixture::Colour, 90), options, &error)
                .isNull());
    QCOMPARE(error, QStringLiteral("JPEG: 11 x 10 pixels is more than the limit of 100 pixels"));
    QCOMPARE(liveJpegCodecs(), 0);
    QVERIFY(!decodeJpeg(makeJpeg(gradientPicture(10, 10), JpegFixture::Colour, 90), options, &error)
                 .isNull());
}

void TestJpegCodec::encodesBaselineQuality90LikeTheLibrary()
{
    const QImage picture = gradientPicture(50, 30);
    const QByteArray ours = encoded(picture);
    QCOMPARE(ours, referenceJpeg(picture));
    QVERIFY(ours.startsWith("\xFF\xD8"));
    QVERIFY(ours.endsWith("\xFF\xD9"));
    const QList<QByteArray> sof = segments(ours, 0xC0); // baseline sequential
    QCOMPARE(sof.size(), 1);
    QCOMPARE(sof[0].size(), 6 + 3 * 3);
    QCOMPARE(int(sof[0][5]), 3); // three components
    QVERIFY(segments(ours, 0xC2).isEmpty());
    // Quality 90 scales the standard tables by 20%: their first two entries
    // in zigzag order, 16 and 11 (luminance) and 17 and 18 (chrominance),
    // become 3 and 2, and 3 and 4.
    const QList<QByteArray> dqt = segments(ours, 0xDB);
    QCOMPARE(dqt.size(), 2);
    QCOMPARE(dqt[0].left(3), QByteArray("\x00\x03\x02", 3));
    QCOMPARE(dqt[1].left(3), QByteArray("\x01\x03\x04", 3));
}

void TestJpegCodec::encodeThenDecodeStaysClose()
{
    const QImage picture = gradientPicture(80, 60);
    QString error;
    const Bitmap b = decodeJpeg(encoded(picture), {}, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.image.size(), picture.size());
    QVERIFY(maxDifference(b.image, picture) <= 8);
}

void TestJpegCodec::encodeTakesAnyFormat()
{
    const QImage picture = gradientPicture(20, 12);
    const QByteArray fromRgb32 = encoded(picture);
    QCOMPARE(encoded(picture.convertToFormat(QImage::Format_RGB888)), fromRgb32);
    QCOMPARE(encoded(picture.convertToFormat(QImage::Format_BGR888)), fromRgb32);
    QCOMPARE(encoded(picture.convertToFormat(QImage::Format_ARGB32)), fromRgb32);
}

void TestJpegCodec::encodeFailuresAreReported()
{
    QString error;
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QVERIFY(!encodeJpeg(readOnly, gradientPicture(8, 8), &error));
    QVERIFY2(error.startsWith(QStringLiteral("JPEG: write failed")), qPrintable(error));
    QCOMPARE(liveJpegCodecs(), 0);

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(!encodeJpeg(buffer, QImage(), &error));
    QCOMPARE(error, QStringLiteral("JPEG: no picture to write"));

    // Wider than a JPEG can be: the library's own fatal error.
    QVERIFY(!encodeJpeg(buffer, QImage(70000, 1, QImage::Format_RGB32), &error));
    QCOMPARE(error, QStringLiteral("JPEG ｴﾗｰ #41"));
    QCOMPARE(liveJpegCodecs(), 0);
}

QTEST_GUILESS_MAIN(TestJpegCodec)
#include "tst_jpegcodec.moc"
