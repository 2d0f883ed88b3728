#include "BmpBytes.h"

#include "imaging/BmpCodec.h"
#include "pixels/ImageAllocation.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QtTest>

#include <algorithm>
#include <vector>

using namespace zel;

Q_DECLARE_METATYPE(QList<QRgb>)

namespace {

QByteArray fromHex(const char *hex)
{
    return QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
}

// A picture of the given depth with pseudo-random pixels (fixed seed).
Bitmap randomBitmap(int depth, int width, int height, int colours)
{
    QRandomGenerator rng(quint32(depth * 1000 + width * 10 + height));
    Bitmap b;
    b.depth = depth;
    switch (depth) {
    case 1:
        b.image = QImage(width, height, QImage::Format_Mono);
        b.image.setColorTable({qRgb(200, 0, 0), qRgb(0, 0, 180)});
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                b.image.setPixel(x, y, rng.bounded(2));
        break;
    case 4:
    case 8: {
        b.image = QImage(width, height, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < colours; ++i)
            table.append(qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
        b.image.setColorTable(table);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                b.image.setPixel(x, y, rng.bounded(colours));
        break;
    }
    default: {
        const QImage::Format format = depth == 16 ? QImage::Format_RGB555
                                      : depth == 24 ? QImage::Format_BGR888
                                                    : QImage::Format_RGB32;
        b.image = QImage(width, height, format);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                b.image.setPixel(x, y, qRgb(rng.bounded(256), rng.bounded(256), rng.bounded(256)));
        if (depth == 16) // held widened, as every 16-bit bitmap is
            b = Bitmap::fromImage(b.image);
        break;
    }
    }
    return b;
}

QByteArray written(const Bitmap &bitmap)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!writeBmp(buffer, bitmap, &error))
        qWarning() << error;
    return buffer.data();
}

Bitmap readBytes(const QByteArray &bytes, QString *error, qint64 maxPixels = kMaxImagePixels)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readBmp(buffer, error, maxPixels);
}

// The same bytes read from a file, where rows go straight into the image;
// *rest receives what the file holds after the image.
Bitmap readFile(const QByteArray &bytes, QString *error, qint64 maxPixels = kMaxImagePixels,
                QByteArray *rest = nullptr)
{
    QTemporaryFile temporary;
    if (!temporary.open() || temporary.write(bytes) != bytes.size() || !temporary.flush())
        return {};
    QFile file(temporary.fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const Bitmap b = readBmp(file, error, maxPixels);
    if (rest)
        *rest = file.readAll();
    return b;
}

QList<QRgb> pixelsOf(const QImage &image)
{
    QList<QRgb> out;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            out.append(image.pixel(x, y) | 0xFF000000u);
    return out;
}

quint32 fieldAt(const QByteArray &b, int offset)
{
    return qFromLittleEndian<quint32>(b.constData() + offset);
}

constexpr QRgb R = 0xFFFF0000u, G = 0xFF00FF00u, B = 0xFF0000FFu, K = 0xFF000000u,
               W = 0xFFFFFFFFu;

} // namespace

class TestBmpCodec : public QObject
{
    Q_OBJECT
private slots:
    void roundTripKeepsDepthTableAndPixels_data();
    void roundTripKeepsDepthTableAndPixels();
    void writes24BitRowsBottomUpWithZeroPadding();
    void writes4BitNibblesAndTable();
    void readsVariants_data();
    void readsVariants();
    void widensSixteenBitImagesFromElsewhere_data();
    void widensSixteenBitImagesFromElsewhere();
    void consumesExactlyFileSize();
    void readsAfterBytesAlreadyTaken();
    void rejects_data();
    void rejects();
    void refusesHugeHeaderWithoutData();
    void writerFallsBackWhenDepthDoesNotFit();
    void writeFailureIsReported();
    void allocatedImagesKeepTheirPixels();
};

void TestBmpCodec::roundTripKeepsDepthTableAndPixels_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("colours");
    QTest::newRow("1-bit 13x7") << 1 << 13 << 7 << 2;
    QTest::newRow("1-bit 32x2") << 1 << 32 << 2 << 2;
    QTest::newRow("4-bit 16 colours 9x5") << 4 << 9 << 5 << 16;
    QTest::newRow("4-bit 5 colours 1x1") << 4 << 1 << 1 << 5;
    QTest::newRow("8-bit 256 colours 33x3") << 8 << 33 << 3 << 256;
    QTest::newRow("8-bit 10 colours stays 8-bit") << 8 << 7 << 4 << 10;
    QTest::newRow("16-bit 5x5") << 16 << 5 << 5 << 0;
    QTest::newRow("24-bit 7x3") << 24 << 7 << 3 << 0;
    QTest::newRow("32-bit 3x9") << 32 << 3 << 9 << 0;
    QTest::newRow("24-bit 700x400, read in several blocks") << 24 << 700 << 400 << 0;
    QTest::newRow("4-bit 3001x90, read in several blocks") << 4 << 3001 << 90 << 16;
    QTest::newRow("24-bit 1500x1000, a large allocation") << 24 << 1500 << 1000 << 0;
    QTest::newRow("8-bit 301x1100, rows beyond one read call") << 8 << 301 << 1100 << 256;
    QTest::newRow("1-bit 45x1030") << 1 << 45 << 1030 << 2;
    QTest::newRow("16-bit 17x600") << 16 << 17 << 600 << 0;
    QTest::newRow("32-bit 600x700") << 32 << 600 << 700 << 0;
}

void TestBmpCodec::roundTripKeepsDepthTableAndPixels()
{
    QFETCH(int, depth);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, colours);
    const Bitmap original = randomBitmap(depth, width, height, colours);
    const QByteArray bytes = written(original);
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(fieldAt(bytes, 2), quint32(bytes.size()));
    QCOMPARE(int(qFromLittleEndian<quint16>(bytes.constData() + 28)), depth);

    QString error;
    const Bitmap back = readBytes(bytes, &error);
    QVERIFY2(!back.isNull(), qPrintable(error));
    QCOMPARE(back.depth, depth);
    QCOMPARE(back.image.format(), original.image.format());
    QCOMPARE(back.image.size(), original.image.size());
    QCOMPARE(back.image.colorTable(), original.image.colorTable());
    QCOMPARE(pixelsOf(back.image), pixelsOf(original.image));
    QVERIFY(back.image == original.image);
    QCOMPARE(written(back), bytes); // what was read is written back byte for byte

    QByteArray rest;
    const Bitmap fromFile = readFile(bytes + "next", &error, kMaxImagePixels, &rest);
    QVERIFY2(!fromFile.isNull(), qPrintable(error));
    QCOMPARE(fromFile.depth, depth);
    QCOMPARE(fromFile.image.colorTable(), original.image.colorTable());
    QVERIFY(fromFile.image == original.image);
    QCOMPARE(rest, QByteArray("next"));
}

void TestBmpCodec::writes24BitRowsBottomUpWithZeroPadding()
{
    QImage image(3, 2, QImage::Format_BGR888);
    image.setPixel(0, 0, qRgb(1, 2, 3));
    image.setPixel(1, 0, qRgb(4, 5, 6));
    image.setPixel(2, 0, qRgb(7, 8, 9));
    image.setPixel(0, 1, qRgb(10, 11, 12));
    image.setPixel(1, 1, qRgb(13, 14, 15));
    image.setPixel(2, 1, qRgb(16, 17, 18));
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    const QByteArray expected = fromHex(
        "424D 4E000000 0000 0000 36000000"
        "28000000 03000000 02000000 0100 1800 00000000 18000000 C40E0000 C40E0000 00000000 00000000"
        "0C0B0A 0F0E0D 121110 000000" // bottom row first, blue green red
        "030201 060504 090807 000000");
    QCOMPARE(written(Bitmap{image, 24}), expected);
}

void TestBmpCodec::writes4BitNibblesAndTable()
{
    QImage image(3, 1, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)});
    image.setPixel(0, 0, 0);
    image.setPixel(1, 0, 1);
    image.setPixel(2, 0, 2);
    image.setDotsPerMeterX(0);
    image.setDotsPerMeterY(0);
    const QByteArray bytes = written(Bitmap{image, 4});
    QCOMPARE(bytes.size(), 14 + 40 + 3 * 4 + 4);
    QCOMPARE(fieldAt(bytes, 10), quint32(14 + 40 + 12)); // bfOffBits
    QCOMPARE(fieldAt(bytes, 46), quint32(3));            // biClrUsed
    QCOMPARE(bytes.mid(54), fromHex("0000FF00 00FF0000 FF000000" "01200000"));
}

void TestBmpCodec::readsVariants_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("format");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRgb>>("pixels"); // row-major, top row first

    BmpSpec s;
    s.infoSize = 12;
    s.width = 2;
    s.height = 2;
    s.bits = 24;
    s.pixels = fromHex("0000FF 00FF00 0000" "FF0000 FFFFFF 0000");
    QTest::newRow("core header 24-bit") << buildBmp(s) << 24 << int(QImage::Format_BGR888)
                                        << QSize(2, 2) << QList<QRgb>{B, W, R, G};

    s = BmpSpec();
    s.infoSize = 12;
    s.width = 3;
    s.height = 1;
    s.bits = 8;
    s.palette = {R, G, B};
    s.palette.resize(256, K);
    s.pixels = fromHex("02000100");
    QTest::newRow("core header 8-bit, 3-byte table")
        << buildBmp(s) << 8 << int(QImage::Format_Indexed8) << QSize(3, 1) << QList<QRgb>{B, R, G};

    s = BmpSpec();
    s.width = 9;
    s.height = 1;
    s.bits = 1;
    s.palette = {K, W};
    s.pixels = fromHex("A5800000");
    QTest::newRow("1-bit across a byte")
        << buildBmp(s) << 1 << int(QImage::Format_Mono) << QSize(9, 1)
        << QList<QRgb>{W, K, W, K, K, W, K, W, W};

    s = BmpSpec();
    s.width = 3;
    s.height = 2;
    s.bits = 4;
    s.palette = {K, R, G, B};
    s.pixels = fromHex("12300000" "03200000");
    QTest::newRow("4-bit") << buildBmp(s) << 4 << int(QImage::Format_Indexed8) << QSize(3, 2)
                           << QList<QRgb>{K, B, G, R, G, B};

    s = BmpSpec();
    s.width = 2;
    s.height = -2;
    s.bits = 8;
    s.palette = {R, G, B};
    s.pixels = fromHex("00010000" "02000000");
    QTest::newRow("8-bit top-down") << buildBmp(s) << 8 << int(QImage::Format_Indexed8)
                                    << QSize(2, 2) << QList<QRgb>{R, G, B, R};

    s = BmpSpec();
    s.width = 4;
    s.height = 1;
    s.bits = 16;
    s.pixels = fromHex("007C E003 1F00 1042");
    QTest::newRow("16-bit 5-5-5") << buildBmp(s) << 16 << int(QImage::Format_BGR888) << QSize(4, 1)
                                  << QList<QRgb>{R, G, B, qRgb(132, 132, 132)};

    // One rule for 5- and 6-bit channels: round(v x 255 / max), so 3 of 31
    // is 25 (bit replication would give 24), 3 of 63 is 12.
    s.width = 2;
    s.pixels = fromHex("630C 0100");
    QTest::newRow("16-bit 5-5-5, 3 of 31") << buildBmp(s) << 16 << int(QImage::Format_BGR888) << QSize(2, 1)
                                           << QList<QRgb>{qRgb(25, 25, 25), qRgb(0, 0, 8)};
    s.compression = 3;
    s.masks = {0x7C00, 0x03E0, 0x001F};
    QTest::newRow("16-bit 5-5-5 bitfields") << buildBmp(s) << 16 << int(QImage::Format_BGR888) << QSize(2, 1)
                                            << QList<QRgb>{qRgb(25, 25, 25), qRgb(0, 0, 8)};
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = fromHex("6318 0100");
    QTest::newRow("16-bit 5-6-5, 3 of 31 and of 63") << buildBmp(s) << 24 << int(QImage::Format_BGR888) << QSize(2, 1)
                                                     << QList<QRgb>{qRgb(25, 12, 25), qRgb(0, 0, 8)};

    s = BmpSpec();
    s.width = 3;
    s.height = 1;
    s.bits = 16;
    s.compression = 3;
    s.masks = {0xF800, 0x07E0, 0x001F};
    s.pixels = fromHex("00F8 E007 10000000");
    QTest::newRow("16-bit 5-6-5 bitfields") << buildBmp(s) << 24 << int(QImage::Format_BGR888)
                                            << QSize(3, 1) << QList<QRgb>{R, G, qRgb(0, 0, 132)};

    s = BmpSpec();
    s.width = 2;
    s.height = 1;
    s.bits = 32;
    s.pixels = fromHex("332211FF 00000077");
    QTest::newRow("32-bit, fourth byte ignored") << buildBmp(s) << 32 << int(QImage::Format_RGB32)
                                                 << QSize(2, 1) << QList<QRgb>{0xFF112233u, K};

    s = BmpSpec();
    s.width = 2;
    s.height = 1;
    s.bits = 32;
    s.compression = 3;
    s.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    s.pixels = fromHex("11223300 FF000000");
    QTest::newRow("32-bit bitfields, red in the low byte")
        << buildBmp(s) << 32 << int(QImage::Format_RGB32) << QSize(2, 1)
        << QList<QRgb>{0xFF112233u, R};

    s = BmpSpec();
    s.infoSize = 108;
    s.width = 1;
    s.height = 2;
    s.bits = 32;
    s.compression = 3;
    s.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    s.pixels = fromHex("FF000000 00FF0000");
    QTest::newRow("V4 header") << buildBmp(s) << 32 << int(QImage::Format_RGB32) << QSize(1, 2)
                               << QList<QRgb>{G, B};

    s = BmpSpec();
    s.infoSize = 124;
    s.width = 1;
    s.height = 1;
    s.bits = 24;
    s.masks = {0x1, 0x2, 0x3}; // not bitfields: masks in the header mean nothing
    s.pixels = fromHex("0000FF00");
    QTest::newRow("V5 header") << buildBmp(s) << 24 << int(QImage::Format_BGR888) << QSize(1, 1)
                               << QList<QRgb>{R};

    s = BmpSpec();
    s.width = 4;
    s.height = 3;
    s.bits = 8;
    s.compression = 1;
    s.palette = {K, R, G, B};
    // bottom row: run of 3 x index 1, end of line; middle row: absolute 2,3,2
    // (padded), end of line; top row: delta right 2, run 2 x 3; end of bitmap.
    s.pixels = fromHex("0301 0000" "0003 020302 00 0000" "0002 0200 0203 0001");
    QTest::newRow("RLE8") << buildBmp(s) << 8 << int(QImage::Format_Indexed8) << QSize(4, 3)
                          << QList<QRgb>{K, K, B, B, G, B, G, K, R, R, R, K};

    s = BmpSpec();
    s.width = 5;
    s.height = 2;
    s.bits = 4;
    s.compression = 2;
    s.palette = {K, R, G, B};
    // bottom row: run of 5 alternating 1,2; top row: absolute 3,2,1 then end.
    s.pixels = fromHex("0512 0000" "0003 3210" "0001");
    QTest::newRow("RLE4") << buildBmp(s) << 4 << int(QImage::Format_Indexed8) << QSize(5, 2)
                          << QList<QRgb>{B, G, R, K, K, R, G, R, G, R};

    s = BmpSpec();
    s.width = 2;
    s.height = 1;
    s.bits = 8;
    s.palette = {R, G};
    s.pixels = fromHex("01050000");
    QTest::newRow("index beyond the table reads black")
        << buildBmp(s) << 8 << int(QImage::Format_Indexed8) << QSize(2, 1) << QList<QRgb>{G, K};

    s = BmpSpec();
    s.width = 2;
    s.height = 1;
    s.bits = 8;
    s.palette = {R, G, B, W};
    s.coloursUsed = 0; // declares 256 entries, holds four
    s.pixels = fromHex("03020000");
    {
        QByteArray bytes = buildBmp(s);
        bytes[46] = 0; // biClrUsed 0 means the full 256
        QTest::newRow("shorter table than declared")
            << bytes << 8 << int(QImage::Format_Indexed8) << QSize(2, 1) << QList<QRgb>{W, B};
    }

    s = BmpSpec();
    s.width = 1;
    s.height = 1;
    s.bits = 24;
    s.gapBeforePixels = QByteArray(7, 'x');
    s.tail = QByteArray(5, 'y');
    s.pixels = fromHex("00FF0000");
    QTest::newRow("gap before and after the pixels") << buildBmp(s) << 24
                                                     << int(QImage::Format_BGR888) << QSize(1, 1)
                                                     << QList<QRgb>{G};
}

void TestBmpCodec::readsVariants()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, depth);
    QFETCH(int, format);
    QFETCH(QSize, size);
    QFETCH(QList<QRgb>, pixels);
    QString error;
    for (const bool file : {false, true}) {
        const Bitmap b = file ? readFile(bytes, &error) : readBytes(bytes, &error);
        QVERIFY2(!b.isNull(), qPrintable(error));
        QCOMPARE(b.depth, depth);
        QCOMPARE(int(b.image.format()), format);
        QCOMPARE(b.image.size(), size);
        QCOMPARE(pixelsOf(b.image), pixels);
    }
    // Headers only: the same size and depth, the same bytes consumed.
    QBuffer buffer;
    buffer.setData(bytes + "next");
    buffer.open(QIODevice::ReadOnly);
    BmpInfo info;
    QVERIFY2(readBmpInfo(QByteArray(), buffer, &info, &error), qPrintable(error));
    QCOMPARE(QSize(info.width, info.height), size);
    QCOMPARE(info.depth, depth);
    QCOMPARE(buffer.readAll(), QByteArray("next"));
}

void TestBmpCodec::widensSixteenBitImagesFromElsewhere_data()
{
    QTest::addColumn<QImage>("image"); // as the clipboard may give it
    QTest::addColumn<int>("depth");
    QTest::addColumn<QRgb>("pixel");
    QTest::addColumn<QByteArray>("stored"); // the pixel as written, empty: 24-bit
    QImage rgb555(1, 1, QImage::Format_RGB555);
    *reinterpret_cast<quint16 *>(rgb555.scanLine(0)) = 0x0C63; // 3, 3, 3
    QTest::newRow("RGB555") << rgb555 << 16 << qRgb(25, 25, 25) << fromHex("630C");
    QImage rgb16(1, 1, QImage::Format_RGB16);
    *reinterpret_cast<quint16 *>(rgb16.scanLine(0)) = 0x1863; // 3, 3 of 63, 3
    QTest::newRow("RGB16") << rgb16 << 24 << qRgb(25, 12, 25) << fromHex("190C19");
}

void TestBmpCodec::widensSixteenBitImagesFromElsewhere()
{
    QFETCH(QImage, image);
    QFETCH(int, depth);
    QFETCH(QRgb, pixel);
    QFETCH(QByteArray, stored);
    const Bitmap b = Bitmap::fromImage(image);
    QCOMPARE(b.depth, depth);
    QCOMPARE(b.image.format(), QImage::Format_BGR888);
    QCOMPARE(b.image.pixel(0, 0), pixel);
    QCOMPARE(written(b).mid(54, stored.size()), stored);
}

void TestBmpCodec::consumesExactlyFileSize()
{
    BmpSpec s;
    s.width = 2;
    s.height = 2;
    s.bits = 8;
    s.palette = {R, G};
    s.pixels = fromHex("00010000 01000000");
    s.tail = QByteArray("tail-in-image");
    const QByteArray image = buildBmp(s);
    QBuffer buffer;
    buffer.setData(image + "NEXT");
    buffer.open(QIODevice::ReadOnly);
    QString error;
    QVERIFY2(!readBmp(buffer, &error).isNull(), qPrintable(error));
    QCOMPARE(buffer.pos(), qint64(image.size()));
    QCOMPARE(buffer.readAll(), QByteArray("NEXT"));
}

void TestBmpCodec::readsAfterBytesAlreadyTaken()
{
    const Bitmap original = randomBitmap(24, 5, 4, 0);
    const QByteArray bytes = written(original);
    QBuffer buffer;
    buffer.setData(bytes + "after");
    buffer.open(QIODevice::ReadOnly);
    const QByteArray head = buffer.read(24);
    QString error;
    const Bitmap back = readBmp(head, buffer, &error);
    QVERIFY2(!back.isNull(), qPrintable(error));
    QVERIFY(back.image == original.image);
    QCOMPARE(buffer.readAll(), QByteArray("after"));
}

void TestBmpCodec::rejects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<qint64>("maxPixels");
    QTest::addColumn<QString>("message");

    BmpSpec good;
    good.width = 2;
    good.height = 2;
    good.bits = 24;
    good.pixels = QByteArray(16, '\x10');
    const QByteArray ok = buildBmp(good);
    const qint64 limit = kMaxImagePixels;

    QTest::newRow("empty") << QByteArray() << limit << "file header cut short";
    QTest::newRow("no signature") << QByteArray("BX" + ok.mid(2)) << limit << "not a BMP image (no \"BM\" signature)";
    QTest::newRow("cut in the info header") << ok.left(30) << limit << "bitmap header cut short";
    QTest::newRow("cut in the pixels") << ok.left(ok.size() - 1) << limit << "image data cut short (15 of 16 bytes)";

    BmpSpec s = good;
    s.infoSize = 41;
    QTest::newRow("header size 41") << buildBmp(s) << limit << "unsupported bitmap header size 41";
    s = good;
    s.width = 0;
    QTest::newRow("width 0") << buildBmp(s) << limit << "invalid size 0 x 2";
    s = good;
    s.height = 0;
    QTest::newRow("height 0") << buildBmp(s) << limit << "invalid size 2 x 0";
    s = good;
    s.width = -3;
    QTest::newRow("negative width") << buildBmp(s) << limit << "invalid size -3 x 2";
    QTest::newRow("over a small limit") << ok << qint64(3) << "2 x 2 pixels is more than the limit of 3 pixels";
    s = good;
    s.width = 20000;
    s.height = 20000;
    QTest::newRow("over the default limit") << buildBmp(s) << limit
                                            << "20000 x 20000 pixels is more than the limit of 268435456 pixels";
    s = good;
    s.bits = 2;
    QTest::newRow("2 bits") << buildBmp(s) << limit << "unsupported format: 2 bits per pixel, compression 0";
    s = good;
    s.bits = 4;
    s.compression = 1;
    QTest::newRow("RLE8 at 4 bits") << buildBmp(s) << limit << "unsupported format: 4 bits per pixel, compression 1";
    s = good;
    s.compression = 4;
    QTest::newRow("embedded JPEG") << buildBmp(s) << limit << "unsupported format: 24 bits per pixel, compression 4";
    s = good;
    s.bits = 8;
    s.coloursUsed = 300;
    QTest::newRow("300 colours") << buildBmp(s) << limit << "300 colours in the colour table of a 8-bit image";
    s = good;
    s.pixelOffset = 20;
    QTest::newRow("pixels inside the headers") << buildBmp(s) << limit << "pixel offset 20 lies inside the headers";
    s = good;
    s.pixelOffset = 1000;
    QTest::newRow("pixels beyond the file size") << buildBmp(s) << limit << "pixel offset 1000 lies beyond the file size of 70 bytes";
    s = good;
    s.fileSize = 60;
    QTest::newRow("file size smaller than the pixels")
        << buildBmp(s) << limit << "the pixel array (16 bytes from offset 54) does not fit in the file size of 60 bytes";
    s = good;
    s.fileSize = 90;
    QTest::newRow("file size beyond the data") << buildBmp(s) << limit << "image cut short before its declared size of 90 bytes";
    s = good;
    s.bits = 16;
    s.compression = 3;
    QTest::newRow("masks missing") << buildBmp(s).left(14 + 40 + 4) << limit << "colour masks cut short";
    s = good;
    s.bits = 8;
    s.palette = {R, G, B};
    QTest::newRow("table cut short") << buildBmp(s).left(14 + 40 + 6) << limit << "colour table cut short";
}

void TestBmpCodec::rejects()
{
    QFETCH(QByteArray, bytes);
    QFETCH(qint64, maxPixels);
    QFETCH(QString, message);
    for (const bool file : {false, true}) {
        QString error;
        const Bitmap b = file ? readFile(bytes, &error, maxPixels) : readBytes(bytes, &error, maxPixels);
        QVERIFY(b.isNull());
        QCOMPARE(error, QStringLiteral("BMP: ") + message);
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    BmpReadOptions options;
    options.maxPixels = maxPixels;
    QString error;
    QVERIFY(!readBmpInfo(QByteArray(), buffer, nullptr, &error, options));
    QCOMPARE(error, QStringLiteral("BMP: ") + message);
}

void TestBmpCodec::refusesHugeHeaderWithoutData()
{
    // Within the pixel limit, but the file holds 16 bytes of the 268 MB it
    // declares: the read fails on the data, before any image is made.
    BmpSpec s;
    s.width = 16384;
    s.height = 16384;
    s.bits = 8;
    s.palette = {K};
    s.pixels = QByteArray(16, '\0');
    s.fileSize = 0xFFFFFFF0u;
    QString error;
    QVERIFY(readBytes(buildBmp(s), &error).isNull());
    QCOMPARE(error, QStringLiteral("BMP: image data cut short (16 of 268435456 bytes)"));
}

void TestBmpCodec::writerFallsBackWhenDepthDoesNotFit()
{
    QString error;
    // An RGB32 image labelled 8-bit is written at the depth of its format.
    Bitmap mislabelled = randomBitmap(32, 3, 3, 0);
    mislabelled.depth = 8;
    Bitmap back = readBytes(written(mislabelled), &error);
    QCOMPARE(back.depth, 32);
    QVERIFY(back.image == mislabelled.image);

    // A "4-bit" bitmap with an index beyond 15 would lose pixels at 4 bits.
    Bitmap wide = randomBitmap(8, 4, 4, 20);
    wide.depth = 4;
    wide.image.setPixel(0, 0, 19);
    back = readBytes(written(wide), &error);
    QCOMPARE(back.depth, 8);
    QCOMPARE(pixelsOf(back.image), pixelsOf(wide.image));
}

void TestBmpCodec::writeFailureIsReported()
{
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QString error;
    QVERIFY(!writeBmp(readOnly, randomBitmap(24, 2, 2, 0), &error));
    QVERIFY2(error.startsWith(QStringLiteral("BMP: write failed")), qPrintable(error));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(!writeBmp(buffer, Bitmap(), &error));
    QCOMPARE(error, QStringLiteral("BMP: no image to write"));
    QCOMPARE(buffer.size(), qint64(0));
}

// Images of every size class - left to malloc, placed one after another in
// shared regions (more than one region's worth), or in blocks of their own -
// keep their pixels while others around them come and go.
void TestBmpCodec::allocatedImagesKeepTheirPixels()
{
    const QSize sizes[] = {{100, 60}, {300, 300}, {512, 512}, {700, 500}, {1100, 1000}};
    std::vector<QImage> images;
    std::vector<uchar> marks;
    const auto allocate = [&](int i) {
        const QSize size = sizes[i % 5];
        QImage image = allocateImage(size.width(), size.height(),
                                     i % 3 ? QImage::Format_RGB32 : QImage::Format_BGR888);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), size);
        QCOMPARE(image.bytesPerLine(), (qsizetype(size.width()) * image.depth() + 31) / 32 * 4);
        const uchar mark = uchar(1 + i % 251);
        std::fill_n(image.bits(), image.sizeInBytes(), mark);
        images.push_back(image);
        marks.push_back(mark);
    };
    for (int i = 0; i < 90; ++i)
        allocate(i);
    for (size_t i = 0; i < images.size(); i += 2)
        images[i] = QImage();
    for (int i = 90; i < 150; ++i)
        allocate(i);
    for (size_t i = 0; i < images.size(); ++i) {
        const QImage &image = images[i];
        QVERIFY2(image.isNull()
                     || std::all_of(image.constBits(), image.constBits() + image.sizeInBytes(),
                                    [&](uchar b) { return b == marks[i]; }),
                 qPrintable(QStringLiteral("image %1 lost its pixels").arg(i)));
    }
}

QTEST_GUILESS_MAIN(TestBmpCodec)
#include "tst_bmpcodec.moc"
