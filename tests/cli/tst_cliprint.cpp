// zelvane-cli print, run as a script runs it: the PDF it writes checked with
// poppler's pdfinfo and pdftoppm, and with "--cups" a job sent through a
// CUPS scheduler of the test's own to a cups-pdf queue.

#include "CliRunner.h"
#include "FileBytes.h"
#include "PrintedPictures.h"
#include "CupsServer.h"
#include "PdfTools.h"

#include "document/DocumentFile.h"
#include "pixels/Bitmap.h"
#include "scene/Scene.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLibraryInfo>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <tuple>
#include <vector>

using namespace zel;
using namespace zel::test;

using zel::test::readFile;
using zel::test::writeFile;

namespace {


// What page pixel (x, y) must show: white but for the cell of the picture
// starting at cellOrigin, placed at target (the cell's size).
QRgb expectedPixel(const QImage &picture, const QRect &target, const QPoint &cellOrigin, int x, int y)
{
    if (!target.contains(x, y))
        return qRgb(255, 255, 255);
    const QPoint p = QPoint(x, y) - target.topLeft() + cellOrigin;
    return picture.rect().contains(p) ? picture.pixel(p) : qRgb(255, 255, 255);
}

} // namespace

class CliPrintTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void help();
    void pagesAndPaper_data();
    void pagesAndPaper();
    void pagesAtTrueSize_data();
    void pagesAtTrueSize();
    void marginOffsetAtScreenResolution();
    void failures_data();
    void failures();
    void failedPrintKeepsTheOldPdf_data();
    void failedPrintKeepsTheOldPdf();
    void printQueueModuleBesideTheProgram_data();
    void printQueueModuleBesideTheProgram();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // No file of that name, nor a temporary one beside it.
    bool leftNothing(const QString &name) const;
    QTemporaryDir m_dir;
    QImage m_picture800;
    qint64 m_fullSize = 0; // of p800.BMH printed with the defaults
};

void CliPrintTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!HavePopplerTools())
        QFAIL("pdfinfo and pdftoppm (poppler-utils) are needed");
    m_picture800 = gradientPicture(800, 600);
    QVERIFY(writeDocument(path(QStringLiteral("p800.BMH")), m_picture800));
    QVERIFY(writeDocument(path(QStringLiteral("p640.BMH")), gradientPicture(640, 480)));
    QVERIFY(writeDocument(path(QStringLiteral("p642.BMH")), gradientPicture(642, 971)));
    QVERIFY(writeDocument(path(QStringLiteral("p643.BMH")), gradientPicture(643, 972)));
    QFile broken(path(QStringLiteral("broken.BMH")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    QVERIFY(broken.write(QByteArray(30, 'x')) == 30);

    const Run r = runCli(m_dir.path(), {QStringLiteral("print"), QStringLiteral("p800.BMH"), QStringLiteral("--pdf"),
                                        QStringLiteral("true96.pdf")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    m_fullSize = QFileInfo(path(QStringLiteral("true96.pdf"))).size();
    QVERIFY(m_fullSize > 256 * 1024); // the pictures are not compressed away
}

bool CliPrintTest::leftNothing(const QString &name) const
{
    const QStringList entries = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries)
        if (entry.startsWith(name) || entry.startsWith(QStringLiteral(".zelvane-")))
            return false;
    return true;
}

void CliPrintTest::help()
{
    const Run r = runCli(m_dir.path(), {QStringLiteral("print"), QStringLiteral("--help")});
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.err.isEmpty());
    QVERIFY(r.out.startsWith("usage: zelvane-cli print DOC.BMH --pdf OUT.pdf"));
    for (const char *option : {"--printer NAME", "--paper NAME", "--landscape", "--margins L,R,T,B",
                               "--dpi N"})
        QVERIFY2(r.out.contains(option), option);
    const Run top = runCli(m_dir.path(), {QStringLiteral("--help")});
    QVERIFY(top.out.contains("\n  print     "));
}

void CliPrintTest::pagesAndPaper_data()
{
    QTest::addColumn<QString>("document");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("pages");
    QTest::addColumn<QSizeF>("pagePoints");

    const QSizeF a4(595, 842);
    const QSizeF a4Turned(842, 595);
    const QString p800 = QStringLiteral("p800.BMH");
    const QString p640 = QStringLiteral("p640.BMH");
    // Cells of 642 x 971 pixels on A4 with 20 mm margins at 96 dpi.
    QTest::newRow("800x600: two sheets side by side") << p800 << QStringList() << 2 << a4;
    QTest::newRow("640x480: one sheet") << p640 << QStringList() << 1 << a4;
    QTest::newRow("642x971: one sheet") << QStringLiteral("p642.BMH") << QStringList() << 1 << a4;
    QTest::newRow("643x972: two across, two down") << QStringLiteral("p643.BMH") << QStringList() << 4 << a4;
    // Turned, the cell is 971 x 642 and the whole picture fits.
    QTest::newRow("landscape") << p800 << QStringList{QStringLiteral("--landscape")} << 1 << a4Turned;
    QTest::newRow("A3 holds 800 pixels") << p800 << QStringList{QStringLiteral("--paper"), QStringLiteral("A3")}
                                         << 1 << QSizeF(842, 1191);
    QTest::newRow("letter, any case") << p800 << QStringList{QStringLiteral("--paper=letter")} << 2
                                      << QSizeF(612, 792);
    QTest::newRow("letter turned") << p800 << QStringList{QStringLiteral("--paper=LETTER"), QStringLiteral("--landscape")}
                                   << 1 << QSizeF(792, 612);
    // B5 cells are 514 (ISO) and 536 (JIS) pixels wide: two sheets.
    QTest::newRow("B5 is ISO B5") << p640 << QStringList{QStringLiteral("--paper"), QStringLiteral("b5")} << 2
                                  << QSizeF(499, 709);
    QTest::newRow("JIS B5 with a space") << p640 << QStringList{QStringLiteral("--paper"), QStringLiteral("JIS B5")}
                                         << 2 << QSizeF(516, 729);
    QTest::newRow("JISB5 without one") << p640 << QStringList{QStringLiteral("--paper"), QStringLiteral("jisb5")}
                                       << 2 << QSizeF(516, 729);
    QTest::newRow("PPD name of ISO B5") << p640 << QStringList{QStringLiteral("--paper"), QStringLiteral("ISOB5")}
                                        << 2 << QSizeF(499, 709);
    // 800 px at 48 dpi are 423.3 mm: 3 cells of 170 mm; 600 px are 317.5 mm: 2 of 257 mm.
    QTest::newRow("48 dpi doubles the picture") << p800 << QStringList{QStringLiteral("--dpi"), QStringLiteral("48")}
                                                << 6 << a4;
    QTest::newRow("300 dpi shrinks it") << p800 << QStringList{QStringLiteral("--dpi=300")} << 1 << a4;
    // A 100 mm wide cell (377 px) takes 640 px in two.
    QTest::newRow("margins") << p640 << QStringList{QStringLiteral("--margins"), QStringLiteral("10,100,10,10")}
                             << 2 << a4;
    QTest::newRow("no margins") << p640 << QStringList{QStringLiteral("--margins=0,0,0,0")} << 1 << a4;
}

void CliPrintTest::pagesAndPaper()
{
    QFETCH(QString, document);
    QFETCH(QStringList, options);
    QFETCH(int, pages);
    QFETCH(QSizeF, pagePoints);

    const QString out = path(QStringLiteral("pages.pdf"));
    QFile::remove(out);
    const Run r = runCli(m_dir.path(), QStringList{QStringLiteral("print"), document, QStringLiteral("--pdf"), out}
                                           + options);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.err.isEmpty());
    QVERIFY(r.out.isEmpty());
    const PdfInfo info = ReadPdfInfo(out);
    QVERIFY2(info.ok, qPrintable(info.error));
    QCOMPARE(info.pages, pages);
    QCOMPARE(info.pageSize, pagePoints);
}

void CliPrintTest::pagesAtTrueSize_data()
{
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("page");
    QTest::addColumn<QSize>("bitmap");    // the sheet in page pixels
    QTest::addColumn<QRect>("target");    // where the cell goes
    QTest::addColumn<QPoint>("cellOrigin");

    // A4, 20 mm margins: at 96 dpi a 793 x 1122 sheet and cells of 642 x 971
    // at (75, 75); page 2 shows the columns 642 to 799.
    QTest::newRow("96 dpi, page 1") << 96 << 1 << QSize(793, 1122) << QRect(75, 75, 642, 971) << QPoint(0, 0);
    QTest::newRow("96 dpi, page 2") << 96 << 2 << QSize(793, 1122) << QRect(75, 75, 642, 971) << QPoint(642, 0);
    // At 48 dpi a 396 x 561 sheet, cells of 321 x 485 at (37, 37), three
    // across: page 5 is the middle one of the second row.
    QTest::newRow("48 dpi, page 5") << 48 << 5 << QSize(396, 561) << QRect(37, 37, 321, 485) << QPoint(321, 485);
}

void CliPrintTest::pagesAtTrueSize()
{
    QFETCH(int, dpi);
    QFETCH(int, page);
    QFETCH(QSize, bitmap);
    QFETCH(QRect, target);
    QFETCH(QPoint, cellOrigin);

    const QString out = path(QStringLiteral("true%1.pdf").arg(dpi));
    if (!QFile::exists(out)) {
        const Run r = runCli(m_dir.path(), {QStringLiteral("print"), QStringLiteral("p800.BMH"), QStringLiteral("--pdf"),
                                            out, QStringLiteral("--dpi"), QString::number(dpi)});
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }
    // Rendered four times finer, every page pixel is a 4 x 4 block of its
    // own colour (poppler smooths pictures it enlarges less than that).
    constexpr int kScale = 4;
    const QImage rendered = RenderPdfPage(out, page, dpi * kScale);
    QVERIFY(!rendered.isNull());
    QVERIFY(rendered.width() >= bitmap.width() * kScale);
    QVERIFY(rendered.height() >= bitmap.height() * kScale);
    int wrong = 0;
    QString first;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            const QRgb want = expectedPixel(m_picture800, target, cellOrigin, x, y);
            const QRgb got = rendered.pixel(x * kScale + kScale / 2, y * kScale + kScale / 2) | 0xFF000000u;
            if (got != want && wrong++ == 0)
                first = QStringLiteral("page pixel (%1, %2): %3 instead of %4")
                            .arg(x).arg(y).arg(got, 8, 16).arg(want, 8, 16);
        }
    }
    QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 pixels differ, first %2").arg(wrong).arg(first)));
    // Beyond the sheet bitmap lies at most the PDF page's last fraction of a pixel.
    QVERIFY(rendered.width() <= (bitmap.width() + 1) * kScale);
    QVERIFY(rendered.height() <= (bitmap.height() + 1) * kScale);
}

void CliPrintTest::marginOffsetAtScreenResolution()
{
    const QString out = path(QStringLiteral("screen.pdf"));
    // The PDF at the screen's own resolution: its pixels are the page's.
    const Run r = runCli(m_dir.path(), {QStringLiteral("print"), QStringLiteral("p640.BMH"), QStringLiteral("--pdf"), out,
                                        QStringLiteral("--device-dpi"), QStringLiteral("96")});
    QVERIFY2(r.exitCode == 0, r.err.constData());
    const QImage page = RenderPdfPage(out, 1, 96);
    QVERIFY(!page.isNull());
    const QImage picture = gradientPicture(640, 480);
    const QRgb white = qRgb(255, 255, 255);
    // The picture begins at (75, 75) after a white margin; pdftoppm blends
    // neighbouring pixels slightly at this size, so compare near colours.
    const auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8 && qAbs(qBlue(a) - qBlue(b)) <= 8;
    };
    for (int i = 0; i < 480; i += 37) {
        QCOMPARE(page.pixel(74, 75 + i), white);
        QCOMPARE(page.pixel(75 + i, 74), white);
        QVERIFY2(near(page.pixel(76, 76 + i), picture.pixel(1, 1 + i)), qPrintable(QString::number(i)));
        QVERIFY2(near(page.pixel(76 + i, 76), picture.pixel(1 + i, 1)), qPrintable(QString::number(i)));
    }
    QVERIFY(page.pixel(75, 75) != white);
    QVERIFY(near(page.pixel(400, 300), picture.pixel(325, 225)));
}

void CliPrintTest::failures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");

    const auto row = [](const char *name, const QStringList &args, const QString &message) {
        QTest::newRow(name) << args << message;
    };
    const QString doc = QStringLiteral("p800.BMH");
    const QString pdf = QStringLiteral("--pdf=out.pdf");
    const QString noArea = QStringLiteral("余白が大きすぎるため、印刷できる範囲がありません");
    const QString bad = QStringLiteral("zelvane-cli print: ");
    row("margins leave no width", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("100,110,20,20")}, bad + noArea);
    row("margins leave no height", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("20,20,150,147")}, bad + noArea);
    row("margins too big when turned", {doc, pdf, QStringLiteral("--landscape"), QStringLiteral("--margins"),
                                        QStringLiteral("20,20,100,110")}, bad + noArea);
    row("margins below a pixel", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("100,109.9,20,20")}, bad + noArea);
    row("unknown paper", {doc, pdf, QStringLiteral("--paper"), QStringLiteral("A44")},
        bad + QStringLiteral("unknown paper \"A44\" (try A4, A3, Letter, Legal; see --help)"));
    row("custom is no paper", {doc, pdf, QStringLiteral("--paper"), QStringLiteral("Custom")},
        bad + QStringLiteral("unknown paper \"Custom\" (try A4, A3, Letter, Legal; see --help)"));
    row("missing document", {QStringLiteral("none.BMH"), pdf},
        bad + QStringLiteral("none.BMH: cannot open: No such file or directory"));
    row("invalid document", {QStringLiteral("broken.BMH"), pdf}, bad + QStringLiteral("broken.BMH: not a valid BMH document: "));
    row("three margins", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("1,2,3")},
        bad + QStringLiteral("\"1,2,3\" is not four margins L,R,T,B in millimetres, none negative"));
    row("negative margin", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("-5,20,20,20")},
        bad + QStringLiteral("\"-5,20,20,20\" is not four margins L,R,T,B in millimetres, none negative"));
    row("margin not a number", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("20,abc,20,20")},
        bad + QStringLiteral("\"20,abc,20,20\" is not four margins L,R,T,B in millimetres, none negative"));
    row("margin infinite", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("20,inf,20,20")},
        bad + QStringLiteral("\"20,inf,20,20\" is not four margins L,R,T,B in millimetres, none negative"));
    row("dpi 0", {doc, pdf, QStringLiteral("--dpi"), QStringLiteral("0")},
        bad + QStringLiteral("\"0\" is not a resolution from 1 to 2400 dpi"));
    row("dpi too high", {doc, pdf, QStringLiteral("--dpi"), QStringLiteral("2401")},
        bad + QStringLiteral("\"2401\" is not a resolution from 1 to 2400 dpi"));
    row("device resolution too high", {doc, pdf, QStringLiteral("--device-dpi"), QStringLiteral("2401")},
        bad + QStringLiteral("\"2401\" is not a resolution from 1 to 2400 dpi"));
    // 2 x 1 mm cells: the 211.7 x 158.8 mm picture would take 106 x 159 sheets.
    row("too many sheets", {doc, pdf, QStringLiteral("--margins"), QStringLiteral("104,104,148,148")},
        bad + QStringLiteral("the picture needs 16854 sheets (106 across, 159 down), more than the limit of 1000"));
    row("landscape with a value", {doc, pdf, QStringLiteral("--landscape=yes")}, bad + QStringLiteral("--landscape takes no value"));
    row("no output", {doc}, bad + QStringLiteral("expected a document and either --pdf OUT.pdf or --printer NAME (see --help)"));
    row("both outputs", {doc, pdf, QStringLiteral("--printer"), QStringLiteral("Q")},
        bad + QStringLiteral("expected a document and either --pdf OUT.pdf or --printer NAME (see --help)"));
    row("no document", {pdf}, bad + QStringLiteral("expected a document and either --pdf OUT.pdf or --printer NAME (see --help)"));
    row("two documents", {doc, doc, pdf}, bad + QStringLiteral("more than one document: \"p800.BMH\" and \"p800.BMH\""));
    row("value missing", {doc, QStringLiteral("--pdf")}, bad + QStringLiteral("--pdf needs a value"));
    row("unknown option", {doc, pdf, QStringLiteral("--copies=2")}, bad + QStringLiteral("unknown option --copies (see --help)"));
    row("folder missing", {doc, QStringLiteral("--pdf"), QStringLiteral("nowhere/out.pdf")},
        bad + QStringLiteral("nowhere/out.pdf: cannot create: "));
    row("no such printer", {doc, QStringLiteral("--printer"), QStringLiteral("ZelvaneNoSuchQueue")},
        bad + QStringLiteral("no printer queue named \"ZelvaneNoSuchQueue\""));
}

void CliPrintTest::failures()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);

    const Run r = runCli(m_dir.path(), QStringList{QStringLiteral("print")} + args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY(r.out.isEmpty());
    const QString err = QString::fromUtf8(r.err);
    QVERIFY2(err.startsWith(message), qPrintable(err));
    QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
    QVERIFY(leftNothing(QStringLiteral("out.pdf")));
    QVERIFY(!QFile::exists(path(QStringLiteral("nowhere"))));
}

void CliPrintTest::failedPrintKeepsTheOldPdf_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<qint64>("fileSizeLimit");
    QTest::addColumn<QString>("message");

    QTest::newRow("no printable area") << QStringList{QStringLiteral("--margins=0,210,0,0")} << qint64(0)
                                       << QStringLiteral("余白が大きすぎるため、印刷できる範囲がありません");
    // The disk fills up in the middle of the first page, or when all but
    // the last byte are written (a limit below 0 is one below the full size).
    const QString full = QStringLiteral("zelvane-cli print: kept.pdf: write failed: File too large\n");
    QTest::newRow("disk full on page 1") << QStringList() << qint64(64 * 1024) << full;
    QTest::newRow("disk full at the end") << QStringList() << qint64(-1) << full;
}

void CliPrintTest::failedPrintKeepsTheOldPdf()
{
    QFETCH(QStringList, options);
    QFETCH(qint64, fileSizeLimit);
    QFETCH(QString, message);
    if (fileSizeLimit < 0)
        fileSizeLimit += m_fullSize;

    const QString name = QStringLiteral("kept.pdf");
    QFile old(path(name));
    QVERIFY(old.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QVERIFY(old.write("%PDF-1.4 the earlier poster") > 0);
    old.close();

    const Run r = runCli(m_dir.path(),
                         QStringList{QStringLiteral("print"), QStringLiteral("p800.BMH"), QStringLiteral("--pdf"), name}
                             + options,
                         fileSizeLimit);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    QCOMPARE(readFile(path(name)), QByteArray("%PDF-1.4 the earlier poster"));
    const QStringList beside = QDir(m_dir.path()).entryList({name + QStringLiteral("*"), QStringLiteral(".zelvane-*")},
                                                            QDir::Files | QDir::Hidden);
    QCOMPARE(beside, QStringList{name});

    // Without the fault the same command replaces it.
    const Run good = runCli(m_dir.path(), {QStringLiteral("print"), QStringLiteral("p800.BMH"), QStringLiteral("--pdf"), name});
    QVERIFY2(good.exitCode == 0, good.err.constData());
    QCOMPARE(ReadPdfInfo(path(name)).pages, 2);
}

// The print queues' module is found from the program's own folder, where
// it is installed beside it; without it only printing to a queue fails.
void CliPrintTest::printQueueModuleBesideTheProgram_data()
{
    QTest::addColumn<QString>("module"); // what lies where the module belongs
    QTest::addColumn<QString>("message");

    const QString cannotLoad = QStringLiteral("zelvane-cli print: cannot load the printer support: ");
    QTest::newRow("the module") << QStringLiteral(ZELVANE_PRINT_QUEUE_MODULE_FILE)
                                << QStringLiteral("zelvane-cli print: no printer queue named \"ZelvaneNoSuchQueue\"\n");
    QTest::newRow("nothing") << QString() << cannotLoad;
    QTest::newRow("a text file") << QStringLiteral("text") << cannotLoad;
    // A library of another kind, as a stale or foreign file would be.
    QTest::newRow("a library without the entry point")
        << QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms/libqoffscreen.so") << cannotLoad;
}

void CliPrintTest::printQueueModuleBesideTheProgram()
{
    QFETCH(QString, module);
    QFETCH(QString, message);

    // The program copied into a folder of its own, as if installed there.
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
    const QString program = root.filePath(QStringLiteral("bin/zelvane-cli"));
    QVERIFY(QFile::copy(QStringLiteral(ZELVANE_CLI_PATH), program));
    const QString modulePath = QDir::cleanPath(root.filePath(QStringLiteral("bin/")) + QStringLiteral(ZELVANE_PRINT_QUEUE_MODULE));
    QVERIFY(modulePath.startsWith(root.path() + u'/'));
    QVERIFY(QDir().mkpath(QFileInfo(modulePath).path()));
    if (module == u"text") {
        QFile text(modulePath);
        QVERIFY(text.open(QIODevice::WriteOnly));
        QVERIFY(text.write("not a library\n") > 0);
    } else if (!module.isEmpty()) {
        QVERIFY2(QFile::copy(module, modulePath), qPrintable(module));
    }

    const auto run = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(program, QStringList{QStringLiteral("print"), QStringLiteral("p800.BMH")} + args);
        const bool finished = p.waitForFinished(120000);
        return std::make_tuple(finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                               p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError()));
    };
    const auto [code, out, err] = run({QStringLiteral("--printer"), QStringLiteral("ZelvaneNoSuchQueue")});
    QCOMPARE(code, 1);
    QVERIFY(out.isEmpty());
    QVERIFY2(err.startsWith(message), qPrintable(err));
    QVERIFY2(err.endsWith(u'\n') && err.count(u'\n') == 1, qPrintable(err));
    if (message.endsWith(u' ')) // a failure to load names the file looked for
        QVERIFY2(err.contains(modulePath), qPrintable(err));

    // A PDF needs no module.
    const QString pdf = QStringLiteral("beside.pdf");
    const auto [pdfCode, pdfOut, pdfErr] = run({QStringLiteral("--pdf"), pdf});
    QVERIFY2(pdfCode == 0, qPrintable(pdfErr));
    QVERIFY(pdfOut.isEmpty() && pdfErr.isEmpty());
    QCOMPARE(ReadPdfInfo(path(pdf)).pages, 2);
    QVERIFY(QFile::remove(path(pdf)));
}

// The same job sent to a printer queue: CUPS with a cups-pdf queue.
class CliQueueTest : public QObject
{
    Q_OBJECT
public:
    explicit CliQueueTest(CupsServer &server) : m_server(server) {}

private slots:
    void initTestCase();
    void cleanupTestCase();
    void twoSheetsThroughTheQueue();

private:
    CupsServer &m_server;
    QTemporaryDir m_dir;
};

namespace {

const QString kQueue = QStringLiteral("ZelvaneCliPDF%1").arg(getpid());
const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");


} // namespace

void CliQueueTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (!QFile::exists(kBackend) || !QFile::exists(kPpd))
        QSKIP("cups-pdf is not installed (printer-driver-cups-pdf)");
    if (!HavePopplerTools())
        QSKIP("pdfinfo (poppler-utils) is not installed");
    QString reason;
    if (!m_server.start(&reason))
        QSKIP(qPrintable(QStringLiteral("CUPS cannot run here: ") + reason));
    QString output;
    QVERIFY2(m_server.addPdfQueue(kQueue, &output), qPrintable(output));
}

void CliQueueTest::cleanupTestCase()
{
    m_server.stop();
}

void CliQueueTest::twoSheetsThroughTheQueue()
{
    // cups-pdf names its file after the job title, which holds the path.
    const QString name = QStringLiteral("cliqueue%1").arg(getpid());
    QVERIFY(writeDocument(m_dir.filePath(name + QStringLiteral(".BMH")), gradientPicture(800, 600)));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), m_server.socketPath());
    const Run r = runCli(m_dir.path(), {QStringLiteral("print"), name + QStringLiteral(".BMH"), QStringLiteral("--printer"),
                                        kQueue},
                         0, env);
    QVERIFY2(r.exitCode == 0, r.err.constData());
    QVERIFY(r.err.isEmpty());

    const QString written = m_server.waitForPdf(name, 90000);
    QVERIFY2(!written.isEmpty(), qPrintable(QStringLiteral("no PDF from cups-pdf in ") + m_server.pdfOutputDir()));
    const PdfInfo info = ReadPdfInfo(written);
    QVERIFY2(info.ok, qPrintable(info.error));
    QCOMPARE(info.pages, 2);
    QVERIFY(qAbs(info.pageSize.width() - 595.28) < 1.0);
    QVERIFY(qAbs(info.pageSize.height() - 841.89) < 1.0);

    // A queue that does not exist on this scheduler is named in the failure.
    const Run missing = runCli(m_dir.path(), {QStringLiteral("print"), name + QStringLiteral(".BMH"),
                                              QStringLiteral("--printer"), QStringLiteral("NoSuchQueue")},
                               0, env);
    QCOMPARE(missing.exitCode, 1);
    QCOMPARE(missing.err, QByteArray("zelvane-cli print: no printer queue named \"NoSuchQueue\"\n"));
}

// "--cups" runs the queue test, which needs a CUPS scheduler; without it
// the PDF tests run.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--cups") == 0) {
        std::vector<char *> rest{argv[0]};
        rest.insert(rest.end(), argv + 2, argv + argc);
        CupsServer server;
        CliQueueTest test(server);
        return QTest::qExec(&test, int(rest.size()), rest.data());
    }
    CliPrintTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cliprint.moc"
