#include "DocumentTestSupport.h"

#include "document/BmhDocument.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <QBuffer>
#include <QtTest>

#include <limits>

using namespace zel;
using namespace doc;

namespace {

struct Fixture {
    UiState ui;
    Scene scene{ui};
};

QByteArray written(const Scene &scene)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!WriteDocument(buffer, scene, &error))
        qWarning() << error;
    return buffer.data();
}

bool readInto(const QByteArray &bytes, Scene &scene, QString *error,
              const DocumentLimits &limits = {})
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return ReadDocument(buffer, scene, error, limits);
}

// The flags and placement of every part, top first, as "l,t,w,h m/g/t".
QStringList summary(const Scene &scene)
{
    QStringList out;
    for (int i = 0; i < scene.count(); ++i) {
        const ScenePart &p = scene.part(i);
        const QRect b = p.Image->bounds();
        out << QStringLiteral("%1,%2,%3,%4 %5/%6/%7")
                   .arg(b.x()).arg(b.y()).arg(b.width()).arg(b.height())
                   .arg(p.Monochrome).arg(p.Grayscale).arg(p.Transparent);
    }
    return out;
}

void expectUntouched(const Scene &scene)
{
    QCOMPARE(scene.count(), 0);
    QCOMPARE(scene.backgroundSize(), Scene::kDefaultBackground);
    QCOMPARE(scene.backgroundColour(), kWhite);
    QCOMPARE(scene.SelectedIndex(), -1);
}

const Bitmap kSmall = picture(3, 2, 1);

QStringList strings(std::initializer_list<const char *> items)
{
    QStringList out;
    for (const char *item : items)
        out << QString::fromUtf8(item);
    return out;
}

} // namespace

class TestBmhDocument : public QObject
{
    Q_OBJECT
private slots:
    void writesTheExampleByteForByte();
    void emptySceneIsTheHeaderAlone();
    void stackingOrderIsKept();
    void displayedSizeIsKeptApartFromTheSource();
    void flagBytesAreKept_data();
    void flagBytesAreKept();
    void everyDepthRoundTrips_data();
    void everyDepthRoundTrips();
    void earlierLayout_data();
    void earlierLayout();
    void extremePlacementsWithinTheLimitAreKept();
    void bytesAfterTheLastEntryAreIgnored();
    void readsFromAPipe();
    void malformedFilesChangeNothing_data();
    void malformedFilesChangeNothing();
    void totalPixelsAreLimited();
    void refusesASceneThatIsNotEmpty();
    void shortWritesFail_data();
    void shortWritesFail();
};

void TestBmhDocument::writesTheExampleByteForByte()
{
    Fixture f;
    const Bitmap source = picture(30, 20, 4);
    f.scene.InsertPart(10, 20, 100, 50, source, 0, 0, 255);
    QVERIFY(f.ui.isChecked(Item::TransparentModeItem));
    const QByteArray bytes = written(f.scene);
    const QByteArray expected = QByteArray::fromHex(
        "01000000 08020000 88010000 FFFFFF00 01 01 0000 00000000"
        "0A000000 14000000 64000000 32000000 00 00 FF"
        "000000000000000000000000000000000000000000"
        "424D");
    QCOMPARE(bytes.left(expected.size()), expected);
    QCOMPARE(bytes.mid(64), bmpBytes(source));
}

void TestBmhDocument::emptySceneIsTheHeaderAlone()
{
    Fixture f;
    f.scene.setBackgroundSize(QSize(300, 200));
    f.scene.setBackgroundColour(0x00123456);
    // Transparent mode is on at start-up.
    QCOMPARE(written(f.scene), header(0, 306, 206, 0x00123456, 1, 1));
    f.scene.SetTransparentMode(0);
    const QByteArray bytes = written(f.scene);
    QCOMPARE(bytes, header(0, 306, 206, 0x00123456, 0, 1));

    Fixture g;
    QString error;
    QVERIFY2(readInto(bytes, g.scene, &error), qPrintable(error));
    QCOMPARE(g.scene.count(), 0);
    QCOMPARE(g.scene.backgroundSize(), QSize(300, 200));
    QCOMPARE(g.scene.backgroundColour(), Colour(0x00123456));
    QCOMPARE(g.scene.SelectedIndex(), -1);
}

void TestBmhDocument::stackingOrderIsKept()
{
    Fixture f;
    f.scene.InsertPart(3, 0, 5, 5, picture(5, 5, 3), 0, 0, 1);  // Z, ends at the bottom
    f.scene.InsertPart(2, 0, 5, 5, picture(5, 5, 2), 0, 0, 1);  // Y
    f.scene.InsertPart(1, 0, 5, 5, picture(5, 5, 1), 0, 0, 1);  // X, on top
    const QByteArray bytes = written(f.scene);
    const qint64 entry = 40 + bmpBytes(picture(5, 5, 1)).size();
    QCOMPARE(bytes.mid(24, 4), le32(3));             // Z first
    QCOMPARE(bytes.mid(24 + entry, 4), le32(2));     // then Y
    QCOMPARE(bytes.mid(24 + 2 * entry, 4), le32(1)); // X last
    QCOMPARE(bytes.size(), 24 + 3 * entry);

    Fixture g;
    QString error;
    QVERIFY2(readInto(bytes, g.scene, &error), qPrintable(error));
    QCOMPARE(summary(g.scene),
             strings({"1,0,5,5 0/0/1", "2,0,5,5 0/0/1", "3,0,5,5 0/0/1"}));
    QVERIFY(g.scene.part(0).Source == picture(5, 5, 1));
    QVERIFY(g.scene.part(2).Source == picture(5, 5, 3));
    QCOMPARE(g.scene.SelectedIndex(), 0);
    QCOMPARE(g.scene.stacking().back(), g.scene.part(0).Image.get()); // X in front
    QCOMPARE(g.ui.statusText(1), QStringLiteral("(1, 0, 5, 5)"));
}

void TestBmhDocument::displayedSizeIsKeptApartFromTheSource()
{
    Fixture f;
    f.scene.InsertPart(-7, 9, 100, 50, picture(30, 20, 5), 0, 0, 1);
    const QByteArray bytes = written(f.scene);
    QCOMPARE(bytes.mid(24, 16), le32(-7) + le32(9) + le32(100) + le32(50));
    Fixture g;
    QString error;
    QVERIFY2(readInto(bytes, g.scene, &error), qPrintable(error));
    QCOMPARE(g.scene.part(0).Image->bounds(), QRect(-7, 9, 100, 50));
    QCOMPARE(g.scene.part(0).Source.image.size(), QSize(30, 20));
}

void TestBmhDocument::flagBytesAreKept_data()
{
    QTest::addColumn<qint32>("mono");
    QTest::addColumn<qint32>("gray");
    QTest::addColumn<qint32>("transparent");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("pasted") << 0 << 0 << 1 << QByteArray("\x00\x00\x01", 3) << "0/0/1";
    QTest::newRow("toggled on") << -1 << -1 << -1 << QByteArray("\xFF\xFF\xFF", 3) << "255/255/255";
    QTest::newRow("opaque monochrome") << -1 << 0 << 0 << QByteArray("\xFF\x00\x00", 3) << "255/0/0";
}

void TestBmhDocument::flagBytesAreKept()
{
    QFETCH(qint32, mono);
    QFETCH(qint32, gray);
    QFETCH(qint32, transparent);
    QFETCH(QByteArray, stored);
    QFETCH(QString, readBack);
    Fixture f;
    f.scene.InsertPart(0, 0, 3, 2, kSmall, mono, gray, transparent);
    const QByteArray bytes = written(f.scene);
    QCOMPARE(bytes.mid(24 + 16, 3), stored);
    QCOMPARE(int(bytes[16]), transparent != 0 ? 1 : 0); // the check mark follows the top part
    Fixture g;
    QString error;
    QVERIFY2(readInto(bytes, g.scene, &error), qPrintable(error));
    QCOMPARE(summary(g.scene), QStringList{QStringLiteral("0,0,3,2 ") + readBack});
    QCOMPARE(g.ui.isChecked(Item::MonochromeItem), mono != 0);
    QCOMPARE(g.ui.isChecked(Item::GrayItem), gray != 0);
    QCOMPARE(g.ui.isChecked(Item::TransparentModeItem), transparent != 0);
}

void TestBmhDocument::everyDepthRoundTrips_data()
{
    QTest::addColumn<int>("depth");
    for (int depth : {1, 4, 8, 16, 24, 32})
        QTest::newRow(qPrintable(QStringLiteral("%1-bit").arg(depth))) << depth;
}

void TestBmhDocument::everyDepthRoundTrips()
{
    QFETCH(int, depth);
    QImage rgb = picture(11, 5, depth).image.convertToFormat(QImage::Format_RGB32);
    Bitmap source;
    source.depth = depth;
    switch (depth) {
    case 1:
        source.image = rgb.convertToFormat(QImage::Format_Mono);
        break;
    case 4:
    case 8: {
        QList<QRgb> table;
        for (int i = 0; i < (depth == 4 ? 16 : 200); ++i)
            table.append(qRgb(i, 255 - i, (i * 7) & 0xFF));
        source.image = QImage(11, 5, QImage::Format_Indexed8);
        source.image.setColorTable(table);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 11; ++x)
                source.image.setPixel(x, y, uint((x * 5 + y * 3) % table.size()));
        break;
    }
    case 16: // held widened, as a 16-bit picture from a file or the clipboard is
        source.image = Bitmap::fromImage(rgb.convertToFormat(QImage::Format_RGB555)).image;
        break;
    case 24:
        source.image = rgb.convertToFormat(QImage::Format_BGR888);
        break;
    default:
        source.image = rgb;
    }
    Fixture f;
    f.scene.InsertPart(1, 2, 22, 10, source, 0, 0, 1);
    f.scene.InsertPart(0, 0, 3, 2, kSmall, 0, 0, 1);
    const QByteArray bytes = written(f.scene);
    QCOMPARE(int(qFromLittleEndian<quint16>(bytes.constData() + 24 + 40 + 28)), depth);
    Fixture g;
    QString error;
    QVERIFY2(readInto(bytes, g.scene, &error), qPrintable(error));
    const Bitmap &back = g.scene.part(1).Source;
    QCOMPARE(back.depth, depth);
    QCOMPARE(back.image.format(), source.image.format());
    QCOMPARE(back.image.colorTable(), source.image.colorTable());
    QVERIFY(back.image == source.image);
    QVERIFY(g.scene.part(0).Source == kSmall);
    // Read and written again, the document keeps its bytes.
    QCOMPARE(written(g.scene), bytes);
    // Its headers alone tell the same sizes and depths.
    QList<QSize> sizes;
    QList<int> depths;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY2(readDocumentParts(
                 buffer, [](const DocumentHeader &) {},
                 [&](DocumentPart &&part) {
                     QVERIFY(part.source.isNull());
                     sizes << part.sourceSize;
                     depths << part.sourceDepth;
                 },
                 &error, DocumentLimits(), SourcePixels::Skip),
             qPrintable(error));
    QCOMPARE(sizes, (QList<QSize>{QSize(11, 5), kSmall.image.size()}));
    QCOMPARE(depths, (QList<int>{depth, 24}));
}

void TestBmhDocument::earlierLayout_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("parts"); // top first
    const QByteArray image = bmpBytes(kSmall);

    QTest::newRow("layout 0, short records, transparent")
        << header(2, 20, 20, 0, 1, 0) + shortRecord(1, 2, 3, 4) + image + shortRecord(5, 6, 7, 8) + image
        << strings({"5,6,7,8 0/0/1", "1,2,3,4 0/0/1"});
    QTest::newRow("layout 0, short records, opaque")
        << header(1, 20, 20, 0, 0, 0) + shortRecord(1, 2, 3, 4) + image
        << strings({"1,2,3,4 0/0/0"});
    QTest::newRow("layout 0, long records: flags but not transparency from them")
        << header(2, 20, 20, 0, 1, 0) + record(1, 1, 3, 2, 1, 0, 0) + image
               + record(2, 2, 3, 2, 0, 255, 0) + image
        << strings({"2,2,3,2 0/255/1", "1,1,3,2 1/0/1"});
    QTest::newRow("layout 0, mixed record sizes")
        << header(2, 20, 20, 0, 0, 0) + shortRecord(1, 1, 3, 2) + image + record(2, 2, 3, 2, 1, 1, 1) + image
        << strings({"2,2,3,2 1/1/0", "1,1,3,2 0/0/0"});
    QTest::newRow("layout 1 switches at its first short record")
        << header(3, 20, 20, 0, 0, 1) + record(1, 1, 3, 2, 1, 0, 1) + image
               + shortRecord(2, 2, 3, 2) + image + record(3, 3, 3, 2, 0, 1, 1) + image
        << strings({"3,3,3,2 0/1/0", "2,2,3,2 0/0/0", "1,1,3,2 1/0/1"});
    QTest::newRow("other layout values count as current")
        << header(1, 20, 20, 0, 0, 7) + record(1, 1, 3, 2, 0, 0, 1) + image
        << strings({"1,1,3,2 0/0/1"});
}

void TestBmhDocument::earlierLayout()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, parts);
    Fixture f;
    QString error;
    QVERIFY2(readInto(bytes, f.scene, &error), qPrintable(error));
    QCOMPARE(summary(f.scene), parts);
    for (int i = 0; i < f.scene.count(); ++i)
        QVERIFY(f.scene.part(i).Source == kSmall);
}

void TestBmhDocument::extremePlacementsWithinTheLimitAreKept()
{
    const QByteArray image = bmpBytes(kSmall);
    const QByteArray bytes = header(2, 20, 20, 0, 0, 1)
                             + record(-1073741824, 1073741822, 3, 2, 0, 0, 1) + image
                             + record(1073741821, -1073741824, 3, 0, 0, 0, 1) + image;
    Fixture f;
    QString error;
    QVERIFY2(readInto(bytes, f.scene, &error), qPrintable(error));
    QCOMPARE(summary(f.scene), strings({"1073741821,-1073741824,3,0 0/0/1",
                                        "-1073741824,1073741822,3,2 0/0/1"}));
    const QImage picture = RenderScene(f.scene); // wholly outside: background only
    QCOMPARE(picture.pixel(0, 0), qRgb(0, 0, 0));
}

void TestBmhDocument::bytesAfterTheLastEntryAreIgnored()
{
    Fixture f;
    f.scene.InsertPart(4, 4, 3, 2, kSmall, 0, 0, 1);
    QBuffer buffer;
    buffer.setData(written(f.scene) + "trailing junk" + QByteArray(100, '\xFF'));
    buffer.open(QIODevice::ReadOnly);
    Fixture g;
    QString error;
    QVERIFY2(ReadDocument(buffer, g.scene, &error), qPrintable(error));
    QCOMPARE(summary(g.scene), strings({"4,4,3,2 0/0/1"}));
}

void TestBmhDocument::readsFromAPipe()
{
    const QByteArray image = bmpBytes(kSmall);
    PipeDevice pipe(header(2, 20, 20, 0, 1, 1) + record(1, 1, 3, 2, 1, 0, 0) + image
                    + shortRecord(2, 2, 3, 2) + image);
    Fixture f;
    QString error;
    QVERIFY2(ReadDocument(pipe, f.scene, &error), qPrintable(error));
    QCOMPARE(summary(f.scene), strings({"2,2,3,2 0/0/1", "1,1,3,2 1/0/0"}));
}

void TestBmhDocument::malformedFilesChangeNothing_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray image = bmpBytes(kSmall);
    const QByteArray one = record(0, 0, 3, 2, 0, 0, 1) + image;
    const int intMax = std::numeric_limits<int>::max();

    QTest::newRow("empty") << QByteArray() << "document header cut short (0 of 24 bytes)";
    QTest::newRow("23 bytes") << header(0, 20, 20, 0, 0, 1).left(23)
                              << "document header cut short (23 of 24 bytes)";
    QTest::newRow("more parts than entries")
        << header(2, 20, 20, 0, 0, 1) + one << "part entry 2 of 2: record cut short";
    QTest::newRow("record cut short")
        << header(3, 20, 20, 0, 0, 1) + one + one + QByteArray(30, '\0')
        << "part entry 3 of 3: record cut short";
    QTest::newRow("image missing after its record")
        << header(2, 20, 20, 0, 0, 1) + one + record(0, 0, 3, 2, 0, 0, 1)
        << "part entry 2 of 2: BMP: file header cut short";
    QTest::newRow("a count the bytes cannot hold")
        << header(1000, 20, 20, 0, 0, 1) + one
        << QStringLiteral("1000 parts cannot fit in the %1 bytes that follow the header").arg(one.size());
    QTest::newRow("negative count") << header(-1, 20, 20, 0, 0, 1) + one << "negative part count -1";
    QTest::newRow("frame narrower than 7") << header(0, 6, 20, 0, 0, 1) << "frame 6 x 20 is smaller than 7 x 7";
    QTest::newRow("frame negative") << header(0, 20, -5, 0, 0, 1) << "frame 20 x -5 is smaller than 7 x 7";
    QTest::newRow("background too large")
        << header(0, 20006, 20006, 0, 0, 1)
        << "background 20000 x 20000 is more than the limit of 268435456 pixels";
    QTest::newRow("displayed size too large")
        << header(1, 20, 20, 0, 0, 1) + record(0, 0, 20000, 20000, 0, 0, 1) + image
        << "part entry 1 of 1: displayed size 20000 x 20000 is more than the limit of 268435456 pixels";
    QTest::newRow("negative displayed size")
        << header(1, 20, 20, 0, 0, 1) + record(0, 0, -3, 2, 0, 0, 1) + image
        << "part entry 1 of 1: negative displayed size -3 x 2";
    QTest::newRow("placement near the end of the int range")
        << header(1, 20, 20, 0, 0, 1) + record(intMax - 1, 0, 3, 2, 0, 0, 1) + image
        << QStringLiteral("part entry 1 of 1: placement (%1, 0, 3, 2) reaches beyond ±1073741824").arg(intMax - 1);
    QTest::newRow("top at the lowest int")
        << header(1, 20, 20, 0, 0, 1) + record(0, std::numeric_limits<int>::min(), 3, 2, 0, 0, 1) + image
        << "part entry 1 of 1: placement (0, -2147483648, 3, 2) reaches beyond ±1073741824";
    QTest::newRow("right edge one beyond the limit")
        << header(1, 20, 20, 0, 0, 1) + record(1073741822, 0, 3, 2, 0, 0, 1) + image
        << "part entry 1 of 1: placement (1073741822, 0, 3, 2) reaches beyond ±1073741824";
    QTest::newRow("second image invalid")
        << header(2, 20, 20, 0, 0, 1) + one + record(0, 0, 3, 2, 0, 0, 1) + "BX" + image.mid(2)
        << "part entry 2 of 2: BMP: not a BMP image (no \"BM\" signature)";
    // A source whose header claims more than the document has left is
    // refused on its word, before its pixels are looked for.
    const QByteArray claim = bmpBytes(kSmall).left(14 + 40);
    QByteArray huge = claim;
    qToLittleEndian(qint32(16384), huge.data() + 18);
    qToLittleEndian(qint32(16384), huge.data() + 22);
    const QByteArray wide = record(0, 0, 16384, 16384, 0, 0, 1);
    QTest::newRow("a source beyond what the document has left")
        << header(3, 20, 20, 0, 0, 1) + wide + image + wide + image + wide + huge
        << "part entry 3 of 3: the parts so far hold more than the limit of 1073741824 pixels";
    QTest::newRow("image cut short at the end")
        << header(1, 20, 20, 0, 0, 1) + record(0, 0, 3, 2, 0, 0, 1) + image.left(image.size() - 1)
        << "part entry 1 of 1: BMP: image data cut short (23 of 24 bytes)";
}

void TestBmhDocument::malformedFilesChangeNothing()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    Fixture f;
    QString error;
    QVERIFY(!readInto(bytes, f.scene, &error));
    QCOMPARE(error, message);
    expectUntouched(f.scene);
    // Reading the headers alone fails the same way.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QVERIFY(!readDocumentParts(buffer, [](const DocumentHeader &) {}, [](DocumentPart &&) {}, &error,
                               DocumentLimits(), SourcePixels::Skip));
    QCOMPARE(error, message);
}

void TestBmhDocument::totalPixelsAreLimited()
{
    const QByteArray one = record(0, 0, 10, 10, 0, 0, 1) + bmpBytes(kSmall); // 100 + 6 pixels
    const QByteArray bytes = header(3, 20, 20, 0, 0, 1) + one + one + one;
    DocumentLimits limits;
    limits.maxTotalPixels = 300;
    Fixture f;
    QString error;
    QVERIFY(!readInto(bytes, f.scene, &error, limits));
    QCOMPARE(error, QStringLiteral("part entry 3 of 3: the parts so far hold more than the limit of 300 pixels"));
    expectUntouched(f.scene);
    limits.maxTotalPixels = 318;
    QVERIFY2(readInto(bytes, f.scene, &error, limits), qPrintable(error));
    QCOMPARE(f.scene.count(), 3);
}

void TestBmhDocument::refusesASceneThatIsNotEmpty()
{
    Fixture f;
    f.scene.InsertPart(0, 0, 3, 2, kSmall, 0, 0, 1);
    Fixture other;
    other.scene.InsertPart(5, 5, 3, 2, kSmall, 0, 0, 1);
    QString error;
    QVERIFY(!readInto(written(other.scene), f.scene, &error));
    QCOMPARE(error, QStringLiteral("a document can only be read into an empty scene"));
    QCOMPARE(summary(f.scene), strings({"0,0,3,2 0/0/1"}));
}

void TestBmhDocument::shortWritesFail_data()
{
    QTest::addColumn<qint64>("capacity");
    QTest::addColumn<QString>("message");
    const qint64 image = bmpBytes(kSmall).size();
    QTest::newRow("in the header") << qint64(10) << "header: write failed: No space left on device";
    QTest::newRow("in the first record") << qint64(30) << "part entry 1 of 2: write failed: No space left on device";
    QTest::newRow("in the first image") << qint64(24 + 40 + 20)
                                        << "part entry 1 of 2: BMP: write failed: No space left on device";
    QTest::newRow("in the last image") << 24 + 2 * (40 + image) - 1
                                       << "part entry 2 of 2: BMP: write failed: No space left on device";
}

void TestBmhDocument::shortWritesFail()
{
    QFETCH(qint64, capacity);
    QFETCH(QString, message);
    Fixture f;
    f.scene.InsertPart(0, 0, 3, 2, kSmall, 0, 0, 1);
    f.scene.InsertPart(1, 1, 3, 2, kSmall, 0, 0, 1);
    FullDisk disk(capacity);
    QString error;
    QVERIFY(!WriteDocument(disk, f.scene, &error));
    QCOMPARE(error, message);
    QCOMPARE(disk.written, written(f.scene).left(capacity)); // nothing out of order before it
}

QTEST_GUILESS_MAIN(TestBmhDocument)
#include "tst_bmhdocument.moc"
