// zelvane-cli end to end: the built executable run as a script would run it.

#include "imaging/BmpCodec.h"
#include "FileBytes.h"
#include "imaging/JpegCodec.h"
#include "imaging/PictureFiles.h"
#include "scene/Render.h"
#include "scene/Scene.h"
#include "document/DocumentFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <fcntl.h>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

#include "CliRunner.h"

using namespace zel;
using namespace zel::test;

using zel::test::readFile;
using zel::test::writeFile;

namespace {

// A 6 x 4 picture: white left half (see-through when transparent), a
// colour ramp on the right.
QImage samplePicture()
{
    QImage image(6, 4, QImage::Format_BGR888);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, x < 3 ? qRgb(255, 255, 255) : qRgb(40 * x, 50 * y, 100));
    return image;
}

struct Measured {
    int exitCode = -1;
    long peakKiB = 0; // the child's ru_maxrss
    QByteArray out;
    QByteArray err;
};

// Runs zelvane-cli with absolute paths and reads its peak resident memory
// from wait4. The figure is an upper bound: a child counts the pages of
// the test process it was spawned from until it runs the program.
Measured runMeasured(const QString &dir, const QStringList &args)
{
    Measured m;
    const QByteArray outPath = QFile::encodeName(dir + QStringLiteral("/measured.out"));
    const QByteArray errPath = QFile::encodeName(dir + QStringLiteral("/measured.err"));
    QList<QByteArray> argv{QByteArrayLiteral(ZELVANE_CLI_PATH)};
    for (const QString &arg : args)
        argv << QFile::encodeName(arg);
    std::vector<char *> pointers;
    for (QByteArray &arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return m;
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid)
        return m;
    m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    m.peakKiB = usage.ru_maxrss;
    m.out = readFile(QString::fromLocal8Bit(outPath));
    m.err = readFile(QString::fromLocal8Bit(errPath));
    QFile::remove(QString::fromLocal8Bit(outPath));
    QFile::remove(QString::fromLocal8Bit(errPath));
    return m;
}

// Where a run's standard output goes: the pipe QProcess reads made
// non-blocking (as a parent may leave one), or elsewhere.
enum class Stdout { NonBlockingPipe, ClosedPipe, Terminal, Closed, FullDisk };

// Runs zelvane-cli in dir with that standard output, SIGPIPE at its default
// as a shell leaves it: only the program's own handling keeps a closed pipe
// from killing it. FullDisk is a file of which only limit bytes fit.
Run runWithStdout(const QString &dir, const QStringList &args, Stdout target, qint64 limit = 0)
{
    int fds[2] = {-1, -1};
    int terminal = -1;
    int master = -1;
    if (target == Stdout::ClosedPipe) {
        if (::pipe2(fds, O_CLOEXEC) != 0)
            return {};
        ::close(fds[0]);
    } else if (target == Stdout::Terminal) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return {};
        terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (terminal < 0)
            return {};
    }
    const int into = target == Stdout::ClosedPipe ? fds[1] : terminal;
    QProcess p;
    p.setWorkingDirectory(dir);
    if (target == Stdout::FullDisk)
        p.setStandardOutputFile(QDir(dir).filePath(QStringLiteral("stdout.full")));
    p.setChildProcessModifier([target, into, limit] {
        ::signal(SIGPIPE, SIG_DFL);
        if (into >= 0)
            ::dup2(into, STDOUT_FILENO);
        if (target == Stdout::NonBlockingPipe)
            ::fcntl(STDOUT_FILENO, F_SETFL, ::fcntl(STDOUT_FILENO, F_GETFL) | O_NONBLOCK);
        if (target == Stdout::Closed)
            ::close(STDOUT_FILENO);
        if (target == Stdout::FullDisk) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit bound{rlim_t(limit), rlim_t(limit)};
            ::setrlimit(RLIMIT_FSIZE, &bound);
        }
    });
    p.start(QStringLiteral(ZELVANE_CLI_PATH), args);
    Run r;
    if (p.waitForFinished(120000))
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    else
        p.kill(), p.waitForFinished();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    for (const int fd : {fds[1], terminal, master})
        if (fd >= 0)
            ::close(fd);
    return r;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

} // namespace

Q_DECLARE_METATYPE(Stdout)

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void composeInfoRender();
    void renderKindsAgree();
    void helpForEveryCommand_data();
    void helpForEveryCommand();
    void failures_data();
    void failures();
    void standardOutput_data();
    void standardOutput();
    void standardOutputFaults_data();
    void standardOutputFaults();
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
    void namesAndSizesFromTheSystem();
    void peakMemory_data();
    void peakMemory();

private:
    Run run(const QStringList &args) const;
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

Run TestCli::run(const QStringList &args) const
{
    return runCli(m_dir.path(), args);
}

void TestCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile bmp(path(QStringLiteral("sample.bmp")));
    QVERIFY(bmp.open(QIODevice::WriteOnly));
    QVERIFY(writeBmp(bmp, Bitmap{samplePicture(), 24}));
    bmp.close();
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    QVERIFY(writePictureFile(path(QStringLiteral("blue.JPG")), blue, nullptr));
    QVERIFY(writeFile(path(QStringLiteral("broken.jpg")), "not a jpeg"));
    QVERIFY(writeFile(path(QStringLiteral("broken.BMH")), QByteArray(10, '\0')));
    // FIFOs nobody writes to: a read that waited on one would never end.
    for (const char *fifo : {"fifo.BMH", "fifo.bmp"})
        QVERIFY(::mkfifo(QFile::encodeName(path(QLatin1String(fifo))).constData(), 0644) == 0);
    // Pictures for standard output: one of ordinary size, and one far larger
    // than its parts (128 MiB at 32 bits), drawn band by band.
    for (const QStringList &compose :
         {QStringList{QStringLiteral("so.BMH"), QStringLiteral("--size=9x7"), QStringLiteral("--part=sample.bmp@1,1"),
                      QStringLiteral("--part=blue.JPG@4,2,gray")},
          QStringList{QStringLiteral("sobig.BMH"), QStringLiteral("--size=8192x4096"), QStringLiteral("--color=336699"),
                      QStringLiteral("--part=sample.bmp@100,2000:3000x2000")}}) {
        const Run made = run(QStringList{QStringLiteral("compose")} + compose);
        QVERIFY2(made.exitCode == 0, made.err.constData());
    }
}

void TestCli::composeInfoRender()
{
    Run r = run({QStringLiteral("compose"), QStringLiteral("doc.BMH"), QStringLiteral("--size"),
                 QStringLiteral("20x10"), QStringLiteral("--color"), QStringLiteral("00FF00"),
                 QStringLiteral("--part"), QStringLiteral("sample.bmp@2,3"),
                 QStringLiteral("--part"), QStringLiteral("blue.JPG@-4,5:12x4,gray,opaque")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.err.isEmpty());

    r = run({QStringLiteral("info"), QStringLiteral("doc.BMH")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QJsonObject doc = QJsonDocument::fromJson(r.out).object();
    QCOMPARE(doc.value(QStringLiteral("background")).toObject(),
             (QJsonObject{{QStringLiteral("width"), 20}, {QStringLiteral("height"), 10},
                          {QStringLiteral("color"), QStringLiteral("00FF00")}}));
    QCOMPARE(doc.value(QStringLiteral("layout")).toInt(), 1);
    QCOMPARE(doc.value(QStringLiteral("transparentMode")).toInt(), 0); // the top part is opaque
    const QJsonArray parts = doc.value(QStringLiteral("parts")).toArray();
    QCOMPARE(parts.size(), 2);
    // Index 0 is the top: the last --part, its flags as the toggles set them.
    QCOMPARE(parts[0].toObject(),
             (QJsonObject{{QStringLiteral("left"), -4}, {QStringLiteral("top"), 5},
                          {QStringLiteral("width"), 12}, {QStringLiteral("height"), 4},
                          {QStringLiteral("monochrome"), 0}, {QStringLiteral("grayscale"), 255},
                          {QStringLiteral("transparent"), 0},
                          {QStringLiteral("source"),
                           QJsonObject{{QStringLiteral("width"), 8}, {QStringLiteral("height"), 8},
                                       {QStringLiteral("depth"), 24}}}}));
    QCOMPARE(parts[1].toObject(),
             (QJsonObject{{QStringLiteral("left"), 2}, {QStringLiteral("top"), 3},
                          {QStringLiteral("width"), 6}, {QStringLiteral("height"), 4},
                          {QStringLiteral("monochrome"), 0}, {QStringLiteral("grayscale"), 0},
                          {QStringLiteral("transparent"), 1},
                          {QStringLiteral("source"),
                           QJsonObject{{QStringLiteral("width"), 6}, {QStringLiteral("height"), 4},
                                       {QStringLiteral("depth"), 24}}}}));

    r = run({QStringLiteral("render"), QStringLiteral("doc.BMH"), QStringLiteral("out.bmp")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QString error;
    const Bitmap rendered = readPictureFile(path(QStringLiteral("out.bmp")), {}, &error);
    QVERIFY2(!rendered.isNull(), qPrintable(error));
    QCOMPARE(rendered.depth, 24);
    QCOMPARE(rendered.image.size(), QSize(20, 10));
    const QImage &img = rendered.image;
    QCOMPARE(img.pixel(0, 0), qRgb(0, 255, 0));   // background
    QCOMPARE(img.pixel(2, 3), qRgb(0, 255, 0));   // white of a transparent part
    QCOMPARE(img.pixel(5, 3), qRgb(120, 0, 100)); // the ramp at (3, 0)
    QCOMPARE(img.pixel(7, 4), qRgb(200, 50, 100));
    // The opaque gray part over the bottom left: blue JPEG, gray (b+g+r)/3.
    const int level = qBlue(img.pixel(0, 6));
    QCOMPARE(img.pixel(0, 6), qRgb(level, level, level));
    QVERIFY(std::abs(level - 85) <= 3);
    QCOMPARE(img.pixel(7, 8), img.pixel(0, 6));
    QCOMPARE(img.pixel(8, 8), qRgb(0, 255, 0));
    QCOMPARE(img.pixel(0, 9), qRgb(0, 255, 0));

    // The same picture as the program would render it.
    UiState ui;
    Scene scene(ui);
    QCOMPARE(openDocumentFile(path(QStringLiteral("doc.BMH")), scene), OpenError::None);
    QVERIFY(RenderScene(scene).convertToFormat(QImage::Format_BGR888) == img);
}

void TestCli::renderKindsAgree()
{
    Run r = run({QStringLiteral("compose"), QStringLiteral("kinds.BMH"), QStringLiteral("--size=9x7"),
                 QStringLiteral("--part=sample.bmp@1,1")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    for (const char *name : {"k.png", "k.JPEG", "k.BMP"}) {
        r = run({QStringLiteral("render"), QStringLiteral("kinds.BMH"), QString::fromLatin1(name)});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }
    const QImage png(path(QStringLiteral("k.png")));
    QString error;
    const Bitmap bmp = readPictureFile(path(QStringLiteral("k.BMP")), {}, &error);
    QVERIFY(png.convertToFormat(QImage::Format_BGR888) == bmp.image);
    const Bitmap jpeg = readPictureFile(path(QStringLiteral("k.JPEG")), {}, &error);
    QCOMPARE(jpeg.image.size(), QSize(9, 7));
    QVERIFY(readFile(path(QStringLiteral("k.JPEG"))).startsWith("\xFF\xD8"));
}

void TestCli::helpForEveryCommand_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("info") << QStringLiteral("info");
    QTest::newRow("render") << QStringLiteral("render");
    QTest::newRow("compose") << QStringLiteral("compose");
}

void TestCli::helpForEveryCommand()
{
    QFETCH(QString, command);
    const Run r = run({command, QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.startsWith("usage: zelvane-cli " + command.toUtf8()));
    QVERIFY(r.err.isEmpty());
    const Run top = run({QStringLiteral("--help")});
    QCOMPARE(top.exitCode, 0);
    QVERIFY(top.out.contains("  " + command.toUtf8() + " "));
}

void TestCli::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message"); // the whole stderr line
    QTest::addColumn<QString>("mustNotExist");
    auto row = [](const char *name, QStringList args, const QString &message, const QString &file = QString()) {
        QTest::newRow(name) << args << message << file;
    };
    const QString s = QStringLiteral("--size");
    row("no command", {}, QStringLiteral("zelvane-cli: no command given (try zelvane-cli --help)"));
    row("unknown command", {QStringLiteral("print2")},
        QStringLiteral("zelvane-cli: unknown command \"print2\" (try zelvane-cli --help)"));
    row("info without a file", {QStringLiteral("info")},
        QStringLiteral("zelvane-cli info: expected one document file (see --help)"));
    row("info of a missing file", {QStringLiteral("info"), QStringLiteral("none.BMH")},
        QStringLiteral("zelvane-cli info: none.BMH: cannot open: No such file or directory"));
    row("info of a broken file", {QStringLiteral("info"), QStringLiteral("broken.BMH")},
        QStringLiteral("zelvane-cli info: broken.BMH: not a valid BMH document: document header cut short (10 of 24 bytes)"));
    row("info of a FIFO", {QStringLiteral("info"), QStringLiteral("fifo.BMH")},
        QStringLiteral("zelvane-cli info: fifo.BMH: not a valid BMH document: not a regular file"));
    row("render a FIFO", {QStringLiteral("render"), QStringLiteral("fifo.BMH"), QStringLiteral("o.bmp")},
        QStringLiteral("zelvane-cli render: fifo.BMH: not a valid BMH document: not a regular file"), QStringLiteral("o.bmp"));
    row("render onto a FIFO", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("fifo.bmp")},
        QStringLiteral("zelvane-cli render: fifo.bmp: cannot replace: not a regular file"));
    row("render to an unknown kind", {QStringLiteral("render"), QStringLiteral("broken.BMH"), QStringLiteral("o.gif")},
        QStringLiteral("zelvane-cli render: o.gif: unsupported output type (use .bmp, .jpg, .jpeg or .png)"),
        QStringLiteral("o.gif"));
    row("render a broken file", {QStringLiteral("render"), QStringLiteral("broken.BMH"), QStringLiteral("o.bmp")},
        QStringLiteral("zelvane-cli render: broken.BMH: not a valid BMH document: document header cut short (10 of 24 bytes)"),
        QStringLiteral("o.bmp"));
    row("render to standard output without --format", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("-")},
        QStringLiteral("zelvane-cli render: standard output needs --format bmp, jpg or png"));
    row("render with an unknown --format", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("o.png"), QStringLiteral("--format"), QStringLiteral("gif")},
        QStringLiteral("zelvane-cli render: \"gif\" is not a picture format (use bmp, jpg, jpeg or png)"), QStringLiteral("o.png"));
    row("render with an empty --format=", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("-"), QStringLiteral("--format=")},
        QStringLiteral("zelvane-cli render: \"\" is not a picture format (use bmp, jpg, jpeg or png)"));
    row("render with a file name for --format", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("o.bmp"), QStringLiteral("--format=x.png")},
        QStringLiteral("zelvane-cli render: \"x.png\" is not a picture format (use bmp, jpg, jpeg or png)"), QStringLiteral("o.bmp"));
    row("render with --format lacking its value", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("o.png"), QStringLiteral("--format")},
        QStringLiteral("zelvane-cli render: --format needs a value"), QStringLiteral("o.png"));
    row("render with an unknown option", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("o.png"), QStringLiteral("--quality"), QStringLiteral("5")},
        QStringLiteral("zelvane-cli render: unknown option --quality (see --help)"), QStringLiteral("o.png"));
    row("render to two outputs", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("o.png"), QStringLiteral("-"), QStringLiteral("--format=png")},
        QStringLiteral("zelvane-cli render: expected a document and an output file (see --help)"), QStringLiteral("o.png"));
    row("render from standard input", {QStringLiteral("render"), QStringLiteral("-"), QStringLiteral("o.png")},
        QStringLiteral("zelvane-cli render: a document is read from a file, not from standard input (a file named \"-\" is \"./-\")"), QStringLiteral("o.png"));
    row("render a missing file to standard output", {QStringLiteral("render"), QStringLiteral("none.BMH"), QStringLiteral("-"), QStringLiteral("--format"), QStringLiteral("png")},
        QStringLiteral("zelvane-cli render: none.BMH: cannot open: No such file or directory"));
    row("render a broken file to standard output", {QStringLiteral("render"), QStringLiteral("broken.BMH"), QStringLiteral("-"), QStringLiteral("--format"), QStringLiteral("bmp")},
        QStringLiteral("zelvane-cli render: broken.BMH: not a valid BMH document: document header cut short (10 of 24 bytes)"));
    row("render onto a FIFO by --format", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("fifo.bmp"), QStringLiteral("--format=png")},
        QStringLiteral("zelvane-cli render: fifo.bmp: cannot replace: not a regular file"));
    row("render into a missing folder", {QStringLiteral("render"), QStringLiteral("empty.BMH"), QStringLiteral("nowhere/o.png")},
        QStringLiteral("zelvane-cli render: nowhere/o.png: cannot create: No such file or directory"), QStringLiteral("nowhere/o.png"));
    row("compose without a size", {QStringLiteral("compose"), QStringLiteral("c.BMH")},
        QStringLiteral("zelvane-cli compose: expected an output file and --size WxH (see --help)"), QStringLiteral("c.BMH"));
    row("compose with a zero size", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("0x5")},
        QStringLiteral("zelvane-cli compose: \"0x5\" is not a size WxH of positive whole numbers"), QStringLiteral("c.BMH"));
    row("compose with a huge size", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("99999x99999")},
        QStringLiteral("zelvane-cli compose: 99999x99999 is more than the limit of 268435456 pixels"), QStringLiteral("c.BMH"));
    row("compose with a bad colour", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--color"), QStringLiteral("red")},
        QStringLiteral("zelvane-cli compose: \"red\" is not a color RRGGBB"), QStringLiteral("c.BMH"));
    row("compose with an unknown option", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--blur"), QStringLiteral("3")},
        QStringLiteral("zelvane-cli compose: unknown option --blur (see --help)"), QStringLiteral("c.BMH"));
    row("compose with an option lacking its value", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s},
        QStringLiteral("zelvane-cli compose: --size needs a value"), QStringLiteral("c.BMH"));
    row("compose with two outputs", {QStringLiteral("compose"), QStringLiteral("c.BMH"), QStringLiteral("d.BMH"), s, QStringLiteral("5x5")},
        QStringLiteral("zelvane-cli compose: more than one output file: \"c.BMH\" and \"d.BMH\""), QStringLiteral("c.BMH"));
    row("compose with a missing part file", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("gone.bmp@1,1")},
        QStringLiteral("zelvane-cli compose: gone.bmp: No such file or directory"), QStringLiteral("c.BMH"));
    row("compose with a broken JPEG", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("broken.jpg")},
        QStringLiteral("zelvane-cli compose: broken.jpg: JPEG ｴﾗｰ #53"), QStringLiteral("c.BMH"));
    row("compose with a part of another kind", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("broken.BMH")},
        QStringLiteral("zelvane-cli compose: broken.BMH: not a BMP, JPEG or PNG file name"), QStringLiteral("c.BMH"));
    row("compose with a zero part size", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("sample.bmp:0x3")},
        QStringLiteral("zelvane-cli compose: \"0x3\" is not a size WxH of positive whole numbers"), QStringLiteral("c.BMH"));
    row("compose placed beyond the range", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("sample.bmp@2147483647,0")},
        QStringLiteral("zelvane-cli compose: sample.bmp: placed beyond ±1073741824"), QStringLiteral("c.BMH"));
    row("compose onto a FIFO", {QStringLiteral("compose"), QStringLiteral("fifo.BMH"), s, QStringLiteral("5x5")},
        QStringLiteral("zelvane-cli compose: fifo.BMH: cannot create: not a regular file"));
    row("compose with a FIFO part", {QStringLiteral("compose"), QStringLiteral("c.BMH"), s, QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("fifo.bmp")},
        QStringLiteral("zelvane-cli compose: fifo.bmp: not a regular file"), QStringLiteral("c.BMH"));
    row("compose into a missing folder", {QStringLiteral("compose"), QStringLiteral("nowhere/c.BMH"), s, QStringLiteral("5x5")},
        QStringLiteral("zelvane-cli compose: nowhere/c.BMH: cannot create: No such file or directory"), QStringLiteral("nowhere/c.BMH"));
}

void TestCli::failures()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QFETCH(QString, mustNotExist);
    QVERIFY(writeFile(path(QStringLiteral("empty.BMH")), QByteArray::fromHex(
        "00000000 0D000000 0D000000 FFFFFF00 01 01 0000 00000000")));
    const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const Run r = run(args);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err), message + u'\n');
    QVERIFY(r.out.isEmpty());
    if (!mustNotExist.isEmpty())
        QVERIFY(!QFile::exists(path(mustNotExist)));
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

void TestCli::standardOutput_data()
{
    QTest::addColumn<QStringList>("args");    // render's arguments
    QTest::addColumn<QString>("reference");   // the same document rendered to this file by its extension
    QTest::addColumn<QString>("written");     // the file the picture lands in; empty: standard output
    QTest::addColumn<bool>("nonBlocking");    // standard output a pipe that does not wait for its reader
    const QString f = QStringLiteral("--format");
    const QString so = QStringLiteral("so.BMH");
    const QString out = QStringLiteral("-");
    auto row = [](const char *name, const QStringList &args, const char *reference, const char *written,
                  bool nonBlocking = false) {
        QTest::newRow(name) << args << QString::fromLatin1(reference) << QString::fromLatin1(written) << nonBlocking;
    };
    row("bmp to standard output", {so, out, f, QStringLiteral("bmp")}, "so.bmp", "");
    row("png to standard output", {so, out, QStringLiteral("--format=png")}, "so.png", "");
    row("jpg to standard output, --format first", {f, QStringLiteral("jpg"), so, out}, "so.jpg", "");
    row("JPEG to standard output", {so, out, f, QStringLiteral("JPEG")}, "so.jpg", "");
    row("--format for a name without an extension", {so, QStringLiteral("so.dat"), f, QStringLiteral("png")}, "so.png", "so.dat");
    row("--format over the extension", {so, QStringLiteral("so-bmp.jpg"), f, QStringLiteral("bmp")}, "so.bmp", "so-bmp.jpg");
    row("--format agreeing with the extension", {so, QStringLiteral("so-jpg.jpeg"), f, QStringLiteral("jpg")}, "so.jpg", "so-jpg.jpeg");
    row("a file named -", {so, QStringLiteral("./-"), f, QStringLiteral("png")}, "so.png", "-");
    const QString big = QStringLiteral("sobig.BMH");
    row("png far larger than its parts to standard output", {big, out, f, QStringLiteral("png")}, "sobig.png", "");
    row("jpg far larger than its parts to standard output", {big, out, f, QStringLiteral("jpg")}, "sobig.jpg", "");
    // Half a megabyte: more than the pipe holds, so writes find it full.
    row("jpg far larger than its parts to a non-blocking pipe", {big, out, f, QStringLiteral("jpg")}, "sobig.jpg", "", true);
}

// Standard output and --format give the very bytes of a file named by its
// extension, through a pipe that is read as it fills.
void TestCli::standardOutput()
{
    QFETCH(QStringList, args);
    QFETCH(QString, reference);
    QFETCH(QString, written);
    QFETCH(bool, nonBlocking);
    if (!QFile::exists(path(reference))) {
        const Run made = run({QStringLiteral("render"), args.contains(QStringLiteral("sobig.BMH"))
                                                            ? QStringLiteral("sobig.BMH") : QStringLiteral("so.BMH"),
                              reference});
        QVERIFY2(made.exitCode == 0, made.err.constData());
    }
    const QByteArray expected = readFile(path(reference));
    QVERIFY(expected.size() > 100);
    if (nonBlocking)
        QVERIFY(expected.size() > 4 * 65536);
    if (!written.isEmpty())
        QVERIFY(!QFile::exists(path(written)));
    const QStringList render = QStringList{QStringLiteral("render")} + args;
    const Run r = nonBlocking ? runWithStdout(m_dir.path(), render, Stdout::NonBlockingPipe) : run(render);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.err.isEmpty());
    if (written.isEmpty()) {
        QVERIFY(r.out == expected);
    } else {
        QVERIFY(r.out.isEmpty());
        QVERIFY(readFile(path(written)) == expected);
        QVERIFY(QFile::remove(path(written)));
    }
}

void TestCli::standardOutputFaults_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<Stdout>("target");
    QTest::addColumn<int>("limit"); // bytes that fit on a FullDisk
    QTest::addColumn<QString>("message"); // the whole stderr line
    const QString render = QStringLiteral("render");
    const QString so = QStringLiteral("so.BMH");
    const QString big = QStringLiteral("sobig.BMH");
    const QString out = QStringLiteral("-");
    const QString f = QStringLiteral("--format");
    const QString broken = QStringLiteral("zelvane-cli render: standard output: write failed: Broken pipe");
    const QString failed = QStringLiteral("zelvane-cli: standard output: write failed");
    auto row = [](const char *name, const QStringList &args, Stdout target, int limit, const QString &message) {
        QTest::newRow(name) << args << target << limit << message;
    };
    for (const char *kind : {"bmp", "png", "jpg"})
        QTest::addRow("%s into a closed pipe", kind)
            << QStringList{render, so, out, f, QLatin1String(kind)} << Stdout::ClosedPipe << 0 << broken;
    row("bmp far larger than its parts into a closed pipe", {render, big, out, f, QStringLiteral("bmp")},
        Stdout::ClosedPipe, 0, broken);
    row("info into a closed pipe", {QStringLiteral("info"), so}, Stdout::ClosedPipe, 0, failed);
    row("help into a closed pipe", {QStringLiteral("--help")}, Stdout::ClosedPipe, 0, failed);
    row("render's help into a closed pipe", {render, QStringLiteral("--help")}, Stdout::ClosedPipe, 0, failed);
    row("png onto a terminal", {render, so, out, f, QStringLiteral("png")}, Stdout::Terminal, 0,
        QStringLiteral("zelvane-cli render: standard output is a terminal: send the picture to a file or a pipe"));
    row("bmp onto a closed standard output", {render, so, out, f, QStringLiteral("bmp")}, Stdout::Closed, 0,
        QStringLiteral("zelvane-cli render: standard output: cannot write: Bad file descriptor"));
    row("info onto a closed standard output", {QStringLiteral("info"), so}, Stdout::Closed, 0, failed);
    const QString full = QStringLiteral("zelvane-cli render: standard output: write failed: File too large");
    row("bmp onto a full disk", {render, so, out, f, QStringLiteral("bmp")}, Stdout::FullDisk, 100, full);
    row("jpg onto a full disk", {render, so, out, f, QStringLiteral("jpg")}, Stdout::FullDisk, 100, full);
    row("png far larger than its parts onto a full disk", {render, big, out, f, QStringLiteral("png")},
        Stdout::FullDisk, 1000, full);
}

// A reader that went away, a terminal, no standard output at all, a full
// disk: exit status 1 and the reason, never a signal.
void TestCli::standardOutputFaults()
{
    QFETCH(QStringList, args);
    QFETCH(Stdout, target);
    QFETCH(int, limit);
    QFETCH(QString, message);
    const Run r = runWithStdout(m_dir.path(), args, target, limit);
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(QString::fromUtf8(r.err), message + u'\n');
    if (target == Stdout::FullDisk)
        QCOMPARE(QFileInfo(path(QStringLiteral("stdout.full"))).size(), qint64(limit));
}

void TestCli::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<QStringList>("args"); // the output is always "out" + the extension
    QTest::addColumn<int>("cut");          // bytes allowed: >0 as given, <0 from the full size
    const QStringList compose{QStringLiteral("compose"), QStringLiteral("out.BMH"), QStringLiteral("--size"),
                              QStringLiteral("120x110"), QStringLiteral("--part"), QStringLiteral("wide.bmp")};
    for (const int cut : {20, -1000, -1}) {
        QTest::addRow("compose, cut at %d", cut) << compose << cut;
        for (const char *ext : {"bmp", "jpg", "png"})
            QTest::addRow("render %s, cut at %d", ext, cut)
                << QStringList{QStringLiteral("render"), QStringLiteral("wide.BMH"),
                               QStringLiteral("out.") + QLatin1String(ext)}
                << cut;
    }
    // A part that cannot be read: nothing is written at all.
    QTest::newRow("compose with a broken part")
        << QStringList{QStringLiteral("compose"), QStringLiteral("out.BMH"), QStringLiteral("--size"),
                       QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("sample.bmp"),
                       QStringLiteral("--part"), QStringLiteral("broken.jpg")}
        << 0;
}

void TestCli::fullDiskKeepsTheOldFile()
{
    QFETCH(QStringList, args);
    QFETCH(int, cut);
    const QString out = args[1].startsWith(QStringLiteral("out.")) ? args[1] : args[2];
    if (!QFile::exists(path(QStringLiteral("wide.BMH")))) {
        QImage wide(120, 110, QImage::Format_BGR888);
        for (int y = 0; y < 110; ++y)
            for (int x = 0; x < 120; ++x)
                wide.setPixel(x, y, qRgb(x * 2, y * 2, (x * y) & 0xFF));
        QFile bmp(path(QStringLiteral("wide.bmp")));
        QVERIFY(bmp.open(QIODevice::WriteOnly) && writeBmp(bmp, Bitmap{wide, 24}));
        bmp.close();
        const Run made = run({QStringLiteral("compose"), QStringLiteral("wide.BMH"), QStringLiteral("--size"),
                              QStringLiteral("120x110"), QStringLiteral("--part"), QStringLiteral("wide.bmp")});
        QVERIFY2(made.exitCode == 0, made.err.constData());
    }
    QFile::remove(path(out));
    qint64 full = 0;
    if (cut != 0) {
        const Run whole = run(args);
        QVERIFY2(whole.exitCode == 0, whole.err.constData());
        full = QFileInfo(path(out)).size();
        QVERIFY(full > 2000);
    }
    QVERIFY(writeFile(path(out), "older file"));
    const Run r = runCli(m_dir.path(), args, cut > 0 ? cut : full + cut);
    QCOMPARE(r.exitCode, 1);
    if (cut != 0)
        QCOMPARE(QString::fromUtf8(r.err),
                 QStringLiteral("zelvane-cli %1: %2: write failed: File too large\n").arg(args[0], out));
    QCOMPARE(readFile(path(out)), QByteArray("older file"));
    QCOMPARE(QDir(m_dir.path()).entryList({out + u'*', QStringLiteral(".zelvane-*")}, QDir::Files | QDir::Hidden),
             QStringList{out});
}

void TestCli::namesAndSizesFromTheSystem()
{
    // A name that is not UTF-8 is written and read under exactly its bytes.
    const QByteArray latin1 = QFile::encodeName(m_dir.path()) + "/caf\xe9.bmh";
    {
        // QProcess would encode the arguments as UTF-8: go through a shell
        // that passes the bytes on.
        QProcess sh;
        sh.setWorkingDirectory(m_dir.path());
        sh.start(QStringLiteral("/bin/sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("\"$0\" compose \"$(printf 'caf\\351.bmh')\" --size 7x5 && "
                                 "\"$0\" info \"$(printf 'caf\\351.bmh')\""),
                  QStringLiteral(ZELVANE_CLI_PATH)});
        QVERIFY(sh.waitForFinished(60000));
        QVERIFY2(sh.exitCode() == 0, sh.readAllStandardError().constData());
        QVERIFY(QJsonDocument::fromJson(sh.readAllStandardOutput()).object().contains(QStringLiteral("background")));
    }
    QVERIFY(::unlink(latin1.constData()) == 0); // QTemporaryDir could not name it
    QVERIFY(::access((QFile::encodeName(m_dir.path()) + "/caf\xef\xbf\xbd.bmh").constData(), F_OK) != 0);

    // Four 1 x 1 parts shown at 16384 x 16383 on a 10 x 10 background: the
    // 4 GiB of display bitmaps the window would need are never made here,
    // and a refused print job renders nothing first.
    const QString huge = QStringLiteral("huge.BMH");
    QStringList compose{QStringLiteral("compose"), huge, QStringLiteral("--size"), QStringLiteral("10x10")};
    for (int i = 0; i < 4; ++i)
        compose << QStringLiteral("--part") << QStringLiteral("blue.JPG@0,0:16384x16383");
    Run r = run(compose);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = run({QStringLiteral("info"), huge});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    r = run({QStringLiteral("render"), huge, QStringLiteral("huge.bmp")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QCOMPARE(QFileInfo(path(QStringLiteral("huge.bmp"))).size(), qint64(54 + 10 * 32));
}

void TestCli::peakMemory_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("args"); // "%1" stands for the file's path
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // the whole stderr, or empty

    // 440 bytes: four parts whose sources are RLE8 pictures of 16000 x 16000
    // (a gigabyte once decoded, within the document limits), each ending at
    // once. info needs their sizes only.
    QByteArray rle = "BM" + le32(64) + le32(0) + le32(62) + le32(40) + le32(16000) + le32(16000)
                     + QByteArray::fromHex("0100 0800") + le32(1) + le32(2) + le32(0) + le32(0)
                     + le32(2) + le32(0) + QByteArray::fromHex("00000000 FFFFFF00 0001");
    QByteArray document = le32(4) + le32(26) + le32(26) + le32(0x00FFFFFF) + QByteArray::fromHex("0001 0000 00000000");
    for (int i = 0; i < 4; ++i)
        document += le32(0) + le32(0) + le32(10) + le32(10) + QByteArray::fromHex("000001") + QByteArray(21, '\0') + rle;
    QVERIFY(document.size() == 440);
    QTest::newRow("info of RLE parts of 16000 x 16000") << QStringLiteral("rle.BMH") << document
                                                        << QStringList{QStringLiteral("info"), QStringLiteral("%1")}
                                                        << 0 << QString();

    // 24 bytes asking for a 16384 x 8192 background (512 MiB at 32 bits): the
    // picture is drawn band by band as the writer takes it, never whole.
    QTest::newRow("render of a background far larger than its parts")
        << QStringLiteral("wide.BMH")
        << le32(0) + le32(16384 + 6) + le32(8192 + 6) + le32(0x00336699) + QByteArray::fromHex("0101 0000 00000000")
        << QStringList{QStringLiteral("render"), QStringLiteral("%1"), path(QStringLiteral("wide.png"))}
        << 0 << QString();

    // 114 bytes whose text chunk claims 2 GiB.
    QImage tiny(1, 1, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QVERIFY(writePictureFile(path(QStringLiteral("tiny.png")), tiny, nullptr));
    const QByteArray png = readFile(path(QStringLiteral("tiny.png"))).left(33)
                           + QByteArray("\x7f\xff\xff\xfftEXtComment", 15) + QByteArray(66, 'x');
    QVERIFY(png.size() == 114);
    QTest::newRow("compose with a 2 GiB text chunk")
        << QStringLiteral("text.png") << png
        << QStringList{QStringLiteral("compose"), path(QStringLiteral("t.BMH")), QStringLiteral("--size"),
                       QStringLiteral("5x5"), QStringLiteral("--part"), QStringLiteral("%1")}
        << 1 << QStringLiteral("zelvane-cli compose: %1: PNG: text chunk larger than 8388608 bytes\n");
}

// Pictures and documents that claim far more than they hold cost what they
// hold, measured on the process itself.
void TestCli::peakMemory()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString at = path(file);
    QVERIFY(writeFile(at, bytes));
    for (QString &arg : args)
        arg.replace(QStringLiteral("%1"), at);
    const Measured r = runMeasured(m_dir.path(), args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(QString::fromUtf8(r.err), message.isEmpty() ? QString() : message.arg(at));
    qInfo("peak resident memory: %ld KiB", r.peakKiB);
    QVERIFY2(r.peakKiB > 0 && r.peakKiB < 300 * 1024, qPrintable(QString::number(r.peakKiB)));
    if (args.first() == u"info") {
        const QJsonArray parts = QJsonDocument::fromJson(r.out).object().value(QStringLiteral("parts")).toArray();
        QCOMPARE(parts.size(), 4);
        QCOMPARE(parts[0].toObject().value(QStringLiteral("source")).toObject(),
                 (QJsonObject{{QStringLiteral("width"), 16000}, {QStringLiteral("height"), 16000},
                              {QStringLiteral("depth"), 8}}));
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
