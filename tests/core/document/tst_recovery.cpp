// The recovery store and the copy the window keeps: snapshot, write, lock,
// offer, restore, discard, copies of live programs, damaged copies and a
// full disk. Every test works under its own XDG_STATE_HOME.

#include "DocumentTestSupport.h"
#include "FileBytes.h"
#include "FakePorts.h"
#include "FileSizeLimit.h"

#include "document/DocumentCommands.h"
#include "document/DocumentState.h"
#include "document/RecoveryCopy.h"
#include "document/RecoveryStore.h"
#include "fileio/FileReplacement.h"
#include "fileio/NativePath.h"
#include "scene/Scene.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace zel;

using zel::test::readFile;
using zel::test::writeFile;

namespace {

// One running program: its store, its document and the commands over them.
struct Program {
    explicit Program(const QString &folder) : store(folder) {}
    RecoveryStore store;
    DocumentState state;
    test::ScriptedDialogs dialogs;
    DocumentCommands commands{state, dialogs};
    RecoveryCopy copy{state, store};
};

const QString kQuestion = QStringLiteral("Zelvane|前回、保存されずに終了した作業があります。\r\n復元しますか？");

QStringList entriesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

// A document of count parts with flags held as 255 and 1, one displayed at
// another size than its source's, on a coloured background.
RecoveryDocument sampleDocument(int count, const QString &name, int seed = 0)
{
    RecoveryDocument document;
    document.fileName = name;
    DocumentHeader &h = document.contents.header;
    h.partCount = count;
    h.frameWidth = 300 + 6;
    h.frameHeight = 200 + 6;
    h.background = 0x00336699;
    h.transparentMode = 1;
    for (int i = 0; i < count; ++i) {
        DocumentPart part;
        part.source = doc::picture(7 + i, 5 + 2 * i, seed + i);
        part.bounds = QRect(10 * i - 3, 4 * i, i == 1 ? 40 : part.source.width(), part.source.height());
        part.monochrome = i == 0 ? 255 : 0;
        part.grayscale = i == 2 ? 1 : 0;
        part.transparent = i % 2 == 0 ? 255 : 0;
        document.contents.parts.push_back(part);
    }
    return document;
}

QByteArray documentBytes(const DocumentContents &contents)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    WriteDocument(buffer, contents);
    return buffer.data();
}

QByteArray trailer(const QByteArray &name)
{
    return QByteArrayLiteral("ZLVNAME1") + doc::le32(name.size()) + name;
}

// What a reader sees: the same bytes when written again.
void compareDocuments(const RecoveryDocument &actual, const RecoveryDocument &expected)
{
    QCOMPARE(actual.fileName, expected.fileName);
    QCOMPARE(documentBytes(actual.contents), documentBytes(expected.contents));
}

// A slot left by a program that ended without removing its copy.
QString leaveCopy(const QString &folder, const RecoveryDocument &document)
{
    RecoveryStore store(folder);
    if (!RecoveryStore::writeCopy(store.copyPath(), document))
        return QString();
    return store.copyPath();
}

void setWritten(const QString &path, const QDateTime &when)
{
    QFile f(path);
    f.open(QIODevice::ReadWrite);
    f.setFileTime(when, QFileDevice::FileModificationTime);
}

// The test program run again as another program that keeps its copy: it
// writes one, leaves a writer's temporary file cut short beside it, says
// "ready" and waits until its input closes or it is killed.
int holdStore(const char *folder)
{
    RecoveryStore store(QString::fromLocal8Bit(folder));
    if (!RecoveryStore::writeCopy(store.copyPath(), sampleDocument(2, QStringLiteral("/held.BMH"))))
        return 1;
    FileReplacement unfinished(store.copyPath());
    if (!unfinished.open() || unfinished.write(QByteArray(300 * 1024, 'x')) < 0)
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    return 0;
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_folder;

    void startHolder(QProcess &holder)
    {
        holder.setProgram(QCoreApplication::applicationFilePath());
        holder.setArguments({QStringLiteral("--hold-store"), m_folder});
        holder.start();
        QVERIFY(holder.waitForStarted());
        QVERIFY(holder.waitForReadyRead(20000));
        QCOMPARE(holder.readLine().trimmed(), QByteArray("ready"));
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_home->filePath(QStringLiteral("state"))));
        qputenv("HOME", QFile::encodeName(m_home->path()));
        m_folder = RecoveryStore::defaultFolder();
    }

    void defaultFolder_data()
    {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QString>("expected"); // below the test's home
        QTest::newRow("set") << QByteArray("/x/state") << QStringLiteral("/x/state/zelvane");
        QTest::newRow("unset") << QByteArray() << QStringLiteral("HOME/.local/state/zelvane");
        QTest::newRow("relative is ignored") << QByteArray("state") << QStringLiteral("HOME/.local/state/zelvane");
        const QString japanese = QString(80, QChar(0x72b6));
        QTest::newRow("80 Japanese characters") << ("/" + japanese.toUtf8())
                                                << QStringLiteral("/") + japanese + QStringLiteral("/zelvane");
    }

    void defaultFolder()
    {
        QFETCH(QByteArray, state);
        QFETCH(QString, expected);
        if (state.isNull())
            qunsetenv("XDG_STATE_HOME");
        else
            qputenv("XDG_STATE_HOME", state);
        expected.replace(QStringLiteral("HOME"), m_home->path());
        QCOMPARE(RecoveryStore::defaultFolder(), expected);
    }

    void storeHoldsItsSlotPrivately()
    {
        RecoveryStore store(m_folder);
        QVERIFY(store.isOpen());
        const QFileInfo copy(store.copyPath());
        QCOMPARE(copy.fileName(), QStringLiteral("copy.bmh"));
        QVERIFY(copy.dir().exists());
        QCOMPARE(copy.dir().absolutePath(), m_folder + u'/' + copy.dir().dirName());
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(m_folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0700u);
        QCOMPARE(entriesIn(m_folder),
                 QStringList({copy.dir().dirName(), copy.dir().dirName() + QStringLiteral(".lock")}));
    }

    void copyBytes_data()
    {
        QTest::addColumn<int>("parts");
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("untitled, no parts") << 0 << QByteArray();
        QTest::newRow("named, three parts") << 3 << QByteArray("/home/u/picture.BMH");
        QTest::newRow("255-byte Japanese name")
            << 1 << (QByteArray("/") + QString(80, QChar(0x7d75)).toUtf8() + QByteArray("abcdefghij.BMH"));
        QTest::newRow("name that is not UTF-8") << 2 << QByteArray("/tmp/\xff\xfe.BMH");
    }

    void copyBytes()
    {
        QFETCH(int, parts);
        QFETCH(QByteArray, name);
        const RecoveryDocument document = sampleDocument(parts, decodePath(name));
        RecoveryStore store(m_folder);
        QString reason;
        QVERIFY2(RecoveryStore::writeCopy(store.copyPath(), document, &reason), qPrintable(reason));
        // The document as a save writes it, then the name byte for byte.
        QCOMPARE(readFile(store.copyPath()), documentBytes(document.contents) + trailer(name));
        RecoveryDocument read;
        QVERIFY2(RecoveryStore::readCopy(store.copyPath(), read, &reason), qPrintable(reason));
        compareDocuments(read, document);
        QCOMPARE(encodePath(read.fileName), name);
    }

    void snapshotStaysAsTaken()
    {
        UiState ui;
        Scene scene(ui);
        scene.InsertPart(5, 6, 7, 8, doc::picture(7, 8, 1), 0, 255, 1);
        scene.InsertPart(1, 2, 30, 4, doc::picture(3, 4, 2), 255, 0, 0);
        const QByteArray before = [&] {
            QBuffer b;
            b.open(QIODevice::WriteOnly);
            WriteDocument(b, scene);
            return b.data();
        }();
        const DocumentContents snapshot = documentSnapshot(scene);
        // The scene goes on: the snapshot does not follow it.
        scene.setBackgroundColour(0x00123456);
        scene.RemoveTopPart();
        scene.setFrameSize(106, 106);
        QCOMPARE(documentBytes(snapshot), before);
    }

    void leftCopyIsOfferedOnceAndRestored_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("closeQuestion");
        QTest::newRow("untitled") << QString() << QStringLiteral("Zelvane - (無題)")
                                  << QStringLiteral("Zelvane|編集されています。\r\n保存しますか？");
        QTest::newRow("named") << QStringLiteral("/work/a.BMH") << QStringLiteral("Zelvane - /work/a.BMH")
                               << QStringLiteral("Zelvane|内容が変更されています。\r\n保存しますか？");
    }

    void leftCopyIsOfferedOnceAndRestored()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        QFETCH(QString, closeQuestion);
        const RecoveryDocument left = sampleDocument(3, name);
        const QString leftPath = leaveCopy(m_folder, left);
        QVERIFY(QFile::exists(leftPath));

        Program program(m_folder);
        auto &[store, state, dialogs, commands, copy] = program;
        dialogs.answers = {Answer::Yes};
        QVERIFY(copy.offerLeftCopy(dialogs, commands));
        QCOMPARE(dialogs.questions, QStringList{kQuestion});
        QCOMPARE(state.CurrentFileName(), name);
        QCOMPARE(state.ui().title(), title);
        QVERIFY(state.isModified());
        QCOMPARE(documentBytes(documentSnapshot(state.scene())), documentBytes(left.contents));
        // The copy now is this program's, its old slot gone.
        RecoveryDocument kept;
        QVERIFY(RecoveryStore::readCopy(store.copyPath(), kept));
        compareDocuments(kept, left);
        QVERIFY(!QFileInfo::exists(QFileInfo(leftPath).absolutePath()));
        QCOMPARE(entriesIn(m_folder).size(), 2);

        // Modified whatever undo and redo do; the close prompt asks.
        state.edit().TransparentModeItemClick();
        QVERIFY(state.history().undo(state.scene()));
        QVERIFY(state.isModified());
        dialogs.answers = {Answer::Cancel};
        QVERIFY(!commands.ConfirmClose());
        QCOMPARE(dialogs.questions.last(), closeQuestion);
        QTest::qWait(50);
        QVERIFY(QFile::exists(store.copyPath())); // still there after the undo

        // A second program finds nothing to offer.
        RecoveryStore other(m_folder);
        QVERIFY(!other.takeNewestLeftCopy());
    }

    void restoredCopyGoesWhenSaved()
    {
        const QString target = m_home->filePath(QStringLiteral("saved.BMH"));
        const RecoveryDocument left = sampleDocument(2, target);
        leaveCopy(m_folder, left);
        {
            Program program(m_folder);
            auto &[store, state, dialogs, commands, copy] = program;
            dialogs.answers = {Answer::Yes};
            QVERIFY(copy.offerLeftCopy(dialogs, commands));
            QSignalSpy removed(&copy, &RecoveryCopy::copyRemoved);
            // Save writes to the name the copy kept, without a dialog.
            commands.SaveItemClick();
            QVERIFY(dialogs.fileRequests.isEmpty());
            QCOMPARE(readFile(target), documentBytes(left.contents));
            QVERIFY(!state.isModified());
            QVERIFY(removed.wait(5000));
            QVERIFY(!QFileInfo::exists(store.copyPath()));
            copy.finish();
        }
        QCOMPARE(entriesIn(m_folder), QStringList());
    }

    void restoredCopyGoesWhenReplaced_data()
    {
        QTest::addColumn<bool>("open");
        QTest::newRow("New") << false;
        QTest::newRow("Open") << true;
    }

    void restoredCopyGoesWhenReplaced()
    {
        QFETCH(bool, open);
        const QString other = m_home->filePath(QStringLiteral("other.BMH"));
        QVERIFY(writeFile(other, documentBytes(sampleDocument(1, QString()).contents)));
        leaveCopy(m_folder, sampleDocument(2, QString()));
        Program program(m_folder);
        auto &[store, state, dialogs, commands, copy] = program;
        dialogs.answers = {Answer::Yes};
        QVERIFY(copy.offerLeftCopy(dialogs, commands));
        QSignalSpy removed(&copy, &RecoveryCopy::copyRemoved);
        // After the close prompt: No drops the restored document.
        dialogs.answers = {Answer::No};
        if (open) {
            dialogs.files = {other};
            commands.OpenItemClick();
            QCOMPARE(state.CurrentFileName(), other);
        } else {
            commands.NewItemClick();
            QVERIFY(state.scene().isEmpty());
        }
        QCOMPARE(dialogs.questions.size(), 2);
        QVERIFY(!state.isModified());
        QVERIFY(removed.wait(5000));
        QVERIFY(!QFileInfo::exists(store.copyPath()));
    }

    void noRemovesTheCopyOffered()
    {
        const QString leftPath = leaveCopy(m_folder, sampleDocument(1, QString()));
        {
            Program program(m_folder);
            auto &[store, state, dialogs, commands, copy] = program;
            dialogs.answers = {Answer::No};
            QVERIFY(!copy.offerLeftCopy(dialogs, commands));
            QCOMPARE(dialogs.questions, QStringList{kQuestion});
            QVERIFY(state.scene().isEmpty());
            QVERIFY(!state.isModified());
            QVERIFY(!QFileInfo::exists(QFileInfo(leftPath).absolutePath()));
            // Asked once: the next start has nothing.
            QVERIFY(!copy.offerLeftCopy(dialogs, commands));
            QCOMPARE(dialogs.questions.size(), 1);
            copy.finish();
        }
        QCOMPARE(entriesIn(m_folder), QStringList());
    }

    void newestIsOfferedOthersStay()
    {
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QString older = leaveCopy(m_folder, sampleDocument(1, QStringLiteral("/older.BMH")));
        const QString newest = leaveCopy(m_folder, sampleDocument(2, QStringLiteral("/newest.BMH")));
        const QString middle = leaveCopy(m_folder, sampleDocument(3, QStringLiteral("/middle.BMH")));
        setWritten(older, now.addSecs(-300));
        setWritten(newest, now.addSecs(-10));
        setWritten(middle, now.addSecs(-100));
        const QStringList expected = {QStringLiteral("/newest.BMH"), QStringLiteral("/middle.BMH"),
                                      QStringLiteral("/older.BMH")};
        for (const QString &name : expected) {
            RecoveryStore store(m_folder);
            std::optional<LeftCopy> offered = store.takeNewestLeftCopy();
            QVERIFY(offered);
            QCOMPARE(offered->document.fileName, name);
            // Another program starting meanwhile is offered another copy.
            RecoveryStore meanwhile(m_folder);
            std::optional<LeftCopy> other = meanwhile.takeNewestLeftCopy();
            QCOMPARE(bool(other), name != expected.last());
            if (other)
                QVERIFY(other->document.fileName != name);
            store.discard(*offered);
        }
        RecoveryStore store(m_folder);
        QVERIFY(!store.takeNewestLeftCopy());
    }

    void damagedCopyIsNotOffered_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray whole = documentBytes(sampleDocument(2, QString()).contents);
        const QByteArray name = trailer("/a.BMH");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("document cut short") << whole.left(whole.size() - 1) + name;
        QTest::newRow("no name") << whole;
        QTest::newRow("wrong tag") << whole + QByteArray("ZLVNAME2") + doc::le32(6) + "/a.BMH";
        QTest::newRow("name cut short") << whole + name.chopped(1);
        QTest::newRow("bytes after the name") << whole + name + "x";
        QTest::newRow("name longer than any") << whole + QByteArray("ZLVNAME1") + doc::le32(70000)
                                                   + QByteArray(70000, 'a');
        QTest::newRow("a picture's bytes") << doc::bmpBytes(doc::picture(3, 3, 1));
    }

    void damagedCopyIsNotOffered()
    {
        QFETCH(QByteArray, bytes);
        const QString older = leaveCopy(m_folder, sampleDocument(1, QStringLiteral("/older.BMH")));
        const QString damaged = leaveCopy(m_folder, sampleDocument(1, QString()));
        QVERIFY(writeFile(damaged, bytes));
        setWritten(older, QDateTime::currentDateTimeUtc().addSecs(-60));
        RecoveryStore store(m_folder);
        std::optional<LeftCopy> offered = store.takeNewestLeftCopy();
        // The newest is passed over for the older one that reads.
        QVERIFY(offered);
        QCOMPARE(offered->document.fileName, QStringLiteral("/older.BMH"));
        store.discard(*offered);
        QVERIFY(!store.takeNewestLeftCopy());
        // Never removed: it is not ours to judge beyond not offering it.
        QCOMPARE(readFile(damaged), bytes);
    }

    void specialFileAsCopyIsNotOffered()
    {
        const QString copy = leaveCopy(m_folder, sampleDocument(1, QString()));
        QVERIFY(QFile::remove(copy));
        QCOMPARE(::mkfifo(QFile::encodeName(copy).constData(), 0600), 0);
        RecoveryStore store(m_folder);
        QVERIFY(!store.takeNewestLeftCopy()); // returns at once: a FIFO is not waited on
        QVERIFY(QFileInfo(copy).exists());
    }

    void liveProgramsCopyIsLeftAlone()
    {
        QProcess holder;
        startHolder(holder);
        QStringList slotFiles;
        for (const QString &entry : entriesIn(m_folder))
            if (!entry.endsWith(QStringLiteral(".lock")))
                slotFiles = entriesIn(m_folder + u'/' + entry);
        // Its copy and the temporary file of its unfinished write.
        QCOMPARE(slotFiles.size(), 2);
        QVERIFY(slotFiles.contains(QStringLiteral("copy.bmh")));
        const QStringList before = entriesIn(m_folder);
        {
            RecoveryStore store(m_folder);
            QVERIFY(!store.takeNewestLeftCopy());
        }
        QCOMPARE(entriesIn(m_folder), before);
        for (const QString &entry : before)
            if (!entry.endsWith(QStringLiteral(".lock")))
                QCOMPARE(entriesIn(m_folder + u'/' + entry), slotFiles);

        // Killed: its lock is stale, its copy offered, the leftover gone.
        holder.kill();
        QVERIFY(holder.waitForFinished());
        RecoveryStore store(m_folder);
        std::optional<LeftCopy> offered = store.takeNewestLeftCopy();
        QVERIFY(offered);
        compareDocuments(offered->document, sampleDocument(2, QStringLiteral("/held.BMH")));
        QCOMPARE(entriesIn(m_folder + u'/' + offered->slot), QStringList{QStringLiteral("copy.bmh")});
    }

    void cleanExitOfAnotherProgram()
    {
        QProcess holder;
        startHolder(holder);
        // Its input closes: it ends normally and keeps its copy for later.
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished());
        QCOMPARE(holder.exitCode(), 0);
        RecoveryStore store(m_folder);
        QVERIFY(store.takeNewestLeftCopy());
    }

    void lockOfReusedPidIsStale()
    {
        // A lock that names a running process of another program (the pid
        // was used again) belongs to no program of ours.
        const QString copy = leaveCopy(m_folder, sampleDocument(1, QStringLiteral("/reused.BMH")));
        QProcess other;
        other.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(other.waitForStarted());
        const QString lock = QFileInfo(copy).absolutePath() + QStringLiteral(".lock");
        QVERIFY(writeFile(lock, QByteArray::number(other.processId()) + '\n'
                                    + QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8()
                                    + '\n' + QSysInfo::machineHostName().toUtf8() + '\n'));
        RecoveryStore store(m_folder);
        std::optional<LeftCopy> offered = store.takeNewestLeftCopy();
        other.kill();
        other.waitForFinished();
        QVERIFY(offered);
        QCOMPARE(offered->document.fileName, QStringLiteral("/reused.BMH"));
    }

    void programsRunningTogetherKeepTheirOwn()
    {
        RecoveryStore first(m_folder);
        RecoveryStore second(m_folder);
        QVERIFY(first.isOpen() && second.isOpen());
        QVERIFY(first.copyPath() != second.copyPath());
        QVERIFY(RecoveryStore::writeCopy(first.copyPath(), sampleDocument(1, QStringLiteral("/1.BMH"))));
        QVERIFY(RecoveryStore::writeCopy(second.copyPath(), sampleDocument(1, QStringLiteral("/2.BMH"))));
        QVERIFY(!first.takeNewestLeftCopy());
        QVERIFY(!second.takeNewestLeftCopy());
        RecoveryStore third(m_folder);
        QVERIFY(!third.takeNewestLeftCopy());
        QVERIFY(QFile::exists(first.copyPath()) && QFile::exists(second.copyPath()));
    }

    void slotsOfEndedProgramsAreTidied()
    {
        // A killed program that had no copy leaves its lock and folder; a
        // killed writer its temporary file beside a copy.
        const QString slot = m_folder + QStringLiteral("/0123456789abcdef");
        QVERIFY(QDir().mkpath(slot));
        QVERIFY(writeFile(slot + QStringLiteral("/.zelvane-abcd1234"), "cut short"));
        QVERIFY(writeFile(slot + QStringLiteral(".lock"),
                          "999999999\nzelvane\n" + QSysInfo::machineHostName().toUtf8() + '\n'));
        const QString copy = leaveCopy(m_folder, sampleDocument(1, QString()));
        const QString leftover = QFileInfo(copy).absolutePath() + QStringLiteral("/.zelvane-0000aaaa");
        QVERIFY(writeFile(leftover, "cut short"));
        QVERIFY(writeFile(m_folder + QStringLiteral("/not-a-slot"), "kept"));
        RecoveryStore store(m_folder);
        QVERIFY(!QFileInfo::exists(slot));
        QVERIFY(!QFileInfo::exists(slot + QStringLiteral(".lock")));
        QVERIFY(!QFileInfo::exists(leftover));
        QVERIFY(QFileInfo::exists(copy));
        QVERIFY(QFileInfo::exists(m_folder + QStringLiteral("/not-a-slot")));
    }

    void copyFollowsTheDocument()
    {
        Program program(m_folder);
        auto &[store, state, dialogs, commands, copy] = program;
        copy.setDelay(20);
        QSignalSpy written(&copy, &RecoveryCopy::copyWritten);
        QSignalSpy removed(&copy, &RecoveryCopy::copyRemoved);
        const auto copied = [&] {
            RecoveryDocument read;
            return RecoveryStore::readCopy(store.copyPath(), read) ? documentBytes(read.contents)
                                                                  : QByteArray();
        };
        const auto current = [&] { return documentBytes(documentSnapshot(state.scene())); };

        state.edit().InsertPastedBitmap(doc::picture(9, 7, 3), QPoint(4, 5));
        QVERIFY(written.wait(5000));
        QCOMPARE(written.last().at(0).toBool(), true);
        QCOMPARE(copied(), current());
        // A command that records before it changes: the copy holds its result.
        state.edit().ClearItemClick();
        QVERIFY(written.wait(5000));
        QVERIFY(state.scene().isEmpty());
        QCOMPARE(copied(), current());
        // Undone to the start: not modified, no copy.
        QVERIFY(state.history().undo(state.scene()));
        QVERIFY(state.history().undo(state.scene()));
        QVERIFY(removed.wait(5000));
        QVERIFY(!QFileInfo::exists(store.copyPath()));
        // Redone: modified again.
        QVERIFY(state.history().redo(state.scene()));
        QVERIFY(written.wait(5000));
        QCOMPARE(copied(), current());
        // A name chosen by a save that failed goes into the copy too.
        const QString unwritable = m_home->filePath(QStringLiteral("missing/a.BMH"));
        dialogs.files = {unwritable};
        commands.SaveAsItemClick();
        QCOMPARE(dialogs.messages.size(), 1);
        QVERIFY(written.wait(5000));
        RecoveryDocument read;
        QVERIFY(RecoveryStore::readCopy(store.copyPath(), read));
        QCOMPARE(read.fileName, unwritable);
        // Saved: gone.
        const QString saved = m_home->filePath(QStringLiteral("a.BMH"));
        dialogs.files = {saved};
        commands.SaveAsItemClick();
        QVERIFY(removed.wait(5000));
        QVERIFY(!QFileInfo::exists(store.copyPath()));
        QCOMPARE(readFile(saved), current());
    }

    void steadyEditingIsWritten()
    {
        RecoveryStore store(m_folder);
        DocumentState state;
        RecoveryCopy copy(state, store);
        copy.setDelay(4000);
        QCOMPARE(copy.msUntilWrite(), -1);
        state.edit().TransparentModeItemClick();
        QTRY_VERIFY(copy.msUntilWrite() >= 0);
        QTest::qWait(1000);
        // Later changes do not put the write off.
        state.edit().TransparentModeItemClick();
        QTest::qWait(10);
        QVERIFY(copy.msUntilWrite() <= 3500); // restarted, it would be near 4000
        QVERIFY(copy.msUntilWrite() >= 0);
    }

    void exitRemovesTheCopy_data()
    {
        QTest::addColumn<bool>("saveFails");
        QTest::addColumn<bool>("kept");
        QTest::newRow("closing without saving") << false << false;
        QTest::newRow("closing after a failed save") << true << true;
    }

    void exitRemovesTheCopy()
    {
        QFETCH(bool, saveFails);
        QFETCH(bool, kept);
        {
            Program program(m_folder);
            auto &[store, state, dialogs, commands, copy] = program;
            commands.onSaved([&](bool written) { copy.saveFinished(written); });
            state.edit().InsertPastedBitmap(doc::picture(5, 5, 1));
            copy.writeNow();
            copy.waitForWriter();
            QVERIFY(QFileInfo::exists(store.copyPath()));
            state.edit().TransparentModeItemClick(); // not written yet when the window closes
            dialogs.files = {saveFails ? m_home->filePath(QStringLiteral("missing/a.BMH")) : QString()};
            commands.SaveAsItemClick();
            QCOMPARE(state.isModified(), true);
            copy.finish();
            QCOMPARE(QFileInfo::exists(store.copyPath()), kept);
            if (kept) {
                RecoveryDocument read;
                QVERIFY(RecoveryStore::readCopy(store.copyPath(), read));
                QCOMPARE(documentBytes(read.contents), documentBytes(documentSnapshot(state.scene())));
            }
        }
        // A clean exit leaves nothing; a kept copy is offered at the next start.
        if (!kept) {
            QCOMPARE(entriesIn(m_folder), QStringList());
        } else {
            RecoveryStore next(m_folder);
            QVERIFY(next.takeNewestLeftCopy());
        }
    }

    void fullDiskDoesNotDisturbEditing()
    {
        RecoveryStore store(m_folder);
        DocumentState state;
        RecoveryCopy copy(state, store);
        copy.setDelay(10);
        QSignalSpy written(&copy, &RecoveryCopy::copyWritten);
        UiState &ui = state.ui();
        {
            test::FileSizeLimit limit(4096);
            state.edit().InsertPastedBitmap(doc::picture(100, 100, 1));
            QVERIFY(written.wait(5000));
            QCOMPARE(written.last().at(0).toBool(), false);
            QCOMPARE(ui.statusText(0), QStringLiteral("復元用ﾌｧｲﾙを保存できません"));
            QCOMPARE(state.scene().count(), 1);
            QVERIFY(!QFileInfo::exists(store.copyPath()));
            QCOMPARE(entriesIn(QFileInfo(store.copyPath()).absolutePath()), QStringList());
            // Tried again at the next change, and said only once.
            ui.setStatusText(0, QStringLiteral("hint"));
            state.edit().InsertPastedBitmap(doc::picture(100, 100, 2));
            QVERIFY(written.wait(5000));
            QCOMPARE(written.last().at(0).toBool(), false);
            QCOMPARE(ui.statusText(0), QStringLiteral("hint"));
            QCOMPARE(state.scene().count(), 2);
        }
        // Room again: the next change writes it.
        state.edit().TransparentModeItemClick();
        QVERIFY(written.wait(5000));
        QCOMPARE(written.last().at(0).toBool(), true);
        QVERIFY(QFileInfo::exists(store.copyPath()));
        // A failure after a success is said again.
        test::FileSizeLimit limit(4096);
        state.edit().TransparentModeItemClick();
        QVERIFY(written.wait(5000));
        QCOMPARE(written.last().at(0).toBool(), false);
        QCOMPARE(ui.statusText(0), QStringLiteral("復元用ﾌｧｲﾙを保存できません"));
        // The copy written before stays whole.
        RecoveryDocument read;
        QVERIFY(RecoveryStore::readCopy(store.copyPath(), read));
        QCOMPARE(read.contents.parts.size(), size_t(2));
    }

    void storeThatCannotBeMade()
    {
        // A file where the folder would be, as a home that takes nothing.
        QVERIFY(QDir().mkpath(QFileInfo(m_folder).absolutePath()));
        QVERIFY(writeFile(m_folder, "a file"));
        RecoveryStore store(m_folder);
        QVERIFY(!store.isOpen());
        QVERIFY(!store.takeNewestLeftCopy());
        DocumentState state;
        RecoveryCopy copy(state, store);
        copy.setDelay(10);
        QSignalSpy written(&copy, &RecoveryCopy::copyWritten);
        state.edit().InsertPastedBitmap(doc::picture(3, 3, 1));
        QVERIFY(written.wait(5000));
        QCOMPARE(written.last().at(0).toBool(), false);
        QCOMPARE(state.ui().statusText(0), QStringLiteral("復元用ﾌｧｲﾙを保存できません"));
        QCOMPARE(readFile(m_folder), QByteArray("a file"));
    }
};

int main(int argc, char *argv[])
{
    // Both as one kind of application: a new QImage's resolution (written
    // into BMP headers) follows the screen's.
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--hold-store") == 0)
        return holdStore(argv[2]);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
