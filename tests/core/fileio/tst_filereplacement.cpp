// Every writer replaces its file the one safe way: on a full disk at any
// point it fails, leaves the previous file byte for byte and no temporary
// file; with room enough it writes the complete file.
#include "DocumentTestSupport.h"
#include "FileSizeLimit.h"

#include "document/DocumentFile.h"
#include "fileio/FileReplacement.h"
#include "fileio/NativePath.h"
#include "imaging/PictureFiles.h"
#include "printing/PdfPrinterPort.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <unistd.h>

using namespace zel;

namespace {

const QByteArray kPrevious = QByteArrayLiteral("the previous file, kept whole");

QByteArray readFile(const QString &path)
{
    QFile f;
    return openForReading(f, path, nullptr) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A writer under test: true when it reports success.
using Writer = std::function<bool(const QString &path, QString *error)>;

struct Fixture {
    UiState ui;
    Scene scene{ui};
    Fixture()
    {
        scene.setBackgroundSize(QSize(300, 200));
        scene.setBackgroundColour(Colour(0x00336699));
        scene.InsertPart(10, 20, 120, 110, doc::picture(120, 110, 3), 0, 0, 1);
        scene.InsertPart(150, 30, 90, 80, doc::picture(60, 40, 7), -1, 0, 0);
    }
};

Writer writerFor(const QString &kind, const Scene &scene)
{
    if (kind == u"document")
        return [&scene](const QString &path, QString *error) {
            return saveDocumentFile(path, scene, error) == SaveError::None;
        };
    if (kind == u"pdf")
        return [&scene](const QString &path, QString *error) {
            PdfPrinterPort printer(path, QPageSize(QPageSize::A5), 96);
            const bool ok = printer.beginDoc() && (printer.drawPage(RenderScene(scene), QRect(0, 0, 300, 200)), true)
                            && printer.newPage()
                            && (printer.drawPage(RenderScene(scene), QRect(5, 5, 300, 200)), true)
                            && printer.endDoc();
            *error = printer.error();
            return ok;
        };
    return [&scene](const QString &path, QString *error) { // .bmp, .jpg and .png by the name
        return writePictureFile(path, RenderScene(scene), error);
    };
}

} // namespace

class TestFileReplacement : public QObject
{
    Q_OBJECT
private slots:
    void fullDiskKeepsThePreviousFile_data();
    void fullDiskKeepsThePreviousFile();
    void namesThatAreNotUtf8();
    void linksAndPermissions();
};

void TestFileReplacement::fullDiskKeepsThePreviousFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("cut"); // bytes allowed: >0 as given, <=0 from the full size
    for (const auto &[kind, name] : {std::pair{"document", "doc.BMH"}, {"bmp", "pic.bmp"},
                                     {"jpeg", "pic.jpg"}, {"png", "pic.png"}, {"pdf", "out.pdf"}}) {
        QTest::addRow("%s in the header", kind) << kind << name << 20;
        QTest::addRow("%s in the middle", kind) << kind << name << -1000;
        QTest::addRow("%s at the last byte", kind) << kind << name << -1;
        QTest::addRow("%s with room enough", kind) << kind << name << 0;
    }
}

void TestFileReplacement::fullDiskKeepsThePreviousFile()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(int, cut);
    Fixture f;
    const Writer write = writerFor(kind, f.scene);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);

    // The complete file, written without a limit.
    QString error;
    QVERIFY2(write(path, &error), qPrintable(error));
    const QByteArray complete = readFile(path);
    QVERIFY(complete.size() > 2000);
    QVERIFY(writeFile(path, kPrevious));

    const qint64 limit = cut > 0 ? cut : complete.size() + cut;
    bool written = false;
    {
        test::FileSizeLimit full(rlim_t(limit > 0 ? limit : complete.size()));
        written = write(path, &error);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    if (cut == 0) {
        QVERIFY2(written, qPrintable(error));
        if (kind == u"pdf") // the PDF carries its time of making
            QCOMPARE(readFile(path).size(), complete.size());
        else
            QCOMPARE(readFile(path), complete);
        return;
    }
    QVERIFY(!written);
    QVERIFY2(error.contains(QStringLiteral("File too large")), qPrintable(error));
    QCOMPARE(readFile(path), kPrevious);
}

void TestFileReplacement::namesThatAreNotUtf8()
{
    // Bytes that are not UTF-8 survive the round trip through a QString...
    const QByteArray native("caf\xe9 \xff\xfe/\xed\xa0\x80 ok \xe2\x82\xac \xf0\x9f\x98\x80 \xc0\xaf");
    QCOMPARE(encodePath(decodePath(native)), native);
    QCOMPARE(decodePath(QByteArray("\xe2\x82\xac.BMH")), QStringLiteral("€.BMH"));
    QCOMPARE(encodePath(QStringLiteral("日本.BMH")), QStringLiteral("日本.BMH").toUtf8());

    // ...and a document is written and read under exactly that name.
    QTemporaryDir dir;
    const QString path = decodePath(QFile::encodeName(dir.path()) + "/caf\xe9.BMH");
    Fixture f;
    QCOMPARE(saveDocumentFile(path, f.scene), SaveError::None);
    QVERIFY(::access((QFile::encodeName(dir.path()) + "/caf\xe9.BMH").constData(), F_OK) == 0);
    QVERIFY(::access((QFile::encodeName(dir.path()) + "/caf\xef\xbf\xbd.BMH").constData(), F_OK) != 0);
    UiState ui;
    Scene back(ui);
    QCOMPARE(openDocumentFile(path, back), OpenError::None);
    QCOMPARE(back.count(), 2);
    QCOMPARE(back.part(0).Image->bounds(), QRect(150, 30, 90, 80));
    QCOMPARE(RenderScene(back), RenderScene(f.scene));
}

void TestFileReplacement::linksAndPermissions()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("real.bmp"));
    const QString link = dir.filePath(QStringLiteral("link.bmp"));
    QVERIFY(writeFile(target, kPrevious));
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(QFile::link(target, link));
    Fixture f;
    QString error;
    QVERIFY2(writePictureFile(link, RenderScene(f.scene), &error), qPrintable(error));
    // The link still points at the file, which now holds the picture and
    // kept its permissions.
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QCOMPARE(readFile(target).left(2), QByteArray("BM"));
    const QFile::Permissions ownerGroupOther(0x7077);
    QCOMPARE(QFile::permissions(target) & ownerGroupOther,
             QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);

    // A file that cannot be created says so and names it.
    FileReplacement nowhere(dir.filePath(QStringLiteral("no/such/folder/x.bmp")));
    QVERIFY(!nowhere.open());
    QCOMPARE(nowhere.errorString(), dir.filePath(QStringLiteral("no/such/folder/x.bmp"))
                                        + QStringLiteral(": cannot create: No such file or directory"));
}

QTEST_GUILESS_MAIN(TestFileReplacement)
#include "tst_filereplacement.moc"
