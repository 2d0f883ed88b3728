#include "DocumentTestSupport.h"

#include "document/DocumentFile.h"
#include "scene/Scene.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace zel;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
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

QTEST_GUILESS_MAIN(TestDocumentFile)
#include "tst_documentfile.moc"
