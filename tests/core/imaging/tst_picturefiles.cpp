#include "JpegFixtures.h"

#include "imaging/BmpCodec.h"
#include "imaging/PictureFiles.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QtTest>

using namespace zel;

Q_DECLARE_METATYPE(zel::PictureKind)

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
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
    void writesBmpAt24Bits();
    void writesJpeg();
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
    QTest::newRow("not a png") << "pic.png" << QByteArray("x") << "PNG: Unknown error";
    // 65 bytes claiming 16384 x 16384 at 16 bits a channel (2 GiB decoded):
    // refused before anything is allocated.
    QTest::newRow("png header that lies") << "lies.png"
        << QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\x0dIHDR\x00\x00\x40\x00\x00\x00\x40\x00\x10\x06"
                      "\x00\x00\x00\xf9\x58\xcc\xc7\x00\x00\x00\x08IDAT\x78\x9c\x03\x00\x00\x00\x00\x01"
                      "\x48\x06\x89\xd2\x00\x00\x00\x00IEND\xae\x42\x60\x82", 65)
        << "PNG: Unable to read image data";
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
    if (name == u"lies.png") // the decoder's memory is refused, not merely its data
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("exceeds the current allocation limit")));
    QString error;
    QVERIFY(readPictureFile(file, {}, &error).isNull());
    QCOMPARE(error, message.contains(QStringLiteral("%1")) ? message.arg(file) : message);
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
