// The About box, its texts and the version block it reads from the
// program's own file.

#include "dialogs/AboutDlg.h"
#include "dialogs/AboutText.h"
#include "dialogs/AppIcon.h"
#include "DialogTestSupport.h"
#include "dialogs/VersionInfo.h"

#include <QBuffer>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>

using namespace zel;
using namespace zel::test;

namespace {

const QString kFileVersionPath = QStringLiteral("\\StringFileInfo\\041103A4\\FileVersion");
const QString kCopyrightPath = QStringLiteral("\\StringFileInfo\\041103A4\\LegalCopyright");
const QString kMemoryPrefix = QStringLiteral("使用可能物理ﾒﾓﾘ:");
constexpr quint64 kMiB = 1024 * 1024;

class FakeSystem final : public SystemInfo
{
public:
    QString path;
    OsVersion os{QStringLiteral("Linux"), 6, 1, 0};
    quint64 memory = 64 * kMiB;

    QString executablePath() const override { return path; }
    OsVersion osVersion() const override { return os; }
    quint64 totalPhysicalMemory() const override { return memory; }
};

QByteArray japaneseBlock(const QString &version, const QString &copyright)
{
    return makeVersionBlock({{kFileVersionPath, version}, {kCopyrightPath, copyright}});
}

// Bytes standing in for a program file: filler, the block, more filler.
QByteArray programBytes(const QByteArray &block, qsizetype before = 5000)
{
    QByteArray bytes(before, '\x90');
    bytes += block;
    bytes += QByteArray(3000, '\0');
    return bytes;
}

VersionStrings readBytes(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readVersionStrings(buffer);
}

} // namespace

class AboutDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void memoryText_data();
    void memoryText();
    void memoryTextFollowsLocale();
    void osText_data();
    void osText();
    void kernelRelease_data();
    void kernelRelease();

    void versionBlockLookup();
    void versionStringsFromBytes_data();
    void versionStringsFromBytes();
    void versionBlockAcrossChunkBoundary();
    void versionBlockTooLargeIsIgnored();
    void embeddedBlockIsInTheProgramFile();

    void boxLayout();
    void boxLines_data();
    void boxLines();
    void programLinesFitTheBox();
    void showAboutIsModalAndCloses_data();
    void showAboutIsModalAndCloses();
    void applicationIconHasEverySize();
};

void AboutDialogTest::memoryText_data()
{
    QTest::addColumn<quint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("32 MB") << 32 * kMiB << "   32,768 KB";
    QTest::newRow("64 MB") << 64 * kMiB << "   65,536 KB";
    QTest::newRow("part of a KB dropped") << 64 * kMiB + 1023 << "   65,536 KB";
    QTest::newRow("2 GB") << 2048 * kMiB << "2,097,152 KB";
    QTest::newRow("over 4 GB") << 5 * 1024 * kMiB << "5,242,880 KB";
    QTest::newRow("16 GB widens") << 16 * 1024 * kMiB << "16,777,216 KB";
    QTest::newRow("small") << quint64(512 * 1024) << "      512 KB";
    QTest::newRow("unknown") << quint64(0) << "        0 KB";
}

void AboutDialogTest::memoryText()
{
    QFETCH(quint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(memoryLine(bytes, QLocale::c()), kMemoryPrefix + text);
    QCOMPARE(memoryLine(bytes, QLocale(QLocale::Japanese, QLocale::Japan)), kMemoryPrefix + text);
}

void AboutDialogTest::memoryTextFollowsLocale()
{
    QCOMPARE(memoryLine(32 * kMiB, QLocale(QLocale::German, QLocale::Germany)),
             kMemoryPrefix + QStringLiteral("   32.768 KB"));
}

void AboutDialogTest::osText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("build");
    QTest::addColumn<QString>("text");
    QTest::newRow("95") << "Windows 95" << 4 << 0 << 950 << "Windows 95 4.00.950";
    QTest::newRow("NT") << "Windows NT" << 4 << 0 << 1381 << "Windows NT 4.00.1381";
    QTest::newRow("minor 10") << "Windows" << 4 << 10 << 1998 << "Windows 4.10.1998";
    QTest::newRow("build low 16 bits") << "Windows 95" << 4 << 0 << 0x040003B6 << "Windows 95 4.00.950";
    QTest::newRow("linux") << "Linux" << 6 << 1 << 0 << "Linux 6.01.0";
}

void AboutDialogTest::osText()
{
    QFETCH(QString, name);
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, build);
    QFETCH(QString, text);
    QCOMPARE(osLine(OsVersion{name, major, minor, build}), text);
}

void AboutDialogTest::kernelRelease_data()
{
    QTest::addColumn<QString>("release");
    QTest::addColumn<QList<int>>("numbers");
    QTest::newRow("debian") << "6.1.0-18-amd64" << QList<int>{6, 1, 0};
    QTest::newRow("four parts") << "5.15.153.1-microsoft-standard-WSL2" << QList<int>{5, 15, 153};
    QTest::newRow("two parts") << "6.8-rc1" << QList<int>{6, 8, 0};
    QTest::newRow("one part") << "7" << QList<int>{7, 0, 0};
    QTest::newRow("none") << "unknown" << QList<int>{0, 0, 0};
    QTest::newRow("empty") << "" << QList<int>{0, 0, 0};
}

void AboutDialogTest::kernelRelease()
{
    QFETCH(QString, release);
    QFETCH(QList<int>, numbers);
    const OsVersion v = parseKernelRelease(QStringLiteral("Linux"), release);
    QCOMPARE(v.name, QStringLiteral("Linux"));
    QCOMPARE(QList<int>({v.major, v.minor, v.build}), numbers);
}

void AboutDialogTest::versionBlockLookup()
{
    const QByteArray block = makeVersionBlock({{kFileVersionPath, QStringLiteral("1.2.3.4")},
                                               {kCopyrightPath, QStringLiteral("(C) 二〇二六")},
                                               {QStringLiteral("\\Other"), QString()}});
    QCOMPARE(queryVersionValue(block, kFileVersionPath), std::optional(QStringLiteral("1.2.3.4")));
    QCOMPARE(queryVersionValue(block, kCopyrightPath), std::optional(QStringLiteral("(C) 二〇二六")));
    QCOMPARE(queryVersionValue(block, QStringLiteral("\\Other")), std::optional(QString()));
    QCOMPARE(queryVersionValue(block, QStringLiteral("\\StringFileInfo\\041103A4\\Comments")),
             std::nullopt);
    // Exact bytes of the header: magic, format 1, payload size, hash.
    QCOMPARE(block.left(16), QByteArray("\x89ZELVANE-VER\r\n\x1A\n", 16));
    QCOMPARE(block.mid(16, 4), QByteArray("\1\0\0\0", 4));
    const quint32 size = quint32(block.size()) - 28;
    QCOMPARE(quint8(block[20]) | quint8(block[21]) << 8, int(size));
    // Any damage makes the whole block unreadable.
    for (int at : {0, 16, 20, 24, 40, int(block.size()) - 1}) {
        QByteArray damaged = block;
        damaged[at] = char(damaged[at] ^ 0x20);
        QCOMPARE(queryVersionValue(damaged, kFileVersionPath), std::nullopt);
    }
    QCOMPARE(queryVersionValue(block.chopped(1), kFileVersionPath), std::nullopt);
    QCOMPARE(queryVersionValue(QByteArray(), kFileVersionPath), std::nullopt);
}

void AboutDialogTest::versionStringsFromBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("copyright");
    const QByteArray good = japaneseBlock(QStringLiteral("2.5.0.7"), QStringLiteral("(C) Someone"));
    QTest::newRow("block") << programBytes(good) << "2.5.0.7" << "(C) Someone";
    QTest::newRow("block at the start") << good << "2.5.0.7" << "(C) Someone";
    QTest::newRow("no block") << QByteArray(100000, 'x') << "" << "";
    QTest::newRow("empty file") << QByteArray() << "" << "";
    QTest::newRow("other language only")
        << programBytes(makeVersionBlock(
               {{QStringLiteral("\\StringFileInfo\\040904B0\\FileVersion"), QStringLiteral("9.9")},
                {QStringLiteral("\\StringFileInfo\\040904B0\\LegalCopyright"), QStringLiteral("x")}}))
        << "" << "";
    QTest::newRow("copyright missing")
        << programBytes(makeVersionBlock({{kFileVersionPath, QStringLiteral("3.0.0.0")}}))
        << "3.0.0.0" << "";
    // A bare magic (as the reader's own constant is) is passed over.
    QByteArray decoy = good.left(40);
    QTest::newRow("decoy magic first") << programBytes(decoy + QByteArray(64, 'z') + good)
                                       << "2.5.0.7" << "(C) Someone";
    QByteArray truncated = programBytes(good).chopped(3000 + 5);
    QTest::newRow("block cut short") << truncated << "" << "";
}

void AboutDialogTest::versionStringsFromBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, version);
    QFETCH(QString, copyright);
    const VersionStrings strings = readBytes(bytes);
    QCOMPARE(strings.version, version);
    QCOMPARE(strings.copyright, copyright);

    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(bytes);
    file.close();
    const VersionStrings fromFile = GetVersionStrings(file.fileName());
    QCOMPARE(fromFile.version, version);
    QCOMPARE(fromFile.copyright, copyright);
}

void AboutDialogTest::versionBlockAcrossChunkBoundary()
{
    // The reader scans a megabyte at a time; put the magic across the seam
    // and the rest of the block well into the next chunk.
    const QByteArray block = japaneseBlock(QStringLiteral("4.3.2.1"), QStringLiteral("(C) Edge"));
    for (qsizetype before : {qsizetype(1 << 20) - 7, qsizetype(1 << 20) - 16, qsizetype(1 << 20) - 20,
                             qsizetype(1 << 20)}) {
        const VersionStrings strings = readBytes(programBytes(block, before));
        QCOMPARE(strings.version, QStringLiteral("4.3.2.1"));
        QCOMPARE(strings.copyright, QStringLiteral("(C) Edge"));
    }
}

void AboutDialogTest::versionBlockTooLargeIsIgnored()
{
    QByteArray block = japaneseBlock(QStringLiteral("1"), QStringLiteral("2"));
    // A size field beyond the limit, hash and all, is not trusted.
    block[22] = 0x10;
    QCOMPARE(readBytes(programBytes(block)).version, QString());
    QCOMPARE(GetVersionStrings(QStringLiteral("/nonexistent/zelvane")).version, QString());
    QCOMPARE(GetVersionStrings(QString()).copyright, QString());
}

void AboutDialogTest::embeddedBlockIsInTheProgramFile()
{
    const QString expected = QStringLiteral(ZELVANE_TEST_PROJECT_VERSION);
    const VersionStrings own = GetVersionStrings(QCoreApplication::applicationFilePath());
    // FileVersion is the project's version in four parts.
    QCOMPARE(own.version.count(QLatin1Char('.')), 3);
    QVERIFY2(own.version.startsWith(expected), qPrintable(own.version));
    QCOMPARE(own.copyright, QStringLiteral(ZELVANE_TEST_COPYRIGHT));
    QCOMPARE(hostSystemInfo().executablePath(), QCoreApplication::applicationFilePath());
    // The compiled-in block is what the builder makes of the same records.
    QCOMPARE(queryVersionValue(embeddedVersionBlock(), kFileVersionPath), std::optional(own.version));
    QCOMPARE(queryVersionValue(embeddedVersionBlock(), QStringLiteral("\\StringFileInfo\\041103A4\\ProductName")),
             std::optional(QStringLiteral("Zelvane")));
}

void AboutDialogTest::boxLayout()
{
    TAboutDialog box;
    QCOMPARE(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(box.size(), QSize(360, 208));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QVERIFY(box.windowFlags() & Qt::WindowCloseButtonHint);
    QCOMPARE(box.font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(box.font().pixelSize(), 15);
    QCOMPARE(box.Image1->geometry(), QRect(24, 32, 32, 32));
    QCOMPARE(box.Image1->alignment(), Qt::AlignCenter);
    QCOMPARE(box.Label1->pos(), QPoint(80, 16));
    QVERIFY(box.Label1->font().bold());
    QCOMPARE(box.Label1->font().pixelSize(), 27);
    QCOMPARE(box.Label2->pos(), QPoint(80, 56));
    QCOMPARE(box.Label3->pos(), QPoint(80, 80));
    QCOMPARE(box.Bevel1->geometry(), QRect(72, 112, 281, 3));
    QCOMPARE(box.Label4->pos(), QPoint(80, 120));
    QCOMPARE(box.Label5->pos(), QPoint(80, 144));
    QCOMPARE(box.Button1->geometry(), QRect(264, 176, 89, 25));
    QCOMPARE(box.Button1->text(), QStringLiteral("OK"));
    QVERIFY(box.Button1->isDefault());
}

void AboutDialogTest::boxLines_data()
{
    QTest::addColumn<QByteArray>("program");
    QTest::addColumn<QString>("versionLine");
    QTest::addColumn<QString>("copyrightLine");
    QTest::newRow("with version data")
        << programBytes(japaneseBlock(QStringLiteral("1.0.0.0"), QStringLiteral("(C) 2026 Z")))
        << "Version 1.0.0.0" << "Copyright (C) 2026 Z";
    QTest::newRow("without version data") << QByteArray(4096, '\x7f') << "Version " << "Copyright ";
    QTest::newRow("other table only")
        << programBytes(makeVersionBlock(
               {{QStringLiteral("\\StringFileInfo\\041104B0\\FileVersion"), QStringLiteral("1.0")}}))
        << "Version " << "Copyright ";
}

void AboutDialogTest::boxLines()
{
    QFETCH(QByteArray, program);
    QFETCH(QString, versionLine);
    QFETCH(QString, copyrightLine);
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(program);
    file.close();
    FakeSystem system;
    system.path = file.fileName();
    system.memory = 64 * kMiB;
    system.os = OsVersion{QStringLiteral("Linux"), 6, 1, 0};
    TAboutDlg about(nullptr, system);
    TAboutDialog box;
    about.fill(box, QStringLiteral("Zelvane"), applicationIcon());
    QCOMPARE(box.Label1->text(), QStringLiteral("Zelvane"));
    QCOMPARE(box.Label2->text(), versionLine);
    QCOMPARE(box.Label3->text(), copyrightLine);
    QCOMPARE(box.Label4->text(), QStringLiteral("Linux 6.01.0"));
    QVERIFY(box.Label5->text().startsWith(kMemoryPrefix));
    QVERIFY(box.Label5->text().endsWith(QStringLiteral("65,536 KB")));
    QVERIFY(!box.Image1->pixmap().isNull());
    QCOMPARE(box.Image1->pixmap().deviceIndependentSize().toSize(), QSize(32, 32));
}

void AboutDialogTest::programLinesFitTheBox()
{
    FakeSystem system;
    system.path = QCoreApplication::applicationFilePath();
    system.os = OsVersion{QStringLiteral("Linux"), 6, 18, 44};
    system.memory = 1024 * 1024 * kMiB; // a terabyte: the widest line likely
    TAboutDlg about(nullptr, system);
    TAboutDialog box;
    about.fill(box, QStringLiteral("Zelvane"), applicationIcon());
    QCOMPARE(box.Label3->text(), QStringLiteral("Copyright " ZELVANE_TEST_COPYRIGHT));
    if (QFontInfo(box.font()).family() != QStringLiteral("IPAPGothic"))
        QSKIP("IPAPGothic (fonts-ipafont-gothic) is not installed");
    for (QLabel *label : {box.Label1, box.Label2, box.Label3, box.Label4, box.Label5})
        QVERIFY2(label->geometry().right() < box.width(), qPrintable(label->text()));
}

void AboutDialogTest::showAboutIsModalAndCloses_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("enter") << int(Qt::Key_Return);
    QTest::newRow("escape") << int(Qt::Key_Escape);
    QTest::newRow("click") << 0;
}

void AboutDialogTest::showAboutIsModalAndCloses()
{
    QFETCH(int, key);
    QWidget window;
    FakeSystem system;
    system.os = OsVersion{QStringLiteral("Windows NT"), 4, 0, 1381};
    system.memory = 32 * kMiB;
    TAboutDlg about(&window, system);
    int shown = 0;
    bool closed = false;
    whenModal([&](QDialog &d) {
        auto *box = qobject_cast<TAboutDialog *>(&d);
        QVERIFY(box);
        QCOMPARE(box->parentWidget(), &window);
        QCOMPARE(box->Label1->text(), QStringLiteral("Zelvane"));
        QCOMPARE(box->Label4->text(), QStringLiteral("Windows NT 4.00.1381"));
        QVERIFY(box->Label5->text().endsWith(QStringLiteral("   32,768 KB")));
        if (key)
            QTest::keyClick(box, Qt::Key(key));
        else
            QTest::mouseClick(box->Button1, Qt::LeftButton);
        closed = !box->isVisible();
    }, &shown);
    about.ShowAbout(QStringLiteral("Zelvane"), applicationIcon());
    QCOMPARE(shown, 1);
    QVERIFY(closed);
    // Built for each showing and gone afterwards.
    QVERIFY(window.findChildren<TAboutDialog *>().isEmpty());
}

void AboutDialogTest::applicationIconHasEverySize()
{
    const QIcon icon = applicationIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
    const QImage image = icon.pixmap(QSize(256, 256)).toImage();
    QCOMPARE(image.size(), QSize(256, 256));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);        // corners see through
    QCOMPARE(qAlpha(image.pixel(128, 150)), 255);  // the cards are solid
}

QTEST_MAIN(AboutDialogTest)
#include "tst_aboutdialog.moc"
