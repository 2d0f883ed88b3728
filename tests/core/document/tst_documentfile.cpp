#include "DocumentTestSupport.h"
#include "FileBytes.h"

#include "document/DocumentFile.h"
#include "scene/Scene.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zel;

using zel::test::readFile;
using zel::test::writeFile;

namespace {

// A picture of the given depth whose pixels depend on seed.
zel::Bitmap pictureAtDepth(int depth, int width, int height, int seed)
{
    const QImage::Format format = depth == 1   ? QImage::Format_Mono
                                  : depth <= 8 ? QImage::Format_Indexed8
                                  : depth == 16 ? QImage::Format_RGB555
                                  : depth == 24 ? QImage::Format_BGR888
                                                : QImage::Format_RGB32;
    QImage image(width, height, format);
    const int colours = depth == 1 ? 2 : depth == 4 ? 16 : 256;
    if (depth <= 8) {
        QList<QRgb> table;
        for (int i = 0; i < colours; ++i)
            table.append(qRgb((i * 37 + seed) & 0xFF, (i * 91) & 0xFF, (i * 13 + seed * 7) & 0xFF));
        image.setColorTable(table);
    }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int v = x * 31 + y * 17 + seed * 5;
            if (depth <= 8)
                image.setPixel(x, y, uint(v % colours));
            else
                image.setPixel(x, y, qRgb(v & 0xFF, (v >> 3) & 0xFF, (x * y) & 0xFF));
        }
    return zel::Bitmap::fromImage(image);
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestDocumentFile : public QObject
{
    Q_OBJECT
private slots:
    void savesAndOpens();
    void failedSaveKeepsThePreviousFile();
    void unwritableFolderIsACreateError();
    void openErrors();
    void fileReadsAsMemory();
};

void TestDocumentFile::savesAndOpens()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.BMH"));
    QVERIFY(writeFile(path, "an older document"));
    UiState ui;
    Scene scene(ui);
    scene.setBackgroundSize(QSize(40, 30));
    scene.InsertPart(5, 6, 7, 8, doc::picture(7, 8, 1), 0, -1, 1);
    scene.InsertPart(1, 2, 30, 20, doc::picture(3, 4, 2), -1, 0, 0);
    QString detail;
    QCOMPARE(saveDocumentFile(path, scene, &detail), SaveError::None);
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("doc.BMH")});

    UiState ui2;
    Scene back(ui2);
    QCOMPARE(openDocumentFile(path, back, &detail), OpenError::None);
    QCOMPARE(back.backgroundSize(), QSize(40, 30));
    QCOMPARE(back.count(), 2);
    QCOMPARE(back.part(0).Image->bounds(), QRect(1, 2, 30, 20));
    QCOMPARE(back.part(0).Monochrome, 255);
    QCOMPARE(back.part(1).Grayscale, 255);
    QVERIFY(back.part(1).Source == doc::picture(7, 8, 1));
}

void TestDocumentFile::failedSaveKeepsThePreviousFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("doc.BMH"));
    QVERIFY(writeFile(path, "the previous document"));
    UiState ui;
    Scene scene(ui);
    scene.InsertPart(0, 0, 3, 2, doc::picture(3, 2, 1), 0, 0, 1);
    scene.InsertPart(0, 0, 3, 2, Bitmap(), 0, 0, 1); // no source: its image cannot be written
    QString detail;
    QCOMPARE(saveDocumentFile(path, scene, &detail), SaveError::Write);
    QCOMPARE(detail, QStringLiteral("part entry 2 of 2: BMP: no image to write"));
    QCOMPARE(readFile(path), QByteArray("the previous document"));
    QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("doc.BMH")}); // no leftovers
}

void TestDocumentFile::unwritableFolderIsACreateError()
{
    QTemporaryDir dir;
    UiState ui;
    Scene scene(ui);
    QString detail;
    QCOMPARE(saveDocumentFile(dir.filePath(QStringLiteral("missing/doc.BMH")), scene, &detail),
             SaveError::Create);
    QVERIFY(!detail.isEmpty());
    QCOMPARE(saveDocumentFile(dir.path(), scene), SaveError::Create); // a folder is no file
    QVERIFY(QFileInfo(dir.path()).isDir());
}

void TestDocumentFile::openErrors()
{
    QTemporaryDir dir;
    UiState ui;
    Scene scene(ui);
    QString detail;
    QCOMPARE(openDocumentFile(dir.filePath(QStringLiteral("none.BMH")), scene, &detail),
             OpenError::Open);
    QCOMPARE(detail, QStringLiteral("No such file or directory"));

    const QString bad = dir.filePath(QStringLiteral("bad.BMH"));
    QVERIFY(writeFile(bad, doc::header(1, 20, 20, 0x0000FF, 0, 1) + doc::record(0, 0, 3, 2, 0, 0, 1)
                               + "BX" + doc::bmpBytes(doc::picture(3, 2, 1)).mid(2)));
    QCOMPARE(openDocumentFile(bad, scene, &detail), OpenError::Read);
    QCOMPARE(detail, QStringLiteral("part entry 1 of 1: BMP: not a BMP image (no \"BM\" signature)"));
    QCOMPARE(scene.count(), 0);
    QCOMPARE(scene.backgroundColour(), kWhite); // the file's colour did not come in
}

// A file is read rows straight into the parts' images; the same bytes from
// memory go the plain way. Parts of every depth, one taller than a single
// read call takes, and a last entry of the earlier layout, whose image
// begins inside its record.
void TestDocumentFile::fileReadsAsMemory()
{
    const int depths[] = {1, 4, 8, 16, 24, 32, 24};
    const QSize sizes[] = {{13, 7}, {9, 5}, {33, 600}, {5, 5}, {301, 1100}, {3, 9}, {7, 3}};
    QByteArray bytes = doc::header(7, 326, 1306, 0x00336699, 1, 1);
    for (int i = 0; i < 7; ++i) {
        const QByteArray image = doc::bmpBytes(pictureAtDepth(depths[i], sizes[i].width(), sizes[i].height(), i));
        bytes += i < 6 ? doc::record(i * 10, i * 20, 50 + i, 40 + i, quint8(i & 1), quint8(i & 2), quint8(i * 40))
                       : doc::shortRecord(-5, -6, 70, 80);
        bytes += image;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("every depth.BMH"));
    QVERIFY(writeFile(path, bytes));
    DocumentContents fromFile;
    QString detail;
    QCOMPARE(readDocumentFile(path, fromFile, &detail), OpenError::None);

    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    DocumentContents fromMemory;
    QVERIFY2(readDocumentContents(buffer, fromMemory, &detail), qPrintable(detail));
    QCOMPARE(fromFile.parts.size(), size_t(7));
    QCOMPARE(fromMemory.parts.size(), size_t(7));
    for (size_t i = 0; i < 7; ++i) {
        const DocumentPart &a = fromFile.parts[i];
        const DocumentPart &b = fromMemory.parts[i];
        QCOMPARE(a.bounds, b.bounds);
        QCOMPARE(a.source.depth, depths[6 - i]);
        QVERIFY2(a.source == b.source, qPrintable(QStringLiteral("part %1").arg(i)));
        QCOMPARE(a.source.image.colorTable(), b.source.image.colorTable());
        QCOMPARE(QList<qint32>({a.monochrome, a.grayscale, a.transparent}),
                 QList<qint32>({b.monochrome, b.grayscale, b.transparent}));
    }
    QCOMPARE(fromFile.parts[0].bounds, QRect(-5, -6, 70, 80));
    QVERIFY(fromFile.parts[2].source == pictureAtDepth(24, 301, 1100, 4));
}

QTEST_GUILESS_MAIN(TestDocumentFile)
#include "tst_documentfile.moc"
