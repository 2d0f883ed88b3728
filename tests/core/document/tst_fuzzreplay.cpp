// Replays the fuzz seed corpus through the fuzzed entry points in an
// ordinary sanitizer build: every seed runs clean, seeds named valid-* are
// accepted and invalid-* refused.

#include "FuzzEntries.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class TestFuzzReplay : public QObject
{
    Q_OBJECT
private slots:
    void seed_data();
    void seed();
};

void TestFuzzReplay::seed_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    const QDir corpus(QStringLiteral(ZELVANE_FUZZ_CORPUS));
    int seeds = 0;
    for (const QString &target : {QStringLiteral("document"), QStringLiteral("jpeg"), QStringLiteral("bmp"),
                                  QStringLiteral("png")}) {
        const QDir dir(corpus.filePath(target));
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            QTest::newRow(qPrintable(target + u'/' + name)) << target << dir.filePath(name);
            ++seeds;
        }
    }
    QVERIFY2(seeds >= 20, "the seed corpus is missing");
}

void TestFuzzReplay::seed()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    const auto *bytes = reinterpret_cast<const uint8_t *>(data.constData());
    const size_t size = size_t(data.size());
    bool accepted = false;
    if (target == u"document")
        accepted = zel::fuzz::documentEntry(bytes, size);
    else if (target == u"jpeg")
        accepted = zel::fuzz::jpegEntry(bytes, size);
    else if (target == u"png")
        accepted = zel::fuzz::pngEntry(bytes, size);
    else
        accepted = zel::fuzz::bmpEntry(bytes, size);
    QCOMPARE(accepted, QFileInfo(path).fileName().startsWith(QStringLiteral("valid-")));
}

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
