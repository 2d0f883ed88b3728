// Every writer replaces its file the one safe way: on a full disk at any
// point it fails, leaves the previous file byte for byte and no temporary
// file; with room enough it writes the complete file, under any name the
// system takes. What is not a regular file is neither replaced nor read.
#include "DocumentTestSupport.h"
#include "FileSizeLimit.h"
#include "SpecialFiles.h"

#include "document/DocumentFile.h"
#include "fileio/FileReplacement.h"
#include "fileio/NativePath.h"
#include "imaging/PictureFiles.h"
#include "printing/PdfPrinterPort.h"
#include "scene/Render.h"
#include "scene/Scene.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace zel;

namespace {

const QByteArray kPrevious = QByteArrayLiteral("the previous file, kept whole");

QByteArray readFile(const QString &path)
{
    QFile f;
    return openForReading(f, path, nullptr) == InputError::None ? f.readAll() : QByteArray();
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
            const bool ok = printer.beginDoc() && (printer.drawImage(RenderScene(scene), QPoint(0, 0)), true)
                            && printer.newPage()
                            && (printer.drawImage(RenderScene(scene), QPoint(5, 5)), true)
                            && printer.endDoc();
            *error = printer.error();
            return ok;
        };
    return [&scene](const QString &path, QString *error) { // .bmp, .jpg and .png by the name
        return writePictureFile(path, RenderScene(scene), error);
    };
}

// A name of exactly the given bytes in UTF-8: Japanese characters (three
// bytes each) as many as fit, then ASCII, then the extension.
QString nameOfBytes(int bytes, const QString &extension)
{
    const int stem = bytes - int(extension.toUtf8().size()) - 1;
    return QString(stem / 3, u'\u65E5') + QString(stem % 3, u'x') + u'.' + extension;
}

// Every entry under dir and what it is, links with where they point; links
// are not followed.
QStringList entries(const QString &dir)
{
    QStringList list;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray native = encodePath(path);
        QString entry = QDir(dir).relativeFilePath(path) + QStringLiteral(": ");
        struct stat info;
        char target[4096];
        ssize_t length = 0;
        if (::lstat(native.constData(), &info) != 0)
            entry += QStringLiteral("gone");
        else if (S_ISREG(info.st_mode))
            entry += QStringLiteral("file");
        else if (S_ISDIR(info.st_mode))
            entry += QStringLiteral("folder");
        else if (S_ISLNK(info.st_mode) && (length = ::readlink(native.constData(), target, sizeof target)) > 0)
            entry += QStringLiteral("link to ") + decodePath(QByteArray(target, length));
        else if (S_ISFIFO(info.st_mode))
            entry += QStringLiteral("FIFO");
        else if (S_ISCHR(info.st_mode))
            entry += QStringLiteral("character device %1, %2").arg(major(info.st_rdev)).arg(minor(info.st_rdev));
        else if (S_ISSOCK(info.st_mode))
            entry += QStringLiteral("socket");
        else
            entry += QStringLiteral("something else");
        list << entry;
    }
    list.sort();
    return list;
}

bool makeLink(const QString &target, const QString &link)
{
    return ::symlink(encodePath(target).constData(), encodePath(link).constData()) == 0;
}

// What a row puts under a name: a regular file, a folder, a FIFO, a
// device, a socket, or links to them or to nothing.
struct Made {
    QString path;    // what the writer or reader is given
    QString created; // a link's missing target, which a write must create
    std::unique_ptr<test::UnwrittenFifo> fifo;
    QString skip;
};

Made make(const QString &what, const QString &dir, const QString &name, const QByteArray &contents)
{
    Made made;
    made.path = dir + u'/' + name;
    const QString null = dir + QStringLiteral("/null");
    const auto device = [&](const QString &path) {
        if (!test::makeNullDevice(path))
            made.skip = QStringLiteral("making a device needs root (CAP_MKNOD)");
    };
    const auto fifo = [&](const QString &path) {
        made.fifo = std::make_unique<test::UnwrittenFifo>(path);
        if (!made.fifo->made())
            made.skip = QStringLiteral("no FIFO: ") + systemError(errno);
    };
    bool linked = true;
    if (what == u"regular file") {
        linked = writeFile(made.path, contents);
    } else if (what == u"folder") {
        linked = QDir(dir).mkdir(name);
    } else if (what == u"FIFO") {
        fifo(made.path);
    } else if (what == u"device") {
        device(made.path);
    } else if (what == u"socket") {
        linked = test::makeSocketFile(made.path);
    } else if (what == u"link to a device") {
        device(null);
        linked = makeLink(QStringLiteral("null"), made.path);
    } else if (what == u"link to a FIFO") {
        fifo(dir + QStringLiteral("/fifo"));
        linked = makeLink(dir + QStringLiteral("/fifo"), made.path);
    } else if (what == u"links to a device") {
        device(null);
        linked = makeLink(QStringLiteral("step"), made.path) && makeLink(null, dir + QStringLiteral("/step"));
    } else if (what == u"links in a loop") {
        linked = makeLink(QStringLiteral("step"), made.path) && makeLink(name, dir + QStringLiteral("/step"));
    } else if (what == u"dangling relative link") {
        made.created = dir + QStringLiteral("/sub/") + name;
        linked = QDir(dir).mkdir(QStringLiteral("sub")) && makeLink(QStringLiteral("sub/") + name, made.path);
    } else if (what == u"dangling absolute link") {
        made.created = dir + QStringLiteral("/sub/") + name;
        linked = QDir(dir).mkdir(QStringLiteral("sub")) && makeLink(made.created, made.path);
    } else if (what == u"dangling links across folders") {
        // Each relative target counts from its own link's folder.
        made.path = dir + QStringLiteral("/links/") + name;
        made.created = dir + QStringLiteral("/other/") + name;
        linked = QDir(dir).mkdir(QStringLiteral("links")) && QDir(dir).mkdir(QStringLiteral("other"))
                 && makeLink(QStringLiteral("../other/step"), made.path)
                 && makeLink(name, dir + QStringLiteral("/other/step"));
    } else {
        made.skip = QStringLiteral("nothing made for ") + what;
    }
    if (!linked)
        made.skip = QStringLiteral("could not make a %1: %2").arg(what, systemError(errno));
    return made;
}

} // namespace

class TestFileReplacement : public QObject
{
    Q_OBJECT
private slots:
    void fullDiskKeepsThePreviousFile_data();
    void fullDiskKeepsThePreviousFile();
    void whatTheOutputNameHolds_data();
    void whatTheOutputNameHolds();
    void readingWhatTheNameHolds_data();
    void readingWhatTheNameHolds();
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
        // The longest names the system takes: the temporary file fits
        // beside every one of them.
        const QString extension = QString::fromLatin1(name).section(u'.', -1);
        QTest::addRow("%s named with 255 bytes", kind) << kind << nameOfBytes(255, extension) << 0;
        QTest::addRow("%s named with 255 bytes, at the last byte", kind)
            << kind << nameOfBytes(255, extension) << -1;
        QTest::addRow("%s named with 80 Japanese characters", kind)
            << kind << QString(80, u'\u8A9E') + u'.' + extension << 0;
    }
    for (int bytes = 240; bytes < 255; ++bytes)
        QTest::addRow("document named with %d bytes", bytes) << "document" << nameOfBytes(bytes, QStringLiteral("BMH")) << 0;
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

void TestFileReplacement::whatTheOutputNameHolds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("made");
    QTest::addColumn<QString>("failure"); // empty: written
    const QString notRegular = QStringLiteral("cannot replace: not a regular file");
    for (const auto &[kind, name] : {std::pair{"document", "doc.BMH"}, {"bmp", "pic.bmp"},
                                     {"jpeg", "pic.jpg"}, {"png", "pic.png"}, {"pdf", "out.pdf"}}) {
        const auto row = [&](const char *made, const QString &failure) {
            QTest::addRow("%s over: %s", kind, made) << kind << name << made << failure;
        };
        row("regular file", QString());
        row("FIFO", notRegular);
        row("device", notRegular);
        row("socket", notRegular);
        row("link to a device", notRegular);
        row("link to a FIFO", notRegular);
        row("links to a device", notRegular);
        row("folder", QStringLiteral("cannot create: Is a directory"));
        row("links in a loop", QStringLiteral("cannot create: Too many levels of symbolic links"));
        row("dangling relative link", QString());
        row("dangling absolute link", QString());
        row("dangling links across folders", QString());
    }
}

void TestFileReplacement::whatTheOutputNameHolds()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, made);
    QFETCH(QString, failure);
    Fixture f;
    const Writer write = writerFor(kind, f.scene);
    QTemporaryDir dir;
    const Made there = make(made, dir.path(), name, kPrevious);
    if (!there.skip.isEmpty())
        QSKIP(qPrintable(there.skip));
    const QStringList before = entries(dir.path());
    QString error;
    const bool written = write(there.path, &error);
    if (!failure.isEmpty()) {
        // Refused, and everything is as it was: nothing replaced, nothing beside.
        QVERIFY(!written);
        QCOMPARE(error, kind == u"document" ? failure.section(QStringLiteral(": "), 1)
                                             : there.path + QStringLiteral(": ") + failure);
        QCOMPARE(entries(dir.path()), before);
        return;
    }
    QVERIFY2(written, qPrintable(error));
    // Links stay links; the one missing file they lead to is the only new entry.
    QStringList expected = before;
    if (!there.created.isEmpty())
        expected << QDir(dir.path()).relativeFilePath(there.created) + QStringLiteral(": file");
    expected.sort();
    QCOMPARE(entries(dir.path()), expected);
    QTemporaryDir plain;
    QVERIFY2(write(plain.filePath(name), &error), qPrintable(error));
    const QByteArray got = readFile(there.created.isEmpty() ? there.path : there.created);
    if (kind == u"pdf") // the PDF carries its time of making
        QCOMPARE(got.size(), readFile(plain.filePath(name)).size());
    else
        QCOMPARE(got, readFile(plain.filePath(name)));
}

void TestFileReplacement::readingWhatTheNameHolds_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QString>("made");
    QTest::addColumn<QString>("outcome"); // <path> stands for the name read
    const auto rows = [](const char *reader, const QString &none, const QString &notRegular,
                         const QString &folder) {
        QTest::addRow("%s from: regular file", reader) << reader << "regular file" << none;
        for (const char *made : {"FIFO", "device", "socket", "link to a FIFO", "links to a device"})
            QTest::addRow("%s from: %s", reader, made) << reader << made << notRegular;
        QTest::addRow("%s from: folder", reader) << reader << "folder" << folder;
    };
    rows("document", QStringLiteral("None"), QStringLiteral("Read: not a regular file"), QStringLiteral("Open: Is a directory"));
    rows("picture", QStringLiteral("None"), QStringLiteral("Invalid: <path>: not a regular file"), QStringLiteral("Open: <path>: Is a directory"));
    rows("file", QStringLiteral("None"), QStringLiteral("NotRegularFile: not a regular file"), QStringLiteral("System: Is a directory"));
}

void TestFileReplacement::readingWhatTheNameHolds()
{
    QFETCH(QString, reader);
    QFETCH(QString, made);
    QFETCH(QString, outcome);
    Fixture f;
    const QString name = reader == u"document" ? QStringLiteral("doc.BMH") : QStringLiteral("pic.bmp");
    QTemporaryDir plain;
    QVERIFY(reader == u"document" ? saveDocumentFile(plain.filePath(name), f.scene) == SaveError::None
                                  : writePictureFile(plain.filePath(name), RenderScene(f.scene), nullptr));
    const QByteArray contents = reader == u"file" ? kPrevious : readFile(plain.filePath(name));
    QTemporaryDir dir;
    const Made there = make(made, dir.path(), name, contents);
    if (!there.skip.isEmpty())
        QSKIP(qPrintable(there.skip));

    QString got;
    QString error;
    if (reader == u"document") {
        DocumentContents read;
        static const char *const kinds[] = {"None", "Open", "Read"};
        const OpenError result = readDocumentFile(there.path, read, &error);
        got = QLatin1String(kinds[int(result)]);
        if (result == OpenError::None)
            QCOMPARE(read.parts.size(), 2);
    } else if (reader == u"picture") {
        static const char *const kinds[] = {"None", "UnknownKind", "Open", "Invalid"};
        PictureFailure failure = PictureFailure::UnknownKind;
        const Bitmap bitmap = readPictureFile(there.path, JpegDecodeOptions(), &error, &failure);
        got = QLatin1String(kinds[int(failure)]);
        if (failure == PictureFailure::None)
            QCOMPARE(bitmap.image.convertToFormat(QImage::Format_RGB32), RenderScene(f.scene));
    } else {
        static const char *const kinds[] = {"None", "System", "NotRegularFile"};
        QFile file;
        const InputError result = openForReading(file, there.path, &error);
        got = QLatin1String(kinds[int(result)]);
        if (result == InputError::None) {
            // Read as any file is: the descriptor does not stay non-blocking.
            QCOMPARE(::fcntl(file.handle(), F_GETFL) & O_NONBLOCK, 0);
            QCOMPARE(file.readAll(), kPrevious);
        }
    }
    if (got != u"None")
        got += QStringLiteral(": ") + error;
    QCOMPARE(got, QString(outcome).replace(QStringLiteral("<path>"), there.path));
    if (there.fifo)
        QVERIFY2(!there.fifo->hadToUnblock(), "the reader blocked on a FIFO");
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
