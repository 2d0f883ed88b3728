#include "BmpBytes.h"
#include "FileBytes.h"
#include "JpegFixtures.h"
#include "PngReference.h"

#include "imaging/BmpCodec.h"
#include "imaging/PictureFiles.h"
#include "imaging/PngCodec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QtTest>

using namespace zel;

Q_DECLARE_METATYPE(zel::PictureKind)
Q_DECLARE_METATYPE(zel::BmpFileSize)

using zel::test::readFile;
using zel::test::writeFile;

namespace {

QString suiteFile(const QString &name)
{
    return QStringLiteral(ZELVANE_PNGSUITE "/") + name;
}

// The first pixel where two pictures differ, or an empty text.
QString firstDifference(const QImage &got, const QImage &expected)
{
    if (got.size() != expected.size())
        return QStringLiteral("size %1 x %2, expected %3 x %4")
            .arg(got.width()).arg(got.height()).arg(expected.width()).arg(expected.height());
    for (int y = 0; y < got.height(); ++y)
        for (int x = 0; x < got.width(); ++x)
            if (got.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("(%1, %2) is %3, expected %4")
                    .arg(x).arg(y).arg(got.pixel(x, y), 8, 16).arg(expected.pixel(x, y), 8, 16);
    return QString();
}

// A picture made row by row as a writer asks for it; remembers the bands.
class GeneratedRows final : public PictureRows
{
public:
    explicit GeneratedRows(QSize size) : m_size(size) {}
    static QRgb colourAt(int x, int y) { return qRgb((x * 37 + y) & 0xFF, (y >> 8) & 0xFF, (x * 11 + (y >> 16)) & 0xFF); }
    static QImage whole(QSize size)
    {
        GeneratedRows rows(size);
        return rows.rows(0, size.height());
    }

    QSize size() const override { return m_size; }
    QImage rows(int top, int count) override
    {
        asked.append({top, count});
        QImage band(m_size.width(), count, QImage::Format_RGB32);
        for (int y = 0; y < count; ++y) {
            auto *line = reinterpret_cast<QRgb *>(band.scanLine(y));
            for (int x = 0; x < m_size.width(); ++x)
                line[x] = colourAt(x, top + y);
        }
        return band;
    }

    QList<QPair<int, int>> asked; // top and count of each band, in the order asked

private:
    QSize m_size;
};

// Six flat blocks of 16 x 16 pixels, three across and two down, named by
// letter; their gray levels lie 50 apart too.
constexpr int kBlock = 16;
const char kStoredBlocks[] = "ABC/DEF";

QRgb blockColour(char name)
{
    switch (name) {
    case 'A': return qRgb(255, 0, 45);    // gray 100
    case 'B': return qRgb(255, 200, 145); // gray 200
    case 'C': return qRgb(0, 0, 0);       // gray 0
    case 'D': return qRgb(255, 255, 255); // gray 255
    case 'E': return qRgb(0, 0, 150);     // gray 50
    default: return qRgb(0, 255, 195);    // 'F', gray 150
    }
}

QImage blocksPicture(const QString &layout)
{
    const QStringList rows = layout.split(QLatin1Char('/'));
    QImage image(int(rows[0].size()) * kBlock, int(rows.size()) * kBlock, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, blockColour(char(rows[y / kBlock][x / kBlock].unicode())));
    return image;
}

// The first block whose middle (8 x 8 pixels, away from JPEG's ringing at
// the edges) is not on average the colour of its letter, or an empty text.
QString misplacedBlock(const QImage &got, const QString &layout, bool gray)
{
    const QStringList rows = layout.split(QLatin1Char('/'));
    if (got.size() != QSize(int(rows[0].size()) * kBlock, int(rows.size()) * kBlock))
        return QStringLiteral("size %1 x %2").arg(got.width()).arg(got.height());
    for (int by = 0; by < rows.size(); ++by)
        for (int bx = 0; bx < rows[by].size(); ++bx) {
            double sum[3] = {0, 0, 0};
            for (int y = by * kBlock + 4; y < by * kBlock + 12; ++y)
                for (int x = bx * kBlock + 4; x < bx * kBlock + 12; ++x) {
                    const QRgb p = got.pixel(x, y);
                    sum[0] += qRed(p);
                    sum[1] += qGreen(p);
                    sum[2] += qBlue(p);
                }
            const QRgb c = blockColour(char(rows[by][bx].unicode()));
            const int level = (qRed(c) + qGreen(c) + qBlue(c)) / 3;
            const int expected[3] = {gray ? level : qRed(c), gray ? level : qGreen(c), gray ? level : qBlue(c)};
            for (int i = 0; i < 3; ++i)
                if (std::abs(sum[i] / 64 - expected[i]) > 8)
                    return QStringLiteral("block %1 at (%2, %3) is not %1").arg(rows[by][bx]).arg(bx).arg(by);
        }
    return QString();
}

} // namespace

class TestPictureFiles : public QObject
{
    Q_OBJECT
private slots:
    void kindByName_data();
    void kindByName();
    void readsByKind();
    void readFailures_data();
    void readFailures();
    void jpegComesInUpright_data();
    void jpegComesInUpright();
    void writesBmpAt24Bits();
    void writesJpeg();
    void pngSuite_data();
    void pngSuite();
    void pngExactPixels_data();
    void pngExactPixels();
    void writesPng();
    void writersTakeBands_data();
    void writersTakeBands();
    void bmpSizeField_data();
    void bmpSizeField();
    void unknownKindWritesNothing();
    void failedWriteKeepsThePreviousFile();
    void unwritablePlaceIsReported();

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }
};

void TestPictureFiles::kindByName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<PictureKind>("kind");
    QTest::newRow("PHOTO.jpeg") << "PHOTO.jpeg" << PictureKind::Jpeg;
    QTest::newRow("photo.JPG") << "photo.JPG" << PictureKind::Jpeg;
    QTest::newRow("Pic.Bmp") << "Pic.Bmp" << PictureKind::Bmp;
    QTest::newRow("full path") << "/home/u/pics/a.bMp" << PictureKind::Bmp;
    QTest::newRow("last extension counts") << "x.txt.jpg" << PictureKind::Jpeg;
    QTest::newRow("earlier extension ignored") << "x.bmp.txt" << PictureKind::Unknown;
    QTest::newRow("dot only in a folder") << "/pics.jpg/photo" << PictureKind::Unknown;
    QTest::newRow("dot in folder, other ext") << "/pics.jpg/photo.gif" << PictureKind::Unknown;
    QTest::newRow("png") << "Photo.Png" << PictureKind::Png;
    QTest::newRow("no extension") << "out" << PictureKind::Unknown;
    QTest::newRow("bare dot") << "out." << PictureKind::Unknown;
    QTest::newRow("name is the extension") << ".bmp" << PictureKind::Bmp;
    QTest::newRow(".jpe") << "x.jpe" << PictureKind::Unknown;
    QTest::newRow("trailing space") << "x.bmp " << PictureKind::Unknown;
    QTest::newRow("full-width letters") << QStringLiteral("x.ＢＭＰ") << PictureKind::Unknown;
    QTest::newRow("empty") << "" << PictureKind::Unknown;
}

void TestPictureFiles::kindByName()
{
    QFETCH(QString, name);
    QFETCH(PictureKind, kind);
    QCOMPARE(pictureKindOf(name), kind);
}

void TestPictureFiles::readsByKind()
{
    QVERIFY(m_dir.isValid());
    QImage source(5, 3, QImage::Format_BGR888);
    source.fill(qRgb(10, 200, 30));
    QBuffer bmp;
    bmp.open(QIODevice::WriteOnly);
    QVERIFY(writeBmp(bmp, Bitmap{source, 24}));
    QVERIFY(writeFile(path(QStringLiteral("Pic.Bmp")), bmp.data()));
    QVERIFY(writeFile(path(QStringLiteral("photo.JPG")),
                      makeJpeg(gradientPicture(9, 7), JpegFixture::Gray, 90)));

    QString error;
    const Bitmap fromBmp = readPictureFile(path(QStringLiteral("Pic.Bmp")), {}, &error);
    QVERIFY2(!fromBmp.isNull(), qPrintable(error));
    QCOMPARE(fromBmp.depth, 24);
    QVERIFY(fromBmp.image == source);

    const Bitmap fromJpeg = readPictureFile(path(QStringLiteral("photo.JPG")), {}, &error);
    QVERIFY2(!fromJpeg.isNull(), qPrintable(error));
    QCOMPARE(fromJpeg.depth, 8); // a gray JPEG comes in as a palette bitmap
    QCOMPARE(fromJpeg.image.size(), QSize(9, 7));
}

void TestPictureFiles::readFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("message");    // "%1" stands for the path
    QTest::newRow("missing BMP") << "missing.bmp" << QByteArray() << "%1: No such file or directory";
    QTest::newRow("unknown kind") << "pic.gif" << QByteArray("x") << "%1: not a BMP, JPEG or PNG file name";
    QTest::newRow("not a png") << "pic.png" << QByteArray("x") << "PNG: not a PNG file";
    QTest::newRow("empty png") << "empty.png" << QByteArray("") << "PNG: not a PNG file";
    // 65 bytes claiming 16384 x 16384 at 16 bits a channel (2 GiB decoded):
    // refused before anything is allocated.
    const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    const QByteArray lies = signature
        + QByteArray("\x00\x00\x00\x0dIHDR\x00\x00\x40\x00\x00\x00\x40\x00\x10\x06"
                     "\x00\x00\x00\xf9\x58\xcc\xc7\x00\x00\x00\x08IDAT\x78\x9c\x03\x00\x00\x00\x00\x01"
                     "\x48\x06\x89\xd2\x00\x00\x00\x00IEND\xae\x42\x60\x82", 57);
    QTest::newRow("png header that lies") << "lies.png" << lies
        << "PNG: file cut short (too little data for 16384 x 16384 pixels)";
    // 114 bytes whose text chunk claims 2 GiB: refused on its length alone.
    const QByteArray ihdr = QFile::exists(suiteFile(QStringLiteral("basn2c08.png")))
                                ? readFile(suiteFile(QStringLiteral("basn2c08.png"))).mid(8, 25)
                                : QByteArray();
    QTest::newRow("text chunk of 2 GiB") << "text.png"
        << signature + ihdr + QByteArray("\x7f\xff\xff\xfftEXtComment", 15) + QByteArray(66, 'x')
        << QStringLiteral("PNG: text chunk larger than %1 bytes").arg(kPngMaxChunkBytes);
    QTest::newRow("image data chunk of 2 GiB") << "idat.png"
        << signature + ihdr + QByteArray("\x7f\xff\xff\xf0IDAT", 8) + QByteArray(40, 'x')
        << "PNG: image data chunk larger than its pixels need";
    const QByteArray suite = readFile(suiteFile(QStringLiteral("basn2c08.png")));
    QTest::newRow("png cut short") << "cut.png" << suite.left(suite.size() / 2) << "PNG: file cut short";
    QByteArray damaged = suite;
    damaged[23] = char(damaged[23] ^ 1); // the height, under IHDR's checksum
    QTest::newRow("png with a damaged checksum") << "crc.png" << damaged << "PNG: damaged file (IHDR: CRC error)";
    QByteArray wide = signature + QByteArray("\x00\x00\x00\x0dIHDR\x00\x20\x00\x00\x00\x00\x00\x01\x08\x02\x00\x00\x00" "\x00\x00\x00\x00", 25);
    QTest::newRow("png rows too long") << "wide.png" << wide
        << "PNG: rows of 2097152 pixels are longer than the limit of 1048576";
    QByteArray large = signature + QByteArray("\x00\x00\x00\x0dIHDR\x00\x00\x40\x00\x00\x00\x40\x01\x08\x02\x00\x00\x00" "\x00\x00\x00\x00", 25);
    QTest::newRow("png over the picture limit") << "large.png" << large
        << "PNG: 16384 x 16385 pixels is more than the limit of 268435456 pixels";
    QTest::newRow("text named .jpg") << "text.jpg" << QByteArray("hello") << "JPEG ｴﾗｰ #53";
    QTest::newRow("empty .jpeg") << "empty.jpeg" << QByteArray("") << "JPEG ｴﾗｰ #42";
    QTest::newRow("JPEG named .bmp") << "photo.bmp" << QByteArray("\xFF\xD8\xFF\xE0 and more bytes than a BMP header")
                                     << "BMP: not a BMP image (no \"BM\" signature)";
}

void TestPictureFiles::readFailures()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString file = path(name);
    if (!content.isNull())
        QVERIFY(writeFile(file, content));
    QString error;
    QVERIFY(readPictureFile(file, {}, &error).isNull());
    QCOMPARE(error, message.contains(QStringLiteral("%1")) ? message.arg(file) : message);
}

void TestPictureFiles::jpegComesInUpright_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("paletteDisplay");
    QTest::addColumn<bool>("gray");
    QTest::addColumn<QString>("upright"); // the blocks as they stand, stored as ABC/DEF
    const QImage stored = blocksPicture(QString::fromLatin1(kStoredBlocks));
    const QByteArray colour = makeJpeg(stored, JpegFixture::Colour, 100);
    const QByteArray gray = makeJpeg(stored, JpegFixture::Gray, 100);
    const QByteArray progressive = makeJpeg(stored, JpegFixture::Progressive, 100);
    const char *const upright[] = {nullptr, "ABC/DEF", "CBA/FED", "FED/CBA", "DEF/ABC",
                                   "AD/BE/CF", "DA/EB/FC", "FC/EB/DA", "CF/BE/AD"};
    const char *const names[] = {nullptr, "none", "mirror horizontal", "rotate 180", "mirror vertical",
                                 "transpose", "rotate 90 CW", "transverse", "rotate 270 CW"};
    for (int tag = 1; tag <= 8; ++tag) {
        QTest::addRow("%d %s", tag, names[tag]) << withOrientation(colour, tag) << false << false
                                                << QString::fromLatin1(upright[tag]);
        QTest::addRow("%d %s, big-endian", tag, names[tag]) << withOrientation(colour, tag, true) << false
                                                            << false << QString::fromLatin1(upright[tag]);
    }
    QTest::newRow("6 on a palette display") << withOrientation(colour, 6) << true << false << "DA/EB/FC";
    QTest::newRow("3 on a palette display") << withOrientation(colour, 3) << true << false << "FED/CBA";
    QTest::newRow("8 gray") << withOrientation(gray, 8) << false << true << "CF/BE/AD";
    QTest::newRow("2 gray") << withOrientation(gray, 2) << false << true << "CBA/FED";
    QTest::newRow("7 progressive") << withOrientation(progressive, 7) << false << false << "FC/EB/DA";
    // Where phones and editors put it: after a JFIF segment, or after an
    // XMP block that is an APP1 segment too.
    const int jfifEnd = 4 + ((uchar(colour[4]) << 8) | uchar(colour[5]));
    QTest::newRow("6 after JFIF") << colour.left(jfifEnd) + withOrientation(colour.left(2) + colour.mid(jfifEnd), 6).mid(2)
                                  << false << false << "DA/EB/FC";
    QTest::newRow("6 after XMP")
        << withApp1(withOrientation(colour, 6), QByteArray("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 42))
        << false << false << "DA/EB/FC";
    // No EXIF, or EXIF that says nothing usable: as stored.
    QTest::newRow("no EXIF") << colour << false << false << "ABC/DEF";
    QTest::newRow("EXIF header alone") << withApp1(colour, QByteArray("Exif\0\0", 6)) << false << false
                                       << "ABC/DEF";
    QTest::newRow("EXIF of noise") << withApp1(colour, QByteArray("Exif\0\0", 6) + QByteArray(200, '\xA5'))
                                   << false << false << "ABC/DEF";
    QByteArray looping = exifBlock(6);
    looping.replace(10, 4, QByteArray("\x00\x00\x00\x00", 4)); // the directory at the byte-order mark
    QTest::newRow("EXIF directory at its own header") << withApp1(colour, looping) << false << false << "ABC/DEF";
    QByteArray far = exifBlock(6);
    far.replace(10, 4, QByteArray("\xF0\xFF\xFF\x7F", 4)); // far beyond the block
    QTest::newRow("EXIF directory beyond the block") << withApp1(colour, far) << false << false << "ABC/DEF";
    QTest::newRow("EXIF cut in its directory") << withApp1(colour, exifBlock(6).left(19)) << false << false
                                               << "ABC/DEF";
    QTest::newRow("Orientation 0") << withOrientation(colour, 0) << false << false << "ABC/DEF";
    QTest::newRow("Orientation 9") << withOrientation(colour, 9) << false << false << "ABC/DEF";
    QTest::newRow("Orientation 65535") << withOrientation(colour, 65535) << false << false << "ABC/DEF";
    QTest::newRow("EXIF without the Exif name") << withApp1(colour, exifBlock(6).mid(6)) << false << false
                                                << "ABC/DEF";
}

// Every way a picture is turned, wherever its EXIF block lies; a broken
// block never fails the picture.
void TestPictureFiles::jpegComesInUpright()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, paletteDisplay);
    QFETCH(bool, gray);
    QFETCH(QString, upright);
    const QString name = path(QStringLiteral("phone.jpg"));
    QVERIFY(writeFile(name, file));
    JpegDecodeOptions options;
    options.paletteDisplay = paletteDisplay;
    QString error;
    const Bitmap b = readPictureFile(name, options, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.depth, paletteDisplay || gray ? 8 : 24);
    const QString misplaced = misplacedBlock(b.image, upright, gray);
    QVERIFY2(misplaced.isEmpty(), qPrintable(misplaced));
}

void TestPictureFiles::writesBmpAt24Bits()
{
    const QImage picture = gradientPicture(7, 5); // RGB32, as RenderScene gives
    const QString file = path(QStringLiteral("out.BMP"));
    QString error;
    QVERIFY2(writePictureFile(file, picture, &error), qPrintable(error));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const Bitmap back = readBmp(f, &error);
    QVERIFY2(!back.isNull(), qPrintable(error));
    QCOMPARE(back.depth, 24);
    QVERIFY(back.image == picture.convertToFormat(QImage::Format_BGR888));
    QVERIFY(f.atEnd());
}

void TestPictureFiles::writesJpeg()
{
    const QImage picture = gradientPicture(16, 16);
    const QString file = path(QStringLiteral("out.jpeg"));
    QString error;
    QVERIFY2(writePictureFile(file, picture, &error), qPrintable(error));
    QCOMPARE(readFile(file), referenceJpeg(picture));
}

void TestPictureFiles::pngSuite_data()
{
    QTest::addColumn<QString>("name");
    const QStringList names = QDir(QStringLiteral(ZELVANE_PNGSUITE)).entryList({QStringLiteral("*.png")});
    QVERIFY2(names.size() == 51, "the PngSuite images are missing");
    for (const QString &name : names)
        QTest::newRow(qPrintable(name)) << name;
}

// Every colour type and depth, interlaced or not, with and without alpha and
// a transparent colour, against libpng's own expansion.
void TestPictureFiles::pngSuite()
{
    QFETCH(QString, name);
    QString error;
    const Bitmap b = readPictureFile(suiteFile(name), {}, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    const QImage expected = referencePng(suiteFile(name));
    QVERIFY(!expected.isNull());
    const QString difference = firstDifference(b.image.convertToFormat(QImage::Format_RGB32), expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // Held at the file's own depth; grays as a palette of grays.
    const QRegularExpressionMatch kind = QRegularExpression(QStringLiteral("n(\\d)[a-z](\\d\\d)\\.png$")).match(name);
    QVERIFY(kind.hasMatch());
    const int type = kind.captured(1).toInt();
    const int bits = kind.captured(2).toInt();
    const int depth = type == 2 || type == 6 ? 24 : bits == 1 ? 1 : bits < 8 ? 4 : 8;
    QCOMPARE(b.depth, depth);
    if (type == 0 || type == 4)
        QVERIFY(b.image.allGray());
}

void TestPictureFiles::pngExactPixels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<QRgb>("pixel");
    // 16-bit samples of 21074 are 82 (of 255); the transparent colour (white,
    // 65535 each) is white whatever the background chunk says.
    for (const char *name : {"ftbbn2c16.png", "ftbgn2c16.png", "iftbbn2c16.png"}) {
        QTest::addRow("%s 21074", name) << QString::fromLatin1(name) << QPoint(28, 8) << qRgb(82, 82, 82);
        QTest::addRow("%s 28270", name) << QString::fromLatin1(name) << QPoint(15, 3) << qRgb(110, 82, 82);
        QTest::addRow("%s transparent", name) << QString::fromLatin1(name) << QPoint(0, 0) << qRgb(255, 255, 255);
    }
    QTest::newRow("basn2c16 without a transparent colour") << QStringLiteral("basn2c16.png") << QPoint(0, 0)
                                                            << qRgb(255, 255, 0);
}

void TestPictureFiles::pngExactPixels()
{
    QFETCH(QString, name);
    QFETCH(QPoint, at);
    QFETCH(QRgb, pixel);
    QString error;
    const Bitmap b = readPictureFile(suiteFile(name), {}, &error);
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.image.pixel(at), pixel);
}

void TestPictureFiles::writesPng()
{
    const QImage picture = gradientPicture(37, 23);
    const QString file = path(QStringLiteral("out.PNG"));
    QString error;
    QVERIFY2(writePictureFile(file, picture, &error), qPrintable(error));
    const QImage back = referencePng(file);
    const QString difference = firstDifference(back, picture.convertToFormat(QImage::Format_RGB32));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    const Bitmap ours = readPictureFile(file, {}, &error);
    QCOMPARE(ours.depth, 24);
    QVERIFY(ours.image == picture.convertToFormat(QImage::Format_BGR888));
}

void TestPictureFiles::writersTakeBands_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("bottomFirst");
    QTest::addColumn<QString>("message"); // empty: written
    // Taller than libpng's default limit of a million rows; a JPEG can be at
    // most 65500 rows high.
    QTest::newRow("bmp") << "tall.bmp" << QSize(14, 1000040) << true << QString();
    QTest::newRow("png") << "tall.png" << QSize(14, 1000040) << false << QString();
    QTest::newRow("jpeg") << "tall.jpg" << QSize(64, 65500) << false << QString();
    QTest::newRow("jpeg too tall") << "taller.jpg" << QSize(64, 65501) << false << "%1: JPEG ｴﾗｰ #41";
}

void TestPictureFiles::writersTakeBands()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    QFETCH(bool, bottomFirst);
    QFETCH(QString, message);
    const QString file = path(name);
    GeneratedRows rows(size);
    QString error;
    QCOMPARE(writePictureFile(file, rows, &error), message.isEmpty());
    if (!message.isEmpty()) {
        QCOMPARE(error, message.arg(file));
        QVERIFY(!QFile::exists(file));
        return;
    }
    // Bands of at most bandHeight rows, each row asked for once, in the
    // order the rows are written.
    QVERIFY(rows.asked.size() > 1);
    int next = bottomFirst ? size.height() : 0;
    for (const auto &[top, count] : rows.asked) {
        QVERIFY(count >= 1 && count <= rows.bandHeight());
        QCOMPARE(bottomFirst ? top + count : top, next);
        next = bottomFirst ? top : top + count;
    }
    QCOMPARE(next, bottomFirst ? 0 : size.height());

    const QImage whole = GeneratedRows::whole(size);
    if (name.endsWith(u".jpg")) {
        QCOMPARE(readFile(file), referenceJpeg(whole));
        return;
    }
    const Bitmap back = readPictureFile(file, {}, &error);
    QVERIFY2(!back.isNull(), qPrintable(error));
    QCOMPARE(back.depth, 24);
    QVERIFY(back.image == whole.convertToFormat(QImage::Format_BGR888));
    if (name.endsWith(u".bmp")) { // the bytes of the whole-picture writer
        QBuffer bmp;
        bmp.open(QIODevice::WriteOnly);
        QVERIFY(writeBmp(bmp, Bitmap{whole.convertToFormat(QImage::Format_BGR888), 24}));
        QVERIFY(readFile(file) == bmp.data());
    }
}

void TestPictureFiles::bmpSizeField_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<BmpFileSize>("mode");
    QTest::addColumn<QString>("message"); // empty: read, a blue and a white pixel
    BmpSpec s;
    s.width = 2;
    s.pixels = QByteArray::fromHex("FF0000FFFFFF0000");
    s.fileSize = 0;
    QTest::newRow("size 0") << buildBmp(s) << BmpFileSize::Lenient << QString();
    QTest::newRow("size 0, exact") << buildBmp(s) << BmpFileSize::Exact
                                   << "BMP: pixel offset 54 lies beyond the file size of 0 bytes";
    s.fileSize = 100000;
    QTest::newRow("size beyond the file") << buildBmp(s) << BmpFileSize::Lenient << QString();
    QTest::newRow("size beyond the file, exact") << buildBmp(s) << BmpFileSize::Exact
                                                 << "BMP: image cut short before its declared size of 100000 bytes";
    s.fileSize = 0;
    QTest::newRow("size 0, pixels cut short") << buildBmp(s).left(60) << BmpFileSize::Lenient
                                              << "BMP: image data cut short (6 of 8 bytes)";
    s.fileSize = 60;
    QTest::newRow("size that leaves the pixels no room") << buildBmp(s) << BmpFileSize::Lenient
        << "BMP: the pixel array (8 bytes from offset 54) does not fit in the file size of 60 bytes";

    // RLE8 without an image size runs to the end of the file.
    BmpSpec rle;
    rle.width = 2;
    rle.bits = 8;
    rle.compression = 1;
    rle.palette = {qRgb(0, 0, 255), qRgb(255, 255, 255)};
    rle.pixels = QByteArray::fromHex("0100 0101 0001");
    QByteArray bytes = buildBmp(rle);
    bytes.replace(34, 4, QByteArray(4, '\0')); // biSizeImage 0
    for (const quint32 size : {0u, 100000u}) {
        QByteArray sized = bytes;
        qToLittleEndian(size, sized.data() + 2);
        QTest::addRow("RLE8 to the end, size %u", size) << sized << BmpFileSize::Lenient << QString();
    }
}

// Picture files with a size field of 0 or beyond their end, as several
// programs write them, are read by their offsets and sizes.
void TestPictureFiles::bmpSizeField()
{
    QFETCH(QByteArray, bytes);
    QFETCH(BmpFileSize, mode);
    QFETCH(QString, message);
    const QString file = path(QStringLiteral("sized.bmp"));
    QVERIFY(writeFile(file, bytes));
    QString error;
    const Bitmap b = readPictureFile(file, {}, &error, nullptr, mode);
    if (!message.isEmpty()) {
        QVERIFY(b.isNull());
        QCOMPARE(error, message);
        return;
    }
    QVERIFY2(!b.isNull(), qPrintable(error));
    QCOMPARE(b.image.size(), QSize(2, 1));
    QCOMPARE(b.image.pixel(0, 0), qRgb(0, 0, 255));
    QCOMPARE(b.image.pixel(1, 0), qRgb(255, 255, 255));
}

void TestPictureFiles::unknownKindWritesNothing()
{
    QString error = QStringLiteral("untouched");
    QVERIFY(writePictureFile(path(QStringLiteral("out")), gradientPicture(4, 4), &error));
    QVERIFY(writePictureFile(path(QStringLiteral("out.gif")), gradientPicture(4, 4), &error));
    QVERIFY(!QFile::exists(path(QStringLiteral("out"))));
    QVERIFY(!QFile::exists(path(QStringLiteral("out.gif"))));
    QCOMPARE(error, QStringLiteral("untouched"));
}

void TestPictureFiles::failedWriteKeepsThePreviousFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("keep.jpg"));
    QVERIFY(writeFile(file, "previous picture"));
    QString error;
    QVERIFY(!writePictureFile(file, QImage(), &error));
    QCOMPARE(error, file + QStringLiteral(": JPEG: no picture to write"));
    QCOMPARE(readFile(file), QByteArray("previous picture"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("keep.jpg")});
}

void TestPictureFiles::unwritablePlaceIsReported()
{
    const QString file = path(QStringLiteral("no-such-folder/out.bmp"));
    QString error;
    QVERIFY(!writePictureFile(file, gradientPicture(4, 4), &error));
    QVERIFY2(error.startsWith(file + QStringLiteral(": ")), qPrintable(error));
    QVERIFY(!QFile::exists(file));
}

QTEST_GUILESS_MAIN(TestPictureFiles)
#include "tst_picturefiles.moc"
